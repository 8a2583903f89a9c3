// The stored form of gradient and glint units, and how a gradient unit lays its
// gradient over the unit square.
#include <gtest/gtest.h>

#include "BlockFile.h"
#include "TempDir.h"
#include "surface/GlintUnit.h"
#include "surface/GradientUnit.h"

namespace fw {
namespace {

TEST(GradientUnit, DefaultBlockAndModeNamesAreWrittenByteForByte) {
    GradientUnit unit;
    test::TempDir dir;
    EXPECT_EQ(test::writeBlockFile(unit, dir.file("u.txt")),
              " begin GradientUnit\n  Name \"GradientUnit\"\n  begin Gradient\n   Type \"Linear\"\n"
              "   InterpType \"RGB\"\n   InterpSmoothness 0.000000\n  end Gradient\n  TargetType \"Alpha\"\n"
              "  TargetProcessing \"None\"\n  TargetBrightCutoff 1.000000\n  TargetDarkCutoff 0.250000\n"
              "  TargetThickness 1.000000\n  TargetFeather 0.000000\n  TargetSizeH 150.000000\n"
              "  TargetSizeV 150.000000\n  TargetShear 0.000000\n  TargetPosition 0.500000 0.500000\n"
              "  TargetShowTarget 0\n  StartPosition 0.250000 0.500000\n  Size 100.000000\n  Rotation 0.000000\n"
              "  Angle 360.000000\n  Stretch 100.000000\n  OuterEdges \"Repeat\"\n  ScaleRepeats 100.000000\n"
              "  AsymDirection 135.000000\n  AsymAmount 0.000000\n  Flip 0\n  Shift 0.000000\n  Oversampling 0\n"
              "  Boost 0.000000\n  TransferMode \"Normal\"\n  CompositeOnOriginal 0\n"
              " end GradientUnit\n");
    // Transfer modes are numbered the unit's own way; unknown numbers write the defaults.
    unit.transferMode = 5;
    EXPECT_NE(test::writeBlockFile(unit, dir.file("u.txt")).find("  TransferMode \"Add\"\n"), std::string::npos);
    unit.transferMode = 42;
    unit.outerEdges = 0;
    unit.targetType = 9;
    std::string bytes = test::writeBlockFile(unit, dir.file("u.txt"));
    EXPECT_NE(bytes.find("  TransferMode \"Normal\"\n"), std::string::npos);
    EXPECT_NE(bytes.find("  OuterEdges \"Repeat\"\n"), std::string::npos);
    EXPECT_NE(bytes.find("  TargetType \"Alpha\"\n"), std::string::npos);
}

TEST(GlintUnit, EveryFieldSurvivesTheStoredForm) {
    GlintUnit g;
    g.name = "Sparkle \"A\"";
    g.targetType = GlintUnit::kTargetSquareAlpha;
    g.targetProcessing = GlintUnit::kProcessOuterGlow;
    g.targetFeather = 3.5;
    g.targetPosition[1] = 0.125;
    g.targetShowTarget = true;
    for (int n = 0; n < 3; ++n) {
        g.glintPosition[n][0] = 0.125 * (n + 1);
        g.glintSize[n] = 50.0 + n;
        g.glintAngle[n] = -10.0 * n;
        g.glintFrame0Angle[n] = 5.0 + n;
    }
    g.glintWipeType = GlintUnit::kWipeOffOn;
    g.glintWipeFeather = 0.5;
    g.applyGradient = GlintUnit::kApplyOneTwoThree;
    g.glintGradient.addColorStop(0.2, kxColor::fromRGB(100, 200, 300));
    g.glintGradientFlip = true;
    g.glintGradientOversampling = 3;
    g.gradientBoost = 12.5;
    g.reactImageName = "ImageMap.2";
    g.reactImageInvertMap = true;
    g.reactImageCenter[0] = 0.75;
    g.reactImageScale = 2;
    g.reactImageRotation = 45;
    g.reactImageSensitivity = 0.3;
    g.displaceImageName = "Displace";
    g.displaceImageCenter[1] = 0.2;
    g.displaceImageScale = 0.5;
    g.displaceImageRotation = 90;
    g.displaceHDepth = 4;
    g.displaceVDepth = 6;
    g.gradientTransferMode = GlintUnit::kScreen;
    g.applyBloom = GlintUnit::kApplyOneTwo;
    g.bloomColorFrom = GlintUnit::kFromBloomGradient;
    g.bloomColor[2] = 0.25;
    g.bloomGradient.addOpacityStop(0.5, 0.5);
    g.bloomGradientFlip = true;
    g.bloomGradientOversampling = 2;
    g.bloomSize = 40;
    g.bloomSoftness = 0.1;
    g.bloomBoost = 7;
    g.bloomTransferMode = GlintUnit::kMagicGlue3;
    g.showEffectOnly = true;

    test::TempDir dir;
    std::string bytes = test::writeBlockFile(g, dir.file("g.txt"));
    for (const char* line : {"  Name \"Sparkle \\\"A\\\"\"\n", "  begin Gradient\n", "  end BloomGradient\n",
                             "  Glint3Frame0Angle 7.000000\n", "  GlintWipeType \"WipeOffOn\"\n",
                             "  ApplyBloom \"OneTwo\"\n", "  BloomColorFrom \"BloomGradient\"\n",
                             "  BloomTransferMode \"MagicGlue3\"\n", "  ShowEffectOnly 1\n"})
        EXPECT_NE(bytes.find(line), std::string::npos) << line;
    // The bloom gradient follows the glint gradient, and the target lines follow both.
    EXPECT_LT(bytes.find("begin BloomGradient"), bytes.find("TargetType"));
    EXPECT_LT(bytes.find("end Gradient"), bytes.find("begin BloomGradient"));

    GlintUnit back;
    ASSERT_EQ(test::readInto(back, dir.file("g.txt")), 0);
    EXPECT_TRUE(back == g);
    EXPECT_EQ(test::writeBlockFile(back, dir.file("again.txt")), bytes);
}

TEST(GlintUnit, DefaultsAndUnknownNames) {
    GlintUnit g;
    EXPECT_EQ(g.name, "GlintUnit");
    EXPECT_EQ(g.applyGradient, GlintUnit::kApplyOne);
    EXPECT_EQ(g.bloomColorFrom, GlintUnit::kFromColor);
    EXPECT_DOUBLE_EQ(g.bloomSoftness, 0.8);
    test::TempDir dir;
    ASSERT_EQ(test::readTextInto(g, dir.file("g.txt"),
                                 "begin GlintUnit\n ApplyGradient \"Most\"\n BloomColorFrom \"Paint\"\n"
                                 " TargetProcessing \"Blur\"\n Glint2Size 12\nend GlintUnit\n"),
              0);
    EXPECT_EQ(g.applyGradient, GlintUnit::kApplyNone);
    EXPECT_EQ(g.bloomColorFrom, GlintUnit::kFromColor);
    EXPECT_EQ(g.targetProcessing, GlintUnit::kProcessNone);
    EXPECT_DOUBLE_EQ(g.glintSize[1], 12.0);
}

TEST(GradientUnit, LaysTheGradientOutFromItsStartPosition) {
    GradientUnit unit;  // starts at u = 0.25; Size 100 spans half the square
    unit.gradient.addColorStop(0.0, kxColor::fromRGB(0, 0, 0));
    unit.gradient.addColorStop(1.0, kxColor::fromRGB(65535, 65535, 65535));
    EXPECT_NEAR(unit.parameter(0.25, 0.9), 0.0, 1e-12);
    EXPECT_NEAR(unit.parameter(0.5, 0.1), 0.5, 1e-12);
    EXPECT_NEAR(unit.colorAt(0.5, 0.5).r, 0.5, 1e-6);
    EXPECT_NEAR(unit.colorAt(1.0, 0.5).r, 0.5, 1e-6);  // t = 1.5 repeats
    unit.outerEdges = Gradient::kNone;
    EXPECT_EQ(unit.colorAt(1.0, 0.5).a, 0.0f);
    unit.flip = true;
    unit.outerEdges = Gradient::kClamp;
    EXPECT_NEAR(unit.colorAt(0.375, 0.5).r, 0.75, 1e-6);
    unit.flip = false;
    unit.rotation = 90;  // the gradient now runs up the square
    EXPECT_NEAR(unit.parameter(0.25, 1.0), 1.0, 1e-12);
    unit.rotation = 0;
    unit.gradient.type = Gradient::kCircle;
    EXPECT_NEAR(unit.parameter(0.25, 0.0), 1.0, 1e-12);
    EXPECT_NEAR(unit.parameter(0.0, 0.5), 0.5, 1e-12);
    unit.gradient.type = Gradient::kRadial;
    unit.angle = 180;
    EXPECT_NEAR(unit.parameter(0.25, 0.75), 0.5, 1e-12);  // a quarter turn of a half-turn sweep
}

}  // namespace
}  // namespace fw
