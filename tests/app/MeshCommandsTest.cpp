// The mesh commands as users run them: export of the examples in every coordinate mode and over frame ranges, import
// into new and existing projects, other programs reading what was written, and glTF of the animated example (against
// the OBJ files of its first and last frames) and of a title, judged by the Khronos validator too.
#include <glm/gtc/matrix_transform.hpp>
#include <regex>

#include "AppHelpers.h"
#include "GeometryHelpers.h"
#include "GltfValidator.h"
#include "MeshFileChecks.h"
#include "output/DxfReader.h"
#include "output/MeshFormats.h"
#include "output/ObjImport.h"

using testing::AllOf, testing::HasSubstr;

namespace fw {
namespace {

const std::string kTitle = test::example("title.kxp");
const std::string kAnimated = test::example("animated-title.kxp");
using test::allTriangles, test::formwright, test::readBack;

// Where Assimp is installed, that `assimp info` finds `faces` faces (after triangulation) in the file.
void expectAssimpFaces(const std::string& path, size_t faces) {
    if (!test::haveAssimp()) return;
    test::Outcome r = test::assimpInfo(path);
    std::smatch m;
    ASSERT_TRUE(r.status == 0 && std::regex_search(r.out, m, std::regex("\nFaces: +([0-9]+)"))) << r.out << r.err;
    EXPECT_EQ(std::stoul(m[1]), faces) << path;
}

// The node's transform at the animation's last sample.
glm::dmat4 lastSample(const tinygltf::Model& model, int node) {
    tinygltf::Node n = model.nodes.at(static_cast<size_t>(node));
    for (const tinygltf::Animation& animation : model.animations)
        for (const tinygltf::AnimationChannel& channel : animation.channels) {
            if (channel.target_node != node) continue;
            const std::string& path = channel.target_path;
            std::vector<double>& into = path == "rotation" ? n.rotation : path == "scale" ? n.scale : n.translation;
            const std::vector<double> v =
                test::floatsOf(model, animation.samplers.at(static_cast<size_t>(channel.sampler)).output);
            const long width = path == "rotation" ? 4 : 3;  // the last sample's values end the list
            if (v.size() >= static_cast<size_t>(width)) into.assign(v.end() - width, v.end());
        }
    return test::nodeMatrix(n);
}

}  // namespace

TEST(MeshCommands, TheTitleExportsWholeOrInSectionsWithTheSameTrianglesAndOtherProgramsReadIt) {
    test::TempDir dir;
    ASSERT_EQ(formwright(dir, "export " + kTitle + " -o " + dir.file("t.obj")).status, 0);
    auto obj = readBack(ObjImport(), dir.file("t.obj"));
    std::vector<test::Triangle> all = allTriangles(obj);
    size_t upToQuads = 0;  // the triangles that the polygons of three or four corners make
    for (const ImportGroup& group : obj)
        test::eachElement(*group.mesh, [&](const GeometryInterface::ElementInfo& info, auto&&...) {
            upToQuads += info.count == 3 || info.count == 4 ? static_cast<size_t>(info.count - 2) : 0;
        });
    EXPECT_GT(upToQuads, 10000u);
    EXPECT_GT(all.size(), upToQuads);  // the round letters have bigger polygons too
    expectAssimpFaces(dir.file("t.obj"), all.size());
    // --scale moves every corner away from the origin; without it every format but glTF keeps points.
    ASSERT_EQ(formwright(dir, "export " + kTitle + " --scale 2.5 -o " + dir.file("big.obj")).status, 0);
    std::vector<test::Triangle> scaled = all;
    for (test::Triangle& t : scaled)
        for (double& x : t) x *= 2.5;
    EXPECT_EQ(test::compareTriangles(scaled, allTriangles(readBack(ObjImport(), dir.file("big.obj"))), 1e-3), "");
    int formats = 0;
    for (const MeshFormat& format : MeshFormats::all()) {
        const std::string name = format.extension, path = dir.file("t" + name);
        if (!format.write || !format.makeReader || name == ".obj") continue;
        ++formats;
        SCOPED_TRACE(name);
        test::Outcome r = formwright(dir, "export " + kTitle + " -o " + path);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<test::Triangle> read = allTriangles(readBack(*format.makeReader(), path));
        // The round letters' big polygons go as fans of 3DFACE triangles, without a warning.
        EXPECT_TRUE(name != ".dxf" || r.err.empty()) << r.err;
        // Single precision is the least any format keeps; the ground reaches 1,000.
        EXPECT_EQ(test::compareTriangles(all, read, 2e-4), "");
        if (name == ".dxf" || name == ".3ds" || name == ".lwo") expectAssimpFaces(path, read.size());
    }
    EXPECT_GE(formats, 1);
    // Sections split each solid by part: three or four parts per solid (O and the Rs have a fourth).
    ASSERT_EQ(formwright(dir, "export " + kTitle + " --sections -o " + dir.file("s.obj")).status, 0);
    auto split = readBack(ObjImport(), dir.file("s.obj"));
    EXPECT_EQ(obj.size(), 11u);
    ASSERT_EQ(split.size(), 36u);
    EXPECT_EQ(split[0].name + ", " + split[1].name + ", " + split.back().name,
              "Text F-Section 0, Text F-Section 1, Ground-Section 2");
    EXPECT_EQ(test::compareTriangles(all, allTriangles(split), 1e-9), "");
}

TEST(MeshCommands, FrameRangesMoveTheLettersAndObjectCoordinatesStayPut) {
    test::TempDir dir;
    ASSERT_EQ(test::ran(dir, "export " + kAnimated + " --frames 0-2 -o " + dir.file("a.obj")).status, 0);
    for (const char* name : {"a.obj", "a.0001.obj", "a.0002.obj"}) EXPECT_TRUE(std::filesystem::exists(dir.file(name)));
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.0003.obj")));
    EXPECT_THAT(test::readFile(dir.file("a.0001.obj")),
                AllOf(HasSubstr("# Object 'Text M-Frame 1'\n"), HasSubstr("\ng Text M-Frm1\n")));
    // The letters fly in: in the world they move from frame to frame, in their own coordinates they do not.
    for (const char* mode : {"--world", "--local"})
        for (int frame : {5, 25})
            test::ran(dir, "export " + kAnimated + " --frame " + std::to_string(frame) + " " + mode + " -o " +
                               dir.file(std::string(mode + 2) + std::to_string(frame) + ".obj"));
    EXPECT_NE(test::readFile(dir.file("world5.obj")), test::readFile(dir.file("world25.obj")));
    // Alike but for the material library each names beside itself.
    EXPECT_EQ(test::readFile(dir.file("local5.obj")),
              test::edited(test::readFile(dir.file("local25.obj")), {{"mtllib local25.mtl\n", "mtllib local5.mtl\n"}}));
    // Formats that hold every frame name each frame's layer.
    ASSERT_EQ(formwright(dir, "export " + kAnimated + " --frames 3-4 -o " + dir.file("a.dxf")).status, 0);
    auto layers = readBack(DxfReader(), dir.file("a.dxf"));
    ASSERT_EQ(layers.size(), 12u);
    EXPECT_EQ(layers[0].name + ", " + layers[6].name, "Text M-Frm3, Text M-Frm4");
}

TEST(MeshCommands, ImportMakesAProjectThatRendersOrAddsToOne) {
    test::TempDir dir;
    ASSERT_EQ(formwright(dir, "export " + kTitle + " -o " + dir.file("t.dxf")).status, 0);
    test::ran(dir, "import " + dir.file("t.dxf") + " -o " + dir.file("p.kxp"));
    test::Outcome r = formwright(dir, "info " + dir.file("p.kxp"));
    EXPECT_THAT(r.out, AllOf(HasSubstr("ObjectP \"Text F\" below \"root\""), HasSubstr("MaterialX \"DXF color ")));
    ASSERT_EQ(formwright(dir, "render " + dir.file("p.kxp") + " -o " + dir.file("p.png")).status, 0);
    // The camera is framed on the letters, which keep the gold of their colour index.
    const std::vector<int> rgb = ::test::readImage(dir.file("p.png")).rgb;
    int gold = 0;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        gold += rgb[i] > 80 && rgb[i] > rgb[i + 2] + 40 && rgb[i + 1] > rgb[i + 2];
    EXPECT_GT(gold, 200);
    // Into an existing project: its own objects stay, the mesh's join them.
    std::filesystem::copy_file(kTitle, dir.file("title.kxp"));
    ASSERT_EQ(formwright(dir, "export " + kTitle + " -o " + dir.file("t.obj")).status, 0);
    test::ran(dir, "import " + dir.file("t.obj") + " --into " + dir.file("title.kxp"));
    r = formwright(dir, "info " + dir.file("title.kxp"));
    // One object per group of the file, named after it, made unique beside the originals.
    EXPECT_THAT(r.out, AllOf(HasSubstr("ObjectX \"Text F\""), HasSubstr("ObjectP \"Text F.1\""),
                             HasSubstr("ObjectP \"Ground.1\"")));
    // A damaged mesh changes nothing.
    std::string before = test::readFile(dir.file("title.kxp"));
    test::writeFile(dir.file("bad.dxf"), "this is\nnot a mesh\n");
    r = formwright(dir, "import " + dir.file("bad.dxf") + " --into " + dir.file("title.kxp"));
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("bad.dxf: is not a DXF file"));
    EXPECT_EQ(test::readFile(dir.file("title.kxp")), before);
}

