#pragma once
// The pen a charstring draws with: relative moves, lines and curves into a glyph
// outline's contours. A contour ends at the next move or at the glyph's end; a last
// point that repeats the first is dropped, and a contour of fewer than two points is
// dropped whole. `Machine` turns the pen's position into a stored point
// (`Machine::place`), in its own number type and units.

#include <cstddef>
#include <cstdint>

#include "font/GlyphOutline.h"

namespace fw::veltrane {

template <class Machine, class Number>
class GlyphPen {
protected:
    GlyphPen(GlyphOutline& out, size_t maxPoints) : out_(out), maxPoints_(maxPoints) {}

    bool addPoint(bool on) {
        if (out_.points.size() >= maxPoints_) return false;
        GlyphPoint p;
        static_cast<Machine*>(this)->place(x_, y_, p);
        p.onCurve = on ? 1 : 0;
        out_.points.push_back(p);
        return true;
    }
    void closeContour() {
        if (!open_) return;
        open_ = false;
        const size_t start = contourStart_;
        size_t n = out_.points.size() - start;
        if (n >= 2) {
            const GlyphPoint& first = out_.points[start];
            const GlyphPoint& last = out_.points.back();
            if (last.onCurve && last.x == first.x && last.y == first.y) {
                out_.points.pop_back();
                --n;
            }
        }
        if (n < 2) {
            out_.points.resize(start);
            return;
        }
        out_.ends.push_back(static_cast<uint32_t>(out_.points.size()));
    }
    // A new contour where the pen is.
    bool startContour() {
        closeContour();
        open_ = true;
        contourStart_ = out_.points.size();
        return addPoint(true);
    }
    bool moveTo(Number dx, Number dy) {
        x_ += dx;
        y_ += dy;
        return startContour();
    }
    // Drawing before any move starts a contour where the pen is.
    bool ensureOpen() { return open_ || startContour(); }
    bool lineTo(Number dx, Number dy) {
        if (!ensureOpen()) return false;
        x_ += dx;
        y_ += dy;
        return addPoint(true);
    }
    bool curveTo(Number dx1, Number dy1, Number dx2, Number dy2, Number dx3, Number dy3) {
        if (!ensureOpen()) return false;
        x_ += dx1;
        y_ += dy1;
        if (!addPoint(false)) return false;
        x_ += dx2;
        y_ += dy2;
        if (!addPoint(false)) return false;
        x_ += dx3;
        y_ += dy3;
        return addPoint(true);
    }

    GlyphOutline& out_;
    Number x_ = 0, y_ = 0;
    bool open_ = false;

private:
    size_t maxPoints_;
    size_t contourStart_ = 0;
};

}  // namespace fw::veltrane
