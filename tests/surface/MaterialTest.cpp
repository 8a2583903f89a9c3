// Materials: the stored form of every style, the older flat layout, equality and copies of layered materials,
// vertex-data needs and baking; then material stacks: reading items, custom-material detection and renames.
#include "surface/MaterialX.h"

#include "BlockFile.h"
#include "TempDir.h"
#include "TestImages.h"
#include "scene/MemberFactory.h"
#include "scene/SceneFile.h"
#include "scene/SceneX.h"
#include "surface/ImageFile.h"
#include "surface/ImageMap.h"
#include "surface/MaterialChannelBump.h"
#include "surface/MaterialChannelColor.h"
#include "surface/MaterialChannelReflectivity.h"
#include "surface/MaterialChannelSpecular.h"
#include "surface/MaterialChannelTransparency.h"
#include "surface/MaterialStack.h"
#include "surface/ShaderColor.h"
#include "surface/ShaderImage.h"
#include "surface/SurfaceClasses.h"

namespace fw {
namespace {

ShaderBlock& addColour(MaterialChannel& channel, float r, float g, float b, float a) {
    ShaderBlock& layer = channel.addLayer();
    layer.setShader(ShaderBlock::kRgbSlot, std::make_unique<ShaderColor>(r, g, b, a));
    return layer;
}

class Materials : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        registerSceneClasses();
        registerSurfaceClasses();
    }

    template <class Block>
    std::string write(Block& block) { return test::writeBlockFile(block, dir.file("m.txt")); }
    // Reads one "MaterialX" block into a new material of `into`; null when the read fails.
    MaterialX* read(const std::string& bytes, SceneX& into) {
        auto* made = new MaterialX(into, "material");
        return test::readTextInto(*made, dir.file("in.txt"), bytes) == 0 ? made : nullptr;
    }

    test::TempDir dir;
    SceneX scene;
};
class MaterialStacks : public Materials {};

TEST_F(Materials, EachStyleWritesItsOwnChannelsAndNeedsTheVertexDataAndRaysOfThoseItUses) {
    MaterialX m(scene, "M");
    const size_t expected[] = {5, 4, 5, 0, 0, 5, 5, 10};
    for (int style = Material::kStandard; style <= Material::kFresnel; ++style) {
        m.setStyle(style);
        const std::string bytes = write(m);
        size_t n = 0;
        for (size_t at = 0; (at = bytes.find("begin MaterialChannel", at)) != std::string::npos; ++at) ++n;
        EXPECT_EQ(n, expected[style]) << Material::kStyleNames.name(style);
    }
    // The lines of Fresnel, HiddenLine and Wireframe materials are resaved byte for byte from the conformance scene.
    m.setFresnelStart(0.25);  // still Fresnel, the loop's last style
    m.setFresnelEnd(0.75);
    EXPECT_DOUBLE_EQ(m.fresnelScale(), 2.0);
    for (int style : {Material::kHiddenLine, Material::kWireframe})
        for (bool ignores : {true, false}) {
            m.setStyle(style);
            m.ignoresLighting = ignores;
            EXPECT_EQ(m.respondsToLighting(), !ignores) << style;
            EXPECT_NE(write(m).find("  respondToLighting " + std::to_string(!ignores) + "\n"), std::string::npos);
        }
    for (int style : {Material::kAbsolute, Material::kStandard}) {
        m.setStyle(style);
        EXPECT_EQ(m.respondsToLighting(), style == Material::kStandard) << style;
    }
    // Vertex data and ray counts follow the channels the style uses.
    EXPECT_EQ(m.neededVertexData(), 1u);  // the colour channel is never trivial
    m.bumpChannel().amount = 0.5;
    EXPECT_EQ(m.neededVertexData(), 7u);
    m.setStyle(Material::kCartoon);
    EXPECT_EQ(m.neededVertexData(), 3u);
    m.bumpChannel().amount = 0;
    m.reflectivityChannel().raytraceAmount = 0.5;
    EXPECT_EQ(m.neededVertexData(), 5u);
    m.reflectivityChannel().raytraceAmount = 0;
    m.setStyle(Material::kFresnel);
    m.bumpChannel(1).amount = 1;
    EXPECT_EQ(m.neededVertexData(), 3u);  // the second surface counts under Fresnel
    m.setStyle(Material::kAbsolute);
    EXPECT_EQ(m.neededVertexData(), 1u);
    for (int style : {Material::kMatte, Material::kShadowCatcher}) {
        m.setStyle(style);
        m.bumpChannel().amount = 1;  // counts for neither
        EXPECT_EQ(m.neededVertexData(), 0u) << style;
    }
    m.setStyle(Material::kStandard);  // ray counts are capped on the used surfaces only
    m.transparencyChannel().setNumRays(64);
    m.reflectivityChannel().setNumRays(16);
    m.reflectivityChannel(1).setNumRays(36);
    m.clampRayCounts(9);
    EXPECT_EQ(std::tuple(m.transparencyChannel().numRays(), m.transparencyChannel().rayDirections().size(),
                         m.reflectivityChannel().numRays(), m.reflectivityChannel(1).numRays()),
              std::tuple(9, size_t(9), 9, 36));
    m.setStyle(Material::kFresnel);
    m.clampRayCounts(4);
    EXPECT_EQ(m.reflectivityChannel(1).numRays(), 4);
}

