#pragma once
// Whole files in and out, and rendered images as pixels, for tests that run the
// program as users do.
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include <FreeImage.h>

namespace test {

inline std::string slurp(const std::string& path) {
    std::string text;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

inline void spill(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// Pixels of an image file as RGB triples, bottom row first as FreeImage keeps them;
// empty when the file cannot be read.
struct Pixels {
    int width = 0, height = 0;
    std::vector<int> rgb;
    const int* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

inline Pixels readImage(const std::string& path) {
    Pixels p;
    FIBITMAP* loaded = FreeImage_Load(FreeImage_GetFileType(path.c_str()), path.c_str());
    if (!loaded) return p;
    FIBITMAP* rgb = FreeImage_ConvertTo24Bits(loaded);
    FreeImage_Unload(loaded);
    p.width = static_cast<int>(FreeImage_GetWidth(rgb));
    p.height = static_cast<int>(FreeImage_GetHeight(rgb));
    for (int y = 0; y < p.height; ++y) {
        const BYTE* row = FreeImage_GetScanLine(rgb, y);
        for (int x = 0; x < p.width; ++x)
            p.rgb.insert(p.rgb.end(), {row[x * 3 + FI_RGBA_RED], row[x * 3 + FI_RGBA_GREEN], row[x * 3 + FI_RGBA_BLUE]});
    }
    FreeImage_Unload(rgb);
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
