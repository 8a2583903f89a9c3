#include "geometry/SweepBuilder.h"

#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>
#include <map>

#include "geometry/CapBuilder.h"
#include "mesh/ObjDB.h"
#include "platform/MathConstants.h"

namespace fw {

namespace {

const glm::dvec3 kAxis(0, 0, 1);

template <class V>
V unit(V v) {
    double l = glm::length(v);
    return l > 0 ? v / l : V(0.0);
}

struct SweepCorner {
    int vertex;
    glm::dvec3 normal;
    double u, v;
};

// Corners that coincide with the one before (and a last one equal to the first) are
// dropped, so quads against a collapsed row or the axis become triangles.
void addPolygon(ObjDB& out, int part, const std::vector<SweepCorner>& corners, double within) {
    std::vector<int> positions, normals, texture;
    glm::dvec3 first(0.0), last(1e300);
    for (const SweepCorner& c : corners) {
        double p[3];
        out.getVertex(p, c.vertex);
        glm::dvec3 q(p[0], p[1], p[2]);
        if (glm::length(q - last) <= within) continue;
        if (positions.empty()) first = q;
        last = q;
        double n[3] = {c.normal.x, c.normal.y, c.normal.z}, t[3] = {c.u, c.v, 0};
        positions.push_back(c.vertex);
        normals.push_back(out.addNormal(n));
        texture.push_back(out.addTexCoord(t));
    }
    if (positions.size() > 1 && glm::length(last - first) <= within) {
        positions.pop_back(), normals.pop_back(), texture.pop_back();
    }
    int count = static_cast<int>(positions.size());
    if (count >= 3) out.addElement(0, part, count, positions.data(), count, texture.data(), count, normals.data());
}

// Normals of a cross-section walked along the sweep, in (outward, along the sweep)
// terms: smooth at gentle bends, split at ones sharper than the hard angle.
void sectionNormals(const std::vector<glm::dvec2>& points, double hardAngle, std::vector<glm::dvec2>& before,
                    std::vector<glm::dvec2>& after) {
    const size_t n = points.size();
    std::vector<glm::dvec2> segment(n > 1 ? n - 1 : 1, glm::dvec2(1, 0));
    for (size_t i = 0; i + 1 < n; ++i) {
        glm::dvec2 d = unit(points[i + 1] - points[i]);
        segment[i] = glm::dvec2(d.y, -d.x);
    }
    const double limit = std::cos(hardAngle * kRadiansPerDegree);
    before.resize(n), after.resize(n);
    for (size_t i = 0; i < n; ++i) {
        glm::dvec2 in = segment[i > 0 ? i - 1 : 0], out = segment[std::min(i, segment.size() - 1)];
        glm::dvec2 mean = unit(in + out);
        if (glm::dot(in, out) >= limit && glm::length(mean) > 0)
            before[i] = after[i] = mean;
        else
            before[i] = in, after[i] = out;
    }
}

glm::dvec3 radial(double angle) { return {std::cos(angle), std::sin(angle), 0}; }
glm::dvec3 tangent(double angle) { return {-std::sin(angle), std::cos(angle), 0}; }

// One ring of a revolved solid or of a shaped cap.
struct Row {
    double offset = 0;         // contour offset, outward positive
    double angle = 0;          // radians: where the face's plane sits
    double reach = 0;          // beyond that plane, along `travel` (caps only)
    glm::dvec3 travel{0.0};    // the way the sweep moves at this row
    glm::dvec2 before{1, 0}, after{1, 0};  // section normals on either side
    double v = 0;
};

using RowVertices = std::vector<std::vector<int>>;  // per contour

class Lathe {
public:
    Lathe(std::vector<SweepBuilder::Contour> contours, std::vector<bool> isHole, const SweepBuilder::Options& o,
          ObjDB& out)
        : contours_(std::move(contours)), isHole_(std::move(isHole)), o_(o), out_(out) {
        box_[0] = box_[1] = 1e300, box_[2] = box_[3] = -1e300;
        for (const SweepBuilder::Contour& c : contours_)
            for (glm::dvec2 p : c)
                box_[0] = std::min(box_[0], p.x), box_[1] = std::min(box_[1], p.y), box_[2] = std::max(box_[2], p.x),
                box_[3] = std::max(box_[3], p.y);
        double extent = std::max({std::fabs(box_[0]), std::fabs(box_[1]), std::fabs(box_[2]), std::fabs(box_[3]), 1e-9});
        within_ = extent * 1e-7;
        offsets_.resize(contours_.size());
        before_.resize(contours_.size()), after_.resize(contours_.size()), u_.resize(contours_.size());
        std::vector<std::vector<int>> loops;
        std::vector<glm::dvec2> points;
        for (size_t c = 0; c < contours_.size(); ++c) {
            const SweepBuilder::Contour& contour = contours_[c];
            SolidBuilder::contourNormals(contour, o.hardAngle, before_[c], after_[c]);
            const size_t n = contour.size();
            u_[c].assign(n + 1, 0);
            for (size_t i = 1; i <= n; ++i) u_[c][i] = u_[c][i - 1] + glm::length(contour[i % n] - contour[i - 1]);
            for (double& u : u_[c]) u /= std::max(u_[c][n], 1e-300);
            std::vector<int> loop;
            for (glm::dvec2 p : contour) {
                loop.push_back(static_cast<int>(points.size()));
                points.push_back(p);
            }
            loops.push_back(loop);
        }
        // Nesting is judged once on the face; every closing piece reuses it.
        for (const CapBuilder::Region& r : CapBuilder::regions(points, loops)) {
            std::pair<int, std::vector<int>> region;
            for (size_t c = 0; c < loops.size(); ++c) {
                if (loops[c] == r.outer) region.first = static_cast<int>(c);
                for (const std::vector<int>& h : r.holes)
                    if (loops[c] == h) region.second.push_back(static_cast<int>(c));
            }
            regions_.push_back(region);
        }
    }

