#pragma once
// What members and other subsystems need of a scene: the name dictionary with its
// naming rules, and one list of members per kind.

#include <string>

#include "persistence/CommandEnabler.h"
#include "scene/NameReference.h"

namespace fw {

class SceneMember;
class AnimGlobals;
class DAGNode;

// Member kinds: the list a member is kept in.
enum MemberKind {
    kObjectKind = 1,
    kStyleKind = 2,
    kLightKind = 3,
    kCameraKind = 4,
    kGroupKind = 5,
    kImageMapKind = 6,
    kImageFileKind = 7,
    kMaterialKind = 8,
    kProfileKind = 9,
    kRootKind = 10,
    kAnimGlobalsKind = 11,
    kAnimTrackKind = 12,
    kTextBlockKind = 15,
    kMemberKinds = 16,
};

class Scene : public CommandEnabler {
public:
    virtual void clearUsedMarks() = 0;
    ~Scene() override = default;
    virtual NameDictionary& nameDictionary() = 0;
    virtual const std::string& name() const = 0;
    virtual void setName(const std::string& name) = 0;
    // Rewrites `name` into a name no member holds (names starting with "|" stay).
    virtual void makeUniqueName(std::string& name) = 0;
    virtual void addMember(SceneMember* member) = 0;
    virtual void removeMember(SceneMember* member) = 0;
    virtual int memberCount(int kind) const = 0;
    virtual SceneMember* member(int kind, int index) const = 0;

    // Gives `member` the dictionary entry of `name`; false when another member holds it.
    virtual bool claimName(SceneMember* member, const std::string& name) = 0;
    virtual void releaseName(SceneMember* member) = 0;
    // The member holding exactly this name, or null.
    virtual SceneMember* findMember(const std::string& name) = 0;
    // Whether a member holds this name, compared without regard to letter case.
    virtual bool isNameTaken(const std::string& name) const = 0;

    // An edit that the unsaved-changes guard should know about.
    virtual void markChanged() = 0;
    virtual DAGNode* root() = 0;
    virtual AnimGlobals& animGlobals() = 0;
};

}  // namespace fw
