#pragma once
// One control point of a curve segment: an anchor the curve passes through or a handle
// that shapes it, with the corner treatment and handle tightness that anchors carry.

#include <cstdint>

namespace fw {

struct CurvePoint {
    enum PointType : int16_t { ANCHOR = 0, HANDLE_FIXED = 1, HANDLE_BROKEN = 2 };
    enum CornerType : int16_t { NONE = 0, BEVEL = 1, ROUND = 2, ROUND2 = 3 };
    // Handle length as a fraction of the chord, for automatic handles.
    static constexpr double kDefaultTightness = 0.3333333333;

    double x = 0;
    double y = 0;
    int16_t pointType = ANCHOR;
    int16_t cornerType = NONE;
    double cornerRadius = 0;
    double pointTightness = kDefaultTightness;

    static CurvePoint anchor(double x, double y) {
        CurvePoint p;
        p.x = x;
        p.y = y;
        return p;
    }
    static CurvePoint handle(double x, double y, int16_t type = HANDLE_FIXED) {
        CurvePoint p = anchor(x, y);
        p.pointType = type;
        return p;
    }
    bool isAnchor() const { return pointType == ANCHOR; }
};

}  // namespace fw
