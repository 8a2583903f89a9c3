#pragma once
// Animates one scene node, or a set of associated objects, over a timeline of poses
// and transitions.

#include <memory>
#include <vector>

#include "anim/AnimTrackSegment.h"
#include "scene/SceneMember.h"

namespace fw {

class AnimTrack : public SceneMember {
public:
    enum TrackType { kObjectTrack, kCameraTrack, kLightTrack, kWarpTrack };
    enum AnimType { kPerTrack = 1, kPerSegment = 2 };

    static const char* trackTypeName(int type);  // "object" outside the four types

    AnimTrack(Scene& scene, const char* name);
    ~AnimTrack() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "AnimTrack"; }
    void registerCommands() override;
    // The track; a per-segment track also every member its segments' caches name.
    void markUsed() override;

    // The segment that owns `frame` for editing (a transition answers the pose it
    // leaves); null when the track has none or is locked.
    AnimTrackSegment* segmentForEditing(int frame);
    // The segment that stands for `time` when evaluating.
    AnimTrackSegment* segmentAt(double time);
    // The matrix of the node the segment at `time` was authored under; identity when none.
    glm::dmat4 parentMatrixAt(double time);
    // Removes a segment; the others keep their frames. A locked track refuses (false).
    bool removeSegment(AnimTrackSegment* segment);
    // A locked track still plays; it only refuses edits.
    bool locked() const { return lock == 0; }

    int trackType = kObjectTrack;
    int vis = 0;   // 0 on, 1 off
    int solo = 1;  // 0 on, 1 off, 2 ghost
    int lock = 1;  // 0 on, 1 off
    int animType = kPerTrack;
    NameReference trackNode;
    std::vector<NameReference> associatedObjects;
    std::vector<std::unique_ptr<AnimTrackSegment>> segments;
};

// A time in frames as a frame: truncated toward zero.
inline int frameOfTime(double time) { return static_cast<int>(time); }

}  // namespace fw
