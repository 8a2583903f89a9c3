#include "font/RawGlyph.h"

#include <algorithm>

namespace fw::veltrane {

void RawGlyph::setContours(const GlyphOutline& outline) {
    points.clear();
    contourEnds.clear();
    points.reserve(outline.points.size() + outline.ends.size());
    uint32_t start = 0;
    for (uint32_t end : outline.ends) {
        if (end > start) {
            points.insert(points.end(), outline.points.begin() + start, outline.points.begin() + end);
            points.push_back(outline.points[start]);
            contourEnds.push_back(static_cast<uint32_t>(points.size()));
        }
        start = end;
    }
}

void RawGlyph::emContours(double scale, bool cubic, std::vector<EmContour>& out) const {
    out.clear();
    EmContour ring;
    for (int c = 0; c < contourCount(); ++c) {
        uint32_t start = contourStart(c), end = contourEnds[c];
        // Drop the closing repeat of the first point: the contour is walked as a ring.
        if (end - start < 3) continue;
        --end;
        ring.clear();
        for (uint32_t i = start; i < end; ++i) {
            const GlyphPoint& p = points[i];
            ring.push_back({p.x * scale, p.y * scale, p.onCurve != 0});
        }
        if (!cubic) {
            // Two control points in a row imply the on-curve point halfway between them.
            EmContour expanded;
            expanded.reserve(ring.size() * 2);
            for (size_t i = 0; i < ring.size(); ++i) {
                const EmPoint& a = ring[i];
                const EmPoint& b = ring[(i + 1) % ring.size()];
                expanded.push_back(a);
                if (!a.on && !b.on) expanded.push_back({(a.x + b.x) / 2, (a.y + b.y) / 2, true});
            }
            ring.swap(expanded);
        }
        size_t first = 0;
        while (first < ring.size() && !ring[first].on) ++first;
        if (first == ring.size()) continue;  // no point on the curve to start from
        std::rotate(ring.begin(), ring.begin() + static_cast<std::ptrdiff_t>(first), ring.end());
        ring.push_back(ring.front());
        out.push_back(std::move(ring));
        ring = EmContour();
    }
}

}  // namespace fw::veltrane
