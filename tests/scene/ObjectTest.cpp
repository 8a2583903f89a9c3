// Object's ports fed by a concrete class's geometry, and its stored form.
#include "scene/Object.h"

#include "GeometryText.h"
#include "MemoryStream.h"
#include "TestBox.h"
#include "mesh/PackedObjDB.h"
#include "scene/SceneX.h"

namespace fw {

TEST(Object, PortsFollowTheGeometryAndTheTransformAndGradientsTheTextureAxes) {
    SceneX scene;
    auto* solid = new test::TestBox(scene, "Cube");
    for (const char* name : {"Preview2DBounds", "PreviewBounds", "RenderBounds", "RenderDisplayGeometry",
                             "PreviewWorldVertex", "RenderWorldNormal", "Preview2DGradients"})
        EXPECT_NE(solid->findPort(name), nullptr) << name;
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
    EXPECT_EQ(std::pair(box[3], solid->port.computes), std::pair(2.0, 2));
    Object::WorldCoordinateSettings world;
    world.matrix[12] = 10;  // the node's world transform as the renderer hands it in
    auto* points = static_cast<std::vector<double>*>(solid->worldVertexPort(kRenderMode).get(&world));
    ASSERT_EQ(points ? points->size() : 0, 24u);
    EXPECT_EQ((*points)[0], 8.0);
    auto* normals = static_cast<std::vector<double>*>(solid->worldNormalPort(kRenderMode).get(&world));
    ASSERT_EQ(normals->size(), 18u);
    EXPECT_EQ((*normals)[2], -1.0);
    // The display geometry packs the box, and gradients follow the texture axes.
    PackedObjDB* packed = solid->displayGeometry(kRenderMode);
    ASSERT_NE(packed, nullptr);
    // 8 corners, each on 3 faces with its own normal.
    EXPECT_EQ(std::pair(packed->vertexCount(), packed->elementCount()), std::pair(24, 6));
    const auto* g = solid->gradients(kPreviewMode);
    // Corner 0 lies on the bottom, front and left faces; on the front face (lowest y) u runs along +x and v along +z.
    ASSERT_EQ(g ? g->du.size() : 0, 24u);
    double length = 0;
    for (int a = 0; a < 3; ++a) length += g->du[a] * g->du[a];
    EXPECT_NEAR(length, 1.0, 1e-12);
}

TEST(Object, StoredFormWritesOnlyWhatIsSet) {
    SceneX scene;
    auto* solid = new test::TestBox(scene, "Cube");
    // The block's order is pinned by Conformance.EveryHandWrittenFileResavesToItsBytes… (tests/app).
    solid->setObjectFlags(Object::kHasFragments);
    solid->fragmentCount = 12;
    solid->hardShadingAngle = 30;
    solid->mapRepeatY = 0;
    const std::string text = test::writtenBlock(*solid);
    test::expectContains(text, {"  has_fragments 1\n  num_fragments 12\n  hardShadingAngle 30.000000\n  mapAutoFit 1\n",
                                "  mapRepeatY 0\n"});
    test::expectLacks(text, {"is_fragment"});
}

TEST(Object, MappingKeywordsAndCoordinateMapping) {
    SceneX scene;
    auto* solid = new test::TestBox(scene, "Cube");
    EXPECT_EQ(solid->mapX(3.0), 3.0);  // off: unchanged
    std::string diagnostic;
    ASSERT_EQ(test::readLines(*solid, "mapAutoFit 0\nmapScale 2 0.000001 1\nmapPosition 0.5 -1 0\nmapRotation 45\n"
                                      "mapProportional 0\nis_fragment 1\nfragment_index 3\nanimate_fragments 1\n",
                              &diagnostic), 0) << diagnostic;
    EXPECT_TRUE(solid->mappingEnabled());
    EXPECT_EQ(solid->mapX(3.0), 1.0);  // divided by 2, less 0.5
    EXPECT_EQ(solid->mapY(3.0), 4.0);  // a scale below 1e-5 does not divide
    EXPECT_EQ(solid->objectFlags(), 128u | Object::kIsFragment);
    test::expectContains(test::writtenBlock(*solid),
                         {"  is_fragment 1\n  fragment_index 3\n",
                          "  mapAutoFit 0\n  mapType 0\n  mapScale 2.000000 0.000001 1.000000\n"
                          "  mapPosition 0.500000 -1.000000 0.000000\n  mapRotation 45.000000\n"});
}

}  // namespace fw
