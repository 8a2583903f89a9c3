#pragma once
// Scenes for the animation tests: the factory set up as the program does, objects
// that stand in for the classes of later layers, and scene files in a temporary folder.

#include <glm/vec3.hpp>

#include "TempDir.h"
#include "anim/AnimClasses.h"
#include "anim/AnimPose.h"
#include "anim/AnimTrack.h"
#include "anim/AnimTransition.h"
#include "anim/ElementMotion.h"
#include "persistence/MemCmdIO.h"
#include "platform/MemoryBlock.h"
#include "scene/MemberFactory.h"
#include "scene/SceneFile.h"
#include "scene/SceneX.h"
#include "scene/StandInMember.h"

namespace fw::test {

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

// A segment of `length` frames from `start`, added at the end of the track.
template <class S>
S& addSegment(AnimTrack& track, int start, int length) {
    auto& segment = static_cast<S&>(*track.segments.emplace_back(std::make_unique<S>(track.scene())));
    segment.startFrame = start, segment.length = length;
    return segment;
}

// A title of letters 40 wide and 72 tall, the size a 72-point text gives, seven to a line and lines 90 apart.
inline std::vector<AnimElement> letters(int count) {
    std::vector<AnimElement> out(count);
    for (int i = 0; i < count; ++i) {
        const double c[3] = {(i % 7) * 50.0, -(i / 7) * 90.0, 0}, half[3] = {20, 36, 8};
        for (int a = 0; a < 3; ++a)
            out[i].center[a] = c[a], out[i].bounds[a] = c[a] - half[a], out[i].bounds[a + 3] = c[a] + half[a];
        out[i].creationIndex = i;
    }
    return out;
}

// Poses and transitions laid end to end, without stored smoothing: pose [0, 9], transition [10, 39], pose [40, 49], ...
struct Timeline {
    SceneX scene;
    AnimTrack track{scene, "letters"};
    std::vector<AnimPose*> poses;
    std::vector<AnimTransition*> transitions;
    explicit Timeline(int poseCount) {
        for (int k = 0, frame = 0; k < poseCount; ++k, frame += 40) {
            if (k > 0) transitions.push_back(&addSegment<AnimTransition>(track, frame - 30, 30));
            poses.push_back(&addSegment<AnimPose>(track, frame, 10));
        }
        for (AnimTransition* t : transitions) t->smoothing.startSmooth = t->smoothing.endSmooth = 0;
    }
    // The pose's elements moved `distance` along `direction`, or by (x, y).
    void move(int pose, double distance, glm::dvec3 direction) {
        poses[pose]->settings.moveDistance = distance;
        for (int a = 0; a < 3; ++a) poses[pose]->settings.moveDirectionVector[a] = direction[a];
    }
    void move(int pose, double x, double y) { move(pose, std::hypot(x, y), {x, y, 0}); }
    // One cache per element on the segment.
    std::vector<AnimElementCache*> caches(AnimTrackSegment& segment, size_t count) {
        std::vector<AnimElementCache*> out;
        for (size_t i = 0; i < count; ++i)
            out.push_back(segment.caches.emplace_back(std::make_unique<AnimElementCache>(scene)).get());
        return out;
    }
    // Element i's offset from its rest place at `time`.
    glm::dvec3 offset(const std::vector<AnimElement>& el, double time, size_t i) {
        const glm::dvec3 c(el[i].center[0], el[i].center[1], el[i].center[2]);
        return glm::dvec3(evaluateTrack(track, time, el)[i].matrix * glm::dvec4(c, 1.0)) - c;
    }
};

}  // namespace fw::test
