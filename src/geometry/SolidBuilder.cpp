#include "geometry/SolidBuilder.h"

#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>
#include <glm/vec3.hpp>
#include <map>

#include "geometry/CapBuilder.h"
#include "geometry/CapTiles.h"
#include "geometry/ContourOffset.h"
#include "geometry/OutlineUnion.h"
#include "mesh/GeometryInterface.h"
#include "platform/MathConstants.h"

namespace fw {

namespace {


glm::dvec2 unit(glm::dvec2 v) {
    double l = glm::length(v);
    return l > 0 ? v / l : glm::dvec2(0.0);
}

glm::dvec3 unit3(glm::dvec3 v) {
    double l = glm::length(v);
    return l > 0 ? v / l : glm::dvec3(0.0);
}

double areaOf(const SolidBuilder::Contour& c) {
    double a = 0;
    for (size_t i = 0; i < c.size(); ++i) a += c[i].x * c[(i + 1) % c.size()].y - c[(i + 1) % c.size()].x * c[i].y;
    return a / 2;
}

// Points closer than `within` are one point: flattening leaves such pairs at joins, and
// kept apart they make slivers that the caps and the sides would each close differently.
SolidBuilder::Contour withoutRepeats(const SolidBuilder::Contour& c, double within) {
    SolidBuilder::Contour out;
    for (glm::dvec2 p : c)
        if (out.empty() || glm::length(p - out.back()) > within) out.push_back(p);
    while (out.size() > 1 && glm::length(out.front() - out.back()) <= within) out.pop_back();
    return out;
}

// Points inside a straight run carry no shape (flattening at render quality splits
// every straight edge into as many pieces as it has steps), yet each would add a
// column to every row of the sweep and make the caps' work grow with its square.
SolidBuilder::Contour withoutStraightRuns(const SolidBuilder::Contour& c) {
    auto inRun = [](glm::dvec2 a, glm::dvec2 b, glm::dvec2 p) {
        glm::dvec2 u = b - a, v = p - b;
        double cross = u.x * v.y - u.y * v.x;
        return glm::dot(u, v) > 0 && std::fabs(cross) <= 1e-9 * glm::length(u) * glm::length(v);
    };
    SolidBuilder::Contour out;
    for (glm::dvec2 p : c) {
        while (out.size() >= 2 && inRun(out[out.size() - 2], out.back(), p)) out.pop_back();
        out.push_back(p);
    }
    // Across the seam: the last point, then the first, may sit inside runs too.
    while (out.size() > 3 && inRun(out[out.size() - 2], out.back(), out.front())) out.pop_back();
    while (out.size() > 3 && inRun(out.back(), out[0], out[1])) out.erase(out.begin());
    return out;
}

// The edge profile in solid units: x as an offset, z along the depth (front at 0).
struct ProfileRow {
    double offset;
    double z;
    double v;                 // texture coordinate along the profile
    glm::dvec2 before, after;  // profile normals (outward, forward) on either side
};

std::vector<ProfileRow> profileRows(SolidBuilder::Contour profile, double depth, double xScale, double maxSegment,
                                    double hardAngle) {
    if (profile.size() < 2) profile = SolidBuilder::flatSides();
    if (profile.front().y > profile.back().y) std::reverse(profile.begin(), profile.end());
    std::vector<glm::dvec2> pts;  // (offset, depth into the solid)
    for (glm::dvec2 p : profile) pts.push_back(glm::dvec2(p.x * depth * xScale * 0.01, p.y * depth * 0.01));
    double edgeLength = 0;
    for (size_t i = 0; i + 1 < pts.size(); ++i) edgeLength += glm::length(pts[i + 1] - pts[i]);
    if (maxSegment > 0 && std::isfinite(edgeLength)) {
        // Meshing finer than the limit of rows along the whole edge is taken as that
        // limit: a tiny length from a file would otherwise ask for billions of rows.
        maxSegment = std::max(maxSegment, edgeLength / SolidBuilder::kMaxMeshedRows);
        std::vector<glm::dvec2> split;
        for (size_t i = 0; i + 1 < pts.size(); ++i) {
            split.push_back(pts[i]);
            double length = glm::length(pts[i + 1] - pts[i]);
            int pieces = static_cast<int>(length / maxSegment) + 1;
            if (length <= maxSegment) continue;
            for (int k = 1; k < pieces; ++k) split.push_back(pts[i] + (pts[i + 1] - pts[i]) * (static_cast<double>(k) / pieces));
        }
        split.push_back(pts.back());
        pts = split;
    }
    std::vector<glm::dvec2> clean;
    for (glm::dvec2 p : pts)
        if (clean.empty() || glm::length(p - clean.back()) > 1e-12) clean.push_back(p);
    if (clean.size() < 2) clean = {glm::dvec2(0, 0), glm::dvec2(0, depth)};
    // A profile segment's normal: outward-and-forward, right of its front-to-back walk.
    std::vector<glm::dvec2> segment(clean.size() - 1);
    for (size_t i = 0; i + 1 < clean.size(); ++i) {
        glm::dvec2 d = unit(clean[i + 1] - clean[i]);
        segment[i] = glm::dvec2(d.y, -d.x);
    }
    double total = 0;
    std::vector<double> along(clean.size(), 0);
    for (size_t i = 1; i < clean.size(); ++i) along[i] = total += glm::length(clean[i] - clean[i - 1]);
    double limit = std::cos(hardAngle * kPi / 180);
    std::vector<ProfileRow> rows;
    for (size_t i = 0; i < clean.size(); ++i) {
        ProfileRow r{clean[i].x, -clean[i].y, total > 0 ? along[i] / total : 0, {}, {}};
        glm::dvec2 in = i > 0 ? segment[i - 1] : segment[0], out = i + 1 < clean.size() ? segment[i] : segment.back();
        if (glm::dot(in, out) >= limit)
            r.before = r.after = unit(in + out);
        else
            r.before = in, r.after = out;
        rows.push_back(r);
    }
    return rows;
}

// Whether two edges of the loops cross inside both or lie along each other (meeting
// at a point does not count), found through a grid of the edges.
bool loopsCross(const std::vector<SolidBuilder::Contour>& loops) {
    struct Edge {
        glm::dvec2 a, b;
    };
    std::vector<Edge> edges;
    glm::dvec2 low(1e300), high(-1e300);
    for (const SolidBuilder::Contour& loop : loops)
        for (size_t i = 0; i < loop.size(); ++i) {
            glm::dvec2 a = loop[i], b = loop[(i + 1) % loop.size()];
            if (a == b) continue;
            edges.push_back({a, b});
            low = glm::min(low, a), high = glm::max(high, a);
        }
    if (edges.size() < 3) return false;
    const int side = std::clamp(static_cast<int>(std::sqrt(static_cast<double>(edges.size()))), 1, 256);
    glm::dvec2 cell = glm::max((high - low) / static_cast<double>(side), glm::dvec2(1e-12));
    auto at = [&](glm::dvec2 p, int& x, int& y) {
        x = std::clamp(static_cast<int>((p.x - low.x) / cell.x), 0, side - 1);
        y = std::clamp(static_cast<int>((p.y - low.y) / cell.y), 0, side - 1);
    };
    // Each cell's edges in one list: counted first, then filled in edge order.
    const size_t cellCount = static_cast<size_t>(side) * side;
    std::vector<int> starts(cellCount + 1, 0);
    auto span = [&](const Edge& e, int& x0, int& y0, int& x1, int& y1) {
        at(glm::min(e.a, e.b), x0, y0);
        at(glm::max(e.a, e.b), x1, y1);
    };
    for (const Edge& e : edges) {
        int x0, y0, x1, y1;
        span(e, x0, y0, x1, y1);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) ++starts[static_cast<size_t>(y) * side + x + 1];
    }
    for (size_t k = 1; k <= cellCount; ++k) starts[k] += starts[k - 1];
    std::vector<int> listed(static_cast<size_t>(starts[cellCount]));
    {
        std::vector<int> fill(starts.begin(), starts.end() - 1);
        for (size_t e = 0; e < edges.size(); ++e) {
            int x0, y0, x1, y1;
            span(edges[e], x0, y0, x1, y1);
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x) listed[static_cast<size_t>(fill[static_cast<size_t>(y) * side + x]++)] = static_cast<int>(e);
        }
    }
    auto cross2 = [](glm::dvec2 u, glm::dvec2 v) { return u.x * v.y - u.y * v.x; };
    for (size_t cell = 0; cell < cellCount; ++cell) {
        const int* list = listed.data() + starts[cell];
        const size_t size = static_cast<size_t>(starts[cell + 1] - starts[cell]);
        for (size_t m = 0; m < size; ++m)
            for (size_t k = m + 1; k < size; ++k) {
                const Edge &e = edges[static_cast<size_t>(list[m])], &f = edges[static_cast<size_t>(list[k])];
                glm::dvec2 r = e.b - e.a, q = f.b - f.a;
                double denominator = cross2(r, q);
                double rr = glm::dot(r, r);
                if (std::fabs(denominator) <= 1e-12 * rr) {
                    // Parallel: they cross only by lying along each other for a stretch.
                    if (std::fabs(cross2(f.a - e.a, r)) > 1e-9 * rr) continue;
                    double s0 = glm::dot(f.a - e.a, r) / rr, s1 = glm::dot(f.b - e.a, r) / rr;
                    if (std::min(1.0, std::max(s0, s1)) - std::max(0.0, std::min(s0, s1)) > 1e-9) return true;
                    continue;
                }
                double t = cross2(f.a - e.a, q) / denominator, u = cross2(f.a - e.a, r) / denominator;
                if (t > 1e-9 && t < 1 - 1e-9 && u > 1e-9 && u < 1 - 1e-9) return true;
            }
    }
    return false;
}
}  // namespace

