#include "anim/PathShape.h"

#include <algorithm>
#include <cmath>

#include "anim/AnimPath.h"
#include "platform/MathConstants.h"
#include "platform/SubtractiveRandom.h"

namespace fw {

namespace {

// How much of the element's progress a pull-back or a pass-and-settle takes.
constexpr double kOvershootPhase = 0.25;

double hermite(double u, double x0, double y0, double m0, double x1, double y1, double m1) {
    const double h = x1 - x0, t = (u - x0) / h, t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * y0 + (t3 - 2 * t2 + t) * h * m0 + (-2 * t3 + 3 * t2) * y1 + (t3 - t2) * h * m1;
}

std::vector<double> styleDraws(long seed, int count) {
    std::vector<double> draws(count);
    SubtractiveRandom random(seed);
    for (double& d : draws) d = random.next();
    return draws;
}

}  // namespace

double peakBump(double u, double peak) {
    if (u <= 0 || u >= 1) return 0;
    const double x = u < peak ? 0.5 * u / peak : 0.5 + 0.5 * (u - peak) / (1 - peak);
    return std::sin(kPi * x);
}

double PathShape::spread(int style, double first, double second, int rank, int count, double random) {
    const double f = count > 1 ? static_cast<double>(rank) / (count - 1) : 0.0;
    switch (style) {
    case AnimPath::kEven:
        return first + (second - first) * f;
    case AnimPath::kReverse:
        return second + (first - second) * f;
    case AnimPath::kTwoPoint:
        return rank % 2 == 0 ? first : second;
    case AnimPath::kThreePoint:
        return first + (second - first) * (1 - std::abs(2 * f - 1));
    case AnimPath::kRandom:
        return first + (second - first) * random;
    default:
        return first;
    }
}

void PathShape::prepare(const AnimPath& path, std::span<const int> rank) {
    const int n = static_cast<int>(rank.size());
    bowAmount_.assign(n, 0.0);
    bowDirection_.assign(n, 0.0);
    // Random draws go by creation rank, so reordering the element list changes nothing.
    const std::vector<double> amountDraws = styleDraws(path.bowAmountStyleSeed, n);
    const std::vector<double> directionDraws = styleDraws(path.bowDirectionStyleSeed, n);
    for (int i = 0; i < n; ++i) {
        const int k = rank[i];
        bowAmount_[i] = 0.01 * spread(path.bowAmountStyle, path.bowAmount, path.bowAmount2, k, n, amountDraws[k]);
        bowDirection_[i] = kRadiansPerDegree *
                           spread(path.bowDirectionStyle, path.bowDirection, path.bowDirection2, k, n, directionDraws[k]);
    }
    startOvershoot_ = std::max(0.0, path.startOvershoot * 0.01);
    endOvershoot_ = std::max(0.0, path.endOvershoot * 0.01);
    startPinch_ = path.startPinch * 0.01;
    endPinch_ = path.endPinch * 0.01;
    twist_ = path.twist * kRadiansPerDegree;
    bowPeak_ = std::clamp(0.5 + path.bowCenter / 200.0, 0.05, 0.95);
}

double PathShape::travel(double u) const {
    if (u <= 0) return 0;
    if (u >= 1) return 1;
    const double s = startOvershoot_, e = endOvershoot_;
    if (s == 0 && e == 0) return u;
    // Keys at the pull-back and the far point with zero slope, so the element turns
    // round there; an end without overshoot keeps the even pace.
    const double x0 = s > 0 ? kOvershootPhase : 0, y0 = s > 0 ? -s : 0;
    const double x1 = e > 0 ? 1 - kOvershootPhase : 1, y1 = e > 0 ? 1 + e : 1;
    if (u < x0) return hermite(u, 0, 0, 0, x0, y0, 0);
    if (u > x1) return hermite(u, x1, y1, 0, 1, 1, 0);
    const double m0 = s > 0 ? 0 : 1, m1 = e > 0 ? 0 : 1;
    return hermite(u, x0, y0, m0, x1, y1, m1);
}

double PathShape::bowWeight(double u) const { return peakBump(u, bowPeak_); }

double PathShape::pinch(double u) const {
    return 1 - startPinch_ * peakBump(u, 0.25) - endPinch_ * peakBump(u, 0.75);
}

double PathShape::twist(double u) const { return twist_ * std::sin(kPi * std::clamp(u, 0.0, 1.0)); }

}  // namespace fw
