// The ray-traced frame over Embree without a project: rays each anti-alias level costs, ambient occlusion, the abort
// flag; then shading hits: light falloff, the shadow rays a light costs, total internal reflection, the bounce limit.
#include "render/RayTracer.h"

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "Frames.h"
#include "render/DrawList.h"
#include "render/RayScene.h"
#include "render/RayShading.h"

namespace fw {
namespace {

// Looks straight down -Z from z = 10 at a square of half side `half` around the origin.
RayTracer::View topDown(double half) {
    return {.toWorld = glm::translate(glm::dmat4(1.0), glm::dvec3(0, 0, 10)), .orthographic = true,
            .nearHalf = {half, half}, .farHalf = {half, half}, .clipNear = 0.1, .clipFar = 100};
}

struct Built {
    SceneX scene;
    DrawList list;
    RayScene rays;
    void build(const BakedMaterial* wearing = nullptr) {
        list.gather(scene);
        if (wearing) list.assignMaterials([=](Object&, int) { return wearing; });
        std::string error;
        ASSERT_TRUE(rays.build(list, error)) << error;
    }
};

const RayTracer::Shader kRed = [](const RayScene::Hit&, const glm::vec3&, glm::vec4& c) {
    c = glm::vec4(1, 0, 0, 1);
    return true;
};

// A frame of a built scene traced by one tracer, with what it cost.
struct Trace {
    RayTracer tracer;
    RenderImage image;
    std::string error;
    bool run(const Built& b, const RayTracer::Settings& s, const RayTracer::View& view, int width, int height = 0,
             const RayTracer::Shader& shade = kRed) {
        RenderFrame frame;  // on blue
        frame.width = width, frame.height = height ? height : width;
        frame.background[2] = frame.background[3] = 1;
        tracer.setSettings(s);
        return tracer.trace(b.rays, view, frame, shade, image, error);
    }
    const RayTracer::Statistics& stats() const { return tracer.statistics(); }
};

}  // namespace

// Levels 0 and 1 trace one ray a pixel and no second pass. A pixel is supersampled where its corners meet different
// items or premultiplied colours further apart than 0.1: it takes its pattern's samples but the corners the first pass
// traced, one of the 5, 8, 11 or 16 of levels 2 to 5, four of level 6's 6 x 6 grid.
TEST(RayTracer, EachLevelTracesItsRaysSupersamplesWhereCornersDisagreeAndAnAbortKeepsFinishedRows) {
    Built b;
    new test::TestBox(b.scene, "Box");  // 2 x 2 x 2 at the origin
    b.build();
    for (int level : {0, 1}) {
        Trace t;
        ASSERT_TRUE(t.run(b, {.antiAlias = level}, topDown(2), 12, 9)) << t.error;
        EXPECT_EQ(std::tuple(t.stats().primaryRays, t.stats().supersampledPixels), std::tuple(12 * 9, 0)) << level;
        ASSERT_EQ(t.tracer.hitBuffer().size(), 12u * 9u);
        // Every point the buffer says was hit is red in the picture, every other one the background.
        for (int r = 0; r < 9; ++r)
            for (int c = 0; c < 12; ++c) {
                const bool hit = t.tracer.hitBuffer()[static_cast<size_t>(r) * 12 + c] == 0;
                const uint8_t* p = t.image.pixel(c, 8 - r);
                EXPECT_EQ(std::pair(int(p[0]), int(p[2])), hit ? std::pair(255, 0) : std::pair(0, 255)) << r * 12 + c;
            }
    }
    // Red steps up by `step` right of x = 0, at opacity `alpha`.
    auto stepped = [](float step, float alpha) -> RayTracer::Shader {
        return [=](const RayScene::Hit& hit, const glm::vec3&, glm::vec4& c) {
            c = glm::vec4((hit.position.x > 0 ? 0.5f + step : 0.5f) * alpha, 0, 0, alpha);
            return true;
        };
    };
    // Name, level, the view's half side (0.8 inside the box, 2.1 half background), shader, supersampled pixels (-1:
    // some) and new rays per supersampled pixel.
    const std::tuple<const char*, int, double, RayTracer::Shader, long, int> cases[] = {
        {"flat inside", 3, 0.8, kRed, 0, 7},
        {"silhouette, level 2", 2, 2.1, kRed, -1, 4},
        {"silhouette, level 3", 3, 2.1, kRed, -1, 7},
        {"silhouette, level 4", 4, 2.1, kRed, -1, 10},
        {"silhouette, level 5", 5, 2.1, kRed, -1, 15},
        {"silhouette on a grid", 6, 2.1, kRed, -1, 32},
        {"a small step", 3, 0.8, stepped(0.05f, 1), 0, 7},
        {"a large step", 3, 0.8, stepped(0.2f, 1), 8, 7},
        {"a large step, mostly clear", 3, 0.8, stepped(0.2f, 0.25f), 0, 7}};
    Trace t;
    for (const auto& [name, level, half, shade, expected, fresh] : cases) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(t.run(b, {.antiAlias = level}, topDown(half), 8, 8, shade)) << t.error;
        const long supersampled = t.stats().supersampledPixels;
        EXPECT_TRUE(expected < 0 ? supersampled > 0 : supersampled == expected) << supersampled;
        EXPECT_EQ(t.stats().primaryRays, 9 * 9 + fresh * supersampled);
        if (half != 2.1) continue;
        // A silhouette pixel mixes red and blue by the pattern's weights.
        bool mixed = false;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const uint8_t* p = t.image.pixel(x, y);
                mixed = mixed || (p[0] > 0 && p[2] > 0);
                EXPECT_NEAR(p[0] + p[2], 255, 1) << x << "," << y;  // the weights sum to 1
            }
        EXPECT_TRUE(mixed);
    }
    // An aborted frame keeps its finished rows and fails.
    for (int level : {0, 3}) {
        Trace t;
        t.tracer.setProgress([&](int done, int) { if (done == 1) t.tracer.abort(); });
        // Rows in order, so the stop falls after the first.
        EXPECT_FALSE(t.run(b, {.antiAlias = level, .multiThreaded = false}, topDown(0.8), 8));
        EXPECT_FALSE(t.error.empty());
        ASSERT_EQ(t.image.width, 8);
        // The top row was traced, the ones below it were not.
        EXPECT_EQ(std::tuple(int(t.image.pixel(4, 7)[0]), int(t.image.pixel(4, 3)[0]), t.stats().primaryRays),
                  std::tuple(255, 0, level == 0 ? 8L : 9L)) << level;
    }
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
    }
    for (int other : {0, -4, 5, 20, 1000})
        EXPECT_EQ(RayTracer::ambientDirections(other), RayTracer::ambientDirections(16));
}

