#pragma once
// The user's settings of one cloth flag: its cloth, how it hangs, the wind, the pole and
// caps, the lead-in and looping. kxFlag is built from it.

#include <string>

#include "persistence/CommandEnabler.h"

namespace fw {

class FlagUnit : public CommandEnabler {
public:
    enum LockEdge { kEdgeNone = 1, kEdgeLeft, kEdgeRight, kEdgeTop, kEdgeBottom, kEdgeLeftRight, kEdgeTopBottom,
                    kEdgeAll, kEdgeCenter };
    enum LockPoints { kPointsNone = 1, kPointsEdge, kPointsCorners, kPointsCornersOneCenter,
                      kPointsCornersTwoCenters, kPointsTwoCenters };
    enum PoleType { kPoleNone = 1, kPoleCylinder, kPoleCube, kPolePlane };
    enum Collision { kCollisionNone = 1, kCollisionFast, kCollisionAccurate };

    static const char* lockEdgeName(int value);  // "Left" outside the list
    static int lockEdgeOf(const std::string& word);
    static const char* lockPointsName(int value);  // "Corners_One_Center" outside the list
    static int lockPointsOf(const std::string& word);
    static const char* poleTypeName(int value);  // "Cylinder" outside the list
    static int poleTypeOf(const std::string& word);
    static const char* collisionName(int value);  // "None" outside the list
    static int collisionOf(const std::string& word);
    // 1 "None", 2 "Ball", 3 and above a cap from the libraries.
    static int capStyleNumber(const std::string& style);

    // Sizes are in the simulation's units (gravity is 980 of them per second squared, so
    // think centimetres); the scale takes them into the scene.
    explicit FlagUnit(double width = 300.0, double height = 200.0, double scaleX = 0.01, double scaleY = 0.01);
    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "FlagUnit"; }

    // Frames simulated before frame 0.
    int leadInFrames() const { return preRollFrames; }

    std::string name;
    double width, height;
    double scaleX, scaleY;
    int nu = 21, nv = 21;
    int meshType = 1;
    int lockEdge = kEdgeLeft;
    int lockPoints = kPointsCornersOneCenter;
    double mass = 1.0;
    double edgeMassPercent = 90.0;
    double stretch = 1.0, bend = 1.0, shear = 1.0;
    double airFriction = 5.0;
    int accuracySteps = 12;
    int motionBlurPasses = 1;
    double sloMo = 1.0;
    double windVariation = 0.5;
    unsigned long windVariationSeed = 1;
    int useLocalForces = 0;
    std::string flagpoleName;
    int flagpoleNameIndex = -1;
    int showFlagpole = 1;
    int flagpoleType = kPoleCylinder;
    double flagpoleLength, flagpoleRadius;
    int showFlagpoleCap = 1;
    std::string topCapStyle = "Ball";
    double topCapScale = 1.0;
    std::string bottomCapStyle = "None";
    double bottomCapScale = 1.0;
    unsigned long speedGeneratorSeed = 1;
    int speedGeneratorType = 1;
    double preRollTime = 4.0;
    int preRollFrames = 120;
    int selfCollision = kCollisionNone;
    double flagNudge[3] = {0, 0, 0};
    double polePivot[3] = {0, 0, 0};
    int loopOn = 0, loopAnchor = 0, loopRepeat = 90, loopBlend = 15;
    double flatten = 0.0;

    // Not stored.
    double windDirection[3];
    double windStrength = 11.0;
    double gravity = -9.8;  // vertical acceleration
    double rate = 30.0;     // frames per second
    double stepLength = 1.0 / 30.0;

    // Largest grid, passes and lengths a file may ask for: together they bound the
    // time a damaged or hostile file can make the lead-in take.
    static constexpr int kMostParticlesAcross = 100;
    static constexpr int kMostPasses = 100;
    static constexpr int kMostLeadIn = 3000;  // frames: 100 seconds
    static constexpr int kMostFrames = 100000;
};

}  // namespace fw
