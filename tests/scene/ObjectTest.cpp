// Object's bounds ports fed by a concrete class's geometry, and its stored form. The world vertex, normal, gradient and
// element ports have no consumer in src/; the display mesh is packed as tests/mesh checks and drawn as tests/geometry
// checks.
#include "scene/Object.h"

#include <gtest/gtest.h>

#include <string>

#include "GeometryText.h"
#include "MemoryStream.h"
#include "TestBox.h"
#include "scene/SceneX.h"

namespace fw {

TEST(Object, PortsFollowTheGeometryAndTheTransform) {
    SceneX scene;
    auto* solid = new test::TestBox(scene, "Cube");
    double box[6];
    solid->localBounds(kRenderMode, box);
    EXPECT_EQ(std::pair(box[0], box[5]), std::pair(-1.0, 1.0));
    solid->localBounds(kRenderMode, box);
    EXPECT_EQ(solid->port.computes, 1);
    solid->translate[0] = 10;
    solid->worldBounds(kRenderMode, box);
    EXPECT_EQ(std::pair(box[0], box[3]), std::pair(9.0, 11.0));
    solid->resize(4, 4, 4);  // the source changes: every consumer recomputes on request
    solid->localBounds(kPreviewMode, box);
    EXPECT_EQ(box[3], 2.0);
    EXPECT_EQ(solid->port.computes, 2);
}

TEST(Object, StoredFormWritesOnlyWhatIsSet) {
    SceneX scene;
    auto* solid = new test::TestBox(scene, "Cube");
    // The block's order is pinned by Conformance.EveryHandWrittenFileResavesToItsBytes (tests/app).
    solid->setObjectFlags(Object::kHasFragments);
    solid->fragmentCount = 12;
    solid->hardShadingAngle = 30;
    solid->mapRepeatY = 0;
    const std::string text = test::writtenBlock(*solid);
    test::expectContains(text, {"  has_fragments 1\n  num_fragments 12\n  hardShadingAngle 30.000000\n  mapAutoFit 1\n",
                                "  mapRepeatY 0\n"});
    test::expectLacks(text, {"is_fragment"});
}

// Object::mapX and mapY have no caller in src/; the mapping's lines are what the program keeps.
TEST(Object, MappingAndFragmentKeywordsReadAndWrite) {
    SceneX scene;
    auto* solid = new test::TestBox(scene, "Cube");
    std::string diagnostic;
    ASSERT_EQ(test::readLines(*solid, "mapAutoFit 0\nmapScale 2 0.000001 1\nmapPosition 0.5 -1 0\nmapRotation 45\n"
                                      "mapProportional 0\nis_fragment 1\nfragment_index 3\nanimate_fragments 1\n",
                              &diagnostic), 0) << diagnostic;
    EXPECT_EQ(solid->objectFlags(), 128u | Object::kIsFragment);
    test::expectContains(test::writtenBlock(*solid),
                         {"  is_fragment 1\n  fragment_index 3\n",
                          "  mapAutoFit 0\n  mapType 0\n  mapScale 2.000000 0.000001 1.000000\n"
                          "  mapPosition 0.500000 -1.000000 0.000000\n  mapRotation 45.000000\n"});
}

}  // namespace fw
