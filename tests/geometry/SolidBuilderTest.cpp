// Solids from outlines, extruded, revolved or swept as tubes: closed (every edge shared by exactly two faces,
// consistently oriented), no degenerate triangles, positive volume, with flat and bevelled sides, placed about the
// chosen axis, with normals split only at corners sharper than the hard angle.
#include "geometry/SolidBuilder.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <glm/geometric.hpp>
#include <glm/vec3.hpp>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <tuple>

#include "EdgeProfile.h"
#include "geometry/ContourOffset.h"
#include "geometry/SweepBuilder.h"
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
    for (int k = 0; k < 4 * teeth; ++k) {  // two corners out, two in
        double a = 2 * M_PI * k / (4 * teeth), r = k % 4 < 2 ? outer : inner;
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
        // Two holes whose nearest corners are each other's: the second bridge reaches a corner the first visits twice.
        {"diamond across a bar",
         {{{-0.7, 17.68}, {11.57, 17.68}, {22.99, -8.96}, {31.18, -8.96}, {42.61, 17.68}, {54.88, 17.68},
           {54.88, 23.59}, {42.57, 23.59}, {31.18, 50.2}, {22.99, 50.2}, {11.6, 23.59}, {-0.7, 23.59}},
          {{19.76, 17.68}, {27.07, 0.6}, {34.42, 17.68}},
          {{34.38, 23.59}, {19.79, 23.59}, {27.07, 40.64}}}},
    };
    // The same shapes turned half a turn: ties between equally near corners then fall the other way.
    std::vector<Case> turned = all;
    for (Case& c : turned)
        for (Contour& contour : c.face)
            for (glm::dvec2& p : contour) p = -p;
    all.insert(all.end(), turned.begin(), turned.end());
    return all;
}

void expectClosed(ObjDB& db, const std::string& what) { EXPECT_GT(test::expectClosed(db, what).volume, 0) << what; }

// Calls `visit` with each corner's element part, position and normal.
void eachCorner(const ObjDB& db, const std::function<void(int part, int element, glm::dvec3 p, glm::dvec3 n)>& visit) {
    test::eachElement(db, [&](const auto& info, const int* p, const int*, const int* n, int e) {
        for (int k = 0; k < info.count; ++k) {
            double q[3], m[3];
            db.getVertex(q, p[k]);
            db.getNormal(m, n[k]);
            visit(info.part, e, glm::dvec3(q[0], q[1], q[2]), glm::dvec3(m[0], m[1], m[2]));
        }
    });
}

const Contour kSquare = rect(2, 0, 4, 2);  // 2 x 2, from 2 to 4 away from the axis

}  // namespace

