#include "scene/DAGNode.h"

#include <cstring>
#include <glm/gtc/matrix_transform.hpp>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "scene/Scene.h"

namespace fw {

void emptyBox(double box[6]) {
    for (int i = 0; i < 3; ++i) {
        box[i] = 1e20;
        box[i + 3] = -1e20;
    }
}

void growBox(double box[6], const double p[3]) {
    for (int i = 0; i < 3; ++i) {
        if (p[i] < box[i]) box[i] = p[i];
        if (p[i] > box[i + 3]) box[i + 3] = p[i];
    }
}

DAGNode::DAGNode(Scene& scene, int kind, const char* name, bool belowRoot) : SceneMember(scene, kind, name) {
    if (belowRoot) parent_ = NameReference(scene.nameDictionary(), "root");
}

void DAGNode::copyTransform(const DAGNode& other) {
    std::memcpy(translate, other.translate, sizeof translate);
    std::memcpy(rotate, other.rotate, sizeof rotate);
    std::memcpy(scale, other.scale, sizeof scale);
    std::memcpy(origin, other.origin, sizeof origin);
    transformOrder = other.transformOrder;
    rotateOrder = other.rotateOrder;
    flags_ = other.flags_;
}

glm::dmat4 DAGNode::transform() const {
    const glm::dmat4 identity(1.0);
    glm::dmat4 rotation = identity;
    // Both orders read as matrix products, like "trs" = T R S: "zyx" is Rz Ry Rx, so the
    // x rotation turns a point first (pitch, then heading, then bank).
    for (char axis : rotateOrder) {
        int a = axis - 'x';
        if (a < 0 || a > 2) continue;
        glm::dvec3 v(0.0);
        v[a] = 1.0;
        rotation = rotation * glm::rotate(identity, glm::radians(rotate[a]), v);
    }
    glm::dvec3 o(origin[0], origin[1], origin[2]);
    glm::dmat4 t = glm::translate(identity, glm::dvec3(translate[0], translate[1], translate[2]));
    glm::dmat4 r = glm::translate(identity, o) * rotation * glm::translate(identity, -o);
    glm::dmat4 s = glm::translate(identity, o) *
                   glm::scale(identity, glm::dvec3(scale[0], scale[1], scale[2])) *
                   glm::translate(identity, -o);
    glm::dmat4 m = identity;
    for (char step : transformOrder) {
        if (step == 't') m = m * t;
        if (step == 'r') m = m * r;
        if (step == 's') m = m * s;
    }
    return m;
}

glm::dmat4 DAGNode::restWorldTransform() {
    glm::dmat4 m = transform();
    // A damaged file can make parents loop; a deep chain is cut rather than followed forever.
    DAGNode* node = parent();
    for (int depth = 0; node && depth < 10000; ++depth, node = node->parent()) m = node->transform() * m;
    return m;
}

glm::dmat4 DAGNode::worldTransform() {
    if (!animated_) {
        DAGNode* node = parent();
        int depth = 0;
        while (node && depth < 10000 && !node->animated_) node = node->parent(), ++depth;
        if (!node || depth >= 10000) return restWorldTransform();
    }
    // Each animated node moves everything below it: world = A * parent's world * local.
    glm::dmat4 parentWorld(1.0);
    if (DAGNode* p = parent()) {
        // Recursion here; a parent loop in a damaged file is cut well before the stack ends.
        static thread_local int depth = 0;
        if (depth < 1000) {
            ++depth;
            parentWorld = p->worldTransform();
            --depth;
        }
    }
    return animatedMatrix_ * parentWorld * transform();
}

void DAGNode::setAnimated(const glm::dmat4& matrix, double opacity) {
    animated_ = true;
    animatedMatrix_ = matrix;
    animatedOpacity_ = opacity;
}

void DAGNode::clearAnimated() {
    animated_ = false;
    animatedMatrix_ = glm::dmat4(1.0);
    animatedOpacity_ = 1.0;
}

void DAGNode::transformBox(const double local[6], double world[6]) {
    glm::dmat4 m = worldTransform();
    emptyBox(world);
    for (int corner = 0; corner < 8; ++corner) {
        glm::dvec4 p(local[(corner & 1) ? 3 : 0], local[(corner & 2) ? 4 : 1], local[(corner & 4) ? 5 : 2], 1.0);
        glm::dvec4 q = m * p;
        double point[3] = {q.x, q.y, q.z};
        growBox(world, point);
    }
}

void DAGNode::localBounds(int, double box[6]) {
    for (int i = 0; i < 6; ++i) box[i] = 0;
}

void DAGNode::localBounds2(int, double box[6]) {
    for (int i = 0; i < 6; ++i) box[i] = 0;
}

void DAGNode::worldBounds(int mode, double box[6]) {
    double local[6];
    localBounds(mode, local);
    transformBox(local, box);
}

DAGNode* DAGNode::parent() {
    SceneMember* m = parent_.resolve();
    if (!m || m == this) return nullptr;
    return dynamic_cast<DAGNode*>(m);
}

std::string DAGNode::parentName() { return parent_.name(); }

void DAGNode::setParent(const std::string& name) {
    parent_ = NameReference(scene().nameDictionary(), name.c_str());
}

namespace {

template <unsigned Bit>
int readFlag(CommandIO& io, CommandEnabler& receiver) {
    int on;
    if (io.readInt(on) != 0) return -1;
    receiverAs<DAGNode>(receiver).setFlag(Bit, on != 0);
    return 0;
}


int readRotateOrder(CommandIO& io, CommandEnabler& r) {
    char order[7];
    if (io.readToken(order, sizeof order) != 0) return -1;
    if (*order) receiverAs<DAGNode>(r).rotateOrder = order;
    return 0;
}

int readParent(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    receiverAs<DAGNode>(r).setParent(name);
    return 0;
}

template <unsigned Bit>
int writeFlag(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, receiverAs<DAGNode>(r).flag(Bit), spelling);
}

int writeParent(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, receiverAs<DAGNode>(r).parentName(), spelling);
}

