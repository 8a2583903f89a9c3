#pragma once
// The AutoCAD colour index: 255 numbered colours that DXF entities name instead of
// RGB. Indices 1 to 9 are the classic named colours, 10 to 249 run through 24 hues
// in five shades, each shade full and half saturated, 250 to 255 are greys.

namespace fw {

class DxfColors {
public:
    // The colour of an index 1..255 (0..1 per channel); other indices give white.
    static void rgb(int index, double out[3]);
    // The index whose colour lies nearest.
    static int nearest(const double rgb[3]);
};

}  // namespace fw
