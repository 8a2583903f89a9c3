#pragma once
// A flat cap made of pieces (index lists into the points): each counter-clockwise and not
// degenerate, together covering each sample point of the face once and nothing outside it,
// and the edges no two pieces share exactly the face's own, so the cap closes against the sides.
#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>
#include <glm/vec2.hpp>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace fw::test {

struct CapCheck {
    double area = 0;      // the pieces' signed areas together
    double faceArea = 0;  // the loops' signed areas together: outlines less holes
    int flipped = 0, degenerate = 0, concave = 0;
    int uncovered = 0, overlapped = 0, outside = 0;  // sample points
    int strayEdges = 0;  // edges on the cap's border that the face lacks, or the other way round
    int samples = 0;
    bool clean() const { return !flipped && !degenerate && !uncovered && !overlapped && !outside && !strayEdges; }
    std::string summary() const {
        using std::to_string;
        return "area " + to_string(area) + " of " + to_string(faceArea) + ", flipped " + to_string(flipped) +
               ", degenerate " + to_string(degenerate) + ", concave " + to_string(concave) + ", uncovered " +
               to_string(uncovered) + ", overlapped " + to_string(overlapped) + ", outside " + to_string(outside) +
               ", stray edges " + to_string(strayEdges) + " (" + to_string(samples) + " samples)";
    }
};

inline double loopArea(const std::vector<glm::dvec2>& p, const std::vector<int>& loop) {
    double a = 0;
    for (size_t i = 0; i < loop.size(); ++i) {
        glm::dvec2 u = p[loop[i]], v = p[loop[(i + 1) % loop.size()]];
        a += u.x * v.y - v.x * u.y;
    }
    return a / 2;
}

inline double contourArea(const std::vector<glm::dvec2>& c) {
    std::vector<int> loop(c.size());
    for (size_t i = 0; i < c.size(); ++i) loop[i] = static_cast<int>(i);
    return loopArea(c, loop);
}

// `loops`: the face's outlines counter-clockwise and its holes clockwise.
inline CapCheck checkCap(const std::vector<glm::dvec2>& p, const std::vector<std::vector<int>>& loops,
                         const std::vector<std::vector<int>>& pieces) {
    CapCheck r;
    glm::dvec2 low(1e300), high(-1e300);
    for (const auto& loop : loops) {
        r.faceArea += loopArea(p, loop);
        for (int i : loop) low = glm::min(low, p[i]), high = glm::max(high, p[i]);
    }
    const double size = std::max(high.x - low.x, high.y - low.y);
    // Points in the same place are one: a grid corner may be made where a contour
    // already has a point.
    std::map<std::pair<double, double>, int> places;
    auto at = [&](int i) { return places.emplace(std::make_pair(p[i].x, p[i].y), i).first->second; };
    std::map<std::pair<int, int>, int> border;  // directed edge → uses, less uses the other way
    for (const auto& piece : pieces) {
        double a = loopArea(p, piece);
        r.area += a;
        r.flipped += a < 0;
        r.degenerate += std::fabs(a) <= 1e-12 * size * size;
        for (size_t k = 0; k < piece.size(); ++k) {
            glm::dvec2 u = p[piece[k]], v = p[piece[(k + 1) % piece.size()]], w = p[piece[(k + 2) % piece.size()]];
            r.concave += (v - u).x * (w - v).y - (v - u).y * (w - v).x < -1e-12 * size * size;
            int from = at(piece[k]), to = at(piece[(k + 1) % piece.size()]);
            auto back = border.find({to, from});
            if (back == border.end())
                ++border[{from, to}];
            else if (--back->second == 0)
                border.erase(back);
        }
    }
    for (const auto& loop : loops)
        for (size_t k = 0; k < loop.size(); ++k) --border[{at(loop[k]), at(loop[(k + 1) % loop.size()])}];
    for (const auto& [edge, uses] : border) r.strayEdges += std::abs(uses);
    // Winding numbers on a grid, away from every edge, where rounding would decide.
    auto winding = [&](const std::vector<int>& loop, glm::dvec2 q, bool& near) {
        int w = 0;
        for (size_t k = 0; k < loop.size(); ++k) {
            glm::dvec2 a = p[loop[k]], b = p[loop[(k + 1) % loop.size()]], d = b - a;
            double t = std::clamp(glm::dot(q - a, d) / std::max(glm::dot(d, d), 1e-300), 0.0, 1.0);
            near = near || glm::length(a + t * d - q) < 1e-6 * size;
            double side = d.x * (q.y - a.y) - d.y * (q.x - a.x);
            if (a.y <= q.y && b.y > q.y && side > 0) ++w;
            if (a.y > q.y && b.y <= q.y && side < 0) --w;
        }
        return w;
    };
    const int grid = 61;
    for (int i = 0; i < grid; ++i)
        for (int j = 0; j < grid; ++j) {
            glm::dvec2 q = low + (high - low) * glm::dvec2((i + 0.5123) / grid, (j + 0.4871) / grid);
            bool near = false;
            int inside = 0, covers = 0;
            for (const auto& loop : loops) inside += winding(loop, q, near);
            for (const auto& piece : pieces) covers += winding(piece, q, near) != 0;
            if (near) continue;
            ++r.samples;
            if (inside && covers == 0) ++r.uncovered;
            if (covers > 1) ++r.overlapped;
            if (!inside && covers) ++r.outside;
        }
    return r;
}

}  // namespace fw::test
