// Materials: the stored form of every style, the older flat layout, equality and
// copies of layered materials, vertex-data needs and baking.
#include "surface/MaterialX.h"

#include <gtest/gtest.h>

#include "BlockFile.h"
#include "TempDir.h"
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
#include "surface/ShaderColor.h"
#include "surface/ShaderImage.h"
#include "surface/SurfaceClasses.h"

namespace fw {
namespace {

// The five channel blocks of a new material for one surface, at the given depth.
std::string defaultChannels(int surface, const std::string& in) {
    std::string s = std::to_string(surface), i2 = in + " ";
    return in + "begin MaterialChannelColor " + s + "\n" + i2 + "color 0.8 0.8 0.8 1\n" + i2 + "useBaseColor 1\n" +
           i2 + "active 1\n" + in + "end MaterialChannelColor\n" + in + "begin MaterialChannelSpecular " + s + "\n" +
           i2 + "brightness 0.2\n" + i2 + "sharpness 80\n" + i2 + "active 1\n" + in + "end MaterialChannelSpecular\n" +
           in + "begin MaterialChannelBump " + s + "\n" + i2 + "amount 0\n" + i2 + "active 1\n" + in +
           "end MaterialChannelBump\n" + in + "begin MaterialChannelTransparency " + s + "\n" + i2 + "amount 0\n" +
           i2 + "refraction 1\n" + i2 + "numRays 1\n" + i2 + "spread 0\n" + i2 + "active 1\n" + in +
           "end MaterialChannelTransparency\n" + in + "begin MaterialChannelReflectivity " + s + "\n" + i2 +
           "amount 0\n" + i2 + "raytraceAmount 0\n" + i2 + "numRays 1\n" + i2 + "spread 0\n" + i2 +
           "falloffStart 0\n" + i2 + "falloffEnd 0\n" + i2 + "active 1\n" + in + "end MaterialChannelReflectivity\n";
}

class Materials : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        registerSceneClasses();
        registerSurfaceClasses();
    }

    std::string write(MaterialX& m) { return test::writeBlockFile(m, dir.file("m.txt")); }
    // Reads one "MaterialX" block into a new material of `into`; null when the read fails.
    MaterialX* read(const std::string& bytes, SceneX& into, std::string* error = nullptr) {
        test::writeFile(dir.file("in.txt"), bytes);
        MaterialX* made = nullptr;
        int status = test::readBlockFile(
            dir.file("in.txt"),
            [&](const char* name) -> CommandEnabler* {
                return std::string(name) == "MaterialX" ? made = new MaterialX(into, "material") : nullptr;
            },
            error);
        return status == 0 ? made : nullptr;
    }

    test::TempDir dir;
    SceneX scene;
};

TEST_F(Materials, NewMaterialWritesItsStyleAndFiveChannels) {
    MaterialX m(scene, "Glass");
    EXPECT_EQ(write(m), " begin MaterialX\n  name \"Glass\"\n  materialStyle \"Standard\"\n"
                        "  shaderTextureWidth -1\n  shaderTextureHeight -1\n" +
                            defaultChannels(0, "  ") + " end MaterialX\n");
    EXPECT_TRUE(m.respondsToLighting());
    EXPECT_EQ(m.neededVertexData(), 1u);  // the colour channel is never trivial
}

TEST_F(Materials, EachStyleWritesItsOwnChannels) {
    MaterialX m(scene, "M");
    auto channelBlocks = [&] {
        std::string bytes = write(m);
        size_t n = 0;
        for (size_t at = bytes.find("begin MaterialChannel"); at != std::string::npos;
             at = bytes.find("begin MaterialChannel", at + 1))
            ++n;
        return n;
    };
    const size_t expected[] = {5, 4, 5, 0, 0, 5, 5, 10};
    for (int style = Material::kStandard; style <= Material::kFresnel; ++style) {
        m.setStyle(style);
        EXPECT_EQ(channelBlocks(), expected[style]) << Material::kStyleNames.name(style);
    }
    for (int style : {Material::kMatte, Material::kShadowCatcher}) {
        m.setStyle(style);
        m.bumpChannel().amount = 1;
        EXPECT_EQ(m.neededVertexData(), 0u);
    }
    m.bumpChannel().amount = 0;

    // The lines of Fresnel, HiddenLine and Wireframe materials are resaved byte for byte
    // from the conformance scene.
    m.setStyle(Material::kFresnel);
    m.setFresnelStart(0.25);
    m.setFresnelEnd(0.75);
    EXPECT_DOUBLE_EQ(m.fresnelScale(), 2.0);
    m.setFresnelEnd(0.25);
    EXPECT_EQ(m.fresnelScale(), 1.0);  // equal ends: no division by zero
    for (int style : {Material::kHiddenLine, Material::kWireframe})
        for (bool ignores : {true, false}) {
            m.setStyle(style);
            m.ignoresLighting = ignores;
            EXPECT_EQ(m.respondsToLighting(), !ignores) << style;
            EXPECT_NE(write(m).find(ignores ? "  respondToLighting 0\n" : "  respondToLighting 1\n"),
                      std::string::npos);
        }
    m.setStyle(Material::kAbsolute);
    EXPECT_FALSE(m.respondsToLighting());
}

