#pragma once
// One glyph as a parser hands it over: character code, glyph index, contours and
// metrics in font units. Every contour ends with its first point repeated.

#include <cstdint>
#include <vector>

#include "font/GlyphOutline.h"

namespace fw::veltrane {

// A point of a contour scaled to em units; `on` for points on the curve.
struct EmPoint {
    double x, y;
    bool on;
};

// A contour as the segments of an outline are cut from it: it starts and ends on the
// same on-curve point, and every run of control points between two on-curve points
// is one curve (cubic for two control points, quadratic for one).
using EmContour = std::vector<EmPoint>;

struct RawGlyph {
    uint16_t code = 0;
    int glyph = 0;
    std::vector<GlyphPoint> points;
    std::vector<uint32_t> contourEnds;  // one past the last point of each contour
    int32_t lsb = 0;
    int32_t advance = 0;

    int contourCount() const { return static_cast<int>(contourEnds.size()); }
    uint32_t contourStart(int i) const { return i == 0 ? 0 : contourEnds[i - 1]; }
    // Replaces the contours by those of `outline`, each closed by its first point.
    void setContours(const GlyphOutline& outline);
    // The contours scaled by `scale`, as rings from an on-curve point back to it.
    // Quadratic contours (`cubic` false) gain the on-curve point implied halfway
    // between two control points in a row. Contours of fewer than two points, and
    // those without a point on the curve, are left out.
    void emContours(double scale, bool cubic, std::vector<EmContour>& out) const;
};

}  // namespace fw::veltrane