TEST_F(Materials, ReadingAppliesLinesInTheirPlace) {
    SceneX other;
    // respondToLighting before the style, or for another style, has no effect.
    MaterialX* m = nullptr;
    for (auto [lines, ignores] :
         {std::pair{" respondToLighting 0\n materialStyle \"Wireframe\"\n", false},
          {" materialStyle \"Cartoon\"\n respondToLighting 0\n", false},
          {" materialStyle \"HiddenLine\"\n respondToLighting 0\n fresnelEnd 0.5\n fresnelStart 0.5\n", true}}) {
        m = read(std::string("begin MaterialX\n") + lines + "end MaterialX\n", other);
        ASSERT_NE(m, nullptr) << lines;
        EXPECT_EQ(m->ignoresLighting, ignores) << lines;
    }
    EXPECT_EQ(m->fresnelScale(), 1.0);  // HiddenLine's equal ends
    m = read("begin MaterialX\n materialStyle \"Plastic\"\n begin MaterialChannelBump 1\n amount 0.5\n"
             " end MaterialChannelBump\nend MaterialX\n", other);
    ASSERT_NE(m, nullptr);
    // Surface 1's bump is kept though Standard does not show it.
    EXPECT_EQ(std::tuple(m->style(), m->bumpChannel(1).amount, m->bumpChannel(0).amount),
              std::tuple(Material::kStandard, 0.5, 0.0));
    EXPECT_EQ(read("begin MaterialX\n begin ShaderBlock 0\nend MaterialX\n", other), nullptr);
}

TEST_F(Materials, OlderFlatLayoutIsConverted) {
    test::writeFile(dir.file("old.scene"),
                    "begin SceneX\nbegin MaterialX\n name \"Old\"\n style CARTOON\n diffuse 0.2 0.4 0.6\n"
                    " ambient 0.1 0.1 0.1\n ambientFlag 1\n diffuseFlag 1\n specular 40 0.7\n specularFlag 1\n"
                    " transparency 0.25\n transparencyFlag 0\n reflectivity 0.5\n"
                    " colorMap \"C:\\tex\\wood.png\"\n colorMapFlag 0\n bumpMap \"|ExtMap3\" 0.4\n"
                    " specularMapFlag 0\n lineWidth2 2\n thickenSilhouette 1\nend MaterialX\nend SceneX\n");
    SceneFile::Loaded loaded = SceneFile::load(dir.file("old.scene"));
    ASSERT_TRUE(loaded.scene) << loaded.error;
    EXPECT_TRUE(loaded.warnings.empty()) << loaded.warnings.front();  // every value consumed
    SceneX& old = *loaded.scene;
    auto* m = dynamic_cast<MaterialX*>(old.findMember("Old"));
    ASSERT_NE(m, nullptr);
    const float* c = m->colorChannel().color;
    EXPECT_EQ(std::vector<float>(c, c + 4), (std::vector<float>{0.2f, 0.4f, 0.6f, 1}));
    EXPECT_EQ(std::tuple(m->style(), m->specularChannel().sharpness, m->specularChannel().brightness,
                         m->transparencyChannel().amount, m->reflectivityChannel().amount, m->bumpChannel().amount),
              std::tuple(Material::kCartoon, 40.0, 0.7, 0.25, 0.5, 0.4));
    // The file gets an image file and a map of its own; the layer is switched off.
    ASSERT_EQ(m->colorChannel().layerCount(), 1);
    EXPECT_FALSE(m->colorChannel().layer(0).active);
    auto* image = static_cast<ShaderImage*>(m->colorChannel().layer(0).rgbShader());
    ASSERT_NE(image->imageMap(), nullptr);
    EXPECT_EQ(std::pair(image->image(), image->imageMap()->filePath()),
              (std::pair<std::string, std::string>("ImageMap.1", "C:\\tex\\wood.png")));
    ASSERT_EQ(m->bumpChannel().layerCount(), 1);
    EXPECT_EQ(static_cast<ShaderImage*>(m->bumpChannel().layer(0).rgbShader())->image(), "|ExtMap3");
    EXPECT_EQ(std::pair(old.memberCount(kImageMapKind), old.memberCount(kImageFileKind)), std::pair(1, 1));
}

