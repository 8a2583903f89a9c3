#pragma once
// Where on a layer an effect applies: one float per pixel, 0 (untouched) to 1 (full),
// made from an effect unit's target settings and the layer's own pixels.

#include <vector>

#include "render/Renderer.h"

namespace fw {

class EffectUnit;

class TargetMask {
public:
    // The mask of `unit` over `layer` (straight RGBA, rows bottom-up).
    TargetMask(const EffectUnit& unit, const RenderImage& layer);

    int width() const { return width_; }
    int height() const { return height_; }
    float at(int x, int y) const { return values_[static_cast<size_t>(y) * width_ + x]; }

    // Pixels of this frame per stored pixel: stored sizes are pixels at 640 wide.
    static double frameScale(int width) { return width / 640.0; }

private:
    int width_, height_;
    std::vector<float> values_;
};

}  // namespace fw
