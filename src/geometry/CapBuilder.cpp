#include "geometry/CapBuilder.h"

#include <algorithm>
#include <cmath>
#include <GL/glu.h>
#include <glm/geometric.hpp>

#include "platform/Clock.h"

namespace fw {

namespace {

using Points = std::vector<glm::dvec2>;

double cross(glm::dvec2 a, glm::dvec2 b, glm::dvec2 c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); }

bool same(const Points& p, int a, int b) { return a == b || glm::length(p[a] - p[b]) < 1e-9; }

// Inside a counter-clockwise convex polygon or on its border: a vertex lying on a
// piece's edge would leave a T-junction that the sides do not share.
bool insideConvex(const Points& p, const std::vector<int>& poly, glm::dvec2 q) {
    for (size_t i = 0; i < poly.size(); ++i)
        if (cross(p[poly[i]], p[poly[(i + 1) % poly.size()]], q) < -1e-12) return false;
    return true;
}

std::vector<int> dropRepeats(const Points& p, const std::vector<int>& loop) {
    std::vector<int> out;
    for (int i : loop)
        if (out.empty() || !same(p, out.back(), i)) out.push_back(i);
    while (out.size() > 1 && same(p, out.front(), out.back())) out.pop_back();
    return out;
}

bool properCross(glm::dvec2 a, glm::dvec2 b, glm::dvec2 c, glm::dvec2 d) {
    double d1 = cross(a, b, c), d2 = cross(a, b, d), d3 = cross(c, d, a), d4 = cross(c, d, b);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

bool insideLoop(const Points& p, const std::vector<int>& loop, glm::dvec2 q) {
    bool inside = false;
    for (size_t i = 0, j = loop.size() - 1; i < loop.size(); j = i++) {
        glm::dvec2 a = p[loop[i]], b = p[loop[j]];
        if ((a.y > q.y) != (b.y > q.y) && q.x < (b.x - a.x) * (q.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside;
}

// Whether the way from corner i of a counter-clockwise walk towards q starts inside
// the polygon. A corner that earlier bridges visit twice has two sectors, and only
// the copy whose sector holds q may take the new bridge.
bool leavesInward(const Points& p, const std::vector<int>& loop, size_t i, glm::dvec2 q) {
    const size_t n = loop.size();
    glm::dvec2 v = p[loop[i]], toNext = p[loop[(i + 1) % n]] - v, toPrev = p[loop[(i + n - 1) % n]] - v, d = q - v;
    auto turn = [](glm::dvec2 from, glm::dvec2 to) {  // counter-clockwise angle, 0 to 2 pi
        double a = std::atan2(from.x * to.y - from.y * to.x, glm::dot(from, to));
        return a < 0 ? a + 2 * 3.14159265358979323846 : a;
    };
    double sector = turn(toNext, toPrev), towards = turn(toNext, d);
    return towards > 0 && towards < sector;
}

// Joins each hole to the outer contour by a two-way bridge from its rightmost vertex
// to the nearest vertex it can see, giving one polygon that walks round the holes.
std::vector<int> bridgeHoles(const Points& p, std::vector<int> outer, std::vector<std::vector<int>> holes) {
    auto rightmost = [&](const std::vector<int>& h) {
        double x = -1e300;
        for (int i : h) x = std::max(x, p[i].x);
        return x;
    };
    std::sort(holes.begin(), holes.end(),
              [&](const std::vector<int>& a, const std::vector<int>& b) { return rightmost(a) > rightmost(b); });
    for (size_t h = 0; h < holes.size(); ++h) {
        const std::vector<int>& hole = holes[h];
        if (hole.size() < 3) continue;
        size_t m = 0;
        for (size_t i = 1; i < hole.size(); ++i)
            if (p[hole[i]].x > p[hole[m]].x || (p[hole[i]].x == p[hole[m]].x && p[hole[i]].y < p[hole[m]].y)) m = i;
        glm::dvec2 M = p[hole[m]];
        auto blocked = [&](glm::dvec2 q) {
            auto crossesLoop = [&](const std::vector<int>& loop) {
                for (size_t i = 0; i < loop.size(); ++i)
                    if (properCross(M, q, p[loop[i]], p[loop[(i + 1) % loop.size()]])) return true;
                return false;
            };
            // A vertex on the bridge itself would make the walk retrace an edge.
            auto touchesLoop = [&](const std::vector<int>& loop) {
                glm::dvec2 d = q - M;
                double length2 = glm::dot(d, d);
                for (int v : loop) {
                    glm::dvec2 w = p[v] - M;
                    double along = glm::dot(w, d);
                    if (along > 1e-12 * length2 && along < (1 - 1e-12) * length2 &&
                        std::fabs(d.x * w.y - d.y * w.x) <= 1e-9 * length2)
                        return true;
                }
                return false;
            };
            if (crossesLoop(outer) || touchesLoop(outer)) return true;
            for (size_t k = h; k < holes.size(); ++k)
                if (crossesLoop(holes[k]) || touchesLoop(holes[k])) return true;
            glm::dvec2 mid = (M + q) * 0.5;
            if (!insideLoop(p, outer, mid)) return true;
            for (size_t k = h + 1; k < holes.size(); ++k)
                if (insideLoop(p, holes[k], mid)) return true;
            return false;
        };
        std::vector<size_t> order(outer.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return glm::length(p[outer[a]] - M) < glm::length(p[outer[b]] - M);
        });
        long chosen = -1;
        for (size_t i : order) {
            if (glm::length(p[outer[i]] - M) < 1e-12 || (leavesInward(p, outer, i, M) && !blocked(p[outer[i]]))) {
                chosen = static_cast<long>(i);
                break;
            }
        }
        if (chosen < 0) continue;  // no vertex in sight: the hole stays uncovered
        std::vector<int> merged(outer.begin(), outer.begin() + chosen + 1);
        for (size_t k = 0; k <= hole.size(); ++k) merged.push_back(hole[(m + k) % hole.size()]);
        merged.insert(merged.end(), outer.begin() + chosen, outer.end());
        outer = std::move(merged);
    }
    return outer;
}

// Grows convex pieces corner by corner while no other vertex falls inside.
bool growPieces(const Points& p, std::vector<int> poly, std::vector<std::vector<int>>& pieces, int64_t deadline,
                std::vector<int>& rest) {
    size_t stalls = 0;
    size_t start = 0;
    std::vector<size_t> reflex;
    bool reflexStale = true;
    while (poly.size() > 3) {
        if (Clock::milliseconds() > deadline) {
            rest = poly;
            return false;
        }
        size_t n = poly.size();
        start %= n;
        // Only reflex corners can lie inside a convex piece of the polygon.
        if (reflexStale) {
            reflex.clear();
            for (size_t k = 0; k < n; ++k)
                if (cross(p[poly[(k + n - 1) % n]], p[poly[k]], p[poly[(k + 1) % n]]) <= 1e-12) reflex.push_back(k);
            reflexStale = false;
        }
        std::vector<int> piece = {poly[start], poly[(start + 1) % n], poly[(start + 2) % n]};
        // The piece grows as a fan from its first corner: each new corner adds the
        // triangle (first, last, new), which must keep every turn convex and hold no
        // reflex corner of the rest of the polygon.
        auto freeOf = [&](int a, int b, int c, size_t used) {
            for (size_t r : reflex) {
                size_t k = (r + n - start) % n;
                if (k < used) continue;
                int v = poly[r];
                if (same(p, v, a) || same(p, v, b) || same(p, v, c)) continue;
                if (insideConvex(p, {a, b, c}, p[v])) return false;
            }
            return true;
        };
        auto acceptable = [&](const std::vector<int>& candidate, size_t used) {
            size_t m = candidate.size();
            int first = candidate[0], last = candidate[m - 1], before = candidate[m - 2];
            if (cross(p[before], p[last], p[first]) <= 1e-12) return false;   // turn at the new corner
            if (cross(p[last], p[first], p[candidate[1]]) <= 1e-12) return false;  // closing turn
            if (m > 3 && cross(p[candidate[m - 3]], p[before], p[last]) <= 1e-12) return false;
            return freeOf(first, before, last, used);
        };
        if (!acceptable(piece, 3)) {
            ++start;
            if (++stalls > n) {
                rest = poly;
                return false;
            }
            continue;
        }
        stalls = 0;
        size_t used = 3;
        while (used < n && static_cast<int>(piece.size()) < CapBuilder::kMaxPieceCorners) {
            std::vector<int> bigger = piece;
            bigger.push_back(poly[(start + used) % n]);
            if (!acceptable(bigger, used + 1)) break;
            piece = std::move(bigger);
            ++used;
        }
        pieces.push_back(piece);
        if (used == n) return true;  // the whole remaining polygon was convex
        // The piece's inner corners leave the polygon; its two ends stay joined.
        std::vector<int> remaining;
        for (size_t k = 0; k < n; ++k)
            if (k == 0 || k >= used - 1) remaining.push_back(poly[(start + k) % n]);
        poly = dropRepeats(p, remaining);
        reflexStale = true;
        start = 0;
    }
    if (poly.size() == 3 && std::fabs(cross(p[poly[0]], p[poly[1]], p[poly[2]])) > 1e-12) pieces.push_back(poly);
    return true;
}

// The fallback: the GLU tessellator, which copes with what growing convex pieces
// cannot (touching bridges, collinear runs, vertices shared by two loops). It keeps
// the given vertices; where it would need a new one (crossing edges), the nearest
// given vertex stands in, so the cap still shares the sides' vertices.
struct Tessellation {
    const Points* points = nullptr;
    std::vector<int> corners;  // three per triangle
    bool failed = false;
};

void GLAPIENTRY onVertex(void* vertex, void* data) {
    static_cast<Tessellation*>(data)->corners.push_back(*static_cast<int*>(vertex));
}
void GLAPIENTRY onEdgeFlag(GLboolean, void*) {}  // its presence asks for plain triangles
void GLAPIENTRY onError(GLenum, void* data) { static_cast<Tessellation*>(data)->failed = true; }
void GLAPIENTRY onCombine(GLdouble coords[3], void* vertex[4], GLfloat weight[4], void** out, void*) {
    int best = 0;
    for (int k = 1; k < 4; ++k)
        if (vertex[k] && weight[k] > weight[best]) best = k;
    (void)coords;
    *out = vertex[best];
}

bool tessellate(const Points& p, const std::vector<std::vector<int>>& loops, std::vector<std::vector<int>>& pieces) {
    GLUtesselator* tess = gluNewTess();
    if (!tess) return false;
    Tessellation t;
    t.points = &p;
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<void(GLAPIENTRY*)()>(onVertex));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<void(GLAPIENTRY*)()>(onEdgeFlag));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<void(GLAPIENTRY*)()>(onError));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<void(GLAPIENTRY*)()>(onCombine));
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
    gluTessNormal(tess, 0, 0, 1);
    size_t total = 0;
    for (const std::vector<int>& loop : loops) total += loop.size();
    std::vector<GLdouble> coords;
    std::vector<int> ids;
    coords.reserve(3 * total);
    ids.reserve(total);  // GLU keeps pointers into both until the polygon ends
    gluTessBeginPolygon(tess, &t);
    for (const std::vector<int>& loop : loops) {
        gluTessBeginContour(tess);
        for (int i : loop) {
            coords.insert(coords.end(), {p[i].x, p[i].y, 0.0});
            ids.push_back(i);
            gluTessVertex(tess, &coords[coords.size() - 3], &ids.back());
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    if (t.failed) return false;
    for (size_t k = 0; k + 2 < t.corners.size(); k += 3) {
        int a = t.corners[k], b = t.corners[k + 1], c = t.corners[k + 2];
        if (same(p, a, b) || same(p, b, c) || same(p, c, a)) continue;
        double area = cross(p[a], p[b], p[c]);
        if (std::fabs(area) <= 1e-14) continue;
        if (area > 0)
            pieces.push_back({a, b, c});
        else
            pieces.push_back({a, c, b});
    }
    return true;
}

}  // namespace

double CapBuilder::signedArea(const Points& p, const std::vector<int>& loop) {
    double a = 0;
    for (size_t i = 0; i < loop.size(); ++i) {
        glm::dvec2 u = p[loop[i]], v = p[loop[(i + 1) % loop.size()]];
        a += u.x * v.y - v.x * u.y;
    }
    return a / 2;
}

bool CapBuilder::contains(const Points& p, const std::vector<int>& loop, glm::dvec2 q) {
    bool inside = false;
    for (size_t i = 0, j = loop.size() - 1; i < loop.size(); j = i++) {
        glm::dvec2 a = p[loop[i]], b = p[loop[j]];
        if ((a.y > q.y) != (b.y > q.y) && q.x < (b.x - a.x) * (q.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside;
}

std::vector<CapBuilder::Region> CapBuilder::regions(const Points& p, const std::vector<std::vector<int>>& loops) {
    // Nesting depth by containment of a point of each loop (its middle edge point,
    // away from shared corners).
    std::vector<int> depth(loops.size(), 0), parent(loops.size(), -1);
    std::vector<double> area(loops.size());
    for (size_t i = 0; i < loops.size(); ++i) area[i] = std::fabs(signedArea(p, loops[i]));
    for (size_t i = 0; i < loops.size(); ++i) {
        if (loops[i].size() < 3) continue;
        glm::dvec2 probe = (p[loops[i][0]] + p[loops[i][1]]) * 0.5;
        double smallest = 1e300;
        for (size_t j = 0; j < loops.size(); ++j) {
            if (i == j || loops[j].size() < 3 || area[j] <= area[i]) continue;
            if (contains(p, loops[j], probe)) {
                ++depth[i];
                if (area[j] < smallest) smallest = area[j], parent[i] = static_cast<int>(j);
            }
        }
    }
    std::vector<Region> out;
    std::vector<int> regionOf(loops.size(), -1);
    for (size_t i = 0; i < loops.size(); ++i) {
        if (loops[i].size() < 3 || depth[i] % 2) continue;
        regionOf[i] = static_cast<int>(out.size());
        out.push_back({loops[i], {}});
    }
    for (size_t i = 0; i < loops.size(); ++i)
        if (loops[i].size() >= 3 && depth[i] % 2 && parent[i] >= 0 && regionOf[static_cast<size_t>(parent[i])] >= 0)
            out[static_cast<size_t>(regionOf[static_cast<size_t>(parent[i])])].holes.push_back(loops[i]);
    return out;
}

bool CapBuilder::decompose(const Points& p, const Region& region, std::vector<std::vector<int>>& pieces) {
    std::vector<int> outer = dropRepeats(p, region.outer);
    if (outer.size() < 3) return true;
    if (signedArea(p, outer) < 0) std::reverse(outer.begin(), outer.end());
    std::vector<std::vector<int>> holes;
    for (const std::vector<int>& h : region.holes) {
        std::vector<int> hole = dropRepeats(p, h);
        if (hole.size() < 3) continue;
        if (signedArea(p, hole) > 0) std::reverse(hole.begin(), hole.end());
        holes.push_back(hole);
    }
    std::vector<int> poly = dropRepeats(p, bridgeHoles(p, outer, holes));
    std::vector<int> rest;
    const size_t first = pieces.size();
    bool ok = growPieces(p, poly, pieces, Clock::milliseconds() + kBudgetMilliseconds, rest) ||
              tessellate(p, {rest}, pieces);
    // The pieces must cover the region exactly once; a hole that no bridge could reach
    // or a bridge that crossed an edge shows up as a wrong area. Then the tessellator
    // takes the whole region, holes given as loops of their own.
    double area = signedArea(p, outer), covered = 0;
    for (const std::vector<int>& hole : holes) area += signedArea(p, hole);
    for (size_t k = first; k < pieces.size(); ++k) covered += signedArea(p, pieces[k]);
    if (ok && std::fabs(covered - area) <= 1e-9 * std::fabs(area) + 1e-12) return true;
    pieces.resize(first);
    std::vector<std::vector<int>> loops = {outer};
    loops.insert(loops.end(), holes.begin(), holes.end());
    return tessellate(p, loops, pieces);
}

}  // namespace fw
