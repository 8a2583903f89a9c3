#include "geometry/ContourOffset.h"

#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>

#include "platform/MathConstants.h"

namespace fw {

namespace {

// The constants the stored solids were built with.
constexpr double kSharpTurn = -0.5235987833333333;     // 30 degrees against the contour
constexpr double kSharpConcave = -0.1745329277777778;  // 10 degrees

double cross(glm::dvec2 a, glm::dvec2 b) { return a.x * b.y - a.y * b.x; }

// The outward side of an edge direction: right of a counter-clockwise walk.
glm::dvec2 outward(glm::dvec2 direction) { return glm::dvec2(direction.y, -direction.x); }

glm::dvec2 unit(glm::dvec2 v) {
    double length = glm::length(v);
    return length > 0 ? v / length : glm::dvec2(0.0);
}

// Where the two edges meet once both are moved out by d; false when they are parallel.
bool mitre(glm::dvec2 p, glm::dvec2 in, glm::dvec2 out, double d, glm::dvec2& at) {
    glm::dvec2 n1 = outward(in), n2 = outward(out);
    double denominator = 1.0 + glm::dot(n1, n2);
    if (denominator < 1e-9) return false;
    at = p + d * (n1 + n2) / denominator;
    return true;
}

double segmentDistance(glm::dvec2 p, glm::dvec2 a, glm::dvec2 b) {
    glm::dvec2 ab = b - a;
    double len2 = glm::dot(ab, ab);
    double t = len2 > 0 ? glm::clamp(glm::dot(p - a, ab) / len2, 0.0, 1.0) : 0.0;
    return glm::length(p - (a + t * ab));
}

// Whether a point comes within a distance of a closed polyline, answered from a grid
// of the polyline's edges: offsetting tests every point, so a scan of all edges per
// point would grow with the square of the contour. Each edge is listed in every cell
// its box grown by the radius touches, so any cell size gives the same answers; a
// grid some times finer than the square root of the edges keeps each cell's list short.
// The storage is the thread's own and is reused, since every row of every sweep makes
// a grid; one grid per thread lives at a time.
class NearEdges {
public:
    NearEdges(const std::vector<glm::dvec2>& c, double radius) : radius_(radius), store_(storage()) {
        glm::dvec2 low(1e300), high(-1e300);
        double largest = radius;
        for (glm::dvec2 p : c) {
            low = glm::min(low, p), high = glm::max(high, p);
            largest = std::max({largest, std::fabs(p.x), std::fabs(p.y)});
        }
        slack_ = 1e-9 * largest;
        // An edge whose box, grown a little more than the radius, misses the point is
        // farther than the radius whatever the rounding (the slack is far above the
        // rounding of any coordinate): only the others are measured.
        const double reach = radius_ + slack_;
        // Squared distances this far from the radius's square decide without the root.
        near2_ = radius * radius * (1 - 1e-12), far2_ = radius * radius * (1 + 1e-12);
        origin_ = low - glm::dvec2(radius);
        glm::dvec2 extent = high - low + glm::dvec2(2 * radius);
        const double perSide = std::clamp(4 * std::sqrt(static_cast<double>(c.size())), 1.0, 256.0);
        cell_ = std::max({radius, extent.x / perSide, extent.y / perSide, 1e-12});
        columns_ = static_cast<int>(extent.x / cell_) + 1, rows_ = static_cast<int>(extent.y / cell_) + 1;
        const size_t n = c.size();
        std::vector<Edge>& edges = store_.edges;
        edges.resize(n);
        for (size_t i = 0; i < n; ++i) {
            const glm::dvec2 a = c[i], b = c[i + 1 < n ? i + 1 : 0];
            const glm::dvec2 ab = b - a;
            Edge& e = edges[i];
            e.a = a, e.ab = ab, e.length2 = glm::dot(ab, ab);
            e.low = glm::dvec2(std::min(a.x, b.x) - reach, std::min(a.y, b.y) - reach);
            e.high = glm::dvec2(std::max(a.x, b.x) + reach, std::max(a.y, b.y) + reach);
            locate(glm::min(a, b) - glm::dvec2(radius), e.x0, e.y0);
            locate(glm::max(a, b) + glm::dvec2(radius), e.x1, e.y1);
        }
        // Counted first, then filled: one list for the whole grid.
        std::vector<int>& starts = store_.starts;
        starts.assign(static_cast<size_t>(columns_) * rows_ + 1, 0);
        for (const Edge& e : edges)
            for (int y = e.y0; y <= e.y1; ++y)
                for (int x = e.x0; x <= e.x1; ++x) ++starts[static_cast<size_t>(y) * columns_ + x + 1];
        for (size_t k = 1; k < starts.size(); ++k) starts[k] += starts[k - 1];
        store_.listed.resize(static_cast<size_t>(starts.back()));
        store_.fill.assign(starts.begin(), starts.end() - 1);
        for (size_t i = 0; i < n; ++i) {
            const Edge& e = edges[i];
            for (int y = e.y0; y <= e.y1; ++y)
                for (int x = e.x0; x <= e.x1; ++x)
                    store_.listed[static_cast<size_t>(store_.fill[static_cast<size_t>(y) * columns_ + x]++)] = static_cast<int>(i);
        }
    }

