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
            for (size_t k = 0; k < 3; ++k) {
                g.getVertex(v[k].data(), corners[k]);
                if (quantum > 0)
                    for (double& x : v[k]) x = std::round(x / quantum) * quantum;
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
    auto cellOf = [&](const Triangle& t) {
        std::array<long long, 3> c;
        for (size_t axis = 0; axis < 3; ++axis)
            c[axis] = static_cast<long long>(std::floor((t[axis] + t[3 + axis] + t[6 + axis]) / 3 / cell));
        return c;
    };
    std::map<std::array<long long, 3>, std::vector<size_t>> cells;
    for (size_t i = 0; i < actual.size(); ++i) cells[cellOf(actual[i])].push_back(i);
    std::vector<bool> used(actual.size(), false);
    auto same = [&](const Triangle& e, const Triangle& a) {
        for (size_t turn = 0; turn < 9; turn += 3) {
            size_t i = 0;
            while (i < 9 && std::fabs(e[i] - a[(i + turn) % 9]) <= tolerance) ++i;
            if (i == 9) return true;
        }
        return false;
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        const Triangle& e = expected[i];
        const std::array<long long, 3> c = cellOf(e);
        bool found = false;
        // The cell and its 26 neighbours, z fastest.
        for (int n = 0; n < 27 && !found; ++n) {
            auto it = cells.find({c[0] + n / 9 - 1, c[1] + n / 3 % 3 - 1, c[2] + n % 3 - 1});
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
