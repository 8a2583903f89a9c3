#pragma once
// Writes a swatch's name into a picture: the glyph outlines of one of the program's
// fonts, flattened and filled by a small scanline rasteriser (nonzero winding, four
// sub-rows a pixel, exact coverage across), so captions need no text library.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fw {

class SwatchCaption {
public:
    // An installed family or a font file; false with the reason when it cannot be read.
    bool load(const std::string& font, std::string& error);

    // Advance width of the text in pixels at `pixelSize` pixels to the em.
    double width(const std::string& text, double pixelSize) const;
    // Blends the text in `colour` into RGBA pixels (rows bottom-up) with its baseline
    // at height `baseline` and its left edge at `x`, in pixels; clipped to the picture.
    void draw(std::vector<uint8_t>& rgba, int width, int height, const std::string& text, double x, double baseline,
              double pixelSize, const uint8_t colour[3]) const;

private:
    struct Glyph {
        std::vector<std::vector<std::array<double, 2>>> rings;  // em units, closed polygons
        double advance = 0;
    };
    const Glyph* glyph(char c) const;
    std::map<int, Glyph> glyphs_;
};

}  // namespace fw
