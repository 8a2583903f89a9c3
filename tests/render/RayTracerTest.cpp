// The ray-traced frame over Embree without a project: what the nearest-hit structure
// hands back, how many rays each anti-alias level costs, ambient occlusion's direction
// sets and the abort flag.
#include "render/RayTracer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <set>

#include "TestBox.h"
#include "render/CameraX.h"
#include "render/LightX.h"
#include "render/DrawList.h"
#include "render/RayScene.h"
#include "scene/SceneX.h"

namespace fw {

namespace {

// Looks straight down -Z from z = 10 at a square of half side `half` around the origin.
RayTracer::View topDown(double half) {
    RayTracer::View view;
    view.toWorld = glm::translate(glm::dmat4(1.0), glm::dvec3(0, 0, 10));
    view.orthographic = true;
    view.nearHalf[0] = view.nearHalf[1] = view.farHalf[0] = view.farHalf[1] = half;
    view.clipNear = 0.1;
    view.clipFar = 100;
    return view;
}

struct Built {
    SceneX scene;
    DrawList list;
    RayScene rays;
    void build() {
        list.gather(scene);
        std::string error;
        ASSERT_TRUE(rays.build(list, error)) << error;
    }
};

RenderFrame frameOf(int w, int h) {
    RenderFrame frame;
    frame.width = w;
    frame.height = h;
    frame.background[0] = 0, frame.background[1] = 0, frame.background[2] = 1, frame.background[3] = 1;
    return frame;
}

const RayTracer::Shader kRed = [](const RayScene::Hit&, const glm::vec3&, glm::vec4& c) {
    c = glm::vec4(1, 0, 0, 1);
    return true;
};

}  // namespace

TEST(RayScene, NearestHitGivesItemTriangleDistanceAndSurface) {
    Built b;
    new test::TestBox(b.scene, "Near");
    auto* far = new test::TestBox(b.scene, "Far");
    far->translate[2] = -5;
    b.build();
    EXPECT_EQ(b.rays.triangleCount(), 24u);

    RayScene::Hit hit;
    ASSERT_TRUE(b.rays.intersect({0.5f, -0.25f, 10}, {0, 0, -1}, -1, hit));
    EXPECT_EQ(hit.item, 0);
    EXPECT_EQ(hit.part, 0);
    EXPECT_NEAR(hit.distance, 9.0f, 1e-5f);  // the near box's front face at z = 1
    EXPECT_NEAR(hit.position.z, 1.0f, 1e-5f);
    EXPECT_NEAR(hit.normal.z, 1.0f, 1e-5f);
    // The front face's square runs 0..1 across its 2 x 2 side.
    EXPECT_NEAR(hit.uv.x, 0.75f, 1e-5f);
    EXPECT_NEAR(hit.uv.y, 0.375f, 1e-5f);

    // Bounded short of the box: nothing; from behind the near box: the far one.
    EXPECT_FALSE(b.rays.intersect({0, 0, 10}, {0, 0, -1}, 8.5f, hit));
    ASSERT_TRUE(b.rays.intersect({0, 0, -2}, {0, 0, -1}, -1, hit));
    EXPECT_EQ(hit.item, 1);
    EXPECT_NEAR(hit.distance, 2.0f, 1e-5f);
    EXPECT_FALSE(b.rays.intersect({5, 5, 10}, {0, 0, -1}, -1, hit));
}

TEST(RayScene, RunningOutOfStorageFailsWithTheStructuresMessages) {
    Built b;
    for (int i = 0; i < 50; ++i) (new test::TestBox(b.scene, ("Box" + std::to_string(i)).c_str()))->translate[0] = i * 3;
    b.list.gather(b.scene);
    b.rays.setStorageLimit(4096);
    std::string error;
    EXPECT_FALSE(b.rays.build(b.list, error));
    EXPECT_TRUE(error == RayScene::kAllocationFailed || error == RayScene::kStorageOverflow) << error;
    RayScene::Hit hit;
    EXPECT_FALSE(b.rays.intersect({0, 0, 10}, {0, 0, -1}, -1, hit));
    // Without the limit the same list builds.
    b.rays.setStorageLimit(0);
    EXPECT_TRUE(b.rays.build(b.list, error));
    EXPECT_TRUE(b.rays.intersect({0, 0, 10}, {0, 0, -1}, -1, hit));
}

TEST(RayTracer, LevelsZeroAndOneTraceOneRayPerPixelAndNoSecondPass) {
    Built b;
    new test::TestBox(b.scene, "Box");
    b.build();
    for (int level : {0, 1}) {
        RayTracer tracer;
        RayTracer::Settings s;
        s.antiAlias = level;
        tracer.setSettings(s);
        RenderImage image;
        std::string error;
        ASSERT_TRUE(tracer.trace(b.rays, topDown(2), frameOf(12, 9), kRed, image, error)) << error;
        EXPECT_EQ(tracer.statistics().primaryRays, 12 * 9) << level;
        EXPECT_EQ(tracer.statistics().supersampledPixels, 0) << level;
        ASSERT_EQ(tracer.hitBuffer().size(), 12u * 9u);
        // Every point the buffer says was hit is red in the picture, every other one the background.
        int hits = 0;
        for (int r = 0; r < 9; ++r)
            for (int c = 0; c < 12; ++c) {
                bool hit = tracer.hitBuffer()[static_cast<size_t>(r) * 12 + c] == 0;
                hits += hit;
                const uint8_t* p = image.pixel(c, 8 - r);
                EXPECT_EQ(p[0], hit ? 255 : 0);
                EXPECT_EQ(p[2], hit ? 0 : 255);
            }
        EXPECT_GT(hits, 0);
        EXPECT_LT(hits, 12 * 9);
    }
}

TEST(RayTracer, LevelThreeSupersamplesOnlyWhereCornersDisagreeReusingCorners) {
    Built b;
    new test::TestBox(b.scene, "Box");
    b.build();
    RayTracer tracer;
    RayTracer::Settings s;
    s.antiAlias = 3;
    tracer.setSettings(s);
    RenderImage image;
    std::string error;
    const int corners = 9 * 9;

    // The box fills the view: flat interior pixels cost nothing beyond the corners.
    ASSERT_TRUE(tracer.trace(b.rays, topDown(0.8), frameOf(8, 8), kRed, image, error)) << error;
    EXPECT_EQ(tracer.statistics().primaryRays, corners);
    EXPECT_EQ(tracer.statistics().supersampledPixels, 0);
    EXPECT_EQ(tracer.hitBuffer().size(), static_cast<size_t>(corners));

    // Half the view is background: each silhouette pixel takes the pattern's 8 samples,
    // the one at its top-left corner from the first pass.
    ASSERT_TRUE(tracer.trace(b.rays, topDown(2.1), frameOf(8, 8), kRed, image, error)) << error;
    const long supersampled = tracer.statistics().supersampledPixels;
    EXPECT_GT(supersampled, 0);
    EXPECT_EQ(tracer.statistics().primaryRays, corners + 7 * supersampled);
    // A silhouette pixel mixes red and blue by the pattern's weights.
    bool mixed = false;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const uint8_t* p = image.pixel(x, y);
            if (p[0] > 0 && p[2] > 0) mixed = true;
            EXPECT_NEAR(p[0] + p[2], 255, 1) << x << "," << y;  // the weights sum to 1
        }
    EXPECT_TRUE(mixed);
}

