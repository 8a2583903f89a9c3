// Overlapping outlines merged into their union before a face is classified: the
// union's area, its holes and their orientation, and outlines that only touch or do
// not meet at all.
#include "geometry/OutlineUnion.h"

#include <gtest/gtest.h>

#include "CapCheck.h"
#include "GeometryHelpers.h"
#include "GlyphOutline.h"

namespace fw {
namespace {

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
int disagreements(const std::vector<Contour>& given, const std::vector<Contour>& merged, glm::dvec2 low, glm::dvec2 high) {
    int wrong = 0;
    for (int i = 0; i < 80; ++i)
        for (int j = 0; j < 80; ++j) {
            glm::dvec2 q = low + (high - low) * glm::dvec2((i + 0.5137) / 80, (j + 0.4791) / 80);
            wrong += (winding(given, q) != 0) != (winding(merged, q) != 0);
        }
    return wrong;
}

}  // namespace

// Counter-clockwise, each shared stretch counted once; side by side and corner to
// corner count as touching, a gap does not.
TEST(OutlineUnion, CrossingAndTouchingOutlinesBecomeOne) {
    const struct {
        const char* name;
        std::vector<Contour> given;
        double area;
    } cases[] = {{"a plus with a dot inside", {rect(0, 4, 10, 6), rect(4, 0, 6, 10), rect(4.5, 4.5, 5.5, 5.5)}, 36},
                 {"side by side", {rect(0, 0, 1, 1), rect(1, 0, 2, 1)}, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Contour> merged = OutlineUnion::mergeOverlaps(c.given);
        ASSERT_EQ(merged.size(), 1u);
        EXPECT_NEAR(test::contourArea(merged[0]), c.area, 1e-9);
        EXPECT_EQ(disagreements(c.given, merged, {-1, -1}, {11, 11}), 0);
    }
    EXPECT_TRUE(OutlineUnion::crosses(rect(0, 0, 1, 1), rect(1, 0, 2, 1)));
    EXPECT_TRUE(OutlineUnion::crosses(rect(0, 0, 1, 1), rect(1, 1, 2, 2)));
    EXPECT_FALSE(OutlineUnion::crosses(rect(0, 0, 1, 1), rect(1.001, 1.001, 2, 2)));
}

TEST(OutlineUnion, HolesSurviveTheMergeWithTheirOrientation) {
    // A bar across the "o" of DejaVu Sans splits its counter into two holes.
    std::vector<Contour> o = test::glyphOutline(test::kDejaVuSans, 'o', 0.01);
    ASSERT_EQ(o.size(), 2u);
    std::vector<Contour> given = o;
    given.push_back(rect(-1, 5, 12, 6));
    std::vector<Contour> merged = OutlineUnion::mergeOverlaps(given);
    int outlines = 0, holes = 0;
    for (const Contour& c : merged) (test::contourArea(c) > 0 ? outlines : holes)++;
    EXPECT_EQ(outlines, 1);
    EXPECT_EQ(holes, 2);
    EXPECT_EQ(disagreements(given, merged, {-2, -2}, {13, 13}), 0);
}

TEST(OutlineUnion, OutlinesThatDoNotMeetPassThroughUntouched) {
    std::vector<Contour> b = test::glyphOutline(test::kDejaVuSans, 'B', 0.01);
    ASSERT_EQ(b.size(), 3u);  // its counters lie inside it without touching
    b.push_back(rect(20, 0, 22, 2));
    EXPECT_EQ(OutlineUnion::mergeOverlaps(b), b);
    EXPECT_FALSE(OutlineUnion::crosses(b[0], b[1]));
    EXPECT_FALSE(OutlineUnion::crosses(b[0], b[3]));
}

}  // namespace fw
