#pragma once
// Whether a mesh is a closed solid: positions welded at a millionth of its size, polygons
// fanned into triangles, every edge used once each way, no degenerate triangle, positive volume.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/vec3.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "mesh/GeometryInterface.h"

namespace fw::test {

struct SolidCheck {
    int openEdges = 0, overusedEdges = 0, flippedEdges = 0, degenerate = 0, triangles = 0;
    double volume = 0;
    // Everything that keeps a mesh from being a clean closed solid, summed.
    int faults() const { return openEdges + overusedEdges + flippedEdges + degenerate; }
    std::string summary() const {
        return "open " + std::to_string(openEdges) + ", overused " + std::to_string(overusedEdges) + ", flipped " +
               std::to_string(flippedEdges) + ", degenerate " + std::to_string(degenerate) + ", volume " +
               std::to_string(volume);
    }
};

// Calls `visit(info, positions, texture, normals, element)` for every polygon.
template <class Visit>
void eachElement(const GeometryInterface& mesh, Visit&& visit) {
    for (int e = 0; e < mesh.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        mesh.getElementRefs(e, info, &p, &t, &n);
        visit(info, p, t, n, e);
    }
}

inline SolidCheck checkSolid(const GeometryInterface& db) {
    SolidCheck r;
    std::vector<glm::dvec3> pos(static_cast<size_t>(db.vertexCount()));
    glm::dvec3 low(1e300), high(-1e300);
    for (int i = 0; i < db.vertexCount(); ++i) {
        db.getVertex(&pos[static_cast<size_t>(i)].x, i);
        low = glm::min(low, pos[static_cast<size_t>(i)]), high = glm::max(high, pos[static_cast<size_t>(i)]);
    }
    const double size = std::max({high.x - low.x, high.y - low.y, high.z - low.z}), weld = size * 1e-6;
    // Each vertex takes the first vertex of its welded place.
    std::map<std::tuple<long long, long long, long long>, int> places;
    std::vector<int> id(pos.size());
    for (size_t i = 0; i < pos.size(); ++i)
        id[i] = places.emplace(std::tuple(std::llround(pos[i].x / weld), std::llround(pos[i].y / weld),
                                          std::llround(pos[i].z / weld)), static_cast<int>(i)).first->second;
    // Directed edges as one number each, (from << 32) | to, sorted: a run is one edge's
    // uses, and its reverse is found by halving.
    std::vector<uint64_t> directed;
    directed.reserve(static_cast<size_t>(db.elementCount()) * 6);
    auto edge = [](int from, int to) { return static_cast<uint64_t>(from) << 32 | static_cast<uint32_t>(to); };
    eachElement(db, [&](const GeometryInterface::ElementInfo& info, const int* p, const int*, const int*, int) {
        for (int k = 1; k + 1 < info.count; ++k) {
            int tri[3] = {id[p[0]], id[p[k]], id[p[k + 1]]};
            glm::dvec3 a = pos[tri[0]], b = pos[tri[1]], c = pos[tri[2]];
            ++r.triangles;
            if (glm::length(glm::cross(b - a, c - a)) < size * size * 1e-12) ++r.degenerate;
            r.volume += glm::dot(a, glm::cross(b, c)) / 6;
            for (int s = 0; s < 3; ++s) directed.push_back(edge(tri[s], tri[(s + 1) % 3]));
        }
    });
    std::sort(directed.begin(), directed.end());
    for (size_t k = 0; k < directed.size();) {
        size_t next = k;
        while (next < directed.size() && directed[next] == directed[k]) ++next;
        const int count = static_cast<int>(next - k);
        const uint64_t reverse = directed[k] << 32 | directed[k] >> 32;
        auto range = std::equal_range(directed.begin(), directed.end(), reverse);
        const int back = static_cast<int>(range.second - range.first);
        if (count > 1) ++r.overusedEdges;
        if (back == 0) ++r.openEdges;
        if (count == 1 && back > 1) ++r.flippedEdges;
        k = next;
    }
    return r;
}

// The signed area, seen along z, of the polygons of one part (a cap of an extrusion).
inline double partArea(const GeometryInterface& mesh, int part) {
    double area = 0;
    eachElement(mesh, [&](const GeometryInterface::ElementInfo& info, const int* p, const int*, const int*, int) {
        if (info.part != part) return;
        double first[3], a[3], b[3];
        mesh.getVertex(first, p[0]);
        for (int k = 1; k + 1 < info.count; ++k) {
            mesh.getVertex(a, p[k]);
            mesh.getVertex(b, p[k + 1]);
            area += ((a[0] - first[0]) * (b[1] - first[1]) - (b[0] - first[0]) * (a[1] - first[1])) / 2;
        }
    });
    return area;
}

}  // namespace fw::test