    // Half the narrowest gap between a hole and any other contour: how far the face may
    // shrink before a hole, growing, meets its outline.
    double clearance() const {
        double gap = 1e300;
        for (size_t a = 0; a < contours_.size(); ++a)
            for (size_t b = 0; b < contours_.size(); ++b)
                if (a != b && (isHole_[a] || isHole_[b]))
                    for (glm::dvec2 p : contours_[a]) gap = std::min(gap, ContourOffset::distanceTo(contours_[b], p));
        return gap / 2;
    }
    double width() const { return box_[2] - box_[0]; }
    double height() const { return box_[3] - box_[1]; }
    double middleX() const { return (box_[0] + box_[2]) / 2; }
    double within() const { return within_; }
    bool ok() const { return ok_; }

    RowVertices addRow(const Row& row) {
        RowVertices vertices(contours_.size());
        for (size_t c = 0; c < contours_.size(); ++c) {
            auto found = offsets_[c].find(row.offset);
            if (found == offsets_[c].end())
                found = offsets_[c].emplace(row.offset, SolidBuilder::offsetRow(contours_[c], row.offset)).first;
            for (glm::dvec2 q : found->second.points) {
                glm::dvec3 p = turn(radial(row.angle) * q.x + kAxis * q.y + row.travel * row.reach);
                double v[3] = {p.x, p.y, p.z};
                vertices[c].push_back(out_.addVertex(v));
                flat_.push_back(q);
            }
        }
        return vertices;
    }