// Every shader kind's stored form is checked by the conformance scene's resave; here
// what equality, reading and copying make of a material with layers on both surfaces.
TEST_F(Materials, EqualityFollowsTheUsedChannelsAndCopiesLookUpTheirOwnScene) {
    MaterialX m(scene, "Layers");
    m.setStyle(Material::kFresnel);
    addColour(m.colorChannel(), 0.25f, 0.5f, 0.75f, 1).blendingAmount = 0.3;
    auto image = std::make_unique<ShaderImage>(&scene);
    image->setImage("Decal");
    m.transparencyChannel().addLayer().setShader(ShaderBlock::kRgbSlot, std::move(image));
    m.transparencyChannel().setNumRays(9);
    addColour(m.colorChannel(1), 1, 0, 0, 1);
    m.colorChannel(1).active = false;
    std::string bytes = write(m);
    SceneX other;
    MaterialX* back = read(bytes, other);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(write(*back), bytes);
    EXPECT_TRUE(back->equals(m));
    back->colorChannel().layer(0).blendingAmount = 0.4;
    EXPECT_FALSE(back->equals(m));
    // Channels the style does not use do not take part in equality.
    back->colorChannel().layer(0).blendingAmount = 0.3;
    back->colorChannel(1).active = true;
    EXPECT_FALSE(back->equals(m));
    back->setStyle(Material::kStandard);
    m.setStyle(Material::kStandard);
    EXPECT_TRUE(back->equals(m));
    // A copy in another scene looks its image maps up there.
    MaterialX copy(other, "Copy");
    copy.copyFrom(m);
    EXPECT_TRUE(copy.equals(m));
    auto* decal = static_cast<ShaderImage*>(copy.transparencyChannel().layer(0).rgbShader());
    EXPECT_EQ(decal->scene(), &other);
    auto* map = new ImageMap(other, "Decal");
    EXPECT_EQ(decal->imageMap(), map);
}

TEST_F(Materials, DefaultMaterialIsMadeOnlyWhenMissing) {
    MaterialX* made = ensureDefaultMaterial(scene);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(std::tuple(made->name(), ensureDefaultMaterial(scene), scene.memberCount(kMaterialKind)),
              std::tuple("defaultMtl", made, 1));
    SceneX other;
    new ImageMap(other, "defaultMtl");
    EXPECT_EQ(ensureDefaultMaterial(other), nullptr);
    EXPECT_EQ(other.memberCount(kMaterialKind), 0);
}

TEST_F(Materials, BakingGivesTheRendererTexturesAndAmounts) {
    MaterialX m(scene, "M");
    BakedMaterial baked;
    m.bake(baked, 8, 8, 1);
    const BakedMaterial::Texture& plain = baked.surface[0].color;
    EXPECT_EQ(std::pair(plain.width, plain.rgba), std::pair(1, std::vector<uint8_t>{204, 204, 204, 255}));
    EXPECT_EQ(std::tuple(baked.surface[0].specularAmount, baked.surface[0].shininess, baked.surface[0].opacity,
                         baked.fresnel),
              std::tuple(0.2f, 80.0f, 1.0f, false));
    uint64_t version = baked.version;
    // Half-covering red over the grey, thinned by a half-bright transparency layer.
    addColour(m.colorChannel(), 1, 0, 0, 0.5f);
    addColour(m.transparencyChannel(), 0.5f, 0.5f, 0.5f, 1);
    m.transparencyChannel().amount = 0.25;
    m.shaderTextureWidth = 4;
    m.notifyChange();
    m.bake(baked, 8, 8, 1);
    EXPECT_NE(baked.version, version);
    const BakedMaterial::Texture& colour = baked.surface[0].color;
    ASSERT_EQ(colour.width, 4);
    EXPECT_EQ(std::vector<uint8_t>(colour.rgba.begin(), colour.rgba.begin() + 4),
              (std::vector<uint8_t>{230, 102, 102, 128}));
    EXPECT_FLOAT_EQ(baked.surface[0].opacity, 0.75f);
    m.bumpChannel().amount = 0.5;
    addColour(m.bumpChannel(), 1, 1, 1, 1);
    m.setStyle(Material::kFresnel);
    m.setFresnelEnd(0.5);
    m.bake(baked, 8, 8, 1);
    EXPECT_EQ(std::tuple(baked.fresnel, baked.fresnelEnd, baked.surface[0].bump.rgba[3], baked.surface[0].bumpAmount,
                         baked.surface[1].bumpAmount),
              std::tuple(true, 0.5f, 255, 0.5f, 0.0f));
    m.setStyle(Material::kMatte);
    m.bake(baked, 8, 8, 1);
    EXPECT_EQ(std::tuple(baked.style, baked.lighting, baked.surface[0].specularAmount, baked.surface[0].bump.empty()),
              std::tuple(BakedMaterial::kMatte, false, 0.0f, true));
}

