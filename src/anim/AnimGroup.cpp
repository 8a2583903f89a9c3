#include "anim/AnimGroup.h"

#include <cstdlib>

#include "anim/RecordLines.h"
#include "scene/Scene.h"
#include "scene/SceneMember.h"

namespace fw {

namespace {

const char* const kGroupTypes[] = {"soft", "hard"};

const char* groupTypeName(int type) { return type == AnimGroup::kHard ? "hard" : "soft"; }
int groupTypeOf(const char* word) { return wordIndex(kGroupTypes, 2, word); }

int readGroupName(CommandIO& io, CommandEnabler& r) {
    AnimGroup& g = receiverAs<AnimGroup>(r);
    std::string name;
    if (io.readString(name) != 0) return -1;
    g.groupName = name.empty() ? NameReference() : NameReference(g.scene().nameDictionary(), name.c_str());
    return 0;
}

int writeGroupName(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, escapeQuotes(receiverAs<AnimGroup>(r).groupName.name()).c_str());
}

// A number is the object's place in the scene's list of objects, which are all read
// before any track; a place past the end names nothing and is dropped.
int readGroupObject(CommandIO& io, CommandEnabler& r) {
    AnimGroup& g = receiverAs<AnimGroup>(r);
    std::string text;
    if (io.readString(text) != 0) return -1;
    if (isIndex(text)) {
        long index = std::strtol(text.c_str(), nullptr, 10);
        SceneMember* m = index >= 0 && index < g.scene().memberCount(kObjectKind)
                             ? g.scene().member(kObjectKind, static_cast<int>(index))
                             : nullptr;
        if (m) g.objects.push_back(m->nameReference());
        return 0;
    }
    // An object not in the scene keeps its name: a primitive of that name cannot be
    // made yet, and the name is written back as it came.
    if (!text.empty()) g.objects.emplace_back(g.scene().nameDictionary(), text.c_str());
    return 0;
}

int writeGroupObjects(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    AnimGroup& g = receiverAs<AnimGroup>(r);
    for (NameReference& object : g.objects) {
        SceneMember* m = object.resolve();
        int index = -1;
        if (io.flag() && m)
            for (int i = 0; i < g.scene().memberCount(kObjectKind); ++i)
                if (g.scene().member(kObjectKind, i) == m) index = i;
        int status = index >= 0 ? io.writef("%s \"%d\"\n", keyword, index)
                                : io.writef("%s \"%s\"\n", keyword, escapeQuotes(object.name()).c_str());
        if (status != 0) return -1;
    }
    return 0;
}

constexpr FieldTable::Line kAnimGroupLines[] = {
    {"groupName", readGroupName, writeGroupName},
    wordField<&AnimGroup::groupType, groupTypeName, groupTypeOf>("groupType", Spelling::quoted),
    field<&AnimGroup::autoGroup>("autoGroup"),
    {"groupObject", readGroupObject, writeGroupObjects},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kAnimGroupFields(kAnimGroupLines);

}  // namespace

AnimGroup::AnimGroup(Scene& scene) : scene_(&scene) { kAnimGroupFields.registerInto(*this); }

CommandTable& AnimGroup::commandTable() {
    static CommandTable table;
    return table;
}

int AnimGroup::writeCommands(CommandIO& io) { return kAnimGroupFields.write(io, *this); }

}  // namespace fw
