#pragma once
// What the geometry tests share: simple outlines, a walk over a mesh's polygons, and
// the closed-solid check as one expectation.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include <glm/common.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "SolidCheck.h"
#include "mesh/GeometryInterface.h"

namespace fw::test {

using Outline = std::vector<glm::dvec2>;

inline Outline rect(double x0, double y0, double x1, double y1) { return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}; }

inline Outline circle(double cx, double cy, double r, int n, bool clockwise = false) {
    Outline c;
    for (int i = 0; i < n; ++i) {
        double a = 2 * M_PI * i / n * (clockwise ? -1 : 1);
        c.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return c;
}

struct Box { glm::dvec3 low{1e300}, high{-1e300}; };

inline Box boxOf(const GeometryInterface& mesh) {
    Box b;
    for (int i = 0; i < mesh.vertexCount(); ++i) {
        double p[3];
        mesh.getVertex(p, i);
        b.low = glm::min(b.low, glm::dvec3(p[0], p[1], p[2]));
        b.high = glm::max(b.high, glm::dvec3(p[0], p[1], p[2]));
    }
    return b;
}

// No open, overused or flipped edge, no degenerate triangle; returns the check.
inline SolidCheck expectClosed(const GeometryInterface& mesh, const std::string& what = "") {
    SolidCheck r = checkSolid(mesh);
    EXPECT_EQ(r.openEdges + r.overusedEdges + r.flippedEdges + r.degenerate, 0) << what << ": " << r.summary();
    return r;
}

}  // namespace fw::test
