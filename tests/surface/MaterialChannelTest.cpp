// The nine blend modes, then material channels and their layers: the walk that combines layers into one colour, layer
// evaluation with inversion, alpha shaders, repetition and blur, triviality, and reading layers.
#include "surface/MaterialChannel.h"

#include <atomic>
#include <gmock/gmock.h>

#include "BlockFile.h"
#include "TempDir.h"
#include "TestImages.h"
#include "surface/MaterialChannelColor.h"
#include "surface/MaterialChannelReflectivity.h"
#include "surface/MaterialChannelTransparency.h"
#include "surface/ShaderColor.h"

namespace fw {
namespace {

// Two colours split at u = 0.5, counting how often it is evaluated.
class ProbeShader : public Shader {
public:
    ProbeShader(Rgba left, Rgba right) : Shader(99), left(left), right(right) {}
    CommandTable& commandTable() override {
        static CommandTable table;
        return table;
    }
    const char* className() const override { return "ProbeShader"; }
    const Rgba left, right;
    mutable std::atomic<int> calls{0};

protected:
    Rgba shade(const Footprint& f) const override {
        ++calls;
        Rgba c = (f.u0 + f.u1) * 0.5 < 0.5 ? left : right;
        return {c.r * c.a, c.g * c.a, c.b * c.a, c.a};  // shaders hand over premultiplied colour
    }
    bool sameFields(const Shader&) const override { return true; }
    void copyFields(const Shader&) override {}
    int writeFields(CommandIO&) override { return 0; }
};

ProbeShader* addProbe(MaterialChannel& channel, Rgba colour, int mode = BlendMode::kNormal, double amount = 1.0) {
    ShaderBlock& layer = channel.addLayer();
    auto probe = std::make_unique<ProbeShader>(colour, colour);
    ProbeShader* raw = probe.get();
    layer.setShader(ShaderBlock::kRgbSlot, std::move(probe));
    layer.blendingStyle = mode;
    layer.blendingAmount = amount;
    return raw;
}

using test::expectColour;

// The textbook per-channel formulas, source s over base d, both opaque.
double screen(double s, double d) { return 1 - (1 - s) * (1 - d); }
double multiply(double s, double d) { return s * d; }
double overlay(double s, double d) { return d < 0.5 ? 2 * s * d : 1 - 2 * (1 - s) * (1 - d); }
double softLight(double s, double d) {
    return s <= 0.5 ? d - (1 - 2 * s) * d * (1 - d) : d + (2 * s - 1) * (std::sqrt(d) - d);
}

TEST(BlendModes, OpaqueColoursFollowTheTextbookFormulas) {
    const std::pair<int, std::function<double(double, double)>> cases[] = {
        {BlendMode::kNormal, [](double s, double) { return s; }},
        {BlendMode::kScreen, screen},
        {BlendMode::kMultiply, multiply},
        {BlendMode::kOverlay, overlay},
        {BlendMode::kSoftLight, softLight},
        {BlendMode::kAdd, [](double s, double d) { return std::min(1.0, s + d); }},
        {BlendMode::kMagicGlue1, [](double s, double d) { return multiply(s, screen(s, d)); }},
        {BlendMode::kMagicGlue2, [](double s, double d) { return multiply(s, overlay(s, screen(s, d))); }},
        {BlendMode::kMagicGlue3, [](double s, double d) { return screen(s, multiply(s, d)); }},
    };
    const Rgba sources[] = {{0.8f, 0.4f, 0.2f, 1}, {0.1f, 0.5f, 0.9f, 1}, {1, 1, 1, 1}, {0, 0, 0, 1}};
    const Rgba dests[] = {{0.3f, 0.6f, 0.9f, 1}, {0.7f, 0.25f, 0.5f, 1}};
    for (const auto& [mode, f] : cases)
        for (const Rgba& s : sources)
            for (const Rgba& d : dests)
                for (bool alphaAware : {true, false}) {
                    SCOPED_TRACE(std::string(BlendMode::name(mode)) + (alphaAware ? " alpha-aware" : ""));
                    Rgba out = d;
                    BlendMode::blend(out, s, mode, alphaAware);
                    expectColour(out, {float(f(s.r, d.r)), float(f(s.g, d.g)), float(f(s.b, d.b)), 1}, 2e-6);
                }
}

// Source (0.8, 0.4, 0.2) at half cover onto (0.3, 0.6, 0.9) at three quarters, worked
// out by hand from each mode's alpha-aware formula, then the edges of coverage.
TEST(BlendModes, PartlyCoveredColoursFollowTheAlphaAwareForms) {
    const Rgba s{0.8f, 0.4f, 0.2f, 0.5f}, d{0.3f, 0.6f, 0.9f, 0.75f}, t{0.2f, 0.9f, 0.6f, 0.7f};
    const Rgba nothing{0.5f, 0.5f, 0.5f, 0}, clear{1, 1, 1, 0}, white{1, 1, 1, 1};
    // Name, mode, alpha-aware, base, source, wanted result.
    const std::tuple<const char*, int, bool, Rgba, Rgba, Rgba> cases[] = {
        {"Normal: straight over", BlendMode::kNormal, true, d, s, {0.5857143f, 0.4857143f, 0.5f, 0.875f}},
        {"Screen", BlendMode::kScreen, true, d, s, {0.6114286f, 0.64f, 0.8085714f, 0.875f}},
        {"Multiply", BlendMode::kMultiply, true, d, s, {0.3457143f, 0.4171429f, 0.4914286f, 0.875f}},
        {"Overlay", BlendMode::kOverlay, true, d, s, {0.4595918f, 0.5322449f, 0.7706122f, 0.875f}},
        {"SoftLight", BlendMode::kSoftLight, true, d, s, {0.4442287f, 0.5479184f, 0.773551f, 0.875f}},
        {"Add", BlendMode::kAdd, true, d, s, {0.7142857f, 0.7428571f, 0.8857143f, 0.875f}},
        {"MagicGlue1", BlendMode::kMagicGlue1, true, d, s, {0.5669333f, 0.4448f, 0.4661333f, 0.9375f}},
        {"MagicGlue2", BlendMode::kMagicGlue2, true, d, s, {0.670369f, 0.4113342f, 0.4191897f, 0.96875f}},
        {"MagicGlue3", BlendMode::kMagicGlue3, true, d, s, {0.6202667f, 0.5248f, 0.5194667f, 0.9375f}},
        {"an unknown mode blends as Normal", 42, true, d, s, {0.5857143f, 0.4857143f, 0.5f, 0.875f}},
        // Without the alpha weighting Normal adds the source unweighted, and Overlay may leave the range.
        {"Normal unweighted", BlendMode::kNormal, false, d, s, {0.95f, 0.7f, 0.65f, 0.875f}},
        {"Overlay unweighted", BlendMode::kOverlay, false, d, s, {0.83f, 0.92f, 1.34f, 0.875f}},
        // Onto nothing, the covering modes take the source as it is.
        {"Multiply onto nothing", BlendMode::kMultiply, true, nothing, t, t},
        {"Overlay onto nothing", BlendMode::kOverlay, true, nothing, t, t},
        {"Add onto nothing", BlendMode::kAdd, true, nothing, t, t},
        // A transparent source leaves Normal and Add alone.
        {"Normal of nothing", BlendMode::kNormal, true, d, clear, d},
        {"Add of nothing", BlendMode::kAdd, true, d, clear, d},
        // Add saturates each channel at 1, and alpha too without the weighting.
        {"Add unweighted", BlendMode::kAdd, false, {0.7f, 0.2f, 0.9f, 0.8f}, {0.6f, 0.3f, 0.5f, 0.5f}, {1, 0.5f, 1, 1}},
        {"Add saturating", BlendMode::kAdd, true, {0.9f, 0.9f, 0.9f, 1}, {0.9f, 0.05f, 0.9f, 1}, {1, 0.95f, 1, 1}},
        {"Screen onto white", BlendMode::kScreen, true, white, t, white},
        {"Multiply of white", BlendMode::kMultiply, true, {0.3f, 0.6f, 0.9f, 1}, white, {0.3f, 0.6f, 0.9f, 1}},
    };
    for (auto [name, mode, alphaAware, out, source, want] : cases) {
        SCOPED_TRACE(name);
        BlendMode::blend(out, source, mode, alphaAware);
        expectColour(out, want, 2e-6);
    }
    // Names are written by the conformance scene's resave and read, older ones too, by the layer and stack readers.
    EXPECT_STREQ(BlendMode::name(12), "Normal");
}

const Shader::Footprint kAt{0.2, 0.2, 0.21, 0.21};

TEST(MaterialChannels, TheWalkStopsUnderAnOpaqueNormalLayer) {
    MaterialChannelColor channel;
    ProbeShader* top = addProbe(channel, {1, 0, 0, 0.5f}, BlendMode::kScreen);
    ProbeShader* opaque = addProbe(channel, {0, 0, 1, 1});
    ProbeShader* hidden = addProbe(channel, {0, 1, 0, 1}, BlendMode::kMultiply);
    Rgba c = channel.evaluate(kAt);
    EXPECT_EQ(std::tuple(hidden->calls.load(), top->calls.load(), opaque->calls.load()), std::tuple(0, 1, 1));
    // Screen of half-covering red over opaque blue, both straight colours.
    expectColour(c, {0.5f, 0, 1, 1});
    // The full walk reaches the hidden layer but the result is the same.
    expectColour(channel.evaluate(kAt, true), c);
    EXPECT_EQ(hidden->calls, 1);
    // An amount above 1 makes a half-covering layer count as opaque for the stop,
    // though its colour keeps its own alpha: then the walk decides what shows.
    MaterialChannelColor strong;
    strong.useBaseColor = false;
    addProbe(strong, {1, 0, 0, 0.5f}, BlendMode::kNormal, 2.0);
    addProbe(strong, {0, 0, 1, 1});
    expectColour(strong.evaluate(kAt), {1, 0, 0, 0.5f});
    expectColour(strong.evaluate(kAt, true), {0.5f, 0, 0.5f, 1});
}

TEST(MaterialChannels, BaseColourLayersAmountsAndTrivialChannels) {
    MaterialChannelColor channel;
    // No layers, or only inactive ones: the base colour, or nothing without it.
    expectColour(channel.evaluate(kAt), {0.8f, 0.8f, 0.8f, 1});
    addProbe(channel, {1, 0, 0, 1});
    channel.layer(0).active = false;
    expectColour(channel.evaluate(kAt), {0.8f, 0.8f, 0.8f, 1});
    channel.useBaseColor = false;
    expectColour(channel.evaluate(kAt), {0, 0, 0, 0});
    // One Normal layer and no base: taken as it is, amount and all; over the base colour, composited with its amount.
    channel.layer(0).active = true;
    channel.layer(0).blendingAmount = 0.25;
    expectColour(channel.evaluate(kAt), {1, 0, 0, 1});
    channel.useBaseColor = true;
    expectColour(channel.evaluate(kAt), {0.85f, 0.6f, 0.6f, 1});
    // An inactive channel gives nothing, whatever it holds.
    channel.active = false;
    expectColour(channel.evaluate(kAt), {0, 0, 0, 0});
    // Several layers composite bottom up: the bottom one (no base) is taken with its amount, here half covering, and
    // grey multiplied onto it; where the bottom left the surface uncovered the grey shows as it is.
    MaterialChannelReflectivity stack;
    EXPECT_TRUE(stack.isTrivial());
    addProbe(stack, {0.5f, 0.5f, 0.5f, 1}, BlendMode::kMultiply);
    addProbe(stack, {0.2f, 0.4f, 0.6f, 1}, BlendMode::kScreen, 0.5);
    expectColour(stack.evaluate(kAt), {0.3f, 0.35f, 0.4f, 1});
    EXPECT_TRUE(stack.isTrivial());  // amounts 0: layers do not count
    stack.amount = 0.5;
    EXPECT_FALSE(stack.isTrivial());
    stack.layer(0).active = stack.layer(1).active = false;
    EXPECT_TRUE(stack.isTrivial());  // nothing to reflect
    stack.raytraceAmount = 0.3;
    EXPECT_FALSE(stack.isTrivial());
    MaterialChannelTransparency transparency;
    EXPECT_TRUE(transparency.isTrivial());
    transparency.refraction = 1.2;
    EXPECT_FALSE(transparency.isTrivial());
    transparency.refraction = 1.0;
    addProbe(transparency, {1, 1, 1, 1});
    EXPECT_FALSE(transparency.isTrivial());
}

TEST(MaterialChannels, LayersInvertRepeatBlurAndTakeAlphaFromTheirAlphaShader) {
    ShaderBlock layer;
    EXPECT_TRUE(layer.isTrivial());
    expectColour(layer.evaluate(kAt), {1, 1, 1, 1});
    layer.setShader(ShaderBlock::kRgbSlot, std::make_unique<ShaderColor>(0.2f, 0.5f, 1.0f, 0.8f));
    EXPECT_FALSE(layer.isTrivial());
    layer.rgbInverted = true;
    expectColour(layer.evaluate(kAt), {0.8f, 0.5f, 0, 0.8f});
    // Alpha from the alpha shader: its alpha, or its brightness.
    layer.setShader(ShaderBlock::kAlphaSlot, std::make_unique<ShaderColor>(1, 0, 0, 0.6f));
    EXPECT_NEAR(layer.evaluate(kAt).a, 0.6, 1e-6);
    layer.useLumForAlpha = true;
    EXPECT_NEAR(layer.evaluate(kAt).a, 0.6 * 0.3733333349227905, 1e-6);
    layer.alphaInverted = true;
    EXPECT_NEAR(layer.evaluate(kAt).a, 1 - 0.6 * 0.3733333349227905, 1e-6);
    // Without repetition the shader covers its unit square once; its placement moves it.
    ShaderBlock decal;
    auto colour = std::make_unique<ShaderColor>(0, 1, 0, 1);
    colour->setPlacement({.translate = {0.5, 0, 0}});
    decal.setShader(ShaderBlock::kRgbSlot, std::move(colour));
    decal.rgbRepeat = false;
    expectColour(decal.evaluate({0.3, 0.5, 0.3, 0.5}), {0, 1, 0, 1});
    expectColour(decal.evaluate({0.7, 0.5, 0.7, 0.5}), {0, 0, 0, 0});  // placed at u = 1.2
    expectColour(decal.evaluate({0.7, 0.5, 0.7, 0.5}, true), {0, 1, 0, 1});
    decal.active = false;
    EXPECT_TRUE(decal.isTrivial());
    // Blur mixes across an edge and keeps flat colours.
    ShaderBlock split;
    split.setShader(ShaderBlock::kRgbSlot, std::make_unique<ProbeShader>(Rgba{0, 0, 0, 1}, Rgba{1, 1, 1, 1}));
    const Shader::Footprint edge{0.49, 0.5, 0.5, 0.5};
    EXPECT_EQ(split.evaluate(edge).r, 0.0f);
    split.rgbBlur = 0.1;
    EXPECT_THAT(split.evaluate(edge).r, ::testing::AllOf(::testing::Gt(0.2f), ::testing::Lt(0.8f)));
    EXPECT_EQ(split.evaluate({0.1, 0.5, 0.11, 0.5}).r, 0.0f);  // far from the edge
    ShaderBlock flat;
    flat.setShader(ShaderBlock::kRgbSlot, std::make_unique<ShaderColor>(0.3f, 0.6f, 0.9f, 1));
    flat.rgbBlur = 4;
    expectColour(flat.evaluate(kAt), {0.3f, 0.6f, 0.9f, 1});
}

// Layers' stored form (order, blur lines only when set) is resaved byte for byte from
// the conformance scene; here what the reader makes of awkward input.
TEST(MaterialChannels, ASecondShaderReplacesTheFirstAndUnknownBlocksFail) {
    test::TempDir dir;
    MaterialChannelColor replaced;
    ASSERT_EQ(test::readTextInto(
                  replaced, dir.file("in.txt"),
                  "begin MaterialChannelColor\n begin ShaderBlock\n  blendingStyle \"Soft Light\"\n"
                  "  begin ShaderColor 0\n color 1 1 0 1\n end ShaderColor\n"
                  "  begin ShaderNoisePerlin 0\n end ShaderNoise\n end ShaderBlock\nend MaterialChannelColor\n"), 0);
    ASSERT_EQ(replaced.layerCount(), 1);
    EXPECT_EQ(replaced.layer(0).blendingStyle, BlendMode::kSoftLight);
    EXPECT_STREQ(replaced.layer(0).rgbShader()->className(), "ShaderNoise");
    for (const char* bad : {"begin MaterialChannelColor\n begin ShaderLayer\n",
                            "begin MaterialChannelColor\n begin ShaderBlock\n  begin ShaderPlasma 0\n",
                            "begin MaterialChannelColor\n begin ShaderBlock\n  begin ShaderColor 2\n"}) {
        MaterialChannelColor target;
        EXPECT_EQ(test::readTextInto(target, dir.file("bad.txt"), bad), -1) << bad;
    }
}

}  // namespace
}  // namespace fw
