#pragma once
// Small layers for the effects tests: straight RGBA, rows bottom-up like rendered frames.

#include "render/Renderer.h"

namespace fw::test {

inline RenderImage layerOf(int w, int h, const std::function<void(int x, int y, uint8_t* p)>& fill) {
    RenderImage image;
    image.width = w, image.height = h;
    image.rgba.assign(static_cast<size_t>(w) * h * 4, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) fill(x, y, &image.rgba[(static_cast<size_t>(y) * w + x) * 4]);
    return image;
}

inline RenderImage solidLayer(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return layerOf(w, h, [&](int, int, uint8_t* p) { p[0] = r, p[1] = g, p[2] = b, p[3] = a; });
}

inline int coveredPixels(const RenderImage& image, int above = 0) {
    int n = 0;
    for (size_t i = 3; i < image.rgba.size(); i += 4) n += image.rgba[i] > above;
    return n;
}

}  // namespace fw::test
