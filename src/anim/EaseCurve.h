#pragma once
// The curve that shapes an element's own progress: slow in by the start ease, slow
// out by the end ease, how strongly by the ease amount. Monotonic from (0,0) to (1,1).

namespace fw {

class EaseCurve {
public:
    // Percent values, as the sequencing parameters hold them.
    void build(double startEase, double endEase, double easeAmount);
    double value(double u) const;
    // The u whose value is y.
    double inverse(double y) const;

private:
    double shape(double x) const { return x * (c1_ + x * (c2_ + x * c3_)); }
    double shapeSlope(double x) const { return c1_ + x * (2 * c2_ + x * 3 * c3_); }
    double solveShape(double target) const;

    // Fractions of u spent speeding up and slowing down, the cruising slope, the
    // heights reached by the two eased pieces, and the cubic that shapes them.
    double start_ = 0, end_ = 0, cruise_ = 1, startRise_ = 0, endRise_ = 0;
    double c1_ = 1, c2_ = 0, c3_ = 0;
    bool identity_ = true;
};

}  // namespace fw
