#pragma once
// Checks that a mesh is a closed solid: positions welded at a millionth of its size,
// polygons fanned into triangles, every edge used once in each direction, no
// degenerate triangles, and a positive volume.

#include <algorithm>
#include <cmath>
#include <cstdint>
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
    std::string summary() const {
        return "open " + std::to_string(openEdges) + ", overused " + std::to_string(overusedEdges) + ", flipped " +
               std::to_string(flippedEdges) + ", degenerate " + std::to_string(degenerate) + ", volume " +
               std::to_string(volume);
    }
};

// Welds positions at a millionth of the solid's size, fans every polygon into
// triangles and counts how the edges are used.
inline SolidCheck checkSolid(const GeometryInterface& db) {
    SolidCheck r;
    double box[6] = {1e300, 1e300, 1e300, -1e300, -1e300, -1e300};
    for (int i = 0; i < db.vertexCount(); ++i) {
        double p[3];
        db.getVertex(p, i);
        for (int a = 0; a < 3; ++a) box[a] = std::min(box[a], p[a]), box[a + 3] = std::max(box[a + 3], p[a]);
    }
    double size = std::max({box[3] - box[0], box[4] - box[1], box[5] - box[2]});
    double weld = size * 1e-6;
    // Welded by sorting the rounded positions: each vertex takes the first of its place.
    struct Place {
        long long x, y, z;
        int index;
        bool operator<(const Place& o) const { return std::tie(x, y, z, index) < std::tie(o.x, o.y, o.z, o.index); }
    };
    std::vector<Place> places(static_cast<size_t>(db.vertexCount()));
    std::vector<glm::dvec3> pos(places.size());
    for (int i = 0; i < db.vertexCount(); ++i) {
        double p[3];
        db.getVertex(p, i);
        pos[static_cast<size_t>(i)] = glm::dvec3(p[0], p[1], p[2]);
        places[static_cast<size_t>(i)] = {std::llround(p[0] / weld), std::llround(p[1] / weld), std::llround(p[2] / weld), i};
    }
    std::sort(places.begin(), places.end());
    std::vector<int> id(places.size());
    for (size_t k = 0, first = 0; k < places.size(); ++k) {
        const Place &a = places[k], &b = places[first];
        if (a.x != b.x || a.y != b.y || a.z != b.z) first = k;
        id[static_cast<size_t>(a.index)] = places[first].index;
    }
    // Directed edges as one number each, (from << 32) | to, sorted: a run is one edge's
    // uses, and its reverse is found by halving.
    std::vector<uint64_t> directed;
    directed.reserve(static_cast<size_t>(db.elementCount()) * 6);
    auto edge = [](int from, int to) { return static_cast<uint64_t>(from) << 32 | static_cast<uint32_t>(to); };
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
            for (int s = 0; s < 3; ++s) directed.push_back(edge(tri[s], tri[(s + 1) % 3]));
        }
    }
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
    for (int e = 0; e < mesh.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        mesh.getElementRefs(e, info, &p, &t, &n);
        if (info.part != part) continue;
        double first[3], a[3], b[3];
        mesh.getVertex(first, p[0]);
        for (int k = 1; k + 1 < info.count; ++k) {
            mesh.getVertex(a, p[k]);
            mesh.getVertex(b, p[k + 1]);
            area += ((a[0] - first[0]) * (b[1] - first[1]) - (b[0] - first[0]) * (a[1] - first[1])) / 2;
        }
    }
    return area;
}

}  // namespace fw::test
