#include "render/RenderMaterial.h"

#include <algorithm>

namespace fw {

RenderTexture RenderTexture::solid(float r, float g, float b, float a) {
    RenderTexture t;
    t.width = t.height = 1;
    auto byte = [](float v) { return static_cast<uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); };
    t.rgba = {byte(r), byte(g), byte(b), byte(a)};
    return t;
}

bool RenderMaterial::transparent() const {
    if (surface[0].opacity < 1.0f) return true;
    const RenderTexture& c = surface[0].color;
    for (size_t i = 3; i < c.rgba.size(); i += 4)
        if (c.rgba[i] < 255) return true;
    return false;
}

const RenderMaterial& RenderMaterial::fallback() {
    static const RenderMaterial material = [] {
        RenderMaterial m;
        m.surface[0].color = RenderTexture::solid(0.8f, 0.8f, 0.8f, 1.0f);
        m.surface[0].specularAmount = 0.5f;
        m.surface[1] = m.surface[0];
        m.version = 1;
        return m;
    }();
    return material;
}

}  // namespace fw
