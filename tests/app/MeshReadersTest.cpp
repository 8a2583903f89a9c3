// Mesh files from other programs, read as users read them: `formwright import` into a project, `info` on it, `export`
// back out, and the counts and normals compared with the file's own and with what `assimp info` makes of it; rendered,
// lit by the normals they came with, or by normals smoothed across gentle edges when they came without.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "GeometryHelpers.h"
#include "MeshFileChecks.h"
#include "output/ObjImport.h"

using testing::HasSubstr;

namespace fw {
namespace {

const std::string kModels = "/usr/share/assimp/models/";
const std::string kTitle = test::example("title.kxp");
using test::formwright;

// Brightness (mean of r, g, b) of the pixels inside the mesh's picture: covered pixels whose eight neighbours are
// covered too, so edge smoothing is left out.
std::vector<double> inside(const ::test::Pixels& p) {
    auto covered = [&](int x, int y) { return p.at(x, y)[0] + p.at(x, y)[1] + p.at(x, y)[2] > 0; };
    std::vector<double> out;
    for (int y = 1; y + 1 < p.height; ++y)
        for (int x = 1; x + 1 < p.width; ++x) {
            bool all = true;
            for (int dy = -1; dy <= 1 && all; ++dy)
                for (int dx = -1; dx <= 1 && all; ++dx) all = covered(x + dx, y + dy);
            if (all) out.push_back((p.at(x, y)[0] + p.at(x, y)[1] + p.at(x, y)[2]) / 3.0);
        }
    return out;
}

// The spread of brightness from the 5th to the 95th percentile.
double spread(std::vector<double> v) {
    if (v.size() < 20) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() * 95 / 100] - v[v.size() * 5 / 100];
}

// Imports a mesh file into a new project and renders it; empty pixels on failure.
::test::Pixels importAndRender(const test::TempDir& dir, const std::string& mesh, const std::string& name) {
    test::ran(dir, "import '" + mesh + "' -o " + dir.file(name + ".kxp"));
    test::ran(dir, "render " + dir.file(name + ".kxp") + " --size 200x200 -o " + dir.file(name + ".png"));
    return ::test::readImage(dir.file(name + ".png"));
}

// A sphere as STL files hold it: every triangle with three positions of its own, outward facing, without normals.
std::string unweldedSphere() {
    const int rings = 24, segments = 48;
    std::ostringstream v, f;
    int next = 1;
    auto add = [&](std::initializer_list<std::pair<int, int>> corners) {
        for (auto [i, j] : corners) {
            const double theta = M_PI * i / rings, phi = 2 * M_PI * j / segments;
            v << "v " << std::sin(theta) * std::cos(phi) << ' ' << std::cos(theta) << ' '
              << std::sin(theta) * std::sin(phi) << '\n';
        }
        f << "f " << next << ' ' << next + 1 << ' ' << next + 2 << '\n';
        next += 3;
    };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            if (i + 1 < rings) add({{i, j}, {i + 1, j + 1}, {i + 1, j}});
            if (i > 0) add({{i, j}, {i, j + 1}, {i + 1, j + 1}});
        }
    return v.str() + f.str();
}

#define NEED_FILE(path) \
    if (!std::filesystem::exists(path)) GTEST_SKIP() << (path) << " is missing (Debian's assimp-testmodels)"

// What came out of import, info and an OBJ export of the project.
struct Imported {
    std::string info;                  // `formwright info` on the project
    std::string errors;                // what import said
    std::vector<ImportGroup> groups;   // the exported OBJ's
    long polygons = 0, triangles = 0;  // a polygon of n corners counts n - 2 triangles
};

