#pragma once
// Copies scene members into another scene through their own stored lines, so a copy
// is whatever a save and a load would make of the member, whatever its class.

#include <memory>

namespace fw {

class Scene;
class SceneMember;
class SceneX;

class MemberCopy {
public:
    // The copy in `into`, under the member's name made unique there; null on failure.
    // Links by name are resolved once `into` runs its post-load step.
    static SceneMember* copy(SceneMember& member, SceneX& into);
    // The member and the image files, image maps, materials and profiles it refers to.
    static SceneMember* copyWithReferences(Scene& from, SceneMember& member, SceneX& into);
    // Only what the member refers to, leaving out what `into` holds under the same name
    // already; how many members were copied.
    static int copyReferences(Scene& from, SceneMember& member, SceneX& into);
    // Every member of `from`, kind by kind in the order a scene writes them.
    static void copyAll(Scene& from, SceneX& into);
};

}  // namespace fw