TEST(RayTracer, CornersOfOneObjectDifferWhenTheirPremultipliedColoursDo) {
    Built b;
    new test::TestBox(b.scene, "Box");
    b.build();
    RenderImage image;
    std::string error;
    // Red steps up by `step` right of x = 0, at opacity `alpha`.
    auto stepped = [](float step, float alpha) {
        return [=](const RayScene::Hit& hit, const glm::vec3&, glm::vec4& c) {
            c = glm::vec4((hit.position.x > 0 ? 0.5f + step : 0.5f) * alpha, 0, 0, alpha);
            return true;
        };
    };
    RayTracer tracer;
    RayTracer::Settings s;
    s.antiAlias = 3;
    tracer.setSettings(s);
    struct Case {
        float step, alpha;
        long supersampled;
    } cases[] = {{0.05f, 1, 0}, {0.2f, 1, 8}, {0.2f, 0.25f, 0}};
    for (const Case& c : cases) {
        ASSERT_TRUE(tracer.trace(b.rays, topDown(0.8), frameOf(8, 8), stepped(c.step, c.alpha), image, error));
        EXPECT_EQ(tracer.statistics().supersampledPixels, c.supersampled) << c.step << " " << c.alpha;
        EXPECT_EQ(tracer.statistics().primaryRays, 81 + 7 * c.supersampled);
    }
}

