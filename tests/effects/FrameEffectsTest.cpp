// Gradient and glint units over small layers: transfer modes on known colours, masks keeping effects off, glints where
// their positions say, wipes, bloom, react and displace images.
#include "effects/FrameEffects.h"

#include <map>

#include "EffectImages.h"

namespace fw {
namespace {

GradientUnit constantUnit(double r, double g, double b, int mode, bool onOriginal = true) {
    GradientUnit u;
    u.gradient.addColorStop(0, kxColor::fromUnitRGB(r, g, b));
    u.transferMode = mode, u.compositeOnOriginal = onOriginal;
    return u;
}

void expectPixel(const RenderImage& image, int x, int y, double r, double g, double b, double a = 1.0) {
    const double want[] = {r, g, b, a};
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(image.pixel(x, y)[k] / 255.0, want[k], 1.01 / 255.0) << "channel " << k;
}

TEST(GradientEffect, TransferModesOnKnownColours) {
    // Layer (0.6, 0.4, 0.2) under effect (0.5, 0.5, 1.0); brightnesses 0.41333 and 0.65333.
    const std::tuple<int, double, double, double> cases[] = {
        {EffectUnit::kNormal, 0.5, 0.5, 1.0},          {EffectUnit::kScreen, 0.8, 0.7, 1.0},
        {EffectUnit::kMultiply, 0.3, 0.2, 0.2},        {EffectUnit::kOverlay, 0.6, 0.4, 0.4},
        {EffectUnit::kAdd, 1.0, 0.9, 1.0},             {EffectUnit::kMagicGlue1, 0.26, 0.26, 0.76},
        {EffectUnit::kMagicGlue2, 0.6, 0.4, 0.2},      {EffectUnit::kMagicGlue3, 1.1 / 1.2, 0.9 / 1.2, 1.0},
    };
    for (auto [mode, r, g, b] : cases) {
        RenderImage layer = test::solidLayer(4, 2, 153, 102, 51, 255);
        applyGradientUnit(constantUnit(0.5, 0.5, 1.0, mode), layer, {});
        SCOPED_TRACE(EffectUnit::kTransferModeNames.name(mode));
        expectPixel(layer, 1, 1, r, g, b);
    }
    // The highlight glue works on bright layers: smoothstep(0.5, 1, 0.9) of the screen.
    RenderImage bright = test::solidLayer(2, 2, 229, 229, 229, 255);
    applyGradientUnit(constantUnit(0.5, 0.5, 1.0, EffectUnit::kMagicGlue2), bright, {});
    const double base = 229 / 255.0, lift = (1 - base) * 0.896;  // the screen's rise, red and green half of it
    expectPixel(bright, 0, 0, base + lift / 2, base + lift / 2, base + lift);
    // Without CompositeOnOriginal the transfer sees the layer's grey, not its colours.
    RenderImage grey = test::solidLayer(2, 2, 153, 102, 51, 255);
    applyGradientUnit(constantUnit(0.5, 0.5, 1.0, EffectUnit::kMultiply, false), grey, {});
    expectPixel(grey, 0, 0, 0.41333 * 0.5, 0.41333 * 0.5, 0.41333);
}

TEST(GradientEffect, MaskDecidesWhereAndNoneRaisesAlpha) {
    // Left half covered, right half clear; a black-to-white ramp from left to right.
    RenderImage layer = test::layerOf(40, 10, [](int x, int, uint8_t* p) {
        p[0] = 200, p[1] = 10, p[2] = 10, p[3] = x < 20 ? (x < 10 ? 255 : 128) : 0;
    });
    const RenderImage before = layer;
    GradientUnit u = constantUnit(0, 0, 0, EffectUnit::kNormal, false);
    u.gradient.addColorStop(1, kxColor::fromUnitRGB(1, 1, 1));
    u.startPosition[0] = 0, u.startPosition[1] = 0.5, u.size = 200, u.outerEdges = Gradient::kClamp, u.oversampling = 2;
    applyGradientUnit(u, layer, {});
    for (int y = 0; y < 10; ++y)  // the clear right half, row by row
        ASSERT_EQ(0, std::memcmp(layer.pixel(20, y), before.pixel(20, y), 20 * 4)) << "row " << y;
    expectPixel(layer, 5, 5, 5.5 / 40, 5.5 / 40, 5.5 / 40);
    expectPixel(layer, 15, 5, 15.5 / 40, 15.5 / 40, 15.5 / 40, 128 / 255.0);  // coverage kept
    u.targetType = EffectUnit::kTargetNone;
    RenderImage clear = test::solidLayer(40, 10, 0, 0, 0, 0);
    applyGradientUnit(u, clear, {});
    EXPECT_EQ(test::coveredPixels(clear, 254), 400);
    expectPixel(clear, 30, 3, 30.5 / 40, 30.5 / 40, 30.5 / 40);
    u.targetShowTarget = true, u.targetType = EffectUnit::kTargetAlpha;
    RenderImage shown = before;
    applyGradientUnit(u, shown, {});
    expectPixel(shown, 15, 2, 128 / 255.0, 128 / 255.0, 128 / 255.0);
    expectPixel(shown, 30, 2, 0, 0, 0);
}

// The middle of the brightest pixels (by alpha, then brightness) against (x, y): a star's core saturates.
void expectBrightestAt(const RenderImage& image, double x, double y) {
    int best = -1;
    double sx = 0, sy = 0, n = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.pixel(x, y);
            int v = p[3] * 1024 + p[0] + p[1] + p[2];
            if (v > best) best = v, sx = sy = n = 0;
            if (v == best) sx += x + 0.5, sy += y + 0.5, n += 1;
        }
    EXPECT_NEAR(sx / n, x, 1.0);
    EXPECT_NEAR(sy / n, y, 1.0);
}

// Total light and its middle along x.
std::pair<double, double> lightAndMiddle(const RenderImage& image) {
    double sum = 0, sx = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) sum += image.pixel(x, y)[3], sx += (x + 0.5) * image.pixel(x, y)[3];
    return {sum, sum > 0 ? sx / sum : 0};
}

