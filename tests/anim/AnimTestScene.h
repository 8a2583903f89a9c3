#pragma once
// Scenes for the animation tests: the factory set up as the program does, objects
// that stand in for the classes of later layers, and scene files in a temporary folder.

#include <algorithm>
#include <string>

#include "TempDir.h"
#include "anim/AnimClasses.h"
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

// Every line of `text` moved `spaces` deeper.
inline std::string indented(const std::string& text, int spaces) {
    std::string out, pad(spaces, ' ');
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        out += pad + text.substr(start, end - start);
        start = end;
    }
    return out;
}

}  // namespace fw::test
