#pragma once
// A chain of cubic spans through an element's places in a track's poses: the curve a
// transition's element follows before bow, overshoot, pinch and twist shape it.

#include <glm/vec3.hpp>
#include <span>
#include <vector>

namespace fw {

class TrackCurve {
public:
    struct Sample {
        glm::dvec3 point{0.0}, direction{0.0}, normal{0.0};
    };

    // One station per pose: where the element arrives and where it leaves (they differ
    // when a pose's action moves it). Span k runs from leave[k] to arrive[k + 1] and
    // gets its smoothing, percent, from startSmooth[k] and endSmooth[k]. Knots are 0..n-1.
    void build(std::span<const glm::dvec3> arrive, std::span<const glm::dvec3> leave,
               std::span<const double> startSmooth, std::span<const double> endSmooth);
    // Explicit control points: 3 per span plus one; knots rising, one per span end.
    void setControlPoints(std::vector<glm::dvec3> points, std::vector<double> knots);

    int spanCount() const { return static_cast<int>(knots_.size()) - 1; }
    const std::vector<glm::dvec3>& controlPoints() const { return points_; }

    // The point at parameter s: the first knot at or above s picks the span; a
    // parameter beyond the last knot gives the last point.
    Sample evaluate(double s) const;
    glm::dvec3 point(double s) const { return evaluate(s).point; }
    // Span `k` at local t, continued past its ends along its end tangents so that t
    // outside [0, 1] keeps moving at the speed it arrived with.
    glm::dvec3 spanPoint(int k, double t) const;
    // The derivative of span `k` with respect to its local parameter at t in [0, 1].
    glm::dvec3 spanTangent(int k, double t) const;

private:
    std::vector<glm::dvec3> points_;
    std::vector<double> knots_;
};

}  // namespace fw
