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

// The corner normals of a closed contour: smooth where the turn is gentler than the
// hard angle, otherwise each edge keeps its own normal. `before[i]` serves the edge
// ending at point i, `after[i]` the edge leaving it.
void cornerNormals(const SolidBuilder::Contour& c, double hardAngle, std::vector<glm::dvec2>& before,
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

// One row of the sweep. A contour offset past its own width (a small hole under a
// wide bevel) can come out turned inside out with every point still far enough from
// the contour to count as valid; it has vanished just as one whose points all crossed,
// so it collapses onto its centroid the same way.
ContourOffset::Result sweepRow(const SolidBuilder::Contour& contour, double distance) {
    ContourOffset::Result row = ContourOffset::offset(contour, distance);
    if (row.collapsed || distance == 0) return row;
    double before = areaOf(contour), after = areaOf(row.points);
    if (before * after >= 0) return row;
    return ContourOffset::collapsedContour(contour);
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

bool SolidBuilder::build(const std::vector<Contour>& face, const Contour& perimeterProfile, const Contour& holeProfile,
                         const Options& o, GeometryInterface& out, int* rejected) {
    std::vector<bool> isHole;
    std::vector<Contour> contours = prepareFace(face, isHole, o.keepStraightRuns);
    if (contours.empty() || o.depth <= 0) return false;

    const bool tiled = o.tileSize[0] > 0 || o.tileSize[1] > 0;

    double box[4] = {1e300, 1e300, -1e300, -1e300};
    for (const Contour& c : contours)
        for (glm::dvec2 p : c)
            box[0] = std::min(box[0], p.x), box[1] = std::min(box[1], p.y), box[2] = std::max(box[2], p.x),
            box[3] = std::max(box[3], p.y);
    double width = std::max(box[2] - box[0], 1e-12), height = std::max(box[3] - box[1], 1e-12);

    // Rows of vertices: rows[c][k][i] is point i of contour c offset for profile point k.
    std::vector<std::vector<std::vector<int>>> rows(contours.size());
    // Copies of the positions, indexed like the mesh's: 2D for the caps, and the depth,
    // so that no reading back goes through the mesh (a drawing mesh keeps floats).
    std::vector<glm::dvec2> capPoints;
    std::vector<double> depths;
    auto addVertex = [&](glm::dvec2 p, double z) {
        double v[3] = {p.x, p.y, z};
        capPoints.push_back(p);
        depths.push_back(z);
        return out.addVertex(v);
    };
    int refused = 0;
    auto addElement = [&](int part, int count, const int* positions, const int* texture, const int* normals) {
        if (out.addElement(0, part, count, positions, count, texture, count, normals) < 0) ++refused;
    };
    std::vector<ProfileRow> perimeterRows, holeRows;
    std::vector<CapTiles::Swept> swept;
    // Where the rows of neighbouring strokes run into each other the sides cut through
    // each other, and a back cap on such rows (the "Front" bevels end away from the
    // outline) cannot close; the bevel narrows until they stay apart.
    double narrowing = 1;
    for (int attempt = 0; attempt < 8; ++attempt, narrowing *= 0.75) {
        perimeterRows = profileRows(perimeterProfile, o.depth, o.perimeterXScale * narrowing, o.maxSideSegment, o.hardAngle);
        holeRows = profileRows(holeProfile.size() >= 2 ? holeProfile : perimeterProfile, o.depth, o.holeXScale * narrowing,
                               o.maxSideSegment, o.hardAngle);
        swept.assign(contours.size(), {});
        for (size_t c = 0; c < contours.size(); ++c) {
            const std::vector<ProfileRow>& profile = isHole[c] ? holeRows : perimeterRows;
            std::map<double, ContourOffset::Result> offsets;  // equal offsets are computed once
            swept[c].face = contours[c];
            for (const ProfileRow& pr : profile) {
                auto found = offsets.find(pr.offset);
                if (found == offsets.end()) found = offsets.emplace(pr.offset, sweepRow(contours[c], pr.offset)).first;
                swept[c].rows.push_back(found->second.points);
            }
        }
        // The back row, and the widest row, where neighbouring strokes meet first.
        auto widest = [](const std::vector<ProfileRow>& rows) {
            size_t w = 0;
            for (size_t k = 1; k < rows.size(); ++k)
                if (std::fabs(rows[k].offset) > std::fabs(rows[w].offset)) w = k;
            return w;
        };
        const size_t wide[2] = {widest(perimeterRows), widest(holeRows)};
        bool crowded = false;
        for (int which = 0; which < 2 && !crowded; ++which) {
            std::vector<Contour> row;
            for (size_t c = 0; c < contours.size(); ++c) {
                const std::vector<ProfileRow>& profile = isHole[c] ? holeRows : perimeterRows;
                size_t k = which == 0 ? profile.size() - 1 : wide[isHole[c] ? 1 : 0];
                if (profile[k].offset != 0) row.push_back(swept[c].rows[k]);
            }
            crowded = row.size() > 0 && loopsCross(row);
        }
        if (!crowded) break;
    }
    if (tiled) {
        CapTiles::cutRows(swept, o.tileSize, o.console);
        for (size_t c = 0; c < contours.size(); ++c) contours[c] = swept[c].face;
    }
    // Neighbours in a row closer than a millionth of the solid are one point: offsets
    // that all but collapse leave such pairs, and apart they would make slivers that no
    // weld of the finished mesh can tell from holes. Equal, the joining rule drops them.
    const double weld = 1e-6 * std::max({width, height, o.depth});
    for (CapTiles::Swept& sweep : swept)
        for (Contour& row : sweep.rows)
            for (size_t i = 1; i <= row.size() && row.size() > 1; ++i) {
                glm::dvec2& p = row[i % row.size()];
                const glm::dvec2& before = row[i - 1];
                if (p != before && std::fabs(p.x - before.x) < weld && std::fabs(p.y - before.y) < weld) p = before;
            }
    for (size_t c = 0; c < contours.size(); ++c) {
        const std::vector<ProfileRow>& profile = isHole[c] ? holeRows : perimeterRows;
        for (size_t k = 0; k < profile.size(); ++k) {
            std::vector<int> row;
            row.reserve(swept[c].rows[k].size());
            for (glm::dvec2 p : swept[c].rows[k]) row.push_back(addVertex(p, profile[k].z));
            rows[c].push_back(std::move(row));
        }
    }

    // Sides, row pair by row pair and segment by segment.
    for (size_t c = 0; c < contours.size(); ++c) {
        unsigned bit = isHole[c] ? kHoleBit : kPerimeterBit;
        if (!(o.parts & bit)) continue;
        int part = isHole[c] ? o.holePart : o.perimeterPart;
        const std::vector<ProfileRow>& profile = isHole[c] ? holeRows : perimeterRows;
        const Contour& contour = contours[c];
        const size_t n = contour.size();
        std::vector<glm::dvec2> before, after;
        cornerNormals(contour, o.hardAngle, before, after);
        std::vector<double> u(n + 1, 0);
        for (size_t i = 1; i <= n; ++i) u[i] = u[i - 1] + glm::length(contour[i % n] - contour[i - 1]);
        double total = u[n];
        if (total <= 0) continue;
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
                id = out.addNormal(nv);
            }
            return id;
        };
        auto textureId = [&](size_t i, size_t k) {
            int& id = textureIds[i * R + k];
            if (id < 0) {
                double tv[3] = {u[i] / total, profile[k].v, 0};
                id = out.addTexCoord(tv);
            }
            return id;
        };
        for (size_t k = 1; k < profile.size(); ++k) {
            const std::vector<int>&A = rows[c][k - 1], &B = rows[c][k];
            for (size_t i = 1; i <= n; ++i) {
                size_t prev = i - 1, cur = i % n;
                // Corners B[i-1], B[i], A[i], A[i-1]: outward for the orientation chosen above.
                struct Corner {
                    int vertex;
                    int normal, texture;
                };
                Corner corners[4] = {
                    {B[prev], normalId(prev, 0, k, 0), textureId(prev, k)},
                    {B[cur], normalId(cur, 1, k, 0), textureId(i, k)},
                    {A[cur], normalId(cur, 1, k - 1, 1), textureId(i, k - 1)},
                    {A[prev], normalId(prev, 0, k - 1, 1), textureId(prev, k - 1)},
                };
                int positions[4], normals[4], texture[4], count = 0;
                double last[3] = {1e300, 1e300, 1e300}, first[3];
                for (const Corner& corner : corners) {
                    const size_t v = static_cast<size_t>(corner.vertex);
                    const double p[3] = {capPoints[v].x, capPoints[v].y, depths[v]};
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
    bool ok = true;
    for (int side = 0; side < 2; ++side) {
        unsigned bit = side == 0 ? kFrontBit : kBackBit;
        if (!(o.parts & bit)) continue;
        std::vector<std::vector<int>> loops;
        for (size_t c = 0; c < contours.size(); ++c) loops.push_back(side == 0 ? rows[c].front() : rows[c].back());
        std::vector<std::vector<int>> capLoops = loops;  // nesting judged on the face itself
        std::vector<glm::dvec2> facePoints;
        std::vector<std::vector<int>> faceLoops;
        for (const Contour& contour : contours) {
            std::vector<int> loop;
            for (glm::dvec2 p : contour) {
                loop.push_back(static_cast<int>(facePoints.size()));
                facePoints.push_back(p);
            }
            faceLoops.push_back(loop);
        }
        std::vector<CapBuilder::Region> faceRegions = CapBuilder::regions(facePoints, faceLoops);
        double normal[3] = {0, 0, side == 0 ? 1.0 : -1.0};
        int n = out.addNormal(normal);
        for (const CapBuilder::Region& fr : faceRegions) {
            CapBuilder::Region region;
            for (size_t c = 0; c < contours.size(); ++c) {
                if (faceLoops[c] == fr.outer) region.outer = capLoops[c];
                for (const std::vector<int>& h : fr.holes)
                    if (faceLoops[c] == h) region.holes.push_back(capLoops[c]);
            }
            std::vector<std::vector<int>> pieces;
            bool tiledCap = false;
            if (tiled && !region.outer.empty()) {
                const double z = depths[static_cast<size_t>(region.outer.front())];
                std::vector<std::vector<int>> boundary = region.holes;
                boundary.push_back(region.outer);
                tiledCap = CapTiles::tessellateCells(capPoints, boundary, o.tileSize,
                                                     [&](glm::dvec2 p) { return addVertex(p, z); }, pieces);
            }
            if (!tiledCap && !CapBuilder::decompose(capPoints, region, pieces)) ok = false;
            // Vertex → its texture coordinate, shared by pieces (-1: none yet).
            std::vector<int> capTexture(capPoints.size(), -1);
            std::vector<int> normals, texture;
            for (std::vector<int>& piece : pieces) {
                // Turned over about its first corner, so that the back's fan is the front's.
                if (side == 1) std::reverse(piece.begin() + 1, piece.end());
                normals.assign(piece.size(), n);
                texture.clear();
                for (int v : piece) {
                    int& id = capTexture[static_cast<size_t>(v)];
                    if (id < 0) {
                        double t[3] = {(capPoints[static_cast<size_t>(v)].x - box[0]) / width,
                                       (capPoints[static_cast<size_t>(v)].y - box[1]) / height, 0};
                        id = out.addTexCoord(t);
                    }
                    texture.push_back(id);
                }
                int count = static_cast<int>(piece.size());
                addElement(side == 0 ? o.frontPart : o.backPart, count, piece.data(), texture.data(), normals.data());
            }
        }
    }
    if (rejected) *rejected = refused;
    return ok && out.elementCount() > 0;
}

ContourOffset::Result SolidBuilder::offsetRow(const Contour& contour, double distance) { return sweepRow(contour, distance); }

void SolidBuilder::contourNormals(const Contour& contour, double hardAngle, std::vector<glm::dvec2>& before,
                                  std::vector<glm::dvec2>& after) {
    cornerNormals(contour, hardAngle, before, after);
}

}  // namespace fw
