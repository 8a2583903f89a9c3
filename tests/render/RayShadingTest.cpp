// Shading of ray-traced hits: light falloff, the shadow rays a light costs, total
// internal reflection and the bounce limit.
#include "render/RayShading.h"

#include <gtest/gtest.h>

#include <cmath>

#include "TestBox.h"
#include "render/CameraX.h"
#include "render/Light.h"
#include "render/LightX.h"
#include "render/RayTracer.h"
#include "scene/SceneX.h"

namespace fw {

TEST(RayShading, FalloffFollowsTheLightsDistance) {
    EXPECT_EQ(RayShading::falloff(Light::kAbrupt, 99, 100) - RayShading::falloff(Light::kAbrupt, 101, 100), 1.0f);
    EXPECT_FLOAT_EQ(RayShading::falloff(Light::kLinear, 25, 100), 0.75f);
    EXPECT_EQ(RayShading::falloff(Light::kLinear, 150, 100), 0.0f);
    EXPECT_EQ(RayShading::falloff(Light::kInverseSquare, 50, 100), 1.0f);
    EXPECT_FLOAT_EQ(RayShading::falloff(Light::kInverseSquare, 200, 100), 0.25f);
    EXPECT_EQ(RayShading::falloff(Light::kNone, 1e6, 100), 1.0f);
}

// A wall filling the frame, lit head-on by a shadow-casting directional light: every
// pixel is a shaded point facing the light.
TEST(RayShading, EachShadedPointCastsTheTablesRaysPerLight) {
    SceneX scene;
    auto* camera = new CameraX(scene, "Cam");
    camera->translate[2] = 10;
    new test::TestBox(scene, "Wall", 40, 40, 1);
    auto* sun = new LightX(scene, nullptr);
    sun->setType(Light::kDirectional);
    sun->shadow = true;
    RenderFrame frame;
    frame.width = 12, frame.height = 10;
    RayTracer tracer;
    auto feelers = [&](bool soft, int rays) {
        RayTracer::Settings s;
        s.shading.traceShadows = soft;
        s.shading.shadowRays = rays;
        tracer.setSettings(s);
        RenderImage image;
        std::string error;
        EXPECT_TRUE(tracer.render(scene, *camera, frame, image, error)) << error;
        return tracer.statistics().shadowFeelers;
    };
    const long points = frame.width * frame.height;
    EXPECT_EQ(feelers(false, 64), points);
    EXPECT_EQ(feelers(true, 16), points * 16);
    EXPECT_EQ(feelers(true, 20), points * 16);  // the largest table not above the count
    EXPECT_EQ(feelers(true, 1), points);
}

// A clear glass hit made by hand, far from any geometry, so that every ray it sends
// leaves the scene: the background says which way each went (red up, green down).
TEST(RayShading, GlassRefractsOrReflectsEverythingInsideTheCriticalAngle) {
    SceneX scene;
    new test::TestBox(scene, "Block");
    BakedMaterial glass;
    glass.lighting = false;
    glass.surface[0].opacity = 0;
    glass.surface[0].refraction = 1.5f;
    DrawList list;
    list.gather(scene);
    list.assignMaterials([&](Object&, int) { return &glass; });
    RayScene rays;
    std::string error;
    ASSERT_TRUE(rays.build(list, error)) << error;
    RayScene::Hit hit;
    hit.item = hit.part = 0;
    hit.position = glm::vec3(100, 100, 100);
    hit.normal = hit.faceNormal = glm::vec3(0, 1, 0);  // the glass's top, met from inside
    auto leaving = [&](double degrees, int bounces, long& sent) {
        RayShading::Settings settings;
        settings.maxBounces = bounces;
        RayShading shading(rays, list, LightSlots(), settings, [](const glm::vec3&, const glm::vec3& d) {
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
    EXPECT_GT(c.g, 0.01f);
    EXPECT_LT(c.g, 0.15f);
    EXPECT_EQ(sent, 2);
    // No bounces: no ray is sent, the background stands in along the same directions.
    c = leaving(20, 0, sent);
    EXPECT_EQ(sent, 0);
    EXPECT_GT(c.r, 0.85f);
}

}  // namespace fw