TEST(RayTracer, SamplePatternsWeighToOneAndOtherLevelsUseARegularGrid) {
    const size_t counts[] = {5, 8, 11, 16};
    for (int level = 2; level <= 5; ++level) {
        auto p = RayTracer::pattern(level);
        ASSERT_EQ(p.size(), counts[level - 2]);
        double sum = 0;
        for (const auto& s : p) sum += s.weight;
        EXPECT_NEAR(sum, 1.0, 1e-5) << level;
        EXPECT_EQ(p[0].x, 0.0);
        EXPECT_EQ(p[0].y, 0.0);
    }
    auto grid = RayTracer::pattern(6);
    ASSERT_EQ(grid.size(), 36u);
    EXPECT_DOUBLE_EQ(grid[7].x, 0.2);
    EXPECT_DOUBLE_EQ(grid[7].y, 0.2);
    EXPECT_DOUBLE_EQ(grid[35].x, 1.0);
    EXPECT_DOUBLE_EQ(grid[35].weight, 1.0 / 36);
    EXPECT_TRUE(RayTracer::pattern(1).empty());

    // The grid's four corners come from the first pass: 32 new rays per silhouette pixel.
    Built b;
    new test::TestBox(b.scene, "Box");
    b.build();
    RayTracer tracer;
    RayTracer::Settings s;
    s.antiAlias = 6;
    tracer.setSettings(s);
    RenderImage image;
    std::string error;
    ASSERT_TRUE(tracer.trace(b.rays, topDown(2.1), frameOf(8, 8), kRed, image, error));
    EXPECT_GT(tracer.statistics().supersampledPixels, 0);
    EXPECT_EQ(tracer.statistics().primaryRays, 81 + 32 * tracer.statistics().supersampledPixels);
}

TEST(RayTracer, AmbientDirectionSetsAreFixedHemispheresAndOtherCountsTakeSixteen) {
    for (int n : {4, 16, 36, 64, 144, 256}) {
        const auto& set = RayTracer::ambientDirections(n);
        ASSERT_EQ(set.size(), static_cast<size_t>(n));
        std::set<std::tuple<float, float, float>> distinct;
        for (const glm::vec3& d : set) {
            EXPECT_NEAR(glm::length(d), 1.0f, 1e-5f);
            EXPECT_GT(d.y, 0.0f);
            distinct.insert({d.x, d.y, d.z});
        }
        EXPECT_EQ(distinct.size(), set.size());
        EXPECT_EQ(&RayTracer::ambientDirections(n), &set);  // built once
    }
    for (int other : {0, -4, 5, 20, 1000}) EXPECT_EQ(&RayTracer::ambientDirections(other), &RayTracer::ambientDirections(16));
}

TEST(RayTracer, OcclusionFollowsTheNormalAndTheDistance) {
    Built b;
    // A floor slab whose top lies at y = -1, wide enough to catch every downward ray.
    auto* floor = new test::TestBox(b.scene, "Floor", 400, 2, 400);
    floor->translate[1] = -2;
    b.build();
    long rays = 0;
    // Nothing above within reach: no darkening, one ray per direction.
    EXPECT_EQ(RayTracer::occlusion(b.rays, {0, 0, 0}, {0, 1, 0}, ~0u, 0, 20, 5.0, rays), 1.0);
    EXPECT_EQ(rays, 16);

    // Facing straight down at the floor from 1 above it: the set negated (and spun
    // about the normal, which keeps each ray's slope), each ray stopping at 1 / |y|,
    // counted from its start just off the surface along the normal.
    const auto& set = RayTracer::ambientDirections(36);
    double sum = 0;
    const double reach = 4;
    for (const glm::vec3& s : set) {
        double t = (1.0 - 4 * b.rays.epsilon()) / s.y;
        sum += t < reach ? t / reach : 1.0;
    }
    const double expected = (sum / 36) * (sum / 36);
    rays = 0;
    const double a = RayTracer::occlusion(b.rays, {0, 0, 0}, {0, -1, 0}, ~0u, 0, 36, reach, rays);
    EXPECT_NEAR(a, expected, 1e-5);
    EXPECT_LT(a, 1.0);
    EXPECT_EQ(rays, 36);
    // Tilted a little off -Y the set is rotated, and still almost all of it meets the floor.
    rays = 0;
    const double tilted =
        RayTracer::occlusion(b.rays, {0, 0, 0}, glm::normalize(glm::vec3(0.01f, -1, 0)), ~0u, 0, 36, reach, rays);
    EXPECT_NEAR(tilted, expected, 0.02);
    // The floor beyond reach does not count.
    EXPECT_EQ(RayTracer::occlusion(b.rays, {0, 0, 0}, {0, -1, 0}, ~0u, 0, 36, 0.5, rays), 1.0);
}