Imported importAndExport(const test::TempDir& dir, const std::string& file, const std::string& name) {
    Imported out;
    out.errors = test::ran(dir, "--yes import '" + file + "' -o " + dir.file(name + ".kxp")).err;
    out.info = test::ran(dir, "info " + dir.file(name + ".kxp")).out;
    test::ran(dir, "export " + dir.file(name + ".kxp") + " -o " + dir.file(name + ".obj"));
    out.groups = test::readBack(ObjImport(), dir.file(name + ".obj"));
    for (const ImportGroup& group : out.groups)
        test::eachElement(*group.mesh, [&](const GeometryInterface::ElementInfo& info, auto&&...) {
            if (info.kind == GeometryInterface::Polygon) ++out.polygons, out.triangles += info.count - 2;
        });
    return out;
}

// Where assimp and the file are there, `assimp info` counts `triangles` in the file's meshes of triangles too.
void expectAssimpTriangles(const std::string& path, long triangles) {
    if (!test::haveAssimp() || !std::filesystem::exists(path)) return;
    test::Outcome r = test::assimpInfo(path);
    EXPECT_EQ(r.status, 0) << r.err;
    long counted = 0;
    std::regex mesh(R"(\[\d+ / \d+ / (\d+) \| triangle\])");
    for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), mesh); it != std::sregex_iterator(); ++it)
        counted += std::stol((*it)[1]);
    EXPECT_EQ(triangles, counted) << path;
}

// Big-endian IFF pieces, for LightWave files made here.
using test::be16;
using test::be32;
std::string chunk(const std::string& id, const std::string& data, bool wide = true) {
    std::string padded = data + (data.size() % 2 ? std::string(1, '\0') : "");
    return id + (wide ? be32(static_cast<unsigned>(data.size())) : be16(static_cast<unsigned>(data.size()))) + padded;
}
std::string name(const std::string& s) { return s + std::string(s.size() % 2 ? 1 : 2, '\0'); }

// A corner of the file: where it is and the normal it carries.
using Corner = std::array<double, 6>;

// The normals a LightWave file gives each polygon corner: VMAD where it has one, else VMAP; z negated (right-handed).
std::vector<Corner> fileCorners(const std::string& bytes) {
    auto f32 = [&](size_t at) { return test::beF32(bytes, at); };
    auto vx = [&](size_t& at) {
        const bool wide = static_cast<uint8_t>(bytes[at]) == 0xFF;
        at += wide ? 4 : 2;
        return wide ? test::beU32(bytes, at - 4) & 0xFFFFFF : test::beU16(bytes, at - 2);
    };
    std::vector<std::array<double, 3>> points;
    std::map<unsigned, std::array<double, 3>> perPoint;
    std::map<std::pair<unsigned, unsigned>, std::array<double, 3>> perCorner;
    std::vector<std::vector<unsigned>> polygons;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const size_t data = at + 8, end = data + test::beU32(bytes, at + 4);
        if (id == "PNTS")
            for (size_t p = data; p + 12 <= end; p += 12) points.push_back({f32(p), f32(p + 4), -f32(p + 8)});
        if (id == "POLS")
            for (size_t p = data + 4; p < end;) {
                unsigned count = test::beU16(bytes, p) & 0x3FF;
                p += 2;
                polygons.emplace_back();
                for (unsigned c = 0; c < count; ++c) polygons.back().push_back(vx(p));
            }
        if ((id == "VMAP" || id == "VMAD") && bytes.compare(data, 4, "NORM") == 0) {
            size_t p = data + 6;
            p += std::strlen(bytes.c_str() + p) + 1;
            p += (p - data) % 2;
            while (p < end) {
                unsigned point = vx(p), poly = id == "VMAD" ? vx(p) : 0;
                std::array<double, 3> n = {f32(p), f32(p + 4), -f32(p + 8)};
                p += 12;
                (id == "VMAD" ? perCorner[{poly, point}] : perPoint[point]) = n;
            }
        }
        at = end + (end - data) % 2;
    }
    std::vector<Corner> out;
    for (unsigned k = 0; k < polygons.size(); ++k)
        for (unsigned point : polygons[k]) {
            auto own = perCorner.find({k, point});
            const std::array<double, 3>& n = own != perCorner.end() ? own->second : perPoint.at(point);
            const auto& p = points.at(point);
            out.push_back({p[0], p[1], p[2], n[0], n[1], n[2]});
        }
    return out;
}