    // Joins row a to the next row b; `facet` gives each band one normal direction
    // around the axis (its middle) instead of smooth rings. A cap's bands carry the
    // cap's part (`capPart`), the turn's those of their contours.
    void band(const Row& a, const RowVertices& va, const Row& b, const RowVertices& vb, bool facet, int capPart = -1) {
        Row na = a, nb = b;
        if (facet && a.reach == 0 && b.reach == 0) {
            double middle = (a.angle + b.angle) / 2, sign = glm::dot(a.travel, tangent(a.angle)) < 0 ? -1.0 : 1.0;
            na.angle = nb.angle = middle;
            na.travel = nb.travel = tangent(middle) * sign;
        }
        bool flip = glm::dot(glm::cross(radial(b.angle), kAxis), b.travel) > 0;
        for (size_t c = 0; c < contours_.size(); ++c) {
            if (capPart < 0 && !(o_.parts & (isHole_[c] ? SolidBuilder::kHoleBit : SolidBuilder::kPerimeterBit))) continue;
            int part = capPart >= 0 ? capPart : isHole_[c] ? o_.holePart : o_.perimeterPart;
            const size_t n = contours_[c].size();
            for (size_t i = 1; i <= n; ++i) {
                size_t prev = i - 1, cur = i % n;
                std::vector<SweepCorner> corners = {
                    {vb[c][prev], normal(after_[c][prev], nb, nb.before), u_[c][prev], b.v},
                    {vb[c][cur], normal(before_[c][cur], nb, nb.before), u_[c][i], b.v},
                    {va[c][cur], normal(before_[c][cur], na, na.after), u_[c][i], a.v},
                    {va[c][prev], normal(after_[c][prev], na, na.after), u_[c][prev], a.v},
                };
                if (flip) std::reverse(corners.begin(), corners.end());
                addPolygon(out_, part, corners, within_);
            }
        }
    }

    // Closes a row with flat pieces facing `outward`; contours that shrank to nothing
    // are already closed by their own sides.
    void close(const Row& row, const RowVertices& vertices, glm::dvec3 outward, int part) {
        const double tiny = 1e-12 * std::max(width() * width(), height() * height());
        glm::dvec3 n = turn(outward);
        bool reverse = glm::dot(glm::cross(radial(row.angle), kAxis), outward) < 0;
        for (const auto& [outer, holes] : regions_) {
            CapBuilder::Region region;
            region.outer = vertices[static_cast<size_t>(outer)];
            if (std::fabs(CapBuilder::signedArea(flat_, region.outer)) <= tiny) continue;
            for (int h : holes)
                if (std::fabs(CapBuilder::signedArea(flat_, vertices[static_cast<size_t>(h)])) > tiny)
                    region.holes.push_back(vertices[static_cast<size_t>(h)]);
            std::vector<std::vector<int>> pieces;
            if (!CapBuilder::decompose(flat_, region, pieces)) ok_ = false;
            for (std::vector<int>& piece : pieces) {
                if (reverse) std::reverse(piece.begin(), piece.end());
                std::vector<SweepCorner> corners;
                for (int v : piece) {
                    glm::dvec2 q = flat_[static_cast<size_t>(v)];
                    corners.push_back({v, n, (q.x - box_[0]) / std::max(width(), 1e-12),
                                       (q.y - box_[1]) / std::max(height(), 1e-12)});
                }
                addPolygon(out_, part, corners, within_);
            }
        }
    }

private:
    glm::dvec3 turn(glm::dvec3 p) const {
        if (o_.axis == 1) return {p.z, p.y, -p.x};
        if (o_.axis == 2) return {p.x, p.z, -p.y};
        return p;
    }

    glm::dvec3 normal(glm::dvec2 contourNormal, const Row& row, glm::dvec2 section) const {
        glm::dvec3 across = radial(row.angle) * contourNormal.x + kAxis * contourNormal.y;
        return turn(unit(across * section.x + row.travel * section.y));
    }

