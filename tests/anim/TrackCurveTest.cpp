// The smoothing curve: a chain of cubic spans found by knot, evaluated by de Casteljau,
// straight and evenly paced without smoothing, and turning smoothly through a pose with it.
#include "anim/TrackCurve.h"

#include <gtest/gtest.h>

#include <glm/geometric.hpp>

namespace fw {

TEST(TrackCurve, KnotsPickTheSpanAndTheEndsHold) {
    TrackCurve c;
    // A quarter-circle-like span then a straight one, with uneven knots.
    c.setControlPoints({{0, 0, 0}, {0, 1, 0}, {1, 2, 0}, {2, 2, 0}, {3, 2, 0}, {4, 2, 0}, {5, 2, 0}}, {0, 2, 3});
    EXPECT_EQ(c.spanCount(), 2);
    const TrackCurve::Sample mid = c.evaluate(1.0);  // half way through the first span
    EXPECT_NEAR(mid.point.x, (0 + 3 * 0 + 3 * 1 + 2) / 8.0, 1e-12);
    EXPECT_NEAR(mid.point.y, (0 + 3 * 1 + 3 * 2 + 2) / 8.0, 1e-12);
    // The direction is the unit difference of the last two intermediate points; the
    // normal is (Y x d) x d.
    const glm::dvec3 d = glm::normalize(glm::dvec3(1 - 0.25, 1.75 - 1, 0));
    EXPECT_NEAR(glm::distance(mid.direction, d), 0, 1e-12);
    EXPECT_NEAR(glm::distance(mid.normal, glm::cross(glm::cross(glm::dvec3(0, 1, 0), d), d)), 0, 1e-12);
    EXPECT_EQ(c.evaluate(2.5).point, glm::dvec3(3.5, 2, 0));
    EXPECT_EQ(c.evaluate(7).point, glm::dvec3(5, 2, 0));  // beyond the last knot: the last point
    EXPECT_EQ(c.evaluate(-1).point, glm::dvec3(0, 0, 0));
}

TEST(TrackCurve, NoSmoothingIsAnEvenStraightLineAndFullSmoothingTurnsThroughThePose) {
    const glm::dvec3 pts[3] = {{0, 0, 0}, {300, 0, 0}, {300, 300, 0}};
    const double none[2] = {0, 0}, full[2] = {100, 100};
    TrackCurve straight, smooth;
    straight.build(pts, pts, none, none);
    smooth.build(pts, pts, full, full);
    for (int i = 0; i <= 10; ++i) {
        EXPECT_NEAR(glm::distance(straight.spanPoint(0, i / 10.0), glm::dvec3(30.0 * i, 0, 0)), 0, 1e-9);
        EXPECT_NEAR(straight.spanPoint(1, i / 10.0).x, 300, 1e-9);
    }
    const glm::dvec3 in = glm::normalize(smooth.spanTangent(0, 1)), out = glm::normalize(smooth.spanTangent(1, 0));
    EXPECT_NEAR(glm::dot(in, out), 1, 1e-12);
    EXPECT_NEAR(glm::dot(in, glm::normalize(glm::dvec3(1, 1, 0))), 1, 1e-12);
    // Past the span's end the point carries on along its tangent (overshoot).
    EXPECT_NEAR(glm::distance(smooth.spanPoint(0, 1.1), pts[1] + 0.1 * smooth.spanTangent(0, 1)), 0, 1e-9);
}

}  // namespace fw
