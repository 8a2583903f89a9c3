#include "scene/SceneX.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "scene/AnimGlobals.h"
#include "scene/MemberFactory.h"
#include "scene/RootNode.h"
#include "scene/StandInMember.h"

namespace fw {

namespace {

// The order kinds are written in, and the subset the style writer keeps.
const int kWriteOrder[] = {kCameraKind, kImageFileKind, kImageMapKind, kMaterialKind,
                           kTextBlockKind, kStyleKind, kGroupKind, kObjectKind,
                           kLightKind, kProfileKind, kAnimTrackKind};
const int kStyleWriteOrder[] = {kImageFileKind, kImageMapKind, kMaterialKind, kTextBlockKind,
                                kStyleKind, kObjectKind, kProfileKind};
// Kinds whose members are in use simply by being in the scene. Profiles count too: a
// drawn outline not yet extruded must survive a save.
const int kInUseKinds[] = {kObjectKind, kLightKind, kCameraKind, kGroupKind, kProfileKind, kAnimTrackKind, kTextBlockKind};

bool listed(int kind) {
    return (kind >= kObjectKind && kind <= kProfileKind) || kind == kAnimTrackKind || kind == kTextBlockKind;
}

int readSceneName(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    receiverAs<SceneX>(r).setName(name);
    return 0;
}

int beginMember(CommandIO& io, CommandEnabler& r) {
    auto& scene = receiverAs<SceneX>(r);
    char className[CommandIO::kTokenSize];
    if (io.readToken(className, sizeof className) != 0) return -1;
    if (std::strcmp(className, "SceneX") == 0) return scene.beginOwnBlock(io);
    if (std::strcmp(className, "AnimGlobals") == 0) {
        // A stored block is content, even an empty one: it is written back.
        scene.animGlobals().setHasContent(true);
        io.push(&scene.animGlobals());
        return 0;
    }
    const MemberFactory::Entry* entry = MemberFactory::instance().find(className);
    if (!entry || !entry->create) return -1;
    char name[CommandIO::kTokenSize + 16];
    std::snprintf(name, sizeof name, entry->defaultName.c_str(), MemberFactory::nextDefaultNumber());
    SceneMember* member = entry->create(scene, name);
    if (!member) return -1;
    // A class without its reader yet takes its whole block here, nested blocks included.
    if (auto* standIn = dynamic_cast<StandInMember*>(member)) return standIn->readBlock(io);
    io.push(member);
    return 0;
}

// The scene's name; the timeline's and the members' blocks are written after it.
constexpr FieldTable::Line kSceneXLines[] = {
    {"name", readSceneName, writeGetter<&SceneX::name>, Spelling::quoted},
    {"begin", beginMember},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kSceneXTable{kSceneXLines};

}  // namespace

SceneX::SceneX() {
    root_ = std::make_unique<RootNode>(*this);
    globals_ = std::make_unique<AnimGlobals>(*this);
    kSceneXTable.registerInto(*this);
}

SceneX::~SceneX() {
    // Members leave their lists one by one otherwise; the whole scene goes at once.
    tearingDown_ = true;
    for (auto& list : lists_) {
        std::vector<SceneMember*> members;
        members.swap(list);
        for (SceneMember* m : members) delete m;
    }
    globals_.reset();
    root_.reset();
}

int SceneX::beginOwnBlock(CommandIO& io) {
    if (io.depth() != 1 || io.top() != this || ownBlockRead_) return -1;
    ownBlockRead_ = true;
    io.push(this);
    return 0;
}

CommandTable& SceneX::commandTable() {
    static CommandTable table;
    return table;
}

void SceneX::setName(const std::string& name) { name_ = name.substr(0, 255); }

DAGNode* SceneX::root() { return root_.get(); }

void SceneX::clearUsedMarks() {
    for (auto& list : lists_)
        for (SceneMember* m : list) m->setUsed(false);
}

void SceneX::postLoad() {
    for (auto& list : lists_)
        for (SceneMember* m : list) m->postLoad();
}

void SceneX::markMembersInUse() {
    clearUsedMarks();
    for (int kind : kInUseKinds)
        for (SceneMember* m : lists_[kind]) m->markUsed();
}

std::string SceneX::folded(const std::string& name) {
    std::string f = name;
    for (char& c : f) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return f;
}

bool SceneX::isNameTaken(const std::string& name) const {
    return heldNames_.count(folded(name.substr(0, NameDictionary::kMaxKey))) > 0;
}

void SceneX::makeUniqueName(std::string& name) {
    uniqueName(name, [this](const std::string& n) { return isNameTaken(n); });
}

void SceneX::uniqueName(std::string& name, const std::function<bool(const std::string&)>& taken) {
    if (!name.empty() && name[0] == '|') return;
    if (name.size() > 240) name.resize(240);  // room for the number within the key limit
    size_t stem = name.size();
    while (stem > 0 && std::isdigit(static_cast<unsigned char>(name[stem - 1]))) --stem;
    std::string prefix = (stem > 0 && name[stem - 1] != '.') ? name + "." : name.substr(0, stem);
    for (long n = 1;; ++n) {
        name = prefix + std::to_string(n);
        if (!taken(name)) return;
    }
}

bool SceneX::claimName(SceneMember* member, const std::string& wanted) {
    std::string name = wanted.substr(0, NameDictionary::kMaxKey);
    if (name.empty()) return false;
    NameDictionary::Entry* entry = dictionary_.findOrInsert(name.c_str());
    if (entry->value) {
        bool own = entry->value == member;
        dictionary_.release(entry);
        return own;
    }
    // A name left behind by a rename now belongs to its new holder alone.
    if (entry->alias) dictionary_.setAlias(entry, nullptr);
    entry->value = member;
    ++heldNames_[folded(entry->key)];
    if (NameDictionary::Entry* old = member->nameReference().entry()) {
        old->value = nullptr;
        auto held = heldNames_.find(folded(old->key));
        if (held != heldNames_.end() && --held->second == 0) heldNames_.erase(held);
        // References taken under the old name follow the member to the new one.
        dictionary_.setAlias(old, entry);
    }
    member->nameReference().adopt(dictionary_, entry);
    return true;
}

void SceneX::releaseName(SceneMember* member) {
    NameDictionary::Entry* entry = member->nameReference().entry();
    if (entry && entry->value == member) {
        entry->value = nullptr;
        auto held = heldNames_.find(folded(entry->key));
        if (held != heldNames_.end() && --held->second == 0) heldNames_.erase(held);
    }
    member->nameReference().clear();
}

SceneMember* SceneX::findMember(const std::string& name) {
    NameDictionary::Entry* entry = dictionary_.find(name.c_str());
    return entry ? entry->value : nullptr;
}

void SceneX::addMember(SceneMember* member) {
    if (listed(member->kind())) lists_[member->kind()].push_back(member);
}

void SceneX::removeMember(SceneMember* member) {
    if (tearingDown_ || !listed(member->kind())) return;
    auto& list = lists_[member->kind()];
    auto it = std::find(list.rbegin(), list.rend(), member);
    if (it != list.rend()) list.erase(std::next(it).base());
}

int SceneX::memberCount(int kind) const {
    return kind >= 0 && kind < kMemberKinds ? static_cast<int>(lists_[kind].size()) : 0;
}

SceneMember* SceneX::member(int kind, int index) const {
    if (index < 0 || index >= memberCount(kind)) return nullptr;
    return lists_[kind][index];
}

int SceneX::writeKinds(CommandIO& io, const int* kinds, int count, bool saveableOnly) {
    for (int k = 0; k < count; ++k) {
        for (SceneMember* m : lists_[kinds[k]]) {
            bool marked = saveableOnly ? m->saveable() : m->used();
            if (!writeAll_ && !marked) continue;
            // Names starting with two underscores belong to the program's own helpers.
            if (!saveableOnly && m->name().rfind("__", 0) == 0) continue;
            if (io.writeBlock(*m) != 0) return -1;
        }
    }
    return 0;
}

int SceneX::writeCommands(CommandIO& io) {
    // The preferences keep only the timeline settings of the scene.
    if (preferencesMode_) return io.writeBlock(*globals_);
    if (kSceneXTable.write(io, *this) != 0) return -1;
    if (globals_->hasContent() && io.writeBlock(*globals_) != 0) return -1;
    return writeKinds(io, kWriteOrder, static_cast<int>(std::size(kWriteOrder)), false);
}

int SceneX::writeStyleCommands(CommandIO& io) {
    return writeKinds(io, kStyleWriteOrder, static_cast<int>(std::size(kStyleWriteOrder)), true);
}

}  // namespace fw
