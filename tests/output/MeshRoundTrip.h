#pragma once
// What the mesh format tests share: chunk bytes built by hand from the documented layouts, the console a writer talks
// to, small meshes, the bytes a writer wrote and the triangles it should have placed, readers run on bytes and files,
// and corner lists that show normals and texture coordinates.

#include <gmock/gmock.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <glm/glm.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <initializer_list>
#include <string>
#include <vector>

#include "AppHelpers.h"
#include "MeshCompare.h"
#include "TempDir.h"
#include "TestBox.h"
#include "mesh/ObjDB.h"
#include "output/ExportUnit.h"
#include "output/ImportGroup.h"
#include "output/MeshFormats.h"

namespace fw::test {

// Big-endian pieces (be32, beU32, beF32) come from AppHelpers.h.
inline std::string f32(double v) { return beFloat(static_cast<float>(v)); }
inline std::string floats(std::initializer_list<double> values) {
    std::string data;
    for (double v : values) data += f32(v);
    return data;
}
// What `body` printed to the console it was handed.
inline std::string capture(const std::function<void(std::FILE*)>& body) {
    char* text = nullptr;
    size_t length = 0;
    std::FILE* console = open_memstream(&text, &length);
    body(console);
    std::fclose(console);
    std::string out(text, length);
    free(text);
    return out;
}

// A box of buildBox's layout, made in one line.
struct Box : ObjDB {
    explicit Box(double x = 1, double y = 1, double z = 1) { buildBox(*this, std::array<double, 3>{x, y, z}.data()); }
};

// Positions, and polygons (or other elements) over them without normals or texture coordinates.
inline void addVertices(ObjDB& db, std::initializer_list<std::array<double, 3>> points) {
    for (const auto& p : points) db.addVertex(p.data());
}
inline void addElement(ObjDB& db, int part, std::initializer_list<int> corners, int kind = GeometryInterface::Polygon) {
    db.addElement(kind, part, static_cast<int>(corners.size()), std::data(corners), 0, nullptr, 0, nullptr);
}

// Out of line: g++ 12.2 at -O2 vectorised a double -> float -> double round trip of neighbouring values into nothing.
__attribute__((noinline)) inline double asFloat(double x) {
    return static_cast<double>(static_cast<float>(x));
}

// The polygons of `g` (of one part, or all) moved by `m`, with `asFloats` rounded as a
// file of floats holds them, so that both sides sort alike.
inline std::vector<Triangle> movedTriangles(const GeometryInterface& g, const glm::dmat4& m, int part = -1,
                                            bool asFloats = false) {
    ObjDB moved;
    for (int i = 0; i < g.vertexCount(); ++i) {
        double v[3];
        g.getVertex(v, i);
        glm::dvec3 p(m * glm::dvec4(v[0], v[1], v[2], 1.0));
        if (asFloats) p = glm::dvec3(asFloat(p.x), asFloat(p.y), asFloat(p.z));
        moved.addVertex(glm::value_ptr(p));
    }
    for (int e = 0; e < g.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (g.getElementRefs(e, info, &p, &t, &n) && info.kind == GeometryInterface::Polygon &&
            (part < 0 || info.part == part))
            moved.addElement(GeometryInterface::Polygon, 0, info.count, p, 0, nullptr, 0, nullptr);
    }
    return trianglesOf(moved);
}

// What the writer of extension `ext` put in a file for the units, in world or object coordinates.
inline std::string written(const std::string& ext, const std::vector<ExportUnit>& units, bool world = false) {
    TempDir dir;
    EXPECT_TRUE(MeshFormats::forPath(ext)->write(dir.file("b" + ext), units, world, nullptr));
    return readFile(dir.file("b" + ext));
}

// Element e's description: corners, normals and texture corners, part.
inline GeometryInterface::ElementInfo elementInfo(const GeometryInterface& g, int e) {
    GeometryInterface::ElementInfo info;
    const int *p, *t, *n;
    EXPECT_TRUE(g.getElementRefs(e, info, &p, &t, &n)) << e;
    return info;
}

// A reader of the format that extension `ext` names.
inline std::unique_ptr<MeshReader> readerFor(const std::string& ext) {
    return MeshFormats::forPath("x" + ext)->makeReader();
}

// What a reader made of some bytes.
struct Parsed {
    bool ok;
    std::string error, warnings;
    std::vector<ImportGroup> groups;
};
inline Parsed parse(MeshReader& reader, const std::string& bytes) {
    std::vector<ImportGroup> groups;
    const bool ok = reader.parse(bytes, groups);
    return {ok, reader.error(), reader.warnings(), std::move(groups)};
}
// What a reader made of a file, which it reads without a warning.
inline std::vector<ImportGroup> readBack(MeshReader& reader, const std::string& path) {
    std::vector<ImportGroup> groups;
    EXPECT_TRUE(reader.read(path, groups)) << reader.error();
    EXPECT_EQ(reader.warnings(), "");
    return groups;
}

// id, length, data, and a zero byte after data of odd length.
inline std::string chunk(const std::string& id, const std::string& data) {
    return id + be32(static_cast<uint32_t>(data.size())) + data + (data.size() % 2 ? std::string(1, '\0') : "");
}

// Every polygon (of the first `elements`) fanned into triangles, each corner as position, normal, (u, v) (-1: none),
// sorted: two meshes with the same list carry the same normals and texture coordinates on the same triangles.
using Corner = std::array<double, 8>;
inline std::vector<std::array<Corner, 3>> cornersOf(const GeometryInterface& g, int elements = 1 << 30) {
    std::vector<std::array<Corner, 3>> out;
    for (int e = 0; e < std::min(elements, g.elementCount()); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (!g.getElementRefs(e, info, &p, &t, &n) || info.kind != GeometryInterface::Polygon) continue;
        for (int c = 1; c + 1 < info.count; ++c) {
            std::array<Corner, 3> tri;
            const int k[3] = {0, c, c + 1};
            for (int i = 0; i < 3; ++i) {
                Corner& corner = tri[static_cast<size_t>(i)];
                double uvw[3] = {-1, -1, -1};
                corner.fill(-1);
                g.getVertex(corner.data(), p[k[i]]);
                if (info.normalCount == info.count) g.getNormal(corner.data() + 3, n[k[i]]);
                if (info.texCount == info.count) g.getTexCoord(uvw, t[k[i]]);
                std::copy(uvw, uvw + 2, corner.begin() + 6);
            }
            std::rotate(tri.begin(), std::min_element(tri.begin(), tri.end()), tri.end());
            out.push_back(tri);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace fw::test
