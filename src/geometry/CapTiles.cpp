#include "geometry/CapTiles.h"

#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>
#include <map>
#include <tuple>

#include <GL/glu.h>

#include "geometry/Tessellator.h"

namespace fw {

namespace {

// Whether the numbers of lines `size` apart across [low, high] fit a long; checked in
// doubles, since a tiny size puts them past what a long holds.
bool countable(double low, double high, double size) {
    return size > 0 && std::fabs(low / size) < 1e15 && std::fabs(high / size) < 1e15;
}

// The whole numbers k whose lines k * size cross [low, high].
bool lineRange(double low, double high, double size, long& first, long& last) {
    if (!countable(low, high, size)) return false;
    first = static_cast<long>(std::ceil(low / size));
    last = static_cast<long>(std::floor(high / size));
    return first <= last && last - first <= CapTiles::kMaxLines;
}

double coordinate(glm::dvec2 p, int axis) { return axis == 0 ? p.x : p.y; }

}  // namespace

void CapTiles::cutRows(std::vector<Swept>& contours, const double tileSize[2], std::FILE* console) {
    double box[4] = {1e300, 1e300, -1e300, -1e300};
    for (const Swept& c : contours)
        for (const Contour* row : {&c.rows.front(), &c.rows.back()})
            for (glm::dvec2 p : *row)
                box[0] = std::min(box[0], p.x), box[1] = std::min(box[1], p.y), box[2] = std::max(box[2], p.x),
                box[3] = std::max(box[3], p.y);
    for (int axis = 0; axis < 2; ++axis) {
        long first, last;
        if (!lineRange(box[axis], box[axis + 2], tileSize[axis], first, last)) continue;
        for (long k = first; k <= last; ++k) {
            const double at = static_cast<double>(k) * tileSize[axis];
            // Per contour, per edge: the fractions to cut at, and which cap row's point
            // lands on the line there.
            struct Cut {
                size_t edge;
                double t;
                size_t row;
            };
            std::vector<std::vector<Cut>> cuts(contours.size());
            size_t sites = 0;
            for (size_t c = 0; c < contours.size(); ++c) {
                Swept& sweep = contours[c];
                const size_t n = sweep.face.size();
                const bool oneCapRow = sweep.rows.front() == sweep.rows.back();
                for (size_t row : {size_t{0}, sweep.rows.size() - 1}) {
                    if (row > 0 && oneCapRow) break;
                    Contour& line = sweep.rows[row];
                    auto crossing = [&](size_t i, double& t) {
                        double da = coordinate(line[i], axis) - at, db = coordinate(line[(i + 1) % n], axis) - at;
                        if (da == 0 || db == 0 || (da < 0) == (db < 0)) return false;
                        t = da / (da - db);
                        return true;
                    };
                    // A corner all but on the line moves onto it, or the cells would cut
                    // slivers thinner than anything a mesh can weld; so does a corner too
                    // near a crossing to cut there (a thousandth of the edge at most).
                    const double near = 1e-4 * tileSize[axis];
                    for (size_t i = 0; i < n; ++i)
                        if (std::fabs(coordinate(line[i], axis) - at) <= near) (axis == 0 ? line[i].x : line[i].y) = at;
                    for (size_t i = 0; i < n; ++i) {
                        double t;
                        if (!crossing(i, t)) continue;
                        glm::dvec2 a = line[i], b = line[(i + 1) % n];
                        double along = glm::length(b - a);
                        if (t > 0.001 && t < 0.999 && t * along > near && (1 - t) * along > near) continue;
                        glm::dvec2& corner = t < 0.5 ? line[i] : line[(i + 1) % n];
                        (axis == 0 ? corner.x : corner.y) = at;
                    }
                    for (size_t i = 0; i < n; ++i) {
                        double t;
                        if (crossing(i, t)) {
                            cuts[c].push_back({i, t, row});
                            ++sites;
                        } else if (coordinate(line[i], axis) == at) {  // through a corner
                            double before = coordinate(line[(i + n - 1) % n], axis) - at;
                            double after = coordinate(line[(i + 1) % n], axis) - at;
                            sites += (before < 0 && after > 0) || (before > 0 && after < 0);
                        }
                    }
                    if (oneCapRow) sweep.rows.back() = line;
                }
            }
            if (sites % 2) {
                if (console) std::fprintf(console, "exception:  number of cuts sites differs in 2d clip.\n");
                return;
            }
            for (size_t c = 0; c < contours.size(); ++c) {
                if (cuts[c].empty()) continue;
                std::sort(cuts[c].begin(), cuts[c].end(),
                          [](const Cut& a, const Cut& b) { return a.edge != b.edge ? a.edge < b.edge : a.t < b.t; });
                Swept& sweep = contours[c];
                const size_t n = sweep.face.size();
                auto widen = [&](Contour& line, bool onCap, size_t capRow) {
                    Contour out;
                    size_t next = 0;
                    for (size_t i = 0; i < n; ++i) {
                        out.push_back(line[i]);
                        for (; next < cuts[c].size() && cuts[c][next].edge == i; ++next) {
                            const Cut& cut = cuts[c][next];
                            glm::dvec2 p = line[i] + cut.t * (line[(i + 1) % n] - line[i]);
                            if (onCap && cut.row == capRow) (axis == 0 ? p.x : p.y) = at;
                            out.push_back(p);
                        }
                    }
                    line = std::move(out);
                };
                const bool oneCapRow = sweep.rows.front() == sweep.rows.back();
                widen(sweep.face, false, 0);
                for (size_t row = 0; row < sweep.rows.size(); ++row) widen(sweep.rows[row], true, row);
                if (oneCapRow) sweep.rows.back() = sweep.rows.front();
            }
        }
    }
}

bool CapTiles::tessellateCells(const std::vector<glm::dvec2>& points, const std::vector<std::vector<int>>& loops,
                               const double tileSize[2], const std::function<int(glm::dvec2)>& addPoint,
                               std::vector<std::vector<int>>& pieces) {
    double box[4] = {1e300, 1e300, -1e300, -1e300};
    for (const std::vector<int>& loop : loops)
        for (int i : loop)
            box[0] = std::min(box[0], points[i].x), box[1] = std::min(box[1], points[i].y),
            box[2] = std::max(box[2], points[i].x), box[3] = std::max(box[3], points[i].y);
    if (box[0] > box[2]) return false;
    // Cell k along an axis spans [k, k + 1] times the size; without lines there is one
    // cell covering everything.
    long range[2][2];
    double edges[2][2];
    for (int axis = 0; axis < 2; ++axis) {
        if (tileSize[axis] > 0) {
            if (!countable(box[axis], box[axis + 2], tileSize[axis])) return false;
            range[axis][0] = static_cast<long>(std::floor(box[axis] / tileSize[axis]));
            range[axis][1] = static_cast<long>(std::floor(box[axis + 2] / tileSize[axis]));
            if (range[axis][1] - range[axis][0] > kMaxLines) return false;
        } else {
            range[axis][0] = range[axis][1] = 0;
        }
        double margin = 1 + (box[axis + 2] - box[axis]);
        edges[axis][0] = box[axis] - margin, edges[axis][1] = box[axis + 2] + margin;
    }
    auto line = [&](int axis, long k, int end) {
        return tileSize[axis] > 0 ? static_cast<double>(k) * tileSize[axis] : edges[axis][end];
    };
    const double tolerance = 1e-9 * std::max({1.0, std::fabs(box[0]), std::fabs(box[1]), std::fabs(box[2]), std::fabs(box[3])});
    std::map<std::pair<long, long>, int> cornerIds;  // grid corners made so far
    std::vector<std::vector<int>> made;
    // Ids 0 and up are the loops' points, -1 - c the cell's corner c. Where the cell's
    // border meets a loop it must be at a point both already have; anything else would
    // be a point the neighbouring cell does not share.
    glm::dvec2 corners[4];
    auto positionOf = [&](int id) { return id >= 0 ? points[static_cast<size_t>(id)] : corners[-1 - id]; };
    Tessellator tessellator(GLU_TESS_WINDING_ABS_GEQ_TWO, [&](glm::dvec2 at, const int ids[4], const float*) {
        for (int k = 0; k < 4; ++k) {
            if (ids[k] == Tessellator::kAbsent) continue;
            glm::dvec2 d = positionOf(ids[k]) - at;
            if (std::fabs(d.x) <= tolerance && std::fabs(d.y) <= tolerance) return ids[k];
        }
        return Tessellator::kAbsent;
    });
    // The region counts once, the cell once more: where both are, the count reaches two.
    std::vector<std::vector<Tessellator::Point>> input;
    for (const std::vector<int>& loop : loops) {
        input.emplace_back();
        for (int v : loop) input.back().push_back({points[v], v});
    }
    input.emplace_back(4);
    for (long i = range[0][0]; i <= range[0][1]; ++i) {
        for (long j = range[1][0]; j <= range[1][1]; ++j) {
            double x0 = line(0, i, 0), x1 = tileSize[0] > 0 ? line(0, i + 1, 1) : edges[0][1];
            double y0 = line(1, j, 0), y1 = tileSize[1] > 0 ? line(1, j + 1, 1) : edges[1][1];
            corners[0] = {x0, y0}, corners[1] = {x1, y0}, corners[2] = {x1, y1}, corners[3] = {x0, y1};
            for (int c = 0; c < 4; ++c) input.back()[static_cast<size_t>(c)] = {corners[c], -1 - c};
            std::vector<int> triangles;
            if (!tessellator.triangulate(input, triangles)) return false;
            for (size_t k = 0; k + 2 < triangles.size(); k += 3) {
                std::vector<int> triangle;
                for (size_t m = 0; m < 3; ++m) {
                    int id = triangles[k + m];
                    if (id < 0) {  // a grid corner: made once, shared by its four cells
                        const int c = -1 - id;
                        std::pair<long, long> key(i + (c == 1 || c == 2), j + (c >= 2));
                        auto found = cornerIds.find(key);
                        if (found == cornerIds.end()) found = cornerIds.emplace(key, addPoint(corners[c])).first;
                        id = found->second;
                    }
                    triangle.push_back(id);
                }
                made.push_back(std::move(triangle));
            }
        }
    }
    Tessellator::mendSlivers(points, made);
    pieces.insert(pieces.end(), made.begin(), made.end());
    return true;
}

}  // namespace fw
