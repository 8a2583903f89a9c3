// Gradient stops, their interpolation and their stored form.
#include "surface/Gradient.h"

#include <gtest/gtest.h>

#include "BlockFile.h"
#include "TempDir.h"

namespace fw {
namespace {

const kxColor kRed = kxColor::fromRGB(65535, 0, 0);
const kxColor kGreen = kxColor::fromRGB(0, 65535, 0);
const kxColor kBlue = kxColor::fromRGB(0, 0, 65535);

void expectColor(const Rgba& c, double r, double g, double b, double a = 1.0, double tolerance = 1e-5) {
    EXPECT_NEAR(c.r, r, tolerance);
    EXPECT_NEAR(c.g, g, tolerance);
    EXPECT_NEAR(c.b, b, tolerance);
    EXPECT_NEAR(c.a, a, tolerance);
}

Gradient twoStops(const kxColor& a, const kxColor& b, int interp = Gradient::kRGB) {
    Gradient g;
    g.interpType = interp;
    g.addColorStop(0.0, a);
    g.addColorStop(1.0, b);
    return g;
}

TEST(Gradient, NoStopsIsTransparentBlackAndOneStopIsEverywhere) {
    Gradient g;
    expectColor(g.lookup(0.5), 0, 0, 0, 0);
    g.addColorStop(0.4, kxColor::fromRGB(65535, 32768, 0));
    for (double x : {-3.0, 0.0, 0.4, 0.7, 1.0, 5.5})
        for (int edges : {Gradient::kRepeat, Gradient::kMirror, Gradient::kClamp})
            expectColor(g.lookup(x, edges), 1.0, 32768 / 65535.0, 0.0);
}

TEST(Gradient, RgbAtMidpointHalfWithoutSmoothingIsLinear) {
    Gradient g = twoStops(kRed, kBlue);
    for (double t : {0.0, 0.1, 0.25, 0.5, 0.8, 0.999}) expectColor(g.lookup(t), 1 - t, 0, t);
    // Below the first stop and at or past the last, the end colours hold.
    expectColor(g.lookup(-0.5), 1, 0, 0);
    expectColor(g.lookup(1.0), 0, 0, 1);
}

TEST(Gradient, MidpointAndSmoothnessBendTheBlend) {
    Gradient g = twoStops(kRed, kBlue);
    g.colorStops[0].midPoint = 0.25;
    expectColor(g.lookup(0.25), 0.5, 0, 0.5);       // the mean sits at the midpoint
    expectColor(g.lookup(0.625), 0.25, 0, 0.75);    // halfway from the mean to the end
    g.colorStops[0].midPoint = 0.5;
    g.interpSmoothness = 1.0;
    double s = 3 * 0.0625 - 2 * 0.015625;           // smooth step at 0.25
    expectColor(g.lookup(0.25), 1 - s, 0, s);
}

TEST(Gradient, RepeatKeepsTheEndOfEachPeriodAndMirrorReverses) {
    Gradient g = twoStops(kRed, kBlue);
    Rgba end = g.lookup(0.9999);
    for (double x : {1.0, 2.0, 7.0}) EXPECT_EQ(g.lookup(x, Gradient::kRepeat), end) << x;
    EXPECT_EQ(g.lookup(0.0, Gradient::kRepeat), g.lookup(0.0));
    EXPECT_EQ(g.lookup(1.25, Gradient::kRepeat), g.lookup(0.25));
    EXPECT_EQ(g.lookup(-0.75, Gradient::kRepeat), g.lookup(0.25));
    EXPECT_EQ(g.lookup(1.25, Gradient::kMirror), g.lookup(0.75));
    EXPECT_EQ(g.lookup(2.25, Gradient::kMirror), g.lookup(0.25));
    EXPECT_EQ(g.lookup(1.5, Gradient::kClamp), g.lookup(1.0));
}

TEST(Gradient, EachInterpolationMeetsHalfwayItsOwnWay) {
    // Red (hue 0) to blue (hue 2/3): HSV goes straight through green, the colour wheel
    // back through magenta (16-bit hues put the halfway hue half a step off). Special
    // RGB keeps the stops' brightness where plain RGB halves it.
    expectColor(twoStops(kRed, kBlue, Gradient::kHSV).lookup(0.5), 0, 1, 0, 1, 1e-4);
    expectColor(twoStops(kRed, kBlue, Gradient::kColorWheel).lookup(0.5), 1, 0, 1, 1, 1e-4);
    expectColor(twoStops(kRed, kGreen).lookup(0.5), 0.5, 0.5, 0);
    expectColor(twoStops(kRed, kGreen, Gradient::kSpecialRGB).lookup(0.5), 1, 1, 0);
}

TEST(Gradient, OpacityStopsGiveAlpha) {
    Gradient g = twoStops(kRed, kBlue);
    g.addOpacityStop(0.0, 1.0);
    g.addOpacityStop(1.0, 0.0);
    EXPECT_NEAR(g.lookup(0.25).a, 0.75, 1e-4);
    Gradient alphaOnly;
    alphaOnly.addOpacityStop(0.5, 0.5);
    expectColor(alphaOnly.lookup(0.9), 0, 0, 0, 0.5);
}

TEST(Gradient, SixteenBitColorsSurviveTheStoredForm) {
    ColorStop rgb(0.25, kxColor::fromRGB(1, 65535, 12345), 0.3);
    ColorStop hsv(0.75, kxColor::fromHSV(40000, 30001, 65535), 0.6);
    EXPECT_EQ(rgb.colorMode, ColorStop::kRGBMode);
    EXPECT_EQ(hsv.colorMode, ColorStop::kHSVMode);
    Gradient g;
    g.type = Gradient::kTriangle;
    g.interpType = Gradient::kColorWheel;
    g.interpSmoothness = 0.125;
    g.colorStops = {rgb, hsv};
    g.addOpacityStop(0.5, 1.0, 0.4);
    test::TempDir dir;
    std::string bytes = test::writeBlockFile(g, dir.file("g.txt"));
    EXPECT_EQ(bytes,
              " begin Gradient\n  Type \"Triangle\"\n  InterpType \"Color Wheel\"\n  InterpSmoothness 0.125000\n"
              "  begin ColorStop\n   RGBColor 1 65535 12345\n   Position 0.250000\n   MidPoint 0.300000\n"
              "  end ColorStop\n  begin ColorStop\n   HSVColor 40000 30001 65535\n   Position 0.750000\n"
              "   MidPoint 0.600000\n  end ColorStop\n  begin OpacityStop\n   RGBColor 65535 65535 65535\n"
              "   Position 0.500000\n   MidPoint 0.400000\n  end OpacityStop\n end Gradient\n");
    Gradient back;
    ASSERT_EQ(test::readInto(back, dir.file("g.txt")), 0);
    EXPECT_EQ(back, g);
    EXPECT_EQ(back.colorStops[0].color.red, 1);
    EXPECT_EQ(back.colorStops[0].color.blue, 12345);
    EXPECT_EQ(back.colorStops[1].color.hue, 40000);
    EXPECT_EQ(back.colorStops[1].color.saturation, 30001);
    EXPECT_TRUE(back.opacityStops[0].isOpacity());
    EXPECT_EQ(test::writeBlockFile(back, dir.file("again.txt")), bytes);
}

TEST(Gradient, OlderFilesStoreStopsOutOfOrderAndWithPlainColors) {
    test::TempDir dir;
    Gradient g;
    g.interpType = Gradient::kHSV;
    ASSERT_EQ(test::readTextInto(g, dir.file("old.txt"),
                                 "begin Gradient\n InterpType \"Nonsense\"\n"
                                 " begin ColorStop\n Color 65535 0 0\n Position 0.9\n end ColorStop\n"
                                 " begin ColorStop\n Color 0 0.5 1\n Position 0.1\n end ColorStop\nend Gradient\n"),
              0);
    EXPECT_EQ(g.interpType, Gradient::kRGB);  // an unknown name reads as the default
    ASSERT_EQ(g.colorStops.size(), 2u);
    EXPECT_DOUBLE_EQ(g.colorStops[0].position, 0.1);
    EXPECT_EQ(g.colorStops[0].color.green, 32768);
    EXPECT_EQ(g.colorStops[1].color.red, 65535);
    std::string error;
    test::writeFile(dir.file("bad.txt"), "begin Gradient\n begin Stop\nend Gradient\n");
    Gradient bad;
    EXPECT_EQ(test::readBlockFile(dir.file("bad.txt"), [&](const char*) { return &bad; }, &error), -1);
    EXPECT_NE(error.find("<<begin>>"), std::string::npos) << error;
}

TEST(kxColor, ConversionsRoundTripWithinTheHuesPrecision) {
    // A 16-bit hue is exact to 1/65536 of a turn, up to three steps of a component.
    for (auto rgb : {std::array<uint16_t, 3>{65535, 0, 0}, {1234, 50000, 65535}, {30000, 30000, 30000},
                     {0, 0, 0}, {65535, 65535, 1}}) {
        kxColor c = kxColor::fromRGB(rgb[0], rgb[1], rgb[2]);
        kxColor back = kxColor::fromHSV(c.hue, c.saturation, c.value);
        EXPECT_NEAR(back.red, rgb[0], 3);
        EXPECT_NEAR(back.green, rgb[1], 3);
        EXPECT_NEAR(back.blue, rgb[2], 3);
    }
    EXPECT_EQ(kxColor().red, 32896);
    EXPECT_EQ(kxColor::fromRGB(0, 0, 65535).hue, 43691);
}

}  // namespace
}  // namespace fw
