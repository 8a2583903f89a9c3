// A gradient unit laid over a frame: the unit's own shape over the frame's unit square,
// through its target mask, by its transfer mode.
#include <algorithm>

#include "effects/EffectLayer.h"
#include "effects/FrameEffects.h"
#include "effects/TargetMask.h"

namespace fw {

double EffectTime::progress() const {
    if (!(lastFrame > firstFrame)) return 1.0;
    return std::clamp((frame - firstFrame) / (lastFrame - firstFrame), 0.0, 1.0);
}

void applyGradientUnit(const GradientUnit& unit, RenderImage& layer, const EffectTime&) {
    if (layer.width <= 0 || layer.height <= 0) return;
    TargetMask mask(unit, layer);
    EffectLayer work(layer);
    if (unit.targetShowTarget) {
        work.showMask(mask);
        work.store(layer);
        return;
    }
    const int w = layer.width, h = layer.height;
    const double du = 1.0 / w, dv = 1.0 / h;
#pragma omp parallel for schedule(dynamic, 8)
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float m = mask.at(x, y);
            if (!(m > 0.0f)) continue;
            // The unit's average over the pixel (oversampled as it says), premultiplied.
            Rgba c = unit.average(x * du, y * dv, (x + 1) * du, (y + 1) * dv);
            if (!(c.a > 0.0f)) continue;
            float effect[3] = {c.r / c.a, c.g / c.a, c.b / c.a};
            work.lay(x, y, effect, c.a * m, unit.transferMode, unit.compositeOnOriginal);
        }
    }
    work.store(layer);
}

}  // namespace fw
