#pragma once
// A segment that carries the elements from the pose before it to the pose after it,
// each inside its own window of the transition's time.

#include <memory>
#include <vector>

#include "anim/AnimPath.h"
#include "anim/AnimPathAction.h"
#include "anim/AnimSequenceParams.h"
#include "anim/AnimSmoothingParams.h"
#include "anim/AnimTrackSegment.h"
#include "anim/AnimVis.h"
#include "anim/EaseCurve.h"
#include "scene/KeptLines.h"

namespace fw {

class AnimTransition : public AnimTrackSegment {
public:
    explicit AnimTransition(Scene& scene);
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "AnimTransition"; }
    int segmentType() const override { return kTransition; }
    void copyFrom(const AnimTrackSegment& other) override;

    std::vector<int> launchOrder;  // per element: its launch position, -1 for none
    bool doAutoSmooth = false;
    AnimPath path;
    AnimSmoothingParams smoothing;
    AnimSequenceParams sequence;
    AnimPathAction action{AnimPathAction::kNone};
    AnimVis vis;
    // A warp track's transition carries a warp record instead of an action and a fade.
    std::unique_ptr<KeptLines> warp;

    // Not stored: built when the transition is prepared (ElementWindows, EaseCurve).
    EaseCurve ease;
    std::vector<double> windowStart, windowEnd;
};

}  // namespace fw
