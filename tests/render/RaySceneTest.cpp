// The draw list without OpenGL (what a frame draws, with which materials, in what order), and the nearest-hit structure
// built from it: what a hit hands back, rays traced together as one by one, running out of storage, and, kept across a
// sequence, refitted while only transforms change and rebuilt when the geometry does, tracing what a fresh one does.
#include "render/RayScene.h"

#include "Frames.h"
#include "render/DrawList.h"
#include "render/RayTracer.h"
#include "scene/Group.h"

namespace fw {

// Left out: hidden objects, and visible ones below a hidden group.
TEST(DrawList, GathersVisibleObjectsInSceneOrderThenDrawsOpaqueFirstAndTransparentFromTheBack) {
    SceneX scene;
    (new test::TestBox(scene, "Hidden"))->setFlag(DAGNode::kVisible, false);
    (new Group(scene, "Folder"))->setFlag(DAGNode::kVisible, false);
    (new test::TestBox(scene, "Inside"))->setParent("Folder");
    for (auto [name, z] : {std::pair{"Solid", 0.0}, {"NearGlass", -5.0}, {"FarGlass", -20.0}, {"MiddleTint", -10.0}})
        (new test::TestBox(scene, name))->translate[2] = z;
    auto* front = new test::TestBox(scene, "Front", 1, 4, 1);
    front->translate[0] = 10;
    front->translate[2] = 2;
    DrawList list;
    list.gather(scene);
    auto order = [&] {
        std::vector<std::string> seen;
        for (const DrawList::Item& item : list.items()) seen.push_back(item.object->name());
        return seen;
    };
    EXPECT_EQ(order(), (std::vector<std::string>{"Solid", "NearGlass", "FarGlass", "MiddleTint", "Front"}));
    for (const DrawList::Item& item : list.items()) {
        ASSERT_EQ(item.parts.size(), 1u);
        EXPECT_EQ(item.parts[0].triangles.size(), 6u * 2 * 3);  // six quads, two triangles each
        EXPECT_EQ(item.parts[0].material, &BakedMaterial::fallback());
    }
    std::array<double, 6> box;
    list.bounds(box.data());
    EXPECT_EQ(box, (std::array<double, 6>{-1, -2, -21, 10.5, 2, 2.5}));
    DrawList empty;
    empty.bounds(box.data());
    EXPECT_GT(box[0], box[3]);
    BakedMaterial glass;
    glass.surface[0].color = BakedMaterial::Texture::solid(1, 1, 1, 1);
    glass.surface[0].opacity = 0.5f;
    BakedMaterial tinted;  // opaque by amount, but its colour texture lets light through
    tinted.surface[0].color = BakedMaterial::Texture::solid(1, 0, 0, 0.5f);
    const std::map<std::string, const BakedMaterial*> wears = {
        {"NearGlass", &glass}, {"FarGlass", &glass}, {"MiddleTint", &tinted}};
    list.assignMaterials([&](Object& object, int) -> const BakedMaterial* {
        auto it = wears.find(object.name());
        return it == wears.end() ? nullptr : it->second;
    });
    list.sortForDrawing(glm::dvec3(0, 0, 10));
    EXPECT_EQ(order(), (std::vector<std::string>{"Solid", "Front", "FarGlass", "MiddleTint", "NearGlass"}));
    EXPECT_EQ(std::tuple(list.items()[1].transparent, list.items()[2].transparent, list.items()[3].parts[0].material),
              std::tuple(false, true, &tinted));
}

// Out of storage the build fails with the structure's message and hits nothing; without the limit the same list builds.
TEST(RayScene, RunningOutOfStorageFailsAndRaysTracedTogetherOrAsFeelersAgreeWithSingleHits) {
    SceneX scene;
    new test::TestBox(scene, "Near");
    (new test::TestBox(scene, "Far", 3, 3, 1))->translate[2] = -5;
    DrawList list;
    list.gather(scene);
    RayScene rays;
    std::string error;
    RayScene::Hit hit;
    rays.setStorageLimit(4096);
    EXPECT_FALSE(rays.build(list, error));
    EXPECT_TRUE(error == RayScene::kAllocationFailed || error == RayScene::kStorageOverflow) << error;
    EXPECT_FALSE(rays.intersect({0, 0, 10}, {0, 0, -1}, -1, hit));
    rays.setStorageLimit(0);
    ASSERT_TRUE(rays.build(list, error)) << error;
    EXPECT_EQ(rays.triangleCount(), 24u);
    ASSERT_TRUE(rays.intersect({0.5f, -0.25f, 10}, {0, 0, -1}, -1, hit));
    EXPECT_EQ(std::pair(hit.item, hit.part), std::pair(0, 0));
    // The near box's front face at z = 1, its square running 0..1 across its 2 x 2 side.
    test::expectNear({hit.distance, hit.normal.z, hit.uv.x, hit.uv.y}, {9, 1, 0.75, 0.375}, 1e-5);
    // Bounded short of the box: nothing; from behind the near box: the far one.
    EXPECT_FALSE(rays.intersect({0, 0, 10}, {0, 0, -1}, 8.5f, hit));
    ASSERT_TRUE(rays.intersect({0, 0, -2}, {0, 0, -1}, -1, hit));
    EXPECT_EQ(hit.item, 1);
    EXPECT_NEAR(hit.distance, 2.5f, 1e-5f);
    EXPECT_FALSE(rays.intersect({5, 5, 10}, {0, 0, -1}, -1, hit));
    // A row of 37 rays (two packets and a part) across both boxes and past them.
    std::vector<glm::vec3> origins, directions(37, glm::vec3(0, 0, -1));
    for (int k = 0; k < 37; ++k) origins.emplace_back(-2.2f + k * 0.12f, 0.3f, 10.0f);
    std::vector<RayScene::Hit> hits(origins.size());
    std::unique_ptr<bool[]> found(new bool[origins.size()]);
    rays.intersectCoherent(37, origins.data(), directions.data(), hits.data(), found.get());
    auto fields = [](const RayScene::Hit& h) { return std::tie(h.item, h.triangle, h.distance, h.normal, h.uv); };
    std::set<int> items;
    for (size_t k = 0; k < origins.size(); ++k) {
        RayScene::Hit one;
        ASSERT_EQ(found[k], rays.intersect(origins[k], directions[k], -1, one)) << k;
        items.insert(found[k] ? one.item : -1);
        if (!found[k]) continue;
        EXPECT_EQ(fields(hits[k]), fields(one)) << k;
    }
    EXPECT_EQ(items, (std::set<int>{-1, 0, 1}));
    EXPECT_TRUE(rays.occluded({0, 0, 10}, {0, 0, -1}, -1));
    EXPECT_FALSE(rays.occluded({0, 0, 10}, {0, 0, -1}, 8.5f));  // short of the near box
    EXPECT_FALSE(rays.occluded({0, 0, 10}, {0, 0, 1}, -1));
    EXPECT_TRUE(rays.occluded({0, 0, -2}, {0, 0, -1}, 10));  // behind the near box, the far one
}

class RaySceneFrames : public test::Frames {};

TEST_F(RaySceneFrames, FramesThatOnlyMoveObjectsRefitAndDrawWhatAFreshStructureDraws) {
    addShadowScene(-60);
    auto* block = dynamic_cast<test::TestBox*>(scene.findMember("Block"));
    frame.width = 160;
    frame.height = 120;
    RayTracer sequence;
    sequence.setSettings({.antiAlias = 3, .refit = true});
    auto fresh = [&] {
        RayTracer tracer;
        tracer.setSettings(RayTracer::Settings{.antiAlias = 3});
        return draw(tracer);
    };
    const RenderImage first = draw(sequence);
    EXPECT_EQ(std::tuple(sequence.statistics().refitted, sequence.statistics().objects), std::tuple(false, 2));
    block->translate[0] = 1.5;
    block->rotate[1] = 30;
    const RenderImage second = draw(sequence);
    EXPECT_TRUE(sequence.statistics().refitted);
    EXPECT_LE(largestDifference(second, fresh()), 1);
    // The block and its shadow really moved.
    int differing = 0;
    largestDifference(first, second, &differing);
    EXPECT_GT(differing, 500);
    // New geometry cannot be refitted: the structure is built again.
    (new test::TestBox(scene, "Other", 0.5, 0.5, 0.5))->translate[0] = -2;
    const RenderImage third = draw(sequence);
    EXPECT_EQ(std::tuple(sequence.statistics().refitted, sequence.statistics().objects), std::tuple(false, 3));
    EXPECT_LE(largestDifference(third, fresh()), 1);
}

}  // namespace fw
