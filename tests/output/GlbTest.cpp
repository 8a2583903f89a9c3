// glTF binary export: what tinygltf's own loader reads back (triangles, nodes and their transforms, materials, the
// frames' animation) and what the Khronos validator says (it also checks the accessors' bounds).
#include "output/GlbWriter.h"

#include <tiny_gltf.h>

#include <glm/gtc/matrix_inverse.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "GltfModel.h"
#include "GltfValidator.h"
#include "MeshRoundTrip.h"

namespace fw {
namespace {

using test::addPrimitive, test::floatsOf, test::indicesOf, test::meshTriangles, test::nodeMatrix;
using testing::DoubleNear, testing::Pointwise;

// The polygons of `g` (one part, or all) moved by `m`, as the file's floats hold them.
std::vector<test::Triangle> expectedTriangles(const GeometryInterface& g, const glm::dmat4& m, int part = -1) {
    return test::movedTriangles(g, m, part, true);
}

// A matrix's entries column by column, for Pointwise(DoubleNear).
std::vector<double> entries(const glm::dmat4& m) { return {glm::value_ptr(m), glm::value_ptr(m) + 16}; }

// A material's name, base colour, alpha mode, metalness and roughness.
using Look = std::tuple<std::string, std::vector<double>, std::string, double, double>;
Look look(const tinygltf::Material& m) {
    const tinygltf::PbrMetallicRoughness& pbr = m.pbrMetallicRoughness;
    return {m.name, pbr.baseColorFactor, m.alphaMode, pbr.metallicFactor, pbr.roughnessFactor};
}

// Each case in world and in object coordinates.
std::string coordinates(const testing::TestParamInfo<bool>& info) { return info.param ? "World" : "Object"; }

class GlbBox : public testing::TestWithParam<bool> {};

// A box placed by a turn and an uneven scale. (A real title's letters, each its own node, in world and object
// coordinates: GlbExport.AnimatedTitleOverARangeMatchesItsFirstAndLastFrames, GlbExport.TextCommandWritesATitleAsGlb.)
TEST_P(GlbBox, TrianglesNormalsTextureAndTransformReadBack) {
    const bool world = GetParam();
    test::TempDir dir;
    test::Box box(2, 2, 2);
    const glm::dmat4 placed = glm::translate(glm::dmat4(1.0), glm::dvec3(10, -2, 3)) *
                              glm::rotate(glm::dmat4(1.0), glm::radians(30.0), glm::normalize(glm::dvec3(1, 2, 0))) *
                              glm::scale(glm::dmat4(1.0), glm::dvec3(1, 2, 3));
    std::string path = dir.file("box.glb");
    ASSERT_TRUE(GlbWriter::write(path, {ExportUnit("Box", &box, placed)}, world));
    tinygltf::Model model = test::loadGlb(path);
    ASSERT_EQ(std::pair(model.scenes.size(), model.nodes.size()), std::pair(1ul, 1ul));
    EXPECT_EQ(model.scenes[0].nodes, std::vector<int>{0});
    const tinygltf::Node& node = model.nodes[0];
    ASSERT_EQ(node.mesh, 0);
    EXPECT_EQ(node.name + " " + model.meshes[0].name, "Box Box");
    const glm::dmat4 baked = world ? placed : glm::dmat4(1.0);
    EXPECT_THAT(entries(nodeMatrix(node)), Pointwise(DoubleNear(1e-12), entries(placed * glm::inverse(baked))));
    EXPECT_TRUE(!world || (node.translation.empty() && node.rotation.empty() && node.scale.empty()));
    EXPECT_EQ(test::compareTriangles(expectedTriangles(box, baked), meshTriangles(model, 0), 0), "");
    // Six faces of four corners each: no corner is shared, since normals differ. (The 36 indices make the triangles.)
    ASSERT_EQ(model.meshes[0].primitives.size(), 1u);
    const tinygltf::Primitive& p = model.meshes[0].primitives[0];
    std::vector<double> positions = floatsOf(model, p.attributes.at("POSITION"));
    std::vector<double> normals = floatsOf(model, p.attributes.at("NORMAL"));
    std::vector<double> uvs = floatsOf(model, p.attributes.at("TEXCOORD_0"));
    ASSERT_EQ(std::vector<size_t>({positions.size(), normals.size(), uvs.size()}), (std::vector<size_t>{72, 72, 48}));
    // Every vertex: the normal of its face (moved as normals move), and the corner's
    // texture coordinate with v turned over for glTF's top-left origin.
    const glm::dmat3 normalMatrix = glm::inverseTranspose(glm::dmat3(baked));
    const glm::dmat4 unbake = glm::inverse(baked);
    const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    const double faceNormals[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
    const double uvOfCorner[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    int matched = 0;
    for (size_t i = 0; i < 24; ++i) {
        glm::dvec3 local(unbake * glm::dvec4(positions[3 * i], positions[3 * i + 1], positions[3 * i + 2], 1.0));
        glm::dvec3 n(normals[3 * i], normals[3 * i + 1], normals[3 * i + 2]);
        EXPECT_NEAR(glm::length(n), 1.0, 1e-6);
        for (int f = 0; f < 6; ++f) {
            if (glm::length(glm::normalize(normalMatrix * glm::make_vec3(faceNormals[f])) - n) > 1e-5) continue;
            for (int c = 0; c < 4; ++c) {
                glm::dvec3 v;
                box.getVertex(glm::value_ptr(v), faces[f][c]);
                if (glm::length(v - local) > 1e-5) continue;
                EXPECT_EQ(std::pair(uvs[2 * i], uvs[2 * i + 1]), std::pair(uvOfCorner[c][0], uvOfCorner[c][1]))
                    << "face " << f << " corner " << c;
                ++matched;
            }
        }
    }
    EXPECT_EQ(matched, 24);
    // The default look: grey, opaque, not metallic, fully rough (no highlight).
    EXPECT_EQ(p.material, 0);
    EXPECT_EQ(look(model.materials[0]), Look("defaultMtl", {0.8, 0.8, 0.8, 1.0}, "OPAQUE", 0, 1));
    EXPECT_TRUE(model.animations.empty());
    EXPECT_VALID_GLTF(path);
}

INSTANTIATE_TEST_SUITE_P(Coordinates, GlbBox, testing::Values(false, true), coordinates);

TEST(GlbWriter, PartsBecomePrimitivesWithTheirMaterials) {
    test::TempDir dir;
    // A pentagon in part 0; a quad and a triangle without normals in part 1; a polyline, which glTF meshes cannot hold.
    ObjDB db;
    for (int i = 0; i < 5; ++i) test::addVertices(db, {{std::cos(i * 1.2566), std::sin(i * 1.2566), 0}});
    test::addVertices(db, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}});
    const double up[3] = {0, 0, 1}, zero[3] = {0, 0, 0};
    db.addNormal(up);
    db.addNormal(zero);
    const int pentagon[5] = {0, 1, 2, 3, 4}, upN[5] = {0, 0, 0, 0, 0};
    db.addElement(GeometryInterface::Polygon, 0, 5, pentagon, 0, nullptr, 5, upN);
    const int q[4] = {5, 6, 7, 8}, zeroN[4] = {1, 1, 1, 1};
    db.addElement(GeometryInterface::Polygon, 1, 4, q, 0, nullptr, 4, zeroN);
    test::addElement(db, 1, {0, 5, 8});
    test::addElement(db, 0, {0, 5, 8}, GeometryInterface::Polyline);
    ExportUnit unit("Parts", &db);
    unit.materials = {
        {.name = "Gold", .diffuse = {1.0, 0.75, 0.25}, .specularAmount = 0.5, .shininess = 0.8, .reflectivity = 0.9},
        {.name = "Glass", .diffuse = {0.5, 0.25, 1.0}, .transparency = 0.75}};
    std::string path = dir.file("parts.glb");
    ASSERT_TRUE(GlbWriter::write(path, {unit}, false));
    tinygltf::Model model = test::loadGlb(path);
    ASSERT_EQ(model.materials.size(), 2u);
    // Reflectivity 0.9 mirrors as much as a polished metal; roughness is 1 less the highlight's strength and tightness.
    EXPECT_EQ(look(model.materials[0]), Look("Gold", {1.0, 0.75, 0.25, 1.0}, "OPAQUE", 1, 1 - 0.5 * 0.8));
    EXPECT_EQ(look(model.materials[1]), Look("Glass", {0.5, 0.25, 1.0, 0.25}, "BLEND", 0, 1));
    // Part 0 in one primitive; part 1 in two, since only the quad's corners have normals.
    const std::vector<tinygltf::Primitive>& prims = model.meshes.at(0).primitives;
    ASSERT_EQ(prims.size(), 3u);
    ObjDB part0, part1;
    for (const tinygltf::Primitive& p : prims) addPrimitive(model, p, p.material == 0 ? part0 : part1);
    for (const auto& [part, read] : {std::pair(0, &part0), {1, &part1}})
        EXPECT_EQ(test::compareTriangles(expectedTriangles(db, glm::dmat4(1.0), part), test::trianglesOf(*read), 0), "")
            << part;
    for (const tinygltf::Primitive& p : prims) {
        if (p.material == 0) {  // the pentagon's corners share one normal and one position each: welded to 5
            EXPECT_EQ(floatsOf(model, p.attributes.at("POSITION")).size(), 15u);
            EXPECT_EQ(indicesOf(model, p.indices).size(), 9u);
        } else if (p.attributes.count("NORMAL")) {  // the quad's zero normals were replaced by its own facing
            EXPECT_EQ(floatsOf(model, p.attributes.at("NORMAL")),
                      (std::vector<double>{0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}));
        }
    }
    // A section writes only its own part.
    unit.section = 1;
    ASSERT_TRUE(GlbWriter::write(path, {unit}, false));
    tinygltf::Model section = test::loadGlb(path);  // named, and holding its part's triangles: GlbAnimation
    ASSERT_EQ(section.materials.size(), 1u);
    EXPECT_EQ(section.materials[0].name, "Glass");
    EXPECT_VALID_GLTF(path);
}

TEST(GlbWriter, NothingToExportWritesNothing) {
    test::TempDir dir;
    ObjDB empty, lines;
    test::addVertices(lines, {{0, 0, 0}, {1, 0, 0}});
    test::addElement(lines, 0, {0, 1}, GeometryInterface::Polyline);
    test::addElement(lines, 0, {0, 1}, GeometryInterface::PointSet);
    // Polygons that cannot be written: a corner past the positions, a corner at NaN.
    test::addVertices(lines, {{NAN, 0, 1}});
    test::addElement(lines, 0, {0, 1, 7});
    test::addElement(lines, 0, {0, 1, 2});
    std::string path = dir.file("none.glb");
    EXPECT_EQ(test::capture([&](std::FILE* console) {
                  EXPECT_FALSE(GlbWriter::write(path, {ExportUnit("Nothing", &empty), ExportUnit("Null", nullptr)},
                                                false, console));
                  EXPECT_FALSE(GlbWriter::write(path, {ExportUnit("Lines", &lines)}, true, console));
              }), "write_glb: no geometry to export!\nwrite_glb: no geometry to export!\n");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// Three frames of a box that moves, turns and grows: the mesh once, the node sampled.
class GlbAnimation : public testing::TestWithParam<bool> {};

glm::dmat4 frameTransform(int i) {
    return glm::translate(glm::dmat4(1.0), glm::dvec3(5.0 * i, 1, 0)) *
           glm::rotate(glm::dmat4(1.0), glm::radians(40.0 * i), glm::dvec3(0, 0, 1)) *
           glm::scale(glm::dmat4(1.0), glm::dvec3(1.0 + i));
}

// Beside the moving box, an object exported as two sections over two frames and a box that stands still in one frame:
// each section its own node, named as other formats name sections, with only its part's triangles and frames' times.
TEST_P(GlbAnimation, FramesSampleTheNodeAtTheirTimes) {
    const bool world = GetParam();
    test::TempDir dir;
    test::Box box(2, 1, 1), pair, still;
    test::addVertices(pair, {{5, 0, 0}, {6, 0, 0}, {5, 1, 0}});
    test::addElement(pair, 1, {8, 9, 10});
    std::vector<ExportUnit> units;
    for (int i = 0; i < 3; ++i) {
        ExportUnit u("Spin", &box, frameTransform(i));
        u.frame = i, u.time = 0.5 * i;
        units.push_back(u);
    }
    for (int frame = 0; frame < 2; ++frame)
        for (int section = 0; section < 2; ++section) {
            ExportUnit u("Pair", &pair, frameTransform(frame));
            u.object = 1, u.frame = frame, u.time = frame / 30.0, u.section = section;
            units.push_back(u);
        }
    const glm::dmat4 stood = glm::translate(glm::dmat4(1.0), glm::dvec3(0, 0, -4));
    ExportUnit stand("Still", &still, stood);
    stand.object = 2, stand.frame = 0;
    units.push_back(stand);
    std::string path = dir.file("spin.glb");
    ASSERT_TRUE(GlbWriter::write(path, units, world));
    tinygltf::Model model = test::loadGlb(path);
    ASSERT_EQ(std::pair(model.nodes.size(), model.meshes.size()), std::pair(4ul, 4ul));
    const glm::dmat4 baked = world ? frameTransform(0) : glm::dmat4(1.0), stoodBaked = world ? stood : glm::dmat4(1.0);
    const std::string names[4] = {"Spin-Frm0", "Pair-Section 0-Frm0", "Pair-Section 1-Frm0", "Still-Frm0"};
    const std::vector<test::Triangle> expected[4] = {expectedTriangles(box, baked), expectedTriangles(pair, baked, 0),
                                                     expectedTriangles(pair, baked, 1),
                                                     expectedTriangles(still, stoodBaked)};
    for (size_t n = 0; n < 4; ++n) {
        EXPECT_EQ(model.nodes[n].name, names[n]);
        EXPECT_EQ(test::compareTriangles(expected[n], meshTriangles(model, model.nodes[n].mesh), 0), "") << names[n];
        const glm::dmat4 placed = n == 3 ? stood * glm::inverse(stoodBaked) : frameTransform(0) * glm::inverse(baked);
        EXPECT_THAT(entries(nodeMatrix(model.nodes[n])), Pointwise(DoubleNear(1e-12), entries(placed)));
    }
    ASSERT_EQ(model.animations.size(), 1u);
    const tinygltf::Animation& animation = model.animations[0];
    ASSERT_EQ(animation.channels.size(), 9u);
    // Where each sample puts the node: GlbExport.AnimatedTitleOverARangeMatchesItsFirstAndLastFrames.
    for (const tinygltf::AnimationChannel& channel : animation.channels) {
        ASSERT_LT(channel.target_node, 3);  // none for the still box
        const tinygltf::AnimationSampler& sampler = animation.samplers.at(static_cast<size_t>(channel.sampler));
        EXPECT_EQ(sampler.interpolation, "LINEAR");
        const std::vector<double> times = channel.target_node > 0 ? std::vector<double>{0.0, float(1.0 / 30.0)}
                                                                  : std::vector<double>{0.0, 0.5, 1.0};
        EXPECT_EQ(floatsOf(model, sampler.input), times);
    }
    EXPECT_VALID_GLTF(path);
}

INSTANTIATE_TEST_SUITE_P(Coordinates, GlbAnimation, testing::Values(false, true), coordinates);

}  // namespace
}  // namespace fw
