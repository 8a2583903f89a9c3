// Solids from outlines: closed (every edge shared by exactly two faces, consistently
// oriented), no degenerate triangles, positive volume, with flat and bevelled sides.
#include "geometry/SolidBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include <glm/geometric.hpp>

#include "geometry/ContourOffset.h"
#include "EdgeProfile.h"
#include "GeometryHelpers.h"
#include "mesh/ObjDB.h"

namespace fw {
namespace {

using Contour = SolidBuilder::Contour;
using test::circle;
using test::rect;

Contour star(int tips, double outer, double inner) {
    Contour c;
    for (int i = 0; i < 2 * tips; ++i) {
        double a = M_PI / 2 + M_PI * i / tips, r = i % 2 ? inner : outer;
        c.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return c;
}

Contour gear(int teeth, double outer, double inner) {
    Contour c;
    for (int i = 0; i < teeth; ++i)
        for (int k = 0; k < 4; ++k) {
            double a = 2 * M_PI * (i + k / 4.0) / teeth;
            double r = k < 2 ? outer : inner;
            c.push_back({r * std::cos(a), r * std::sin(a)});
        }
    return c;
}

const Contour kBevelMedium = {{-12, 0}, {0, 12}, {0, 88}, {-12, 100}};

struct Case {
    const char* name;
    std::vector<Contour> face;
};

std::vector<Case> cases() {
    std::vector<Case> all = {
        {"square", {rect(0, 0, 10, 10)}},
        {"circle", {circle(0, 0, 5, 64)}},
        {"ring", {circle(0, 0, 5, 64), circle(0, 0, 3, 48)}},
        {"two holes", {rect(0, 0, 6, 10), rect(1.5, 1.5, 4.5, 4.5), rect(1.5, 5.5, 4.5, 8.5)}},
        {"star", {star(5, 5, 2)}},
        {"gear", {gear(12, 5, 4)}},
        {"overlapping strokes", {rect(0, 4, 10, 6), rect(4, 0, 6, 10)}},
        // The way from the hole's rightmost corner to the nearest outline corner runs
        // along the hole's own edge (the counter of a sans-serif "a").
        {"hole below a notch",
         {{{-4, -6}, {16, -6}, {16, 14}, {9, 14}, {6, 7}, {3, 14}, {-4, 14}}, rect(2, 2, 6, 5)}},
        // Two holes whose nearest corners are each other's: the second bridge reaches a
        // corner that the first bridge already visits twice.
        {"diamond across a bar",
         {{{-0.7, 17.68}, {11.57, 17.68}, {22.99, -8.96}, {31.18, -8.96}, {42.61, 17.68}, {54.88, 17.68},
           {54.88, 23.59}, {42.57, 23.59}, {31.18, 50.2}, {22.99, 50.2}, {11.6, 23.59}, {-0.7, 23.59}},
          {{19.76, 17.68}, {27.07, 0.6}, {34.42, 17.68}},
          {{34.38, 23.59}, {19.79, 23.59}, {27.07, 40.64}}}},
    };
    // The same shapes turned half a turn: ties between equally near corners then fall
    // the other way.
    std::vector<Case> turned = all;
    for (Case& c : turned)
        for (Contour& contour : c.face)
            for (glm::dvec2& p : contour) p = -p;
    all.insert(all.end(), turned.begin(), turned.end());
    return all;
}

}  // namespace

// Every face closes with flat sides and bevels; with tiled caps too, each cap piece
// inside one tile and the volume kept.
TEST(SolidBuilder, ClosedSolidsWithFlatSidesBevelsAndTiledCaps) {
    const Contour library = test::libraryEdgeProfile("Bevel, Medium");
    ASSERT_GE(library.size(), 4u);
    const double tiles[2] = {1.3, 0.9};
    const struct {
        const char* name;
        Contour profile;
        double depth;
        bool tiled;
    } edges[] = {{"flat", {}, 2, true}, {"bevelled inward", kBevelMedium, 4, true}, {"with \"Bevel, Medium\"", library, 4, false}};
    for (const Case& c : cases()) {
        for (const auto& edge : edges) {
            SCOPED_TRACE(std::string(c.name) + " " + edge.name);
            ObjDB plain, db;
            SolidBuilder::Options options;
            options.depth = edge.depth;
            ASSERT_TRUE(SolidBuilder::build(c.face, edge.profile, {}, options, plain)) << "nothing built";
            const double volume = test::expectClosed(plain).volume;
            EXPECT_GT(volume, 0);
            if (!edge.tiled) continue;
            // The inward bevel starts and ends inside the outline, so the caps are offset rows.
            options.tileSize[0] = tiles[0], options.tileSize[1] = tiles[1];
            ASSERT_TRUE(SolidBuilder::build(c.face, edge.profile, {}, options, db));
            // Corners within a thousandth of an edge of a grid line move onto it.
            const test::SolidCheck r = test::expectClosed(db, "tiled");
            EXPECT_NEAR(r.volume, volume, 1e-5 * std::fabs(r.volume));
            int capPieces = 0, plainCapPieces = 0;
            test::eachElement(plain, [&](const auto& info, auto...) { plainCapPieces += info.part <= 1; });
            test::eachElement(db, [&](const auto& info, const int* p, auto...) {
                if (info.part > 1) return;
                ++capPieces;
                double low[2] = {1e300, 1e300}, high[2] = {-1e300, -1e300};
                for (int k = 0; k < info.count; ++k) {
                    double v[3];
                    db.getVertex(v, p[k]);
                    for (int a = 0; a < 2; ++a) low[a] = std::min(low[a], v[a]), high[a] = std::max(high[a], v[a]);
                }
                for (int a = 0; a < 2; ++a)
                    EXPECT_EQ(std::floor(low[a] / tiles[a] + 1e-7), std::floor(high[a] / tiles[a] - 1e-7))
                        << "a cap piece spans two tiles along " << (a ? "y" : "x");
            });
            EXPECT_GT(capPieces, plainCapPieces);
        }
    }
}

// Bevels that end away from the outline ("Bevel, Medium Front") put the back cap on
// offset rows; across a notch or slot narrower than two offsets a row runs into
// itself. The back must close anyway, and still reach out where nothing crowds it.
TEST(SolidBuilder, FrontBevelsCloseTheBackWhereNotchesAndSlotsCrowdIt) {
    const Contour front = test::libraryEdgeProfile("Bevel, Medium Front");
    ASSERT_GE(front.size(), 3u);
    const Case crowded[] = {
        {"a V notch", {{{0, 0}, {10, 0}, {10, 3}, {6, 5}, {10, 7}, {10, 10}, {0, 10}}}},
        {"a V notch 2 wide", {{{0, 0}, {10, 0}, {10, 4}, {5, 5}, {10, 6}, {10, 10}, {0, 10}}}},
        {"a slot", {{{0, 0}, {10, 0}, {10, 4.5}, {6, 4.5}, {6, 5.5}, {10, 5.5}, {10, 10}, {0, 10}}}},
        {"a wedge slot", {{{0, 0}, {10, 0}, {10, 3}, {3, 3}, {3, 7}, {10, 4}, {10, 10}, {0, 10}}}},
    };
    for (const Case& c : crowded) {
        ObjDB db;
        SolidBuilder::Options options;
        options.depth = 18;  // the bevel reaches 1.8 out at the back
        ASSERT_TRUE(SolidBuilder::build(c.face, front, {}, options, db)) << c.name;
        test::SolidCheck r = test::checkSolid(db);
        EXPECT_EQ(r.openEdges + r.overusedEdges + r.flippedEdges, 0) << c.name << ": " << r.summary();
        EXPECT_GT(r.volume, 0) << c.name;
        double faceLeft = 1e300;
        for (const Contour& contour : c.face)
            for (glm::dvec2 p : contour) faceLeft = std::min(faceLeft, p.x);
        EXPECT_LT(test::boxOf(db).low.x, faceLeft - 0.1) << c.name;
    }
}

TEST(SolidBuilder, FlatSquareHasTheExpectedVolumeAndParts) {
    ObjDB db;
    SolidBuilder::Options options;
    options.depth = 2;
    ASSERT_TRUE(SolidBuilder::build({rect(0, 0, 10, 10)}, {}, {}, options, db));
    EXPECT_NEAR(test::checkSolid(db).volume, 100 * 2 * (99.996101 - 0.0049) / 100, 1e-9);
    std::vector<int> perParts(4);
    test::eachElement(db, [&](const auto& info, auto...) { ++perParts[info.part]; });
    EXPECT_EQ(perParts, (std::vector<int>{1, 1, 4, 0}));  // each cap is one convex piece
}

TEST(ContourOffset, MitresValidityAndCollapse) {
    Contour square = rect(0, 0, 10, 10);
    EXPECT_NEAR(glm::distance(ContourOffset::offset(square, 1).points[0], glm::dvec2(-1, -1)), 0, 1e-12);  // the mitre
    EXPECT_NEAR(ContourOffset::offset(square, -2).points[2].x, 8, 1e-12);
    // So far inward that every point crosses the contour: all on the centroid.
    ContourOffset::Result gone = ContourOffset::offset(square, -7);
    EXPECT_TRUE(gone.collapsed);
    for (glm::dvec2 p : gone.points) EXPECT_NEAR(glm::distance(p, glm::dvec2(5, 5)), 0, 1e-12);
}

TEST(ContourOffset, SpikesSharperThanTheSpikeAngleArePulledBack) {
    Contour pointed = star(5, 5, 2);  // tips of about 36 degrees, valleys concave
    Contour same = ContourOffset::pullBackSpikes(pointed, 30, 0.5);
    EXPECT_EQ(same, pointed);  // no tip is sharper than 30 degrees
    Contour blunt = ContourOffset::pullBackSpikes(pointed, 40, 0.5);
    ASSERT_EQ(blunt.size(), pointed.size() + 5);  // each tip became two points
    // The first tip (straight up at 0, 5) is cut 0.5 below it, square to its bisector.
    EXPECT_NEAR(glm::distance(blunt[0], glm::dvec2(-blunt[1].x, 4.5)), 0, 1e-12);
    EXPECT_NEAR(blunt[1].y, 4.5, 1e-12);
    EXPECT_EQ(blunt[2], pointed[1]);  // the valley after it is untouched
    // A huge pull-back stops at half of each edge; the solid stays closed.
    Contour stub = ContourOffset::pullBackSpikes(pointed, 40, 100);
    EXPECT_NEAR(glm::length(stub[0] - pointed[0]), glm::length(pointed.back() - pointed[0]) / 2, 1e-9);
    ObjDB db;
    ASSERT_TRUE(SolidBuilder::build({blunt}, kBevelMedium, {}, SolidBuilder::Options(), db));
    test::expectClosed(db);
}

}  // namespace fw