    std::vector<SweepBuilder::Contour> contours_;
    std::vector<bool> isHole_;
    const SweepBuilder::Options& o_;
    ObjDB& out_;
    double box_[4];
    double within_ = 0;
    bool ok_ = true;
    std::vector<std::map<double, ContourOffset::Result>> offsets_;  // equal offsets computed once
    std::vector<std::vector<glm::dvec2>> before_, after_;
    std::vector<std::vector<double>> u_;
    std::vector<glm::dvec2> flat_;  // each vertex in its face's plane, indexed like the mesh
    std::vector<std::pair<int, std::vector<int>>> regions_;  // outer contour and its holes
};

// Rows of a sweep from its cross-section in (offset, distance along) terms.
std::vector<Row> sectionRows(const std::vector<glm::dvec2>& section, const std::vector<double>& v, double hardAngle) {
    std::vector<glm::dvec2> before, after;
    sectionNormals(section, hardAngle, before, after);
    std::vector<Row> rows(section.size());
    for (size_t i = 0; i < section.size(); ++i) {
        rows[i].offset = section[i].x;
        rows[i].before = before[i], rows[i].after = after[i];
        rows[i].v = v[i];
    }
    return rows;
}

// The edge profile as the revolution uses it: (offset, fraction of the turn) per point,
// corners kept and long runs split so that no step exceeds one segment of the turn.
std::vector<glm::dvec2> revolveProfile(SolidBuilder::Contour p, int segments) {
    if (p.size() < 2) p = SolidBuilder::flatSides();
    if (p.front().y > p.back().y) std::reverse(p.begin(), p.end());
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    for (glm::dvec2 q : p) minX = std::min(minX, q.x), maxX = std::max(maxX, q.x), minY = std::min(minY, q.y), maxY = std::max(maxY, q.y);
    if (maxY - minY <= 1e-12) return {glm::dvec2(0, 0), glm::dvec2(0, 1)};
    const double mirror = (minX + maxX) / 2 < 0 ? -1.0 : 1.0;
    std::vector<glm::dvec2> out;
    for (size_t i = 0; i + 1 < p.size(); ++i) {
        glm::dvec2 a(p[i].x * mirror, (p[i].y - minY) / (maxY - minY)), b(p[i + 1].x * mirror, (p[i + 1].y - minY) / (maxY - minY));
        int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(b.y - a.y) * segments - 1e-9)));
        for (int k = 0; k < pieces; ++k) {
            glm::dvec2 q = a + (b - a) * (static_cast<double>(k) / pieces);
            if (out.empty() || glm::length(q - out.back()) > 1e-12) out.push_back(q);
        }
    }
    glm::dvec2 last(p.back().x * mirror, (p.back().y - minY) / (maxY - minY));
    if (glm::length(last - out.back()) > 1e-12) out.push_back(last);
    if (out.size() < 2) out = {glm::dvec2(0, 0), glm::dvec2(0, 1)};
    return out;
}

// A shaped, flat or open end of a partial revolution. `end` is the body's last row
// there and `outward` points away from the body, in the axis-Z frame.
void addCap(Lathe& lathe, const SweepBuilder::Cap& cap, const Row& end, const RowVertices& endVertices, glm::dvec3 outward,
            int part, double hardAngle) {
    if (cap.type <= SweepBuilder::kNone || cap.type > SweepBuilder::kNotchedTail) return;
    const std::vector<SweepBuilder::CapPoint> shape = SweepBuilder::capSection(cap.type, cap.scale);
    double deepest = 0;
    for (const SweepBuilder::CapPoint& q : shape) deepest = std::max(deepest, q.x);
    // Caps stop short of letting holes run into their outline.
    double size = std::max(lathe.width(), lathe.height()) / 2 * cap.scale * 0.01;
    if (deepest > 0) size = std::min(size, lathe.clearance() * 0.999 / deepest);
    const double collar = std::max(0.0, cap.offset);
    std::vector<glm::dvec2> section = {glm::dvec2(end.offset, 0)};
    std::vector<double> v = {0};
    auto add = [&](glm::dvec2 p, double t) {
        if (glm::length(p - section.back()) <= lathe.within()) return;
        section.push_back(p);
        v.push_back(t);
    };
    if (collar > 0) add(glm::dvec2(end.offset, collar), 0);
    if (size > 0)
        for (const SweepBuilder::CapPoint& q : shape) {
            // The notched head cuts its cone into a collar of the cap's length.
            double along = cap.type == SweepBuilder::kNotchedHead ? q.y : 1 - q.y;
            add(glm::dvec2(end.offset - q.x * size, collar + along * size), q.t);
        }
    std::vector<Row> rows = sectionRows(section, v, hardAngle);
    RowVertices previous = endVertices;
    for (size_t k = 0; k < rows.size(); ++k) {
        rows[k].angle = end.angle;
        rows[k].reach = section[k].y;
        rows[k].travel = outward;
        if (k == 0) continue;
        RowVertices current = lathe.addRow(rows[k]);
        lathe.band(rows[k - 1], previous, rows[k], current, false, part);
        previous = current;
    }
    lathe.close(rows.back(), previous, outward, part);
}

