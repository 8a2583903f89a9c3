#pragma once
// The lines of freshly made animation records, written out by hand from their stored
// forms; blocks one level deep, as a stream writes a record given to it directly.

#include <string>

namespace fw::test {

inline const std::string kDefaultVis = " begin AnimVis\n  visType FadeOn\n  startTime 0.000000\n  endTime 0.000000\n end AnimVis\n";

inline const std::string kDefaultSmoothing =
    " begin AnimSmoothingParams\n  startSmooth 100.000000\n  endSmooth 100.000000\n end AnimSmoothingParams\n";

inline const std::string kDefaultSequence =
    " begin AnimSequenceParams\n  minimizeRotations 1\n  blendingRange 0.25\n  launchType \"Birth\"\n"
    "  launchSeed 0\n  overlap 0\n  fragOverlapCheck 0\n  fragOverlap 0\n  startGaps 0\n  endGaps 0\n"
    "  clumps 0\n  startEase 0\n  endEase 0\n  easeAmount 50\n end AnimSequenceParams\n";

inline const std::string kDefaultPath =
    " begin AnimPath\n  bowAmount 0.000000\n  bowAmount2 100.000000\n  bowAmountStyle \"same\"\n"
    "  bowAmountStyleSeed 0\n  bowCenter 0.000000\n  bowDirection 0.000000\n  bowDirection2 360.000000\n"
    "  bowDirectionStyle \"same\"\n  bowDirectionStyleSeed 0\n  startOvershoot 0.000000\n"
    "  endOvershoot 0.000000\n  startPinch 0.000000\n  endPinch 0.000000\n  twist 0.000000\n end AnimPath\n";

inline std::string defaultAction(const char* type) {
    return std::string(" begin AnimPathAction\n  actionType \"") + type +
           "\"\n  blendingRange 0.250000\n  randomSeed 0\n  startTime 0.000000\n  endTime 100.000000\n"
           "  amount1 0.000000\n  amount2 0.000000\n  amount3 0.000000\n  amount4 0.000000\n"
           "  amount5 0.000000\n  amount6 0.000000\n  amount7 0.000000\n  useCommonCenter 0\n"
           "  faceValue \"Front\"\n end AnimPathAction\n";
}

inline const std::string kDefaultPoseSettings =
    " begin AnimPoseSettings\n  moveToCenter \"false\"\n  spread 0.000000\n  spreadXYZ 1 1 1\n"
    "  shuffleSeed 0\n  shuffleType 0\n  distributeSeed 0\n  distributeType \"None\"\n"
    "  distributeSize 50.000000\n  distributeParam1 50.000000\n  distributeParam2 0.000000\n"
    "  distributeParam2b 360.000000\n  distributeMenu1 \"XAxis\"\n  distributeMenu2 \"Front\"\n"
    "  distributeCheck1 1\n  randomizeSeed 0\n  randomizeDistance 0.000000\n  randomizeXYZ 1 1 1\n"
    "  moveXYZ 0\n  moveDistance 0.000000\n  moveDirection 0.000000 0.000000 0.000000\n"
    "  moveDirectionVector 0.000000 0.000000 -1.000000\n  localScale 100.000000 100.000000 100.000000\n"
    "  globalScale 100.000000 100.000000 100.000000\n  globalCenterRotation 0.000000 0.000000 0.000000\n"
    "  localCenterRotation 0.000000 0.000000 0.000000\n end AnimPoseSettings\n";

inline std::string defaultChop(const char* enabled, const char* direction) {
    return std::string(" begin ChopParams\n  Enabled ") + enabled +
           "\n  NumSlices 3\n  CenterOffset 0 0 0\n  PositionOffsetStyle None\n  PositionOffset 0\n"
           "  PositionOffset2 0.25\n  PositionOffsetSeed 123\n  RotationOffsetStyle None\n  RotationOffset 0\n"
           "  RotationOffset2 45\n  RotationOffsetSeed 321\n  SliceSkip 0\n  SliceSkipSeed 231\n  Direction " +
           direction + "\n end ChopParams\n";
}

}  // namespace fw::test