GlintUnit freeGlint(double x, double y, double size) {
    GlintUnit u;
    u.targetType = EffectUnit::kTargetNone, u.glintSize[0] = size;
    u.glintPosition[0][0] = x, u.glintPosition[0][1] = y;
    for (double& a : u.glintAngle) a = 0;  // long rays along the axes
    return u;
}

// The glint alone on a clear w x h layer.
RenderImage glintOn(int w, int h, const GlintUnit& u, const EffectTime& time = {}, const EffectImages& images = {}) {
    RenderImage layer = test::solidLayer(w, h, 0, 0, 0, 0);
    applyGlintUnit(u, layer, time, images);
    return layer;
}

TEST(GlintEffect, StarsSitAtTheirPositionsAndTurnOverTime) {
    expectBrightestAt(glintOn(200, 120, freeGlint(0.71, 0.25, 160)), 0.71 * 200, 0.25 * 120);
    // 160 px at 160 wide: rays 80 px long. At the first frame they lie along 0 degrees,
    // at the last along 45, which is between the long rays of the first.
    GlintUnit u = freeGlint(0.5, 0.5, 640);
    u.glintFrame0Angle[0] = 0, u.glintAngle[0] = 45;
    auto rayAt = [&](double frame, double degrees) {
        RenderImage layer = glintOn(160, 160, u, {frame, 0, 10});
        double a = degrees * 3.14159265358979 / 180;
        return layer.pixel(int(80 + 40 * std::cos(a)), int(80 + 40 * std::sin(a)))[3];
    };
    EXPECT_GT(rayAt(0, 0), 3 * rayAt(0, 22.5) + 20);
    EXPECT_GT(rayAt(10, 45), 3 * rayAt(10, 22.5) + 20);
    // A second glint exists when moved or named: at glint 1's place and not named it is not drawn.
    GlintUnit two = freeGlint(0.25, 0.5, 200);
    RenderImage one = glintOn(160, 40, two);
    two.glintPosition[1][0] = 0.25;
    EXPECT_EQ(glintOn(160, 40, two).rgba, one.rgba);
    two.glintPosition[1][0] = 0.75, two.glintSize[1] = 200;
    EXPECT_EQ(one.pixel(120, 20)[3], 0);
    EXPECT_GT(glintOn(160, 40, two).pixel(120, 20)[3], 250);
    // Coloured by the gradient when named: red at the centre, blue towards the ray tips.
    two.applyGradient = GlintUnit::kApplyOneTwo;
    two.glintGradient.addColorStop(0, kxColor::fromUnitRGB(1, 0, 0));
    two.glintGradient.addColorStop(1, kxColor::fromUnitRGB(0, 0, 1));
    RenderImage red = glintOn(160, 40, two);
    EXPECT_GT(red.pixel(120, 20)[0], 230);
    EXPECT_GT(red.pixel(137, 20)[2], 2 * red.pixel(137, 20)[0]);
    EXPECT_GT(one.pixel(40 + 17, 20)[3], 0);
    EXPECT_EQ(one.pixel(40 + 17, 20)[0], one.pixel(40 + 17, 20)[2]);  // unnamed: white
}