SolidBuilder::Contour SolidBuilder::flatSides() { return {glm::dvec2(0, 0.0049), glm::dvec2(0, 99.996101)}; }

std::vector<SolidBuilder::Contour> SolidBuilder::prepareFace(const std::vector<Contour>& face, std::vector<bool>& isHole,
                                                             bool keepStraightRuns) {
    double extent = 0;
    for (const Contour& c : face)
        for (glm::dvec2 p : c) extent = std::max({extent, std::fabs(p.x), std::fabs(p.y)});
    const double within = std::max(1e-9, extent * 1e-5);
    std::vector<Contour> contours;
    for (const Contour& c : face) {
        Contour clean = withoutRepeats(c, within);
        if (!keepStraightRuns) clean = withoutStraightRuns(clean);
        if (clean.size() >= 3 && std::fabs(areaOf(clean)) > 1e-14) contours.push_back(clean);
    }
    contours = OutlineUnion::mergeOverlaps(contours);
    // Nesting depth decides: even depths are outlines, odd ones holes.
    std::vector<glm::dvec2> points;
    std::vector<std::vector<int>> loops;
    for (const Contour& c : contours) {
        std::vector<int> loop;
        for (glm::dvec2 p : c) {
            loop.push_back(static_cast<int>(points.size()));
            points.push_back(p);
        }
        loops.push_back(loop);
    }
    isHole.assign(contours.size(), false);
    std::vector<CapBuilder::Region> regions = CapBuilder::regions(points, loops);
    for (size_t i = 0; i < contours.size(); ++i) {
        bool hole = true;
        for (const CapBuilder::Region& r : regions) hole = hole && r.outer != loops[i];
        isHole[i] = hole;
        bool ccw = areaOf(contours[i]) > 0;
        if (ccw == hole) std::reverse(contours[i].begin(), contours[i].end());
    }
    return contours;
}

