#pragma once
// The contours of one glyph in font units as the outline readers build them: the
// points in the font's own order and where each contour ends, without closing points.

#include <cstdint>
#include <vector>

namespace fw::veltrane {

struct GlyphPoint {
    int32_t x = 0;
    int32_t y = 0;
    uint8_t onCurve = 1;
};

struct GlyphOutline {
    std::vector<GlyphPoint> points;
    std::vector<uint32_t> ends;  // one past the last point of each contour

    void clear() {
        points.clear();
        ends.clear();
    }
    int contourCount() const { return static_cast<int>(ends.size()); }
    uint32_t contourStart(int i) const { return i == 0 ? 0 : ends[i - 1]; }
};

}  // namespace fw::veltrane
