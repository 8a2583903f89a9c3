#include "geometry/ObjectC.h"

#include <algorithm>
#include <cstring>

#include <glm/mat4x4.hpp>
#include <glm/matrix.hpp>
#include <glm/vec4.hpp>

#include "geometry/ObjectP.h"
#include "geometry/ObjectX.h"
#include "geometry/SmoothnessLines.h"
#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "platform/Dialogs.h"
#include "scene/Scene.h"
#include "scene/SceneMember.h"

namespace fw {

int readClusterBlock(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    return receiverAs<ObjectC>(r).beginChild(io, name);
}

namespace {

ObjectC& cluster(CommandEnabler& r) { return receiverAs<ObjectC>(r); }

int readClusterType(CommandIO& io, CommandEnabler& r) {
    std::string word;
    if (io.readString(word) != 0) return -1;
    cluster(r).clusterType = word == "Flag" ? ObjectC::kClusterFlag : ObjectC::kClusterNone;
    return 0;
}

int writeClusterType(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, cluster(r).clusterType == ObjectC::kClusterFlag ? "Flag" : "None");
}

// Older files name a material per slot instead of storing stacks.
int readClusterSlotMaterial(CommandIO& io, CommandEnabler& r) {
    int slot;
    std::string name;
    if (io.readInt(slot) != 0 || io.readString(name) != 0) return -1;
    if (MaterialStack* stack = cluster(r).materialStack(slot)) stack->setBaseMaterial(name);
    return 0;
}

int writeClusterBlocks(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    ObjectC& c = cluster(r);
    for (int slot = 0; slot < c.materialSlotCount(); ++slot)
        if (io.writeIndexedBlock(*c.materialStack(slot), slot) != 0) return -1;
    return 0;
}

int readMember(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    cluster(r).addMember(name);
    return 0;
}

int writeMembers(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    ObjectC& c = cluster(r);
    for (int i = 0; i < c.memberCount(); ++i)
        if (io.writef("%s \"%s\"\n", keyword, c.memberName(i).c_str()) != 0) return -1;
    return 0;
}

using C = ObjectC;
using enum Spelling;

constexpr FieldTable::Line kObjectCLines[] = {
    {"clusterType", readClusterType, writeClusterType},
    field<&C::selected>("selected"),
    {"smoothnessPreview", readSmoothnessLine<ObjectC, kPreviewMode>, writeField<&C::smoothnessPreview>, fixed},
    {"smoothnessRender", readSmoothnessLine<ObjectC, kRenderMode>, writeField<&C::smoothnessRender>, fixed},
    {"begin", readClusterBlock, writeClusterBlocks},
    {"object", readMember, writeMembers},
    {"hasFragments", Object::readFlagLine<Object::kHasFragments>},
    {"isFragment", Object::readFlagLine<Object::kIsFragment>},
    {"animateFragments", readField<&C::animateFragments>},
    {"material", readClusterSlotMaterial},
    {"flatPreview", readFlatnessLine<ObjectC, kPreviewMode>},
    {"flatRender", readFlatnessLine<ObjectC, kRenderMode>},
};
constexpr FieldTable kObjectCTable{kObjectCLines};

}  // namespace

int ObjectC::beginChild(CommandIO& io, const char* blockName) {
    if (std::strcmp(blockName, "MaterialStack") != 0) return -1;
    int slot;
    MaterialStack* stack = io.readInt(slot) == 0 ? materialStack(slot) : nullptr;
    if (!stack) return -1;
    stack->clear();
    io.push(stack);
    return 0;
}

ObjectC::ObjectC(Scene& scene, const char* name) : Object(scene, name) {
    registerCommands();
    materialStack(0);
}

ObjectC::~ObjectC() = default;

CommandTable& ObjectC::commandTable() {
    static CommandTable table;
    return table;
}

void ObjectC::registerCommands() {
    Object::registerCommands();
    kObjectCTable.registerInto(*this);
}

int ObjectC::writeCommands(CommandIO& io) {
    if (Object::writeCommands(io) != 0) return -1;
    return kObjectCTable.write(io, *this);
}

void ObjectC::markUsed() {
    if (used()) return;
    setUsed(true);
    for (auto& stack : slots_) stack->markUsed();
    for (int i = 0; i < memberCount(); ++i)
        if (SceneMember* m = member(i)) m->markUsed();
}

void ObjectC::localBounds2(int, double box[6]) {
    // Stored as min x, max x, min y, ...; boxes here are minima, then maxima.
    for (int a = 0; a < 3; ++a) {
        box[a] = bounds[2 * a];
        box[a + 3] = bounds[2 * a + 1];
    }
}

void ObjectC::updateBounds(int mode) {
    for (int a = 0; a < 3; ++a) bounds[2 * a] = 1e20, bounds[2 * a + 1] = -1e20;
    const glm::dmat4 toLocal = glm::inverse(worldTransform());
    for (int i = 0; i < memberCount(); ++i) {
        auto* node = dynamic_cast<DAGNode*>(member(i));
        if (!node || node == this) continue;
        double box[6];
        node->worldBounds(mode, box);
        if (box[0] > box[3] || box[1] > box[4] || box[2] > box[5]) continue;  // nothing to bound
        for (int corner = 0; corner < 8; ++corner) {
            const glm::dvec4 p = toLocal * glm::dvec4(box[corner & 1 ? 3 : 0], box[corner & 2 ? 4 : 1],
                                                      box[corner & 4 ? 5 : 2], 1.0);
            for (int a = 0; a < 3; ++a) {
                bounds[2 * a] = std::min(bounds[2 * a], p[a]);
                bounds[2 * a + 1] = std::max(bounds[2 * a + 1], p[a]);
            }
        }
    }
}

SceneMember* ObjectC::member(int index) { return members_[static_cast<size_t>(index)].resolve(); }

std::string ObjectC::memberName(int index) {
    SceneMember* m = member(index);
    return m ? m->name() : std::string();
}

void ObjectC::addMember(const std::string& name) {
    members_.emplace_back(scene().nameDictionary(), name.c_str());
}

bool ObjectC::renameWithMembers(const std::string& newName) {
    const std::string oldName = name();
    if (newName != oldName && scene().findMember(newName)) return false;
    for (int i = 0; i < memberCount(); ++i) {
        SceneMember* m = member(i);
        if (!m || m == this) continue;
        const std::string current = m->name();
        if (current.compare(0, oldName.size(), oldName) != 0) {
            Dialogs::instance().alert("\rSerious error during object rename:\r\rCurr: '" + current +
                                      "'\rNew Prefix: '" + newName + "'");
            continue;
        }
        m->setName(newName + current.substr(oldName.size()));
    }
    return setName(newName);
}

MaterialStack* ObjectC::materialStack(int slot) {
    if (slot < 0 || slot >= 1000) return nullptr;  // a damaged file must not make millions
    while (static_cast<int>(slots_.size()) <= slot) {
        slots_.push_back(std::make_unique<MaterialStack>(scene()));
        slots_.back()->addItem("defaultMtl");
    }
    return slots_[static_cast<size_t>(slot)].get();
}

void ObjectC::handMaterials() {
    for (int i = 0; i < memberCount(); ++i)
        if (auto* p = dynamic_cast<ObjectP*>(member(i)))
            *p->materialStack(0) = *materialStack(i < materialSlotCount() ? i : 0);
}

}  // namespace fw
