// A flag's settings as stored lines: every keyword, its words and its limits.
#include "flag/FlagUnit.h"

#include <gtest/gtest.h>

#include "MemoryStream.h"

namespace fw {
namespace {

using test::readLines;
using test::writtenBlock;

const char* const kDefaults =
    " begin FlagUnit\n  Name \"Flag1\"\n  Width 300\n  Height 200\n  ScaleX 0.01\n  ScaleY 0.01\n  Nu 21\n  Nv 21\n"
    "  MeshType 1\n  LockEdge Left\n  LockPoints Corners_One_Center\n  Mass 1\n  EdgeMassPercent 90\n  Stretch 1\n"
    "  Bend 1\n  Shear 1\n  AirFriction 5\n  AccuracySteps 12\n  MotionBlurPasses 1\n  SloMo 1\n  WindVariation 0.5\n"
    "  WindVariationSeed 1\n  UseLocalForces 0\n  FlagpoleName \"\"\n  FlagpoleNameIndex -1\n  ShowFlagpole 1\n"
    "  FlagpoleType Cylinder\n  FlagpoleLength 400\n  FlagpoleRadius 4\n  ShowFlagpoleCap 1\n"
    "  FlagpoleTopCapStyle \"Ball\"\n  FlagpoleTopCapScale 1\n  FlagpoleBottomCapStyle \"None\"\n"
    "  FlagpoleBottomCapScale 1\n  SpeedGeneratorSeed 1\n  SpeedGeneratorType 1\n  PreRollTime 4\n"
    "  PreRollFrames 120\n  SelfCollision None\n  FlagNudge 0 0 0\n  PolePivot 0 0 0\n  LoopOn 0\n  LoopAnchor 0\n"
    "  LoopRepeat 90\n  LoopBlend 15\n  Flatten 0\n end FlagUnit\n";

TEST(FlagUnit, FreshUnitWritesEveryLineWithItsDefault) {
    FlagUnit unit;
    unit.name = "Flag1";
    EXPECT_EQ(writtenBlock(unit), kDefaults);
    // The unstored wind: mostly along +x, a little back and up, at strength 11.
    EXPECT_NEAR(unit.windDirection[0], 0.9962, 1e-4);
    EXPECT_NEAR(unit.windDirection[1], 0.0076, 1e-4);
    EXPECT_NEAR(unit.windDirection[2], -0.0868, 1e-4);
    EXPECT_EQ(unit.windStrength, 11.0);
    EXPECT_EQ(unit.gravity, -9.8);
    EXPECT_DOUBLE_EQ(unit.stepLength, 1.0 / 30);
}

TEST(FlagUnit, EveryLineReadsBackByteForByte) {
    const std::string lines =
        "  Name \"Big \\\"One\\\"\"\n  Width 120.5\n  Height 80\n  ScaleX 0.02\n  ScaleY 0.03\n  Nu 31\n  Nv 9\n"
        "  MeshType 2\n  LockEdge Top_Bottom\n  LockPoints Two_Centers\n  Mass 2.5\n  EdgeMassPercent 60\n"
        "  Stretch 0.5\n  Bend 2\n  Shear 1.5\n  AirFriction 8\n  AccuracySteps 20\n  MotionBlurPasses 3\n"
        "  SloMo 0.5\n  WindVariation 0.25\n  WindVariationSeed 4294967295\n  UseLocalForces 1\n"
        "  FlagpoleName \"Pole A\"\n  FlagpoleNameIndex 3\n  ShowFlagpole 0\n  FlagpoleType Plane\n"
        "  FlagpoleLength 333\n  FlagpoleRadius 2.5\n  ShowFlagpoleCap 0\n  FlagpoleTopCapStyle \"Eagle\"\n"
        "  FlagpoleTopCapScale 1.5\n  FlagpoleBottomCapStyle \"Ball\"\n  FlagpoleBottomCapScale 0.5\n"
        "  SpeedGeneratorSeed 77\n  SpeedGeneratorType 2\n  PreRollTime 2\n  PreRollFrames 60\n"
        "  SelfCollision Accurate\n  FlagNudge 1 -2 0.5\n  PolePivot 0 10 -3\n  LoopOn 1\n  LoopAnchor 30\n"
        "  LoopRepeat 120\n  LoopBlend 20\n  Flatten 0.125\n end FlagUnit\n";
    FlagUnit unit;
    ASSERT_EQ(readLines(unit, lines), 0);
    EXPECT_EQ(unit.name, "Big \"One\"");
    EXPECT_EQ(unit.lockEdge, FlagUnit::kEdgeTopBottom);
    EXPECT_EQ(unit.lockPoints, FlagUnit::kPointsTwoCenters);
    EXPECT_EQ(unit.flagpoleType, FlagUnit::kPolePlane);
    EXPECT_EQ(unit.selfCollision, FlagUnit::kCollisionAccurate);
    EXPECT_EQ(FlagUnit::capStyleNumber(unit.topCapStyle), 3);
    EXPECT_EQ(FlagUnit::capStyleNumber(unit.bottomCapStyle), 2);
    EXPECT_EQ(unit.flagNudge[1], -2.0);
    EXPECT_EQ(writtenBlock(unit), " begin FlagUnit\n" + lines);
    FlagUnit again;
    ASSERT_EQ(readLines(again, writtenBlock(unit).substr(16)), 0);
    EXPECT_EQ(writtenBlock(again), writtenBlock(unit));
}

TEST(FlagUnit, WordsMapWithTheirFallbacksAndCountsStayInRange) {
    FlagUnit unit;
    const char* edges[] = {"None", "Left", "Right", "Top", "Bottom", "Left_Right", "Top_Bottom", "All", "Center"};
    for (int i = 0; i < 9; ++i) {
        ASSERT_EQ(readLines(unit, std::string("LockEdge ") + edges[i] + "\n"), 0);
        EXPECT_EQ(unit.lockEdge, i + 1);
        EXPECT_STREQ(FlagUnit::lockEdgeName(i + 1), edges[i]);
    }
    const char* points[] = {"None", "Edge", "Corners", "Corners_One_Center", "Corners_Two_Centers", "Two_Centers"};
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(readLines(unit, std::string("LockPoints ") + points[i] + "\n"), 0);
        EXPECT_EQ(unit.lockPoints, i + 1);
    }
    ASSERT_EQ(readLines(unit, "LockEdge Diagonal\nLockPoints Many\nFlagpoleType Rope\nSelfCollision Always\n"), 0);
    EXPECT_EQ(unit.lockEdge, FlagUnit::kEdgeLeft);
    EXPECT_EQ(unit.lockPoints, FlagUnit::kPointsCornersOneCenter);
    EXPECT_EQ(unit.flagpoleType, FlagUnit::kPoleCylinder);
    EXPECT_EQ(unit.selfCollision, FlagUnit::kCollisionNone);
    unit.lockEdge = 0;
    unit.lockPoints = 12;
    unit.selfCollision = 7;
    const std::string text = writtenBlock(unit);
    EXPECT_NE(text.find("  LockEdge Left\n  LockPoints Corners_One_Center\n"), std::string::npos);
    EXPECT_NE(text.find("  SelfCollision None\n"), std::string::npos);