TEST_F(Materials, ReadingAppliesLinesInTheirPlace) {
    SceneX other;
    // respondToLighting before the style, or for another style, has no effect.
    MaterialX* m = read("begin MaterialX\n respondToLighting 0\n materialStyle \"Wireframe\"\nend MaterialX\n", other);
    ASSERT_NE(m, nullptr);
    EXPECT_FALSE(m->ignoresLighting);
    m = read("begin MaterialX\n materialStyle \"Cartoon\"\n respondToLighting 0\nend MaterialX\n", other);
    ASSERT_NE(m, nullptr);
    EXPECT_FALSE(m->ignoresLighting);
    m = read("begin MaterialX\n materialStyle \"HiddenLine\"\n respondToLighting 0\n fresnelEnd 0.5\n"
             " fresnelStart 0.5\nend MaterialX\n",
             other);
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->ignoresLighting);
    EXPECT_EQ(m->fresnelScale(), 1.0);
    m = read("begin MaterialX\n materialStyle \"Plastic\"\n begin MaterialChannelBump 1\n amount 0.5\n"
             " end MaterialChannelBump\nend MaterialX\n",
             other);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->style(), Material::kStandard);
    EXPECT_EQ(m->bumpChannel(1).amount, 0.5);  // surface 1, kept though Standard does not show it
    EXPECT_EQ(m->bumpChannel(0).amount, 0.0);
    std::string error;
    EXPECT_EQ(read("begin MaterialX\n begin ShaderBlock 0\nend MaterialX\n", other, &error), nullptr);
    EXPECT_NE(error.find("<<begin>> for class <<MaterialX>>"), std::string::npos) << error;
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
    EXPECT_EQ(m->style(), Material::kCartoon);
    const float* c = m->colorChannel().color;
    EXPECT_FLOAT_EQ(c[0], 0.2f);
    EXPECT_FLOAT_EQ(c[2], 0.6f);
    EXPECT_FLOAT_EQ(c[3], 1.0f);
    EXPECT_EQ(m->specularChannel().sharpness, 40.0);
    EXPECT_EQ(m->specularChannel().brightness, 0.7);
    EXPECT_EQ(m->transparencyChannel().amount, 0.25);
    EXPECT_EQ(m->reflectivityChannel().amount, 0.5);
    EXPECT_EQ(m->specularChannel().layerCount(), 0);
    // The file gets an image file and a map of its own; the layer is switched off.
    ASSERT_EQ(m->colorChannel().layerCount(), 1);
    EXPECT_FALSE(m->colorChannel().layer(0).active);
    auto* image = static_cast<ShaderImage*>(m->colorChannel().layer(0).rgbShader());
    ASSERT_NE(image->imageMap(), nullptr);
    EXPECT_EQ(image->image(), "ImageMap.1");
    EXPECT_EQ(image->imageMap()->filePath(), "C:\\tex\\wood.png");
    ASSERT_EQ(m->bumpChannel().layerCount(), 1);
    EXPECT_EQ(static_cast<ShaderImage*>(m->bumpChannel().layer(0).rgbShader())->image(), "|ExtMap3");
    EXPECT_EQ(m->bumpChannel().amount, 0.4);
    // A second map line for the channel reuses its image layer.
    m->colorChannel().setImageLayer("C:\\tex\\wood.png");
    EXPECT_EQ(m->colorChannel().layerCount(), 1);
    EXPECT_EQ(old.memberCount(kImageMapKind), 1);
    EXPECT_EQ(old.memberCount(kImageFileKind), 1);
}

// Every shader kind's stored form is checked by the conformance scene's resave; here
// what equality, reading and copying make of a material with layers on both surfaces.
TEST_F(Materials, EqualityFollowsTheUsedChannelsAndCopiesLookUpTheirOwnScene) {
    MaterialX m(scene, "Layers");
    m.setStyle(Material::kFresnel);
    ShaderBlock& top = m.colorChannel().addLayer();
    top.setShader(ShaderBlock::kRgbSlot, std::make_unique<ShaderColor>(0.25f, 0.5f, 0.75f, 1));
    top.blendingAmount = 0.3;
    auto image = std::make_unique<ShaderImage>(&scene);
    image->setImage("Decal");
    m.transparencyChannel().addLayer().setShader(ShaderBlock::kRgbSlot, std::move(image));
    m.transparencyChannel().setNumRays(9);
    m.colorChannel(1).addLayer().setShader(ShaderBlock::kRgbSlot, std::make_unique<ShaderColor>(1, 0, 0, 1));
    m.colorChannel(1).active = false;

    std::string bytes = write(m);
    SceneX other;
    MaterialX* back = read(bytes, other);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(write(*back), bytes);
    EXPECT_TRUE(back->equals(m));
    EXPECT_EQ(back->transparencyChannel().rayDirections().size(), 9u);
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
    EXPECT_EQ(made->name(), "defaultMtl");
    EXPECT_EQ(ensureDefaultMaterial(scene), made);
    EXPECT_EQ(scene.memberCount(kMaterialKind), 1);
    SceneX other;
    new ImageMap(other, "defaultMtl");
    EXPECT_EQ(ensureDefaultMaterial(other), nullptr);
    EXPECT_EQ(other.memberCount(kMaterialKind), 0);
}

