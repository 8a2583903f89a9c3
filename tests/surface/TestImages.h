#pragma once
// Image files written with FreeImage for the tests: every pixel given top-down, the way people read pictures,
// whatever order the format stores rows in; and colours compared channel by channel.
#include <FreeImage.h>

#include <array>
#include <cstdint>

#include "surface/Rgba.h"

namespace fw::test {

inline void expectColour(const Rgba& got, const Rgba& want, double tolerance = 1e-6) {
    const float g[] = {got.r, got.g, got.b, got.a}, w[] = {want.r, want.g, want.b, want.a};
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(g[k], w[k], tolerance) << "channel " << k;
}

using Pixel = std::array<uint8_t, 4>;
using PixelAt = std::function<Pixel(int x, int yFromTop)>;

// 32-bit (or, for JPEG, 24-bit) image of the given format.
inline bool writeImage(const std::string& path, FREE_IMAGE_FORMAT format, int width, int height, const PixelAt& at,
                       int flags = 0) {
    int bpp = format == FIF_JPEG ? 24 : 32;
    FIBITMAP* dib = FreeImage_Allocate(width, height, bpp);
    if (!dib) return false;
    for (int y = 0; y < height; ++y) {
        BYTE* line = FreeImage_GetScanLine(dib, height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const Pixel p = at(x, y);
            BYTE* out = line + x * (bpp / 8);
            const int channel[] = {FI_RGBA_RED, FI_RGBA_GREEN, FI_RGBA_BLUE, FI_RGBA_ALPHA};
            for (int k = 0; k < bpp / 8; ++k) out[channel[k]] = p[k];
        }
    }
    bool ok = FreeImage_Save(format, dib, path.c_str(), flags);
    FreeImage_Unload(dib);
    return ok;
}

// Quadrants: red top left, green top right, blue bottom left, half-transparent white bottom right.
inline Pixel quadrant(int x, int y, int width, int height) {
    bool left = x < width / 2, top = y < height / 2;
    if (top) return left ? Pixel{255, 0, 0, 255} : Pixel{0, 255, 0, 255};
    return left ? Pixel{0, 0, 255, 255} : Pixel{255, 255, 255, 128};
}

inline Pixel solid(uint8_t r, uint8_t g, uint8_t b) { return {r, g, b, 255}; }

}  // namespace fw::test