TEST(RayTracer, OcclusionFollowsTheNormalAndTheDistanceAndDeepensIntoAConcaveCrease) {
    Built b;
    // A floor slab whose top lies at y = -1, wide enough to catch every downward ray.
    (new test::TestBox(b.scene, "Floor", 400, 2, 400))->translate[1] = -2;
    b.build();
    long rays = 0;
    auto occlusion = [&](float y, glm::vec3 normal, double reach) {
        rays = 0;
        return RayTracer::occlusion(b.rays, {0, y, 0}, glm::normalize(normal), ~0u, 0, 36, reach, rays);
    };
    // Nothing above within reach: no darkening, one ray per direction.
    EXPECT_EQ(occlusion(0, {0, 1, 0}, 5), 1.0);
    EXPECT_EQ(rays, 36);
    // Facing the floor: darker the nearer it is or the longer the reach; a normal tilted
    // a little turns the set, and nearly all of it still meets the floor.
    const double a = occlusion(0, {0, -1, 0}, 4);
    EXPECT_THAT(a, ::testing::AllOf(::testing::Gt(0.05), ::testing::Lt(0.6)));
    EXPECT_LT(occlusion(-0.5f, {0, -1, 0}, 4), a - 0.05);
    EXPECT_LT(occlusion(0, {0, -1, 0}, 8), a - 0.05);
    EXPECT_NEAR(occlusion(0, {0.01f, -1, 0}, 4), a, 0.02);
    // The floor beyond reach does not count.
    EXPECT_EQ(occlusion(0, {0, -1, 0}, 0.5), 1.0);
    // A floor meeting a wall in a concave crease: points nearer the wall see more of it, right up to the crease. Rays
    // started a fixed step along their own direction began inside the wall there and saw light through it.
    Built crease;
    (new test::TestBox(crease.scene, "Floor", 40, 2, 40))->translate[1] = -1;  // top at y = 0
    (new test::TestBox(crease.scene, "Wall", 2, 40, 40))->translate[0] = -1;   // face at x = 0
    crease.build();
    double previous = 0;
    for (double x : {0.0005, 0.002, 0.005, 0.02, 0.1, 0.5}) {
        const double a = RayTracer::occlusion(crease.rays, {float(x), 0, 0.3f}, {0, 1, 0}, ~0u, 0, 256, 2.0, rays);
        // Half the hemisphere faces the wall; a point at the crease sees it at once.
        EXPECT_TRUE(x >= 0.01 || a < 0.3) << x << ": " << a;
        EXPECT_GE(a, previous - 0.02) << x;
        previous = a;
    }
}