// Rotates v about a unit axis by the angle with the given sine and cosine.
glm::dvec3 rotate(glm::dvec3 v, glm::dvec3 axis, double sine, double cosine) {
    return v * cosine + glm::cross(axis, v) * sine + axis * glm::dot(axis, v) * (1 - cosine);
}

// Turns v by the least rotation that takes unit vector a onto unit vector b.
glm::dvec3 carry(glm::dvec3 v, glm::dvec3 a, glm::dvec3 b) {
    glm::dvec3 axis = glm::cross(a, b);
    double sine = glm::length(axis);
    if (sine < 1e-12) return v;  // straight on, or a reversal that has no least turn
    return rotate(v, axis / sine, sine, glm::dot(a, b));
}

// A tube's frames, one per segment of the path, carried from segment to segment by
// the least turn so the tube does not twist; a closed path spreads what is left over
// at the seam along its length.
void carriedFrames(const std::vector<glm::dvec3>& P, bool closed, size_t segments, std::vector<glm::dvec3>& T,
                   std::vector<glm::dvec3>& N) {
    const size_t n = P.size();
    T.assign(segments, glm::dvec3(0.0));
    N.assign(segments, glm::dvec3(0.0));
    for (size_t s = 0; s < segments; ++s) T[s] = unit(P[(s + 1) % n] - P[s]);
    glm::dvec3 pick = std::fabs(T[0].z) < 0.9 ? glm::dvec3(0, 0, 1) : glm::dvec3(1, 0, 0);
    N[0] = unit(pick - T[0] * glm::dot(pick, T[0]));
    for (size_t s = 1; s < segments; ++s) N[s] = unit(carry(N[s - 1], T[s - 1], T[s]));
    if (!closed) return;
    glm::dvec3 back = carry(N[segments - 1], T[segments - 1], T[0]);
    double left = std::atan2(glm::dot(glm::cross(back, N[0]), T[0]), glm::dot(back, N[0]));
    for (size_t s = 1; s < segments; ++s) {
        double angle = left * static_cast<double>(s) / static_cast<double>(segments);
        N[s] = rotate(N[s], T[s], std::sin(angle), std::cos(angle));
    }
}

// The flat caps of an open tube on its first and last rings, facing back along the
// path at its start and on along it at its end.
void addTubeEnds(ObjDB& out, const SweepBuilder::Options& o, const std::vector<int>& first, const std::vector<int>& last,
                 glm::dvec3 startFacing, glm::dvec3 endFacing, double within) {
    const int sides = static_cast<int>(first.size());
    for (int end = 0; end < 2; ++end) {
        if (!(o.parts & (end == 0 ? SolidBuilder::kFrontBit : SolidBuilder::kBackBit))) continue;
        std::vector<SweepCorner> corners;
        for (int j = 0; j < sides; ++j) {
            double phi = 2 * kPi * j / sides;
            corners.push_back({(end == 0 ? first : last)[static_cast<size_t>(j)], end == 0 ? startFacing : endFacing,
                               0.5 + 0.5 * std::cos(phi), 0.5 + 0.5 * std::sin(phi)});
        }
        if (end == 0) std::reverse(corners.begin(), corners.end());
        addPolygon(out, end == 0 ? o.frontPart : o.backPart, corners, within);
    }
}

}  // namespace

