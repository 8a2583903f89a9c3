#include "geometry/OutlineUnion.h"

#include <polyclipping/clipper.hpp>

#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

struct Box {
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    void grow(glm::dvec2 p) {
        x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    }
    bool overlaps(const Box& b) const { return x0 <= b.x1 && b.x0 <= x1 && y0 <= b.y1 && b.y0 <= y1; }
};

Box boxOf(const OutlineUnion::Contour& c) {
    Box b;
    for (glm::dvec2 p : c) b.grow(p);
    return b;
}

double cross(glm::dvec2 a, glm::dvec2 b) { return a.x * b.y - a.y * b.x; }

bool onSegment(glm::dvec2 a, glm::dvec2 b, glm::dvec2 p) {
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y && p.y <= std::max(a.y, b.y);
}

// Segments that cross or touch: outlines that only touch (an accent resting on its
// letter along an edge) are merged too, or the one would be read as a hole of the other.
bool segmentsCross(glm::dvec2 a, glm::dvec2 b, glm::dvec2 c, glm::dvec2 d) {
    double d1 = cross(b - a, c - a), d2 = cross(b - a, d - a), d3 = cross(d - c, a - c), d4 = cross(d - c, b - c);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) return true;
    const double eps = 1e-12 * (glm::dot(b - a, b - a) + glm::dot(d - c, d - c) + 1e-300);
    return (std::fabs(d1) <= eps && onSegment(a, b, c)) || (std::fabs(d2) <= eps && onSegment(a, b, d)) ||
           (std::fabs(d3) <= eps && onSegment(c, d, a)) || (std::fabs(d4) <= eps && onSegment(c, d, b));
}

}  // namespace

bool OutlineUnion::crosses(const Contour& a, const Contour& b) {
    if (a.size() < 2 || b.size() < 2 || !boxOf(a).overlaps(boxOf(b))) return false;
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < b.size(); ++j)
            if (segmentsCross(a[i], a[(i + 1) % a.size()], b[j], b[(j + 1) % b.size()])) return true;
    return false;
}

std::vector<OutlineUnion::Contour> OutlineUnion::mergeOverlaps(const std::vector<Contour>& contours) {
    const size_t n = contours.size();
    std::vector<int> group(n, -1);
    int groups = 0;
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j) {
            if (!crosses(contours[i], contours[j])) continue;
            int gi = group[i], gj = group[j];
            if (gi < 0 && gj < 0) group[i] = group[j] = groups++;
            else if (gi < 0) group[i] = gj;
            else if (gj < 0) group[j] = gi;
            else if (gi != gj) std::replace(group.begin(), group.end(), gj, gi);
        }
    if (groups == 0) return contours;
    // Contours lying inside a group's area join it, or the union would lose them.
    std::vector<Box> boxes;
    for (const Contour& c : contours) boxes.push_back(boxOf(c));
    for (size_t i = 0; i < n; ++i) {
        if (group[i] >= 0) continue;
        for (size_t j = 0; j < n; ++j)
            if (group[j] >= 0 && boxes[j].overlaps(boxes[i])) {
                group[i] = group[j];
                break;
            }
    }
    double extent = 1e-9;
    for (const Contour& c : contours)
        for (glm::dvec2 p : c) extent = std::max({extent, std::fabs(p.x), std::fabs(p.y)});
    const double scale = static_cast<double>(1LL << 40) / extent;
    std::vector<Contour> out;
    std::vector<bool> done(n, false);
    for (size_t i = 0; i < n; ++i) {
        if (group[i] < 0) {
            out.push_back(contours[i]);
            continue;
        }
        if (done[i]) continue;
        ClipperLib::Paths paths;
        for (size_t j = 0; j < n; ++j) {
            if (group[j] != group[i]) continue;
            done[j] = true;
            ClipperLib::Path path;
            for (glm::dvec2 p : contours[j])
                path.push_back(ClipperLib::IntPoint(static_cast<ClipperLib::cInt>(std::llround(p.x * scale)),
                                                    static_cast<ClipperLib::cInt>(std::llround(p.y * scale))));
            paths.push_back(path);
        }
        ClipperLib::Clipper clipper;
        clipper.AddPaths(paths, ClipperLib::ptSubject, true);
        ClipperLib::Paths merged;
        clipper.Execute(ClipperLib::ctUnion, merged, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
        for (const ClipperLib::Path& path : merged) {
            Contour c;
            for (const ClipperLib::IntPoint& q : path) c.push_back(glm::dvec2(q.X / scale, q.Y / scale));
            if (c.size() >= 3) out.push_back(c);
        }
    }
    return out;
}

}  // namespace fw
