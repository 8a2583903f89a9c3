// The seven shader kinds: stored form, placement, alpha mode and evaluated colours.
#include "surface/Shader.h"

#include "BlockFile.h"
#include "TempDir.h"
#include "TestImages.h"
#include "scene/SceneX.h"
#include "surface/ImageFile.h"
#include "surface/ImageMap.h"
#include "surface/LayerMapSource.h"
#include "surface/Picture.h"
#include "surface/ShaderColor.h"
#include "surface/ShaderGradient.h"
#include "surface/ShaderGrid.h"
#include "surface/ShaderImage.h"
#include "surface/ShaderLayerMap.h"
#include "surface/ShaderNoisePerlin.h"
#include "surface/ShaderNoiseWorley.h"

namespace fw {
namespace {

class Shaders : public ::testing::Test {
protected:
    std::string write(Shader& shader) { return test::writeBlockFile(shader, dir.file("s.txt")); }
    // Reads the file's one shader block, whatever kind it names.
    std::unique_ptr<Shader> read(const std::string& bytes, Scene* scene = nullptr) {
        test::writeFile(dir.file("in.txt"), bytes);
        std::unique_ptr<Shader> made;
        int status = test::readBlockFile(dir.file("in.txt"), [&](const char* name) -> CommandEnabler* {
            made = Shader::create(name, scene);
            return made.get();
        });
        return status == 0 ? std::move(made) : nullptr;
    }
    std::vector<float> bake(const Shader& s, int size, int threads = 1, bool alpha = false) {
        std::vector<float> texels(size_t(size) * size * 4);
        s.bake(size, size, alpha, texels.data(), threads);
        return texels;
    }

