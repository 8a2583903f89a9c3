#pragma once
// Meshes compared as the triangles they draw (polygons fanned, winding kept), whatever
// order or numbering the file format gave them.

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
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

// Empty when the counts agree and every expected triangle has its own actual one with
// the same corners in the same winding, each coordinate within `tolerance`; else what differs.
inline std::string compareTriangles(const std::vector<Triangle>& expected, const std::vector<Triangle>& actual,
                                    double tolerance) {
    if (expected.size() != actual.size())
        return "triangle counts differ: " + std::to_string(expected.size()) + " against " +
               std::to_string(actual.size());
    // Actual triangles by the cell of their centroid; a match lies in a neighbouring cell.
    const double cell = std::max(tolerance * 4, 1e-9);
    auto centroidCell = [&](const Triangle& t, int axis) {
        return static_cast<long long>(std::floor((t[axis] + t[3 + axis] + t[6 + axis]) / 3 / cell));
    };
    std::map<std::array<long long, 3>, std::vector<size_t>> cells;
    for (size_t i = 0; i < actual.size(); ++i)
        cells[{centroidCell(actual[i], 0), centroidCell(actual[i], 1), centroidCell(actual[i], 2)}].push_back(i);
    std::vector<bool> used(actual.size(), false);
    auto same = [&](const Triangle& e, const Triangle& a) {
        for (int turn = 0; turn < 3; ++turn) {
            bool all = true;
            for (int k = 0; k < 3 && all; ++k)
                for (int axis = 0; axis < 3 && all; ++axis)
                    all = std::fabs(e[static_cast<size_t>(k * 3 + axis)] -
                                    a[static_cast<size_t>(((k + turn) % 3) * 3 + axis)]) <= tolerance;
            if (all) return true;
        }
        return false;
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        const Triangle& e = expected[i];
        long long c[3] = {centroidCell(e, 0), centroidCell(e, 1), centroidCell(e, 2)};
        bool found = false;
        for (long long dx = -1; dx <= 1 && !found; ++dx)
            for (long long dy = -1; dy <= 1 && !found; ++dy)
                for (long long dz = -1; dz <= 1 && !found; ++dz) {
                    auto it = cells.find({c[0] + dx, c[1] + dy, c[2] + dz});
                    if (it == cells.end()) continue;
                    for (size_t j : it->second)
                        if (!used[j] && same(e, actual[j])) {
                            used[j] = found = true;
                            break;
                        }
                }
        if (!found) {
            std::string text = "no match for expected triangle " + std::to_string(i) + " (";
            for (size_t k = 0; k < 9; ++k) text += (k ? " " : "") + std::to_string(e[k]);
            return text + ")";
        }
    }
    return {};
}

}  // namespace fw::test