    // An old file's diagonal line is taken and not written back.
    ASSERT_EQ(readLines(unit, "ShearLR 1\n"), 0);
    EXPECT_EQ(writtenBlock(unit), text);

    // Grids and runs a file asks for are held to what the program takes.
    ASSERT_EQ(readLines(unit, "Nu 5000000\nAccuracySteps 999\nPreRollFrames 99999\n"), 0);
    EXPECT_EQ(unit.nu, FlagUnit::kMostParticlesAcross);
    EXPECT_EQ(unit.accuracySteps, FlagUnit::kMostPasses);
    EXPECT_EQ(unit.preRollFrames, FlagUnit::kMostLeadIn);
    ASSERT_EQ(readLines(unit, "Nv 1\nAccuracySteps -4\nPreRollFrames -9\nLoopRepeat 0\n"), 0);
    EXPECT_EQ(unit.nv, 2);
    EXPECT_EQ(unit.accuracySteps, 0);
    EXPECT_EQ(unit.preRollFrames, 0);
    EXPECT_EQ(unit.loopRepeat, 1);
    EXPECT_EQ(readLines(unit, "Nu many\n"), -1);
    EXPECT_EQ(readLines(unit, "end FlagCluster\n"), -1);
}

}  // namespace
}  // namespace fw