    // Closer than the radius the grid was built for.
    bool closerThan(glm::dvec2 p) const {
        int x, y;
        locate(p, x, y);
        const size_t cell = static_cast<size_t>(y) * columns_ + x;
        const Edge* edges = store_.edges.data();
        const int* listed = store_.listed.data();
        for (int k = store_.starts[cell], end = store_.starts[cell + 1]; k < end; ++k) {
            const Edge& e = edges[listed[k]];
            if (p.x < e.low.x || p.x > e.high.x || p.y < e.low.y || p.y > e.high.y) continue;
            // The distance to the segment, as segmentDistance measures it.
            const double t = e.length2 > 0 ? glm::clamp(glm::dot(p - e.a, e.ab) / e.length2, 0.0, 1.0) : 0.0;
            const glm::dvec2 v = p - (e.a + t * e.ab);
            const double d2 = glm::dot(v, v);
            if (d2 < near2_) return true;
            if (d2 > far2_) continue;
            if (std::sqrt(d2) < radius_) return true;
        }
        return false;
    }

private:
    struct Edge {
        glm::dvec2 a, ab;
        double length2;
        glm::dvec2 low, high;  // the box grown by the radius and the slack
        int x0, y0, x1, y1;    // the cells the box grown by the radius touches
    };
    struct Storage {
        std::vector<Edge> edges;
        std::vector<int> starts;  // where each cell's edges begin in listed
        std::vector<int> listed;
        std::vector<int> fill;
    };
    static Storage& storage() {
        thread_local Storage s;
        return s;
    }

    void locate(glm::dvec2 p, int& x, int& y) const {
        x = std::clamp(static_cast<int>((p.x - origin_.x) / cell_), 0, columns_ - 1);
        y = std::clamp(static_cast<int>((p.y - origin_.y) / cell_), 0, rows_ - 1);
    }

