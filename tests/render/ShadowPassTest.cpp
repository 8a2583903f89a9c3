// Fitting the shadow map without OpenGL: whatever the light, what casts shadows lands inside the map and its depth
// range, and the map spends its texels on the shadows the camera sees, not on a floor that casts none.
#include "render/ShadowPass.h"

#include <glm/gtc/matrix_transform.hpp>
#include <numeric>

#include "render/LightX.h"
#include "scene/SceneX.h"

namespace fw {
namespace {

// The point in map fractions (x, y) and at its distance along the light (z), as the lighting program reads the map.
glm::dvec3 onMap(const ShadowPass::Fit& fit, const glm::dvec3& at) {
    glm::dvec4 p = glm::dmat4(fit.view) * glm::dvec4(at, 1.0);
    double depth = -p.z;
    if (fit.focal > 0) return {p.x * (fit.focal / depth) + 0.5, p.y * (fit.focal / depth) + 0.5, depth};
    return {(p.x - fit.lx) / fit.dx, (p.y - fit.ly) / fit.dy, depth};
}

glm::dvec3 corner(const double box[6], int k) { return {box[k & 1 ? 3 : 0], box[k & 2 ? 4 : 1], box[k & 4 ? 5 : 2]}; }

void expectOnMap(const ShadowPass::Fit& fit, const glm::dvec3& at, const char* what) {
    const glm::dvec3 m = onMap(fit, at), low(0, 0, fit.nearZ), high(1, 1, fit.farZ);
    for (int k : {0, 1, 2}) EXPECT_TRUE(low[k] <= m[k] && m[k] <= high[k]) << what << ", axis " << k << ": " << m[k];
}

// A letter 50 tall on a floor 2000 by 1400 and 6 thick, seen from above and in front, as in the soft-shadow example.
constexpr ShadowPass::Scope::Item kFloor{{-1000, -32, -800, 1000, -26, 600}, true, true};  // convex
constexpr ShadowPass::Scope::Item kLetter{{-25, -26, -10, 25, 28, 12}, true, false};

// The six planes bounding what a camera's projection times view `m` sees.
std::vector<glm::dvec4> planesOf(const glm::dmat4& m) {
    auto row = [&](int r) { return glm::dvec4(m[0][r], m[1][r], m[2][r], m[3][r]); };
    std::vector<glm::dvec4> planes;
    for (int r = 0; r < 3; ++r) planes.insert(planes.end(), {row(3) + row(r), row(3) - row(r)});
    return planes;
}

ShadowPass::Scope letterOnFloor() {
    return {{kFloor, kLetter},
            planesOf(glm::frustum(-0.035, 0.035, -0.035 * 270 / 480, 0.035 * 270 / 480, 0.1, 30000.0) *
                     glm::lookAt(glm::dvec3(0, 110, 230), glm::dvec3(0, 0, 0), glm::dvec3(0, 1, 0)))};
}

}  // namespace

TEST(ShadowPass, AWholeCastingBoxLandsOnTheMapWhateverTheLightAndTheFilterIsANormalisedKernelSizedBySoftness) {
    SceneX scene;
    const ShadowPass::Scope::Item box{{-3, -0.5, -2, 5, 4, 1}, true, false};
    const ShadowPass::Scope alone{{box}, {}}, cube{{{{-1, -1, -1, 1, 1, 1}, true, false}}, {}};  // each seen whole
    LightX sun(scene, "Sun");
    sun.rotate[0] = -60, sun.rotate[1] = 30;
    for (int straightDown : {0, 1}) {  // straight down, the up vector must change
        if (straightDown) sun.rotate[0] = -90, sun.rotate[1] = 0;
        std::optional<ShadowPass::Fit> fit = ShadowPass::fit(sun, 1, alone);
        ASSERT_TRUE(fit);
        for (int k = 0; k < 8; ++k) expectOnMap(*fit, corner(box.box, k), "a corner under the sun");
    }
    LightX bulb(scene, "Bulb");
    bulb.setType(Light::kPoint);
    bulb.translate[0] = 12, bulb.translate[1] = 9, bulb.translate[2] = 15;
    std::optional<ShadowPass::Fit> fit = ShadowPass::fit(bulb, 3, alone);
    ASSERT_TRUE(fit);
    EXPECT_EQ(fit->slot, 3);
    EXPECT_GT(fit->focal, 0.0f);
    for (int k = 0; k < 8; ++k) expectOnMap(*fit, corner(box.box, k), "a corner under the bulb");
    LightX soft(scene, "Soft");
    for (int softness : {0, 1, 4, 6, 30}) {
        soft.shadowSoftness = softness;
        fit = ShadowPass::fit(soft, 1, cube);
        const int side = 2 * fit->filterHalf + 1;
        EXPECT_LE(side, 11);
        ASSERT_EQ(fit->weights.size(), static_cast<size_t>(side * side)) << softness;
        EXPECT_NEAR(std::accumulate(fit->weights.begin(), fit->weights.end(), 0.0), 1.0, 1e-5);
        const float centre = fit->weights[fit->weights.size() / 2];
        for (size_t i = 0; i < fit->weights.size(); ++i) {  // symmetric, highest in the middle
            EXPECT_FLOAT_EQ(fit->weights[i], fit->weights[fit->weights.size() - 1 - i]);
            EXPECT_LE(fit->weights[i], centre);
        }
    }
    soft.shadowMapXRes = 100000;  // beyond what a driver makes
    EXPECT_EQ(ShadowPass::fit(soft, 1, cube)->mapWidth, 8192);
}

// The floor casts nothing (nothing in view lies under it): the map holds the letter
// and its shadow on the floor, with the letter across a good part of it.
TEST(ShadowPass, TheMapHoldsOnlyWhatCanShadowSomethingInView) {
    SceneX scene;
    for (int type : {Light::kPoint, Light::kSpot, Light::kDirectional}) {
        SCOPED_TRACE(type);
        // Each from up and to the left of the letter, aimed at its foot.
        LightX light(scene, "Light");
        light.setType(type);
        light.setMode(Camera::kLookAt);
        light.eye[0] = -120, light.eye[1] = 160, light.eye[2] = 60;
        light.target[0] = 0, light.target[1] = -26, light.target[2] = 0;
        light.setSpotAngles(30, 40);
        std::optional<ShadowPass::Fit> fit = ShadowPass::fit(light, 1, letterOnFloor());
        ASSERT_TRUE(fit);
        EXPECT_EQ(fit->casters, (std::vector<char>{0, 1}));
        // Where the shadow falls on the floor is the OpenGL frame's against the traced one (ShadowPlacement in
        // tests/app/RayTraceRenderTest.cpp, the same scene and lights).
        glm::dvec3 low(1e9), high(-1e9);
        for (int k = 0; k < 8; ++k) {
            const glm::dvec3 p = corner(kLetter.box, k);
            expectOnMap(*fit, p, "the letter");
            low = glm::min(low, onMap(*fit, p)), high = glm::max(high, onMap(*fit, p));
        }
        EXPECT_GT(std::max(high.x - low.x, high.y - low.y), 0.25);
        // The depth range is the letter's and its shadow's, not the floor's.
        EXPECT_LT(fit->farZ - fit->nearZ, 400.0f);
        // The same floor casts once something in view lies beneath it; nothing is fitted
        // when only the floor is drawn, or when the camera looks away from the letter and its shadow.
        const ShadowPass::Scope::Item below{{-40, -60, -40, 40, -50, 40}, true, true};
        fit = ShadowPass::fit(light, 1, {{kFloor, kLetter, below}, letterOnFloor().view});
        ASSERT_TRUE(fit);
        EXPECT_EQ(fit->casters, (std::vector<char>{1, 1, 0}));
        EXPECT_FALSE(ShadowPass::fit(light, 1, {{kFloor}, letterOnFloor().view}));
        glm::dmat4 away = glm::lookAt(glm::dvec3(-600, 0, -500), glm::dvec3(-1200, -26, -700), glm::dvec3(0, 1, 0));
        const ShadowPass::Scope aside{{kFloor, kLetter}, planesOf(glm::perspective(0.3, 1.0, 0.1, 30000.0) * away)};
        EXPECT_FALSE(ShadowPass::fit(light, 1, aside));
    }
}

}  // namespace fw
