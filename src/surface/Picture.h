#pragma once
// An 8-bit RGBA picture, rows bottom-up like OpenGL textures, so texture coordinate
// v = 0 is the bottom row. Image maps and layer maps hold their pixels in one.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "surface/Rgba.h"

namespace fw {

class Picture {
public:
    Picture() = default;
    Picture(int width, int height) { resize(width, height); }

    void resize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ <= 0 || height_ <= 0; }
    uint8_t* row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_ * 4; }
    const uint8_t* row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_ * 4; }
    std::vector<uint8_t>& pixels() { return pixels_; }
    const std::vector<uint8_t>& pixels() const { return pixels_; }

    // The premultiplied mean colour over a texture-space rectangle; u and v of 0..1
    // cover the picture once and repeat outside. A rectangle smaller than a pixel
    // is sampled bilinearly at its centre. With fourChannels off alpha counts as 1.
    Rgba sample(double u0, double v0, double u1, double v1, bool fourChannels = true) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> pixels_;
};

}  // namespace fw