TEST(MeshCommands, AnObjFilesMaterialLibraryGivesItsColoursAndTransparency) {
    test::TempDir dir;
    test::writeFile(dir.file("look.mtl"), "newmtl Red\nKd 0.9 0.1 0.05\nnewmtl Glass\nKd 0.3 0.6 1\nd 0.4\n");
    // A red square behind a bluish glass one that overlaps its right side.
    test::writeFile(dir.file("m.obj"),
                    "mtllib look.mtl\nv -100 -50 0\nv 0 -50 0\nv 0 50 0\nv -100 50 0\n"
                    "v -20 -40 20\nv 100 -40 20\nv 100 60 20\nv -20 60 20\n"
                    "g Back\nusemtl Red\nf 1 2 3 4\ng Front\nusemtl Glass\nf 5 6 7 8\n");
    ASSERT_EQ(formwright(dir, "import " + dir.file("m.obj") + " -o " + dir.file("m.kxp")).status, 0);
    ASSERT_EQ(formwright(dir, "render " + dir.file("m.kxp") + " -o " + dir.file("m.png")).status, 0);
    ::test::Pixels picture = ::test::readImage(dir.file("m.png"));
    ASSERT_EQ(picture.width, 640);
    const int *red = picture.at(150, 240), *glass = picture.at(450, 240), *both = picture.at(290, 240);
    EXPECT_GT(red[0], 150);
    EXPECT_LT(red[2], 60);
    EXPECT_GT(glass[2], glass[0] + 40);
    // Through the glass the red shows.
    EXPECT_GT(both[0], glass[0] + 60) << both[0] << " " << both[1] << " " << both[2];
    EXPECT_GT(both[2], red[2] + 40);
}

