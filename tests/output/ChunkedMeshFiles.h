#pragma once
// What the FACT and Cinema 4D tests share: a walk of big-endian chunks that knows
// nothing of our readers, a triangle and a box laid out by hand, and the program run as
// a user runs it to import a mesh file and write it out again as OBJ for a look at what
// it made.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <glm/gtc/matrix_transform.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "MeshRoundTrip.h"
#include "RunProgram.h"
#include "TempDir.h"
#include "output/ImportGroup.h"
#include "output/ObjImport.h"

namespace fw::test {

struct Chunk {
    std::string id;
    std::string_view data;
};

// The chunks of one level, id and data; false when one runs past the end.
inline bool walkChunks(std::string_view level, std::vector<Chunk>& out) {
    out.clear();
    size_t at = 0;
    while (at < level.size()) {
        if (level.size() - at < 8) return false;
        const auto* b = reinterpret_cast<const unsigned char*>(level.data() + at + 4);
        uint32_t length = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
        if (length > level.size() - at - 8) return false;
        out.push_back({std::string(level.substr(at, 4)), level.substr(at + 8, length)});
        at += 8 + length + (length & 1);
    }
    return true;
}

inline uint32_t u32Of(std::string_view data, size_t at) {
    const auto* b = reinterpret_cast<const unsigned char*>(data.data() + at);
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
}
inline float f32Of(std::string_view data, size_t at) {
    uint32_t bits = u32Of(data, at);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

// One triangle with a normal and texture coordinates, moved 10 along x and wearing red.
inline ExportUnit redTriangle(ObjDB& tri) {
    const double p[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    for (const auto& v : p) tri.addVertex(v), tri.addTexCoord(v);
    const double up[3] = {0, 0, 1};
    tri.addNormal(up);
    const int corners[3] = {0, 1, 2}, normals[3] = {0, 0, 0};
    tri.addElement(GeometryInterface::Polygon, 0, 3, corners, 3, corners, 3, normals);
    ExportUnit unit("Tri", &tri, glm::translate(glm::dmat4(1.0), glm::dvec3(10, 0, 0)));
    ExportMaterial red;
    red.name = "Red";
    red.diffuse[0] = 1, red.diffuse[1] = 0, red.diffuse[2] = 0;
    unit.materials = {red};
    return unit;
}

// A box from (-1, 0, 2) to (1, 4, 8): corner k has x from bit 0, y from bit 1, z from
// bit 2; each face's corners run counter-clockwise seen from outside, with its normal.
struct HandBox {
    static constexpr double lo[3] = {-1, 0, 2}, hi[3] = {1, 4, 8};
    static constexpr int faces[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                        {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
    static constexpr double normals[6][3] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};
    static std::array<double, 3> corner(int k) {
        return {(k & 1) ? hi[0] : lo[0], (k & 2) ? hi[1] : lo[1], (k & 4) ? hi[2] : lo[2]};
    }
};

// What the program made of a mesh file: the import's outcome, the project's summary,
// and the project exported again as OBJ and read back.
struct Imported {
    Outcome import;
    std::string info;
    std::vector<ImportGroup> groups;
};

inline Outcome runFormwright(const TempDir& dir, const std::string& arguments) {
    return runProgram(FW_EXECUTABLE, "--library-folder " + dir.file("Documents") + " " + arguments, dir.file(""));
}

inline Imported importThroughProgram(const TempDir& dir, const std::string& meshFile) {
    Imported out;
    out.import = runFormwright(dir, "import " + meshFile + " -o " + dir.file("imported.kxp"));
    if (out.import.status != 0) return out;
    out.info = runFormwright(dir, "info " + dir.file("imported.kxp")).out;
    Outcome exported = runFormwright(dir, "export " + dir.file("imported.kxp") + " -o " + dir.file("imported.obj"));
    EXPECT_EQ(exported.status, 0) << exported.err;
    ObjImport reader;
    EXPECT_TRUE(reader.read(dir.file("imported.obj"), out.groups)) << reader.error();
    return out;
}

// The box of every position of the groups: lo x, y, z, hi x, y, z.
inline std::array<double, 6> boundsOf(const std::vector<ImportGroup>& groups) {
    std::array<double, 6> box = {1e300, 1e300, 1e300, -1e300, -1e300, -1e300};
    for (const ImportGroup& group : groups)
        for (int i = 0; i < group.mesh->vertexCount(); ++i) {
            double v[3];
            group.mesh->getVertex(v, i);
            for (int a = 0; a < 3; ++a) box[a] = std::min(box[a], v[a]), box[3 + a] = std::max(box[3 + a], v[a]);
        }
    return box;
}

// Each damaged file, imported through the program, fails with its message and
// leaves no project.
struct Refusal {
    std::string bytes, message;
};
inline void expectImportsRefused(const TempDir& dir, const std::string& name, const std::vector<Refusal>& cases) {
    for (const Refusal& c : cases) {
        writeFile(dir.file(name), c.bytes);
        Outcome r = runFormwright(dir, "import " + dir.file(name) + " -o " + dir.file("p.kxp"));
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_NE(r.err.find(name + ": " + c.message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("p.kxp")));
    }
}

// The example title exported as `name` and as t.obj; the bytes of `name`.
inline std::string exportTitleAs(const TempDir& dir, const std::string& name) {
    const std::string title = FW_SOURCE_DIR "/examples/title.kxp";
    for (const std::string& out : {name, std::string("t.obj")}) {
        Outcome r = runFormwright(dir, "export " + title + " -o " + dir.file(out));
        EXPECT_EQ(r.status, 0) << r.err;
    }
    return readFile(dir.file(name));
}

// The title's export `name`, imported through the program, gives the objects,
// triangles, box and materials of its OBJ export; the OBJ export's groups.
inline std::vector<ImportGroup> expectReimportMatchesObj(const TempDir& dir, const std::string& name) {
    ObjImport objReader;
    std::vector<ImportGroup> obj;
    EXPECT_TRUE(objReader.read(dir.file("t.obj"), obj)) << objReader.error();
    Imported back = importThroughProgram(dir, dir.file(name));
    EXPECT_EQ(back.import.status, 0) << back.import.err;
    EXPECT_EQ(back.groups.size(), obj.size());
    size_t objTriangles = 0, backTriangles = 0;
    for (const ImportGroup& group : obj) objTriangles += trianglesOf(*group.mesh).size();
    for (const ImportGroup& group : back.groups) backTriangles += trianglesOf(*group.mesh).size();
    EXPECT_EQ(backTriangles, objTriangles);
    auto a = boundsOf(obj), b = boundsOf(back.groups);
    for (size_t k = 0; k < 6; ++k) EXPECT_NEAR(a[k], b[k], 1e-3) << k;
    EXPECT_NE(back.info.find("MaterialX \"Brushed Gold\""), std::string::npos) << back.info;
    EXPECT_NE(back.info.find("MaterialX \"Slate\""), std::string::npos) << back.info;
    return obj;
}

// Triangles of a closed convex mesh that face its centre instead of away from it.
inline int inwardTriangles(const GeometryInterface& g) {
    std::vector<Triangle> tris = trianglesOf(g);
    double centre[3] = {0, 0, 0};
    for (const Triangle& t : tris)
        for (int a = 0; a < 3; ++a) centre[a] += (t[a] + t[3 + a] + t[6 + a]) / (3.0 * tris.size());
    int inward = 0;
    for (const Triangle& t : tris) {
        double u[3], v[3], mid[3];
        for (int a = 0; a < 3; ++a)
            u[a] = t[3 + a] - t[a], v[a] = t[6 + a] - t[a], mid[a] = (t[a] + t[3 + a] + t[6 + a]) / 3 - centre[a];
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        inward += n[0] * mid[0] + n[1] * mid[1] + n[2] * mid[2] <= 0;
    }
    return inward;
}

// The hand-made box read back: 12 triangles over its 8 corners, facing out, each
// corner's normal its face's, the project holding its materials "Red" and "Blue".
inline void expectHandBox(const Imported& box) {
    ASSERT_EQ(box.import.status, 0) << box.import.err;
    EXPECT_NE(box.info.find("ObjectP \"Crate\""), std::string::npos) << box.info;
    EXPECT_NE(box.info.find("MaterialX \"Red\""), std::string::npos) << box.info;
    EXPECT_NE(box.info.find("MaterialX \"Blue\""), std::string::npos) << box.info;
    ASSERT_EQ(box.groups.size(), 1u);
    const ObjDB& mesh = *box.groups[0].mesh;
    EXPECT_EQ(trianglesOf(mesh).size(), 12u);
    EXPECT_EQ(inwardTriangles(mesh), 0);
    std::vector<std::array<double, 3>> distinct;
    for (int i = 0; i < mesh.vertexCount(); ++i) {
        std::array<double, 3> v;
        mesh.getVertex(v.data(), i);
        if (std::find(distinct.begin(), distinct.end(), v) == distinct.end()) distinct.push_back(v);
    }
    EXPECT_EQ(distinct.size(), 8u);
    for (int k = 0; k < 8; ++k)
        EXPECT_NE(std::find(distinct.begin(), distinct.end(), HandBox::corner(k)), distinct.end()) << "corner " << k;
    // Every corner's normal is the outward normal of its face: along one axis, pointing
    // from the box's middle to that face.
    int checked = 0;
    for (int e = 0; e < mesh.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        ASSERT_TRUE(mesh.getElementRefs(e, info, &p, &t, &n));
        ASSERT_EQ(info.normalCount, info.count) << "element " << e;
        for (int c = 0; c < info.count; ++c) {
            double v[3], normal[3];
            mesh.getVertex(v, p[c]);
            mesh.getNormal(normal, n[c]);
            int axis = std::fabs(normal[0]) > 0.5 ? 0 : std::fabs(normal[1]) > 0.5 ? 1 : 2;
            EXPECT_NEAR(std::fabs(normal[axis]), 1.0, 1e-6);
            EXPECT_EQ(v[axis], normal[axis] > 0 ? HandBox::hi[axis] : HandBox::lo[axis]) << "element " << e;
            ++checked;
        }
    }
    EXPECT_GE(checked, 24);
}

// The hand-made box as a reader gives it: the faces wear "Red" and "Blue" in turn.
inline void expectHandBoxLooks(const std::vector<ImportGroup>& groups) {
    ASSERT_EQ(groups.size(), 1u);
    ASSERT_EQ(groups[0].materials.size(), 2u);
    EXPECT_EQ(groups[0].materials[0].name, "Red");
    EXPECT_EQ(groups[0].materials[1].name, "Blue");
    EXPECT_EQ(groups[0].materials[1].diffuse[2], 1.0);
    for (int part = 0; part < 2; ++part) {
        std::vector<Triangle> tris = trianglesOf(*groups[0].mesh, part);
        ASSERT_EQ(tris.size(), 6u) << part;
        // Faces 0, 2, 4 lie at the low x, y and z; 1, 3, 5 at the high.
        int low = 0;
        for (const Triangle& t : tris)
            for (int a = 0; a < 3; ++a) low += t[a] == HandBox::lo[a] && t[3 + a] == HandBox::lo[a] && t[6 + a] == HandBox::lo[a];
        EXPECT_EQ(low, part == 0 ? 6 : 0) << part;
    }
}

// The hand-made box as file `name` imports through the program whole, and reads with
// no warning, its faces wearing their materials.
template <class Reader>
void expectHandBoxReads(const TempDir& dir, const std::string& name, const std::string& bytes) {
    writeFile(dir.file(name), bytes);
    expectHandBox(importThroughProgram(dir, dir.file(name)));
    Parsed r = parse<Reader>(bytes);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.warnings, "");
    expectHandBoxLooks(r.groups);
}

}  // namespace fw::test
