// Revolved solids and tubes: closed (every edge shared by two faces, consistently
// oriented), no degenerate triangles, positive volume, placed about the chosen axis,
// with normals split only at corners sharper than the hard angle.
#include "geometry/SweepBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <tuple>
#include <string>

#include <glm/geometric.hpp>
#include <glm/vec3.hpp>

#include "GeometryHelpers.h"
#include "mesh/ObjDB.h"

namespace fw {
namespace {

using Contour = SweepBuilder::Contour;
using test::boxOf;
using test::rect;

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

// About each axis the square lies along the axis from 0 to 2 and turns 4 out from it.
TEST(SweepBuilder, AFullTurnAboutEachAxisIsASquareTorusWithoutASeam) {
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
        test::Box b = boxOf(db);
        for (int a = 0; a < 3; ++a) {
            SCOPED_TRACE("coordinate " + std::to_string(a));
            if (a == axis - 1) {
                EXPECT_NEAR(b.low[a], 0, 1e-9);
                EXPECT_NEAR(b.high[a], 2, 1e-9);
            } else {
                EXPECT_NEAR(b.high[a] - b.low[a], 8, 0.1);
            }
        }
        if (axis != 3) continue;
        EXPECT_NEAR(b.low.z, 0, 1e-12);
        EXPECT_NEAR(b.high.z, 2, 1e-12);
        EXPECT_NEAR(b.high.x, 4, 1e-12);
        EXPECT_NEAR(b.low.y, -4, 1e-12);
        // The square's corners are hard, the turn is smooth: sides face straight out or
        // in, top and bottom straight along the axis.
        eachCorner(db, [](int, int, glm::dvec3 p, glm::dvec3 n) {
            EXPECT_TRUE(std::fabs(std::fabs(n.z) - 1) < 1e-9 || std::fabs(n.z) < 1e-9) << n.x << " " << n.y << " " << n.z;
            if (std::fabs(n.z) < 1e-9) {
                EXPECT_NEAR(std::fabs(glm::dot(n, glm::normalize(glm::dvec3(p.x, p.y, 0)))), 1, 1e-9);
            }
        });
    }
}

TEST(SweepBuilder, PartialTurnsAreClosedByEveryCapType) {
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
                    test::Box b = boxOf(db);
                    EXPECT_NEAR(range > 0 ? -b.low.y : b.high.y, reach, 1e-9) << what;
                }
}

TEST(SweepBuilder, ARingKeepsItsHoleAndAProfileShapesTheEnds) {
    std::vector<Contour> ring = {rect(2, 0, 6, 4), rect(3, 1, 5, 3)};
    ObjDB full;
    SweepBuilder::Options o;
    ASSERT_TRUE(SweepBuilder::revolve(ring, {}, o, full));
    expectClosed(full, "full ring");
    EXPECT_NEAR(test::checkSolid(full).volume, 12 * 2 * M_PI * 4, 12 * 2 * M_PI * 4 * 0.03);
    int holeParts = 0;
    eachCorner(full, [&](int part, int, glm::dvec3, glm::dvec3) { holeParts += part == 3; });
    EXPECT_GT(holeParts, 0);

    o.endAngle = 180;
    o.head = o.tail = {SweepBuilder::kBeveled, 20, 0};
    ObjDB half;
    ASSERT_TRUE(SweepBuilder::revolve(ring, {}, o, half));
    expectClosed(half, "half ring");
    // A bevel drawn inward is mirrored: the face swells by 0.25 at both ends.
    ObjDB bevelled;
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
    Contour path;
    for (int i = 0; i <= 48; ++i) path.push_back({10 * std::cos(2 * M_PI * i / 48), 10 * std::sin(2 * M_PI * i / 48)});
    ObjDB db;
    ASSERT_TRUE(SweepBuilder::tube({path}, o, db));
    expectClosed(db, "circle");
    EXPECT_EQ(db.vertexCount(), 48 * 24);
    EXPECT_NEAR(test::checkSolid(db).volume, M_PI * 2 * M_PI * 10, M_PI * 2 * M_PI * 10 * 0.03);
    test::Box b = boxOf(db);
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

    ObjDB corner;
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

    ObjDB stick;
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
