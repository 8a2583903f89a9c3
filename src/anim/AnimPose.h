#pragma once
// A segment that holds a state of the track's elements.

#include <memory>

#include "anim/AnimPathAction.h"
#include "anim/AnimPoseSettings.h"
#include "anim/AnimTrackSegment.h"
#include "anim/AnimVis.h"
#include "scene/KeptLines.h"

namespace fw {

class AnimPose : public AnimTrackSegment {
public:
    explicit AnimPose(Scene& scene);
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "AnimPose"; }
    int segmentType() const override { return kPose; }
    void copyFrom(const AnimTrackSegment& other) override;

    double startCenter[3] = {0, 0, 0};
    double startBounds[6] = {0, 0, 0, 0, 0, 0};
    AnimPoseSettings settings;
    AnimPathAction action{AnimPathAction::kPoseNone};
    AnimVis vis;
    // The pose's warp belongs to the render effects, which cannot read it yet: its
    // block is kept as it came (null when the pose has none).
    std::unique_ptr<KeptLines> warp;
};

}  // namespace fw
