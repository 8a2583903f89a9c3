#pragma once
// What the mesh format tests share: big-endian chunk bytes built by hand from the
// documented layouts, the console a writer talks to, corner lists that show normals and
// texture coordinates, and a named, two-material box written and read back.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "MeshCompare.h"
#include "TempDir.h"
#include "TestBox.h"
#include "mesh/ObjDB.h"
#include "output/ExportUnit.h"
#include "output/ImportGroup.h"
#include "output/MeshFormats.h"

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

// id, length, data, and a zero byte after data of odd length.
inline std::string chunk(const std::string& id, const std::string& data) {
    return id + be32(static_cast<uint32_t>(data.size())) + data + (data.size() % 2 ? std::string(1, '\0') : "");
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

// A box whose faces wear "Gold" and "Ink" by turns, written whole at frame 7 and as its
// "Ink" section; the groups read back, for the caller's own checks of the file.
template <class Reader>
std::vector<ImportGroup> expectNamesAndLooks(MeshFormat::Writer write, const std::string& path) {
    ObjDB box, two;
    const double size[3] = {1, 1, 1};
    buildBox(box, size);
    for (int i = 0; i < box.vertexCount(); ++i) {
        double v[3];
        box.getVertex(v, i);
        two.addVertex(v);
    }
    for (int e = 0; e < box.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        box.getElementRefs(e, info, &p, &t, &n);
        two.addElement(GeometryInterface::Polygon, e % 2, info.count, p, 0, nullptr, 0, nullptr);
    }
    ExportUnit unit("Logo", &two);
    unit.frame = 7;
    ExportMaterial gold, ink;
    gold.name = "Gold", ink.name = "Ink";
    gold.diffuse[0] = 0.9, gold.diffuse[1] = 0.7, gold.diffuse[2] = 0.1;
    ink.diffuse[0] = 0.05, ink.diffuse[1] = 0.1, ink.diffuse[2] = 0.3;
    unit.materials = {gold, ink};
    ExportUnit section = unit;
    section.section = 1;  // only the faces that wear the second material

    std::vector<ImportGroup> groups;
    EXPECT_TRUE(write(path, {unit, section}, false, nullptr));
    Reader reader;
    EXPECT_TRUE(reader.read(path, groups)) << reader.error();
    if (groups.size() != 2u) {
        ADD_FAILURE() << "groups read: " << groups.size();
        return groups;
    }
    EXPECT_EQ(groups[0].name, "Logo-Frm7");
    EXPECT_EQ(groups[1].name, "Logo-Section 1-Frm7");
    EXPECT_EQ(groups[0].materials.size(), 2u);
    if (groups[0].materials.size() == 2u) {
        EXPECT_EQ(groups[0].materials[0].name, "Gold");
        EXPECT_EQ(groups[0].materials[1].name, "Ink");
        for (int a = 0; a < 3; ++a) {
            EXPECT_FLOAT_EQ(groups[0].materials[0].diffuse[a], gold.diffuse[a]);
            EXPECT_FLOAT_EQ(groups[0].materials[1].diffuse[a], ink.diffuse[a]);
        }
    }
    // Each material's part holds the faces that wore it.
    for (int part = 0; part < 2; ++part)
        EXPECT_EQ(compareTriangles(trianglesOf(two, part), trianglesOf(*groups[0].mesh, part), 0), "");
    EXPECT_EQ(groups[1].materials.size(), 1u);
    if (!groups[1].materials.empty()) {
        EXPECT_EQ(groups[1].materials[0].name, "Ink");
        EXPECT_FLOAT_EQ(groups[1].materials[0].diffuse[2], 0.3);
    }
    EXPECT_EQ(compareTriangles(trianglesOf(two, 1), trianglesOf(*groups[1].mesh), 0), "");
    return groups;
}

}  // namespace fw::test
