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
    if (a.size() < 2 || b.size() < 2) return false;
    Box boxA = boxOf(a), boxB = boxOf(b);
    if (!boxA.overlaps(boxB)) return false;
    // Only edges within the common box can cross; b's are filed in a grid over it so
    // each edge of a meets just its neighbours (a letter and its counter share a box).
    Box common{std::max(boxA.x0, boxB.x0), std::max(boxA.y0, boxB.y0), std::min(boxA.x1, boxB.x1),
               std::min(boxA.y1, boxB.y1)};
    const int side = std::clamp(static_cast<int>(std::sqrt(static_cast<double>(b.size()))), 1, 64);
    const double w = std::max(common.x1 - common.x0, 1e-300) / side, h = std::max(common.y1 - common.y0, 1e-300) / side;
    auto span = [&](double low, double high, double origin, double size, int& first, int& last) {
        first = std::clamp(static_cast<int>(std::floor((low - origin) / size)), 0, side - 1);
        last = std::clamp(static_cast<int>(std::floor((high - origin) / size)), 0, side - 1);
        return high >= origin && low <= origin + size * side;
    };
    std::vector<std::vector<size_t>> cells(static_cast<size_t>(side) * side);
    auto cellsOf = [&](glm::dvec2 p, glm::dvec2 q, int range[4]) {
        return span(std::min(p.x, q.x), std::max(p.x, q.x), common.x0, w, range[0], range[1]) &&
               span(std::min(p.y, q.y), std::max(p.y, q.y), common.y0, h, range[2], range[3]);
    };
    int range[4];
    for (size_t j = 0; j < b.size(); ++j) {
        if (!cellsOf(b[j], b[(j + 1) % b.size()], range)) continue;
        for (int y = range[2]; y <= range[3]; ++y)
            for (int x = range[0]; x <= range[1]; ++x) cells[static_cast<size_t>(y) * side + x].push_back(j);
    }
    for (size_t i = 0; i < a.size(); ++i) {
        glm::dvec2 p = a[i], q = a[(i + 1) % a.size()];
        if (!cellsOf(p, q, range)) continue;
        for (int y = range[2]; y <= range[3]; ++y)
            for (int x = range[0]; x <= range[1]; ++x)
                for (size_t j : cells[static_cast<size_t>(y) * side + x])
                    if (segmentsCross(p, q, b[j], b[(j + 1) % b.size()])) return true;
    }
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
