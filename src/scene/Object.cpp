#include "scene/Object.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <glm/gtc/matrix_inverse.hpp>

#include "mesh/GeometryInterface.h"
#include "mesh/ObjDB.h"
#include "mesh/PackedObjDB.h"
#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "scene/Scene.h"

namespace fw {

// ---- ports

Object::ObjectDynPort::ObjectDynPort(Object* owner, const char* name) : GeometryPort(owner, name) {
    owner->dynPorts_.push_back(this);
}

Object::ObjectDynPort::~ObjectDynPort() {
    auto& ports = object().dynPorts_;
    ports.erase(std::remove(ports.begin(), ports.end(), this), ports.end());
}

bool Object::ObjectDynPort::compute(const Settings*) {
    geometry_ = geometry();
    const GeometryWarp* warp = object().warp();
    if (!geometry_ || !warp) {
        warped_.reset();
        return geometry_ != nullptr;
    }
    if (!warped_) warped_ = std::make_unique<ObjDB>();
    warped_->clear();
    warp->apply(object(), *geometry_, *warped_);
    geometry_ = warped_.get();
    return true;
}

bool Object::ElementInterpPort::compute(const WorldCoordinateSettings* settings) {
    if (settings) {
        worldVertices.setSettings(settings);
        worldNormals.setSettings(settings);
    }
    elements_.geometry = geometryInput.value();
    elements_.worldVertices = worldVertices.value();
    elements_.worldNormals = worldNormals.value();
    elements_.gradients = gradientsInput.value();
    return elements_.geometry && elements_.worldVertices && elements_.worldNormals && elements_.gradients;
}

bool Object::BoundsPort::compute(const NoSettings*) {
    emptyBox(box_.data());
    const GeometryInterface* g = geometry();
    if (!g) return false;
    double p[3];
    for (int i = 0; i < g->vertexCount(); ++i) {
        g->getVertex(p, i);
        growBox(box_.data(), p);
    }
    return true;
}

Object::DisplayGeometryPort::DisplayGeometryPort(Object* owner, const char* name) : GeometryPort(owner, name) {}

Object::DisplayGeometryPort::~DisplayGeometryPort() = default;

bool Object::DisplayGeometryPort::compute(const DisplayGeometrySettings*) {
    shared_ = nullptr;
    const GeometryInterface* g = geometry();
    if (!g) return false;
    if (auto* packed = dynamic_cast<const PackedObjDB*>(g); packed && packed->repacksToItself()) {
        shared_ = const_cast<PackedObjDB*>(packed);  // held by the source port, which is not const
        mesh_.reset();
        return true;
    }
    if (!mesh_) mesh_ = std::make_unique<PackedObjDB>();
    mesh_->clear();
    bool ok = mesh_->pack(*g);
    mesh_->finish();
    return ok;
}

void Object::DisplayGeometryPort::reset() {
    mesh_.reset();
    shared_ = nullptr;
}

namespace {

glm::dmat4 wantedMatrix(const Object::WorldCoordinateSettings* settings, Object& owner) {
    if (!settings) return owner.worldTransform();
    glm::dmat4 m;
    std::memcpy(&m[0][0], settings->matrix, sizeof(double) * 16);
    return m;
}

}  // namespace

bool Object::WorldVertexPort::compute(const WorldCoordinateSettings* settings) {
    const GeometryInterface* g = geometry();
    if (!g) return false;
    glm::dmat4 m = wantedMatrix(settings, object());
    points_.resize(static_cast<size_t>(g->vertexCount()) * 3);
    double p[3];
    for (int i = 0; i < g->vertexCount(); ++i) {
        g->getVertex(p, i);
        glm::dvec4 q = m * glm::dvec4(p[0], p[1], p[2], 1.0);
        std::memcpy(&points_[3 * static_cast<size_t>(i)], &q[0], sizeof(double) * 3);
    }
    return true;
}

bool Object::WorldNormalPort::compute(const WorldCoordinateSettings* settings) {
    const GeometryInterface* g = geometry();
    if (!g) return false;
    glm::dmat3 m = glm::inverseTranspose(glm::dmat3(wantedMatrix(settings, object())));
    normals_.resize(static_cast<size_t>(g->normalCount()) * 3);
    double n[3];
    for (int i = 0; i < g->normalCount(); ++i) {
        g->getNormal(n, i);
        glm::dvec3 q = m * glm::dvec3(n[0], n[1], n[2]);
        double length = glm::length(q);
        if (length > 0) q /= length;
        std::memcpy(&normals_[3 * static_cast<size_t>(i)], &q[0], sizeof(double) * 3);
    }
    return true;
}

bool Object::GradientsPort::compute(const NoSettings*) {
    const GeometryInterface* g = geometry();
    if (!g) return false;
    size_t n = static_cast<size_t>(g->vertexCount()) * 3;
    gradients_.du.assign(n, 0.0);
    gradients_.dv.assign(n, 0.0);
    // Each textured polygon is split into a fan; every triangle adds its dP/du and dP/dv
    // to its corners, and the sums are normalised at the end.
    for (int e = 0; e < g->elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *positions, *tex, *normals;
        if (!g->getElementRefs(e, info, &positions, &tex, &normals)) continue;
        if (info.kind != GeometryInterface::Polygon || !tex || info.count < 3) continue;
        for (int k = 1; k + 1 < info.count; ++k) {
            const int corner[3] = {0, k, k + 1};
            glm::dvec3 p[3];
            glm::dvec2 t[3];
            for (int c = 0; c < 3; ++c) {
                double v[3], uvw[3];
                g->getVertex(v, positions[corner[c]]);
                g->getTexCoord(uvw, tex[corner[c]]);
                p[c] = glm::dvec3(v[0], v[1], v[2]);
                t[c] = glm::dvec2(uvw[0], uvw[1]);
            }
            glm::dvec3 e1 = p[1] - p[0], e2 = p[2] - p[0];
            glm::dvec2 s1 = t[1] - t[0], s2 = t[2] - t[0];
            double det = s1.x * s2.y - s2.x * s1.y;
            if (std::fabs(det) < 1e-20) continue;
            glm::dvec3 du = (e1 * s2.y - e2 * s1.y) / det;
            glm::dvec3 dv = (e2 * s1.x - e1 * s2.x) / det;
            for (int c = 0; c < 3; ++c) {
                size_t at = 3 * static_cast<size_t>(positions[corner[c]]);
                for (int a = 0; a < 3; ++a) {
                    gradients_.du[at + a] += du[a];
                    gradients_.dv[at + a] += dv[a];
                }
            }
        }
    }
    for (std::vector<double>* list : {&gradients_.du, &gradients_.dv}) {
        for (size_t i = 0; i < list->size(); i += 3) {
            double* v = &(*list)[i];
            double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
            if (length > 0)
                for (int a = 0; a < 3; ++a) v[a] /= length;
        }
    }
    return true;
}

// ---- the object

Object::Object(Scene& scene, const char* name) : DAGNode(scene, kObjectKind, name) {
    // Slot order: preview 2-D, preview, render.
    const int modes[3] = {kPreview2DMode, kPreviewMode, kRenderMode};
    auto named = [&](int i, const char* stage) { return qualityPortName(modes[i], stage); };
    for (int i = 0; i < 3; ++i) bounds_[i] = std::make_unique<BoundsPort>(this, named(i, "Bounds").c_str());
    for (int i = 0; i < 3; ++i) display_[i] = std::make_unique<DisplayGeometryPort>(this, named(i, "DisplayGeometry").c_str());
    for (int i = 0; i < 3; ++i) worldVertices_[i] = std::make_unique<WorldVertexPort>(this, named(i, "WorldVertex").c_str());
    for (int i = 0; i < 3; ++i) worldNormals_[i] = std::make_unique<WorldNormalPort>(this, named(i, "WorldNormal").c_str());
    for (int i = 0; i < 3; ++i) gradients_[i] = std::make_unique<GradientsPort>(this, named(i, "Gradients").c_str());
}

Object::~Object() = default;

void Object::setWarp(std::shared_ptr<const GeometryWarp> warp) {
    if (!warp && !warp_) return;
    warp_ = std::move(warp);
    for (ObjectDynPort* port : dynPorts_) port->setDirty();
}

void Object::geometryChanged() {
    for (int i = 0; i < 3; ++i) {
        bounds_[i]->setDirty();
        display_[i]->setDirty();
        worldVertices_[i]->setDirty();
        worldNormals_[i]->setDirty();
        gradients_[i]->setDirty();
    }
}

void Object::localBounds(int mode, double box[6]) {
    prepareStages();
    const Box* cached = boundsPort(renderMode(mode)).value();
    if (cached)
        std::copy(cached->begin(), cached->end(), box);
    else
        emptyBox(box);
}

PackedObjDB* Object::displayGeometry(int mode, const DisplayGeometrySettings* settings) {
    prepareStages();
    return displayGeometryPort(renderMode(mode)).get(settings);
}

void Object::setMappingEnabled(bool on) {
    mapEnabled_ = on;
    geometryChanged();
}

void Object::setMappingScale(const double scale[3]) {
    std::memcpy(mapScale_, scale, sizeof mapScale_);
    geometryChanged();
}

void Object::setMappingOffset(const double offset[3]) {
    std::memcpy(mapOffset_, offset, sizeof mapOffset_);
    geometryChanged();
}

double Object::mapX(double x) const {
    if (!mapEnabled_) return x;
    if (std::fabs(mapScale_[0]) >= 1e-5) x /= mapScale_[0];
    return x - mapOffset_[0];
}

double Object::mapY(double y) const {
    if (!mapEnabled_) return y;
    if (std::fabs(mapScale_[1]) >= 1e-5) y /= mapScale_[1];
    return y - mapOffset_[1];
}

bool Object::mappingIsDefault() const {
    return !mapEnabled_ && mapType == 0 && mapScale_[0] == 1 && mapScale_[1] == 1 && mapScale_[2] == 1 &&
           mapOffset_[0] == 0 && mapOffset_[1] == 0 && mapOffset_[2] == 0 && mapRotation == 0 && mapRepeatX == 1 &&
           mapRepeatY == 1 && mapMirrorX == 0 && mapMirrorY == 0 && mapProportional == 1;
}

// ---- stored form

int Object::readFlagBit(CommandIO& io, CommandEnabler& r, unsigned bit) {
    int on;
    if (io.readInt(on) != 0) return -1;
    if (on)
        receiverAs<Object>(r).setObjectFlags(bit);
    else
        receiverAs<Object>(r).clearObjectFlags(bit);
    return 0;
}

namespace {

void changeGeometry(CommandEnabler& r) { receiverAs<Object>(r).geometryChanged(); }

// Auto-fit places the texture over the whole object: the explicit mapping is off.
int readMapAutoFit(CommandIO& io, CommandEnabler& r) {
    int on;
    if (io.readInt(on) != 0) return -1;
    receiverAs<Object>(r).setMappingEnabled(on == 0);
    return 0;
}

int readMapScale(CommandIO& io, CommandEnabler& r) {
    double v[3];
    if (io.readVector3(v) != 0) return -1;
    receiverAs<Object>(r).setMappingScale(v);
    return 0;
}

int readMapPosition(CommandIO& io, CommandEnabler& r) {
    double v[3];
    if (io.readVector3(v) != 0) return -1;
    receiverAs<Object>(r).setMappingOffset(v);
    return 0;
}

int writeOn(CommandIO& io, CommandEnabler&, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, 1, spelling);
}

// An angle that is off is written as -1.0, whatever negative value it holds.
int writeHardShadingAngle(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    const double angle = receiverAs<Object>(r).hardShadingAngle;
    if (angle >= 0) return writeLine(io, keyword, angle, spelling);
    return io.writef("%s -1.0\n", keyword);
}

int writeMapAutoFit(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, receiverAs<Object>(r).mappingEnabled() ? 0 : 1, spelling);
}

