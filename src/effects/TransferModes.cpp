#include "effects/TransferModes.h"

#include <algorithm>

#include "surface/EffectUnit.h"
#include "surface/Rgba.h"

namespace fw {

namespace {

float screen(float b, float s) { return 1.0f - (1.0f - b) * (1.0f - s); }

// The effect's hue and saturation at the base's brightness; a channel pushed out of
// range is pulled back towards the grey, which keeps the brightness exact.
void colorize(const float base[3], const float effect[3], float out[3]) {
    float d = transferBrightness(base) - transferBrightness(effect);
    for (int i = 0; i < 3; ++i) out[i] = effect[i] + d;
    float l = transferBrightness(out);
    float lo = std::min({out[0], out[1], out[2]}), hi = std::max({out[0], out[1], out[2]});
    if (lo < 0.0f && l - lo > 1e-6f)
        for (int i = 0; i < 3; ++i) out[i] = l + (out[i] - l) * l / (l - lo);
    if (hi > 1.0f && hi - l > 1e-6f)
        for (int i = 0; i < 3; ++i) out[i] = l + (out[i] - l) * (1.0f - l) / (hi - l);
    for (int i = 0; i < 3; ++i) out[i] = std::clamp(out[i], 0.0f, 1.0f);
}

}  // namespace

float transferBrightness(const float c[3]) {
    return float(kBrightnessRed * c[0] + kBrightnessGreen * c[1] + kBrightnessBlue * c[2]);
}

void transferColor(int mode, const float base[3], const float effect[3], float out[3]) {
    switch (mode) {
        case EffectUnit::kScreen:
            for (int i = 0; i < 3; ++i) out[i] = screen(base[i], effect[i]);
            return;
        case EffectUnit::kMultiply:
            for (int i = 0; i < 3; ++i) out[i] = base[i] * effect[i];
            return;
        case EffectUnit::kOverlay:
            for (int i = 0; i < 3; ++i)
                out[i] = base[i] < 0.5f ? 2.0f * base[i] * effect[i]
                                        : 1.0f - 2.0f * (1.0f - base[i]) * (1.0f - effect[i]);
            return;
        case EffectUnit::kAdd:
            for (int i = 0; i < 3; ++i) out[i] = std::min(1.0f, base[i] + effect[i]);
            return;
        case EffectUnit::kMagicGlue1:
            colorize(base, effect, out);
            return;
        case EffectUnit::kMagicGlue2: {
            // Screen, weighted by how far the base is into its highlights.
            float h = smoothstep(0.5f, 1.0f, transferBrightness(base));
            for (int i = 0; i < 3; ++i) out[i] = base[i] + (screen(base[i], effect[i]) - base[i]) * h;
            return;
        }
        case EffectUnit::kMagicGlue3: {
            // Added light, scaled down as a whole where a channel would pass 1, so the hue
            // survives instead of burning out to white.
            float sum[3], hi = 1.0f;
            for (int i = 0; i < 3; ++i) hi = std::max(hi, sum[i] = base[i] + effect[i]);
            for (int i = 0; i < 3; ++i) out[i] = sum[i] / hi;
            return;
        }
        default:
            for (int i = 0; i < 3; ++i) out[i] = effect[i];
            return;
    }
}

}  // namespace fw
