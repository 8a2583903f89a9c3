// The GLU tessellator behind its small interface: triangles on the given ids for a
// concave glyph and for a polygon with a hole, new points only through the combine
// callback, failure reported with nothing appended, and flat triangles mended.
#include "geometry/Tessellator.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>

#include "CapCheck.h"
#include "GlyphOutline.h"

namespace fw {
namespace {

using Loops = std::vector<std::vector<Tessellator::Point>>;

Loops loopsOf(const std::vector<std::vector<glm::dvec2>>& contours, std::vector<glm::dvec2>& points) {
    Loops loops;
    for (const auto& contour : contours) {
        loops.emplace_back();
        for (glm::dvec2 p : contour) {
            loops.back().push_back({p, static_cast<int>(points.size())});
            points.push_back(p);
        }
    }
    return loops;
}

double triangleArea(glm::dvec2 a, glm::dvec2 b, glm::dvec2 c) { return ((b - a).x * (c - a).y - (b - a).y * (c - a).x) / 2; }

int unexpectedCombine(glm::dvec2, const int*, const float*) {
    ADD_FAILURE() << "combine called for a polygon that needs no new point";
    return Tessellator::kAbsent;
}

}  // namespace

// GLU leaves flat triangles where a loop runs straight through corners (the stems of
// "B"); mended, every triangle is counter-clockwise and the area stays the glyph's.
TEST(Tessellator, ConcaveGlyphsAndHolesGiveTrianglesOnTheGivenPoints) {
    int flat = 0;
    for (unsigned long code : {'S', 'o', 'B'}) {
        std::vector<std::vector<glm::dvec2>> glyph = test::glyphOutline(test::kDejaVuSans, code, 0.01);
        ASSERT_FALSE(glyph.empty());
        std::vector<glm::dvec2> points;
        Loops loops = loopsOf(glyph, points);
        double expected = 0;
        for (const auto& contour : glyph) expected += test::contourArea(contour);
        Tessellator tessellator(GLU_TESS_WINDING_ODD, unexpectedCombine);
        std::vector<int> corners = {-7};  // appended to, never replaced
        ASSERT_TRUE(tessellator.triangulate(loops, corners)) << code;
        ASSERT_EQ(corners.size() % 3, 1u);
        EXPECT_EQ(corners[0], -7);
        // Every point is used and none is added: each hole adds two triangles.
        EXPECT_EQ(corners.size() / 3, points.size() + 2 * (glyph.size() - 1) - 2) << code;
        std::vector<std::vector<int>> triangles;
        for (size_t k = 1; k + 2 < corners.size(); k += 3) {
            triangles.push_back({corners[k], corners[k + 1], corners[k + 2]});
            for (int id : triangles.back()) ASSERT_TRUE(id >= 0 && id < static_cast<int>(points.size()));
            double a = triangleArea(points[corners[k]], points[corners[k + 1]], points[corners[k + 2]]);
            EXPECT_GE(a, 0) << code;  // counter-clockwise, as the normal (0, 0, 1) asks
            flat += a == 0;
        }
        Tessellator::mendSlivers(points, triangles);
        double covered = 0;
        for (const std::vector<int>& t : triangles) {
            double a = triangleArea(points[t[0]], points[t[1]], points[t[2]]);
            EXPECT_GT(a, 1e-9) << code;
            covered += a;
        }
        EXPECT_NEAR(covered, expected, 1e-9 * expected) << code;
    }
    EXPECT_GT(flat, 0);  // so the mending above had work to do
}

TEST(Tessellator, CrossingEdgesGoThroughCombineAndMayGiveUp) {
    const Loops bowTie = {{{{0, 0}, 0}, {{2, 2}, 1}, {{2, 0}, 2}, {{0, 2}, 3}}};
    int calls = 0;
    Tessellator keeping(GLU_TESS_WINDING_ODD, [&](glm::dvec2 at, const int ids[4], const float weights[4]) {
        ++calls;
        EXPECT_NEAR(at.x, 1, 1e-12);
        EXPECT_NEAR(at.y, 1, 1e-12);
        float total = 0;
        for (int k = 0; k < 4; ++k) {
            EXPECT_TRUE(ids[k] >= 0 && ids[k] < 4);
            total += weights[k];
        }
        EXPECT_NEAR(total, 1, 1e-6);
        return 9;
    });
    std::vector<int> triangles;
    ASSERT_TRUE(keeping.triangulate(bowTie, triangles));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(triangles.size(), 6u);
    EXPECT_EQ(std::count(triangles.begin(), triangles.end(), 9), 2);  // the crossing is a corner of both halves

    Tessellator refusing(GLU_TESS_WINDING_ODD, [](glm::dvec2, const int*, const float*) { return Tessellator::kAbsent; });
    std::vector<int> none = {1, 2, 3};
    EXPECT_FALSE(refusing.triangulate(bowTie, none));
    EXPECT_EQ(none, (std::vector<int>{1, 2, 3}));
    // GLU's own errors count as failures too: a coordinate beyond what it takes.
    Tessellator plain(GLU_TESS_WINDING_ODD, unexpectedCombine);
    EXPECT_FALSE(plain.triangulate({{{{0, 0}, 0}, {{1e200, 0}, 1}, {{0, 1}, 2}}}, none));
    EXPECT_EQ(none.size(), 3u);
    // And the same tessellator works again afterwards.
    EXPECT_TRUE(plain.triangulate({{{{0, 0}, 0}, {{1, 0}, 1}, {{0, 1}, 2}}}, none));
    EXPECT_EQ(none.size(), 6u);
}

TEST(Tessellator, FlatTrianglesAreMendedIntoTheirNeighbour) {
    // 0-1-2 on a line, 3 below: the flat triangle's long edge 0-2 is the neighbour's.
    const std::vector<glm::dvec2> points = {{0, 0}, {1, 0}, {2, 0}, {1, -1}};
    std::vector<std::vector<int>> triangles = {{0, 2, 1}, {0, 2, 3}};  // the second one clockwise
    Tessellator::mendSlivers(points, triangles);
    ASSERT_EQ(triangles.size(), 2u);
    double area = 0;
    for (const std::vector<int>& t : triangles) {
        double a = triangleArea(points[t[0]], points[t[1]], points[t[2]]);
        EXPECT_GT(a, 0);
        EXPECT_NE(std::find(t.begin(), t.end(), 1), t.end());  // both use the point that lay on the edge
        area += a;
    }
    EXPECT_NEAR(area, 1, 1e-12);
}

}  // namespace fw
