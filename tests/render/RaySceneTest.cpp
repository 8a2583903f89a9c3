// The nearest-hit structure: what a hit hands back, rays traced together answering as
// rays traced one by one, running out of storage, and, kept across the frames of a
// sequence, refitted while only transforms change and built again when the geometry
// does, either way tracing the picture a fresh structure gives.
#include "render/RayScene.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "TestBox.h"
#include "render/CameraX.h"
#include "render/DrawList.h"
#include "render/LightX.h"
#include "render/RayTracer.h"
#include "scene/SceneX.h"

namespace fw {

namespace {

// The largest difference of any channel, and how many bytes differ at all.
int largestDifference(const RenderImage& a, const RenderImage& b, int& differing) {
    int largest = 0;
    differing = 0;
    for (size_t i = 0; i < a.rgba.size(); ++i) {
        const int d = std::abs(static_cast<int>(a.rgba[i]) - static_cast<int>(b.rgba[i]));
        largest = std::max(largest, d);
        differing += d > 0;
    }
    return largest;
}

}  // namespace

TEST(RayScene, RaysTracedTogetherAndShadowFeelersAgreeWithSingleNearestHits) {
    SceneX scene;
    new test::TestBox(scene, "Near");
    (new test::TestBox(scene, "Far", 3, 3, 1))->translate[2] = -5;
    DrawList list;
    list.gather(scene);
    RayScene rays;
    std::string error;
    ASSERT_TRUE(rays.build(list, error)) << error;
    EXPECT_EQ(rays.triangleCount(), 24u);

    RayScene::Hit hit;
    ASSERT_TRUE(rays.intersect({0.5f, -0.25f, 10}, {0, 0, -1}, -1, hit));
    EXPECT_EQ(hit.item, 0);
    EXPECT_EQ(hit.part, 0);
    EXPECT_NEAR(hit.distance, 9.0f, 1e-5f);  // the near box's front face at z = 1
    EXPECT_NEAR(hit.position.z, 1.0f, 1e-5f);
    EXPECT_NEAR(hit.normal.z, 1.0f, 1e-5f);
    // The front face's square runs 0..1 across its 2 x 2 side.
    EXPECT_NEAR(hit.uv.x, 0.75f, 1e-5f);
    EXPECT_NEAR(hit.uv.y, 0.375f, 1e-5f);
    // Bounded short of the box: nothing; from behind the near box: the far one.
    EXPECT_FALSE(rays.intersect({0, 0, 10}, {0, 0, -1}, 8.5f, hit));
    ASSERT_TRUE(rays.intersect({0, 0, -2}, {0, 0, -1}, -1, hit));
    EXPECT_EQ(hit.item, 1);
    EXPECT_NEAR(hit.distance, 2.5f, 1e-5f);
    EXPECT_FALSE(rays.intersect({5, 5, 10}, {0, 0, -1}, -1, hit));

    // A row of 37 rays (two packets and a part) across both boxes and past them.
    std::vector<glm::vec3> origins, directions;
    for (int k = 0; k < 37; ++k) {
        origins.emplace_back(-2.2f + k * 0.12f, 0.3f, 10.0f);
        directions.emplace_back(0.0f, 0.0f, -1.0f);
    }
    std::vector<RayScene::Hit> hits(origins.size());
    std::unique_ptr<bool[]> found(new bool[origins.size()]);
    rays.intersectCoherent(37, origins.data(), directions.data(), hits.data(), found.get());
    std::set<int> items;
    for (size_t k = 0; k < origins.size(); ++k) {
        RayScene::Hit one;
        ASSERT_EQ(found[k], rays.intersect(origins[k], directions[k], -1, one)) << k;
        items.insert(found[k] ? one.item : -1);
        if (!found[k]) continue;
        EXPECT_EQ(hits[k].item, one.item);
        EXPECT_EQ(hits[k].triangle, one.triangle);
        EXPECT_EQ(hits[k].distance, one.distance);
        EXPECT_EQ(hits[k].normal, one.normal);
        EXPECT_EQ(hits[k].uv, one.uv);
    }
    EXPECT_EQ(items, (std::set<int>{-1, 0, 1}));

    EXPECT_TRUE(rays.occluded({0, 0, 10}, {0, 0, -1}, -1));
    EXPECT_FALSE(rays.occluded({0, 0, 10}, {0, 0, -1}, 8.5f));  // short of the near box
    EXPECT_FALSE(rays.occluded({0, 0, 10}, {0, 0, 1}, -1));
    EXPECT_TRUE(rays.occluded({0, 0, -2}, {0, 0, -1}, 10));  // behind the near box, the far one
}

TEST(RayScene, RunningOutOfStorageFailsWithTheStructuresMessages) {
    SceneX scene;
    for (int i = 0; i < 50; ++i) (new test::TestBox(scene, ("Box" + std::to_string(i)).c_str()))->translate[0] = i * 3;
    DrawList list;
    list.gather(scene);
    RayScene rays;
    rays.setStorageLimit(4096);
    std::string error;
    EXPECT_FALSE(rays.build(list, error));
    EXPECT_TRUE(error == RayScene::kAllocationFailed || error == RayScene::kStorageOverflow) << error;
    RayScene::Hit hit;
    EXPECT_FALSE(rays.intersect({0, 0, 10}, {0, 0, -1}, -1, hit));
    // Without the limit the same list builds.
    rays.setStorageLimit(0);
    EXPECT_TRUE(rays.build(list, error));
    EXPECT_TRUE(rays.intersect({0, 0, 10}, {0, 0, -1}, -1, hit));
}

TEST(RayScene, FramesThatOnlyMoveObjectsRefitAndDrawWhatAFreshStructureDraws) {
    SceneX scene;
    auto* camera = new CameraX(scene, "Cam");
    camera->translate[1] = 6;
    camera->translate[2] = 10;
    camera->rotate[0] = -35;
    (new test::TestBox(scene, "Ground", 8, 0.2, 8))->translate[1] = -1.5;
    auto* block = new test::TestBox(scene, "Block", 1, 1, 1);
    auto* sun = new LightX(scene, nullptr);
    sun->setType(Light::kDirectional);
    sun->rotate[0] = -60;
    sun->shadow = true;
    RenderFrame frame;
    frame.width = 160;
    frame.height = 120;
    RayTracer sequence;
    sequence.setSettings({.antiAlias = 3, .refit = true});
    auto draw = [&](RayTracer& tracer) {
        RenderImage image;
        std::string error;
        EXPECT_TRUE(tracer.render(scene, *camera, frame, image, error)) << error;
        return image;
    };
    auto fresh = [&] {
        RayTracer tracer;
        tracer.setSettings(RayTracer::Settings{.antiAlias = 3});
        return draw(tracer);
    };

    const RenderImage first = draw(sequence);
    EXPECT_FALSE(sequence.statistics().refitted);
    EXPECT_EQ(sequence.statistics().objects, 2);  // one geometry per box

    block->translate[0] = 1.5;
    block->rotate[1] = 30;
    const RenderImage second = draw(sequence);
    EXPECT_TRUE(sequence.statistics().refitted);
    int differing = 0;
    EXPECT_LE(largestDifference(second, fresh(), differing), 1);
    // The block and its shadow really moved.
    largestDifference(first, second, differing);
    EXPECT_GT(differing, 500);

    // New geometry cannot be refitted: the structure is built again.
    (new test::TestBox(scene, "Other", 0.5, 0.5, 0.5))->translate[0] = -2;
    const RenderImage third = draw(sequence);
    EXPECT_FALSE(sequence.statistics().refitted);
    EXPECT_EQ(sequence.statistics().objects, 3);
    EXPECT_LE(largestDifference(third, fresh(), differing), 1);
}

}  // namespace fw
