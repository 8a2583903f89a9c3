#pragma once
// The material of the program: a style, ten channels (five for each of two surfaces;
// the second is seen only by the Fresnel style) and the style's own settings. It
// stores itself as a "MaterialX" block and bakes itself for the OpenGL renderer.

#include <array>
#include <memory>

#include "surface/BakedMaterial.h"
#include "surface/Material.h"

namespace fw {

class MaterialChannelColor;
class MaterialChannelSpecular;
class MaterialChannelBump;
class MaterialChannelTransparency;
class MaterialChannelReflectivity;

class MaterialX : public Material {
public:
    // The renderer's store of baked channel textures. A material that is reset or
    // destroyed asks it to let go of the textures made for it.
    class TextureCache {
    public:
        virtual ~TextureCache() = default;
        virtual void release(MaterialX& material) = 0;
    };
    static void setTextureCache(TextureCache* cache);

    static constexpr const char* kDefaultName = "defaultMtl";
    static constexpr int kDefaultTextureSize = 512;
    // The largest side a channel's texture is baked at, whatever the material or the
    // preferences ask: a bake holds every texel in memory.
    static constexpr int kMaxTextureSize = 8192;

    MaterialX(Scene& scene, const char* name);
    ~MaterialX() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    void finishReading() override { notifyChange(); }
    const char* className() const override { return "MaterialX"; }
    void registerCommands() override;
    // Marks the material and the image maps its used channels show.
    void markUsed() override;

    int style() const override { return style_; }
    void setStyle(int style);
    bool respondsToLighting() const override;
    MaterialChannel& channel(int index) override { return *channels_[index]; }
    const MaterialChannel& channel(int index) const override { return *channels_[index]; }
    bool usesChannel(int index) const override;
    unsigned neededVertexData() const override;
    void reset() override;
    void notifyChange() override;
    void clampRayCounts(int cap) override;

    // Typed channels of surface 0 or 1.
    MaterialChannelColor& colorChannel(int surface = 0);
    MaterialChannelSpecular& specularChannel(int surface = 0);
    MaterialChannelBump& bumpChannel(int surface = 0);
    MaterialChannelTransparency& transparencyChannel(int surface = 0);
    MaterialChannelReflectivity& reflectivityChannel(int surface = 0);

    // Same style and every channel the style uses equal, pairwise.
    bool equals(const MaterialX& other) const;
    // Takes over every setting and channel of `other`, not its name.
    void copyFrom(const MaterialX& other);

    double fresnelStart() const { return fresnelStart_; }
    double fresnelEnd() const { return fresnelEnd_; }
    // 1 / (end - start), or 1 when the two are equal.
    double fresnelScale() const { return fresnelScale_; }
    void setFresnelStart(double start);
    void setFresnelEnd(double end);

    // A stamp taken from a process-wide counter at every change notice.
    uint64_t changeStamp() const { return stamp_; }

    // Texture size for baking: the material's own when set, else the scene's
    // preference (sceneWidth, sceneHeight; 512 when those are not positive).
    void textureSize(int sceneWidth, int sceneHeight, int& width, int& height) const;
    // Bakes the used channels into `out` for the renderer. Channels with layers are
    // baked at textureSize, each side at most `limit` when that is positive; a colour
    // without layers is one texel.
    void bake(BakedMaterial& out, int sceneWidth = kDefaultTextureSize, int sceneHeight = kDefaultTextureSize,
              int threads = 0, int limit = 0) const;

    double fresnelBlend = 0.5;
    int shaderTextureWidth = -1;  // -1: not set
    int shaderTextureHeight = -1;
    double lineWidth = 1.0;
    bool useHiddenFillMaterial = false;
    float hiddenFillColor[4] = {1, 1, 1, 1};
    bool ignoresLighting = false;
    // Texture objects the renderer made for the channels (draft and final); 0: none.
    unsigned renderCaches[2][kChannels] = {};

private:
    void releaseRenderCaches();
    void bakeSurface(int surface, BakedMaterial::Surface& out, int width, int height, int threads) const;

    int style_ = kStandard;
    double fresnelStart_ = 0.0;
    double fresnelEnd_ = 1.0;
    double fresnelScale_ = 1.0;
    std::array<std::unique_ptr<MaterialChannel>, kChannels> channels_;
    uint64_t stamp_ = 0;
};

// The post-load fix-up of every scene: the material "defaultMtl", made when missing;
// null when a member of another kind holds the name.
MaterialX* ensureDefaultMaterial(Scene& scene);

}  // namespace fw
