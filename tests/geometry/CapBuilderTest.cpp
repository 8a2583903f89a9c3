// Flat caps split into convex pieces covering real glyphs once, whichever way the contours run; overlapping outlines
// merged first, the GLU tessellator finishing what time cut short, and tiled caps cut by grid lines.
#include "geometry/CapBuilder.h"

#include <GL/glu.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <string_view>

#include "CapCheck.h"
#include "geometry/CapTiles.h"
#include "geometry/OutlineUnion.h"
#include "geometry/Tessellator.h"
#include "GeometryHelpers.h"
#include "GlyphOutline.h"
#include "platform/Clock.h"

namespace fw {
namespace {

struct Face {
    std::vector<glm::dvec2> points;
    std::vector<std::vector<int>> loops;
};

// The indices from `first` on, `n` of them.
std::vector<int> iota(size_t n, size_t first = 0) {
    std::vector<int> out(n);
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<int>(first + i);
    return out;
}

Face glyphFace(unsigned long code, double turn = 1, int steps = 6) {
    Face f;
    for (const auto& contour : test::glyphOutline(test::kDejaVuSans, code, 0.01, steps)) {
        f.loops.push_back(iota(contour.size(), f.points.size()));
        for (glm::dvec2 p : contour) f.points.push_back(p * turn);
    }
    return f;
}

std::vector<std::vector<int>> capOf(const Face& f) {
    std::vector<std::vector<int>> pieces;
    for (const CapBuilder::Region& region : CapBuilder::regions(f.points, f.loops))
        EXPECT_TRUE(CapBuilder::decompose(f.points, region, pieces));
    return pieces;
}

using Loops = std::vector<std::vector<Tessellator::Point>>;

double triangleArea(glm::dvec2 a, glm::dvec2 b, glm::dvec2 c) {
    return ((b - a).x * (c - a).y - (b - a).y * (c - a).x) / 2;
}

int unexpectedCombine(glm::dvec2, const int*, const float*) {
    ADD_FAILURE() << "combine called for a polygon that needs no new point";
    return Tessellator::kAbsent;
}

using Contour = OutlineUnion::Contour;
using test::rect;

int winding(const std::vector<Contour>& contours, glm::dvec2 q) {
    int w = 0;
    for (const Contour& c : contours)
        for (size_t i = 0; i < c.size(); ++i) {
            glm::dvec2 a = c[i], b = c[(i + 1) % c.size()];
            double side = (b.x - a.x) * (q.y - a.y) - (b.y - a.y) * (q.x - a.x);
            w += (a.y <= q.y && b.y > q.y && side > 0) - (a.y > q.y && b.y <= q.y && side < 0);
        }
    return w;
}

// Sample points where the merged contours and the given ones disagree about being
// filled (non-zero rule on both sides); the grid's odd offsets keep it off the edges.
int disagreements(const std::vector<Contour>& given, const std::vector<Contour>& merged, glm::dvec2 low,
                  glm::dvec2 high) {
    int wrong = 0;
    for (int i = 0; i < 80; ++i)
        for (int j = 0; j < 80; ++j) {
            glm::dvec2 q = low + (high - low) * glm::dvec2((i + 0.5137) / 80, (j + 0.4791) / 80);
            wrong += (winding(given, q) != 0) != (winding(merged, q) != 0);
        }
    return wrong;
}

}  // namespace

// Each hole paired with the outline around it (in the registered sign the R is an island inside the ring's hole, an
// outline with its own counter): a wrong pairing leaves a counter covered or an island bare.
TEST(CapBuilder, GlyphCapsCoverTheirFaceOnceWithConvexPieces) {
    for (char32_t code : std::u32string_view(U"oB8A&eg%\u00AE")) {
        for (double turn : {1.0, -1.0}) {  // half a turn: ties between equally near corners fall the other way
            Face f = glyphFace(code, turn);
            std::vector<std::vector<int>> pieces = capOf(f);
            test::CapCheck r = test::checkCap(f.points, f.loops, pieces);
            SCOPED_TRACE(std::to_string(code) + (turn < 0 ? " turned: " : ": ") + r.summary());
            EXPECT_TRUE(r.clean() && r.concave == 0);
            EXPECT_NEAR(r.area, r.faceArea, 1e-9 * r.faceArea);
            EXPECT_GT(r.samples, 500);
            EXPECT_LT(pieces.size(), f.points.size());  // grown pieces, not a triangle per corner
        }
    }
    // Neither the winding nor points repeated as given matter.
    Face f = glyphFace('B');
    std::vector<CapBuilder::Region> regions = CapBuilder::regions(f.points, f.loops);
    ASSERT_EQ(regions.size(), 1u);
    CapBuilder::Region turned = regions[0];
    std::reverse(turned.outer.begin(), turned.outer.end());
    for (std::vector<int>& hole : turned.holes) {
        std::reverse(hole.begin(), hole.end());
        hole.insert(hole.begin() + 2, hole[1]);  // a point given twice
    }
    f.points.push_back(f.points[static_cast<size_t>(turned.outer.back())]);  // the same place, another index
    turned.outer.push_back(static_cast<int>(f.points.size()) - 1);
    std::vector<std::vector<int>> pieces;
    ASSERT_TRUE(CapBuilder::decompose(f.points, turned, pieces));
    test::CapCheck r = test::checkCap(f.points, f.loops, pieces);
    EXPECT_TRUE(r.clean() && r.concave == 0) << r.summary();
}

// Out of time, the rest of the cap goes to the GLU tessellator: triangles, still
// covering the face once and still on the contours' own vertices.
TEST(CapBuilder, TheTessellatorFinishesWhatTheTimeBudgetCutsShort) {
    Face f = glyphFace('O', 1, 60);
    std::vector<std::vector<int>> relaxed = capOf(f);
    int64_t now = 0;
    Clock::setSource([&] { return now += 5000; });
    std::vector<std::vector<int>> hurried = capOf(f);
    Clock::setSource(nullptr);
    auto triangles = [](const std::vector<std::vector<int>>& pieces) {
        return std::count_if(pieces.begin(), pieces.end(), [](const std::vector<int>& p) { return p.size() == 3; });
    };
    EXPECT_GT(hurried.size(), relaxed.size());
    EXPECT_GT(triangles(hurried), triangles(relaxed) + 100);
    for (const auto* pieces : {&relaxed, &hurried}) {
        test::CapCheck r = test::checkCap(f.points, f.loops, *pieces);
        EXPECT_TRUE(r.clean()) << r.summary();
        EXPECT_NEAR(r.area, r.faceArea, 1e-9 * r.faceArea);
    }
}

// GLU leaves flat triangles where a loop runs straight through corners (the stems of "B"); mended, every triangle is
// counter-clockwise. That they still cover the face once is checked on the caps built from them.
TEST(Tessellator, ConcaveGlyphsAndHolesGiveTrianglesOnTheGivenPoints) {
    int flat = 0;
    for (unsigned long code : {'S', 'o', 'B'}) {
        const Face f = glyphFace(code);
        Loops loops(f.loops.size());
        for (size_t c = 0; c < f.loops.size(); ++c)
            for (int i : f.loops[c]) loops[c].push_back({f.points[i], i});
        Tessellator tessellator(GLU_TESS_WINDING_ODD, unexpectedCombine);
        std::vector<int> corners = {-7};  // appended to, never replaced
        ASSERT_TRUE(tessellator.triangulate(loops, corners)) << code;
        ASSERT_EQ(corners.size() % 3, 1u);
        EXPECT_EQ(corners[0], -7);
        // Every point is used and none is added: each hole adds two triangles.
        EXPECT_EQ(corners.size() / 3, f.points.size() + 2 * (f.loops.size() - 1) - 2) << code;
        std::vector<std::vector<int>> triangles;
        for (size_t k = 1; k + 2 < corners.size(); k += 3) {
            triangles.push_back({corners[k], corners[k + 1], corners[k + 2]});
            for (int id : triangles.back()) ASSERT_TRUE(id >= 0 && id < static_cast<int>(f.points.size()));
            double a = triangleArea(f.points[corners[k]], f.points[corners[k + 1]], f.points[corners[k + 2]]);
            EXPECT_GE(a, 0) << code;  // counter-clockwise, as the normal (0, 0, 1) asks
            flat += a == 0;
        }
        Tessellator::mendSlivers(f.points, triangles);
        for (const std::vector<int>& t : triangles)
            EXPECT_GT(triangleArea(f.points[t[0]], f.points[t[1]], f.points[t[2]]), 1e-9) << code;
    }
    EXPECT_GT(flat, 0);  // so the mending above had work to do
}

TEST(Tessellator, CrossingEdgesGoThroughCombineAndMayGiveUp) {
    const Loops bowTie = {{{{0, 0}, 0}, {{2, 2}, 1}, {{2, 0}, 2}, {{0, 2}, 3}}};
    int calls = 0;
    Tessellator keeping(GLU_TESS_WINDING_ODD, [&](glm::dvec2 at, const int ids[4], const float weights[4]) {
        ++calls;
        EXPECT_NEAR(glm::distance(at, glm::dvec2(1, 1)), 0, 1e-12);
        EXPECT_TRUE(std::all_of(ids, ids + 4, [](int id) { return id >= 0 && id < 4; }));
        EXPECT_NEAR(std::accumulate(weights, weights + 4, 0.0f), 1, 1e-6);
        return 9;
    });
    std::vector<int> triangles;
    ASSERT_TRUE(keeping.triangulate(bowTie, triangles));
    EXPECT_EQ(std::pair(calls, triangles.size()), std::pair(1, size_t{6}));
    EXPECT_EQ(std::count(triangles.begin(), triangles.end(), 9), 2);  // the crossing is a corner of both halves
    Tessellator refusing(GLU_TESS_WINDING_ODD,
                         [](glm::dvec2, const int*, const float*) { return Tessellator::kAbsent; });
    std::vector<int> none = {1, 2, 3};
    EXPECT_FALSE(refusing.triangulate(bowTie, none));
    // GLU's own errors count as failures too: a coordinate beyond what it takes.
    Tessellator plain(GLU_TESS_WINDING_ODD, unexpectedCombine);
    EXPECT_FALSE(plain.triangulate({{{{0, 0}, 0}, {{1e200, 0}, 1}, {{0, 1}, 2}}}, none));
    EXPECT_EQ(none, (std::vector<int>{1, 2, 3}));  // neither failure added anything
    // And the same tessellator works again afterwards.
    EXPECT_TRUE(plain.triangulate({{{{0, 0}, 0}, {{1, 0}, 1}, {{0, 1}, 2}}}, none));
    EXPECT_EQ(none.size(), 6u);
}

// Counter-clockwise, each shared stretch counted once; side by side and corner to
// corner count as touching, a gap does not. Holes keep their orientation.
TEST(OutlineUnion, CrossingAndTouchingOutlinesBecomeOneAndHolesSurvive) {
    // A bar across the "o" of DejaVu Sans splits its counter into two holes.
    std::vector<Contour> barred = test::glyphOutline(test::kDejaVuSans, 'o', 0.01);
    ASSERT_EQ(barred.size(), 2u);
    barred.push_back(rect(-1, 5, 12, 6));
    const struct {
        const char* name;
        std::vector<Contour> given;
        int holes;
        double area;  // of the merged outline; 0: not checked
        glm::dvec2 low, high;
    } cases[] = {{"a plus with a dot inside", {rect(0, 4, 10, 6), rect(4, 0, 6, 10), rect(4.5, 4.5, 5.5, 5.5)}, 0, 36,
                  {-1, -1}, {11, 11}},
                 {"side by side", {rect(0, 0, 1, 1), rect(1, 0, 2, 1)}, 0, 2, {-1, -1}, {11, 11}},
                 {"a barred o", barred, 2, 0, {-2, -2}, {13, 13}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Contour> merged = OutlineUnion::mergeOverlaps(c.given);
        int outlines = 0, holes = 0;
        for (const Contour& m : merged) (test::contourArea(m) > 0 ? outlines : holes)++;
        ASSERT_EQ(std::pair(outlines, holes), std::pair(1, c.holes));
        EXPECT_NEAR(c.area > 0 ? test::contourArea(merged[0]) : 0, c.area, 1e-9);
        EXPECT_EQ(disagreements(c.given, merged, c.low, c.high), 0);
    }
    EXPECT_TRUE(OutlineUnion::crosses(rect(0, 0, 1, 1), rect(1, 0, 2, 1)));
    EXPECT_TRUE(OutlineUnion::crosses(rect(0, 0, 1, 1), rect(1, 1, 2, 2)));
    EXPECT_FALSE(OutlineUnion::crosses(rect(0, 0, 1, 1), rect(1.001, 1.001, 2, 2)));
    // Outlines that do not meet pass through untouched: a "B", whose counters lie inside it without touching.
    std::vector<Contour> b = test::glyphOutline(test::kDejaVuSans, 'B', 0.01);
    ASSERT_EQ(b.size(), 3u);
    b.push_back(rect(20, 0, 22, 2));
    EXPECT_EQ(OutlineUnion::mergeOverlaps(b), b);
    EXPECT_FALSE(OutlineUnion::crosses(b[0], b[1]));
    EXPECT_FALSE(OutlineUnion::crosses(b[0], b[3]));
}

// Crossings that do not pair up are reported and left uncut.
TEST(CapTiles, CrossingsThatDoNotPairUpAreLeftUncutAndGridLinesCutEveryRowAndCellsCloseTheCap) {
    // The run along x = 1 carries the contour across the line without an edge crossing it.
    const CapTiles::Contour zigzag = {{0.5, 0}, {1, 0.2}, {1, 0.8}, {1.5, 1}, {0.5, 1.2}};
    std::vector<CapTiles::Swept> contours = {{zigzag, {zigzag, zigzag}}};  // flat sides: two equal cap rows
    char* text = nullptr;
    size_t length = 0;
    std::FILE* console = open_memstream(&text, &length);
    const double alongX[2] = {1, 0};
    CapTiles::cutRows(contours, alongX, console);
    std::fclose(console);
    EXPECT_EQ(std::string(text, length), "exception:  number of cuts sites differs in 2d clip.\n");
    std::free(text);
    EXPECT_EQ(std::pair(contours[0].face, contours[0].rows[0]), std::pair(zigzag, zigzag));
    // The rows are cut point for point, the face's area kept, and the cells close against the cut rows. That each piece
    // stays inside its tile is checked on the built solids (SolidBuilder.ClosedSolidsWithFlatSidesBevelsAndTiledCaps).
    const double tiles[2] = {1.3, 0.9};
    for (char32_t code : std::u32string_view(U"Bgo&\u00AE")) {
        SCOPED_TRACE(static_cast<unsigned long>(code));
        std::vector<CapTiles::Swept> contours;
        for (const auto& contour : test::glyphOutline(test::kDejaVuSans, code, 0.01)) {
            CapTiles::Contour last = contour;
            for (glm::dvec2& p : last) p += glm::dvec2(0.05, -0.03);
            contours.push_back({contour, {contour, contour, last}});
        }
        const std::vector<CapTiles::Swept> before = contours;
        CapTiles::Contour outline = contours[0].face;  // the largest outline, before any cut
        for (const CapTiles::Swept& s : contours)
            if (test::contourArea(s.face) > test::contourArea(outline)) outline = s.face;
        const double untiled[2] = {0, 0};
        CapTiles::cutRows(contours, untiled, nullptr);
        EXPECT_EQ(contours.front().rows, before.front().rows);
        CapTiles::cutRows(contours, tiles, stderr);
        std::vector<glm::dvec2> points;
        std::vector<std::vector<int>> loops;
        for (size_t c = 0; c < contours.size(); ++c) {
            const CapTiles::Swept& s = contours[c];
            EXPECT_GT(s.face.size(), before[c].face.size());
            for (const CapTiles::Contour& row : s.rows) ASSERT_EQ(row.size(), s.face.size());
            // New points lie on the old edges; corners move onto a line only from a ten-thousandth of a tile away.
            const double was = test::contourArea(before[c].face);
            EXPECT_NEAR(test::contourArea(s.face), was, 1e-9 * std::fabs(was));
            loops.push_back(iota(s.rows.front().size(), points.size()));
            points.insert(points.end(), s.rows.front().begin(), s.rows.front().end());
        }
        std::vector<std::vector<int>> pieces;
        std::set<std::pair<double, double>> added;
        auto addPoint = [&](glm::dvec2 p) {
            EXPECT_TRUE(added.insert({p.x, p.y}).second) << "a corner made twice";
            points.push_back(p);
            return static_cast<int>(points.size()) - 1;
        };
        for (const CapBuilder::Region& region : CapBuilder::regions(points, loops)) {
            std::vector<std::vector<int>> boundary = region.holes;
            boundary.push_back(region.outer);
            ASSERT_TRUE(CapTiles::tessellateCells(points, boundary, tiles, addPoint, pieces));
        }
        test::CapCheck r = test::checkCap(points, loops, pieces);
        EXPECT_TRUE(r.clean()) << r.summary();
        EXPECT_NEAR(r.area, r.faceArea, 1e-9 * r.faceArea);
        EXPECT_FALSE(added.empty());
        // Uncut, a cell would need points where its border crosses the outline: refused.
        std::vector<std::vector<int>> none;
        EXPECT_FALSE(CapTiles::tessellateCells(outline, {iota(outline.size())}, tiles, [&](glm::dvec2 p) {
            outline.push_back(p);
            return static_cast<int>(outline.size()) - 1;
        }, none));
        EXPECT_TRUE(none.empty());
    }
}

}  // namespace fw