bool hasParent(CommandEnabler& r) { return receiverAs<DAGNode>(r).hasParent(); }

template <unsigned Bit>
constexpr FieldTable::Line flagLine(const char* keyword) {
    return {keyword, readFlag<Bit>, writeFlag<Bit>};
}

constexpr FieldTable::Line kDAGNodeLines[] = {
    flagLine<DAGNode::kVisible>("vis"),
    {"enabled", readFlag<DAGNode::kVisible>},
    flagLine<DAGNode::kSolo>("solo"),
    flagLine<DAGNode::kSoloGhost>("solo_ghost"),
    flagLine<DAGNode::kLocked>("locked"),
    flagLine<DAGNode::kEditorVisible>("editor_vis"),
    flagLine<DAGNode::kEditorSolo>("editor_solo"),
    flagLine<DAGNode::kEditorSoloGhost>("editor_solo_ghost"),
    flagLine<DAGNode::kOpenHierarchy>("open_hierarchy"),
    flagLine<DAGNode::kLinkChildren>("link_children"),
    field<&DAGNode::translate>("translate", Spelling::fixed),
    field<&DAGNode::rotate>("rotate", Spelling::fixed),
    {"rotateOrder", readRotateOrder, writeField<&DAGNode::rotateOrder>},
    field<&DAGNode::scale>("scale", Spelling::fixed),
    field<&DAGNode::origin>("origin", Spelling::fixed),
    {"parent", readParent, writeParent, Spelling::quoted, hasParent},
};
constexpr FieldTable kDAGNodeTable{kDAGNodeLines};

}  // namespace

void DAGNode::registerCommands() {
    SceneMember::registerCommands();
    kDAGNodeTable.registerInto(*this);
}

int DAGNode::writeCommands(CommandIO& io) {
    if (SceneMember::writeCommands(io) != 0) return -1;
    return kDAGNodeTable.write(io, *this);
}

}  // namespace fw
