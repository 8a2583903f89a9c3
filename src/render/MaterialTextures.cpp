#include "render/MaterialTextures.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace fw {

namespace {

// One mipmap level from the one above it, filtered as the rasteriser's own mipmap
// generation filters: a bilinear read at each new texel's centre, clamped at the
// edges, with weights and sums in eight-bit fixed point rounded to the nearest step.
// Made here, the first frame skips compiling the rasteriser's blit program for it.
void halve(const uint8_t* src, int sw, int sh, int dw, int dh, std::vector<uint8_t>& out) {
    struct Tap {
        int low, high, weight;  // weight of `high`, out of 256
    };
    auto taps = [](int from, int to) {
        std::vector<Tap> t(static_cast<size_t>(to));
        for (int i = 0; i < to; ++i) {
            const double x = (i + 0.5) * from / to - 0.5, floor = std::floor(x);
            int low = static_cast<int>(floor);
            int weight = static_cast<int>(std::lround((x - floor) * 256.0));
            if (weight == 256) ++low, weight = 0;
            t[static_cast<size_t>(i)] = {std::clamp(low, 0, from - 1), std::clamp(low + 1, 0, from - 1), weight};
        }
        return t;
    };
    const std::vector<Tap> across = taps(sw, dw), down = taps(sh, dh);
    out.resize(static_cast<size_t>(dw) * static_cast<size_t>(dh) * 4);
    auto lerp = [](int a, int b, int w) { return a + (((b - a) * w + 128) >> 8); };
    for (int y = 0; y < dh; ++y) {
        const Tap& ty = down[static_cast<size_t>(y)];
        const uint8_t* top = src + static_cast<size_t>(ty.low) * static_cast<size_t>(sw) * 4;
        const uint8_t* bottom = src + static_cast<size_t>(ty.high) * static_cast<size_t>(sw) * 4;
        uint8_t* row = out.data() + static_cast<size_t>(y) * static_cast<size_t>(dw) * 4;
        for (int x = 0; x < dw; ++x) {
            const Tap& tx = across[static_cast<size_t>(x)];
            for (int c = 0; c < 4; ++c) {
                int upper = lerp(top[tx.low * 4 + c], top[tx.high * 4 + c], tx.weight);
                int lower = lerp(bottom[tx.low * 4 + c], bottom[tx.high * 4 + c], tx.weight);
                row[x * 4 + c] = static_cast<uint8_t>(lerp(upper, lower, ty.weight));
            }
        }
    }
}

// The texture and its whole mipmap chain, down to one texel.
void uploadWithMipmaps(const BakedMaterial::Texture& src) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, src.width, src.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, src.rgba.data());
    std::vector<uint8_t> level[2];
    const uint8_t* above = src.rgba.data();
    int w = src.width, h = src.height;
    for (int l = 1; w > 1 || h > 1; ++l) {
        const int nw = std::max(1, w / 2), nh = std::max(1, h / 2);
        std::vector<uint8_t>& made = level[l % 2];
        halve(above, w, h, nw, nh, made);
        glTexImage2D(GL_TEXTURE_2D, l, GL_RGBA8, nw, nh, 0, GL_RGBA, GL_UNSIGNED_BYTE, made.data());
        above = made.data(), w = nw, h = nh;
    }
}

}  // namespace

const MaterialTextures::Ids& MaterialTextures::upload(const BakedMaterial& material) {
    Ids& t = uploaded_[&material];
    if (t.version == material.version && t.ids[0][0]) return t;
    for (auto& surface : t.ids) glDeleteTextures(4, surface);
    std::memset(t.ids, 0, sizeof t.ids);
    t.version = material.version;
    for (int s = 0; s < 2; ++s) {
        const BakedMaterial::Surface& surface = material.surface[s];
        const BakedMaterial::Texture* sources[4] = {&surface.color, &surface.specular, &surface.bump,
                                                    &surface.reflection};
        for (int c = 0; c < 4; ++c) {
            const BakedMaterial::Texture& tex = *sources[c];
            if (tex.empty() && c != 0) continue;
            static const BakedMaterial::Texture white = BakedMaterial::Texture::solid(1, 1, 1, 1);
            const BakedMaterial::Texture& src = tex.empty() ? white : tex;
            glGenTextures(1, &t.ids[s][c]);
            glBindTexture(GL_TEXTURE_2D, t.ids[s][c]);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            // Mipmaps keep minified textures (tiled maps on large surfaces) from sparkling.
            uploadWithMipmaps(src);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        }
    }
    return t;
}

void MaterialTextures::release() {
    for (auto& entry : uploaded_)
        for (auto& surface : entry.second.ids) glDeleteTextures(4, surface);
    uploaded_.clear();
}

}  // namespace fw
