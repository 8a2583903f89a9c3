// Flat caps split into convex pieces: real glyphs with one and two holes and nested
// islands, covered exactly once by counter-clockwise pieces that close against the
// contours' own edges, whichever way the contours are given and however short the time.
#include "geometry/CapBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <string_view>

#include "CapCheck.h"
#include "GlyphOutline.h"
#include "platform/Clock.h"

namespace fw {
namespace {

struct Face {
    std::vector<glm::dvec2> points;
    std::vector<std::vector<int>> loops;
};

Face glyphFace(unsigned long code, double turn = 1, int steps = 6) {
    Face f;
    for (const auto& contour : test::glyphOutline(test::kDejaVuSans, code, 0.01, steps)) {
        f.loops.emplace_back();
        for (glm::dvec2 p : contour) {
            f.loops.back().push_back(static_cast<int>(f.points.size()));
            f.points.push_back(p * turn);
        }
    }
    return f;
}

std::vector<std::vector<int>> capOf(const Face& f) {
    std::vector<std::vector<int>> pieces;
    for (const CapBuilder::Region& region : CapBuilder::regions(f.points, f.loops))
        EXPECT_TRUE(CapBuilder::decompose(f.points, region, pieces));
    return pieces;
}

}  // namespace

TEST(CapBuilder, RegionsPairEachHoleWithTheOutlineAroundIt) {
    // Holes per region; in the registered sign the R is an island inside the ring's
    // hole, an outline with its own counter, not a second hole of the ring.
    const std::pair<unsigned long, std::multiset<size_t>> glyphs[] = {
        {'o', {1}}, {'B', {2}}, {'i', {0, 0}}, {0xAE, {1, 1}}};
    for (const auto& [code, expected] : glyphs) {
        Face f = glyphFace(code);
        std::multiset<size_t> holes;
        for (const CapBuilder::Region& r : CapBuilder::regions(f.points, f.loops)) {
            holes.insert(r.holes.size());
            EXPECT_GT(CapBuilder::signedArea(f.points, r.outer), 0) << code;
            for (const std::vector<int>& hole : r.holes) {
                EXPECT_LT(CapBuilder::signedArea(f.points, hole), 0) << code;
                EXPECT_TRUE(CapBuilder::contains(f.points, r.outer, f.points[hole[0]])) << code;
            }
        }
        EXPECT_EQ(holes, expected) << code;
    }
}

TEST(CapBuilder, GlyphCapsCoverTheirFaceOnceWithConvexPieces) {
    for (char32_t code : std::u32string_view(U"oB8A&eg%\u00AE")) {
        for (double turn : {1.0, -1.0}) {  // half a turn: ties between equally near corners fall the other way
            Face f = glyphFace(code, turn);
            std::vector<std::vector<int>> pieces = capOf(f);
            test::CapCheck r = test::checkCap(f.points, f.loops, pieces);
            SCOPED_TRACE(std::to_string(code) + (turn < 0 ? " turned: " : ": ") + r.summary());
            EXPECT_TRUE(r.clean());
            EXPECT_EQ(r.concave, 0);
            EXPECT_NEAR(r.area, r.faceArea, 1e-9 * r.faceArea);
            EXPECT_GT(r.samples, 500);
            EXPECT_LT(pieces.size(), f.points.size());  // grown pieces, not a triangle per corner
        }
    }
}

TEST(CapBuilder, WindingAndRepeatedPointsAsGivenDoNotMatter) {
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
    EXPECT_TRUE(r.clean()) << r.summary();
    EXPECT_EQ(r.concave, 0) << r.summary();
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

}  // namespace fw