TEST_F(MaterialStacks, ItemsReadBackUnderTheirOwnAndOlderNames) {
    MaterialStack stack(scene);
    stack.addItem("Chrome");
    MaterialStackItem& decal = stack.addItem("Label");
    decal.blendingStyle = BlendMode::kOverlay;
    decal.tilingStyle = MaterialStackItem::kNoneClip;
    decal.setTransform({.translate = {0.25, 0, 0}});
    // The layout and the item's placement fields are resaved byte for byte from the conformance scene; these names
    // and the texture's placement are not in it.
    std::string bytes = write(stack);
    EXPECT_NE(bytes.find("   blendingStyle \"Overlay\"\n   tilingStyle \"NoneClip\"\n"), std::string::npos) << bytes;
    MaterialStack back(scene);
    ASSERT_EQ(test::readInto(back, dir.file("m.txt")), 0);
    EXPECT_TRUE(back == stack);
    EXPECT_EQ(write(back), bytes);
    // Older and looser names; unknown names fall back to the defaults.
    MaterialStack loose(scene);
    ASSERT_EQ(test::readTextInto(loose, dir.file("in.txt"),
                                 "begin MaterialStack\n begin MaterialStackItem\n  mappingStyle \"PlanarNYLocal\"\n"
                                 "  blendingStyle \"Soft Light\"\n  tilingStyle \"Mirror\"\n end MaterialStackItem\n"
                                 " begin MaterialStackItem\n  mappingStyle \"Toroidal\"\n  blendingStyle \"Dodge\"\n"
                                 "  tilingStyle \"Wrap\"\n end MaterialStackItem\nend MaterialStack\n"), 0);
    auto styles = [&](int i) {
        return std::tuple(loose.item(i).mappingStyle, loose.item(i).blendingStyle, loose.item(i).tilingStyle);
    };
    EXPECT_EQ(styles(0), std::tuple(MaterialStackItem::kPlanarNY, BlendMode::kSoftLight, MaterialStackItem::kMirror));
    EXPECT_EQ(styles(1), std::tuple(MaterialStackItem::kUVP, BlendMode::kNormal, MaterialStackItem::kRepeat));
    loose.item(1).mappingStyle = 40;
    EXPECT_NE(write(loose).find("mappingStyle \"UV\""), std::string::npos);
    MaterialStack bad(scene);
    EXPECT_EQ(test::readTextInto(bad, dir.file("bad.txt"), "begin MaterialStack\n begin ShaderBlock\n"), -1);
}

TEST_F(MaterialStacks, CustomMaterialsAndRenames) {
    auto* chrome = new MaterialX(scene, "Chrome");
    MaterialStack stack(scene);
    stack.addItem("defaultMtl");
    EXPECT_FALSE(stack.hasCustomMaterial());
    stack.addItem("Chrome");
    EXPECT_EQ(std::tuple(stack.hasCustomMaterial(), stack.item(1).material()), std::tuple(true, chrome));
    stack.removeItem(0);
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
    EXPECT_EQ(std::tuple(copy.item(0).material(), copy == stack), std::tuple(mirror, true));
}

