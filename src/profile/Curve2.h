#pragma once
// One segment of a contour: a polyline, one Bezier curve of any degree (its control
// points in order), or a placeholder, with its arc length kept as a cache.

#include <cmath>
#include <cstdint>

#include "persistence/CommandEnabler.h"
#include "platform/GrowableArray.h"
#include "profile/CurvePoint.h"

namespace fw {

class Curve2 : public CommandEnabler {
public:
    enum Flag : uint16_t { kAttachedHead = 1, kAttachedTail = 2, kClosed = 4 };
    enum Type : uint16_t { Linear = 0, Bezier = 2, Empty = 4 };
    // Samples of the first length estimate of a Bezier segment, and the step by which
    // the count grows while three neighbouring samples still bend too much.
    static constexpr int kLengthSamples = 17;
    static constexpr int kLengthSampleStep = 32;

    explicit Curve2(uint16_t type = Linear);
    Curve2(const Curve2& other);
    Curve2& operator=(const Curve2& other);
    ~Curve2() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    void finishReading() override { computeLength(); }
    const char* className() const override { return "Curve2"; }

    uint16_t flags = 0;
    uint16_t type = Linear;

    bool attachedHead() const { return flags & kAttachedHead; }
    bool attachedTail() const { return flags & kAttachedTail; }
    bool closed() const { return flags & kClosed; }
    void setFlag(uint16_t flag, bool on) { flags = on ? flags | flag : flags & ~flag; }

    int pointCount() const { return points_.count(); }
    CurvePoint& point(int i) { return points_[i]; }
    const CurvePoint& point(int i) const { return points_[i]; }
    CurvePoint& lastPoint() { return points_.last(); }
    const CurvePoint& lastPoint() const { return points_.last(); }
    // By value, so a point of this segment can be appended again safely.
    void addPoint(CurvePoint p) { points_.append(p); }
    void clearPoints() { points_.clear(); }

    // Whether the segment produces geometry: 4 points for a Bezier, 2 otherwise.
    bool hasGeometry() const;
    double length() const { return length_; }
    // Cumulative chord length at each length sample after the first (Bezier only).
    const GrowableArray<double>& arcLengths() const { return arcLengths_; }

    // Position and unit normal (the tangent turned left) at t in [0, 1]. A polyline is
    // walked by its cached length, so computeLength must have run.
    void evaluateAt(double t, double point[2], double normal[2]) const;
    void computeLength();
    Curve2 translated(double dx, double dy) const;
    // The same curve run backwards: points in reverse order, head and tail swapped.
    Curve2 reversed() const;
    // What is left after cutting `distance` of arc length off the start or off the end.
    // A Bezier is split exactly, so the remaining part keeps its shape.
    Curve2 withoutStart(double distance) const;
    Curve2 withoutEnd(double distance) const;

private:
    // The parameter at `distance` of arc length from the start (or from the end).
    double parameterAtDistance(double distance, bool fromEnd) const;
    // The Bezier pieces on either side of t (de Casteljau's construction).
    void split(double t, Curve2* head, Curve2* tail) const;

    GrowableArray<CurvePoint> points_{4};
    double length_ = 0;
    GrowableArray<double> arcLengths_{10};
};

// Scales a 2D direction to unit length; a zero one stays zero.
inline void unitDirection(double v[2]) {
    double l = std::sqrt(v[0] * v[0] + v[1] * v[1]);
    if (l > 0) {
        v[0] /= l;
        v[1] /= l;
    }
}

}  // namespace fw