// A corner of `a` (position, then normal) with none within `tolerance` in `b`; empty when every one has one.
std::string unmatched(const std::vector<Corner>& a, const std::vector<Corner>& b, double tolerance) {
    for (const Corner& x : a)
        if (std::none_of(b.begin(), b.end(), [&](const Corner& y) {
                return std::equal(x.begin(), x.end(), y.begin(),
                                  [&](double p, double q) { return std::abs(p - q) <= tolerance; });
            }))
            return testing::PrintToString(x);
    return "";
}

TEST(MeshReaders, LightWaveObjectsImportWithTheirPolygonsSurfacesAndVertexNormals) {
    const std::string sphere = kModels + "LWO/LWOB/sphere_with_mat_gloss_10pc.lwo";
    const std::string modo = kModels + "LWO/LWO2/ModoExport_vertNormals.lwo";
    NEED_FILE(sphere);
    test::TempDir dir;
    // 48 triangles and 240 quads over 266 points; assimp, which cannot read LWOB, counts the same sphere's Modo export.
    Imported old = importAndExport(dir, sphere, "sphere");
    EXPECT_THAT(old.info, HasSubstr("ObjectP \"LWO group\""));
    EXPECT_EQ(std::pair(old.polygons, old.triangles), std::pair(288L, 528L));
    expectAssimpTriangles(modo, old.triangles);
    // The surface's three-byte colour, 255 128 192.
    EXPECT_THAT(test::readFile(dir.file("sphere.kxp")), HasSubstr("color 1 0.501961 0.752941"));
    Imported concave = importAndExport(dir, kModels + "LWO/LWOB/ConcavePolygon.lwo", "concave");
    EXPECT_EQ(std::pair(concave.polygons, concave.triangles), std::pair(1L, 64L));  // one polygon of 66 corners
    // Detail polygons after a negative surface number, and a surface number past SRFS.
    std::string points;
    const float corners[5][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5f, 0.5f, 0}};
    for (const auto& p : corners) points += test::beFloat(p[0]) + test::beFloat(p[1]) + test::beFloat(p[2]);
    std::string pols = be16(4) + be16(0) + be16(1) + be16(2) + be16(3) + be16(static_cast<unsigned>(-1 & 0xFFFF)) +
                       be16(1) +                                          // one detail polygon follows
                       be16(3) + be16(0) + be16(1) + be16(4) + be16(2) +  // the detail, on "Blue"
                       be16(3) + be16(1) + be16(2) + be16(4) + be16(7);   // surface 7 of 2
    std::string surfaces = chunk("SURF", name("Red") + chunk("COLR", std::string("\xff\x00\x00\x00", 4), false)) +
                           chunk("SURF", name("Blue") + chunk("COLR", std::string("\x00\x00\xff\x00", 4), false));
    std::string body =
        "LWOB" + chunk("SRFS", name("Red") + name("Blue")) + chunk("PNTS", points) + chunk("POLS", pols) + surfaces;
    test::writeFile(dir.file("detail.lwo"), "FORM" + be32(static_cast<unsigned>(body.size())) + body);
    Imported detail = importAndExport(dir, dir.file("detail.lwo"), "detail");
    EXPECT_EQ(std::pair(detail.polygons, detail.triangles), std::pair(3L, 4L));
    EXPECT_THAT(detail.errors, HasSubstr("polygon 2 names surface 7 of 2"));
    // The quad on Red, its detail on Blue: triangles by material. (The last polygon's part wears the default, which a
    // project shows as the object's first material.)
    ASSERT_EQ(formwright(dir, "export " + dir.file("detail.kxp") + " -o " + dir.file("detail.glb")).status, 0);
    tinygltf::Model model = test::loadGlb(dir.file("detail.glb"));
    std::map<std::string, size_t> byMaterial;
    for (const tinygltf::Mesh& mesh : model.meshes)
        for (const tinygltf::Primitive& p : mesh.primitives)
            byMaterial[model.materials.at(static_cast<size_t>(p.material)).name] +=
                test::indicesOf(model, p.indices).size() / 3;
    EXPECT_EQ(byMaterial["Blue"], 1u);
    EXPECT_GE(byMaterial["Red"], 2u);
    const auto& red = model.materials.at(0).pbrMetallicRoughness.baseColorFactor;
    EXPECT_EQ(std::vector<double>(red.begin(), red.begin() + 3), (std::vector<double>{1, 0, 0}));
    NEED_FILE(modo);
    Imported read = importAndExport(dir, modo, "modo");
    EXPECT_EQ(read.triangles, 528);  // assimp's count, above
    std::vector<Corner> expected = fileCorners(test::readFile(modo));
    ASSERT_EQ(expected.size(), 1104u);  // 48 x 3 + 240 x 4 corners
    std::vector<Corner> written;
    for (const ImportGroup& group : read.groups)
        test::eachElement(*group.mesh, [&](const auto& info, const int* p, const int*, const int* n, int e) {
            ASSERT_EQ(info.normalCount, info.count) << "polygon " << e << " has no normals";
            for (int c = 0; c < info.count; ++c) {
                double v[3], w[3];
                group.mesh->getVertex(v, p[c]);
                group.mesh->getNormal(w, n[c]);
                written.push_back({v[0], v[1], v[2], w[0], w[1], w[2]});
            }
        });
    ASSERT_EQ(written.size(), expected.size());
    // The OBJ keeps six decimals.
    EXPECT_EQ(unmatched(expected, written, 2e-6), "") << "not written";
    EXPECT_EQ(unmatched(written, expected, 2e-6), "") << "not in the file";
}