std::vector<SweepBuilder::CapPoint> SweepBuilder::capSection(int type, double scale) {
    const double s = std::clamp(scale * 0.01, 0.0, 1.0);
    std::vector<CapPoint> out = {{0, 1, 0}};
    auto quarter = [&](double size) {
        for (int i = 1; i <= 20; ++i) {
            double t = (i - 1) / 19.0, a = t * 1.5707963267948966;
            out.push_back({(std::sin(a) * 0.95 + 0.05) * size, (std::cos(a) * 0.99 + 0.01) * size + 1 - size, t * size});
        }
    };
    switch (type) {
        case kBeveled:
            out.push_back({s, 1 - s, s});
            if (s < 1) out.push_back({s, 0, 1});
            break;
        case kPointed:
        case kNotchedHead:
            out.push_back({1, 0, 1});
            break;
        case kRounded:
            quarter(s);
            out.push_back({s, 1 - s, s});
            if (s < 1) out.push_back({s, 0, 1});
            break;
        case kDomed:
            quarter(1);
            out.push_back({1, 0, 1});
            break;
        case kNotchedTail:
            out.push_back({1, 1, 0.5});
            out.push_back({0, 0, 1});
            break;
        default:
            return {};
    }
    return out;
}

bool SweepBuilder::revolve(const std::vector<Contour>& face, const Contour& profile, const Options& o, ObjDB& out) {
    std::vector<bool> isHole;
    std::vector<Contour> contours = SolidBuilder::prepareFace(face, isHole);
    double range = o.endAngle - o.startAngle;
    if (contours.empty() || std::fabs(range) < 1e-9) return false;
    const bool full = std::fabs(range) >= 360 - 1e-9;
    if (full) range = range > 0 ? 360 : -360;
    const double sign = range > 0 ? 1 : -1;
    const int segments = std::max({1, static_cast<int>(std::ceil(o.steps * std::fabs(range) / 360 - 1e-9)),
                                   static_cast<int>(std::ceil(3 * std::fabs(range) / 90 - 1e-9))});
    Lathe lathe(std::move(contours), std::move(isHole), o, out);

    // The profile's slope is judged along the arc at the face's middle.
    std::vector<glm::dvec2> shape = revolveProfile(profile, segments);
    const double arc = std::fabs(range) * kRadiansPerDegree * std::max(lathe.middleX(), 1e-9);
    std::vector<glm::dvec2> section;
    std::vector<double> v;
    for (glm::dvec2 p : shape) section.push_back(glm::dvec2(p.x, p.y * arc)), v.push_back(p.y);
    std::vector<Row> rows = sectionRows(section, v, o.hardAngle);
    std::vector<RowVertices> vertices;
    for (size_t k = 0; k < rows.size(); ++k) {
        rows[k].angle = (o.startAngle + range * shape[k].y) * kRadiansPerDegree;
        rows[k].travel = tangent(rows[k].angle) * sign;
        vertices.push_back(full && k + 1 == rows.size() ? vertices.front() : lathe.addRow(rows[k]));
    }
    const bool facet = std::fabs(range) / segments > o.hardAngle;
    for (size_t k = 1; k < rows.size(); ++k) lathe.band(rows[k - 1], vertices[k - 1], rows[k], vertices[k], facet);
    if (!full) {
        if (o.parts & SolidBuilder::kFrontBit)
            addCap(lathe, o.head, rows.front(), vertices.front(), -rows.front().travel, o.frontPart, o.hardAngle);
        if (o.parts & SolidBuilder::kBackBit)
            addCap(lathe, o.tail, rows.back(), vertices.back(), rows.back().travel, o.backPart, o.hardAngle);
    }
    return lathe.ok() && out.elementCount() > 0;
}