// An unwritable destination is named first: it is checked before any format's writer, so one format stands for all.
TEST(MeshCommands, BadRequestsAreUserErrorsThatWriteNothing) {
    test::TempDir dir;
    const std::string missing = dir.file("no-such-folder/t.3ds"), folder = dir.file("folder.3ds");
    std::filesystem::create_directory(folder);
    const std::pair<std::string, std::string> requests[] = {
        {"export " + kTitle + " -o " + dir.file("t.xyz"), "t.xyz: write a mesh file: obj, dxf"},
        {"export " + kAnimated + " --frames 5-2 -o " + dir.file("a.obj"), "runs backwards"},
        {"import " + dir.file("t.xyz") + " -o " + dir.file("p.kxp"), "read a mesh file: obj, dxf"},
        {"import " + kTitle, "-o OUT.kxp"},
        {"text Hi -o " + dir.file("hi.xyz"), "a mesh (obj, dxf"},
        {"export " + kTitle + " --scale 0 -o " + dir.file("zero.glb"), "--scale"},
        {"export " + kTitle + " -o " + missing, "formwright: " + missing + ": "},
        {"export " + kTitle + " -o " + folder, "formwright: " + folder + ": "},
        {"text Hi -o " + missing, "formwright: " + missing + ": "}};
    for (const auto& [arguments, says] : requests) {
        test::Outcome r = formwright(dir, arguments);
        EXPECT_EQ(r.status, 1) << arguments;
        EXPECT_THAT(r.err, HasSubstr(says));
        EXPECT_TRUE(!says.starts_with("formwright: ") || r.err.starts_with(says)) << r.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    // Only the library and that folder: no missing folder made, nothing left beside the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("")), {}), 2);
    // `text` writes every mesh format as it writes OBJ.
    ASSERT_EQ(test::ran(dir, "text Hi -o " + dir.file("hi.dxf")).status, 0);
    EXPECT_EQ(readBack(DxfReader(), dir.file("hi.dxf")).size(), 2u);
}

TEST(GlbExport, AnimatedTitleOverARangeMatchesItsFirstAndLastFrames) {
    test::TempDir dir;
    // In points, as the OBJ files are.
    for (std::string args :
         {"-o " + dir.file("world.glb") + " --frames 0-12 --scale 1",
          "-o " + dir.file("local.glb") + " --frames 0-12 --local --scale 1",
          "-o " + dir.file("first.obj") + " --frame 0", "-o " + dir.file("last.obj") + " --frame 12"})
        ASSERT_EQ(test::ran(dir, "export " + kAnimated + " " + args).status, 0);
    std::vector<test::Triangle> first = allTriangles(readBack(ObjImport(), dir.file("first.obj")));
    std::vector<test::Triangle> last = allTriangles(readBack(ObjImport(), dir.file("last.obj")));
    ASSERT_GT(first.size(), 100u);
    ASSERT_NE(test::compareTriangles(first, last, 1e-3), "") << "the example moves between these frames";
    // World coordinates: the meshes stand where the first frame put them, the nodes at identity; object coordinates:
    // each node's own transform. The animation carries both to the last frame.
    tinygltf::Model world = test::loadGlb(dir.file("world.glb")), local = test::loadGlb(dir.file("local.glb"));
    ASSERT_EQ(local.nodes.size(), world.nodes.size());
    auto expectAt = [](const std::vector<test::Triangle>& frame, const tinygltf::Model& model, auto place) {
        EXPECT_EQ(test::compareTriangles(frame, test::sceneTriangles(model, place), 2e-3), "");
    };
    expectAt(first, world, [](int) { return glm::dmat4(1.0); });
    expectAt(first, local, [&](int n) { return test::nodeMatrix(local.nodes[static_cast<size_t>(n)]); });
    for (const auto& [name, model] : {std::pair{"world", &world}, {"local", &local}}) {
        SCOPED_TRACE(name);
        expectAt(last, *model, [&](int n) { return lastSample(*model, n); });
        EXPECT_VALID_GLTF(dir.file(std::string(name) + ".glb"));
    }
    // Thirteen samples from 0 on, a frame's time apart at the example's 30 frames per second.
    std::vector<double> times = test::floatsOf(local, local.animations.at(0).samplers.at(0).input);
    ASSERT_EQ(times.size(), 13u);
    for (size_t i = 0; i < times.size(); ++i) EXPECT_NEAR(times[i], static_cast<double>(i) / 30, 1e-6);
}

// In metres, and the factory metals as metals. (Its sections: TheTitleExportsWholeOrInSections… and GlbAnimation.)
TEST(GlbExport, TextCommandWritesATitleAsGlb) {
    test::TempDir dir;
    // The factory metals are metals in glTF, bright in their own hue; plastic is not.
    for (const auto& [material, metal] :
         {std::pair<std::string, bool>{"Chrome", true}, {"Polished Gold", true}, {"Glossy Red Plastic", false}}) {
        SCOPED_TRACE(material);
        test::ran(dir, "--yes text Hi --material '" + material + "' -o " + dir.file("hi.glb"));
        tinygltf::Model model = test::loadGlb(dir.file("hi.glb"));
        ASSERT_FALSE(model.materials.empty());
        const auto& pbr = model.materials[0].pbrMetallicRoughness;
        EXPECT_EQ(model.materials[0].name, material);
        EXPECT_EQ(pbr.metallicFactor >= 0.95, metal);
        EXPECT_EQ(pbr.metallicFactor < 0.05, !metal);
        if (metal) {
            EXPECT_GE(*std::max_element(pbr.baseColorFactor.begin(), pbr.baseColorFactor.begin() + 3), 0.95);
            EXPECT_LT(pbr.roughnessFactor, 0.5);
        }
        EXPECT_VALID_GLTF(dir.file("hi.glb"));
    }
    // The plastic title, against an OBJ of it.
    ASSERT_EQ(test::ran(dir, "text Hi -o " + dir.file("hi.obj")).status, 0);
    tinygltf::Model model = test::loadGlb(dir.file("hi.glb"));
    EXPECT_EQ(model.nodes.size(), 2u) << "one node per letter";
    EXPECT_TRUE(model.animations.empty());
    // The .glb is in metres, the OBJ in points.
    const glm::dmat4 toPoints = glm::scale(glm::dmat4(1.0), glm::dvec3(72 / 0.0254));
    auto inPoints = [&](int n) { return toPoints * test::nodeMatrix(model.nodes[static_cast<size_t>(n)]); };
    const std::vector<test::Triangle> obj = allTriangles(readBack(ObjImport(), dir.file("hi.obj")));
    EXPECT_EQ(test::compareTriangles(obj, test::sceneTriangles(model, inPoints), 2e-3), "");
}

}  // namespace fw
