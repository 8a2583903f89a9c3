#include "scene/MemberFactory.h"

#include "scene/Group.h"

namespace fw {

MemberFactory& MemberFactory::instance() {
    static MemberFactory factory;
    return factory;
}

void MemberFactory::add(const char* className, const char* defaultNameFormat, MemberCreator create) {
    entries_[className] = Entry{className, defaultNameFormat, create};
}

const MemberFactory::Entry* MemberFactory::find(const char* className) const {
    auto it = entries_.find(className);
    return it == entries_.end() ? nullptr : &it->second;
}

int MemberFactory::nextDefaultNumber() {
    static int counter = 0;
    return ++counter;
}

void registerSceneClasses() {
    MemberFactory::instance().add("Group", "|ORVO_GROUP%d", [](Scene& scene, const char* name) -> SceneMember* {
        return new Group(scene, name);
    });
}

}  // namespace fw