TEST(RayTracer, AmbientOcclusionPerPixelOrPerVertexDarkensOnlyOccludedPoints) {
    for (int mode : {3, 2}) {  // per pixel; from each vertex, interpolated
        SCOPED_TRACE(mode);
        Built b;
        new test::TestBox(b.scene, "Box");
        b.build();
        const RayTracer::Settings s{
            .ambientOcclusion = mode, .ambientRays = 20, .ambientDistance = 3, .ambientDarkness = 1};
        Trace t;
        // Open sky over the box's top face: sixteen rays a pixel or a vertex, none darkening.
        ASSERT_TRUE(t.run(b, s, topDown(0.8), 6)) << t.error;
        EXPECT_EQ(t.stats().ambientRays, 16 * (mode == 3 ? 36 : 24));
        const RenderImage open = t.image;
        ASSERT_TRUE(t.run(b, {}, topDown(0.8), 6));
        EXPECT_EQ(open.rgba, t.image.rgba);
        // Under a wide lid 1 above the face every point, the face's corners too, is as
        // occluded as its middle; per vertex the lid's vertices trace as well.
        (new test::TestBox(b.scene, "Lid", 10, 10, 0.2))->translate[2] = 2.1;
        b.list = DrawList();
        b.build();
        RayTracer::View below = topDown(0.8);
        below.clipNear = 8.05;  // under the lid
        ASSERT_TRUE(t.run(b, s, below, 6));
        EXPECT_EQ(t.stats().ambientRays, 16 * (mode == 3 ? 36 : 48));
        long rays = 0;
        const double a = RayTracer::occlusion(b.rays, {0, 0, 1}, {0, 0, 1}, ~0u, 0, 16, 3, rays);
        ASSERT_LT(a, 0.9);
        for (int x : {0, 3, 5}) EXPECT_NEAR(t.image.pixel(x, 2)[0], std::lround(255 * a), 2) << x;
        EXPECT_EQ(t.image.pixel(3, 3)[3], 255);  // alpha stays
    }
}

TEST(RayTracer, RefusesSettingsItCannotHonour) {
    Built b;
    b.build();
    Trace t;
    // Per-pixel occlusion without a distance is refused through the program too (tests/app/RayTraceRenderTest.cpp).
    EXPECT_FALSE(t.run(b, {.ambientOcclusion = 2, .ambientDistance = 0}, topDown(1), 4));
    EXPECT_NE(t.error.find("distance"), std::string::npos);
    EXPECT_FALSE(t.run(b, {.antiAlias = -1}, topDown(1), 4));
    // An empty scene renders the background.
    ASSERT_TRUE(t.run(b, {}, topDown(1), 4)) << t.error;
    EXPECT_EQ(std::tuple(t.image.pixel(0, 0)[2], t.image.pixel(3, 3)[0]), std::tuple(255, 0));
}