ContourOffset::Result SolidBuilder::offsetRow(const Contour& contour, double distance) {
    ContourOffset::Result row = ContourOffset::offset(contour, distance);
    if (row.collapsed || distance == 0) return row;
    double before = areaOf(contour), after = areaOf(row.points);
    if (before * after >= 0) return row;
    return ContourOffset::collapsedContour(contour);
}

void SolidBuilder::contourNormals(const Contour& c, double hardAngle, std::vector<glm::dvec2>& before,
                                  std::vector<glm::dvec2>& after) {
    const size_t n = c.size();
    before.resize(n);
    after.resize(n);
    std::vector<glm::dvec2> edge(n);  // outward normal of the edge leaving point i
    for (size_t i = 0; i < n; ++i) {
        glm::dvec2 d = unit(c[(i + 1) % n] - c[i]);
        edge[i] = glm::dvec2(d.y, -d.x);
    }
    double limit = std::cos(hardAngle * kPi / 180);
    for (size_t i = 0; i < n; ++i) {
        glm::dvec2 in = edge[(i + n - 1) % n], out = edge[i];
        if (glm::dot(in, out) >= limit) {
            before[i] = after[i] = unit(in + out);
        } else {
            before[i] = in;
            after[i] = out;
        }
    }
}

namespace {

using Contour = SolidBuilder::Contour;

// One solid on its way into the mesh, phase by phase: the rows of every contour, welded
// and added as vertices, then the sides between the rows and the caps on the end rows.
class Sweep {
public:
    Sweep(std::vector<Contour> contours, std::vector<bool> isHole, const SolidBuilder::Options& o, GeometryInterface& out)
        : contours_(std::move(contours)), isHole_(std::move(isHole)), o_(o), out_(out),
          tiled_(o.tileSize[0] > 0 || o.tileSize[1] > 0) {
        for (const Contour& c : contours_)
            for (glm::dvec2 p : c)
                box_[0] = std::min(box_[0], p.x), box_[1] = std::min(box_[1], p.y), box_[2] = std::max(box_[2], p.x),
                box_[3] = std::max(box_[3], p.y);
        width_ = std::max(box_[2] - box_[0], 1e-12), height_ = std::max(box_[3] - box_[1], 1e-12);
    }

