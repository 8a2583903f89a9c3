// The nine blend modes: textbook results on opaque colours, the alpha-aware forms on
// partly covered ones, and their stored names.
#include "surface/BlendMode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace fw {
namespace {

void expectColour(const Rgba& got, const Rgba& want, double tolerance = 1e-6) {
    EXPECT_NEAR(got.r, want.r, tolerance);
    EXPECT_NEAR(got.g, want.g, tolerance);
    EXPECT_NEAR(got.b, want.b, tolerance);
    EXPECT_NEAR(got.a, want.a, tolerance);
}

// The textbook per-channel formulas, source s over base d, both opaque.
double screen(double s, double d) { return 1 - (1 - s) * (1 - d); }
double multiply(double s, double d) { return s * d; }
double overlay(double s, double d) { return d < 0.5 ? 2 * s * d : 1 - 2 * (1 - s) * (1 - d); }
double softLight(double s, double d) {
    return s <= 0.5 ? d - (1 - 2 * s) * d * (1 - d) : d + (2 * s - 1) * (std::sqrt(d) - d);
}
double add(double s, double d) { return std::min(1.0, s + d); }

TEST(BlendModes, OpaqueColoursFollowTheTextbookFormulas) {
    using Formula = std::function<double(double, double)>;
    struct Case {
        int mode;
        Formula f;
    } cases[] = {
        {BlendMode::kNormal, [](double s, double) { return s; }},
        {BlendMode::kScreen, screen},
        {BlendMode::kMultiply, multiply},
        {BlendMode::kOverlay, overlay},
        {BlendMode::kSoftLight, softLight},
        {BlendMode::kAdd, add},
        {BlendMode::kMagicGlue1, [](double s, double d) { return multiply(s, screen(s, d)); }},
        {BlendMode::kMagicGlue2, [](double s, double d) { return multiply(s, overlay(s, screen(s, d))); }},
        {BlendMode::kMagicGlue3, [](double s, double d) { return screen(s, multiply(s, d)); }},
    };
    const Rgba sources[] = {{0.8f, 0.4f, 0.2f, 1}, {0.1f, 0.5f, 0.9f, 1}, {1, 1, 1, 1}, {0, 0, 0, 1}};
    const Rgba dests[] = {{0.3f, 0.6f, 0.9f, 1}, {0.7f, 0.25f, 0.5f, 1}};
    for (const Case& c : cases) {
        for (const Rgba& s : sources) {
            for (const Rgba& d : dests) {
                for (bool alphaAware : {true, false}) {
                    SCOPED_TRACE(std::string(BlendMode::name(c.mode)) + (alphaAware ? " alpha-aware" : ""));
                    Rgba out = d;
                    BlendMode::blend(out, s, c.mode, alphaAware);
                    expectColour(out, {float(c.f(s.r, d.r)), float(c.f(s.g, d.g)), float(c.f(s.b, d.b)), 1}, 2e-6);
                }
            }
        }
    }
}

TEST(BlendModes, PartlyCoveredColoursFollowTheAlphaAwareForms) {
    // Source (0.8, 0.4, 0.2) at half cover onto (0.3, 0.6, 0.9) at three quarters; the
    // results are worked out by hand from each mode's alpha-aware formula.
    const Rgba s{0.8f, 0.4f, 0.2f, 0.5f}, d{0.3f, 0.6f, 0.9f, 0.75f};
    const Rgba want[] = {
        {0.5857143f, 0.4857143f, 0.5f, 0.875f},          // Normal: straight "over"
        {0.6114286f, 0.64f, 0.8085714f, 0.875f},         // Screen
        {0.3457143f, 0.4171429f, 0.4914286f, 0.875f},    // Multiply
        {0.4595918f, 0.5322449f, 0.7706122f, 0.875f},    // Overlay
        {0.4442287f, 0.5479184f, 0.773551f, 0.875f},     // SoftLight
        {0.7142857f, 0.7428571f, 0.8857143f, 0.875f},    // Add
        {0.5669333f, 0.4448f, 0.4661333f, 0.9375f},      // MagicGlue1
        {0.670369f, 0.4113342f, 0.4191897f, 0.96875f},   // MagicGlue2
        {0.6202667f, 0.5248f, 0.5194667f, 0.9375f},      // MagicGlue3
    };
    for (int mode = BlendMode::kNormal; mode <= BlendMode::kMagicGlue3; ++mode) {
        SCOPED_TRACE(BlendMode::name(mode));
        Rgba out = d;
        BlendMode::blend(out, s, mode, true);
        expectColour(out, want[mode - 1], 2e-6);
    }
    // Without the alpha weighting Normal adds the source unweighted, and Overlay may
    // leave the range.
    Rgba out = d;
    BlendMode::blend(out, s, BlendMode::kNormal, false);
    expectColour(out, {0.95f, 0.7f, 0.65f, 0.875f});
    out = d;
    BlendMode::blend(out, s, BlendMode::kOverlay, false);
    expectColour(out, {0.83f, 0.92f, 1.34f, 0.875f});
}

TEST(BlendModes, EdgeCasesOfCoverage) {
    const Rgba s{0.2f, 0.9f, 0.6f, 0.7f};
    // Onto nothing, the covering modes take the source as it is.
    for (int mode : {BlendMode::kMultiply, BlendMode::kOverlay, BlendMode::kSoftLight, BlendMode::kAdd}) {
        Rgba out{0.5f, 0.5f, 0.5f, 0};
        BlendMode::blend(out, s, mode, true);
        expectColour(out, s);
    }
    // A transparent source leaves Normal and Add alone.
    const Rgba d{0.3f, 0.4f, 0.5f, 0.6f};
    for (int mode : {BlendMode::kNormal, BlendMode::kAdd}) {
        Rgba out = d;
        BlendMode::blend(out, {1, 1, 1, 0}, mode, true);
        expectColour(out, d);
    }
    // Add saturates each channel at 1, and alpha too without the weighting.
    Rgba out{0.7f, 0.2f, 0.9f, 0.8f};
    BlendMode::blend(out, {0.6f, 0.3f, 0.5f, 0.5f}, BlendMode::kAdd, false);
    expectColour(out, {1, 0.5f, 1, 1});
    out = {0.9f, 0.9f, 0.9f, 1};
    BlendMode::blend(out, {0.9f, 0.05f, 0.9f, 1}, BlendMode::kAdd, true);
    expectColour(out, {1, 0.95f, 1, 1});
    // Screen onto white stays white; Multiply of white leaves the colour.
    out = {1, 1, 1, 1};
    BlendMode::blend(out, s, BlendMode::kScreen, true);
    expectColour(out, {1, 1, 1, 1});
    out = {0.3f, 0.6f, 0.9f, 1};
    BlendMode::blend(out, {1, 1, 1, 1}, BlendMode::kMultiply, true);
    expectColour(out, {0.3f, 0.6f, 0.9f, 1});
}

TEST(BlendModes, NamesReadAndWriteWithTheirFallbacks) {
    EXPECT_STREQ(BlendMode::name(BlendMode::kSoftLight), "SoftLight");
    EXPECT_STREQ(BlendMode::name(BlendMode::kMagicGlue3), "MagicGlue3");
    EXPECT_STREQ(BlendMode::name(0), "Normal");
    EXPECT_STREQ(BlendMode::name(12), "Normal");
    EXPECT_EQ(BlendMode::value("Soft Light"), BlendMode::kSoftLight);
    EXPECT_EQ(BlendMode::value("SoftLight"), BlendMode::kSoftLight);
    EXPECT_EQ(BlendMode::value("MagicGlue2"), BlendMode::kMagicGlue2);
    EXPECT_EQ(BlendMode::value("Dissolve"), BlendMode::kNormal);
    // An unknown mode blends as Normal.
    Rgba a{0.2f, 0.2f, 0.2f, 1}, b = a;
    BlendMode::blend(a, {0.9f, 0.1f, 0.5f, 0.5f}, 42, true);
    BlendMode::blend(b, {0.9f, 0.1f, 0.5f, 0.5f}, BlendMode::kNormal, true);
    expectColour(a, b, 0);
}

}  // namespace
}  // namespace fw
