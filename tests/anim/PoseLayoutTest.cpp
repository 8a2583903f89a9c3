// Pose arrangements: each distribution shape puts the elements on its shape about their
// common centre, the same way every run.
#include "anim/PoseLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <glm/geometric.hpp>

#include "AnimTestScene.h"
#include "anim/AnimPoseSettings.h"
#include "anim/ElementRotation.h"

namespace fw {
namespace {

using test::letters;

glm::dvec3 placeOf(const AnimElement& e, const ElementState& s) {
    return glm::dvec3(e.center[0] + s.translate[0], e.center[1] + s.translate[1], e.center[2] + s.translate[2]);
}

}  // namespace

TEST(PoseLayout, EachShapePutsTheElementsOnIt) {
    const auto elements = letters(11);
    const PoseLayout layout(elements);
    const glm::dvec3 c = layout.center();
    const double r = 0.8 * layout.extent();
    const double eps = 1e-9;
    for (int shape = 0; shape < AnimPoseSettings::kShapeNone; ++shape) {
        SCOPED_TRACE(AnimPoseSettings::shapeName(shape));
        AnimPoseSettings s;
        s.distributeType = shape, s.distributeSize = 80, s.distributeSeed = 7;
        s.distributeParam2 = 0, s.distributeParam2b = 360;
        const auto states = layout.arrange(s);
        EXPECT_EQ(states.size(), elements.size());
        double farthest = 0;
        for (size_t i = 0; i < elements.size(); ++i) {
            const glm::dvec3 d = placeOf(elements[i], states[i]) - c;
            const double ax = std::abs(d.x), ay = std::abs(d.y), az = std::abs(d.z);
            farthest = std::max(farthest, glm::length(d));
            switch (shape) {
            case AnimPoseSettings::kHorizontalLine: EXPECT_TRUE(ay < eps && az < eps && ax <= r + eps); break;
            case AnimPoseSettings::kVerticalLine: EXPECT_TRUE(ax < eps && az < eps && ay <= r + eps); break;
            case AnimPoseSettings::kDepthLine: EXPECT_TRUE(ax < eps && ay < eps && az <= r + eps); break;
            case AnimPoseSettings::kCircleX: EXPECT_NEAR(ax, 0, eps); EXPECT_NEAR(glm::length(d), r, 1e-6); break;
            case AnimPoseSettings::kCircleY: EXPECT_NEAR(ay, 0, eps); EXPECT_NEAR(glm::length(d), r, 1e-6); break;
            case AnimPoseSettings::kCircleZ: EXPECT_NEAR(az, 0, eps); EXPECT_NEAR(glm::length(d), r, 1e-6); break;
            case AnimPoseSettings::kFilledCircleX: EXPECT_NEAR(ax, 0, eps); EXPECT_LE(glm::length(d), r + eps); break;
            case AnimPoseSettings::kFilledCircleY: EXPECT_NEAR(ay, 0, eps); EXPECT_LE(glm::length(d), r + eps); break;
            case AnimPoseSettings::kFilledCircleZ: EXPECT_NEAR(az, 0, eps); EXPECT_LE(glm::length(d), r + eps); break;
            case AnimPoseSettings::kSquareZ:  // on the outline: one coordinate at the side
                EXPECT_NEAR(az, 0, eps); EXPECT_NEAR(std::max(ax, ay), r, 1e-6);
                break;
            case AnimPoseSettings::kSquareY: EXPECT_NEAR(ay, 0, eps); EXPECT_NEAR(std::max(ax, az), r, 1e-6); break;
            case AnimPoseSettings::kSquareX: EXPECT_NEAR(ax, 0, eps); EXPECT_NEAR(std::max(ay, az), r, 1e-6); break;
            case AnimPoseSettings::kFilledSquareZ: EXPECT_TRUE(az < eps && ax < r && ay < r); break;
            case AnimPoseSettings::kSphereVolume: EXPECT_LE(glm::length(d), r + eps); break;
            case AnimPoseSettings::kSphereShell: EXPECT_NEAR(glm::length(d), r, 1e-6); break;
            case AnimPoseSettings::kCylinder:  // a drum along X: distance from its axis, place along it kept
                EXPECT_NEAR(std::hypot(d.y, d.z), r, 1e-6);
                EXPECT_NEAR(placeOf(elements[i], states[i]).x, elements[i].center[0], eps);
                break;
            case AnimPoseSettings::kPushOut: {  // pushed r further out, in the same direction
                const glm::dvec3 from = glm::dvec3(elements[i].center[0], elements[i].center[1], 0) - c;
                EXPECT_NEAR(glm::length(d) - glm::length(from), r, 1e-6);
                break;
            }
            case AnimPoseSettings::kSpreadOnGround:  // lying face up on the block's floor
                EXPECT_NEAR(placeOf(elements[i], states[i]).y, -90 - 36 + 8, eps);
                EXPECT_TRUE(ax <= r && az <= r);
                break;
            case AnimPoseSettings::kSpreadOnWall: EXPECT_NEAR(placeOf(elements[i], states[i]).z, -8, eps); break;
            default: break;
            }
        }
        EXPECT_GT(farthest, 0.3 * r);  // the shape is used, not collapsed to its centre
        const auto again = PoseLayout(letters(11)).arrange(s);
        for (size_t i = 0; i < elements.size(); ++i)
            for (int a = 0; a < 3; ++a) {
                EXPECT_EQ(states[i].translate[a], again[i].translate[a]);
                EXPECT_EQ(states[i].rotate[a], again[i].rotate[a]);
            }
    }
}

TEST(PoseLayout, AnArcRunsFromTheFirstAngleToTheSecondAndFacesOutward) {
    const auto elements = letters(5);
    const PoseLayout layout(elements);
    AnimPoseSettings s;
    s.distributeType = AnimPoseSettings::kCircleY, s.distributeParam2 = -90, s.distributeParam2b = 90;
    const auto states = layout.arrange(s);
    const double angles[5] = {-90, -45, 0, 45, 90};
    for (int i = 0; i < 5; ++i) {
        const glm::dvec3 d = placeOf(elements[i], states[i]) - layout.center();
        EXPECT_NEAR(std::atan2(d.x, d.z) * 180 / 3.141592653589793, angles[i], 1e-9);
        // The front face (+Z) looks out of the ring.
        const glm::dvec3 front = eulerToQuat(states[i].rotate) * glm::dvec3(0, 0, 1);
        EXPECT_NEAR(glm::dot(front, glm::normalize(d)), 1, 1e-9);
    }
}

TEST(PoseLayout, SpreadScalesDistancesFromTheCentreOnFlaggedAxes) {
    const auto elements = letters(14);
    const PoseLayout layout(elements);
    AnimPoseSettings s;
    s.spread = 50, s.spreadXYZ[1] = 0;
    s.globalScale[0] = s.globalScale[1] = s.globalScale[2] = 200;
    const auto states = layout.arrange(s);
    for (size_t i = 0; i < elements.size(); ++i) {
        const glm::dvec3 p = placeOf(elements[i], states[i]);
        EXPECT_NEAR(p.x - layout.center().x, 3.0 * (elements[i].center[0] - layout.center().x), 1e-9);
        EXPECT_NEAR(p.y - layout.center().y, 2.0 * (elements[i].center[1] - layout.center().y), 1e-9);
        EXPECT_EQ(states[i].scale[0], 2.0);
    }
}

TEST(PoseLayout, ShuffleTradesPlacesAndRandomiseStaysWithinItsDistance) {
    const auto elements = letters(7);
    const PoseLayout layout(elements);
    AnimPoseSettings s;
    s.shuffleType = 1, s.shuffleSeed = 3;
    auto states = layout.arrange(s);
    std::vector<double> xs;
    int moved = 0;
    for (size_t i = 0; i < elements.size(); ++i) {
        xs.push_back(placeOf(elements[i], states[i]).x);
        moved += states[i].translate[0] != 0;
    }
    std::sort(xs.begin(), xs.end());
    for (size_t i = 0; i < xs.size(); ++i) EXPECT_DOUBLE_EQ(xs[i], 50.0 * i);  // the same places, traded
    EXPECT_GT(moved, 0);

    AnimPoseSettings r;
    r.randomizeDistance = 30, r.randomizeXYZ[2] = 0;
    states = layout.arrange(r);
    for (const ElementState& st : states) {
        EXPECT_LE(std::abs(st.translate[0]), 30);
        EXPECT_LE(std::abs(st.translate[1]), 30);
        EXPECT_EQ(st.translate[2], 0);
    }
}

}  // namespace fw