TEST(GlintEffect, AlphaMaskAndEffectOnlyKeepTheLetters) {
    // A block of "letters" in the middle; the glint's rays reach past it.
    RenderImage letters = test::layerOf(100, 60, [](int x, int y, uint8_t* p) {
        bool in = x >= 30 && x < 70 && y >= 20 && y < 40;
        p[0] = 40, p[1] = 80, p[2] = 160, p[3] = in ? 255 : 0;
    });
    GlintUnit u = freeGlint(0.5, 0.5, 200);
    u.targetType = EffectUnit::kTargetAlpha;
    RenderImage lit = letters;
    applyGlintUnit(u, lit, {}, {});
    EXPECT_EQ(test::coveredPixels(lit), 40 * 20);
    EXPECT_GT(lit.pixel(50, 30)[0], 200);
    u.showEffectOnly = true;
    RenderImage only = letters;
    applyGlintUnit(u, only, {}, {});
    EXPECT_EQ(only.pixel(31, 21)[3], 0);  // letter pixels far from the rays are gone
    EXPECT_GT(only.pixel(50, 30)[3], 250);
}

TEST(GlintEffect, WipesCarryTheGlintAcrossTheFrame) {
    // Travelling in from beyond the left side: the light in the frame grows (but for a
    // pixel's worth of sampling ripple once it is all in) and its middle moves right.
    GlintUnit u = freeGlint(0.5, 0.5, 80);
    u.glintWipeType = GlintUnit::kWipeOn;
    const double full = lightAndMiddle(glintOn(120, 40, freeGlint(0.5, 0.5, 80))).first;
    double lastLight = 0, lastMiddle = -1;
    for (int frame = 0; frame <= 10; ++frame) {
        auto [light, middle] = lightAndMiddle(glintOn(120, 40, u, {double(frame), 0, 10}));
        EXPECT_TRUE(frame == 0 ? light == 0 : light >= lastLight - 0.01 * full) << frame << ": " << light;
        EXPECT_TRUE(frame <= 1 || middle > lastMiddle + 3) << frame << ": " << middle;
        lastLight = light, lastMiddle = middle;
    }
    EXPECT_EQ(lastLight, full);
    EXPECT_NEAR(lastMiddle, 60, 0.5);
    // A sweep on then off is gone at both ends; its travel across letters: tests/app/FinishingTest.cpp's sweep title.
    u.glintWipeType = GlintUnit::kWipeOnOff;
    for (double frame : {0.0, 10.0}) EXPECT_EQ(lightAndMiddle(glintOn(120, 40, u, {frame, 0, 10})).first, 0) << frame;
}

TEST(GlintEffect, BloomSpreadsWithItsSize) {
    auto bloomed = [](double size) {
        GlintUnit u = freeGlint(0.5, 0.5, 20);
        u.applyBloom = GlintUnit::kApplyOne, u.bloomSize = size, u.bloomColorFrom = GlintUnit::kFromColor;
        u.bloomColor[0] = 1, u.bloomColor[1] = 0.5, u.bloomColor[2] = 0;
        return glintOn(128, 128, u);
    };
    const RenderImage small = bloomed(60), large = bloomed(150);
    EXPECT_GT(test::coveredPixels(small), test::coveredPixels(glintOn(128, 128, freeGlint(0.5, 0.5, 20))) + 100);
    EXPECT_GT(test::coveredPixels(large), test::coveredPixels(small) + 500);
    // The bloom's own colour shows beyond the star.
    const uint8_t* p = large.pixel(64 + 12, 64 + 12);
    EXPECT_TRUE(p[0] > p[1] && p[1] > p[2]) << int(p[0]) << " " << int(p[1]) << " " << int(p[2]);
}

TEST(GlintEffect, ReactAndDisplaceImagesScaleAndMoveIt) {
    // Opaque pictures of one colour each, by name.
    std::map<std::string, Picture> named;
    for (auto [name, r, g, b] : {std::tuple{"white", 255, 255, 255}, {"grey", 128, 128, 128}, {"black", 0, 0, 0},
                                 {"shove", 255, 128, 0}}) {
        const uint8_t rgba[] = {uint8_t(r), uint8_t(g), uint8_t(b), 255};
        Picture& picture = named.emplace(name, Picture(4, 4)).first->second;
        for (size_t i = 0; i < picture.pixels().size(); ++i) picture.pixels()[i] = rgba[i % 4];
    }
    auto images = [&](const std::string& name) { return named.contains(name) ? &named.at(name) : nullptr; };
    auto lit = [&](const std::string& react) {
        GlintUnit u = freeGlint(0.5, 0.5, 400);
        u.reactImageName = react, u.reactImageSensitivity = 1;
        return test::coveredPixels(glintOn(100, 100, u, {}, images), 20);
    };
    EXPECT_EQ(std::pair(lit("white"), lit("black")), std::pair(lit("missing"), 0));
    EXPECT_LT(lit("grey"), lit("white") * 2 / 3);
    EXPECT_GT(lit("grey"), 0);
    // Red full, green mid grey: HDepth pixels (scaled) to the right, no vertical move.
    GlintUnit u = freeGlint(0.4, 0.5, 200);
    u.displaceImageName = "shove", u.displaceHDepth = 64;  // 10 px at 100 wide
    expectBrightestAt(glintOn(100, 100, u, {}, images), 50, 50);
}

}  // namespace
}  // namespace fw
