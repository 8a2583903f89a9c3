#pragma once
// What the FACT and Cinema 4D tests share: big-endian chunk bytes built by hand from the
// documented layouts, meshes rounded to the single precision those files keep, and
// corner lists that show normals and texture coordinates.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <glm/gtc/matrix_inverse.hpp>
#include <string>
#include <vector>

#include "MeshCompare.h"
#include "TempDir.h"
#include "TitleSolids.h"
#include "mesh/ObjDB.h"
#include "output/ExportUnit.h"

namespace fw::test {

inline std::string be32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}
inline std::string f32(double v) {
    float f = static_cast<float>(v);
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return be32(bits);
}
// id, length, data, and a zero byte after data of odd length.
inline std::string chunk(const std::string& id, const std::string& data) {
    return id + be32(static_cast<uint32_t>(data.size())) + data + (data.size() % 2 ? std::string(1, '\0') : "");
}

// The mesh as a file of single-precision numbers gives it back: positions (through
// `transform` when given, in double precision first, as the writers do), normals and
// texture coordinates rounded to float.
inline void roundedCopy(const GeometryInterface& g, ObjDB& out, const glm::dmat4* transform = nullptr) {
    double v[3];
    // Through memory: g++ 12 at -O2 folds a vectorised double -> float -> double away.
    auto toFloat = [](double x) {
        volatile float f = static_cast<float>(x);
        return static_cast<double>(f);
    };
    for (int i = 0; i < g.vertexCount(); ++i) {
        g.getVertex(v, i);
        glm::dvec3 p(v[0], v[1], v[2]);
        if (transform) p = glm::dvec3(*transform * glm::dvec4(p, 1.0));
        const double q[3] = {toFloat(p.x), toFloat(p.y), toFloat(p.z)};
        out.addVertex(q);
    }
    glm::dmat3 normalMatrix = transform ? glm::inverseTranspose(glm::dmat3(*transform)) : glm::dmat3(1.0);
    for (int i = 0; i < g.normalCount(); ++i) {
        g.getNormal(v, i);
        glm::dvec3 n = normalMatrix * glm::dvec3(v[0], v[1], v[2]);
        if (transform && glm::length(n) > 0) n /= glm::length(n);
        const double q[3] = {toFloat(n.x), toFloat(n.y), toFloat(n.z)};
        out.addNormal(q);
    }
    for (int i = 0; i < g.texCoordCount(); ++i) {
        g.getTexCoord(v, i);
        const double q[3] = {toFloat(v[0]), toFloat(v[1]), toFloat(v[2])};
        out.addTexCoord(q);
    }
    for (int e = 0; e < g.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (g.getElementRefs(e, info, &p, &t, &n))
            out.addElement(info.kind, info.part, info.count, p, info.texCount, t, info.normalCount, n);
    }
}

// Every polygon fanned into triangles, each corner as position, normal and (u, v),
// sorted: two meshes with the same list carry the same normals and texture
// coordinates on the same triangles.
using Corner = std::array<double, 8>;
inline std::vector<std::array<Corner, 3>> cornersOf(const GeometryInterface& g, bool withTexture) {
    std::vector<std::array<Corner, 3>> out;
    for (int e = 0; e < g.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (!g.getElementRefs(e, info, &p, &t, &n) || info.kind != GeometryInterface::Polygon) continue;
        for (int c = 1; c + 1 < info.count; ++c) {
            std::array<Corner, 3> tri{};
            const int k[3] = {0, c, c + 1};
            for (int i = 0; i < 3; ++i) {
                Corner& corner = tri[static_cast<size_t>(i)];
                g.getVertex(corner.data(), p[k[i]]);
                if (info.normalCount == info.count) g.getNormal(corner.data() + 3, n[k[i]]);
                double uvw[3] = {0, 0, 0};
                if (withTexture && info.texCount == info.count) g.getTexCoord(uvw, t[k[i]]);
                corner[6] = uvw[0];
                corner[7] = uvw[1];
            }
            std::rotate(tri.begin(), std::min_element(tri.begin(), tri.end()), tri.end());
            out.push_back(tri);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace fw::test
