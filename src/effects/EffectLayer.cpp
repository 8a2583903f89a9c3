#include "effects/EffectLayer.h"

#include <algorithm>
#include <cmath>

#include "effects/TargetMask.h"
#include "effects/TransferModes.h"

namespace fw {

EffectLayer::EffectLayer(const RenderImage& image, bool clear)
    : width_(image.width), height_(image.height), rgba_(static_cast<size_t>(image.width) * image.height * 4, 0.0f) {
    if (clear) return;
    const size_t n = rgba_.size();
    for (size_t i = 0; i < n && i < image.rgba.size(); ++i) rgba_[i] = image.rgba[i] / 255.0f;
}

void EffectLayer::lay(int x, int y, const float effect[3], float opacity, int mode, bool onColours) {
    float as = std::clamp(opacity, 0.0f, 1.0f);
    if (!(as > 0.0f)) return;
    float* p = pixel(x, y);
    float ab = p[3];
    float base[3] = {p[0], p[1], p[2]};
    if (!onColours) base[0] = base[1] = base[2] = transferBrightness(p);
    float blended[3];
    transferColor(mode, base, effect, blended);
    // The effect's coverage lies over the layer's own as far as it can: up to the
    // layer's coverage it changes the layer's colour, beyond it (where the effect
    // reaches past the letters) it adds coverage of its own colour. So an effect masked
    // by coverage keeps the letters' antialiased edges as they were.
    float onLayer = ab > 0.0f ? std::min(as, ab) / ab : 0.0f;
    float beyond = std::max(0.0f, as - ab);
    float ao = ab + beyond;
    for (int i = 0; i < 3; ++i) {
        float co = ab * (p[i] + onLayer * (blended[i] - p[i])) + beyond * effect[i];
        p[i] = ao > 0.0f ? std::clamp(co / ao, 0.0f, 1.0f) : 0.0f;
    }
    p[3] = std::min(ao, 1.0f);
}

void EffectLayer::showMask(const TargetMask& mask) {
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            float* p = pixel(x, y);
            p[0] = p[1] = p[2] = std::clamp(mask.at(x, y), 0.0f, 1.0f);
            p[3] = 1.0f;
        }
    }
}

void EffectLayer::store(RenderImage& image) const {
    image.width = width_;
    image.height = height_;
    image.rgba.resize(rgba_.size());
    for (size_t i = 0; i < rgba_.size(); ++i)
        image.rgba[i] = static_cast<uint8_t>(std::lround(std::clamp(rgba_[i], 0.0f, 1.0f) * 255.0f));
}

}  // namespace fw
