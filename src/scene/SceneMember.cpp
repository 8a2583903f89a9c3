#include "scene/SceneMember.h"

#include <algorithm>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "scene/OutputPort.h"
#include "scene/Scene.h"

namespace fw {

SceneMember::SceneMember(Scene& scene, int kind, const char* name) : scene_(&scene), kind_(kind) {
    if (name && *name) {
        std::string unique = name;
        if (!scene.claimName(this, unique)) {
            scene.makeUniqueName(unique);
            scene.claimName(this, unique);
        }
    }
    scene.addMember(this);
}

SceneMember::~SceneMember() {
    scene_->removeMember(this);
    scene_->releaseName(this);
}

std::string SceneMember::name() const {
    NameDictionary::Entry* e = name_.entry();
    return e ? e->key : std::string();
}

bool SceneMember::setName(const std::string& name) { return scene_->claimName(this, name); }

void SceneMember::addPort(OutputPort* port) { ports_.push_back(port); }

void SceneMember::removePort(OutputPort* port) {
    auto it = std::find(ports_.begin(), ports_.end(), port);
    if (it != ports_.end()) ports_.erase(it);
}

OutputPort* SceneMember::findPort(const char* name) const {
    for (OutputPort* port : ports_)
        if (std::strcmp(port->name(), name) == 0) return port;
    return nullptr;
}

namespace {

// A name another member already holds gets a marker and a number; nothing is rejected.
// An empty name names nothing: the member keeps the default name it was made with.
int readName(CommandIO& io, CommandEnabler& receiver) {
    auto& self = receiverAs<SceneMember>(receiver);
    std::string name;
    if (io.readString(name) != 0) return -1;
    if (name.empty()) return 0;
    Scene& scene = self.scene();
    // Names that begin with "|" are never numbered, so the marker is added again
    // until the name is free (or no longer changes within the key limit).
    for (SceneMember* holder = scene.findMember(name); holder; holder = scene.findMember(name)) {
        if (holder == &self) return 0;
        std::string marked = name + "_DUPLICATE_FOUND";
        scene.makeUniqueName(marked);
        if (marked.substr(0, NameDictionary::kMaxKey) == name) break;
        name = marked.substr(0, NameDictionary::kMaxKey);
    }
    if (!self.setName(name)) {
        scene.makeUniqueName(name);
        self.setName(name);
    }
    return 0;
}

// The lines every member starts with; each class's own lines follow.
constexpr FieldTable::Line kSceneMemberLines[] = {
    {"name", readName, writeGetter<&SceneMember::name>, Spelling::quoted},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kSceneMemberTable{kSceneMemberLines};

}  // namespace

void SceneMember::registerCommands() { kSceneMemberTable.registerInto(*this); }

int SceneMember::writeCommands(CommandIO& io) { return kSceneMemberTable.write(io, *this); }

}  // namespace fw
