#include "anim/EaseCurve.h"

#include <algorithm>
#include <cmath>

namespace fw {

// The start ease is the share of the element's progress spent speeding up, the end
// ease the share spent slowing down (scaled down together when they add up to more
// than all of it); in between the element cruises at a constant speed. The amount
// shapes the speeding up: 0 keeps the speed constant (no ease), 50 speeds up evenly
// (a parabola, the speed growing from rest), 100 starts slower still (a cubic). The
// pieces meet with equal slopes, so the element never jerks where cruising begins.
void EaseCurve::build(double startEase, double endEase, double easeAmount) {
    start_ = std::clamp(startEase, 0.0, 100.0) * 0.01;
    end_ = std::clamp(endEase, 0.0, 100.0) * 0.01;
    if (start_ + end_ > 1) {
        double sum = start_ + end_;
        start_ /= sum;
        end_ /= sum;
    }
    // Blend linear into quadratic for amounts up to 50, quadratic into cubic above.
    double t = std::clamp(easeAmount, 0.0, 100.0) / 50;
    if (t <= 1) {
        c1_ = 1 - t, c2_ = t, c3_ = 0;
    } else {
        c1_ = 0, c2_ = 2 - t, c3_ = t - 1;
    }
    identity_ = (start_ == 0 && end_ == 0) || t == 0;
    // The shape leaves its piece with slope s; the cruising slope makes the whole
    // curve rise by exactly 1.
    double s = shapeSlope(1);
    cruise_ = 1 / (1 - start_ - end_ + (start_ + end_) / s);
    startRise_ = cruise_ * start_ / s;
    endRise_ = cruise_ * end_ / s;
}

double EaseCurve::value(double u) const {
    if (u <= 0) return 0;
    if (u >= 1) return 1;
    if (identity_) return u;
    if (u < start_) return startRise_ * shape(u / start_);
    if (u > 1 - end_) return 1 - endRise_ * shape((1 - u) / end_);
    return startRise_ + cruise_ * (u - start_);
}

// Newton's steps kept inside a shrinking bracket; the shape rises on [0, 1], with a
// zero slope only at 0 for amounts of 50 and more, where the bracket takes over.
double EaseCurve::solveShape(double target) const {
    double lo = 0, hi = 1, x = target;
    for (int i = 0; i < 200; ++i) {
        double fx = shape(x) - target;
        if (fx == 0) return x;
        if (fx < 0)
            lo = x;
        else
            hi = x;
        double d = shapeSlope(x);
        double nx = d > 0 ? x - fx / d : lo;
        if (!(nx > lo && nx < hi)) nx = 0.5 * (lo + hi);
        if (std::fabs(nx - x) < 1e-16 || hi - lo < 1e-16) return nx;
        x = nx;
    }
    return x;
}

double EaseCurve::inverse(double y) const {
    if (y <= 0) return 0;
    if (y >= 1) return 1;
    if (identity_) return y;
    if (y < startRise_) return start_ * solveShape(y / startRise_);
    if (y > 1 - endRise_) return 1 - end_ * solveShape((1 - y) / endRise_);
    return start_ + (y - startRise_) / cruise_;
}

}  // namespace fw