bool SweepBuilder::tube(const std::vector<Contour>& paths, const Options& o, ObjDB& out) {
    const double radius = o.depth / 2;
    if (radius <= 0) return false;
    const int sides = std::max(6, o.steps);
    const bool facetAround = 360.0 / sides > o.hardAngle;
    const double limit = std::cos(o.hardAngle * kRadiansPerDegree);
    double extent = radius;
    for (const Contour& path : paths)
        for (glm::dvec2 q : path) extent = std::max({extent, std::fabs(q.x), std::fabs(q.y)});
    const double within = extent * 1e-7;

    for (const Contour& path : paths) {
        std::vector<glm::dvec3> P;
        for (glm::dvec2 q : path)
            if (P.empty() || glm::length(glm::dvec3(q, 0) - P.back()) > within) P.push_back(glm::dvec3(q, 0));
        const bool closed = P.size() >= 4 && glm::length(P.front() - P.back()) <= within;
        if (closed) P.pop_back();
        const size_t n = P.size(), segments = closed ? n : n - 1;
        if (n < 2) continue;

        std::vector<glm::dvec3> T, N;
        carriedFrames(P, closed, segments, T, N);
        auto around = [&](size_t s, double phi) {
            return (N[s] * std::cos(phi) + glm::cross(T[s], N[s]) * std::sin(phi)) * radius;
        };
        std::vector<double> along(n + 1, 0);
        for (size_t i = 1; i <= n; ++i) along[i] = along[i - 1] + glm::length(P[i % n] - P[i - 1]);
        const double total = closed ? along[n] : along[n - 1];
        if (total <= 0) continue;

        // Rings: at a corner in the plane that halves it (a mitre), so the tube keeps its
        // width; segments in and out of each point (equal at the ends of an open path).
        std::vector<std::vector<int>> rings(n);
        std::vector<size_t> in(n), outOf(n);
        std::vector<bool> smooth(n);
        for (size_t i = 0; i < n; ++i) {
            in[i] = closed ? (i + segments - 1) % segments : (i > 0 ? i - 1 : 0);
            outOf[i] = closed ? i : std::min(i, segments - 1);
            glm::dvec3 mitre = unit(T[in[i]] + T[outOf[i]]);
            if (glm::length(mitre) == 0) mitre = T[in[i]];
            smooth[i] = in[i] == outOf[i] || glm::dot(T[in[i]], T[outOf[i]]) >= limit;
            double lean = std::max(glm::dot(T[in[i]], mitre), 0.2);
            for (int j = 0; j < sides; ++j) {
                glm::dvec3 offset = around(in[i], 2 * kPi * j / sides);
                glm::dvec3 p = P[i] + offset - T[in[i]] * (glm::dot(offset, mitre) / lean);
                double v[3] = {p.x, p.y, p.z};
                rings[i].push_back(out.addVertex(v));
            }
        }
        auto normal = [&](size_t i, size_t s, double phi) {
            return unit(smooth[i] ? around(in[i], phi) + around(outOf[i], phi) : around(s, phi));
        };

        if (o.parts & SolidBuilder::kPerimeterBit)
            for (size_t s = 0; s < segments; ++s) {
                size_t a = s, b = (s + 1) % n;
                for (int j = 0; j < sides; ++j) {
                    int k = (j + 1) % sides;
                    double phi0 = 2 * kPi * j / sides, phi1 = 2 * kPi * (j + 1) / sides;
                    if (facetAround) phi0 = phi1 = (phi0 + phi1) / 2;
                    double v0 = static_cast<double>(j) / sides, v1 = static_cast<double>(j + 1) / sides;
                    double u0 = along[s] / total, u1 = along[s + 1] / total;
                    addPolygon(out, o.perimeterPart,
                               {{rings[a][j], normal(a, s, phi0), u0, v0},
                                {rings[a][k], normal(a, s, phi1), u0, v1},
                                {rings[b][k], normal(b, s, phi1), u1, v1},
                                {rings[b][j], normal(b, s, phi0), u1, v0}},
                               within);
                }
            }
        if (!closed) addTubeEnds(out, o, rings.front(), rings.back(), -T.front(), T.back(), within);
    }
    return out.elementCount() > 0;
}

}  // namespace fw
