// Solids from outlines: closed (every edge shared by exactly two faces, consistently
// oriented), no degenerate triangles, positive volume, with flat and bevelled sides.
#include "geometry/SolidBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <tuple>

#include <glm/geometric.hpp>
#include <glm/vec3.hpp>

#include "geometry/ContourOffset.h"
#include "mesh/ObjDB.h"

namespace fw {
namespace {

using Contour = SolidBuilder::Contour;

Contour circle(double cx, double cy, double r, int n, bool clockwise = false) {
    Contour c;
    for (int i = 0; i < n; ++i) {
        double a = 2 * M_PI * i / n * (clockwise ? -1 : 1);
        c.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return c;
}

Contour rect(double x0, double y0, double x1, double y1) { return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}; }

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

struct Check {
    int openEdges = 0, overusedEdges = 0, flippedEdges = 0, degenerate = 0, triangles = 0;
    double volume = 0;
    std::string summary() const {
        return "open " + std::to_string(openEdges) + ", overused " + std::to_string(overusedEdges) + ", flipped " +
               std::to_string(flippedEdges) + ", degenerate " + std::to_string(degenerate) + ", volume " +
               std::to_string(volume);
    }
};

// Welds positions at a millionth of the solid's size, fans every polygon into
// triangles and counts how the edges are used.
Check check(const ObjDB& db) {
    Check r;
    double box[6] = {1e300, 1e300, 1e300, -1e300, -1e300, -1e300};
    for (int i = 0; i < db.vertexCount(); ++i) {
        double p[3];
        db.getVertex(p, i);
        for (int a = 0; a < 3; ++a) box[a] = std::min(box[a], p[a]), box[a + 3] = std::max(box[a + 3], p[a]);
    }
    double size = std::max({box[3] - box[0], box[4] - box[1], box[5] - box[2]});
    double weld = size * 1e-6;
    std::map<std::tuple<long long, long long, long long>, int> welded;
    std::vector<int> id(static_cast<size_t>(db.vertexCount()));
    std::vector<glm::dvec3> pos(static_cast<size_t>(db.vertexCount()));
    for (int i = 0; i < db.vertexCount(); ++i) {
        double p[3];
        db.getVertex(p, i);
        pos[static_cast<size_t>(i)] = glm::dvec3(p[0], p[1], p[2]);
        auto key = std::make_tuple(std::llround(p[0] / weld), std::llround(p[1] / weld), std::llround(p[2] / weld));
        id[static_cast<size_t>(i)] = welded.emplace(key, i).first->second;
    }
    std::map<std::pair<int, int>, int> directed;
    for (int e = 0; e < db.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        db.getElementRefs(e, info, &p, &t, &n);
        for (int k = 1; k + 1 < info.count; ++k) {
            int tri[3] = {id[p[0]], id[p[k]], id[p[k + 1]]};
            glm::dvec3 a = pos[tri[0]], b = pos[tri[1]], c = pos[tri[2]];
            ++r.triangles;
            if (glm::length(glm::cross(b - a, c - a)) < size * size * 1e-12) ++r.degenerate;
            r.volume += glm::dot(a, glm::cross(b, c)) / 6;
            for (int s = 0; s < 3; ++s) ++directed[{tri[s], tri[(s + 1) % 3]}];
        }
    }
    for (const auto& [edge, count] : directed) {
        auto reverse = directed.find({edge.second, edge.first});
        int back = reverse == directed.end() ? 0 : reverse->second;
        if (count > 1) ++r.overusedEdges;
        if (back == 0) ++r.openEdges;
        if (count == 1 && back > 1) ++r.flippedEdges;
    }
    return r;
}

struct Case {
    const char* name;
    std::vector<Contour> face;
};

std::vector<Case> cases() {
    return {
        {"square", {rect(0, 0, 10, 10)}},
        {"circle", {circle(0, 0, 5, 64)}},
        {"ring", {circle(0, 0, 5, 64), circle(0, 0, 3, 48)}},
        {"two holes", {rect(0, 0, 6, 10), rect(1.5, 1.5, 4.5, 4.5), rect(1.5, 5.5, 4.5, 8.5)}},
        {"star", {star(5, 5, 2)}},
        {"gear", {gear(12, 5, 4)}},
        {"overlapping strokes", {rect(0, 4, 10, 6), rect(4, 0, 6, 10)}},
    };
}

}  // namespace

TEST(SolidBuilder, ClosedSolidsWithFlatSidesAndBevels) {
    for (const Case& c : cases()) {
        for (int bevel = 0; bevel < 2; ++bevel) {
            ObjDB db;
            SolidBuilder::Options options;
            options.depth = bevel ? 4 : 2;
            ASSERT_TRUE(SolidBuilder::build(c.face, bevel ? kBevelMedium : Contour(), {}, options, db)) << c.name;
            Check r = check(db);
            SCOPED_TRACE(std::string(c.name) + (bevel ? " bevelled" : " flat") + ": " + r.summary());
            EXPECT_EQ(r.openEdges, 0);
            EXPECT_EQ(r.overusedEdges, 0);
            EXPECT_EQ(r.flippedEdges, 0);
            EXPECT_EQ(r.degenerate, 0);
            EXPECT_GT(r.volume, 0);
        }
    }
}

TEST(SolidBuilder, FlatSquareHasTheExpectedVolumeAndParts) {
    ObjDB db;
    SolidBuilder::Options options;
    options.depth = 2;
    ASSERT_TRUE(SolidBuilder::build({rect(0, 0, 10, 10)}, {}, {}, options, db));
    EXPECT_NEAR(check(db).volume, 100 * 2 * (99.996101 - 0.0049) / 100, 1e-9);
    int perParts[4] = {};
    for (int e = 0; e < db.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        db.getElementRefs(e, info, &p, &t, &n);
        ++perParts[info.part];
    }
    EXPECT_EQ(perParts[0], 1);  // the square's cap is one convex piece
    EXPECT_EQ(perParts[1], 1);
    EXPECT_EQ(perParts[2], 4);
    EXPECT_EQ(perParts[3], 0);
}

TEST(ContourOffset, MitresValidityAndCollapse) {
    Contour square = rect(0, 0, 10, 10);
    ContourOffset::Result out = ContourOffset::offset(square, 1);
    EXPECT_NEAR(out.points[0].x, -1, 1e-12);  // the mitre of the corner
    EXPECT_NEAR(out.points[0].y, -1, 1e-12);
    ContourOffset::Result in = ContourOffset::offset(square, -2);
    EXPECT_NEAR(in.points[2].x, 8, 1e-12);
    // So far inward that every point crosses the contour: all on the centroid.
    ContourOffset::Result gone = ContourOffset::offset(square, -7);
    EXPECT_TRUE(gone.collapsed);
    for (glm::dvec2 p : gone.points) {
        EXPECT_NEAR(p.x, 5, 1e-12);
        EXPECT_NEAR(p.y, 5, 1e-12);
    }
}

}  // namespace fw
