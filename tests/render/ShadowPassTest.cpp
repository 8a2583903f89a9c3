// Fitting the shadow map without OpenGL: whatever the light, every corner of the
// scene's box lands inside the map and inside its depth range.
#include "render/ShadowPass.h"

#include <gtest/gtest.h>

#include <numeric>

#include "render/LightX.h"
#include "scene/SceneX.h"

namespace fw {

namespace {

// The corner in map fractions (x, y) and at its distance along the light (z), as the
// lighting program reads the map.
glm::vec3 onMap(const ShadowPass::Fit& fit, double x, double y, double z) {
    glm::vec4 p = fit.view * glm::vec4(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), 1.0f);
    float depth = -p.z;
    if (fit.focal > 0) return {p.x * (fit.focal / depth) + 0.5f, p.y * (fit.focal / depth) + 0.5f, depth};
    return {(p.x - fit.lx) / fit.dx, (p.y - fit.ly) / fit.dy, depth};
}

void expectBoxOnMap(const ShadowPass::Fit& fit, const double box[6]) {
    for (int corner = 0; corner < 8; ++corner) {
        glm::vec3 m = onMap(fit, box[corner & 1 ? 3 : 0], box[corner & 2 ? 4 : 1], box[corner & 4 ? 5 : 2]);
        EXPECT_GE(m.x, 0.0f) << corner;
        EXPECT_LE(m.x, 1.0f) << corner;
        EXPECT_GE(m.y, 0.0f) << corner;
        EXPECT_LE(m.y, 1.0f) << corner;
        EXPECT_GE(m.z, fit.nearZ) << corner;
        EXPECT_LE(m.z, fit.farZ) << corner;
    }
}

}  // namespace

TEST(ShadowPass, DirectionalAndPointMapsHoldTheWholeScene) {
    SceneX scene;
    const double box[6] = {-3, -0.5, -2, 5, 4, 1};
    LightX sun(scene, "Sun");
    sun.rotate[0] = -60, sun.rotate[1] = 30;
    expectBoxOnMap(ShadowPass::fit(sun, 1, box), box);
    sun.rotate[0] = -90, sun.rotate[1] = 0;  // straight down, where the up vector must change
    expectBoxOnMap(ShadowPass::fit(sun, 1, box), box);

    LightX bulb(scene, "Bulb");
    bulb.setType(Light::kPoint);
    bulb.translate[0] = 12, bulb.translate[1] = 9, bulb.translate[2] = 15;
    ShadowPass::Fit fit = ShadowPass::fit(bulb, 3, box);
    EXPECT_EQ(fit.slot, 3);
    EXPECT_GT(fit.focal, 0.0f);
    expectBoxOnMap(fit, box);
}

TEST(ShadowPass, TheFilterIsANormalisedSymmetricKernelSizedBySoftness) {
    SceneX scene;
    const double box[6] = {-1, -1, -1, 1, 1, 1};
    LightX sun(scene, "Sun");
    for (int softness : {0, 1, 4, 6, 30}) {
        sun.shadowSoftness = softness;
        ShadowPass::Fit fit = ShadowPass::fit(sun, 1, box);
        int side = 2 * fit.filterHalf + 1;
        EXPECT_LE(side, 11);
        ASSERT_EQ(fit.weights.size(), static_cast<size_t>(side * side)) << softness;
        EXPECT_NEAR(std::accumulate(fit.weights.begin(), fit.weights.end(), 0.0), 1.0, 1e-5);
        float centre = fit.weights[fit.weights.size() / 2];
        for (size_t i = 0; i < fit.weights.size(); ++i) {
            EXPECT_FLOAT_EQ(fit.weights[i], fit.weights[fit.weights.size() - 1 - i]);
            EXPECT_LE(fit.weights[i], centre);
        }
    }
    sun.shadowMapXRes = 100000;  // beyond what a driver makes
    EXPECT_EQ(ShadowPass::fit(sun, 1, box).mapWidth, 8192);
}

}  // namespace fw
