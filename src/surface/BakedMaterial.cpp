#include "surface/BakedMaterial.h"

#include <algorithm>

namespace fw {

uint8_t BakedMaterial::Texture::byte(float v) { return static_cast<uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); }

BakedMaterial::Texture BakedMaterial::Texture::solid(float r, float g, float b, float a) {
    Texture t;
    t.width = t.height = 1;
    t.rgba = {byte(r), byte(g), byte(b), byte(a)};
    return t;
}

bool BakedMaterial::transparent() const {
    // A shadow catcher is clear wherever no shadow falls on it.
    if (style == kShadowCatcher) return true;
    for (int s = 0; s < (fresnel ? 2 : 1); ++s) {
        if (surface[s].opacity < 1.0f) return true;
        const Texture& c = surface[s].color;
        for (size_t i = 3; i < c.rgba.size(); i += 4)
            if (c.rgba[i] < 255) return true;
    }
    return false;
}

const BakedMaterial& BakedMaterial::fallback() {
    static const BakedMaterial material = [] {
        BakedMaterial m;
        m.surface[0].color = Texture::solid(0.8f, 0.8f, 0.8f, 1.0f);
        m.surface[0].specularAmount = 0.5f;
        // A broader highlight than a baked material's default sharpness: the look
        // unmaterialed objects have always had.
        m.surface[0].shininess = 20.0f;
        m.surface[1] = m.surface[0];
        m.version = 1;
        return m;
    }();
    return material;
}

}  // namespace fw
