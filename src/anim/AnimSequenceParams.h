#pragma once
// The order and overlap in which a transition launches its elements, with gaps,
// clumps and the ease of each element's own progress.

#include "persistence/CommandEnabler.h"

namespace fw {

class AnimSequenceParams : public CommandEnabler {
public:
    // Stored by name, in this order.
    enum LaunchType {
        kBirth,
        kRevBirth,
        kRandom,
        kSelection,
        kRevSelection,
        kTopBottom,
        kBottomTop,
        kLeftRight,
        kRightLeft,
        kFrontBack,
        kBackFront,
        kInOut,
        kOutIn,
        kLaunchTypes
    };
    static const char* launchTypeName(int type);  // "Birth" for a value outside the list
    static int launchTypeOf(const char* word);    // kBirth for a word outside the list

    AnimSequenceParams();
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "AnimSequenceParams"; }

    int versionMajor = 3, versionMinor = 0;
    bool minimizeRotations = true;
    double blendingRange = 0.25;
    int launchType = kBirth;
    long launchSeed = 0;
    double overlap = 0.0;  // percent
    bool fragOverlapCheck = false;
    double fragOverlap = 0.0;
    double startGaps = 0.0;
    double endGaps = 0.0;
    double clumps = 0.0;
    double startEase = 0.0;
    double endEase = 0.0;
    double easeAmount = 50.0;
};

}  // namespace fw
