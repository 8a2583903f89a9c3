#pragma once
// Compares meshes as the triangles they draw: every polygon fanned into triangles,
// each triangle started at its smallest corner (so orientation is kept), the lists
// sorted. Two meshes agree when they hold the same triangles within a tolerance,
// whatever order or numbering the file format gave them.

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "mesh/GeometryInterface.h"

namespace fw::test {

using Triangle = std::array<double, 9>;

// `quantum` above 0 rounds every coordinate to a multiple of it first, so that values a
// format stored with less precision still sort alike.
inline std::vector<Triangle> trianglesOf(const GeometryInterface& g, int part = -1, double quantum = 0) {
    std::vector<Triangle> out;
    for (int e = 0; e < g.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (!g.getElementRefs(e, info, &p, &t, &n) || info.kind != GeometryInterface::Polygon) continue;
        if (part >= 0 && info.part != part) continue;
        for (int c = 1; c + 1 < info.count; ++c) {
            const int corners[3] = {p[0], p[c], p[c + 1]};
            std::array<std::array<double, 3>, 3> v;
            for (int k = 0; k < 3; ++k) {
                g.getVertex(v[static_cast<size_t>(k)].data(), corners[k]);
                if (quantum > 0)
                    for (double& x : v[static_cast<size_t>(k)]) x = std::round(x / quantum) * quantum;
            }
            // Rotate so the smallest corner leads: the same triangle, the same winding.
            size_t lead = static_cast<size_t>(std::min_element(v.begin(), v.end()) - v.begin());
            Triangle tri;
            for (size_t k = 0; k < 3; ++k)
                for (size_t a = 0; a < 3; ++a) tri[k * 3 + a] = v[(lead + k) % 3][a];
            out.push_back(tri);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Empty when the two lists match within `tolerance` per coordinate; otherwise what differs.
inline std::string compareTriangles(const std::vector<Triangle>& expected, const std::vector<Triangle>& actual,
                                    double tolerance) {
    if (expected.size() != actual.size())
        return "triangle counts differ: " + std::to_string(expected.size()) + " against " +
               std::to_string(actual.size());
    for (size_t i = 0; i < expected.size(); ++i)
        for (size_t a = 0; a < 9; ++a)
            if (std::fabs(expected[i][a] - actual[i][a]) > tolerance)
                return "triangle " + std::to_string(i) + " differs at coordinate " + std::to_string(a) + ": " +
                       std::to_string(expected[i][a]) + " against " + std::to_string(actual[i][a]);
    return {};
}

}  // namespace fw::test
