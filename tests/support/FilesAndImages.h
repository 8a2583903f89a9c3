#pragma once
// Whole files in and out, and rendered images as pixels, for tests that run the
// program as users do.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <FreeImage.h>

#include "TempDir.h"

namespace test {

inline std::string slurp(const std::string& path) { return fw::test::readFile(path); }
inline void spill(const std::string& path, const std::string& text) { fw::test::writeFile(path, text); }

// Pixels of an image file as RGB triples (RGBA quadruples when alpha is asked for),
// bottom row first as FreeImage keeps them; empty when the file cannot be read.
struct Pixels {
    int width = 0, height = 0;
    int channels = 3;
    std::vector<int> rgb;
    const int* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * channels]; }
};

inline Pixels readImage(const std::string& path, bool alpha = false) {
    Pixels p;
    FIBITMAP* loaded = FreeImage_Load(FreeImage_GetFileType(path.c_str()), path.c_str());
    if (!loaded) return p;
    FIBITMAP* bits = alpha ? FreeImage_ConvertTo32Bits(loaded) : FreeImage_ConvertTo24Bits(loaded);
    FreeImage_Unload(loaded);
    p.channels = alpha ? 4 : 3;
    p.width = static_cast<int>(FreeImage_GetWidth(bits));
    p.height = static_cast<int>(FreeImage_GetHeight(bits));
    for (int y = 0; y < p.height; ++y) {
        const BYTE* row = FreeImage_GetScanLine(bits, y);
        for (int x = 0; x < p.width; ++x) {
            const BYTE* q = row + x * p.channels;
            p.rgb.insert(p.rgb.end(), {q[FI_RGBA_RED], q[FI_RGBA_GREEN], q[FI_RGBA_BLUE]});
            if (alpha) p.rgb.push_back(q[FI_RGBA_ALPHA]);
        }
    }
    FreeImage_Unload(bits);
    return p;
}

// Peak signal-to-noise ratio of `b` against `a` over every channel of every pixel, in
// decibels: infinite when they are the same, 0 when they differ in size.
inline double psnr(const Pixels& a, const Pixels& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 0;
    double squares = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) squares += double(a.rgb[i] - b.rgb[i]) * (a.rgb[i] - b.rgb[i]);
    if (squares == 0) return std::numeric_limits<double>::infinity();
    return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.rgb.size()) / squares);
}

}  // namespace test