TEST(RayShading, FalloffFollowsTheLightsDistance) {
    auto at = [](int kind, double distance) { return RayShading::falloff(kind, distance, 100); };  // reach 100
    EXPECT_EQ((std::vector{at(Light::kAbrupt, 99) - at(Light::kAbrupt, 101), at(Light::kLinear, 25),
                           at(Light::kLinear, 150), at(Light::kInverseSquare, 50), at(Light::kInverseSquare, 200),
                           at(Light::kNone, 1e6)}),
              (std::vector{1.0f, 0.75f, 0.0f, 1.0f, 0.25f, 1.0f}));
}

// A wall filling the frame, lit head-on by a shadow-casting directional light: each pixel a shaded point facing it.
class RayShadingFrames : public test::Frames {};

TEST_F(RayShadingFrames, EachShadedPointCastsTheTablesRaysPerLight) {
    new test::TestBox(scene, "Wall", 40, 40, 1);
    addLight(Light::kDirectional)->shadow = true;
    frame.width = 12, frame.height = 10;
    RayTracer tracer;
    auto feelers = [&](bool soft, int rays) {
        tracer.setSettings({.shading = {.traceShadows = soft, .shadowRays = rays}});
        draw(tracer);
        return tracer.statistics().shadowFeelers;
    };
    const long points = frame.width * frame.height;
    // Hard shadows: one feeler; soft: the largest table not above the count.
    EXPECT_EQ((std::vector{feelers(false, 64), feelers(true, 16), feelers(true, 20), feelers(true, 1)}),
              (std::vector{points, points * 16, points * 16, points}));
}

// A clear glass hit made by hand, far from any geometry, so that every ray it sends
// leaves the scene: the background says which way each went (red up, green down).
TEST(RayShading, GlassRefractsOrReflectsEverythingInsideTheCriticalAngle) {
    Built b;
    new test::TestBox(b.scene, "Block");
    BakedMaterial glass;
    glass.lighting = false;
    glass.surface[0].opacity = 0;
    glass.surface[0].refraction = 1.5f;
    b.build(&glass);
    const RayScene::Hit hit{.item = 0, .part = 0, .position = glm::vec3(100), .normal = {0, 1, 0},
                            .faceNormal = {0, 1, 0}};  // the glass's top, met from inside
    auto leaving = [&](double degrees, int bounces, long& sent) {
        RayShading shading(b.rays, b.list, LightSlots(), {.maxBounces = bounces},
                           [](const glm::vec3&, const glm::vec3& d) {
                               return d.y > 0 ? glm::vec4(1, 0, 0, 1) : glm::vec4(0, 1, 0, 1);
                           });
        const double a = degrees * 3.14159265358979 / 180;
        glm::vec4 colour;
        EXPECT_TRUE(shading.shade(hit, glm::vec3(std::sin(a), std::cos(a), 0), 0, colour));
        sent = shading.secondaryRays();
        return colour;
    };
    long sent = 0;
    // Past the critical angle (41.8 degrees for 1.5) nothing gets out.
    glm::vec4 c = leaving(60, 4, sent);
    EXPECT_LT(c.r, 0.01f);
    EXPECT_GT(c.g, 0.99f);
    EXPECT_EQ(sent, 1);
    // Steeply up, most of it leaves; Fresnel keeps a few percent inside.
    c = leaving(20, 4, sent);
    EXPECT_GT(c.r, 0.85f);
    EXPECT_THAT(c.g, ::testing::AllOf(::testing::Gt(0.01f), ::testing::Lt(0.15f)));
    EXPECT_EQ(sent, 2);
    // No bounces: no ray is sent, the background stands in along the same directions.
    c = leaving(20, 0, sent);
    EXPECT_EQ(sent, 0);
    EXPECT_GT(c.r, 0.85f);
}

}  // namespace fw
