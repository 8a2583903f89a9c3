#include "surface/BakedMaterial.h"

#include <algorithm>
#include <cstring>

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
        // Every texel's bytes ANDed together, two texels a step: an alpha byte stays
        // 255 only when all alphas are. Asked per part every frame, so it must be quick.
        const Texture& c = surface[s].color;
        const size_t texels = c.rgba.size() / 4;
        uint64_t all = ~uint64_t(0);
        size_t i = 0;
        for (; i + 2 <= texels; i += 2) {
            uint64_t pair;
            std::memcpy(&pair, c.rgba.data() + i * 4, 8);
            all &= pair;
        }
        uint8_t bytes[8];
        std::memcpy(bytes, &all, 8);
        if (bytes[3] < 255 || bytes[7] < 255) return true;
        if (i < texels && c.rgba[i * 4 + 3] < 255) return true;
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
