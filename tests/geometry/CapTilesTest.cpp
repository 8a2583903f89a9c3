// Tiled caps: grid lines cut every row of a sweep alike, and each cell of the cap is
// tessellated on its own, inside its cell, on corners its neighbours share, so the
// cap still covers its face once and closes against the cut rows.
#include "geometry/CapTiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <string_view>

#include "CapCheck.h"
#include "GlyphOutline.h"
#include "geometry/CapBuilder.h"

namespace fw {
namespace {

const double kTiles[2] = {1.3, 0.9};

std::vector<CapTiles::Swept> swept(unsigned long code, glm::dvec2 lastRowShift) {
    std::vector<CapTiles::Swept> out;
    for (const auto& contour : test::glyphOutline(test::kDejaVuSans, code, 0.01)) {
        CapTiles::Contour last = contour;
        for (glm::dvec2& p : last) p += lastRowShift;
        out.push_back({contour, {contour, contour, last}});
    }
    return out;
}

std::vector<int> iota(size_t n) {
    std::vector<int> out(n);
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<int>(i);
    return out;
}

// Whether an edge passes a grid line without a point on it.
bool crossesALine(glm::dvec2 a, glm::dvec2 b) {
    for (int axis = 0; axis < 2; ++axis) {
        double lo = std::min(a[axis], b[axis]) / kTiles[axis], hi = std::max(a[axis], b[axis]) / kTiles[axis];
        if (std::ceil(lo + 1e-9) <= std::floor(hi - 1e-9)) return true;
    }
    return false;
}

}  // namespace

TEST(CapTiles, CrossingsThatDoNotPairUpAreReportedAndLeftUncut) {
    // The run along x = 1 carries the contour across the line without an edge crossing it.
    const CapTiles::Contour zigzag = {{0.5, 0}, {1, 0.2}, {1, 0.8}, {1.5, 1}, {0.5, 1.2}};
    std::vector<CapTiles::Swept> contours = {{zigzag, {zigzag, zigzag}}};  // flat sides: two equal cap rows
    char* text = nullptr;
    size_t length = 0;
    std::FILE* console = open_memstream(&text, &length);
    const double tiles[2] = {1, 0};
    CapTiles::cutRows(contours, tiles, console);
    std::fclose(console);
    EXPECT_EQ(std::string(text, length), "exception:  number of cuts sites differs in 2d clip.\n");
    std::free(text);
    EXPECT_EQ(contours[0].face, zigzag);
    EXPECT_EQ(contours[0].rows[0], zigzag);
}

// The rows are cut point for point, the face's area kept; each cell of the cap then
// stays inside its tile and the cells close against the cut rows.
TEST(CapTiles, GridLinesCutEveryRowAndCellsCloseTheCapInsideTheirTiles) {
    for (char32_t code : std::u32string_view(U"Bgo&\u00AE")) {
        SCOPED_TRACE(static_cast<unsigned long>(code));
        std::vector<CapTiles::Swept> contours = swept(code, {0.05, -0.03});
        const std::vector<CapTiles::Swept> before = contours;
        CapTiles::Contour outline = contours[0].face;  // the largest outline, before any cut
        for (const CapTiles::Swept& s : contours)
            if (test::contourArea(s.face) > test::contourArea(outline)) outline = s.face;
        const double untiled[2] = {0, 0};
        CapTiles::cutRows(contours, untiled, nullptr);
        EXPECT_EQ(contours.front().rows, before.front().rows);
        CapTiles::cutRows(contours, kTiles, stderr);
        std::vector<glm::dvec2> points;
        std::vector<std::vector<int>> loops;
        for (size_t c = 0; c < contours.size(); ++c) {
            const CapTiles::Swept& s = contours[c];
            EXPECT_GT(s.face.size(), before[c].face.size());
            for (const CapTiles::Contour& row : s.rows) ASSERT_EQ(row.size(), s.face.size());
            for (const CapTiles::Contour* cap : {&s.rows.front(), &s.rows.back()})
                for (size_t i = 0; i < cap->size(); ++i)
                    EXPECT_FALSE(crossesALine((*cap)[i], (*cap)[(i + 1) % cap->size()])) << "contour " << c << " edge " << i;
            // New points lie on the old edges; corners move onto a line only from a
            // ten-thousandth of a tile away.
            const double was = test::contourArea(before[c].face);
            EXPECT_NEAR(test::contourArea(s.face), was, 1e-9 * std::fabs(was));
            loops.emplace_back();
            for (glm::dvec2 p : s.rows.front()) {
                loops.back().push_back(static_cast<int>(points.size()));
                points.push_back(p);
            }
        }
        std::vector<std::vector<int>> pieces;
        std::set<std::pair<double, double>> added;
        auto addPoint = [&](glm::dvec2 p) {
            EXPECT_TRUE(added.insert({p.x, p.y}).second) << "a corner made twice";
            EXPECT_NEAR(p.x / kTiles[0], std::round(p.x / kTiles[0]), 1e-9);
            EXPECT_NEAR(p.y / kTiles[1], std::round(p.y / kTiles[1]), 1e-9);
            points.push_back(p);
            return static_cast<int>(points.size()) - 1;
        };
        for (const CapBuilder::Region& region : CapBuilder::regions(points, loops)) {
            std::vector<std::vector<int>> boundary = region.holes;
            boundary.push_back(region.outer);
            ASSERT_TRUE(CapTiles::tessellateCells(points, boundary, kTiles, addPoint, pieces));
        }
        test::CapCheck r = test::checkCap(points, loops, pieces);
        EXPECT_TRUE(r.clean()) << r.summary();
        EXPECT_NEAR(r.area, r.faceArea, 1e-9 * r.faceArea);
        std::set<std::pair<double, double>> cells;
        for (const std::vector<int>& t : pieces) {
            glm::dvec2 low(1e300), high(-1e300);
            for (int v : t) low = glm::min(low, points[v]), high = glm::max(high, points[v]);
            for (int a = 0; a < 2; ++a)
                EXPECT_EQ(std::floor(low[a] / kTiles[a] + 1e-7), std::floor(high[a] / kTiles[a] - 1e-7));
            cells.insert({std::floor(low.x / kTiles[0] + 1e-7), std::floor(low.y / kTiles[1] + 1e-7)});
        }
        EXPECT_GT(cells.size(), 20u);
        EXPECT_FALSE(added.empty());
        // Uncut, a cell would need points where its border crosses the outline: refused.
        std::vector<std::vector<int>> none;
        EXPECT_FALSE(CapTiles::tessellateCells(outline, {iota(outline.size())}, kTiles, [&](glm::dvec2 p) {
            outline.push_back(p);
            return static_cast<int>(outline.size()) - 1;
        }, none));
        EXPECT_TRUE(none.empty());
    }
}

}  // namespace fw