TEST(MeshReaders, DxfPolyfaceMeshesAndInsertedBlocksCountAsAssimpCountsThem) {
    NEED_FILE(kModels + "DXF/wuson.dxf");
    test::TempDir dir;
    // 3DFACEs whose first two corners meet are triangles; wuson is one polyface mesh in a block placed by an INSERT.
    for (const auto& [file, triangles] :
         {std::pair<std::string, long>{"PinkEggFromLW.dxf", 528}, {"wuson.dxf", 3732}, {"lineTest.dxf", 3}}) {
        SCOPED_TRACE(file);
        Imported read = importAndExport(dir, kModels + "DXF/" + file, file.substr(0, file.find('.')));
        EXPECT_EQ(read.triangles, triangles);
        expectAssimpTriangles(kModels + "DXF/" + file, read.triangles);
        EXPECT_THAT(read.info, HasSubstr(file == "wuson.dxf" ? "ObjectP \"Meshes\"" : ""));
    }
    // Four polyface meshes of 1,060 triangles and 230 quads (assimp drops some of them).
    Imported polyfaces = importAndExport(dir, kModels + "DXF/issue_2229.dxf", "issue");
    EXPECT_EQ(std::pair(polyfaces.polygons, polyfaces.triangles), std::pair(1290L, 1520L));
}

