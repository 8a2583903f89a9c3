#pragma once
// A material ready for drawing: per surface the baked channel textures (8-bit RGBA,
// not premultiplied, rows bottom-up) with their amounts, and the material-wide
// switches. MaterialX::bake fills it; renderers read it and never the channels.

#include <array>
#include <cstdint>
#include <vector>

namespace fw {

struct BakedMaterial {
    // How the renderer draws a part: Cartoon bands its light and outlines it; Wireframe
    // draws only its polygons' edges; HiddenLine draws those edges that nothing hides.
    enum Style { kStandard = 0, kMatte = 1, kShadowCatcher = 2, kCartoon = 3, kWireframe = 4, kHiddenLine = 5 };

    struct Texture {
        int width = 0;
        int height = 0;
        std::vector<uint8_t> rgba;
        bool empty() const { return width <= 0 || height <= 0; }
        // A single texel of one colour.
        static Texture solid(float r, float g, float b, float a);
        // A colour channel in 0..1 as the byte a texel holds.
        static uint8_t byte(float v);
    };

    struct Surface {
        Texture color;       // the colour channel in rgb; colour and transparency combined in alpha
        Texture specular;    // empty: the highlight is not textured
        Texture bump;        // height in alpha; empty: no bump
        Texture reflection;  // a spherical environment; empty: nothing to reflect
        float opacity = 1.0f;  // 1 - transparency amount
        float specularAmount = 0.0f;
        float bumpAmount = 0.0f;
        float reflectionAmount = 0.0f;
        float shininess = 80.0f;  // the specular channel's sharpness
        // What traced rays do at the surface; the OpenGL frame has no use for them.
        float raytraceAmount = 0.0f;  // share of the colour seen along the mirrored ray
        float refraction = 1.0f;      // index of refraction behind the surface
        float falloffStart = 0.0f, falloffEnd = 0.0f;  // the reflectivity channel's falloff
        // Unit directions about +Y that spread blurred reflected and refracted rays.
        std::vector<std::array<double, 3>> reflectionRays{{0.0, 1.0, 0.0}};
        std::vector<std::array<double, 3>> refractionRays{{0.0, 1.0, 0.0}};
    };

    Surface surface[2];  // the second only for Fresnel materials
    bool lighting = true;
    int style = kStandard;
    int materialStyle = 0;  // the material's own style index
    bool fresnel = false;
    float lineWidth = 1.0f;  // pixels, for the outline and line styles
    // HiddenLine: faces in this flat colour; without it they hold out what is behind them.
    bool hiddenFill = false;
    float hiddenFillColor[4] = {1, 1, 1, 1};
    float fresnelStart = 0.0f, fresnelEnd = 1.0f, fresnelBlend = 0.5f;
    // Changes whenever the material changes; unique across materials of the process.
    uint64_t version = 0;

    // Drawn after the opaque ones, without writing depth.
    bool transparent() const;
    // Plain white plastic: what objects without a material wear.
    static const BakedMaterial& fallback();
};

}  // namespace fw