// Every face closes with flat sides and bevels; with tiled caps too, each cap piece in one tile, the volume kept.
TEST(SolidBuilder, ClosedSolidsWithFlatSidesBevelsAndTiledCaps) {
    const Contour library = test::libraryEdgeProfile("Bevel, Medium");
    ASSERT_GE(library.size(), 4u);
    const double tiles[2] = {1.3, 0.9};
    const struct {
        const char* name;
        Contour profile;
        double depth;
        bool tiled;
    } edges[] = {{"flat", {}, 2, true}, {"bevelled inward", kBevelMedium, 4, true},
                 {"with \"Bevel, Medium\"", library, 4, false}};
    for (const Case& c : cases()) {
        for (const auto& edge : edges) {
            SCOPED_TRACE(std::string(c.name) + " " + edge.name);
            ObjDB plain, db;
            SolidBuilder::Options options;
            options.depth = edge.depth;
            ASSERT_TRUE(SolidBuilder::build(c.face, edge.profile, {}, options, plain)) << "nothing built";
            const double volume = test::expectClosed(plain).volume;
            EXPECT_GT(volume, 0);
            if (c.name == std::string("square") && edge.profile.empty()) {  // either way round
                EXPECT_NEAR(volume, 100 * 2 * (99.996101 - 0.0049) / 100, 1e-9);
                std::vector<int> perParts(4);
                test::eachElement(plain, [&](const auto& info, auto...) { ++perParts[info.part]; });
                EXPECT_EQ(perParts, (std::vector<int>{1, 1, 4, 0}));  // each cap is one convex piece
            }
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

// Bevels that end away from the outline ("Bevel, Medium Front") put the back cap on offset rows; across a notch or
// slot narrower than two offsets a row runs into itself. The back must close anyway, and reach out where not crowded.
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
        expectClosed(db, c.name);
        EXPECT_LT(test::boxOf(db).low.x, -0.1) << c.name;  // every face's left side is at x = 0
    }
}

// Spikes sharper than the spike angle are pulled back.
TEST(ContourOffset, MitresValidityCollapseAndSpikesPulledBack) {
    Contour square = rect(0, 0, 10, 10);
    EXPECT_NEAR(glm::distance(ContourOffset::offset(square, 1).points[0], glm::dvec2(-1, -1)), 0, 1e-12);  // the mitre
    EXPECT_NEAR(ContourOffset::offset(square, -2).points[2].x, 8, 1e-12);
    // So far inward that every point crosses the contour: all on the centroid.
    ContourOffset::Result gone = ContourOffset::offset(square, -7);
    EXPECT_TRUE(gone.collapsed);
    for (glm::dvec2 p : gone.points) EXPECT_NEAR(glm::distance(p, glm::dvec2(5, 5)), 0, 1e-12);
    Contour pointed = star(5, 5, 2);  // tips of about 36 degrees, valleys concave
    EXPECT_EQ(ContourOffset::pullBackSpikes(pointed, 30, 0.5), pointed);  // no tip is sharper than 30 degrees
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

// About each axis the square lies along the axis from 0 to 2 and turns 4 out from it.
TEST(SweepBuilder, AFullTurnAboutEachAxisIsASeamlessTorusAndPartialTurnsAreClosedByEveryCapType) {
    for (int axis = 1; axis <= 3; ++axis) {
        SCOPED_TRACE("axis " + std::to_string(axis));
        ObjDB db;
        SweepBuilder::Options o;
        o.axis = axis, o.steps = 24;
        ASSERT_TRUE(SweepBuilder::revolve({kSquare}, {}, o, db));
        expectClosed(db, "torus");
        EXPECT_EQ(db.vertexCount(), 4 * 24);  // the last ring is the first
        // 24 trapezoidal prisms: area 4 times the polygon's path through the centroid.
        EXPECT_NEAR(test::checkSolid(db).volume, 4 * 3 * 24 * std::sin(2 * M_PI / 24), 1e-9);
        const test::Box b = test::boxOf(db);
        for (auto [got, at] : {std::pair{b.low[axis - 1], 0.0}, {b.high[axis - 1], 2.0}}) EXPECT_NEAR(got, at, 1e-9);
        for (int a : {axis % 3, (axis + 1) % 3}) EXPECT_NEAR(b.high[a] - b.low[a], 8, 0.1) << "coordinate " << a;
        if (axis != 3) continue;
        for (auto [got, at] : {std::pair{b.low.z, 0.0}, {b.high.z, 2.0}, {b.high.x, 4.0}, {b.low.y, -4.0}})
            EXPECT_NEAR(got, at, 1e-12);
        // Hard square corners, a smooth turn: sides face straight out or in, top and bottom along the axis.
        eachCorner(db, [](int, int, glm::dvec3 p, glm::dvec3 n) {
            EXPECT_TRUE(std::fabs(std::fabs(n.z) - 1) < 1e-9 || std::fabs(n.z) < 1e-9)
                << n.x << " " << n.y << " " << n.z;
            const double across = std::fabs(glm::dot(n, glm::normalize(glm::dvec3(p.x, p.y, 0))));
            EXPECT_NEAR(std::fabs(n.z) < 1e-9 ? across : 1, 1, 1e-9);  // a side's normal: out or in
        });
    }
    for (double range : {90.0, 180.0, -90.0})
        for (int type = SweepBuilder::kNone; type <= SweepBuilder::kNotchedTail; ++type)
            for (double scale : {50.0, 100.0})
                for (double offset : {0.0, 1.0}) {
                    std::string what = "range " + std::to_string(range) + ", cap " + std::to_string(type) + ", scale " +
                                       std::to_string(scale) + ", offset " + std::to_string(offset);
                    ObjDB db;
                    SweepBuilder::Options o;
                    o.endAngle = range;
                    o.head = o.tail = {type, scale, offset};
                    ASSERT_TRUE(SweepBuilder::revolve({kSquare}, {}, o, db)) << what;
                    if (type == SweepBuilder::kNone) {
                        test::SolidCheck r = test::checkSolid(db);
                        EXPECT_EQ(r.openEdges, 8) << what;  // the two square ends are left open
                        EXPECT_EQ(r.overusedEdges + r.flippedEdges + r.degenerate, 0) << what;
                        continue;
                    }
                    expectClosed(db, what);
                    // The head cap starts at angle 0, in the XZ plane, and reaches out
                    // against the turn: its size is half the face's larger side times the scale.
                    double reach = type == SweepBuilder::kFlat ? offset : offset + 1 * scale * 0.01;
                    test::Box b = test::boxOf(db);
                    EXPECT_NEAR(range > 0 ? -b.low.y : b.high.y, reach, 1e-9) << what;
                }
}

TEST(SweepBuilder, ARingKeepsItsHoleAndAProfileShapesTheEnds) {
    std::vector<Contour> ring = {rect(2, 0, 6, 4), rect(3, 1, 5, 3)};
    ObjDB full, half, bevelled;
    SweepBuilder::Options o;
    ASSERT_TRUE(SweepBuilder::revolve(ring, {}, o, full));
    expectClosed(full, "full ring");
    EXPECT_NEAR(test::checkSolid(full).volume, 12 * 2 * M_PI * 4, 12 * 2 * M_PI * 4 * 0.03);
    int holeParts = 0;
    eachCorner(full, [&](int part, int, glm::dvec3, glm::dvec3) { holeParts += part == 3; });
    EXPECT_GT(holeParts, 0);
    o.endAngle = 180;
    o.head = o.tail = {SweepBuilder::kBeveled, 20, 0};
    ASSERT_TRUE(SweepBuilder::revolve(ring, {}, o, half));
    expectClosed(half, "half ring");
    // A bevel drawn inward is mirrored: the face swells by 0.25 at both ends.
    ASSERT_TRUE(SweepBuilder::revolve(ring, {{-0.25, 0}, {0, 10}, {0, 90}, {-0.25, 100}}, o, bevelled));
    expectClosed(bevelled, "bevelled half ring");
    EXPECT_GT(test::checkSolid(bevelled).volume, test::checkSolid(half).volume);
    bool swollenAtHead = false;
    eachCorner(bevelled, [&](int part, int, glm::dvec3 p, glm::dvec3) {
        if (part == 0 && std::fabs(p.y) < 1e-9) swollenAtHead = swollenAtHead || std::fabs(p.x - 1.75) < 1e-9;
    });
    EXPECT_TRUE(swollenAtHead);
}

// A tube around a circle closes on itself smoothly; an open one is mitred and capped.
TEST(SweepBuilder, TubesCloseAroundACircleOrAreMitredAndCapped) {
    SweepBuilder::Options o;
    o.depth = 2, o.steps = 24;
    ObjDB db, corner, stick;
    Contour path;
    for (int i = 0; i <= 48; ++i) path.push_back({10 * std::cos(2 * M_PI * i / 48), 10 * std::sin(2 * M_PI * i / 48)});
    ASSERT_TRUE(SweepBuilder::tube({path}, o, db));
    expectClosed(db, "circle");
    EXPECT_EQ(db.vertexCount(), 48 * 24);
    EXPECT_NEAR(test::checkSolid(db).volume, M_PI * 2 * M_PI * 10, M_PI * 2 * M_PI * 10 * 0.03);
    test::Box b = test::boxOf(db);
    EXPECT_NEAR(b.high.z, 1, 1e-9);
    EXPECT_NEAR(b.high.x, 11, 0.05);
    // Gentle bends everywhere: each vertex has one normal, whichever polygon uses it.
    std::map<std::tuple<double, double, double>, glm::dvec3> seen;
    double worst = 0;
    eachCorner(db, [&](int, int, glm::dvec3 p, glm::dvec3 n) {
        auto [it, fresh] = seen.emplace(std::make_tuple(p.x, p.y, p.z), n);
        if (!fresh) worst = std::max(worst, glm::length(it->second - n));
    });
    EXPECT_LT(worst, 1e-9);
    ASSERT_TRUE(SweepBuilder::tube({{{0, 0}, {10, 0}, {10, 10}}}, o, corner));
    expectClosed(corner, "corner");
    // A mitred right angle loses nothing: two cylinders of length 10.
    double prism = 24 * std::sin(2 * M_PI / 24) / 2;  // the 24-gon's area for radius 1
    EXPECT_NEAR(test::checkSolid(corner).volume, prism * 20, 1e-9);
    // The corner is sharper than the hard angle: each leg's normals stay square to it,
    // and the caps face along the path, away from it.
    int caps[2] = {};
    std::map<int, std::vector<std::pair<glm::dvec3, glm::dvec3>>> sides;  // element: positions and normals
    eachCorner(corner, [&](int part, int element, glm::dvec3 p, glm::dvec3 n) {
        if (part < 2) {
            ++caps[part];
            EXPECT_NEAR(part == 0 ? n.x : n.y, part == 0 ? -1 : 1, 1e-12);
        }
        if (part == 2) sides[element].push_back({p, n});
    });
    for (const auto& [element, corners] : sides) {
        glm::dvec3 middle(0.0);
        for (const auto& c : corners) middle += c.first / static_cast<double>(corners.size());
        for (const auto& c : corners) EXPECT_NEAR(middle.y > 2 ? c.second.y : c.second.x, 0, 1e-9) << element;
    }
    EXPECT_EQ(std::pair(caps[0], caps[1]), std::pair(24, 24));
    ASSERT_TRUE(SweepBuilder::tube({{{0, 0}, {3, 4}}}, o, stick));
    expectClosed(stick, "two points");
    EXPECT_EQ(stick.elementCount(), 24 + 2);
    EXPECT_NEAR(test::checkSolid(stick).volume, prism * 5, 1e-9);
    // Texture runs 0 to 1 along the path.
    double low = 1, high = 0;
    for (int i = 0; i < stick.texCoordCount(); ++i) {
        double t[3];
        stick.getTexCoord(t, i);
        low = std::min(low, t[0]), high = std::max(high, t[0]);
    }
    EXPECT_EQ(std::pair(low, high), std::pair(0.0, 1.0));
}

}  // namespace fw