TEST_F(Materials, NeededVertexDataFollowsTheUsedChannels) {
    MaterialX m(scene, "M");
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
}

TEST_F(Materials, RayCountsAreCappedOnTheUsedSurfaces) {
    MaterialX m(scene, "M");
    m.transparencyChannel().setNumRays(64);
    m.reflectivityChannel().setNumRays(16);
    m.reflectivityChannel(1).setNumRays(36);
    m.clampRayCounts(9);
    EXPECT_EQ(m.transparencyChannel().numRays(), 9);
    EXPECT_EQ(m.transparencyChannel().rayDirections().size(), 9u);
    EXPECT_EQ(m.reflectivityChannel().numRays(), 9);
    EXPECT_EQ(m.reflectivityChannel(1).numRays(), 36);
    m.setStyle(Material::kFresnel);
    m.clampRayCounts(4);
    EXPECT_EQ(m.reflectivityChannel(1).numRays(), 4);
    m.reset();
    EXPECT_EQ(m.style(), Material::kStandard);
    EXPECT_EQ(m.transparencyChannel().numRays(), 1);
}

TEST_F(Materials, BakingGivesTheRendererTexturesAndAmounts) {
    MaterialX m(scene, "M");
    BakedMaterial baked;
    m.bake(baked, 8, 8, 1);
    const BakedMaterial::Texture& plain = baked.surface[0].color;
    ASSERT_EQ(plain.width, 1);
    EXPECT_EQ(plain.rgba, (std::vector<uint8_t>{204, 204, 204, 255}));
    EXPECT_TRUE(baked.surface[0].specular.empty());
    EXPECT_FLOAT_EQ(baked.surface[0].specularAmount, 0.2f);
    EXPECT_FLOAT_EQ(baked.surface[0].shininess, 80.0f);
    EXPECT_EQ(baked.surface[0].opacity, 1.0f);
    EXPECT_FALSE(baked.fresnel);
    uint64_t version = baked.version;

    // Half-covering red over the grey, thinned by a half-bright transparency layer.
    m.colorChannel().addLayer().setShader(ShaderBlock::kRgbSlot, std::make_unique<ShaderColor>(1, 0, 0, 0.5f));
    m.transparencyChannel().addLayer().setShader(ShaderBlock::kRgbSlot,
                                                 std::make_unique<ShaderColor>(0.5f, 0.5f, 0.5f, 1));
    m.transparencyChannel().amount = 0.25;
    m.shaderTextureWidth = 4;
    m.notifyChange();
    m.bake(baked, 8, 8, 1);
    EXPECT_NE(baked.version, version);
    const BakedMaterial::Texture& colour = baked.surface[0].color;
    ASSERT_EQ(colour.width, 4);
    ASSERT_EQ(colour.height, 8);
    EXPECT_EQ(std::vector<uint8_t>(colour.rgba.begin(), colour.rgba.begin() + 4),
              (std::vector<uint8_t>{230, 102, 102, 128}));
    EXPECT_FLOAT_EQ(baked.surface[0].opacity, 0.75f);

    m.bumpChannel().amount = 0.5;
    m.bumpChannel().addLayer().setShader(ShaderBlock::kRgbSlot, std::make_unique<ShaderColor>(1, 1, 1, 1));
    m.setStyle(Material::kFresnel);
    m.setFresnelEnd(0.5);
    m.bake(baked, 8, 8, 1);
    EXPECT_TRUE(baked.fresnel);
    EXPECT_EQ(baked.fresnelEnd, 0.5f);
    EXPECT_EQ(baked.surface[0].bump.rgba[3], 255);
    EXPECT_FLOAT_EQ(baked.surface[0].bumpAmount, 0.5f);
    EXPECT_EQ(baked.surface[1].color.width, 1);
    EXPECT_FLOAT_EQ(baked.surface[1].bumpAmount, 0.0f);

    m.setStyle(Material::kMatte);
    m.bake(baked, 8, 8, 1);
    EXPECT_EQ(baked.style, BakedMaterial::kMatte);
    EXPECT_FALSE(baked.lighting);
    EXPECT_EQ(baked.surface[0].specularAmount, 0.0f);
    EXPECT_TRUE(baked.surface[0].bump.empty());
}

}  // namespace
}  // namespace fw
