#pragma once
// A layer being worked on by an effect: the frame's pixels as straight float RGBA,
// with the one rule by which every effect (gradient, glint, bloom) is laid on it.

#include <cstddef>
#include <vector>

#include "render/Renderer.h"

namespace fw {

class TargetMask;

class EffectLayer {
public:
    // A copy of `image`; with `clear` the same size but transparent.
    explicit EffectLayer(const RenderImage& image, bool clear = false);

    int width() const { return width_; }
    int height() const { return height_; }
    float* pixel(int x, int y) { return &rgba_[(static_cast<size_t>(y) * width_ + x) * 4]; }
    const float* pixel(int x, int y) const { return &rgba_[(static_cast<size_t>(y) * width_ + x) * 4]; }

    // Lays `effect` (straight RGB) at `opacity` (its alpha times the mask) on pixel
    // (x, y) by a transfer mode. The transfer sees the layer's colour, or with
    // onColours false its grey, so the effect's hues replace the layer's own. Opacity up
    // to the layer's coverage colours the layer; the rest adds the effect's own colour
    // and raises alpha (effects reaching past the letters).
    void lay(int x, int y, const float effect[3], float opacity, int mode, bool onColours = true);

    // The mask itself, opaque grey, in place of everything (editing aid).
    void showMask(const TargetMask& mask);

    // Back to 8 bits, rounded.
    void store(RenderImage& image) const;

private:
    int width_, height_;
    std::vector<float> rgba_;
};

}  // namespace fw
