#include "anim/TrackCurve.h"

#include <algorithm>
#include <glm/geometric.hpp>

namespace fw {

namespace {

glm::dvec3 lerp(const glm::dvec3& a, const glm::dvec3& b, double t) { return a + (b - a) * t; }

// De Casteljau on one span; `before` and `last` are the two final intermediate points.
glm::dvec3 casteljau(const glm::dvec3* c, double t, glm::dvec3& before, glm::dvec3& last) {
    const glm::dvec3 a = lerp(c[0], c[1], t), b = lerp(c[1], c[2], t), d = lerp(c[2], c[3], t);
    before = lerp(a, b, t);
    last = lerp(b, d, t);
    return lerp(before, last, t);
}

double smoothFraction(double percent) { return std::clamp(percent * 0.01, 0.0, 2.0); }

}  // namespace

void TrackCurve::build(std::span<const glm::dvec3> arrive, std::span<const glm::dvec3> leave,
                       std::span<const double> startSmooth, std::span<const double> endSmooth) {
    const size_t n = arrive.size();
    points_.clear();
    knots_.clear();
    if (n == 0) return;
    // The tangent through station k looks from the station before to the one after
    // (Catmull-Rom), so two spans meeting at a pose leave it in the direction they came.
    auto throughTangent = [&](size_t k) {
        if (k > 0 && k + 1 < n) return (arrive[k + 1] - leave[k - 1]) * 0.5;
        if (k + 1 < n) return arrive[k + 1] - leave[k];
        if (k > 0) return arrive[k] - leave[k - 1];
        return glm::dvec3(0.0);
    };
    points_.push_back(leave[0]);
    knots_.push_back(0.0);
    for (size_t k = 0; k + 1 < n; ++k) {
        const glm::dvec3 from = leave[k], to = arrive[k + 1], chord = to - from;
        // Smoothing 0 keeps the chord (a straight line, evenly paced); 100 takes the
        // tangent through the neighbouring poses.
        const glm::dvec3 t0 = lerp(chord, throughTangent(k), smoothFraction(startSmooth[k]));
        const glm::dvec3 t1 = lerp(chord, throughTangent(k + 1), smoothFraction(endSmooth[k]));
        points_.push_back(from + t0 / 3.0);
        points_.push_back(to - t1 / 3.0);
        points_.push_back(to);
        knots_.push_back(static_cast<double>(k + 1));
    }
}

void TrackCurve::setControlPoints(std::vector<glm::dvec3> points, std::vector<double> knots) {
    points_ = std::move(points);
    knots_ = std::move(knots);
}

TrackCurve::Sample TrackCurve::evaluate(double s) const {
    Sample out;
    if (points_.empty()) return out;
    const int spans = spanCount();
    if (spans <= 0) {
        out.point = points_.front();
        return out;
    }
    int k;
    double t;
    if (s > knots_.back()) {
        k = spans - 1;
        t = 1.0;
    } else {
        const auto it = std::lower_bound(knots_.begin() + 1, knots_.end(), s);
        k = static_cast<int>(it - knots_.begin()) - 1;
        const double lo = knots_[k], hi = knots_[k + 1];
        t = hi > lo ? std::clamp((s - lo) / (hi - lo), 0.0, 1.0) : 0.0;
    }
    glm::dvec3 before, last;
    out.point = casteljau(&points_[3 * k], t, before, last);
    glm::dvec3 d = last - before;
    const double len = glm::length(d);
    if (len > 0) d /= len;
    out.direction = d;
    out.normal = glm::cross(glm::cross(glm::dvec3(0, 1, 0), d), d);
    return out;
}

glm::dvec3 TrackCurve::spanTangent(int k, double t) const {
    const glm::dvec3* c = &points_[3 * k];
    const double s = 1 - t;
    return 3.0 * (s * s * (c[1] - c[0]) + 2 * s * t * (c[2] - c[1]) + t * t * (c[3] - c[2]));
}

glm::dvec3 TrackCurve::spanPoint(int k, double t) const {
    const glm::dvec3* c = &points_[3 * k];
    if (t < 0) return c[0] + spanTangent(k, 0) * t;
    if (t > 1) return c[3] + spanTangent(k, 1) * (t - 1);
    glm::dvec3 before, last;
    return casteljau(c, t, before, last);
}

}  // namespace fw