    double radius_;
    double slack_ = 0;
    double near2_ = 0, far2_ = 0;
    glm::dvec2 origin_;
    double cell_;
    int columns_ = 1, rows_ = 1;
    Storage& store_;
};


// Where segments ab and cd cross, strictly inside both.
bool crossing(glm::dvec2 a, glm::dvec2 b, glm::dvec2 c, glm::dvec2 d, glm::dvec2& at) {
    glm::dvec2 r = b - a, q = d - c;
    double denominator = cross(r, q);
    if (std::fabs(denominator) < 1e-300) return false;
    double t = cross(c - a, q) / denominator, u = cross(c - a, r) / denominator;
    if (t <= 0 || t >= 1 || u <= 0 || u >= 1) return false;
    at = a + t * r;
    return true;
}

// Where the contour bends tighter than the offset, every point keeps its distance but
// the row doubles back on itself: its edges there run against the contour's, between
// two wings that cross. Cut the loop off where the wings cross, as a run of points on
// that one crossing, so the rows stay simple and a cap can close on them.
void cutLoops(std::vector<glm::dvec2>& p, const std::vector<glm::dvec2>& c) {
    const size_t n = p.size();
    if (n < 4) return;
    auto reversed = [&](size_t i) {
        size_t next = (i + 1) % n;
        return glm::dot(p[next] - p[i], c[next] - c[i]) < 0;
    };
    // Edges searched on each side of a reversed run, not counting the empty ones that
    // runs of crossed points leave where they collapsed onto one point.
    constexpr size_t kReach = 32;
    double orientation = 0;
    for (size_t i = 0; i < n; ++i) orientation += cross(c[i], c[(i + 1) % n]);
    std::vector<bool> flipped(n);
    for (size_t i = 0; i < n; ++i) flipped[i] = reversed(i);
    size_t start = 0;
    while (start < n && flipped[start]) ++start;
    if (start == n) return;  // the whole row runs backwards: not a loop to cut
    for (size_t k = 0; k < n;) {
        size_t first = (start + k) % n;
        if (!flipped[first]) {
            ++k;
            continue;
        }
        size_t run = 0;
        while (run < n && flipped[(first + run) % n]) ++run;
        k += run;
        if (run + 2 >= n) continue;
        std::vector<size_t> before, after;
        for (size_t step = 1; step + run < n && before.size() < kReach; ++step) {
            size_t i = (first + n - step) % n;
            if (p[i] != p[(i + 1) % n]) before.push_back(i);
        }
        for (size_t step = 0; step + run + 1 < n && after.size() < kReach; ++step) {
            size_t j = (first + run + step) % n;
            if (p[j] != p[(j + 1) % n]) after.push_back(j);
        }
        // The nearest pair of edges, one before the run and one after it, that cross.
        bool found = false;
        for (size_t spread = 0; spread < before.size() + after.size() && !found; ++spread)
            for (size_t b = 0; b <= spread && b < before.size() && !found; ++b) {
                if (spread - b >= after.size()) continue;
                size_t i = before[b], j = after[spread - b];
                glm::dvec2 at;
                if (!crossing(p[i], p[(i + 1) % n], p[j], p[(j + 1) % n], at)) continue;
                // Only a fold runs against the contour; wings of two strokes that meet
                // enclose a loop running with it, and cutting that would turn the row.
                double loop = cross(p[i], at) + cross(at, p[(j + 1) % n]);
                for (size_t m = (j + 1) % n; m != i; m = (m + 1) % n) loop += cross(p[m], p[(m + 1) % n]);
                double fold = cross(at, p[(i + 1) % n]) + cross(p[j], at);
                for (size_t m = (i + 1) % n; m != j; m = (m + 1) % n) fold += cross(p[m], p[(m + 1) % n]);
                if (fold * orientation >= 0 || loop * orientation <= 0) continue;
                for (size_t m = (i + 1) % n; m != (j + 1) % n; m = (m + 1) % n) p[m] = at;
                found = true;
            }
    }
}
}  // namespace

double ContourOffset::distanceTo(const std::vector<glm::dvec2>& c, glm::dvec2 p) {
    double best = 1e300;
    for (size_t i = 0; i < c.size(); ++i) best = std::min(best, segmentDistance(p, c[i], c[(i + 1) % c.size()]));
    return best;
}

ContourOffset::Result ContourOffset::collapsedContour(const std::vector<glm::dvec2>& contour) {
    Result r;
    glm::dvec2 centroid(0.0);
    for (glm::dvec2 p : contour) centroid += p;
    if (!contour.empty()) centroid /= static_cast<double>(contour.size());
    r.points.assign(contour.size(), centroid);
    r.valid.assign(contour.size(), false);
    r.collapsed = true;
    return r;
}

namespace {

// The thread's own scratch rows, reused from one offset to the next.
struct Scratch {
    std::vector<glm::dvec2> in, out, judged;
    std::vector<double> inLength, outLength;
    std::vector<char> pastItsEdges;
};

// Each point moved `d` out from its corner: the mitre, or along the normal where a
// mitre would not do. `judged` keeps where each point really lies, before a mitre
// running off to a spike is pulled in.
void movePoints(const std::vector<glm::dvec2>& c, double d, Scratch& s, std::vector<glm::dvec2>& points) {
    const size_t n = c.size();
    for (size_t i = 0; i < n; ++i) {
        glm::dvec2 p = c[i];
        // A zero-length edge borrows its neighbour's direction.
        glm::dvec2 din = s.inLength[i] > 0 ? s.in[i] : s.out[i], dout = s.outLength[i] > 0 ? s.out[i] : din;
        glm::dvec2 normal = unit(outward(din) + outward(dout));
        double turn = std::atan2(cross(din, dout), glm::dot(din, dout));
        glm::dvec2 at;
        if (turn >= kSharpTurn) {
            if (glm::dot(din, dout) > 0.9999 || !mitre(p, din, dout, d, at)) at = p + d * normal;
        } else if (s.inLength[i] < 0.01) {
            at = p + d * outward(dout);
        } else if (s.outLength[i] < 0.01) {
            at = p + d * outward(din);
        } else if (!mitre(p, din, dout, d, at)) {
            at = p + d * normal;
        } else {
            // Where the moved edges of a sharp corner overlap, their lines meet behind
            // the incoming edge and ahead of the outgoing one. At a narrow notch (where
            // a bowl meets a stem) that point lies far off, past either edge's end and
            // so on no part of the offset outline: it would stick out as a spike, far
            // from everything and never judged crossed. It goes with the crossed points.
            const double back = -glm::dot(at - (p + d * outward(din)), din);
            const double ahead = glm::dot(at - (p + d * outward(dout)), dout);
            s.pastItsEdges[i] =
                (back > s.inLength[i] || ahead > s.outLength[i]) && glm::length(at - p) > 2 * std::fabs(d);
        }
        s.judged[i] = at;
        // A mitre of a near-reversal runs off to a spike; keep it within a few offsets.
        // Whether it crossed the contour is judged where the mitre really lies: pulled
        // in, the point of a sharp notch would seem to cross and the notch would fill.
        double reach = glm::length(at - p), most = 4.0 * std::fabs(d);
        if (reach > most) at = p + (at - p) * (most / reach);
        points[i] = at;
    }
}

// Each run of crossed points shrinks onto one point between its valid neighbours.
void closeCrossedRuns(ContourOffset::Result& r, const Scratch& s, double d, bool strict, std::FILE* console) {
    const size_t n = r.points.size();
    size_t start = 0;
    while (r.valid[start]) ++start;
    while (!r.valid[(start + n - 1) % n]) start = (start + n - 1) % n;
    for (size_t k = 0; k < n;) {
        size_t i = (start + k) % n;
        if (r.valid[i]) {
            ++k;
            continue;
        }
        size_t run = 0;
        while (run < n && !r.valid[(i + run) % n]) ++run;
        size_t before = (i + n - 1) % n, after = (i + run) % n;
        if (strict && run >= 6) {
            if (console) std::fprintf(console, "no fan %d %d (diff %d/%d)\n", static_cast<int>(after), static_cast<int>(i),
                                      static_cast<int>(run), static_cast<int>(n));
        } else {
            // Where the offset edges leaving the two valid neighbours meet, when that lies
            // between them; otherwise halfway.
            glm::dvec2 a = r.points[before], b = r.points[after];
            glm::dvec2 da = s.out[before], db = s.in[after];
            glm::dvec2 at = (a + b) * 0.5;
            double denominator = cross(da, db);
            if (std::fabs(denominator) > 1e-12) {
                double t = cross(b - a, db) / denominator;
                glm::dvec2 meet = a + t * da;
                if (t >= 0 && glm::length(meet - a) <= glm::length(b - a) * 2 + std::fabs(d)) at = meet;
            }
            for (size_t j = 0; j < run; ++j) r.points[(i + j) % n] = at;
        }
        k += run;
    }
}

}  // namespace

ContourOffset::Result ContourOffset::offset(const std::vector<glm::dvec2>& c, double d, bool strict, std::FILE* console) {
    Result r;
    const size_t n = c.size();
    r.points.resize(n);
    r.valid.assign(n, true);
    if (n == 0) return r;
    if (d == 0) {
        r.points = c;
        return r;
    }
    thread_local Scratch s;
    s.in.resize(n), s.out.resize(n), s.judged.resize(n), s.inLength.resize(n), s.outLength.resize(n);
    s.pastItsEdges.assign(n, 0);
    for (size_t i = 0; i < n; ++i) {
        glm::dvec2 a = c[(i + n - 1) % n], b = c[i], e = c[(i + 1) % n];
        s.inLength[i] = glm::length(b - a);
        s.outLength[i] = glm::length(e - b);
        s.in[i] = unit(b - a);
        s.out[i] = unit(e - b);
    }
    movePoints(c, d, s, r.points);
    const double limit = 0.999 * std::fabs(d);
    const NearEdges near(c, limit);
    for (size_t i = 0; i < n; ++i) r.valid[i] = !s.pastItsEdges[i] && !near.closerThan(s.judged[i]);
    size_t validCount = 0;
    for (bool v : r.valid) validCount += v;
    if (validCount == 0) return collapsedContour(c);
    // Sharp concave corners with a tiny outgoing edge: both points become their mitre.
    for (size_t i = 0; i < n; ++i) {
        if (!(s.outLength[i] < 0.01)) continue;  // the cheap test first: few edges are this short
        size_t next = (i + 1) % n;
        double turn = std::atan2(cross(s.in[i], s.out[i]), glm::dot(s.in[i], s.out[i]));
        if (std::sin(turn) < std::sin(kSharpConcave)) {
            glm::dvec2 at;
            if (mitre(c[i], s.in[i], s.out[next], d, at) && !near.closerThan(at)) {
                r.points[i] = r.points[next] = s.judged[i] = s.judged[next] = at;
                r.valid[i] = r.valid[next] = true;
            }
        }
    }
    // An edge between two valid points whose middle crossed the contour folds over.
    for (size_t i = 0; i < n; ++i) {
        size_t next = (i + 1) % n;
        if (r.valid[i] && r.valid[next] && near.closerThan((s.judged[i] + s.judged[next]) * 0.5))
            r.valid[next] = false;
    }
    size_t invalid = 0, valid = 0;
    for (bool v : r.valid) (v ? valid : invalid) += 1;
    if (invalid == 0) {
        cutLoops(r.points, c);
        return r;
    }
    if (valid == 0) return collapsedContour(c);  // the passes above can leave nothing valid
    closeCrossedRuns(r, s, d, strict, console);
    cutLoops(r.points, c);
    return r;
}

std::vector<glm::dvec2> ContourOffset::pullBackSpikes(const std::vector<glm::dvec2>& contour, double spikeAngle,
                                                      double pullBack) {
    const size_t n = contour.size();
    if (n < 3 || spikeAngle <= 0 || pullBack <= 0) return contour;
    const double limit = spikeAngle * kPi / 180;
    std::vector<glm::dvec2> out;
    out.reserve(n + n / 2);
    for (size_t i = 0; i < n; ++i) {
        glm::dvec2 tip = contour[i], before = contour[(i + n - 1) % n], after = contour[(i + 1) % n];
        glm::dvec2 toBefore = before - tip, toAfter = after - tip;
        double a = glm::length(toBefore), b = glm::length(toAfter);
        // The material's angle at the corner; only convex corners (a left turn) can be spikes.
        double angle = a > 0 && b > 0 ? std::acos(glm::clamp(glm::dot(toBefore, toAfter) / (a * b), -1.0, 1.0)) : 0;
        bool convex = cross(tip - before, after - tip) > 0;
        if (!convex || a == 0 || b == 0 || angle >= limit) {
            out.push_back(tip);
            continue;
        }
        // Behind the tip by pullBack along the bisector means this far along each edge.
        double along = std::min({pullBack / std::cos(angle / 2), a / 2, b / 2});
        out.push_back(tip + toBefore / a * along);
        out.push_back(tip + toAfter / b * along);
    }
    return out;
}

}  // namespace fw
