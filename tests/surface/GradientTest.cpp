// Gradients: stops, their interpolation and stored form; gradient and glint units.
#include "surface/Gradient.h"

#include "BlockFile.h"
#include "TempDir.h"
#include "TestImages.h"
#include "surface/GlintUnit.h"
#include "surface/GradientLibrary.h"
#include "surface/GradientUnit.h"

namespace fw {
namespace {

const kxColor kRed = kxColor::fromRGB(65535, 0, 0);
const kxColor kGreen = kxColor::fromRGB(0, 65535, 0);
const kxColor kBlue = kxColor::fromRGB(0, 0, 65535);

Gradient twoStops(const kxColor& a, const kxColor& b, int interp = Gradient::kRGB) {
    Gradient g;
    g.interpType = interp;
    g.addColorStop(0.0, a);
    g.addColorStop(1.0, b);
    return g;
}

TEST(Gradient, LookupsFollowTheStopsEdgeModesMidpointsSmoothingOpacityAndInterpolation) {
    Gradient g;
    test::expectColour(g.lookup(0.5), {});
    g.addColorStop(0.4, kxColor::fromRGB(65535, 32768, 0));
    for (double x : {-3.0, 0.0, 0.4, 0.7, 1.0, 5.5})
        for (int edges : {Gradient::kRepeat, Gradient::kMirror, Gradient::kClamp})
            test::expectColour(g.lookup(x, edges), {1, 32768 / 65535.0f, 0, 1});
    g = twoStops(kRed, kBlue);
    // Below the first stop and at or past the last, the end colours hold.
    for (double t : {-0.5, 0.0, 0.1, 0.25, 0.5, 0.8, 0.999, 1.0})
        test::expectColour(g.lookup(t), {1 - float(std::clamp(t, 0.0, 1.0)), 0, float(std::clamp(t, 0.0, 1.0)), 1});
    // Repeat keeps the end of each period, mirror reverses.
    for (double x : {1.0, 2.0, 7.0}) EXPECT_EQ(g.lookup(x, Gradient::kRepeat), g.lookup(0.9999)) << x;
    for (auto [x, edges, same] : {std::tuple{1.25, Gradient::kRepeat, 0.25}, {-0.75, Gradient::kRepeat, 0.25},
                                  {1.25, Gradient::kMirror, 0.75}, {2.25, Gradient::kMirror, 0.25},
                                  {1.5, Gradient::kClamp, 1.0}})
        EXPECT_EQ(g.lookup(x, edges), g.lookup(same)) << x << ", edges " << edges;
    g.colorStops[0].midPoint = 0.25;
    test::expectColour(g.lookup(0.25), {0.5, 0, 0.5, 1});     // the mean sits at the midpoint
    test::expectColour(g.lookup(0.625), {0.25, 0, 0.75, 1});  // halfway from the mean to the end
    g.colorStops[0].midPoint = 0.5;
    g.interpSmoothness = 1.0;
    const float s = 3 * 0.0625 - 2 * 0.015625;  // smooth step at 0.25
    test::expectColour(g.lookup(0.25), {1 - s, 0, s, 1});
    g.addOpacityStop(0.0, 1.0);
    g.addOpacityStop(1.0, 0.0);
    EXPECT_NEAR(g.lookup(0.125).a, 1 - 3 * 0.015625 + 2 * 0.001953125, 1e-4);  // smoothed alike
    Gradient alphaOnly;
    alphaOnly.addOpacityStop(0.5, 0.5);
    test::expectColour(alphaOnly.lookup(0.9), {0, 0, 0, 0.5}, 1e-5);  // a 16-bit opacity
    // Red (hue 0) to blue (hue 2/3): HSV goes straight through green, the colour wheel back through magenta (16-bit
    // hues put the halfway hue half a step off). Special RGB keeps the stops' brightness where plain RGB halves it.
    test::expectColour(twoStops(kRed, kBlue, Gradient::kHSV).lookup(0.5), {0, 1, 0, 1}, 1e-4);
    test::expectColour(twoStops(kRed, kBlue, Gradient::kColorWheel).lookup(0.5), {1, 0, 1, 1}, 1e-4);
    test::expectColour(twoStops(kRed, kGreen).lookup(0.5), {0.5, 0.5, 0, 1});
    test::expectColour(twoStops(kRed, kGreen, Gradient::kSpecialRGB).lookup(0.5), {1, 1, 0, 1});
}

// Older files store stops out of order and with plain colours.
TEST(Gradient, SixteenBitColorsSurviveTheStoredFormAndOlderFilesAreRead) {
    Gradient g;
    g.type = Gradient::kTriangle;
    g.interpType = Gradient::kColorWheel;
    g.interpSmoothness = 0.125;
    g.colorStops = {ColorStop(0.25, kxColor::fromRGB(1, 65535, 12345), 0.3),
                    ColorStop(0.75, kxColor::fromHSV(40000, 30001, 65535), 0.6)};  // each written in its own mode
    g.addOpacityStop(0.5, 1.0, 0.4);
    // The block's layout is resaved from the conformance scene; HSV stops and these names are not in it.
    test::TempDir dir;
    std::string bytes = test::writeBlockFile(g, dir.file("g.txt"));
    for (const char* line : {"  Type \"Triangle\"\n  InterpType \"Color Wheel\"\n", "   RGBColor 1 65535 12345\n",
                             "   HSVColor 40000 30001 65535\n"})
        EXPECT_NE(bytes.find(line), std::string::npos) << line;
    Gradient back;
    ASSERT_EQ(test::readInto(back, dir.file("g.txt")), 0);
    EXPECT_EQ(back, g);  // every component of every stop
    EXPECT_EQ(test::writeBlockFile(back, dir.file("again.txt")), bytes);
    g = Gradient();
    g.interpType = Gradient::kHSV;
    ASSERT_EQ(test::readTextInto(g, dir.file("old.txt"),
                                 "begin Gradient\n InterpType \"Nonsense\"\n"
                                 " begin ColorStop\n Color 65535 0 0\n Position 0.9\n end ColorStop\n"
                                 " begin ColorStop\n Color 0 0.5 1\n Position 0.1\n end ColorStop\nend Gradient\n"), 0);
    EXPECT_EQ(g.interpType, Gradient::kRGB);  // an unknown name reads as the default
    ASSERT_EQ(g.colorStops.size(), 2u);
    EXPECT_EQ(std::tuple(g.colorStops[0].position, g.colorStops[0].color.green, g.colorStops[1].color.red),
              std::tuple(0.1, 32768, 65535));
    Gradient bad;  // the reader's message for an unknown block is the command stream's (tests/persistence)
    EXPECT_EQ(test::readTextInto(bad, dir.file("bad.txt"), "begin Gradient\n begin Stop\nend Gradient\n"), -1);
}

TEST(kxColor, ConversionsRoundTripWithinTheHuesPrecision) {
    // A 16-bit hue is exact to 1/65536 of a turn, up to three steps of a component.
    for (auto rgb : {std::array<uint16_t, 3>{65535, 0, 0}, {1234, 50000, 65535}, {30000, 30000, 30000},
                     {0, 0, 0}, {65535, 65535, 1}}) {
        kxColor c = kxColor::fromRGB(rgb[0], rgb[1], rgb[2]);
        kxColor back = kxColor::fromHSV(c.hue, c.saturation, c.value);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR((std::array{back.red, back.green, back.blue}[k]), rgb[k], 3) << k;
    }
    EXPECT_EQ(kxColor::fromRGB(0, 0, 65535).hue, 43691);
}

TEST(GlintUnit, EveryFieldSurvivesTheStoredForm) {
    GlintUnit g;
    g.name = "Sparkle \"A\"";
    g.targetType = GlintUnit::kTargetSquareAlpha, g.targetProcessing = GlintUnit::kProcessOuterGlow;
    g.targetFeather = 3.5, g.targetPosition[1] = 0.125, g.targetShowTarget = true;
    for (int n = 0; n < 3; ++n) {
        g.glintPosition[n][0] = 0.125 * (n + 1), g.glintSize[n] = 50.0 + n;
        g.glintAngle[n] = -10.0 * n, g.glintFrame0Angle[n] = 5.0 + n;
    }
    g.glintWipeType = GlintUnit::kWipeOffOn, g.glintWipeFeather = 0.5;
    g.applyGradient = GlintUnit::kApplyOneTwoThree;
    g.glintGradient.addColorStop(0.2, kxColor::fromRGB(100, 200, 300));
    g.glintGradientFlip = true, g.glintGradientOversampling = 3, g.gradientBoost = 12.5;
    g.reactImageName = "ImageMap.2", g.reactImageInvertMap = true, g.reactImageCenter[0] = 0.75;
    g.reactImageScale = 2, g.reactImageRotation = 45, g.reactImageSensitivity = 0.3;
    g.displaceImageName = "Displace", g.displaceImageCenter[1] = 0.2, g.displaceImageScale = 0.5;
    g.displaceImageRotation = 90, g.displaceHDepth = 4, g.displaceVDepth = 6;
    g.gradientTransferMode = GlintUnit::kScreen;
    g.applyBloom = GlintUnit::kApplyOneTwo, g.bloomColorFrom = GlintUnit::kFromBloomGradient;
    g.bloomColor[2] = 0.25;
    g.bloomGradient.addOpacityStop(0.5, 0.5);
    g.bloomGradientFlip = true, g.bloomGradientOversampling = 2;
    g.bloomSize = 40, g.bloomSoftness = 0.1, g.bloomBoost = 7;
    g.bloomTransferMode = GlintUnit::kMagicGlue3;
    g.showEffectOnly = true;
    test::TempDir dir;
    std::string bytes = test::writeBlockFile(g, dir.file("g.txt"));
    for (const char* line : {"  Name \"Sparkle \\\"A\\\"\"\n", "  Glint3Frame0Angle 7.000000\n",
                             "  GlintWipeType \"WipeOffOn\"\n", "  ApplyBloom \"OneTwo\"\n",
                             "  BloomColorFrom \"BloomGradient\"\n", "  BloomTransferMode \"MagicGlue3\"\n"})
        EXPECT_NE(bytes.find(line), std::string::npos) << line;
    // The bloom gradient follows the glint gradient, and the target lines follow both.
    EXPECT_LT(bytes.find("begin BloomGradient"), bytes.find("TargetType"));
    EXPECT_LT(bytes.find("end Gradient"), bytes.find("begin BloomGradient"));
    GlintUnit back;
    ASSERT_EQ(test::readInto(back, dir.file("g.txt")), 0);
    EXPECT_TRUE(back == g);
    EXPECT_EQ(test::writeBlockFile(back, dir.file("again.txt")), bytes);
    // Names it does not know read as the defaults, not as the values held before.
    ASSERT_EQ(test::readTextInto(back, dir.file("g.txt"),
                                 "begin GlintUnit\n ApplyGradient \"Most\"\n BloomColorFrom \"Paint\"\n"
                                 " TargetProcessing \"Blur\"\n Glint2Size 12\nend GlintUnit\n"), 0);
    EXPECT_EQ(std::tuple(back.applyGradient, back.bloomColorFrom, back.targetProcessing, back.glintSize[1]),
              std::tuple(GlintUnit::kApplyNone, GlintUnit::kFromColor, GlintUnit::kProcessNone, 12.0));
}

TEST(GradientUnit, LaysTheGradientOutFromItsStartPositionAndWritesItsModesByName) {
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
    // The block is resaved byte for byte from the conformance scene, every field away from its default, its modes by
    // name; here the numbers it has no name for.
    unit.transferMode = 42;
    unit.outerEdges = 0;
    unit.targetType = 9;
    test::TempDir dir;
    std::string bytes = test::writeBlockFile(unit, dir.file("u.txt"));
    for (const char* line : {"  TransferMode \"Normal\"\n", "  OuterEdges \"Repeat\"\n", "  TargetType \"Alpha\"\n"})
        EXPECT_NE(bytes.find(line), std::string::npos) << line;
}

GradientUnit sample(const char* name, uint16_t red) {
    GradientUnit unit(name);
    unit.gradient.addColorStop(0.0, kxColor::fromRGB(red, 0, 0));
    unit.gradient.addColorStop(1.0, kxColor::fromRGB(0, 0, 65535));
    unit.size = 42;
    return unit;
}

TEST(GradientLibrary, SavedPresetsComeBackLazilyInIndexOrderAndAreReplacedOrRemovedInPlace) {
    test::TempDir dir;
    std::string folder = dir.file(GradientLibrary::kFolderName);
    GradientLibrary lib(GradientLibrary::kPresets, folder);
    std::string message;
    ASSERT_TRUE(lib.load(message));  // no folder yet: an empty library
    EXPECT_EQ(lib.count(), 0);
    ASSERT_TRUE(lib.save("Sunset", sample("Sunset", 65535), message)) << message;
    ASSERT_TRUE(lib.save("Dusk", sample("Dusk", 1000), message)) << message;
    EXPECT_EQ(test::readFile(folder + "/Gradientforge Gradient Presets.idx"), "Sunset\nDusk\n");
    std::string preset = test::readFile(folder + "/Sunset.kgp");
    EXPECT_EQ(preset.rfind(" Version \"Gradientforge Version 1.0\"\n begin GradientUnit\n  Name \"Sunset\"\n", 0), 0u)
        << preset;
    GradientLibrary again(GradientLibrary::kPresets, folder);
    ASSERT_TRUE(again.load(message));
    ASSERT_EQ(again.count(), 2);
    EXPECT_EQ(again.entryName(1), "Dusk");
    GradientUnit* dusk = again.unit(1, message);
    ASSERT_NE(dusk, nullptr) << message;
    EXPECT_EQ(std::pair(again.isLoaded(0), again.isLoaded(1)), std::pair(false, true));  // only what was asked for
    EXPECT_TRUE(*dusk == sample("Dusk", 1000));
    // Saving a name again replaces it in place; removing rewrites the index and deletes the preset.
    ASSERT_TRUE(again.save("Sunset", sample("Sunset", 3), message)) << message;
    EXPECT_EQ(test::readFile(again.indexPath()), "Sunset\nDusk\n");
    ASSERT_TRUE(again.remove(0, message)) << message;
    EXPECT_EQ(test::readFile(again.indexPath()), "Dusk\n");
    EXPECT_EQ(std::pair(std::filesystem::exists(again.presetPath("Sunset")), again.count()), std::pair(false, 1));
}

// Index lines that name no preset, or one twice, are dropped on every input of the index fuzzer's corpus
// (tests/persistence/FuzzRegressionTest.cpp); the indexes read here keep what they name, line ends of either kind.
TEST(GradientLibrary, AnotherVersionIsRefusedAndFailedSavesLeaveTheLibraryAsItWas) {
    test::TempDir dir;
    GradientLibrary lib(GradientLibrary::kGradientList, dir.path().string());
    EXPECT_EQ(lib.indexPath(), dir.file("Gradient List.idx"));
    test::writeFile(dir.file("Gradient List.idx"), "Future\nPlain\r\n");
    test::writeFile(dir.file("Future.kgr"),
                    "Version \"Gradientforge Version 2.0\"\nbegin GradientUnit\n Name \"Future\"\nend GradientUnit\n");
    test::writeFile(dir.file("Plain.kgr"), "begin GradientUnit\n Name \"Plain\"\nend GradientUnit\n");
    std::string message;
    ASSERT_TRUE(lib.load(message));
    ASSERT_EQ(lib.count(), 2);
    EXPECT_EQ(lib.unit(0, message), nullptr);
    EXPECT_EQ(message, "\rFile version error. This file may have been created with a newer version of the software.");
    message.clear();
    EXPECT_EQ(lib.unit(1, message), nullptr);
    EXPECT_EQ(message, GradientLibrary::kVersionError);
    // The folder is a plain file: no preset can be written into it.
    test::writeFile(dir.file("blocked"), "");
    GradientLibrary blocked(GradientLibrary::kPresets, dir.file("blocked"));
    EXPECT_FALSE(blocked.save("A", sample("A", 1), message));
    EXPECT_EQ(message, "\rError while saving preset. Try a different name.");
    EXPECT_EQ(blocked.count(), 0);
    // Names that are no file name in the folder are refused the same way.
    GradientLibrary presets(GradientLibrary::kPresets, dir.path().string());
    for (const char* bad : {"../escape", "", "__notloaded", "a/b"}) {
        message.clear();
        EXPECT_FALSE(presets.save(bad, sample("X", 1), message)) << bad;
        EXPECT_EQ(message, GradientLibrary::kSavePresetError);
    }
    // The index cannot be replaced: the new preset file is taken back.
    std::filesystem::create_directory(presets.indexPath());
    EXPECT_FALSE(presets.save("B", sample("B", 2), message));
    EXPECT_EQ(message, "\rError while saving index file.");
    EXPECT_EQ(std::pair(std::filesystem::exists(presets.presetPath("B")), presets.count()), std::pair(false, 0));
}

}  // namespace
}  // namespace fw