    test::TempDir dir;
};

// Every kind's stored form, placement included, is checked by the conformance resave; here what reading makes of it.
TEST_F(Shaders, CloudyNoiseReadsUnderEitherBlockNameAndAPlacementIsReadBackAndTakesPartInEquality) {
    for (const char* name : {"ShaderNoise", "ShaderNoisePerlin"}) {
        auto s = read(std::string("begin ") + name + "\n Type \"Swirl\"\n Seed 7\n NumStripes 9\nend " + name + "\n");
        auto* noise = dynamic_cast<ShaderNoisePerlin*>(s.get());
        ASSERT_NE(noise, nullptr) << name;
        // Swirl is neither Cloud nor Marble: Lava.
        EXPECT_EQ(std::tuple(noise->type, noise->generator().seed(), noise->numStripes),
                  std::tuple(ShaderNoisePerlin::kLava, 7u, 9.0));
        EXPECT_EQ(write(*noise).find("NumStripes"), std::string::npos);
    }
    EXPECT_EQ(read("begin ShaderPlasma\nend ShaderPlasma\n"), nullptr);
    ShaderColor color(1, 0.5f, 0.25f, 1);
    color.setPlacement({.translate = {0.25, 0, 0}, .rotate = {0, 0, 90}});
    auto back = read(write(color));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(std::pair(back->hasTransform(), back->equals(color)), std::pair(true, true));
    color.setPlacement(Placement());
    EXPECT_FALSE(back->equals(color));
}

TEST_F(Shaders, AlphaModeTurnsColourIntoBrightness) {
    ShaderColor red(1, 0, 0, 1);
    EXPECT_EQ(red.evaluateAt(0.3, 0.7, true), (Rgba{0.37333333f, 0.37333333f, 0.37333333f, 1}));
    EXPECT_NEAR(red.brightness(), 0.3733333349227905, 1e-12);
    // Half-transparent colour: straight in colour mode, weighted by alpha as grey.
    ShaderColor glass(0.5f, 0.25f, 1.0f, 0.5f);
    EXPECT_EQ(glass.evaluateAt(0, 0), (Rgba{0.5f, 0.25f, 1.0f, 0.5f}));
    EXPECT_NEAR(glass.evaluateAt(0, 0, true).r, 0.5 * glass.brightness(), 1e-6);
}

TEST_F(Shaders, NoiseIsRepeatableForASeedOnAnyThreadCountStaysInRangeAndToneStepsReshapeIt) {
    std::vector<std::unique_ptr<Shader>> kinds;
    for (int type : {1, 2, 3}) {
        auto n = std::make_unique<ShaderNoisePerlin>();
        n->type = type;
        kinds.push_back(std::move(n));
    }
    for (int type : {1, 2, 3, 4})
        for (int method : {1, 2, 3, 4}) {
            auto w = std::make_unique<ShaderNoiseWorley>();
            w->type = type;
            w->method = method;
            w->flatQuality = 2;
            kinds.push_back(std::move(w));
        }
    for (auto& s : kinds) {
        SCOPED_TRACE(s->className() + std::string(" ") + write(*s));
        s->notifyChange();
        std::vector<float> a = bake(*s, 48);
        auto again = Shader::create(s->className(), nullptr);
        again->copyFrom(*s);
        EXPECT_EQ(bake(*again, 48), a);
        float lo = 1, hi = 0;
        for (size_t i = 0; i < a.size(); ++i) {
            EXPECT_TRUE(a[i] >= 0.0f && a[i] <= 1.0f) << a[i];
            if (i % 4 == 0) lo = std::min(lo, a[i]), hi = std::max(hi, a[i]);
        }
        EXPECT_GT(hi - lo, 0.2f);  // a pattern, not a flat colour
    }
    ShaderNoisePerlin a, b;
    ShaderNoiseWorley c, d;
    b.seed = d.seed = 51;
    b.notifyChange();
    d.notifyChange();
    EXPECT_NE(bake(a, 32), bake(b, 32));
    EXPECT_NE(bake(c, 32), bake(d, 32));
    ShaderNoisePerlin marble;
    marble.type = ShaderNoisePerlin::kMarble;
    marble.notifyChange();
    EXPECT_EQ(bake(marble, 64, 2), bake(marble, 64, 1));
    ShaderNoisePerlin clipped, bright;
    clipped.tone = {.blackPoint = 0.45, .whitePoint = 0.55};
    clipped.notifyChange();
    std::vector<float> p = bake(a, 32), t = bake(clipped, 32);
    int extremes = 0;
    for (size_t i = 0; i < t.size(); i += 4) {
        if (t[i] == 0.0f || t[i] == 1.0f) ++extremes;
        EXPECT_TRUE(p[i] >= 0.449f || t[i] == 0.0f) << i << ": " << t[i];
    }
    EXPECT_GT(extremes, 32 * 32 / 4);
    // Equal points skip the remapping rather than dividing by zero.
    clipped.tone.whitePoint = clipped.tone.blackPoint;
    clipped.notifyChange();
    EXPECT_EQ(bake(clipped, 16), bake(a, 16));
    bright.tone.gamma = 0.8;
    bright.notifyChange();
    EXPECT_GT(bright.evaluateAt(0.3, 0.6).r, a.evaluateAt(0.3, 0.6).r);
}

TEST_F(Shaders, GridDrawsLinesOverTheFill) {
    ShaderGrid grid;
    EXPECT_EQ(bake(grid, 64, 2, true), bake(grid, 64, 1, true));  // on any thread count
    // Lines every 10 units, 2 wide, through the centre.
    EXPECT_NEAR(grid.evaluateAt(0.5, 0.53).b, 0.62, 1e-6);
    EXPECT_NEAR(grid.evaluateAt(0.55, 0.55).b, 1.0, 1e-6);
    // A footprint of one whole cell is covered one fifth by each set of lines.
    double k = 0.2 + (1 - 0.2) * 0.2;  // H lines, then V lines over them
    EXPECT_NEAR(grid.evaluate({0.5, 0.5, 0.6, 0.6}).r, 0.5 * (1 - k) + 0.2 * k, 1e-5);
    grid.hVisible = grid.vVisible = 0;
    EXPECT_NEAR(grid.evaluateAt(0.5, 0.5).r, 0.5, 1e-6);
    grid.hVisible = 1;
    grid.style = ShaderGrid::kRadialCircles;
    EXPECT_NEAR(grid.evaluateAt(0.5 + 0.06, 0.5 + 0.08).b, 0.62, 1e-6);  // 10 units out: a ring
    EXPECT_NEAR(grid.evaluateAt(0.5 + 0.15, 0.5).b, 1.0, 1e-6);          // 15 out: between rings
    grid.lineRotation = 45;
    grid.style = ShaderGrid::kGridPaper;
    grid.vVisible = 1;
    EXPECT_NEAR(grid.evaluateAt(0.55, 0.55).b, 0.62, 1e-6);  // on a diagonal line now
}

TEST_F(Shaders, GradientShaderFollowsItsUnitAndPlacement) {
    ShaderGradient s;
    s.unit.gradient.addColorStop(0, kxColor::fromRGB(0, 0, 0));
    s.unit.gradient.addColorStop(1, kxColor::fromRGB(65535, 65535, 65535));
    s.unit.gradient.addOpacityStop(0, 1);
    s.unit.gradient.addOpacityStop(1, 0.5);
    EXPECT_NEAR(s.evaluateAt(0.5, 0.5).r, 0.5, 1e-5);
    EXPECT_NEAR(s.evaluateAt(0.5, 0.5).a, 0.75, 1e-4);
    s.setPlacement({.translate = {0.125, 0, 0}});  // the texture point is moved before the lookup
    EXPECT_NEAR(s.evaluateAt(0.375, 0.5).r, 0.5, 1e-5);
    s.setPlacement({.scale = {0.5, 1, 1}});  // about the centre: u = 0.5 stays, u = 0.9 looks up 0.7
    EXPECT_NEAR(s.evaluateAt(0.5, 0.2).r, 0.5, 1e-5);
    EXPECT_NEAR(s.evaluateAt(0.9, 0.2).r, 0.9, 1e-5);
}

// The image shader samples its map by name; both it and the layer map shader are empty without their image.
TEST_F(Shaders, ImageAndLayerMapShadersSampleTheirPicturesAndAreEmptyWithoutThem) {
    SceneX scene;
    std::string path = dir.file("q.png");
    ASSERT_TRUE(test::writeImage(path, FIF_PNG, 8, 4, [](int x, int y) { return test::quadrant(x, y, 8, 4); }));
    auto* file = new ImageFile(scene, "Quads");
    file->setPath(path);
    auto* map = new ImageMap(scene, "QuadMap");
    map->setImageFile("Quads");
    auto s = read("begin ShaderImage\n image \"QuadMap\"\nend ShaderImage\n", &scene);
    ASSERT_NE(s, nullptr);
    EXPECT_NEAR(s->evaluateAt(0.125, 0.875).r, 1.0, 1e-6);
    test::expectColour(s->evaluateAt(0.875, 0.125), {1, 1, 1, 128 / 255.0f});  // half-transparent white, straight
    int w, h;
    s->naturalSize(w, h);
    EXPECT_EQ(std::pair(w, h), std::pair(8, 4));
    map->setName("Renamed");
    EXPECT_NEAR(s->evaluateAt(0.125, 0.875).r, 1.0, 1e-6);
    EXPECT_EQ(write(*s), " begin ShaderImage\n  image \"Renamed\"\n end ShaderImage\n");
    scene.clearUsedMarks();
    s->markUsed();
    EXPECT_EQ(std::pair(map->used(), file->used()), std::pair(true, true));
    ShaderImage nowhere(&scene);
    nowhere.setImage("NoSuchMap");
    EXPECT_EQ(nowhere.evaluateAt(0.5, 0.5), Rgba{});
    struct Layers : LayerMapSource {
        const Picture* layerMap(int index) override { return index == 2 ? &picture : nullptr; }
        Picture picture{1, 1};
    } layers;
    layers.picture.pixels() = {255, 0, 0, 0};  // red, fully transparent
    ShaderLayerMap layerMap;
    layerMap.index = 2;
    EXPECT_EQ(layerMap.evaluateAt(0.5, 0.5), Rgba{});
    ShaderLayerMap::setSource(&layers);
    EXPECT_EQ(layerMap.evaluateAt(0.5, 0.5).a, 0.0f);
    layerMap.fourChannels = false;  // three channels: the image counts as opaque
    EXPECT_EQ(layerMap.evaluateAt(0.5, 0.5), (Rgba{1, 0, 0, 1}));
    layerMap.index = 3;
    EXPECT_EQ(layerMap.evaluateAt(0.5, 0.5), Rgba{});
    ShaderLayerMap::setSource(nullptr);
}

TEST_F(Shaders, CopiesAreEqualOnlyWithinAKind) {
    ShaderNoiseWorley a, b;
    a.type = 3;
    a.exponent = 2.5;
    a.notifyChange();
    EXPECT_TRUE(b.copyFrom(a) && b.equals(a));
    ShaderColor c;
    EXPECT_FALSE(c.copyFrom(a) || c.equals(a));
    b.reset();
    EXPECT_TRUE(b.equals(ShaderNoiseWorley()));
}

}  // namespace
}  // namespace fw