TEST(MeshReaders, DxfPolygonMeshesAndPolyfacesInABlockArePlacedByTheirInsert) {
    test::TempDir dir;
    // A 3 x 4 polygon mesh closed in N (a tube: 2 x 4 quads), and a polyface of a quad and a triangle with a hidden
    // edge, both in block "B" with base (1, 0, 0), inserted at (10, 0, 0), scaled by 2 and turned 90 degrees.
    auto dxf = [](const std::string& pairs) {  // group codes and values, all blank-separated
        std::istringstream in(pairs);
        std::string out, code, value;
        while (in >> code >> value) out += code + "\n" + value + "\n";
        return out;
    };
    auto vertex = [&](double x, double y, double z, int flags, const std::string& indices = "") {
        return dxf("0 VERTEX 8 0 10 " + std::to_string(x) + " 20 " + std::to_string(y) + " 30 " + std::to_string(z) +
                   " 70 " + std::to_string(flags) + " " + indices);
    };
    std::string tube = dxf("0 POLYLINE 8 Tube 66 1 70 48 71 3 72 4");
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j) tube += vertex(j == 0 ? 1 : j == 2 ? -1 : 0, j == 1 ? 1 : j == 3 ? -1 : 0, i, 64);
    const std::string face = dxf("0 SEQEND 0 POLYLINE 8 0 66 1 70 64 71 5 72 2") + vertex(1, 0, 0, 192) +
                             vertex(2, 0, 0, 192) + vertex(2, 1, 0, 192) + vertex(1, 1, 0, 192) +
                             vertex(1.5, 2, 0, 192) + vertex(0, 0, 0, 128, "71 1 72 2 73 -3 74 4") +
                             vertex(0, 0, 0, 128, "71 4 72 -3 73 5");
    test::writeFile(
        dir.file("blocks.dxf"),
        dxf("0 SECTION 2 BLOCKS 0 BLOCK 2 B 8 0 70 64 10 1 20 0 30 0") + tube + face +
            dxf("0 SEQEND 0 ENDBLK 0 ENDSEC 0 SECTION 2 ENTITIES 0 INSERT 8 Placed 2 B 10 10 20 0 30 0 41 2 "
                "42 2 43 2 50 90 0 ENDSEC 0 EOF"));
    Imported read = importAndExport(dir, dir.file("blocks.dxf"), "blocks");
    EXPECT_THAT(read.info, HasSubstr("ObjectP \"Tube\""));
    EXPECT_THAT(read.info, HasSubstr("ObjectP \"Placed\"")) << "layer 0 takes the insert's";
    EXPECT_EQ(std::pair(read.polygons, read.triangles), std::pair(8L + 2, 16L + 3));
    // A point less the base, doubled, turned and moved: (x, y, z) -> (10 - 2y, 2(x - 1), 2z). The tube's x -1..1,
    // y -1..1, z 0..2 and the polyface's x 1..2, y 0..2 give x 6..12, y -4..2, z 0..4 in the drawing, which stands on
    // z: in the program's y-up axes (x, z, -y).
    ObjDB all;
    double v[3];
    for (const ImportGroup& group : read.groups)
        for (int i = 0; i < group.mesh->vertexCount(); ++i) group.mesh->getVertex(v, i), all.addVertex(v);
    const test::Box b = test::boxOf(all);
    const std::vector<double> box = {b.low.x, b.low.y, b.low.z, b.high.x, b.high.y, b.high.z};
    EXPECT_THAT(box, testing::Pointwise(testing::DoubleNear(1e-5), {6, 0, -2, 12, 4, 4}));
}

