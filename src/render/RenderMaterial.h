#pragma once
// What the OpenGL renderer needs of a material: for each of its two surfaces the
// baked channel textures and their amounts, and the material-wide switches. The
// material library fills it by baking its channels; the renderer caches the uploaded
// textures by `version`.

#include <cstdint>
#include <vector>

namespace fw {

struct RenderTexture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // non-premultiplied, rows bottom-up
    bool empty() const { return width <= 0 || height <= 0; }
    // A single texel of one colour.
    static RenderTexture solid(float r, float g, float b, float a);
};

struct RenderSurface {
    RenderTexture color;  // colour in rgb, colour and transparency combined in alpha
    RenderTexture specular;
    RenderTexture bump;        // height in alpha
    RenderTexture reflection;  // a spherical environment
    float opacity = 1.0f;      // 1 - transparency
    float specularAmount = 0.0f;
    float bumpAmount = 0.0f;
    float reflectionAmount = 0.0f;
    float shininess = 20.0f;
};

struct RenderMaterial {
    enum Style { kStandard = 0, kMatte = 1, kShadowCatcher = 2 };

    RenderSurface surface[2];
    bool lighting = true;
    int style = kStandard;
    bool fresnel = false;  // surface 1 blends in by viewing angle
    float fresnelStart = 0.0f, fresnelEnd = 1.0f, fresnelBlend = 0.0f;
    uint64_t version = 0;  // changes whenever the textures change

    bool transparent() const;
    // Plain white plastic: what objects without a material wear.
    static const RenderMaterial& fallback();
};

}  // namespace fw