    void sweepRows(const Contour& perimeterProfile, const Contour& holeProfile);
    void weldRows();
    void addSides();
    bool addCaps();
    int refused() const { return refused_; }

private:
    const std::vector<ProfileRow>& profileOf(size_t c) const { return isHole_[c] ? holeRows_ : perimeterRows_; }
    bool rowsCrowded() const;
    void addSide(size_t c);
    bool addCap(int side, const std::vector<CapBuilder::Region>& faceRegions,
                const std::vector<std::vector<int>>& faceLoops);
    void addPieces(int side, std::vector<std::vector<int>>& pieces, int normal);

    int addVertex(glm::dvec2 p, double z) {
        double v[3] = {p.x, p.y, z};
        capPoints_.push_back(p);
        depths_.push_back(z);
        return out_.addVertex(v);
    }
    void addElement(int part, int count, const int* positions, const int* texture, const int* normals) {
        if (out_.addElement(0, part, count, positions, count, texture, count, normals) < 0) ++refused_;
    }

    std::vector<Contour> contours_;
    std::vector<bool> isHole_;
    const SolidBuilder::Options& o_;
    GeometryInterface& out_;
    const bool tiled_;
    double box_[4] = {1e300, 1e300, -1e300, -1e300};
    double width_, height_;
    std::vector<ProfileRow> perimeterRows_, holeRows_;
    std::vector<CapTiles::Swept> swept_;
    // Rows of vertices: rows_[c][k][i] is point i of contour c offset for profile point k.
    std::vector<std::vector<std::vector<int>>> rows_;
    // Copies of the positions, indexed like the mesh's: 2D for the caps, and the depth,
    // so that no reading back goes through the mesh (a drawing mesh keeps floats).
    std::vector<glm::dvec2> capPoints_;
    std::vector<double> depths_;
    int refused_ = 0;
};

// Where the rows of neighbouring strokes run into each other the sides cut through
// each other, and a back cap on such rows (the "Front" bevels end away from the
// outline) cannot close; the bevel narrows until they stay apart.
void Sweep::sweepRows(const Contour& perimeterProfile, const Contour& holeProfile) {
    double narrowing = 1;
    for (int attempt = 0; attempt < 8; ++attempt, narrowing *= 0.75) {
        perimeterRows_ = profileRows(perimeterProfile, o_.depth, o_.perimeterXScale * narrowing, o_.maxSideSegment,
                                     o_.hardAngle);
        holeRows_ = profileRows(holeProfile.size() >= 2 ? holeProfile : perimeterProfile, o_.depth,
                                o_.holeXScale * narrowing, o_.maxSideSegment, o_.hardAngle);
        swept_.assign(contours_.size(), {});
        for (size_t c = 0; c < contours_.size(); ++c) {
            std::map<double, ContourOffset::Result> offsets;  // equal offsets are computed once
            swept_[c].face = contours_[c];
            for (const ProfileRow& pr : profileOf(c)) {
                auto found = offsets.find(pr.offset);
                if (found == offsets.end())
                    found = offsets.emplace(pr.offset, SolidBuilder::offsetRow(contours_[c], pr.offset)).first;
                swept_[c].rows.push_back(found->second.points);
            }
        }
        if (!rowsCrowded()) break;
    }
}

// Whether the back row, or the widest row, where neighbouring strokes meet first, runs
// into itself.
bool Sweep::rowsCrowded() const {
    auto widest = [](const std::vector<ProfileRow>& rows) {
        size_t w = 0;
        for (size_t k = 1; k < rows.size(); ++k)
            if (std::fabs(rows[k].offset) > std::fabs(rows[w].offset)) w = k;
        return w;
    };
    const size_t wide[2] = {widest(perimeterRows_), widest(holeRows_)};
    for (int which = 0; which < 2; ++which) {
        std::vector<Contour> row;
        for (size_t c = 0; c < contours_.size(); ++c) {
            const std::vector<ProfileRow>& profile = profileOf(c);
            size_t k = which == 0 ? profile.size() - 1 : wide[isHole_[c] ? 1 : 0];
            if (profile[k].offset != 0) row.push_back(swept_[c].rows[k]);
        }
        if (row.size() > 0 && loopsCross(row)) return true;
    }
    return false;
}

// Neighbours in a row closer than a millionth of the solid are one point: offsets
// that all but collapse leave such pairs, and apart they would make slivers that no
// weld of the finished mesh can tell from holes. Equal, the joining rule drops them.
// Tiled caps cut the rows first, so the cuts are welded too.
void Sweep::weldRows() {
    if (tiled_) {
        CapTiles::cutRows(swept_, o_.tileSize, o_.console);
        for (size_t c = 0; c < contours_.size(); ++c) contours_[c] = swept_[c].face;
    }
    const double weld = 1e-6 * std::max({width_, height_, o_.depth});
    for (CapTiles::Swept& sweep : swept_)
        for (Contour& row : sweep.rows)
            for (size_t i = 1; i <= row.size() && row.size() > 1; ++i) {
                glm::dvec2& p = row[i % row.size()];
                const glm::dvec2& before = row[i - 1];
                if (p != before && std::fabs(p.x - before.x) < weld && std::fabs(p.y - before.y) < weld) p = before;
            }
    rows_.assign(contours_.size(), {});
    for (size_t c = 0; c < contours_.size(); ++c) {
        const std::vector<ProfileRow>& profile = profileOf(c);
        for (size_t k = 0; k < profile.size(); ++k) {
            std::vector<int> row;
            row.reserve(swept_[c].rows[k].size());
            for (glm::dvec2 p : swept_[c].rows[k]) row.push_back(addVertex(p, profile[k].z));
            rows_[c].push_back(std::move(row));
        }
    }
}

void Sweep::addSides() {
    for (size_t c = 0; c < contours_.size(); ++c)
        if (o_.parts & (isHole_[c] ? SolidBuilder::kHoleBit : SolidBuilder::kPerimeterBit)) addSide(c);
}

// One contour's sides, row pair by row pair and segment by segment.
void Sweep::addSide(size_t c) {
    const int part = isHole_[c] ? o_.holePart : o_.perimeterPart;
    const std::vector<ProfileRow>& profile = profileOf(c);
    const Contour& contour = contours_[c];
    const size_t n = contour.size();
    std::vector<glm::dvec2> before, after;
    SolidBuilder::contourNormals(contour, o_.hardAngle, before, after);
    std::vector<double> u(n + 1, 0);
    for (size_t i = 1; i <= n; ++i) u[i] = u[i - 1] + glm::length(contour[i % n] - contour[i - 1]);
    const double total = u[n];
    if (total <= 0) return;
    // Normals and texture coordinates are made once and shared by the quads that
    // meet at a point, so the packed mesh keeps one vertex where they agree.
    const size_t R = profile.size();
    std::vector<int> normalIds(n * 2 * R * 2, -1), textureIds((n + 1) * R, -1);
    auto normalId = [&](size_t i, int contourSide, size_t k, int profileSide) {
        if (before[i] == after[i]) contourSide = 0;  // smooth here: one normal on both sides
        if (profile[k].before == profile[k].after) profileSide = 0;
        int& id = normalIds[((i * 2 + contourSide) * R + k) * 2 + profileSide];
        if (id < 0) {
            glm::dvec2 cn = contourSide ? before[i] : after[i];
            glm::dvec2 pn = profileSide ? profile[k].after : profile[k].before;
            glm::dvec3 nrm = unit3(glm::dvec3(cn * pn.x, -pn.y));
            double nv[3] = {nrm.x, nrm.y, nrm.z};
            id = out_.addNormal(nv);
        }
        return id;
    };
    auto textureId = [&](size_t i, size_t k) {
        int& id = textureIds[i * R + k];
        if (id < 0) {
            double tv[3] = {u[i] / total, profile[k].v, 0};
            id = out_.addTexCoord(tv);
        }
        return id;
    };
    for (size_t k = 1; k < R; ++k) {
        const std::vector<int>&A = rows_[c][k - 1], &B = rows_[c][k];
        for (size_t i = 1; i <= n; ++i) {
            size_t prev = i - 1, cur = i % n;
            // Corners B[i-1], B[i], A[i], A[i-1]: outward for the face's orientation.
            // A corner on the one before (a collapsed row) is left out.
            struct Corner {
                int vertex;
                int normal, texture;
            };
            const Corner corners[4] = {
                {B[prev], normalId(prev, 0, k, 0), textureId(prev, k)},
                {B[cur], normalId(cur, 1, k, 0), textureId(i, k)},
                {A[cur], normalId(cur, 1, k - 1, 1), textureId(i, k - 1)},
                {A[prev], normalId(prev, 0, k - 1, 1), textureId(prev, k - 1)},
            };
            int positions[4], normals[4], texture[4], count = 0;
            double last[3] = {1e300, 1e300, 1e300}, first[3];
            for (const Corner& corner : corners) {
                const size_t v = static_cast<size_t>(corner.vertex);
                const double p[3] = {capPoints_[v].x, capPoints_[v].y, depths_[v]};
                if (std::fabs(p[0] - last[0]) < 1e-6 && std::fabs(p[1] - last[1]) < 1e-6 && std::fabs(p[2] - last[2]) < 1e-6)
                    continue;
                if (count == 0) std::copy(p, p + 3, first);
                std::copy(p, p + 3, last);
                positions[count] = corner.vertex;
                normals[count] = corner.normal;
                texture[count] = corner.texture;
                ++count;
            }
            if (count > 1 && std::fabs(last[0] - first[0]) < 1e-6 && std::fabs(last[1] - first[1]) < 1e-6 &&
                std::fabs(last[2] - first[2]) < 1e-6)
                --count;
            if (count >= 3) addElement(part, count, positions, texture, normals);
        }
    }
}

// Caps from the first and the last rows, nested as the face is.
bool Sweep::addCaps() {
    std::vector<glm::dvec2> facePoints;
    std::vector<std::vector<int>> faceLoops;
    for (const Contour& contour : contours_) {
        std::vector<int> loop;
        for (glm::dvec2 p : contour) {
            loop.push_back(static_cast<int>(facePoints.size()));
            facePoints.push_back(p);
        }
        faceLoops.push_back(loop);
    }
    bool ok = true;
    for (int side = 0; side < 2; ++side) {
        if (!(o_.parts & (side == 0 ? SolidBuilder::kFrontBit : SolidBuilder::kBackBit))) continue;
        // Nesting is judged on the face itself, not on rows an offset may have moved.
        std::vector<CapBuilder::Region> faceRegions = CapBuilder::regions(facePoints, faceLoops);
        ok = addCap(side, faceRegions, faceLoops) && ok;
    }
    return ok;
}

// One cap: each region of the face, its loops taken from the cap's row, tiled or
// decomposed into convex pieces. False when a region could not be decomposed.
bool Sweep::addCap(int side, const std::vector<CapBuilder::Region>& faceRegions,
                   const std::vector<std::vector<int>>& faceLoops) {
    std::vector<std::vector<int>> loops;
    for (size_t c = 0; c < contours_.size(); ++c) loops.push_back(side == 0 ? rows_[c].front() : rows_[c].back());
    double normal[3] = {0, 0, side == 0 ? 1.0 : -1.0};
    const int n = out_.addNormal(normal);
    bool ok = true;
    for (const CapBuilder::Region& fr : faceRegions) {
        CapBuilder::Region region;
        for (size_t c = 0; c < contours_.size(); ++c) {
            if (faceLoops[c] == fr.outer) region.outer = loops[c];
            for (const std::vector<int>& h : fr.holes)
                if (faceLoops[c] == h) region.holes.push_back(loops[c]);
        }
        std::vector<std::vector<int>> pieces;
        bool tiledCap = false;
        if (tiled_ && !region.outer.empty()) {
            const double z = depths_[static_cast<size_t>(region.outer.front())];
            std::vector<std::vector<int>> boundary = region.holes;
            boundary.push_back(region.outer);
            tiledCap = CapTiles::tessellateCells(capPoints_, boundary, o_.tileSize,
                                                 [&](glm::dvec2 p) { return addVertex(p, z); }, pieces);
        }
        if (!tiledCap && !CapBuilder::decompose(capPoints_, region, pieces)) ok = false;
        addPieces(side, pieces, n);
    }
    return ok;
}

// A region's pieces as the cap's polygons, each texture coordinate shared by the
// pieces that meet at its vertex.
void Sweep::addPieces(int side, std::vector<std::vector<int>>& pieces, int normal) {
    std::vector<int> capTexture(capPoints_.size(), -1);
    std::vector<int> normals, texture;
    for (std::vector<int>& piece : pieces) {
        // Turned over about its first corner, so that the back's fan is the front's.
        if (side == 1) std::reverse(piece.begin() + 1, piece.end());
        normals.assign(piece.size(), normal);
        texture.clear();
        for (int v : piece) {
            int& id = capTexture[static_cast<size_t>(v)];
            if (id < 0) {
                double t[3] = {(capPoints_[static_cast<size_t>(v)].x - box_[0]) / width_,
                               (capPoints_[static_cast<size_t>(v)].y - box_[1]) / height_, 0};
                id = out_.addTexCoord(t);
            }
            texture.push_back(id);
        }
        addElement(side == 0 ? o_.frontPart : o_.backPart, static_cast<int>(piece.size()), piece.data(), texture.data(),
                   normals.data());
    }
}

}  // namespace

bool SolidBuilder::build(const std::vector<Contour>& face, const Contour& perimeterProfile, const Contour& holeProfile,
                         const Options& o, GeometryInterface& out, int* rejected) {
    std::vector<bool> isHole;
    std::vector<Contour> contours = prepareFace(face, isHole, o.keepStraightRuns);
    if (contours.empty() || o.depth <= 0) return false;
    Sweep sweep(std::move(contours), std::move(isHole), o, out);
    sweep.sweepRows(perimeterProfile, holeProfile);
    sweep.weldRows();
    sweep.addSides();
    const bool ok = sweep.addCaps();
    if (rejected) *rejected = sweep.refused();
    return ok && out.elementCount() > 0;
}

}  // namespace fw