TEST(MeshReaders, AnObjUsemtlWithoutANameMeansTheDefaultMaterial) {
    test::TempDir dir;
    test::writeFile(dir.file("plain.obj"),
                    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nusemtl Red\nf 1 2 3\nusemtl\nf 1 3 4\n");
    Imported plain = importAndExport(dir, dir.file("plain.obj"), "plain");
    EXPECT_EQ(plain.triangles, 2);
    EXPECT_THAT(plain.info, HasSubstr("MaterialX \"Red\""));
    // Blender writes one where a face has no material.
    const std::string blender = kModels + "OBJ/empty_mat.obj";
    NEED_FILE(blender);
    Imported cylinder = importAndExport(dir, blender, "cylinder");
    EXPECT_EQ(cylinder.triangles, 256);
    expectAssimpTriangles(blender, cylinder.triangles);
}

// Unwelded meshes are lit by the normals they came with, or by normals smoothed across gentle edges when an OBJ has
// none; a 3DS model without normals is lit face by face. `info` on an import counts what its export writes.
TEST(ImportedShading, MeshesAreLitByTheirNormalsSmoothedOnesOrFaceByFaceAndInfoCountsWhatExportWrites) {
    test::TempDir dir;
    // One triangle facing +z, each corner with its own position and the given normals.
    auto triangle = [&](const std::string& name, const std::string& normals) {
        ::test::spill(dir.file(name + ".obj"), "v -1 -1 0\nv 1 -1 0\nv 0 1 0\n" + normals + "f 1//1 2//2 3//3\n");
        return inside(importAndRender(dir, dir.file(name + ".obj"), name));
    };
    std::vector<double> tilted = triangle("tilted", "vn -0.6 -0.3 0.74\nvn 0.6 -0.3 0.74\nvn 0 0.6 0.8\n");
    std::vector<double> flat = triangle("flat", "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\n");
    ASSERT_GT(tilted.size(), 2000u);
    ASSERT_EQ(tilted.size(), flat.size());  // the same triangle, only its normals differ
    EXPECT_GT(spread(tilted), 60) << "normals tilted apart at the corners give a gradient";
    EXPECT_LT(spread(flat), 25) << "equal normals give one even shade";
    ::test::spill(dir.file("smoothed.obj"), unweldedSphere());
    ::test::Pixels p = importAndRender(dir, dir.file("smoothed.obj"), "smoothed");
    std::vector<double> lit = inside(p);
    ASSERT_GT(lit.size(), 5000u);
    EXPECT_GT(spread(lit), 100) << "a sphere is bright towards the light and dark away from it";
    // Smooth: neighbouring pixels differ by little, where facets would step.
    double steps = 0;
    long pairs = 0;
    for (int y = 1; y + 1 < p.height; ++y)
        for (int x = 1; x + 2 < p.width; ++x) {
            const int *a = p.at(x, y), *b = p.at(x + 1, y);
            if (a[0] + a[1] + a[2] == 0 || b[0] + b[1] + b[2] == 0) continue;
            if (p.at(x - 1, y)[0] == 0 || p.at(x + 2, y)[0] == 0) continue;
            steps += std::abs((a[0] + a[1] + a[2]) - (b[0] + b[1] + b[2])) / 3.0;
            ++pairs;
        }
    ASSERT_GT(pairs, 0);
    EXPECT_LT(steps / static_cast<double>(pairs), 4.0);
    // `info` counts what export writes, of the sphere's project and of the demo title's extruded letters and ground.
    for (const std::string& project : {dir.file("smoothed.kxp"), kTitle}) {
        SCOPED_TRACE(project);
        test::Outcome info = test::ran(dir, "info " + project);
        long vertices = 0, faces = 0, objects = 0;
        std::regex line("\n  Object[A-Z] \"[^\"]*\": ([0-9]+) vertices, ([0-9]+) faces");
        for (std::sregex_iterator m(info.out.begin(), info.out.end(), line), end; m != end; ++m, ++objects) {
            vertices += std::stol((*m)[1]);
            faces += std::stol((*m)[2]);
        }
        ASSERT_GT(objects, 0) << info.out;
        ASSERT_EQ(test::ran(dir, "export " + project + " -o " + dir.file("out.obj")).status, 0);
        const std::string obj = "\n" + ::test::slurp(dir.file("out.obj"));
        EXPECT_EQ(vertices, static_cast<long>(test::occurrences(obj, "\nv ")));
        EXPECT_EQ(faces, static_cast<long>(test::occurrences(obj, "\nf ")));
    }
    const std::string model = kModels + "3DS/fels.3ds";
    NEED_FILE(model);
    lit = inside(importAndRender(dir, model, "rock"));
    ASSERT_GT(lit.size(), 5000u);
    // Unlit, the rock is one flat shade; lit, its faces turn from the light and its highlight is near white.
    EXPECT_GT(spread(lit), 60);
    EXPECT_GT(*std::max_element(lit.begin(), lit.end()), 230);
}

}  // namespace
}  // namespace fw