template <const double* (Object::*Get)() const>
int writeMapVector(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    const double* v = (receiverAs<Object>(r).*Get)();
    const double values[3] = {v[0], v[1], v[2]};
    return writeLine(io, keyword, values, spelling);
}

// A fragmented object stores its count, a fragment its index; never both.
bool hasFragments(CommandEnabler& r) { return receiverAs<Object>(r).testObjectFlags(Object::kHasFragments); }
bool isFragment(CommandEnabler& r) {
    const Object& o = receiverAs<Object>(r);
    return !o.testObjectFlags(Object::kHasFragments) && o.testObjectFlags(Object::kIsFragment);
}
// The texture placement is written only once it differs from the automatic fit.
bool mappingStored(CommandEnabler& r) { return !receiverAs<Object>(r).mappingIsDefault(); }

// A value the geometry is built from: reading it leaves the geometry ports stale.
template <auto Field>
constexpr FieldTable::Line geometryField(const char* keyword, Spelling spelling, FieldTable::When when = nullptr) {
    return fieldThen<Field, changeGeometry>(keyword, spelling, when);
}

constexpr FieldTable::Line kObjectLines[] = {
    {"has_fragments", Object::readFlagLine<Object::kHasFragments>, writeOn, Spelling::bare, hasFragments},
    geometryField<&Object::fragmentCount>("num_fragments", Spelling::bare, hasFragments),
    {"is_fragment", Object::readFlagLine<Object::kIsFragment>, writeOn, Spelling::bare, isFragment},
    geometryField<&Object::fragmentIndex>("fragment_index", Spelling::bare, isFragment),
    {"animate_fragments", readFieldThen<&Object::animateFragments, changeGeometry>},
    {"hardShadingAngle", readFieldThen<&Object::hardShadingAngle, changeGeometry>, writeHardShadingAngle,
     Spelling::fixed},
    {"mapAutoFit", readMapAutoFit, writeMapAutoFit, Spelling::bare, mappingStored},
    geometryField<&Object::mapType>("mapType", Spelling::bare, mappingStored),
    {"mapScale", readMapScale, writeMapVector<&Object::mappingScale>, Spelling::fixed, mappingStored},
    {"mapPosition", readMapPosition, writeMapVector<&Object::mappingOffset>, Spelling::fixed, mappingStored},
    geometryField<&Object::mapRotation>("mapRotation", Spelling::fixed, mappingStored),
    geometryField<&Object::mapRepeatX>("mapRepeatX", Spelling::bare, mappingStored),
    geometryField<&Object::mapRepeatY>("mapRepeatY", Spelling::bare, mappingStored),
    geometryField<&Object::mapMirrorX>("mapMirrorX", Spelling::bare, mappingStored),
    geometryField<&Object::mapMirrorY>("mapMirrorY", Spelling::bare, mappingStored),
    geometryField<&Object::mapProportional>("mapProportional", Spelling::bare, mappingStored),
};
constexpr FieldTable kObjectTable{kObjectLines};

}  // namespace

void Object::registerCommands() {
    DAGNode::registerCommands();
    kObjectTable.registerInto(*this);
}

int Object::writeCommands(CommandIO& io) {
    if (DAGNode::writeCommands(io) != 0) return -1;
    return kObjectTable.write(io, *this);
}

}  // namespace fw
