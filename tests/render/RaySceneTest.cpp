// The nearest-hit structure: rays traced together answer as rays traced one by one,
// and kept across the frames of a sequence it is refitted while only transforms
// change, built again when the geometry does, and either way traces the picture a
// fresh structure gives.
#include "render/RayScene.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
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
    // A row of 37 rays (two packets and a part) across both boxes and past them.
    std::vector<glm::vec3> origins, directions;
    for (int k = 0; k < 37; ++k) {
        origins.emplace_back(-2.2f + k * 0.12f, 0.3f, 10.0f);
        directions.emplace_back(0.0f, 0.0f, -1.0f);
    }
    std::vector<RayScene::Hit> hits(origins.size());
    std::unique_ptr<bool[]> found(new bool[origins.size()]);
    rays.intersectCoherent(37, origins.data(), directions.data(), hits.data(), found.get());
    std::set<int> objects;
    for (size_t k = 0; k < origins.size(); ++k) {
        RayScene::Hit one;
        ASSERT_EQ(found[k], rays.intersect(origins[k], directions[k], -1, one)) << k;
        objects.insert(found[k] ? one.item : -1);
        if (!found[k]) continue;
        EXPECT_EQ(hits[k].item, one.item);
        EXPECT_EQ(hits[k].triangle, one.triangle);
        EXPECT_EQ(hits[k].distance, one.distance);
        EXPECT_EQ(hits[k].normal, one.normal);
        EXPECT_EQ(hits[k].uv, one.uv);
    }
    EXPECT_EQ(objects, (std::set<int>{-1, 0, 1}));

    EXPECT_TRUE(rays.occluded({0, 0, 10}, {0, 0, -1}, -1));
    EXPECT_FALSE(rays.occluded({0, 0, 10}, {0, 0, -1}, 8.5f));  // short of the near box
    EXPECT_FALSE(rays.occluded({0, 0, 10}, {0, 0, 1}, -1));
    EXPECT_TRUE(rays.occluded({0, 0, -2}, {0, 0, -1}, 10));  // behind the near box, the far one
}

TEST(RayScene, FramesThatOnlyMoveObjectsRefitAndDrawWhatAFreshStructureDraws) {
    SceneX scene;
    auto* camera = new CameraX(scene, "Cam");
    camera->translate[1] = 6;
    camera->translate[2] = 10;
    camera->rotate[0] = -35;
    auto* ground = new test::TestBox(scene, "Ground", 8, 0.2, 8);
    ground->translate[1] = -1.5;
    auto* block = new test::TestBox(scene, "Block", 1, 1, 1);
    auto* sun = new LightX(scene, nullptr);
    sun->setType(Light::kDirectional);
    sun->rotate[0] = -60;
    sun->shadow = true;
    RenderFrame frame;
    frame.width = 160;
    frame.height = 120;
    RayTracer::Settings settings;
    settings.antiAlias = 3;
    settings.refit = true;
    RayTracer sequence;
    sequence.setSettings(settings);
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
    auto* other = new test::TestBox(scene, "Other", 0.5, 0.5, 0.5);
    other->translate[0] = -2;
    const RenderImage third = draw(sequence);
    EXPECT_FALSE(sequence.statistics().refitted);
    EXPECT_EQ(sequence.statistics().objects, 3);
    EXPECT_LE(largestDifference(third, fresh(), differing), 1);
}

}  // namespace fw