// A floor meeting a wall in a concave crease: points on the floor nearer the wall
// see more of it, right up to the crease. Rays started a fixed step along their own
// direction began inside the wall there and saw light through it.
TEST(RayTracer, OcclusionDeepensIntoAConcaveCrease) {
    Built b;
    auto* floor = new test::TestBox(b.scene, "Floor", 40, 2, 40);
    floor->translate[1] = -1;  // top at y = 0
    auto* wall = new test::TestBox(b.scene, "Wall", 2, 40, 40);
    wall->translate[0] = -1;  // face at x = 0
    b.build();
    double previous = 0;
    for (double x : {0.0005, 0.002, 0.005, 0.02, 0.1, 0.5}) {
        long rays = 0;
        const double a = RayTracer::occlusion(b.rays, {static_cast<float>(x), 0, 0.3f}, {0, 1, 0}, ~0u, 0, 256, 2.0,
                                              rays);
        // Half the hemisphere faces the wall; a point at the crease sees it at once.
        if (x < 0.01) {
            EXPECT_LT(a, 0.3) << x;
        }
        EXPECT_GE(a, previous - 0.02) << x;
        previous = a;
    }
}

TEST(RayTracer, AmbientOcclusionPerPixelDarkensOnlyOccludedPoints) {
    Built b;
    new test::TestBox(b.scene, "Box");
    b.build();
    RayTracer tracer;
    RayTracer::Settings s;
    s.ambientOcclusion = 3;
    s.ambientRays = 20;
    s.ambientDistance = 3;
    s.ambientDarkness = 0.5;
    tracer.setSettings(s);
    RenderImage lit, plain;
    std::string error;
    ASSERT_TRUE(tracer.trace(b.rays, topDown(0.8), frameOf(6, 6), kRed, lit, error)) << error;
    // The box's top face sees open sky: 16 rays a pixel, none darkening.
    EXPECT_EQ(tracer.statistics().ambientRays, 16 * 36);
    s.ambientOcclusion = 0;
    tracer.setSettings(s);
    ASSERT_TRUE(tracer.trace(b.rays, topDown(0.8), frameOf(6, 6), kRed, plain, error));
    EXPECT_EQ(tracer.statistics().ambientRays, 0);
    EXPECT_EQ(lit.rgba, plain.rgba);

    // A lid 1 above the face: every pixel darkened by a k + 1 - k with a from its rays.
    auto* lid = new test::TestBox(b.scene, "Lid", 10, 10, 0.2);
    lid->translate[2] = 2.1;
    b.list = DrawList();
    b.build();
    RayTracer::View below = topDown(0.8);
    below.clipNear = 8.05;  // starts under the lid
    s.ambientOcclusion = 3;
    s.ambientDarkness = 1;
    tracer.setSettings(s);
    ASSERT_TRUE(tracer.trace(b.rays, below, frameOf(6, 6), kRed, lit, error));
    long rays = 0;
    const double a = RayTracer::occlusion(b.rays, {0, 0, 1}, {0, 0, 1}, ~0u, 0, 16, 3, rays);
    ASSERT_LT(a, 0.9);
    EXPECT_NEAR(lit.pixel(3, 3)[0], std::lround(255 * a), 2);
    EXPECT_EQ(lit.pixel(3, 3)[3], 255);  // alpha stays
}

