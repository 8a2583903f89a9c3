#include "scene/StandInMember.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "persistence/CommandIO.h"
#include "scene/MemberFactory.h"
#include "scene/SceneX.h"

namespace fw {

namespace {

// The member classes the scene's "begin" names whose readers have not arrived yet.
struct Missing {
    const char* className;
    int kind;
    const char* defaultName;
};
constexpr Missing kMissing[] = {
    {"ObjectP", kObjectKind, "object%d"},
    {"ObjectC-FlagCluster", kObjectKind, "object%d"},
    {"AnimTrack", kAnimTrackKind, "anim_track%d"},
};

template <size_t I>
SceneMember* createStandIn(Scene& scene, const char* name) {
    return new StandInMember(scene, kMissing[I].kind, kMissing[I].className, name);
}
template <size_t... I>
void addMissing(std::index_sequence<I...>) {
    MemberFactory& factory = MemberFactory::instance();
    ((factory.find(kMissing[I].className) ? void()
                                           : factory.add(kMissing[I].className, kMissing[I].defaultName,
                                                         createStandIn<I>)),
     ...);
}

const int kStandInKinds[] = {kObjectKind, kAnimTrackKind};

}  // namespace

StandInMember::StandInMember(Scene& scene, int kind, const char* className, const char* name)
    : SceneMember(scene, kind, name), className_(className) {
    registerCommands();
}

CommandTable& StandInMember::commandTable() {
    static CommandTable table;
    return table;
}

int StandInMember::readBlock(CommandIO& io) {
    if (lines_.read(io, className_.c_str()) != 0) return -1;
    // Links and parents name it, and a later member of the same name must be told apart.
    std::string name;
    if (lines_.find("name", name) && !name.empty() && !scene().findMember(name)) setName(name);
    return 0;
}

int StandInMember::writeCommands(CommandIO& io) { return lines_.write(io); }

void StandInMember::markUsed() {
    if (used()) return;
    setUsed(true);
    for (const std::string& text : lines_.quotedStrings())
        if (SceneMember* m = scene().findMember(text); m && m != this && !m->used()) m->markUsed();
}

void StandInMember::registerMissing() { addMissing(std::make_index_sequence<std::size(kMissing)>()); }

std::vector<std::string> StandInMember::keptClasses(const SceneX& scene) {
    std::vector<std::string> classes;
    for (int kind : kStandInKinds)
        for (int i = 0; i < scene.memberCount(kind); ++i)
            if (auto* s = dynamic_cast<StandInMember*>(scene.member(kind, i));
                s && std::find(classes.begin(), classes.end(), s->className_) == classes.end())
                classes.push_back(s->className_);
    return classes;
}

std::string StandInMember::notice(const SceneX& scene) {
    std::vector<std::string> classes = keptClasses(scene);
    if (classes.empty()) return std::string();
    std::string text = "kept as they were, since this version cannot read them yet:";
    for (size_t i = 0; i < classes.size(); ++i) text += (i ? ", " : " ") + classes[i];
    return text;
}

}  // namespace fw
