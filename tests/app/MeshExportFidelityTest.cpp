// Exported meshes as other programs see them: titles made and exported with the real commands, then read back by Assimp
// (where it reads the format), by the program's own readers and import command, or byte by byte.

#include <array>
#include <cstring>
#include <filesystem>
#include <glm/geometric.hpp>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "MeshFileChecks.h"
#include "output/MeshFormats.h"
#include "output/ThreeDSReader.h"

using testing::HasSubstr;

namespace fw {
namespace {

using test::formwright;
using test::haveAssimp;

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

struct Face {
    std::vector<glm::dvec3> corners;
    std::vector<glm::dvec3> normals;  // empty when the file gave none
};
using Groups = std::map<std::string, std::vector<Face>>;

// The polygons of an OBJ file, by group, read here rather than by the program's reader.
Groups readObj(const std::string& path) {
    Groups groups;
    std::vector<glm::dvec3> v, vn;
    std::string group = "default", line, key;
    std::istringstream in(test::readFile(path));
    while (std::getline(in, line)) {
        std::istringstream words(line);
        words >> key;
        if (key == "v" || key == "vn") {
            glm::dvec3 p;
            words >> p.x >> p.y >> p.z;
            (key == "v" ? v : vn).push_back(p);
        } else if (key == "g" || key == "o") {
            std::getline(words >> std::ws, group);
        } else if (key == "f") {
            Face face;
            auto at = [](const std::vector<glm::dvec3>& list, int i) {
                return list.at(static_cast<size_t>(i > 0 ? i - 1 : static_cast<int>(list.size()) + i));
            };
            for (std::string corner; words >> corner;) {
                int refs[3] = {0, 0, 0};
                std::istringstream parts(corner);
                std::string part;
                for (int k = 0; k < 3 && std::getline(parts, part, '/'); ++k)
                    refs[k] = part.empty() ? 0 : std::stoi(part);
                face.corners.push_back(at(v, refs[0]));
                if (refs[2] != 0) face.normals.push_back(at(vn, refs[2]));
            }
            groups[group].push_back(face);
        }
        key.clear();
    }
    return groups;
}

// Assimp's reading of a file, written out as OBJ; empty when it failed.
Groups assimpRead(const test::TempDir& dir, const std::string& path) {
    test::Outcome r = test::runProgram("assimp", "export '" + path + "' '" + path + ".assimp.obj'", dir.file(""));
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    return r.status == 0 ? readObj(path + ".assimp.obj") : Groups();
}

// The total area of the polygons (Newell's sum, exact for planar ones), and their box.
double totalArea(const Groups& groups) {
    double sum = 0;
    for (const auto& [name, faces] : groups)
        for (const Face& face : faces) {
            glm::dvec3 cross(0.0);
            for (size_t c = 0; c < face.corners.size(); ++c)
                cross += glm::cross(face.corners[c], face.corners[(c + 1) % face.corners.size()]);
            sum += glm::length(cross) / 2;
        }
    return sum;
}
std::pair<glm::dvec3, glm::dvec3> box(const Groups& groups) {
    glm::dvec3 low(1e9), high(-1e9);
    for (const auto& [name, faces] : groups)
        for (const Face& face : faces)
            for (const glm::dvec3& p : face.corners) low = glm::min(low, p), high = glm::max(high, p);
    return {low, high};
}

// The volume a closed surface holds, positive when its faces turn outwards.
double signedVolume(const std::vector<Face>& faces) {
    double sum = 0;
    for (const Face& face : faces)
        for (size_t c = 1; c + 1 < face.corners.size(); ++c)
            sum += glm::dot(face.corners[0], glm::cross(face.corners[c], face.corners[c + 1])) / 6;
    return sum;
}

std::vector<Face> facesOf(const std::vector<test::Triangle>& triangles) {
    std::vector<Face> out;
    for (const test::Triangle& t : triangles)
        out.push_back({{glm::dvec3(t[0], t[1], t[2]), glm::dvec3(t[3], t[4], t[5]), glm::dvec3(t[6], t[7], t[8])}, {}});
    return out;
}

// The faces of a .glb's meshes, whose nodes place them nowhere else.
Groups readGlb(const std::string& path) {
    Groups out;
    tinygltf::Model model = test::loadGlb(path);
    for (const tinygltf::Node& node : model.nodes) {
        if (node.mesh < 0) continue;
        EXPECT_TRUE(node.matrix.empty() && node.scale.empty() && node.rotation.empty()) << node.name;
        out[node.name] = facesOf(test::meshTriangles(model, node.mesh));
    }
    return out;
}

// How corner normals sit on their faces: the share within `degrees` of the face's own normal, and how many corners lean
// by more than a degree (smooth shading).
struct Shading {
    double within = 0;
    long leaning = 0, corners = 0;
};
Shading shading(const Groups& groups, double degrees) {
    Shading s;
    long close = 0;
    for (const auto& [name, faces] : groups)
        for (const Face& face : faces) {
            if (face.corners.size() < 3 || face.normals.size() != face.corners.size()) continue;
            glm::dvec3 n = glm::cross(face.corners[1] - face.corners[0], face.corners[2] - face.corners[0]);
            if (glm::length(n) == 0) continue;
            for (const glm::dvec3& corner : face.normals) {
                double d = glm::length(corner) > 0 ? glm::dot(glm::normalize(n), glm::normalize(corner)) : -1;
                ++s.corners;
                close += d >= std::cos(degrees * M_PI / 180);
                s.leaning += d < std::cos(M_PI / 180);
            }
        }
    s.within = s.corners ? static_cast<double>(close) / static_cast<double>(s.corners) : 0;
    return s;
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

// The names of the keyframer's object nodes, in file order.
std::vector<std::string> keyframerNodes(const std::string& bytes) {
    std::vector<std::string> names;
    for (Chunk keyframer : children(bytes, 6, bytes.size(), 0xB000))
        for (Chunk node : children(bytes, keyframer.data, keyframer.end, 0xB002)) {
            std::set<uint32_t> tracks;
            std::string name;
            for (Chunk part : children(bytes, node.data, node.end)) {
                tracks.insert(part.id);
                if (part.id == 0xB010) name = bytes.c_str() + part.data;
            }
            // The pivot and the position, rotation and scale tracks come with every node.
            EXPECT_TRUE(tracks.count(0xB013) && tracks.count(0xB020) && tracks.count(0xB021) && tracks.count(0xB022))
                << name;
            names.push_back(name);
        }
    return names;
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

TEST(MeshExportFidelity, ThreeDSSmoothingGroupsAndNodesKeepTheBevelsCreasesAndTheObjectsNames) {
    test::TempDir dir;
    test::ran(dir, "export " + badge(dir) + " -o " + dir.file("b.3ds"));
    const std::string bytes = test::readFile(dir.file("b.3ds"));
    EXPECT_EQ(keyframerNodes(bytes), (std::vector<std::string>{"Text B", "Text a", "Text d", "Text g", "Text e"}));
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
    // Twelve frames of five letters: "Text B-Frm11" does not fit in ten bytes, but the frame number stays at the end of
    // every name, and no two names are alike.
    test::ran(dir, "--yes text Badge --animate fly-in -o " + dir.file("a.kxp"));
    test::ran(dir, "export " + dir.file("a.kxp") + " --frames 0-11 -o " + dir.file("a.3ds"));
    const std::vector<ImportGroup> groups = test::readBack(ThreeDSReader(), dir.file("a.3ds"));
    ASSERT_EQ(groups.size(), 60u);
    std::set<std::string> names;
    std::vector<std::string> nodes = keyframerNodes(test::readFile(dir.file("a.3ds")));
    ASSERT_EQ(nodes.size(), groups.size());
    for (size_t i = 0; i < groups.size(); ++i) {
        const std::string& name = groups[i].name;
        EXPECT_LE(name.size(), 10u) << name;
        EXPECT_TRUE(std::regex_search(name, std::regex("F" + std::to_string(i / 5) + "$"))) << name << " at " << i;
        EXPECT_EQ(nodes[i], name);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), groups.size());
    EXPECT_EQ(groups[0].name, "Text B-F0");
    EXPECT_EQ(groups[59].name, "Text e-F11");
    if (!haveAssimp()) GTEST_SKIP() << "the assimp command is not installed";
    test::Outcome info = test::assimpInfo(dir.file("b.3ds"));
    ASSERT_EQ(info.status, 0) << info.err;
    for (const char* name : {"Text B (mesh 0)", "Text a (mesh 1)", "Text e (mesh 4)"})
        EXPECT_THAT(info.out, HasSubstr(name));
    auto read = assimpRead(dir, dir.file("b.3ds"));
    ASSERT_EQ(read.size(), 5u);
    Shading s = shading(read, 20);
    ASSERT_GT(s.corners, 50000);
    EXPECT_GE(s.within, 0.9) << s.leaning << " of " << s.corners;
    // The round letters' sides are shaded smoothly, not faceted.
    EXPECT_GT(s.leaning, 200);
}

TEST(MeshExportFidelity, LightWaveSurfacesCarryTheCreaseAngleAndAssimpSmoothsByIt) {
    test::TempDir dir;
    std::string project = test::readFile(badge(dir));
    // The B gets a crease angle of its own; the others keep the preferences' 30 degrees.
    const size_t angle = project.find("hardShadingAngle -1.0", project.find("name \"Text B\""));
    ASSERT_LT(angle, project.size());
    project.replace(angle, 21, "hardShadingAngle 45.000000");
    test::writeFile(dir.file("b45.kxp"), project);
    test::ran(dir, "export " + dir.file("b45.kxp") + " -o " + dir.file("b.lwo"));
    const std::string bytes = test::readFile(dir.file("b.lwo"));
    std::vector<double> angles;
    for (size_t at = bytes.find("SMAN\0\x04", 0, 6); at != std::string::npos; at = bytes.find("SMAN\0\x04", at + 1, 6))
        angles.push_back(test::beF32(bytes, at + 6) * 180 / M_PI);
    ASSERT_EQ(angles.size(), 2u);  // one surface per material and angle
    EXPECT_NEAR(angles[0], 45, 1e-4);
    EXPECT_NEAR(angles[1], 30, 1e-4);
    if (!haveAssimp()) GTEST_SKIP() << "the assimp command is not installed";
    test::ran(dir, "export " + badge(dir) + " -o " + dir.file("plain.lwo"));
    Shading s = shading(assimpRead(dir, dir.file("plain.lwo")), 20);
    EXPECT_GE(s.within, 0.9);
    EXPECT_GT(s.leaning, 200);  // smoothed within the angle, not flat
}

TEST(MeshExportFidelity, AnObjExportBringsItsMaterialLibraryAndImportWearsIt) {
    test::TempDir dir;
    const std::string project = badge(dir, "--material \"Glossy Red Plastic\"");
    test::ran(dir, "export " + project + " -o " + dir.file("b.obj"));
    const std::string obj = test::readFile(dir.file("b.obj"));
    EXPECT_THAT(obj, HasSubstr("\nmtllib b.mtl\n"));
    EXPECT_THAT(obj, HasSubstr("\ng Text B\n#\nusemtl "));
    ASSERT_TRUE(std::filesystem::exists(dir.file("b.mtl")));
    // The library's looks, by name: Kd, Ks, Ns and d.
    auto looks = [](const std::string& path) {
        std::map<std::string, std::map<std::string, std::string>> out;
        std::istringstream in(test::readFile(path));
        std::string line, current;
        while (std::getline(in, line)) {
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
        std::istringstream kd(look.at("Kd"));
        double r = 0, g = 0, b = 0;
        kd >> r >> g >> b;
        red = red || (r > 0.5 && g < 0.3 && b < 0.3);
        for (const char* key : {"Ka", "Ks", "Ns", "d"}) EXPECT_TRUE(look.count(key)) << name << " " << key;
    }
    EXPECT_TRUE(red);
    // Imported, the objects wear materials of the same names and colours: exporting the imported project gives the same
    // library.
    test::ran(dir, "import " + dir.file("b.obj") + " -o " + dir.file("back.kxp"));
    test::ran(dir, "export " + dir.file("back.kxp") + " -o " + dir.file("again.obj"));
    EXPECT_EQ(looks(dir.file("again.mtl")), exported);
    const std::string info = formwright(dir, "info " + dir.file("back.kxp")).out;
    const std::string assimp = haveAssimp() ? test::assimpInfo(dir.file("b.obj")).out : "";
    for (const auto& [name, look] : exported) {
        EXPECT_THAT(info, HasSubstr("MaterialX \"" + name + "\""));
        if (haveAssimp()) {
            EXPECT_THAT(assimp, HasSubstr("'" + name + "'"));
        }
    }
}

TEST(MeshExportFidelity, MirroredObjectsStillFaceOutInEveryFormat) {
    test::TempDir dir;
    test::writeFile(dir.file("mirror.kxp"),
                    withObjectField(test::readFile(badge(dir)), "scale", "-1.000000 1.000000 1.000000"));
    int formats = 0;
    for (const MeshFormat& format : MeshFormats::all()) {
        if (!format.write) continue;
        const std::string extension = format.extension;
        SCOPED_TRACE(extension);
        ++formats;
        const std::string path = dir.file("m" + extension);
        // In points everywhere, glTF's metres included, so the volumes compare.
        test::ran(dir, "export " + dir.file("mirror.kxp") + " --scale 1 -o " + path);
        Groups read = format.makeReader ? Groups() : readGlb(path);
        if (format.makeReader)
            for (const ImportGroup& group : test::readBack(*format.makeReader(), path))
                read[group.name] = facesOf(test::trianglesOf(*group.mesh));
        ASSERT_EQ(read.size(), 5u);
        for (const auto& [name, faces] : read) EXPECT_GT(signedVolume(faces), 100) << name;
        if (!haveAssimp() || extension == ".fac" || extension == ".c4d") continue;
        double total = 0;
        for (const auto& [name, faces] : assimpRead(dir, path)) total += signedVolume(faces);
        EXPECT_GT(total, 1000);
    }
    EXPECT_EQ(formats, 7);
}

TEST(MeshExportFidelity, AnUnwritableDestinationIsNamedForEveryFormatAndNothingIsWritten) {
    test::TempDir dir;
    const std::string project = badge(dir);
    for (const MeshFormat& format : MeshFormats::all())
        if (format.write) std::filesystem::create_directory(dir.file(std::string("folder") + format.extension));
    auto listing = [&] {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.file("")))
            if (entry.path().string().rfind(dir.file("lib"), 0) != 0) names.insert(entry.path().string());
        return names;
    };
    const std::set<std::string> before = listing();
    int formats = 0;
    for (const MeshFormat& format : MeshFormats::all()) {
        if (!format.write) continue;
        const std::string extension = format.extension;
        SCOPED_TRACE(extension);
        ++formats;
        const std::string missing = dir.file("no-such-folder/t" + extension);
        for (const std::string& out : {missing, dir.file("folder" + extension)}) {
            test::Outcome r = formwright(dir, "export " + project + " -o " + out);
            EXPECT_EQ(r.status, 1) << out;
            EXPECT_EQ(r.err.rfind("formwright: " + out + ": ", 0), 0u) << r.err;
        }
        test::Outcome r = formwright(dir, "text Hi -o " + missing);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind("formwright: " + missing + ": ", 0), 0u) << r.err;
    }
    EXPECT_EQ(formats, 7);
    EXPECT_EQ(listing(), before);  // no file beside the destinations, none in the folders
}

TEST(MeshExportFidelity, DxfFacesCoverTheWholeTitleStandingOnZ) {
    test::TempDir dir;
    const std::string project = badge(dir);
    test::ran(dir, "export " + project + " -o " + dir.file("b.obj"));
    EXPECT_EQ(test::ran(dir, "export " + project + " -o " + dir.file("b.dxf")).err, "");  // nothing is left out
    // The 3DFACE entities, parsed as any reader would.
    Groups dxf;
    {
        std::istringstream in(test::readFile(dir.file("b.dxf")));
        std::string code, value, layer;
        Face face;
        bool open = false;
        auto finish = [&] {
            if (!open) return;
            if (face.corners[3] == face.corners[2]) face.corners.pop_back();
            dxf[layer].push_back(face);
            open = false;
        };
        while (std::getline(in, code) && std::getline(in, value)) {
            int c = std::stoi(code);
            if (c == 0) {
                finish();
                if (value == "3DFACE") open = true, face = Face(), face.corners.assign(4, glm::dvec3(0.0));
            } else if (open && c == 8) {
                layer = value;
            } else if (open && c >= 10 && c <= 33 && c % 10 <= 3) {
                face.corners[static_cast<size_t>(c % 10)][c / 10 - 1] = std::stod(value);
            }
        }
        finish();
    }
    const auto obj = readObj(dir.file("b.obj"));
    ASSERT_EQ(dxf.size(), obj.size());
    const double objArea = totalArea(obj);
    EXPECT_NEAR(totalArea(dxf), objArea, objArea * 0.001);
    // Standing: the letters rise along z and are 18 deep along y.
    const auto [low, high] = box(dxf);
    EXPECT_NEAR(high.y - low.y, 18, 0.01);
    EXPECT_GT(high.z - low.z, 40);
    if (haveAssimp()) {
        EXPECT_NEAR(totalArea(assimpRead(dir, dir.file("b.dxf"))), objArea, objArea * 0.001);
    }
    // Imported again, the title stands as it did in the project.
    test::ran(dir, "import " + dir.file("b.dxf") + " -o " + dir.file("back.kxp"));
    test::ran(dir, "export " + dir.file("back.kxp") + " -o " + dir.file("back.obj"));
    const auto [objLow, objHigh] = box(obj);
    const auto [backLow, backHigh] = box(readObj(dir.file("back.obj")));
    for (int a = 0; a < 3; ++a) {
        EXPECT_NEAR(backLow[a], objLow[a], 1e-3) << a;
        EXPECT_NEAR(backHigh[a], objHigh[a], 1e-3) << a;
    }
}

}  // namespace fw