TEST(RayTracer, AmbientOcclusionPerVertexTracesFromEachVertexAndInterpolates) {
    Built b;
    new test::TestBox(b.scene, "Box");
    auto* lid = new test::TestBox(b.scene, "Lid", 10, 10, 0.2);
    lid->translate[2] = 2.1;
    b.build();
    RayTracer tracer;
    RayTracer::Settings s;
    s.ambientOcclusion = 2;
    s.ambientRays = 20;
    s.ambientDistance = 3;
    s.ambientDarkness = 1;
    tracer.setSettings(s);
    RayTracer::View below = topDown(0.8);
    below.clipNear = 8.05;  // starts under the lid
    RenderImage image;
    std::string error;
    ASSERT_TRUE(tracer.trace(b.rays, below, frameOf(6, 6), kRed, image, error)) << error;
    // Sixteen rays from each of the two boxes' 24 vertices, none per pixel.
    EXPECT_EQ(tracer.statistics().ambientRays, 16 * 48);
    // Under the wide lid every corner of the top face is as occluded as its middle.
    long rays = 0;
    const double a = RayTracer::occlusion(b.rays, {0, 0, 1}, {0, 0, 1}, ~0u, 0, 16, 3, rays);
    ASSERT_LT(a, 0.9);
    for (int x : {0, 3, 5}) EXPECT_NEAR(image.pixel(x, 2)[0], std::lround(255 * a), 2) << x;

    // Without the lid the vertices see open sky and the colour stays.
    Built open;
    new test::TestBox(open.scene, "Box");
    open.build();
    ASSERT_TRUE(tracer.trace(open.rays, topDown(0.8), frameOf(6, 6), kRed, image, error));
    EXPECT_EQ(tracer.statistics().ambientRays, 16 * 24);
    EXPECT_EQ(image.pixel(2, 2)[0], 255);
}

TEST(RayTracer, AnAbortedFrameKeepsItsFinishedRowsAndFails) {
    Built b;
    new test::TestBox(b.scene, "Box");
    b.build();
    for (int level : {0, 3}) {
        RayTracer tracer;
        RayTracer::Settings s;
        s.antiAlias = level;
        s.multiThreaded = false;  // rows in order, so the stop falls after the first
        tracer.setSettings(s);
        tracer.setProgress([&](int done, int) {
            if (done == 1) tracer.abort();
        });
        RenderImage image;
        std::string error;
        EXPECT_FALSE(tracer.trace(b.rays, topDown(0.8), frameOf(8, 8), kRed, image, error));
        EXPECT_FALSE(error.empty());
        ASSERT_EQ(image.width, 8);
        // The top row was traced, the ones below it were not.
        EXPECT_EQ(image.pixel(4, 7)[0], 255) << level;
        EXPECT_EQ(image.pixel(4, 3)[0], 0) << level;
        EXPECT_EQ(tracer.statistics().primaryRays, level == 0 ? 8 : 9);
    }
}

TEST(RayTracer, RefusesSettingsItCannotHonour) {
    Built b;
    b.build();
    RenderImage image;
    std::string error;
    RayTracer tracer;
    RayTracer::Settings s;
    for (int mode : {2, 3}) {
        s.ambientOcclusion = mode;
        s.ambientDistance = 0;
        tracer.setSettings(s);
        EXPECT_FALSE(tracer.trace(b.rays, topDown(1), frameOf(4, 4), kRed, image, error));
        EXPECT_NE(error.find("distance"), std::string::npos);
    }
    s = RayTracer::Settings();
    s.antiAlias = -1;
    tracer.setSettings(s);
    EXPECT_FALSE(tracer.trace(b.rays, topDown(1), frameOf(4, 4), kRed, image, error));
    // An empty scene renders the background.
    tracer.setSettings(RayTracer::Settings());
    ASSERT_TRUE(tracer.trace(b.rays, topDown(1), frameOf(4, 4), kRed, image, error)) << error;
    EXPECT_EQ(image.pixel(0, 0)[2], 255);
    EXPECT_EQ(image.pixel(3, 3)[0], 0);
}

// Whole frames through RayTracer::render: lights, shadows and the colour texture.
class TracedScene : public ::testing::Test {
protected:
    void SetUp() override {
        camera = new CameraX(scene, "Cam");
        camera->translate[2] = 10;
        frame.width = frame.height = 200;
    }
    RenderImage draw() {
        RenderImage image;
        std::string error;
        EXPECT_TRUE(tracer.render(scene, *camera, frame, image, error)) << error;
        return image;
    }
    LightX* addLight(int type, double intensity = 1.0) {
        auto* light = new LightX(scene, nullptr);
        light->setType(type);
        light->intensity = intensity;
        return light;
    }
    static int grey(const RenderImage& image, int x, int y) { return image.pixel(x, y)[1]; }

    SceneX scene;
    CameraX* camera = nullptr;
    RenderFrame frame;
    RayTracer tracer;
};

