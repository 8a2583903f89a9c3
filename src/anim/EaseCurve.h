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
    double startEase_ = 0, endEase_ = 0, amount_ = 0.5;
};

}  // namespace fw
