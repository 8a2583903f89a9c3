#pragma once
// How a pose arranges the track's elements: moved to the centre, spread, shuffled,
// distributed on a shape, randomised, moved, scaled and rotated.

#include "persistence/CommandEnabler.h"

namespace fw {

class AnimPoseSettings : public CommandEnabler {
public:
    enum Shape {
        kHorizontalLine,
        kVerticalLine,
        kDepthLine,
        kCircleX,
        kCircleY,
        kCircleZ,
        kFilledCircleX,
        kFilledCircleY,
        kFilledCircleZ,
        kSquareX,
        kSquareY,
        kSquareZ,
        kFilledSquareX,
        kFilledSquareY,
        kFilledSquareZ,
        kPushOut,
        kSpreadOnGround,
        kSpreadOnWall,
        kSphereVolume,
        kSphereShell,
        kCylinder,
        kShapeNone,
        kShapes
    };
    static const char* shapeName(int shape);
    static int shapeOf(const char* word);  // -1 for an unknown word

    enum Axis { kXAxis, kYAxis };
    enum Face {
        kFront,
        kFrontConstrained,
        kBack,
        kBackConstrained,
        kTopConstrained,
        kBottom,
        kBottomConstrained,
        kLeft,
        kLeftConstrained,
        kRight,
        kRightConstrained,
        kFaces
    };
    static const char* faceName(int face);
    static int faceOf(const char* word);  // -1 for an unknown word

    // "distributeParam2b" at or below this was not read: it is derived when the block ends.
    static constexpr double kNotSet = -10000.0;

    AnimPoseSettings();
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "AnimPoseSettings"; }
    void finishReading() override;
    // The second distribution angle: as read, or derived from the first when it never was.
    double effectiveParam2b() const;

    int versionMajor = 3, versionMinor = 0;
    bool moveToCenter = false;
    double spread = 0.0;
    int spreadXYZ[3] = {1, 1, 1};
    long shuffleSeed = 0;
    int shuffleType = 0;
    long distributeSeed = 0;
    int distributeType = kShapeNone;
    double distributeSize = 50.0;
    double distributeParam1 = 50.0;
    double distributeParam2 = 0.0;
    double distributeParam2b = kNotSet;
    int distributeMenu1 = kXAxis;
    int distributeMenu2 = kFront;
    int distributeCheck1 = 1;
    long randomizeSeed = 0;
    double randomizeDistance = 0.0;
    int randomizeXYZ[3] = {1, 1, 1};
    int moveXYZ = 0;
    double moveDistance = 0.0;
    double moveDirection[3] = {0, 0, 0};
    double moveDirectionVector[3] = {0, 0, -1};
    double localScale[3] = {100, 100, 100};   // percent
    double globalScale[3] = {100, 100, 100};  // percent
    double globalCenterRotation[3] = {0, 0, 0};  // degrees
    double localCenterRotation[3] = {0, 0, 0};   // degrees
};

}  // namespace fw