TEST_F(MaterialStacks, MappingStylesGiveTextureCoordinatesAndTilingWrapsMirrorsOrClips) {
    MaterialStackItem item(scene);
    const double uv[2] = {0.3, 0.7}, up[3] = {0, 1, 0};
    using S = MaterialStackItem;
    auto expectUV = [](const auto& got, double u, double v, double tolerance = 1e-12) {  // got: a pair, or (u, v, ...)
        EXPECT_NEAR(std::get<0>(got), u, tolerance);
        EXPECT_NEAR(std::get<1>(got), v, tolerance);
    };
    auto at = [&](int style, double x, double y, double z, const double* normal = nullptr) {
        const double p[3] = {x, y, z};
        double u, v;
        item.mappingStyle = style;
        item.mapPoint(p, normal ? normal : up, uv, u, v);
        return std::pair<double, double>(u, v);
    };
    expectUV(at(S::kUVP, 5, 5, 5), 0.3, 0.7);  // the mesh's own
    item.applyWidth = 50;
    item.applyHeight = 200;
    expectUV(at(S::kPlanarZ, 10, 20, 99), 0.7, 0.6);
    expectUV(at(S::kPlanarX, 99, 20, 10), 0.3, 0.6);
    expectUV(at(S::kPlanarNY, 10, 99, 20), 0.7, 0.4);
    item.applySpread = true;  // the larger size for both directions
    expectUV(at(S::kPlanarNY, 10, 99, 20), 0.55, 0.4);
    item.applySpread = false;
    item.applyCenter[0] = 10;  // relative to the centre
    expectUV(at(S::kPlanarNY, 10, 99, 20), 0.5, 0.4);
    expectUV(at(S::kDrawing, 10, 20, 0), 0.7, 0.6);  // the drawing's own plane
    item.applyCenter[0] = 0;
    expectUV(at(S::kSpherical, 0, 0, -1), 0.0, 0.5, 1e-6);  // straight ahead: the middle of the seam side
    EXPECT_NEAR(at(S::kSpherical, -1, 0, 0).first, 0.25, 1e-6);
    EXPECT_NEAR(at(S::kSpherical, 0, 0, 1).first, 0.5, 1e-6);
    EXPECT_EQ(at(S::kSpherical, 0, 5, 0), std::make_pair(0.0, 1.0));  // pole
    EXPECT_NEAR(at(S::kCylindricalZ, 0, -3, 50).first, 0.25, 1e-6);
    EXPECT_NEAR(at(S::kCylindricalZ, 0, -3, 50).second, 0.75, 1e-12);
    const double left[3] = {-1, 0.2, 0.1}, right[3] = {1, 0.2, 0.1};
    expectUV(at(S::kCubic, 0, 20, 10, left), 0.7, 0.6);
    expectUV(at(S::kCubic, 0, 20, 10, right), 0.3, 0.6);  // mirrored on the other side
    // The fast angles stay close to the true ones.
    for (double a = -3.1; a < 3.1; a += 0.1)
        EXPECT_NEAR(MaterialStackItem::fastAtan2(std::sin(a), std::cos(a)), a, 0.075) << a;
    EXPECT_NEAR(MaterialStackItem::fastAsin(0.5), std::asin(0.5), 1e-12);
    EXPECT_NEAR(MaterialStackItem::fastAsin(1.0), 1.57079635, 1e-12);
    auto tiled = [&](int style, double u, double v) {  // u, v and whether the point is covered
        item.tilingStyle = style;
        const bool covered = item.tile(u, v);
        return std::tuple(u, v, covered);
    };
    item.tilingX = 2;
    item.tilingY = 1;
    expectUV(tiled(MaterialStackItem::kRepeat, 0.7, -0.25), 0.4, 0.75);
    expectUV(tiled(MaterialStackItem::kMirror, 0.7, -1.25), 0.6, 0.75);  // 1.4 lies in an odd period
    EXPECT_FALSE(std::get<2>(tiled(MaterialStackItem::kNoneClip, 0.7, 0.5)));
    EXPECT_EQ(tiled(MaterialStackItem::kNoneClip, 0.25, 0.5), std::tuple(0.5, 0.5, true));
    EXPECT_EQ(tiled(MaterialStackItem::kNone, 1.5, -0.5), std::tuple(1.5, -0.5, true));
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
    // (0.8, 0.6, 0.4) tinted to (0.4, 0.3, 0.4), then half of 0.4 added over the rest.
    test::expectColour(stack.composite(colours, 3), {0.4f + 0.2f, 0.3f + 0.2f, 0.4f + 0.2f, 1});
}

}  // namespace
}  // namespace fw
