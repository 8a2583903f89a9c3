// Material stacks: the stored form of items, custom-material detection, renames,
// texture mapping by every style family, tiling and compositing of items.
#include "surface/MaterialStack.h"

#include <gtest/gtest.h>

#include <cmath>

#include "BlockFile.h"
#include "TempDir.h"
#include "scene/SceneX.h"
#include "surface/MaterialX.h"

namespace fw {
namespace {

class MaterialStacks : public ::testing::Test {
protected:
    std::string write(MaterialStack& stack) { return test::writeBlockFile(stack, dir.file("s.txt")); }

    test::TempDir dir;
    SceneX scene;
};

TEST_F(MaterialStacks, ItemsReadBackUnderTheirOwnAndOlderNames) {
    MaterialStack stack(scene);
    stack.addItem("Chrome");
    MaterialStackItem& decal = stack.addItem("Label");
    decal.applySpread = true;
    decal.applyWidth = 50;
    decal.applyCenter[1] = 2.5;
    decal.applyObjectMatrix[3] = 10;  // a translation along x
    decal.mappingStyle = MaterialStackItem::kCylindricalY;
    decal.blendingStyle = BlendMode::kOverlay;
    decal.blendingAmount = 0.5;
    decal.tilingStyle = MaterialStackItem::kNoneClip;
    decal.tilingX = 2;
    Placement t;
    t.translate[0] = 0.25;
    decal.setTransform(t);
    // The layout is resaved byte for byte from the conformance scene; the names here are not in it.
    std::string bytes = write(stack);
    EXPECT_NE(bytes.find("   blendingStyle \"Overlay\"\n   tilingStyle \"NoneClip\"\n"), std::string::npos) << bytes;
    MaterialStack back(scene);
    ASSERT_EQ(test::readInto(back, dir.file("s.txt")), 0);
    EXPECT_TRUE(back == stack);
    EXPECT_TRUE(back.item(1).hasTransform());
    EXPECT_EQ(write(back), bytes);

    // Older and looser names; unknown names fall back to the defaults.
    MaterialStack loose(scene);
    ASSERT_EQ(test::readTextInto(loose, dir.file("in.txt"),
                                 "begin MaterialStack\n begin MaterialStackItem\n  mappingStyle \"PlanarNYLocal\"\n"
                                 "  blendingStyle \"Soft Light\"\n  tilingStyle \"Mirror\"\n end MaterialStackItem\n"
                                 " begin MaterialStackItem\n  mappingStyle \"Toroidal\"\n  blendingStyle \"Dodge\"\n"
                                 "  tilingStyle \"Wrap\"\n end MaterialStackItem\nend MaterialStack\n"),
              0);
    EXPECT_EQ(loose.item(0).mappingStyle, MaterialStackItem::kPlanarNY);
    EXPECT_EQ(loose.item(0).blendingStyle, BlendMode::kSoftLight);
    EXPECT_EQ(loose.item(0).tilingStyle, MaterialStackItem::kMirror);
    EXPECT_EQ(loose.item(1).mappingStyle, MaterialStackItem::kUVP);
    EXPECT_EQ(loose.item(1).blendingStyle, BlendMode::kNormal);
    EXPECT_EQ(loose.item(1).tilingStyle, MaterialStackItem::kRepeat);
    loose.item(1).mappingStyle = 40;
    EXPECT_NE(write(loose).find("mappingStyle \"UV\""), std::string::npos);

    MaterialStack bad(scene);
    EXPECT_EQ(test::readTextInto(bad, dir.file("bad.txt"), "begin MaterialStack\n begin ShaderBlock\n"), -1);
}

TEST_F(MaterialStacks, CustomMaterialsAndRenames) {
    auto* chrome = new MaterialX(scene, "Chrome");
    MaterialStack stack(scene);
    EXPECT_FALSE(stack.hasCustomMaterial());
    stack.addItem("defaultMtl");
    EXPECT_FALSE(stack.hasCustomMaterial());
    stack.addItem("Chrome");
    EXPECT_TRUE(stack.hasCustomMaterial());
    EXPECT_EQ(stack.item(1).material(), chrome);
    stack.removeItem(0);
    EXPECT_TRUE(stack.hasCustomMaterial());
    chrome->setName("Mirror");
    EXPECT_EQ(stack.item(0).materialName(), "Mirror");
    EXPECT_NE(write(stack).find("material \"Mirror\""), std::string::npos);
    scene.clearUsedMarks();
    stack.markUsed();
    EXPECT_TRUE(chrome->used());
    // Assigned to a stack of another scene, the items name the materials there.
    SceneX other;
    auto* mirror = new MaterialX(other, "Mirror");
    MaterialStack copy(other);
    copy = stack;
    EXPECT_EQ(copy.item(0).material(), mirror);
    EXPECT_TRUE(copy == stack);
}

TEST_F(MaterialStacks, MappingStylesGiveTextureCoordinates) {
    MaterialStackItem item(scene);
    const double uv[2] = {0.3, 0.7}, up[3] = {0, 1, 0};
    auto at = [&](double x, double y, double z, const double* normal = nullptr) {
        const double p[3] = {x, y, z};
        double u, v;
        item.mapPoint(p, normal ? normal : up, uv, u, v);
        return std::pair<double, double>(u, v);
    };
    auto expectUV = [](std::pair<double, double> got, double u, double v) {
        EXPECT_NEAR(got.first, u, 1e-12);
        EXPECT_NEAR(got.second, v, 1e-12);
    };
    expectUV(at(5, 5, 5), 0.3, 0.7);  // UVP: the mesh's own
    item.mappingStyle = MaterialStackItem::kPlanarZ;
    item.applyWidth = 50;
    item.applyHeight = 200;
    expectUV(at(10, 20, 99), 0.7, 0.6);
    item.mappingStyle = MaterialStackItem::kPlanarX;
    expectUV(at(99, 20, 10), 0.3, 0.6);
    item.mappingStyle = MaterialStackItem::kPlanarNY;
    expectUV(at(10, 99, 20), 0.7, 0.4);
    item.applySpread = true;  // the larger size for both directions
    expectUV(at(10, 99, 20), 0.55, 0.4);
    item.applySpread = false;
    item.applyCenter[0] = 10;  // relative to the centre
    expectUV(at(10, 99, 20), 0.5, 0.4);
    item.mappingStyle = MaterialStackItem::kDrawing;  // the drawing's own plane
    expectUV(at(10, 20, 0), 0.7, 0.6);
    item.applyCenter[0] = 0;

    item.mappingStyle = MaterialStackItem::kSpherical;
    auto [u, v] = at(0, 0, -1);  // straight ahead: the middle of the seam side
    EXPECT_NEAR(u, 0.0, 1e-6);
    EXPECT_NEAR(v, 0.5, 1e-6);
    std::tie(u, v) = at(-1, 0, 0);
    EXPECT_NEAR(u, 0.25, 1e-6);
    std::tie(u, v) = at(0, 0, 1);
    EXPECT_NEAR(u, 0.5, 1e-6);
    EXPECT_EQ(at(0, 5, 0), std::make_pair(0.0, 1.0));   // pole
    EXPECT_EQ(at(0, -5, 0), std::make_pair(0.0, 0.0));
    item.mappingStyle = MaterialStackItem::kCylindricalZ;
    std::tie(u, v) = at(0, -3, 50);
    EXPECT_NEAR(u, 0.25, 1e-6);
    EXPECT_NEAR(v, 0.75, 1e-12);
    item.mappingStyle = MaterialStackItem::kCubic;
    const double left[3] = {-1, 0.2, 0.1}, right[3] = {1, 0.2, 0.1};
    expectUV(at(0, 20, 10, left), 0.7, 0.6);
    expectUV(at(0, 20, 10, right), 0.3, 0.6);  // mirrored on the other side

    // The fast angles stay close to the true ones.
    for (double a = -3.1; a < 3.1; a += 0.1)
        EXPECT_NEAR(MaterialStackItem::fastAtan2(std::sin(a), std::cos(a)), a, 0.075) << a;
    EXPECT_NEAR(MaterialStackItem::fastAsin(0.5), std::asin(0.5), 1e-12);
    EXPECT_NEAR(MaterialStackItem::fastAsin(-0.3), -std::asin(0.3), 1e-12);
    EXPECT_NEAR(MaterialStackItem::fastAsin(1.0), 1.57079635, 1e-12);
}

TEST_F(MaterialStacks, TilingWrapsMirrorsOrClips) {
    MaterialStackItem item(scene);
    auto tiled = [&](int style, double u, double v, bool* covered = nullptr) {
        item.tilingStyle = style;
        bool c = item.tile(u, v);
        if (covered) *covered = c;
        return std::make_pair(u, v);
    };
    item.tilingX = 2;
    item.tilingY = 1;
    auto [u, v] = tiled(MaterialStackItem::kRepeat, 0.7, -0.25);
    EXPECT_NEAR(u, 0.4, 1e-12);
    EXPECT_NEAR(v, 0.75, 1e-12);
    std::tie(u, v) = tiled(MaterialStackItem::kMirror, 0.7, -1.25);
    EXPECT_NEAR(u, 0.6, 1e-12);  // 1.4 lies in an odd period
    EXPECT_NEAR(v, 0.75, 1e-12);
    bool covered;
    tiled(MaterialStackItem::kNoneClip, 0.7, 0.5, &covered);
    EXPECT_FALSE(covered);
    EXPECT_EQ(tiled(MaterialStackItem::kNoneClip, 0.25, 0.5, &covered), std::make_pair(0.5, 0.5));
    EXPECT_TRUE(covered);
    EXPECT_EQ(tiled(MaterialStackItem::kNone, 1.5, -0.5, &covered), std::make_pair(1.5, -0.5));
    EXPECT_TRUE(covered);
    double cu = 1.5, cv = -0.5;
    item.tile(cu, cv, true);
    EXPECT_EQ(std::make_pair(cu, cv), std::make_pair(1.0, 0.0));
}

TEST_F(MaterialStacks, ItemsCompositeBottomUp) {
    MaterialStack stack(scene);
    stack.addItem("Base");
    stack.addItem("Tint").blendingStyle = BlendMode::kMultiply;
    stack.addItem("Glow").blendingStyle = BlendMode::kAdd;
    stack.item(2).blendingAmount = 0.5;
    const Rgba colours[] = {{0.8f, 0.6f, 0.4f, 1}, {0.5f, 0.5f, 1, 1}, {0.4f, 0.4f, 0.4f, 1}};
    Rgba c = stack.composite(colours, 3);
    // (0.8, 0.6, 0.4) tinted to (0.4, 0.3, 0.4), then half of 0.4 added over the rest.
    EXPECT_NEAR(c.r, 0.4 + 0.2, 1e-6);
    EXPECT_NEAR(c.g, 0.3 + 0.2, 1e-6);
    EXPECT_NEAR(c.b, 0.4 + 0.2, 1e-6);
    EXPECT_NEAR(c.a, 1.0, 1e-6);
}

}  // namespace
}  // namespace fw
