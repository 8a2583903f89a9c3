// Exported meshes as other programs see them: titles made and exported with the real commands, then read back by Assimp
// (where it reads the format), by the program's own readers and import command, or byte by byte.
#include <array>
#include <cstring>
#include <glm/geometric.hpp>
#include <map>
#include <set>
#include <sstream>

#include "MeshFileChecks.h"
#include "output/MeshFormats.h"
#include "output/ObjImport.h"

using testing::HasSubstr;

namespace fw {
namespace {

// A bevelled title saved as a project (the default edge is a medium bevel).
std::string badge(const test::TempDir& dir, const std::string& extra = "") {
    const std::string path = dir.file("badge.kxp");
    test::ran(dir, "--yes text Badge " + extra + " -o " + path);
    return path;
}

// Every object block's line that starts with `key` gets `value`.
std::string withObjectField(std::string project, const std::string& key, const std::string& value) {
    for (size_t at = project.find("begin ObjectX"); at != std::string::npos;
         at = project.find("begin ObjectX", at + 1)) {
        size_t line = project.find("\n   " + key + " ", at);
        if (line > project.find("end ObjectX", at)) continue;
        project.replace(line, project.find('\n', line + 1) - line, "\n   " + key + " " + value);
    }
    return project;
}

using Groups = std::map<std::string, std::vector<test::Triangle>>;

// The volume a closed surface holds, positive when its faces turn outwards.
double signedVolume(const std::vector<test::Triangle>& triangles) {
    double sum = 0;
    for (const test::Triangle& t : triangles) {
        const glm::dvec3 a(t[0], t[1], t[2]), b(t[3], t[4], t[5]), c(t[6], t[7], t[8]);
        sum += glm::dot(a, glm::cross(b, c));
    }
    return sum / 6;
}

// A 3DS chunk: its id, where its data starts and where it ends.
struct Chunk {
    uint32_t id;
    size_t data, end;
};

// The chunks directly inside `from`..`to` (of id `only` when given).
std::vector<Chunk> children(const std::string& bytes, size_t from, size_t to, int only = -1) {
    std::vector<Chunk> out;
    for (uint32_t length; from + 6 <= to && (length = test::leU32(bytes, from + 2)) >= 6 && from + length <= to;
         from += length)
        if (only < 0 || test::leU16(bytes, from) == static_cast<uint32_t>(only))
            out.push_back({test::leU16(bytes, from), from + 6, from + length});
    return out;
}

// A 3DS mesh as the file holds it: positions, triangles and each triangle's groups.
struct ThreeDSMesh {
    std::vector<glm::dvec3> positions;
    std::vector<std::array<uint32_t, 3>> faces;
    std::vector<uint32_t> groups;
};

std::vector<ThreeDSMesh> threeDSMeshes(const std::string& b) {
    std::vector<ThreeDSMesh> meshes;
    for (Chunk editor : children(b, 6, b.size(), 0x3D3D))
        for (Chunk object : children(b, editor.data, editor.end, 0x4000))
            for (Chunk tri : children(b, object.data + std::strlen(b.c_str() + object.data) + 1, object.end, 0x4100)) {
                ThreeDSMesh& mesh = meshes.emplace_back();
                for (Chunk v : children(b, tri.data, tri.end, 0x4110))
                    for (size_t i = 0, at = v.data + 2; i < test::leU16(b, v.data); ++i, at += 12)
                        mesh.positions.emplace_back(test::leF32(b, at), test::leF32(b, at + 4), test::leF32(b, at + 8));
                for (Chunk f : children(b, tri.data, tri.end, 0x4120)) {
                    const size_t n = test::leU16(b, f.data);
                    for (size_t i = 0, at = f.data + 2; i < n; ++i, at += 8)
                        mesh.faces.push_back({test::leU16(b, at), test::leU16(b, at + 2), test::leU16(b, at + 4)});
                    for (Chunk g : children(b, f.data + 2 + n * 8, f.end, 0x4150))
                        for (size_t i = 0; i < n; ++i) mesh.groups.push_back(test::leU32(b, g.data + i * 4));
                }
            }
    return meshes;
}

}  // namespace

// (How a reader smooths by the angle is its own affair: the angle a LightWave surface holds is what the file owes it.)
TEST(MeshExportFidelity, CreasesAndNodeNamesSurviveAndMirroredObjectsStillFaceOutInEveryFormat) {
    test::TempDir dir;
    const std::string badgeProject = badge(dir);
    test::ran(dir, "export " + badgeProject + " -o " + dir.file("b.3ds"));
    const std::string bytes = test::readFile(dir.file("b.3ds"));
    // The keyframer's object nodes in file order, each with the pivot and the position, rotation and scale tracks.
    std::vector<std::string> nodes;
    for (Chunk keyframer : children(bytes, 6, bytes.size(), 0xB000))
        for (Chunk node : children(bytes, keyframer.data, keyframer.end, 0xB002)) {
            std::set<uint32_t> tracks;
            std::string& name = nodes.emplace_back();
            for (Chunk part : children(bytes, node.data, node.end)) {
                tracks.insert(part.id);
                if (part.id == 0xB010) name = bytes.c_str() + part.data;
            }
            EXPECT_TRUE(tracks.count(0xB013) && tracks.count(0xB020) && tracks.count(0xB021) && tracks.count(0xB022))
                << name;
        }
    EXPECT_EQ(nodes, (std::vector<std::string>{"Text B", "Text a", "Text d", "Text g", "Text e"}));
    // Across every edge (found by where its ends lie), faces at more than 30 degrees share no group and faces at less
    // share one.
    std::vector<ThreeDSMesh> meshes = threeDSMeshes(bytes);
    ASSERT_EQ(meshes.size(), 5u);
    long creases = 0, smooth = 0, blurred = 0, split = 0;
    for (const ThreeDSMesh& mesh : meshes) {
        ASSERT_EQ(mesh.groups.size(), mesh.faces.size());
        std::map<std::array<double, 3>, int> places;
        auto place = [&](uint32_t i) {
            const glm::dvec3& p = mesh.positions.at(i);
            return places.emplace(std::array<double, 3>{p.x, p.y, p.z}, static_cast<int>(places.size())).first->second;
        };
        std::map<std::pair<int, int>, std::vector<size_t>> edges;
        std::vector<glm::dvec3> normals;
        for (size_t f = 0; f < mesh.faces.size(); ++f) {
            const auto& c = mesh.faces[f];
            const glm::dvec3 o = mesh.positions.at(c[0]);
            glm::dvec3 n = glm::cross(mesh.positions.at(c[1]) - o, mesh.positions.at(c[2]) - o);
            normals.push_back(glm::length(n) > 0 ? glm::normalize(n) : n);
            for (size_t k = 0; k < 3; ++k) {
                int a = place(c[k]), b = place(c[(k + 1) % 3]);
                if (a != b) edges[{std::min(a, b), std::max(a, b)}].push_back(f);
            }
        }
        for (const auto& [edge, users] : edges) {
            if (users.size() != 2 || glm::length(normals[users[0]]) == 0 || glm::length(normals[users[1]]) == 0)
                continue;
            const double angle = std::acos(std::clamp(glm::dot(normals[users[0]], normals[users[1]]), -1.0, 1.0));
            const bool shared = (mesh.groups[users[0]] & mesh.groups[users[1]]) != 0;
            if (angle > 31 * M_PI / 180)
                ++creases, blurred += shared;
            else if (angle < 29 * M_PI / 180)
                ++smooth, split += !shared;
        }
    }
    EXPECT_GT(creases, 1000);
    EXPECT_GT(smooth, 1000);
    EXPECT_EQ(blurred, 0) << "of " << creases << " creases";
    EXPECT_EQ(split, 0) << "of " << smooth << " smooth joints";
    std::string project = test::readFile(badgeProject);
    // The B gets a crease angle of its own; the others keep the preferences' 30 degrees.
    const size_t angle = project.find("hardShadingAngle -1.0", project.find("name \"Text B\""));
    ASSERT_LT(angle, project.size());
    project.replace(angle, 21, "hardShadingAngle 45.000000");
    test::writeFile(dir.file("b45.kxp"), project);
    test::ran(dir, "export " + dir.file("b45.kxp") + " -o " + dir.file("b.lwo"));
    const std::string lwo = test::readFile(dir.file("b.lwo"));
    std::vector<double> angles;
    for (size_t at = lwo.find("SMAN\0\x04", 0, 6); at != std::string::npos; at = lwo.find("SMAN\0\x04", at + 1, 6))
        angles.push_back(test::beF32(lwo, at + 6) * 180 / M_PI);
    ASSERT_EQ(angles.size(), 2u);  // one surface per material and angle
    EXPECT_NEAR(angles[0], 45, 1e-4);
    EXPECT_NEAR(angles[1], 30, 1e-4);
    // Mirrored, the objects still face out in every format.
    test::writeFile(dir.file("mirror.kxp"),
                    withObjectField(test::readFile(badgeProject), "scale", "-1.000000 1.000000 1.000000"));
    int formats = 0;
    for (const MeshFormat& format : MeshFormats::all()) {
        if (!format.write) continue;
        const std::string extension = format.extension;
        SCOPED_TRACE(extension);
        ++formats;
        const std::string path = dir.file("m" + extension);
        // In points everywhere, glTF's metres included, so the volumes compare.
        test::ran(dir, "export " + dir.file("mirror.kxp") + " --scale 1 -o " + path);
        Groups read;
        if (format.makeReader)
            for (const ImportGroup& group : test::readBack(*format.makeReader(), path))
                read[group.name] = test::trianglesOf(*group.mesh);
        // A .glb's meshes, whose nodes place them nowhere else.
        const tinygltf::Model glb = format.makeReader ? tinygltf::Model() : test::loadGlb(path);
        for (const tinygltf::Node& node : glb.nodes) {
            EXPECT_TRUE(node.mesh < 0 || (node.matrix.empty() && node.scale.empty() && node.rotation.empty()))
                << node.name;
            if (node.mesh >= 0) read[node.name] = test::meshTriangles(glb, node.mesh);
        }
        ASSERT_EQ(read.size(), 5u);
        for (const auto& [name, faces] : read) EXPECT_GT(signedVolume(faces), 100) << name;
        if (!test::haveAssimp() || extension == ".fac" || extension == ".c4d") continue;
        // The volume Assimp reads, written out by it as OBJ.
        test::Outcome r = test::runProgram("assimp", "export '" + path + "' '" + path + ".assimp.obj'", dir.file(""));
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        double total = 0;
        for (const ImportGroup& group : test::readBack(ObjImport(), path + ".assimp.obj"))
            total += signedVolume(test::trianglesOf(*group.mesh));
        EXPECT_GT(total, 1000);
    }
    EXPECT_EQ(formats, 7);
}

TEST(MeshExportFidelity, AnObjExportBringsItsMaterialLibraryAndImportWearsIt) {
    test::TempDir dir;
    const std::string project = badge(dir, "--material \"Glossy Red Plastic\"");
    test::ran(dir, "export " + project + " -o " + dir.file("b.obj"));
    const std::string obj = test::readFile(dir.file("b.obj"));
    EXPECT_THAT(obj, HasSubstr("\nmtllib b.mtl\n"));
    // The library's looks, by name (every key the writer writes: ObjWriterTest).
    auto looks = [](const std::string& path) {
        std::map<std::string, std::map<std::string, std::string>> out;
        std::string current;
        for (const std::string& line : test::linesOf(test::readFile(path))) {
            if (line.rfind("newmtl ", 0) == 0)
                current = line.substr(7);
            else if (!current.empty() && line.size() > 3 && line[0] != '#')
                out[current][line.substr(0, line.find(' '))] = line.substr(line.find(' ') + 1);
        }
        return out;
    };
    auto exported = looks(dir.file("b.mtl"));
    ASSERT_FALSE(exported.empty());
    bool red = false;
    for (const auto& [name, look] : exported) {
        EXPECT_THAT(obj, HasSubstr("\nusemtl " + name + "\n")) << name;
        double r = 0, g = 0, b = 0;
        std::istringstream(look.at("Kd")) >> r >> g >> b;
        red = red || (r > 0.5 && g < 0.3 && b < 0.3);
    }
    EXPECT_TRUE(red);
    // Imported, the objects wear materials of the same names and colours: exporting the imported project gives the same
    // library.
    test::ran(dir, "import " + dir.file("b.obj") + " -o " + dir.file("back.kxp"));
    test::ran(dir, "export " + dir.file("back.kxp") + " -o " + dir.file("again.obj"));
    EXPECT_EQ(looks(dir.file("again.mtl")), exported);
}

}  // namespace fw
