// glTF export as users run it: the example animation over a range of frames, checked
// against the OBJ files of its first and last frames, and a title written straight to
// .glb; the Khronos validator judges both.

#include <glm/gtc/matrix_transform.hpp>

#include "AppRun.h"
#include "GltfModel.h"
#include "GltfValidator.h"
#include "MeshCompare.h"
#include "output/ObjImport.h"

namespace fw {
namespace {

const std::string kAnimated = test::example("animated-title.kxp");
using test::formwright;

// Every triangle of an OBJ file, whatever group it sits in.
std::vector<test::Triangle> objTriangles(const std::string& path) {
    ObjImport reader;
    std::vector<ImportGroup> groups;
    EXPECT_TRUE(reader.read(path, groups)) << reader.error();
    std::vector<test::Triangle> all;
    for (const ImportGroup& group : groups) {
        std::vector<test::Triangle> some = test::trianglesOf(*group.mesh);
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

// Every node's mesh moved by `place(node)`.
template <class Place>
std::vector<test::Triangle> sceneTriangles(const tinygltf::Model& model, Place place) {
    std::vector<test::Triangle> all;
    for (size_t i = 0; i < model.nodes.size(); ++i) {
        const tinygltf::Node& node = model.nodes[i];
        if (node.mesh < 0) continue;
        glm::dmat4 m = place(static_cast<int>(i));
        for (test::Triangle t : test::meshTriangles(model, node.mesh)) {
            for (size_t k = 0; k < 9; k += 3) {
                glm::dvec3 p(m * glm::dvec4(t[k], t[k + 1], t[k + 2], 1.0));
                t[k] = p.x, t[k + 1] = p.y, t[k + 2] = p.z;
            }
            all.push_back(t);
        }
    }
    return all;
}

// The node's transform at the animation's last sample.
glm::dmat4 lastSample(const tinygltf::Model& model, int node) {
    glm::dvec3 t(0.0), s(1.0);
    glm::dquat r(1.0, 0.0, 0.0, 0.0);
    const tinygltf::Node& n = model.nodes.at(static_cast<size_t>(node));
    if (!n.translation.empty()) t = glm::dvec3(n.translation[0], n.translation[1], n.translation[2]);
    if (!n.rotation.empty()) r = glm::dquat(n.rotation[3], n.rotation[0], n.rotation[1], n.rotation[2]);
    if (!n.scale.empty()) s = glm::dvec3(n.scale[0], n.scale[1], n.scale[2]);
    for (const tinygltf::Animation& animation : model.animations)
        for (const tinygltf::AnimationChannel& channel : animation.channels) {
            if (channel.target_node != node) continue;
            const tinygltf::AnimationSampler& sampler = animation.samplers.at(static_cast<size_t>(channel.sampler));
            std::vector<double> v = test::floatsOf(model, sampler.output);
            if (channel.target_path == "translation" && v.size() >= 3)
                t = glm::dvec3(v[v.size() - 3], v[v.size() - 2], v[v.size() - 1]);
            if (channel.target_path == "scale" && v.size() >= 3)
                s = glm::dvec3(v[v.size() - 3], v[v.size() - 2], v[v.size() - 1]);
            if (channel.target_path == "rotation" && v.size() >= 4)
                r = glm::dquat(v[v.size() - 1], v[v.size() - 4], v[v.size() - 3], v[v.size() - 2]);
        }
    return glm::translate(glm::dmat4(1.0), t) * glm::mat4_cast(r) * glm::scale(glm::dmat4(1.0), s);
}

TEST(GlbExport, AnimatedTitleOverARangeMatchesItsFirstAndLastFrames) {
    test::TempDir dir;
    // In points, as the OBJ files are.
    for (std::string args :
         {"-o " + dir.file("world.glb") + " --frames 0-12 --scale 1",
          "-o " + dir.file("local.glb") + " --frames 0-12 --local --scale 1",
          "-o " + dir.file("first.obj") + " --frame 0", "-o " + dir.file("last.obj") + " --frame 12"}) {
        test::Outcome r = formwright(dir, "export " + kAnimated + " " + args);
        ASSERT_EQ(r.status, 0) << args << ": " << r.err;
    }
    std::vector<test::Triangle> first = objTriangles(dir.file("first.obj"));
    std::vector<test::Triangle> last = objTriangles(dir.file("last.obj"));
    ASSERT_GT(first.size(), 100u);
    ASSERT_NE(test::compareTriangles(first, last, 1e-3), "") << "the example moves between these frames";

    // World coordinates: the meshes stand where the first frame put them, the nodes at
    // identity; the animation carries them to the last frame.
    tinygltf::Model world = test::loadGlb(dir.file("world.glb"));
    EXPECT_EQ(test::compareTriangles(first, sceneTriangles(world, [](int) { return glm::dmat4(1.0); }), 2e-3), "");
    EXPECT_EQ(test::compareTriangles(last, sceneTriangles(world, [&](int n) { return lastSample(world, n); }), 2e-3),
              "");
    // Object coordinates: each node's own transform, then its animation.
    tinygltf::Model local = test::loadGlb(dir.file("local.glb"));
    ASSERT_EQ(local.nodes.size(), world.nodes.size());
    EXPECT_EQ(
        test::compareTriangles(
            first, sceneTriangles(local, [&](int n) { return test::nodeMatrix(local.nodes[static_cast<size_t>(n)]); }),
            2e-3),
        "");
    EXPECT_EQ(test::compareTriangles(last, sceneTriangles(local, [&](int n) { return lastSample(local, n); }), 2e-3),
              "");

    // Thirteen samples from 0 on, a frame's time apart.
    ASSERT_EQ(local.animations.size(), 1u);
    const tinygltf::AnimationSampler& sampler = local.animations[0].samplers.at(0);
    std::vector<double> times = test::floatsOf(local, sampler.input);
    ASSERT_EQ(times.size(), 13u);
    EXPECT_EQ(times[0], 0.0);
    for (size_t i = 1; i < times.size(); ++i) EXPECT_NEAR(times[i], times[1] * static_cast<double>(i), 1e-6);
    EXPECT_GT(times[1], 0.0);

    EXPECT_VALID_GLTF(dir.file("local.glb"));
    EXPECT_VALID_GLTF(dir.file("world.glb"));
}

TEST(GlbExport, TextCommandWritesATitleAsGlb) {
    test::TempDir dir;
    test::Outcome glb = formwright(dir, "text Hi -o " + dir.file("hi.glb"));
    ASSERT_EQ(glb.status, 0) << glb.err;
    test::Outcome obj = formwright(dir, "text Hi -o " + dir.file("hi.obj"));
    ASSERT_EQ(obj.status, 0) << obj.err;
    tinygltf::Model model = test::loadGlb(dir.file("hi.glb"));
    EXPECT_EQ(model.nodes.size(), 2u) << "one node per letter";
    EXPECT_TRUE(model.animations.empty());
    // The .glb is in metres, the OBJ in points.
    const glm::dmat4 toPoints = glm::scale(glm::dmat4(1.0), glm::dvec3(72 / 0.0254));
    EXPECT_EQ(test::compareTriangles(
                  objTriangles(dir.file("hi.obj")),
                  sceneTriangles(
                      model, [&](int n) { return toPoints * test::nodeMatrix(model.nodes[static_cast<size_t>(n)]); }),
                  2e-3),
              "");
    EXPECT_VALID_GLTF(dir.file("hi.glb"));
}

}  // namespace
}  // namespace fw