TEST_F(TracedScene, FacesTowardsALightAreBrighterAndNeverPassTheirTexture) {
    auto* box = new test::TestBox(scene, "Box");
    box->rotate[1] = 45;
    addLight(Light::kAmbient)->color[0] = 0;
    auto* sun = addLight(Light::kDirectional);
    sun->rotate[1] = 90;  // the light comes from the right
    RenderImage lit = draw();
    const int y = frame.height / 2;
    EXPECT_GT(grey(lit, frame.width / 2 + 20, y), grey(lit, frame.width / 2 - 20, y) + 50);
    EXPECT_EQ(tracer.statistics().shadowFeelers, 0);  // no light casts shadows

    sun->setFlag(DAGNode::kVisible, false);
    addLight(Light::kAmbient, 3.0);
    RenderImage ambient = draw();
    // The fallback material's 0.8 grey, however strong the light.
    EXPECT_NEAR(grey(ambient, frame.width / 2 + 20, y), 204, 1);
    EXPECT_NEAR(grey(ambient, frame.width / 2 - 20, y), 204, 1);
    EXPECT_EQ(grey(ambient, 2, 2), 0);  // the background
}

TEST_F(TracedScene, ShadowRaysDarkenByTheLightsShadowDarkness) {
    auto* ground = new test::TestBox(scene, "Ground", 8, 0.2, 8);
    ground->translate[1] = -1.5;
    new test::TestBox(scene, "Block", 1, 1, 1);
    camera->translate[1] = 6;
    camera->rotate[0] = -35;
    auto* sun = addLight(Light::kDirectional);
    sun->rotate[0] = -90;  // straight down
    sun->shadow = true;
    sun->shadowDarkness = 0.8;
    RenderImage shadowed = draw();
    EXPECT_GT(tracer.statistics().shadowFeelers, 0);
    sun->shadow = false;
    RenderImage plain = draw();
    // Under the block the ground keeps a fifth of its light; elsewhere it is unchanged.
    int dark = 0, other = 0;
    for (size_t i = 1; i < plain.rgba.size(); i += 4) {
        if (plain.rgba[i] == shadowed.rgba[i]) continue;
        if (std::abs(static_cast<int>(shadowed.rgba[i]) - static_cast<int>(std::lround(plain.rgba[i] * 0.2))) <= 1)
            ++dark;
        else
            ++other;
    }
    EXPECT_GT(dark, 50);
    EXPECT_LT(other, dark / 10);  // only the shadow's edge falls between
    // The settings' switch turns the feelers off.
    sun->shadow = true;
    RayTracer::Settings s;
    s.shading.shadows = false;
    tracer.setSettings(s);
    EXPECT_EQ(draw().rgba, plain.rgba);
    EXPECT_EQ(tracer.statistics().shadowFeelers, 0);
}

TEST_F(TracedScene, TheColourTextureIsSampledAtTheHitsCoordinatesAndRepeats) {
    new test::TestBox(scene, "Box");
    addLight(Light::kAmbient);
    BakedMaterial stripes;
    stripes.lighting = false;
    stripes.surface[0].color.width = 2;
    stripes.surface[0].color.height = 1;
    stripes.surface[0].color.rgba = {255, 0, 0, 255, 0, 255, 0, 255};  // red, then green
    tracer.setMaterialLookup([&](Object&, int) { return &stripes; });
    RenderImage image = draw();
    // The front face z = 1 runs u from 0 at x = -1 to 1 at x = 1.
    double hw, hh;
    camera->frustumAt(9, hw, hh);
    auto column = [&](double x) { return static_cast<int>((x / hw + 1) / 2 * frame.width); };
    const int y = frame.height / 2;
    const uint8_t* left = image.pixel(column(-0.5), y);  // u = 0.25: the red texel's centre
    EXPECT_NEAR(left[0], 255, 8);
    EXPECT_NEAR(left[1], 0, 8);
    const uint8_t* right = image.pixel(column(0.5), y);
    EXPECT_NEAR(right[0], 0, 8);
    EXPECT_NEAR(right[1], 255, 8);
    // At the face's left edge the texture wraps: red blends with the green of its far side.
    const uint8_t* edge = image.pixel(column(-0.97), y);
    EXPECT_GT(edge[0], 60);
    EXPECT_GT(edge[1], 60);
    const uint8_t* middle = image.pixel(column(0.0), y);
    EXPECT_NEAR(middle[0], middle[1], 20);
}

}  // namespace fw
