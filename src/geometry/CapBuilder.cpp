#include "geometry/CapBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <GL/glu.h>
#include <glm/geometric.hpp>

#include "geometry/Tessellator.h"
#include "platform/Clock.h"
#include "platform/MathConstants.h"

namespace fw {

namespace {

using Points = std::vector<glm::dvec2>;

double cross(glm::dvec2 a, glm::dvec2 b, glm::dvec2 c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); }

// Twice the triangle's area over its longest side: the least of its heights, negative
// when it turns clockwise.
double leastHeight(const Points& p, int a, int b, int c) {
    const glm::dvec2 A = p[a], B = p[b], C = p[c];
    const double longest = std::max({glm::length(B - A), glm::length(C - B), glm::length(A - C)});
    return longest > 0 ? cross(A, B, C) / longest : 0;
}

bool same(const Points& p, int a, int b) {
    if (a == b) return true;
    glm::dvec2 d = p[a] - p[b];
    return d.x * d.x + d.y * d.y < 1e-18;
}

// Inside the counter-clockwise triangle or on its border.
bool insideTriangle(glm::dvec2 a, glm::dvec2 b, glm::dvec2 c, glm::dvec2 q) {
    return cross(a, b, q) >= -1e-12 && cross(b, c, q) >= -1e-12 && cross(c, a, q) >= -1e-12;
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
        return a < 0 ? a + 2 * kPi : a;
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
        std::vector<std::pair<double, size_t>> order(outer.size());  // squared distance, position
        for (size_t i = 0; i < order.size(); ++i) {
            glm::dvec2 d = p[outer[i]] - M;
            order[i] = {d.x * d.x + d.y * d.y, i};
        }
        std::sort(order.begin(), order.end());
        long chosen = -1;
        for (auto [distance, i] : order) {
            if (distance < 1e-24 || (leavesInward(p, outer, i, M) && !blocked(p[outer[i]]))) {
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

// Grows convex pieces corner by corner while no other vertex falls inside. The
// polygon is a ring of linked corners, so cutting a piece off costs the piece alone,
// and only its reflex corners can fall inside a convex piece: the corners sit in a grid,
// and a triangle looks at the reflex ones within its own box.
class PieceGrower {
public:
    PieceGrower(const Points& p, const std::vector<int>& poly)
        : p_(p), poly_(poly), total_(static_cast<int>(poly.size())), next_(poly.size()), prev_(poly.size()),
          inPiece_(poly.size(), -1), isReflex_(poly.size(), 0), listed_(poly.size(), 0), alive_(total_) {
        for (int k = 0; k < total_; ++k) next_[k] = (k + 1) % total_, prev_[k] = (k + total_ - 1) % total_;
        glm::dvec2 highest(-1e300);
        for (int k = 0; k < total_; ++k) lowest_ = glm::min(lowest_, at(k)), highest = glm::max(highest, at(k));
        // Each triangle of a piece's fan stands higher than a millionth of the cap: a
        // thinner one (a corner that hardly turns, where a cut lines up with a serif's edge
        // or one stroke's side runs on as another contour's) has next to no area, and none
        // once packed into single precision. Where no piece can start so (a sliver of an
        // outline that crosses itself), growing goes on without, and the pieces are mended
        // afterwards.
        flat_ = 1e-6 * std::max(highest.x - lowest_.x, highest.y - lowest_.y);
        side_ = std::clamp(static_cast<int>(std::sqrt(total_ / 2.0)), 1, 512);
        cell_ = glm::max((highest - lowest_) / static_cast<double>(side_), glm::dvec2(1e-300));
        fillGrid();
    }

    bool run(std::vector<std::vector<int>>& pieces, int64_t deadline, std::vector<int>& rest) {
        size_t stalls = 0, rounds = 0;
        std::vector<int> piece;
        while (alive_ > 3) {
            if (++rounds % 64 == 0 && Clock::milliseconds() > deadline) {  // the clock is dear next to a round
                rest = remaining();
                return false;
            }
            ++pieceStamp_;
            piece.assign({start_, next_[start_]});
            inPiece_[start_] = inPiece_[next_[start_]] = pieceStamp_;
            if (!acceptable(piece, next_[next_[start_]])) {
                start_ = next_[start_];
                if (++stalls > static_cast<size_t>(alive_)) {
                    if (upright_) {
                        upright_ = false, stalls = 0;
                        continue;
                    }
                    rest = remaining();
                    return false;
                }
                continue;
            }
            piece.push_back(next_[next_[start_]]);
            stalls = 0;
            while (static_cast<int>(piece.size()) < alive_ &&
                   static_cast<int>(piece.size()) < CapBuilder::kMaxPieceCorners) {
                int added = next_[piece.back()];
                if (!acceptable(piece, added)) break;
                piece.push_back(added);
            }
            std::vector<int> corners(piece.size());
            for (size_t k = 0; k < piece.size(); ++k) corners[k] = poly_[static_cast<size_t>(piece[k])];
            pieces.push_back(std::move(corners));
            if (static_cast<int>(piece.size()) == alive_) return true;  // the whole remaining polygon was convex
            cutOff(piece);
        }
        std::vector<int> last = remaining();
        if (last.size() == 3 && std::fabs(cross(p_[last[0]], p_[last[1]], p_[last[2]])) > 1e-12) pieces.push_back(last);
        return true;
    }

private:
    // Corners in a grid of cells, each cell's corners in one flat list; positions
    // never move, so the grid holds throughout and being reflex is a flag.
    struct Corner {
        double x, y;
        int node;
    };

    glm::dvec2 at(int node) const { return p_[poly_[static_cast<size_t>(node)]]; }
    int column(double x) const {
        return static_cast<int>(std::clamp((x - lowest_.x) / cell_.x, 0.0, static_cast<double>(side_ - 1)));
    }
    int row(double y) const {
        return static_cast<int>(std::clamp((y - lowest_.y) / cell_.y, 0.0, static_cast<double>(side_ - 1)));
    }

    // Only corners that are reflex at the start go in the grid: cutting pieces off
    // leaves the rest convex, save for the odd corner that a joint turns reflex, and
    // those are looked at from a short list of their own.
    void fillGrid() {
        for (int k = 0; k < total_; ++k) isReflex_[k] = cross(at(prev_[k]), at(k), at(next_[k])) <= 1e-12;
        starts_.assign(static_cast<size_t>(side_) * side_ + 1, 0);
        for (int k = 0; k < total_; ++k)
            if (isReflex_[k]) ++starts_[static_cast<size_t>(row(at(k).y)) * side_ + column(at(k).x) + 1];
        for (size_t k = 1; k < starts_.size(); ++k) starts_[k] += starts_[k - 1];
        grid_.resize(static_cast<size_t>(starts_.back()));
        std::vector<int> fill(starts_.begin(), starts_.end() - 1);
        for (int k = 0; k < total_; ++k) {
            if (!isReflex_[k]) continue;
            listed_[k] = 1;
            glm::dvec2 q = at(k);
            grid_[static_cast<size_t>(fill[static_cast<size_t>(row(q.y)) * side_ + column(q.x)]++)] = {q.x, q.y, k};
        }
    }

    void classify(int node) {
        isReflex_[node] = cross(at(prev_[node]), at(node), at(next_[node])) <= 1e-12;
        if (isReflex_[node] && !listed_[node]) listed_[node] = 1, lateReflex_.push_back(node);
    }

    void unlink(int node) {
        isReflex_[node] = 0;
        next_[prev_[node]] = next_[node];
        prev_[next_[node]] = prev_[node];
        --alive_;
    }

    // The piece's inner corners leave the polygon; its two ends stay joined, and a
    // joint that brings two equal points together keeps one of them.
    void cutOff(const std::vector<int>& piece) {
        for (size_t k = 1; k + 1 < piece.size(); ++k) unlink(piece[k]);
        int first = piece.front();
        while (alive_ > 1 && same(p_, poly_[static_cast<size_t>(first)], poly_[static_cast<size_t>(next_[first])]))
            unlink(next_[first]);
        while (alive_ > 1 && same(p_, poly_[static_cast<size_t>(first)], poly_[static_cast<size_t>(prev_[first])]))
            unlink(prev_[first]);
        classify(first), classify(next_[first]), classify(prev_[first]);
        start_ = first;
    }

    std::vector<int> remaining() const {
        std::vector<int> out;
        int node = start_;
        for (int k = 0; k < alive_; ++k, node = next_[node]) out.push_back(poly_[static_cast<size_t>(node)]);
        return out;
    }

    // A reflex corner outside the piece, inside the triangle (a, b, c).
    bool holds(int node, int a, int b, int c) const {
        if (!isReflex_[node] || inPiece_[node] == pieceStamp_) return false;
        int v = poly_[static_cast<size_t>(node)];
        if (same(p_, v, poly_[static_cast<size_t>(a)]) || same(p_, v, poly_[static_cast<size_t>(b)]) ||
            same(p_, v, poly_[static_cast<size_t>(c)]))
            return false;
        return insideTriangle(at(a), at(b), at(c), at(node));
    }

    // The triangle (a, b, c) of the fan holds no reflex corner outside the piece.
    bool freeOf(int a, int b, int c) const {
        glm::dvec2 A = at(a), B = at(b), C = at(c);
        double left = std::min({A.x, B.x, C.x}) - 1e-9, right = std::max({A.x, B.x, C.x}) + 1e-9;
        double low = std::min({A.y, B.y, C.y}) - 1e-9, high = std::max({A.y, B.y, C.y}) + 1e-9;
        const int x0 = column(left), x1 = column(right), y1 = row(high);
        for (int y = row(low); y <= y1; ++y) {
            const Corner* first = grid_.data() + starts_[static_cast<size_t>(y) * side_ + x0];
            const Corner* last = grid_.data() + starts_[static_cast<size_t>(y) * side_ + x1 + 1];
            for (const Corner* it = first; it != last; ++it) {
                if (it->x < left || it->x > right || it->y < low || it->y > high) continue;
                if (holds(it->node, a, b, c)) return false;
            }
        }
        for (int node : lateReflex_) {
            glm::dvec2 q = at(node);
            if (q.x < left || q.x > right || q.y < low || q.y > high) continue;
            if (holds(node, a, b, c)) return false;
        }
        return true;
    }

    // The piece (nodes) with `added` as its new last corner: every turn stays convex.
    bool acceptable(const std::vector<int>& piece, int added) {
        size_t m = piece.size() + 1;
        int first = piece[0], before = piece[m - 2];
        if (cross(at(before), at(added), at(first)) <= 1e-12) return false;    // turn at the new corner
        if (cross(at(added), at(first), at(piece[1])) <= 1e-12) return false;  // closing turn
        if (m > 3 && cross(at(piece[m - 3]), at(before), at(added)) <= 1e-12) return false;
        if (upright_ && leastHeight(p_, poly_[static_cast<size_t>(first)], poly_[static_cast<size_t>(before)],
                                    poly_[static_cast<size_t>(added)]) <= flat_)
            return false;
        inPiece_[added] = pieceStamp_;
        bool free = freeOf(first, before, added);
        if (!free) inPiece_[added] = -1;
        return free;
    }

    const Points& p_;
    const std::vector<int>& poly_;
    const int total_;
    std::vector<int> next_, prev_, inPiece_;
    std::vector<char> isReflex_, listed_;
    std::vector<int> lateReflex_;
    std::vector<int> starts_;
    std::vector<Corner> grid_;
    glm::dvec2 lowest_{1e300}, cell_{1.0};
    double flat_ = 0;
    int side_ = 1;
    int alive_, start_ = 0, pieceStamp_ = 0;
    bool upright_ = true;
};

bool growPieces(const Points& p, const std::vector<int>& poly, std::vector<std::vector<int>>& pieces, int64_t deadline,
                std::vector<int>& rest) {
    return PieceGrower(p, poly).run(pieces, deadline, rest);
}

// The fallback: the GLU tessellator, which copes with what growing convex pieces
// cannot. Where it would need a new vertex (crossing edges), the nearest given vertex
// stands in, so the cap still shares the sides' vertices.
bool tessellate(const Points& p, const std::vector<std::vector<int>>& loops, std::vector<std::vector<int>>& pieces) {
    Tessellator tessellator(GLU_TESS_WINDING_ODD, [](glm::dvec2, const int ids[4], const float weights[4]) {
        int best = 0;
        for (int k = 1; k < 4; ++k)
            if (ids[k] != Tessellator::kAbsent && weights[k] > weights[best]) best = k;
        return ids[best];
    });
    std::vector<std::vector<Tessellator::Point>> input;
    for (const std::vector<int>& loop : loops) {
        input.emplace_back();
        for (int i : loop) input.back().push_back({p[i], i});
    }
    std::vector<int> corners;
    if (!tessellator.triangulate(input, corners)) return false;
    std::vector<std::vector<int>> triangles;
    for (size_t k = 0; k + 2 < corners.size(); k += 3) {
        int a = corners[k], b = corners[k + 1], c = corners[k + 2];
        if (!same(p, a, b) && !same(p, b, c) && !same(p, c, a)) triangles.push_back({a, b, c});
    }
    Tessellator::mendSlivers(p, triangles);
    pieces.insert(pieces.end(), triangles.begin(), triangles.end());
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

namespace {

// The least height of the triangles of the piece's fan from its corner `from`.
double fanHeight(const Points& p, const std::vector<int>& piece, size_t from) {
    const size_t n = piece.size();
    double least = 1e300;
    for (size_t k = 1; k + 1 < n; ++k)
        least = std::min(least, leastHeight(p, piece[from], piece[(from + k) % n], piece[(from + k + 1) % n]));
    return least;
}

// A flat triangle lies along the side of the piece beyond its longest side, which
// takes the triangle's third corner instead. True when one was mended.
bool mendFlatTriangles(const Points& p, std::vector<std::vector<int>>& pieces, size_t first, double flat) {
    auto flatTriangle = [&](const std::vector<int>& t) {
        return t.size() == 3 && leastHeight(p, t[0], t[1], t[2]) <= flat;
    };
    if (std::none_of(pieces.begin() + static_cast<long>(first), pieces.end(), flatTriangle)) return false;
    std::map<std::pair<int, int>, size_t> sideOf;  // a directed side and the piece it bounds
    for (size_t k = first; k < pieces.size(); ++k)
        for (size_t i = 0; i < pieces[k].size(); ++i) sideOf[{pieces[k][i], pieces[k][(i + 1) % pieces[k].size()]}] = k;
    std::vector<char> gone(pieces.size(), 0);
    bool mended = false;
    for (size_t k = first; k < pieces.size(); ++k) {
        if (!flatTriangle(pieces[k])) continue;
        const std::vector<int> t = pieces[k];
        size_t s = 0;
        for (size_t i = 1; i < 3; ++i)
            if (glm::length(p[t[(i + 1) % 3]] - p[t[i]]) > glm::length(p[t[(s + 1) % 3]] - p[t[s]])) s = i;
        const int a = t[s], b = t[(s + 1) % 3], m = t[(s + 2) % 3];
        auto beyond = sideOf.find({b, a});
        if (beyond == sideOf.end() || beyond->second == k || gone[beyond->second]) continue;  // the outline
        std::vector<int>& other = pieces[beyond->second];
        size_t at = 0;
        while (at < other.size() && !(other[at] == b && other[(at + 1) % other.size()] == a)) ++at;
        if (at == other.size()) continue;
        other.insert(other.begin() + static_cast<long>(at) + 1, m);
        sideOf.erase(beyond);
        sideOf[{b, m}] = sideOf[{m, a}] = static_cast<size_t>(&other - pieces.data());
        for (size_t i = 0; i < 3; ++i) sideOf.erase({t[i], t[(i + 1) % 3]});
        gone[k] = 1, mended = true;
    }
    size_t kept = first;
    for (size_t k = first; k < pieces.size(); ++k)
        if (!gone[k] && kept++ != k) pieces[kept - 1] = std::move(pieces[k]);
    pieces.resize(kept);
    return mended;
}

// Turns the piece to start at the corner, among its sharpest few, whose fan's thinnest
// triangle is the least thin; true when that one stands higher than `flat`.
bool fanFromBest(const Points& p, std::vector<int>& piece, double flat) {
    const size_t n = piece.size();
    std::vector<std::pair<double, size_t>> sharp(n);  // minus the sine of the turn
    for (size_t i = 0; i < n; ++i) {
        const glm::dvec2 in = p[piece[i]] - p[piece[(i + n - 1) % n]], out = p[piece[(i + 1) % n]] - p[piece[i]];
        const double lengths = glm::length(in) * glm::length(out);
        sharp[i] = {lengths > 0 ? (in.y * out.x - in.x * out.y) / lengths : 0.0, i};
    }
    const size_t tried = std::min<size_t>(n, 8);
    std::partial_sort(sharp.begin(), sharp.begin() + static_cast<long>(tried), sharp.end());
    size_t best = 0;
    double height = -1e300;
    for (size_t c = 0; c < tried && height <= flat; ++c)
        if (const double h = fanHeight(p, piece, sharp[c].second); h > height) height = h, best = sharp[c].second;
    std::rotate(piece.begin(), piece.begin() + static_cast<long>(best), piece.end());
    return height > flat;
}

// Pieces are drawn and written as fans from their first corner, and a corner that
// hardly turns (where a cut lines up with a serif's edge, or one stroke's side runs on
// as another contour's, straight but for rounding) gives a fan triangle of next to
// no area, none at all once packed into single precision. Flat triangles are mended
// into their neighbours; a piece with a flat corner is fanned from a corner that
// gives no flat triangle, or else has ears cut off, the highest first, until the rest
// does (a piece thinner than `flat` all along, a sliver where an outline crosses
// itself, keeps the least thin fan it has). Cutting ears can leave a flat triangle
// for another round.
void mendFlatPieces(const Points& p, std::vector<std::vector<int>>& pieces, size_t first, double flat) {
    for (int round = 0; round < 4; ++round) {
        const bool mended = mendFlatTriangles(p, pieces, first, flat);
        bool cut = false;
        const size_t made = pieces.size();
        for (size_t k = first; k < made; ++k) {
            if (pieces[k].size() < 4 || fanHeight(p, pieces[k], 0) > flat) continue;
            std::vector<int> ring = pieces[k];
            std::vector<std::vector<int>> ears;
            while (!fanFromBest(p, ring, flat) && ring.size() > 3) {
                const size_t r = ring.size();
                size_t ear = 0;
                double height = -1e300;
                for (size_t i = 0; i < r; ++i)
                    if (const double h = leastHeight(p, ring[(i + r - 1) % r], ring[i], ring[(i + 1) % r]); h > height)
                        height = h, ear = i;
                if (height <= flat) break;
                ears.push_back({ring[(ear + r - 1) % r], ring[ear], ring[(ear + 1) % r]});
                ring.erase(ring.begin() + static_cast<long>(ear));
            }
            if (ring.size() == 3 && leastHeight(p, ring[0], ring[1], ring[2]) <= flat) {
                // Cut down to a flat triangle, which the next round would mend back into
                // an ear: the whole piece stays on its least thin fan when that one is
                // still a good part of `flat` high.
                std::vector<int> whole = pieces[k];
                fanFromBest(p, whole, flat);
                if (fanHeight(p, whole, 0) > flat / 4) {
                    pieces[k] = std::move(whole);
                    continue;
                }
            }
            pieces[k] = std::move(ring);
            cut = cut || !ears.empty();
            pieces.insert(pieces.end(), ears.begin(), ears.end());
        }
        if (!mended && !cut) return;
    }
}

bool decomposeRegion(const Points& p, const CapBuilder::Region& region, std::vector<std::vector<int>>& pieces) {
    std::vector<int> outer = dropRepeats(p, region.outer);
    if (outer.size() < 3) return true;
    if (CapBuilder::signedArea(p, outer) < 0) std::reverse(outer.begin(), outer.end());
    std::vector<std::vector<int>> holes;
    for (const std::vector<int>& h : region.holes) {
        std::vector<int> hole = dropRepeats(p, h);
        if (hole.size() < 3) continue;
        if (CapBuilder::signedArea(p, hole) > 0) std::reverse(hole.begin(), hole.end());
        holes.push_back(hole);
    }
    std::vector<int> poly = dropRepeats(p, bridgeHoles(p, outer, holes));
    std::vector<int> rest;
    const size_t first = pieces.size();
    glm::dvec2 low(1e300), high(-1e300);
    for (int i : outer) low = glm::min(low, p[i]), high = glm::max(high, p[i]);
    const double flat = 1e-6 * std::max(high.x - low.x, high.y - low.y);
    bool ok = growPieces(p, poly, pieces, Clock::milliseconds() + CapBuilder::kBudgetMilliseconds, rest) ||
              tessellate(p, {rest}, pieces);
    mendFlatPieces(p, pieces, first, flat);
    // The pieces must cover the region exactly once; a hole that no bridge could reach
    // or a bridge that crossed an edge shows up as a wrong area. Then the tessellator
    // takes the whole region, holes given as loops of their own.
    double area = CapBuilder::signedArea(p, outer), covered = 0;
    for (const std::vector<int>& hole : holes) area += CapBuilder::signedArea(p, hole);
    for (size_t k = first; k < pieces.size(); ++k) covered += CapBuilder::signedArea(p, pieces[k]);
    if (ok && std::fabs(covered - area) <= 1e-9 * std::fabs(area) + 1e-12) return true;
    pieces.resize(first);
    std::vector<std::vector<int>> loops = {outer};
    loops.insert(loops.end(), holes.begin(), holes.end());
    if (!tessellate(p, loops, pieces)) return false;
    mendFlatPieces(p, pieces, first, flat);
    return true;
}

// A region by what decides its pieces: its loops' lengths and their points' bits.
// Pieces only ever name the region's own points, and with no point named twice the
// same coordinates give the same pieces whatever the numbers, so they are kept as
// places in the region (outer first, then the holes in turn). A solid's caps and its
// caps stage often cut the very same outline (front and back rows on the face).
struct RegionKey {
    std::vector<size_t> lengths;
    std::vector<glm::dvec2> points;
    bool operator==(const RegionKey& o) const {
        return lengths == o.lengths && points.size() == o.points.size() &&
               (points.empty() || std::memcmp(points.data(), o.points.data(), points.size() * sizeof(glm::dvec2)) == 0);
    }
};

struct CutRegion {
    RegionKey key;
    std::vector<std::vector<int>> places;
    bool ok = false;
};

// The region's points in order, or false when a point is named twice.
bool placesOf(const CapBuilder::Region& region, std::vector<int>& order) {
    order = region.outer;
    for (const std::vector<int>& h : region.holes) order.insert(order.end(), h.begin(), h.end());
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    return std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
}

}  // namespace

bool CapBuilder::decompose(const Points& p, const Region& region, std::vector<std::vector<int>>& pieces) {
    // A scripted clock decides where the time budget cuts, reading by reading: such a
    // cut is not kept, and a kept cut never stands in for one.
    std::vector<int> order;
    if (Clock::scripted() || !placesOf(region, order)) return decomposeRegion(p, region, pieces);
    RegionKey key;
    key.lengths.push_back(region.outer.size());
    for (const std::vector<int>& h : region.holes) key.lengths.push_back(h.size());
    key.points.reserve(order.size());
    for (int i : order) key.points.push_back(p[static_cast<size_t>(i)]);
    // Each thread keeps the last few regions it cut.
    constexpr size_t kKept = 4;
    thread_local std::vector<CutRegion> recent;
    for (const CutRegion& cut : recent)
        if (cut.key == key) {
            for (const std::vector<int>& places : cut.places) {
                std::vector<int> piece(places.size());
                for (size_t k = 0; k < places.size(); ++k) piece[k] = order[static_cast<size_t>(places[k])];
                pieces.push_back(std::move(piece));
            }
            return cut.ok;
        }
    const size_t first = pieces.size();
    CutRegion cut;
    cut.ok = decomposeRegion(p, region, pieces);
    std::vector<int> placeOf(p.size(), -1);
    for (size_t k = 0; k < order.size(); ++k) placeOf[static_cast<size_t>(order[k])] = static_cast<int>(k);
    for (size_t k = first; k < pieces.size(); ++k) {
        std::vector<int> places;
        places.reserve(pieces[k].size());
        for (int i : pieces[k]) {
            int place = i >= 0 && static_cast<size_t>(i) < placeOf.size() ? placeOf[static_cast<size_t>(i)] : -1;
            if (place < 0) return cut.ok;  // a point from elsewhere: nothing to keep
            places.push_back(place);
        }
        cut.places.push_back(std::move(places));
    }
    cut.key = std::move(key);
    if (recent.size() >= kKept) recent.erase(recent.begin());
    recent.push_back(std::move(cut));
    return recent.back().ok;
}

}  // namespace fw
