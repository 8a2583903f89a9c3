#pragma once
// A continuous action an element performs while it moves (transitions) or while a
// pose lasts: spinning, tumbling, wandering, rolling or crawling titles.

#include "persistence/CommandEnabler.h"

namespace fw {

class AnimPathAction : public CommandEnabler {
public:
    enum ActionType {
        kPitch,
        kSpin,
        kTwirl,
        kFreeTumble,
        kFollow2D,
        kFollow3D,
        kFollow3DTwirl,
        kFaceCamera,
        kPoseTitleRollUp,
        kPoseTitleRollDown,
        kPoseTitleCrawlRight,
        kPoseTitleCrawlLeft,
        kPosePitch,
        kPoseSpin,
        kPoseTwirl,
        kPoseFreeTumble,
        kPoseWander,
        kPoseFreeWander,
        kPoseFreeWanderTumble,
        kPoseFreeWanderTumble2,
        kPathWander,
        kPathFreeWander,
        kPathFreeWanderTumble,
        kPathFreeWanderTumble2,
        kPoseNone,
        kNone,
        kActionTypes
    };
    static const char* actionName(int type);  // "None" outside the list
    static int actionOf(const char* word);    // -1 for an unknown word

    enum Face { kFront, kBack, kTop, kBottom, kLeft, kRight };
    static const char* faceName(int face);

    // A pose's action defaults to "PoseNone", a transition's to "None".
    explicit AnimPathAction(int defaultType = kNone);
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "AnimPathAction"; }

    int versionMajor = 3, versionMinor = 0;
    int actionType = kNone;
    double blendingRange = 0.25;
    long randomSeed = 0;
    double startTime = 0.0;  // percent of the element's progress
    double endTime = 100.0;
    double amount[7] = {0, 0, 0, 0, 0, 0, 0};  // "amount1".."amount7"
    bool useCommonCenter = false;
    int faceValue = kFront;
};

}  // namespace fw
