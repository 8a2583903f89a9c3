#pragma once
// Scenes for the animation tests: the factory set up as the program does, objects
// that stand in for the classes of later layers, and scene files in a temporary folder.

#include <algorithm>
#include <string>
#include <vector>

#include "TempDir.h"
#include "anim/AnimClasses.h"
#include "anim/ElementMotion.h"
#include "persistence/MemCmdIO.h"
#include "platform/MemoryBlock.h"
#include "scene/MemberFactory.h"
#include "scene/SceneFile.h"
#include "scene/SceneX.h"
#include "scene/StandInMember.h"

namespace fw::test {

inline void registerForAnimTests() {
    registerSceneClasses();
    registerAnimClasses();
    StandInMember::registerMissing();
}

// An object of the scene (a kept primitive block naming it), owned by the scene.
inline SceneMember* addObject(SceneX& scene, const std::string& name) {
    auto* object = new StandInMember(scene, kObjectKind, "ObjectP", nullptr);
    std::string text = "   name \"" + name + "\"\n  end ObjectP\n**EndOfStream**\n";
    MemoryBlock block(text.size());
    std::copy(text.begin(), text.end(), block.lock());
    block.unlock();
    MemCmdIO io(&scene);
    io.attachInput(block);
    object->readBlock(io);
    return object;
}

// The scene as a scene file holds it.
inline std::string savedScene(SceneX& scene, const TempDir& dir, const std::string& name = "saved.scene") {
    std::string error;
    if (!SceneFile::save(scene, dir.file(name), error)) return "save failed: " + error;
    return readFile(dir.file(name));
}

inline SceneFile::Loaded loadText(const TempDir& dir, const std::string& text, const std::string& name = "in.scene") {
    writeFile(dir.file(name), text);
    return SceneFile::load(dir.file(name));
}

// A title of letters 40 wide and 72 tall, the size a 72-point text gives, seven to a
// line and lines 90 apart.
inline std::vector<AnimElement> letters(int count) {
    std::vector<AnimElement> out(count);
    for (int i = 0; i < count; ++i) {
        const double c[3] = {(i % 7) * 50.0, -(i / 7) * 90.0, 0}, half[3] = {20, 36, 8};
        for (int a = 0; a < 3; ++a) {
            out[i].center[a] = c[a];
            out[i].bounds[a] = c[a] - half[a];
            out[i].bounds[a + 3] = c[a] + half[a];
        }
        out[i].creationIndex = i;
    }
    return out;
}

}  // namespace fw::test
