#pragma once
// A span of a track's timeline: a pose (holds a state) or a transition (moves the
// elements from the pose before it to the pose after it). The base keeps the frames,
// the node the segment was authored under, and the segment's elements.

#include <glm/mat4x4.hpp>
#include <memory>
#include <string>
#include <vector>

#include "anim/AnimElementCache.h"
#include "anim/AnimGroup.h"
#include "persistence/CommandEnabler.h"
#include "scene/FragmentationParams.h"
#include "scene/NameReference.h"

namespace fw {

class Scene;

class AnimTrackSegment : public CommandEnabler {
public:
    enum SegmentType { kPose = 0, kTransition = 1 };

    explicit AnimTrackSegment(Scene& scene);
    ~AnimTrackSegment() override;

    int writeCommands(CommandIO& io) override;
    const char* className() const override { return "AnimTrackSegment"; }
    // The base's keywords; each concrete class registers them again with its own.
    void registerCommands();

    // Frames, flags, parent reference and matrix, fragmentation, groups and caches.
    virtual void copyFrom(const AnimTrackSegment& other);
    virtual int segmentType() const = 0;
    // The element cache at `index`, or null when out of range.
    AnimElementCache* elementCache(int index);

    Scene& scene() const { return *scene_; }
    int lastFrame() const { return startFrame + length - 1; }
    bool covers(int frame) const { return frame >= startFrame && frame <= lastFrame(); }

    bool changed = false;
    int startFrame = 0;
    int length = 1;
    NameReference parentNode;
    bool parentFlag = false;
    glm::dmat4 parentMatrix{1.0};  // stored row after row
    FragmentationParams fragmentation;
    std::vector<std::unique_ptr<AnimGroup>> groups;
    std::vector<std::unique_ptr<AnimElementCache>> caches;
    // A segment made while a track is read starts at 3.0 until its own line is read.
    int versionMajor = 3, versionMinor = 0;
    std::string description;

    // "begin" of the blocks every segment holds: fragmentation, groups and caches.
    // 0 when the block was taken, 1 when the class is not one of them.
    int beginBaseBlock(CommandIO& io, const char* className);

private:
    Scene* scene_;
};

// The version rule of stored animation data: up to 5.5 is accepted. False (and the
// parts left alone) for 5.6, 6.0 and later.
bool acceptAnimVersion(double value, int& major, int& minor);

}  // namespace fw
