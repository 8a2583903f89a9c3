// Target masks: each target type and processing over small known layers.
#include "effects/TargetMask.h"

#include "EffectImages.h"
#include "surface/GradientUnit.h"

namespace fw {
namespace {

GradientUnit target(int type, int processing = EffectUnit::kProcessNone) {
    GradientUnit u;
    u.targetType = type, u.targetProcessing = processing;
    return u;
}

TEST(TargetMask, CoverageAndBrightnessTypes) {
    // Columns: grey level rising left to right; the top half is half covered.
    RenderImage layer = test::layerOf(11, 4, [](int x, int y, uint8_t* p) {
        p[0] = p[1] = p[2] = uint8_t(x * 25);
        p[3] = y >= 2 ? 128 : 255;
    });
    TargetMask none(target(EffectUnit::kTargetNone), layer), alpha(target(EffectUnit::kTargetAlpha), layer);
    TargetMask bright(target(EffectUnit::kTargetBrightness), layer);
    TargetMask both(target(EffectUnit::kTargetBrightnessAlpha), layer);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 11; ++x) {
            EXPECT_EQ(none.at(x, y), 1.0f);
            EXPECT_FLOAT_EQ(alpha.at(x, y), layer.pixel(x, y)[3] / 255.0f);
            EXPECT_FLOAT_EQ(both.at(x, y), bright.at(x, y) * alpha.at(x, y));
        }
    // Default cutoffs 0.25 .. 1: nothing at or below the dark one, a rising ramp above.
    for (int x = 0; x <= 2; ++x) EXPECT_EQ(bright.at(x, 0), 0.0f) << x;
    for (int x = 3; x < 10; ++x) EXPECT_LT(bright.at(x, 0), bright.at(x + 1, 0)) << x;
    EXPECT_GT(bright.at(10, 0), 0.95f);
}

TEST(TargetMask, ShapesSitAtTheirPositionAndScaleWithTheFrame) {
    RenderImage layer = test::layerOf(160, 80, [](int, int y, uint8_t* p) { p[3] = y < 40 ? 255 : 0; });
    GradientUnit u = target(EffectUnit::kTargetCircle);
    u.targetPosition[0] = 0.25, u.targetPosition[1] = 0.25;  // pixel (40, 20), y up
    u.targetSizeH = u.targetSizeV = 64;                       // 16 px across at 160 wide
    TargetMask circle(u, layer);
    EXPECT_EQ(std::tuple(circle.at(40 + 6, 20), circle.at(40 + 9, 20), circle.at(40 + 6, 20 + 6)),
              std::tuple(1.0f, 0.0f, 0.0f));  // the last outside the circle, inside the square
    u.targetType = EffectUnit::kTargetSquare;
    EXPECT_EQ(TargetMask(u, layer).at(40 + 6, 20 + 6), 1.0f);
    // Twice the frame width, twice the pixels.
    u.targetType = EffectUnit::kTargetCircle;
    TargetMask big(u, test::layerOf(320, 160, [](int, int, uint8_t*) {}));
    EXPECT_EQ(std::pair(big.at(80 + 12, 40), big.at(80 + 18, 40)), std::pair(1.0f, 0.0f));
    // Shear slants the shape: higher rows shift right by shear times the height.
    u.targetShear = 1.0;
    TargetMask sheared(u, layer);
    EXPECT_EQ(std::pair(sheared.at(40 + 6, 20 + 6), sheared.at(40 - 6, 20 + 6)), std::pair(1.0f, 0.0f));
    // With coverage: the same circle, moved over the clear half, vanishes.
    u.targetShear = 0, u.targetType = EffectUnit::kTargetCircleAlpha, u.targetPosition[1] = 0.75;
    TargetMask gone(u, layer);
    u.targetType = EffectUnit::kTargetCircle;
    EXPECT_EQ(std::pair(TargetMask(u, layer).at(40, 60), gone.at(40, 60)), std::pair(1.0f, 0.0f));
}

TEST(TargetMask, ProcessingsFollowTheEdgeAndFeatherSoftensItOnly) {
    // A disc of radius 30 in a 100 px frame; thickness 64 is 10 px here.
    RenderImage disc = test::layerOf(100, 100, [](int x, int y, uint8_t* p) {
        p[0] = p[1] = p[2] = p[3] = std::hypot(x + 0.5 - 50, y + 0.5 - 50) <= 30 ? 255 : 0;
    });
    GradientUnit u = target(EffectUnit::kTargetAlpha, EffectUnit::kProcessInvert);
    TargetMask plain(target(EffectUnit::kTargetAlpha), disc), inverted(u, disc);
    for (int y = 0; y < 100; y += 7)
        for (int x = 0; x < 100; x += 3) EXPECT_FLOAT_EQ(inverted.at(x, y), 1.0f - plain.at(x, y));
    u.targetThickness = 64, u.targetProcessing = EffectUnit::kProcessEdgesOnly;
    TargetMask edges(u, disc);
    // The middle, the rim from inside and from outside, and well outside.
    EXPECT_EQ((std::vector{edges.at(50, 50), edges.at(50 + 29, 50), edges.at(50 + 31, 50), edges.at(95, 50)}),
              (std::vector{0.0f, 1.0f, 1.0f, 0.0f}));
    // The glows: strongest at the rim on their own side, fading away from it, nothing on the other side.
    // Processing, the rim's, a fading and a dark distance from the middle, and whether the glow lies inside.
    const std::tuple<int, int, int, int, bool> glows[] = {{EffectUnit::kProcessInnerGlow, 29, 25, 15, true},
                                                          {EffectUnit::kProcessOuterGlow, 31, 35, 45, false}};
    for (auto [processing, rim, fading, gone, inside] : glows) {
        SCOPED_TRACE(processing);
        u.targetProcessing = processing;
        TargetMask glow(u, disc);
        EXPECT_GT(glow.at(50 + rim, 50), 0.9f);
        EXPECT_GT(glow.at(50 + rim, 50), glow.at(50 + fading, 50));
        EXPECT_GT(glow.at(50 + fading, 50), 0.0f);
        EXPECT_EQ(glow.at(50 + gone, 50), 0.0f);
        for (int x = 10; x < 95; ++x) EXPECT_TRUE((plain.at(x, 50) > 0.5f) == inside || glow.at(x, 50) == 0.0f) << x;
    }
    GradientUnit feathered = target(EffectUnit::kTargetAlpha);
    feathered.targetFeather = 40;  // 8 px at 128 wide
    TargetMask soft(feathered, test::layerOf(128, 16, [](int x, int, uint8_t* p) { p[3] = x < 64 ? 255 : 0; }));
    EXPECT_NEAR(soft.at(10, 8), 1.0f, 1e-5);
    EXPECT_NEAR(soft.at(120, 8), 0.0f, 1e-5);
    EXPECT_TRUE(soft.at(62, 8) > 0.5f && soft.at(62, 8) < 0.95f) << soft.at(62, 8);
    EXPECT_NEAR(soft.at(63, 8) + soft.at(64, 8), 1.0f, 1e-4);  // symmetric about the edge
    for (int x = 50; x < 78; ++x) EXPECT_GE(soft.at(x, 8), soft.at(x + 1, 8)) << x;
}

}  // namespace
}  // namespace fw
