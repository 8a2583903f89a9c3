#include "geometry/PrimitiveBuilder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <glm/geometric.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <map>
#include <vector>

#include "mesh/ObjDB.h"

namespace fw {

namespace {

constexpr double kTwoPi = 6.2831854;  // the builders' own rounded turn and half turn
constexpr double kHalfTurn = 3.1415927;

struct Corner {
    glm::dvec3 p, n;
    glm::dvec2 uv;
};

struct Polygon {
    int part;
    std::vector<Corner> corners;
};

// One point of a profile swept around the y axis: distance from the axis, height,
// the outward normal in that plane, and v.
struct ProfilePoint {
    double radius, y, normalRadius, normalY, v;
};

// Collects polygons first, so mappings that need the whole primitive's extent can
// be applied before anything is written.
class Collector {
public:
    explicit Collector(const ObjectP::PrimitiveSettings& s) : s_(s) {}

    // Consecutive corners at one place (poles, apexes, the centres of caps) are merged,
    // so no polygon degenerates.
    void polygon(int part, std::vector<Corner> corners, bool flat) {
        std::vector<Corner> kept;
        for (const Corner& c : corners)
            if (kept.empty() || glm::length(c.p - kept.back().p) > 1e-9) kept.push_back(c);
        while (kept.size() > 1 && glm::length(kept.front().p - kept.back().p) <= 1e-9) kept.pop_back();
        if (kept.size() < 3) return;
        if (flat) {
            glm::dvec3 n(0.0);  // Newell's normal
            for (size_t i = 0; i < kept.size(); ++i) {
                const glm::dvec3& a = kept[i].p;
                const glm::dvec3& b = kept[(i + 1) % kept.size()].p;
                n += glm::dvec3((a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y));
            }
            if (glm::length(n) > 0) n = glm::normalize(n);
            for (Corner& c : kept) c.n = n;
        }
        polygons_.push_back({part, std::move(kept)});
    }

    // A flat four-sided face from its centre and half axes (u along `du`, v along
    // `dv`; du x dv points out), optionally keeping the texture's proportions.
    void face(int part, glm::dvec3 centre, glm::dvec3 du, glm::dvec3 dv) {
        glm::dvec3 n = glm::normalize(glm::cross(du, dv));
        std::vector<Corner> c = {{centre - du - dv, n, {0, 0}},
                                 {centre + du - dv, n, {1, 0}},
                                 {centre + du + dv, n, {1, 1}},
                                 {centre - du + dv, n, {0, 1}}};
        keepAspect(c, glm::length(du) / glm::length(dv));
        polygon(part, c, false);
    }

    // A triangle of a pyramid: base edge a to b, then the apex (u across, v up).
    void triangle(int part, glm::dvec3 a, glm::dvec3 b, glm::dvec3 apex) {
        glm::dvec3 n = glm::cross(b - a, apex - b);
        if (glm::length(n) == 0) return;
        n = glm::normalize(n);
        std::vector<Corner> c = {{a, n, {0, 0}}, {b, n, {1, 0}}, {apex, n, {0.5, 1}}};
        glm::dvec3 mid = (a + b) * 0.5;
        keepAspect(c, glm::length(b - a) / std::max(glm::length(apex - mid), 1e-12));
        polygon(part, c, false);
    }

    // A profile swept around the y axis in `segments` steps plus the seam column;
    // `planar` gives a cap disk coordinates across its face instead of around it.
    void sweep(int part, const std::vector<ProfilePoint>& profile, int segments, bool planar = false,
               double capRadius = 1) {
        bool flat = s_.hardAngle >= 0 && 360.0 / segments > s_.hardAngle;
        auto corner = [&](const ProfilePoint& q, int j) {
            double phi = kTwoPi * j / segments;
            if (j == segments) phi = 0;  // the seam column lies exactly on the first
            double c = std::cos(phi), s = std::sin(phi);
            Corner out;
            out.p = glm::dvec3(q.radius * c, q.y, q.radius * s);
            out.n = glm::dvec3(q.normalRadius * c, q.normalY, q.normalRadius * s);
            out.uv = planar ? glm::dvec2(0.5 + 0.5 * out.p.x / capRadius, 0.5 - 0.5 * out.p.z / capRadius)
                            : glm::dvec2(static_cast<double>(j) / segments, q.v);
            return out;
        };
        for (size_t i = 0; i + 1 < profile.size(); ++i)
            for (int j = 0; j < segments; ++j)
                polygon(part,
                        {corner(profile[i], j), corner(profile[i], j + 1), corner(profile[i + 1], j + 1),
                         corner(profile[i + 1], j)},
                        flat);
    }

    // Texture coordinates by mode, flipped when asked, then every corner into the mesh;
    // positions, normals and texture coordinates are each shared where equal, so
    // faces that meet at an edge share its positions.
    void emit(ObjDB& out) {
        applyMapping();
        std::map<std::array<double, 3>, int> positions, normals, texCoords;
        auto index = [](std::map<std::array<double, 3>, int>& known, std::array<double, 3> key, auto add) {
            auto [it, added] = known.emplace(key, static_cast<int>(known.size()));
            if (added) add(key.data());
            return it->second;
        };
        std::vector<int> p, n, t;
        for (const Polygon& poly : polygons_) {
            p.clear(), n.clear(), t.clear();
            for (const Corner& c : poly.corners) {
                double v = s_.flipV ? 1.0 - c.uv.y : c.uv.y;
                p.push_back(index(positions, {c.p.x, c.p.y, c.p.z}, [&](const double* x) { out.addVertex(x); }));
                n.push_back(index(normals, {c.n.x, c.n.y, c.n.z}, [&](const double* x) { out.addNormal(x); }));
                t.push_back(index(texCoords, {c.uv.x, v, 0.0}, [&](const double* x) { out.addTexCoord(x); }));
            }
            int count = static_cast<int>(p.size());
            out.addElement(GeometryInterface::Polygon, poly.part, count, p.data(), count, t.data(), count, n.data());
        }
    }

private:
    void keepAspect(std::vector<Corner>& corners, double aspect) {
        if (s_.mappingMode != ObjectP::kMapKeepAspect || !(aspect > 0)) return;
        for (Corner& c : corners) {
            if (aspect >= 1)
                c.uv.y = 0.5 + (c.uv.y - 0.5) / aspect;
            else
                c.uv.x = 0.5 + (c.uv.x - 0.5) * aspect;
        }
    }

    void applyMapping() {
        int mode = s_.mappingMode;
        if (mode < ObjectP::kMapFront || mode >= ObjectP::kMappingModes) return;
        glm::dvec3 lo(1e300), hi(-1e300);
        for (const Polygon& poly : polygons_)
            for (const Corner& c : poly.corners) lo = glm::min(lo, c.p), hi = glm::max(hi, c.p);
        glm::dvec3 centre = (lo + hi) * 0.5, extent = hi - lo;
        auto along = [&](const glm::dvec3& p, int axis) {
            return extent[axis] > 0 ? (p[axis] - lo[axis]) / extent[axis] : 0.5;
        };
        for (Polygon& poly : polygons_)
            for (Corner& c : poly.corners) {
                glm::dvec3 d = c.p - centre;
                switch (mode) {
                case ObjectP::kMapFront: c.uv = {along(c.p, 0), along(c.p, 1)}; break;
                case ObjectP::kMapTop: c.uv = {along(c.p, 0), along(c.p, 2)}; break;
                case ObjectP::kMapSide: c.uv = {along(c.p, 2), along(c.p, 1)}; break;
                case ObjectP::kMapCylinder:
                    c.uv = {std::atan2(d.z, d.x) / kTwoPi + 0.5, along(c.p, 1)};
                    break;
                default: {
                    double r = glm::length(d);
                    double polar = r > 0 ? std::acos(std::clamp(d.y / r, -1.0, 1.0)) : 0.0;
                    c.uv = {std::atan2(d.z, d.x) / kTwoPi + 0.5, 1.0 - polar / kHalfTurn};
                }
                }
                c.uv = glm::clamp(c.uv, glm::dvec2(0.0), glm::dvec2(1.0));
            }
    }

    const ObjectP::PrimitiveSettings& s_;
    std::vector<Polygon> polygons_;
};

// A flat grid of a by b cells; `point` places cell corner (i, j), and the cells face
// along `normal`.
void grid(Collector& out, int a, int b, glm::dvec3 normal,
          const std::function<glm::dvec3(double, double)>& point) {
    for (int j = 0; j < b; ++j)
        for (int i = 0; i < a; ++i) {
            auto corner = [&](int ci, int cj) {
                double u = static_cast<double>(ci) / a, v = static_cast<double>(cj) / b;
                return Corner{point(u, v), normal, {u, v}};
            };
            // Wound so that the cells face along the normal.
            std::vector<Corner> c = {corner(i, j), corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1)};
            glm::dvec3 n = glm::cross(c[1].p - c[0].p, c[2].p - c[1].p);
            if (glm::dot(n, normal) < 0) std::reverse(c.begin(), c.end());
            out.polygon(0, c, false);
        }
}

void pyramid(Collector& out, const std::vector<glm::dvec3>& base, double halfHeight, const bool* faceOn) {
    glm::dvec3 apex(0, halfHeight, 0);
    int sides = static_cast<int>(base.size());
    for (int k = 0; k < sides; ++k)
        if (faceOn[k]) out.triangle(k, base[static_cast<size_t>((k + 1) % sides)], base[static_cast<size_t>(k)], apex);
    if (!faceOn[sides]) return;
    glm::dvec3 lo(1e300), hi(-1e300);
    for (const glm::dvec3& p : base) lo = glm::min(lo, p), hi = glm::max(hi, p);
    std::vector<Corner> c;
    for (const glm::dvec3& p : base)
        c.push_back({p, {0, -1, 0}, {(p.x - lo.x) / (hi.x - lo.x), (p.z - lo.z) / (hi.z - lo.z)}});
    out.polygon(sides, c, false);
}

}  // namespace

int PrimitiveBuilder::segmentsAround(int steps) { return std::max(4, (2 * steps) / 4 * 4); }

int PrimitiveBuilder::sphereRings(int steps) { return std::max(0, steps) / 2 * 2 + 2; }

int PrimitiveBuilder::torusRingSegments(int steps) { return std::max(0, 6 * steps) / 4 * 4 + 4; }

bool PrimitiveBuilder::build(const ObjectP::PrimitiveSettings& s, ObjDB& out) {
    out.clear();
    // A size of 0 would flatten the primitive; it takes the first size instead.
    double d1 = std::fabs(s.size[0]);
    if (!(d1 > 0) || !std::isfinite(d1)) return false;
    double d2 = s.size[1] != 0 ? std::fabs(s.size[1]) : d1;
    double d3 = s.size[2] != 0 ? std::fabs(s.size[2]) : d1;
    int n = std::max(1, s.steps);
    Collector mesh(s);
    switch (s.type) {
    case ObjectP::kSphere: {
        double r = d1 / 2;
        int rings = sphereRings(n);
        std::vector<ProfilePoint> profile;
        for (int i = 0; i <= rings; ++i) {
            double theta = i == rings ? kHalfTurn : kHalfTurn / rings * i;
            double sn = i == rings ? 0.0 : std::sin(theta), cs = i == rings ? -1.0 : std::cos(theta);
            profile.push_back({r * sn, r * cs, sn, cs, 1.0 - static_cast<double>(i) / rings});
        }
        mesh.sweep(0, profile, segmentsAround(n));
        break;
    }
    case ObjectP::kPlane:
    case ObjectP::kFloor: {
        int a = s.gridAcross > 0 ? s.gridAcross : n, b = s.gridAlong > 0 ? s.gridAlong : n;
        if (s.type == ObjectP::kPlane)
            grid(mesh, a, b, {0, 0, -1}, [&](double u, double v) { return glm::dvec3((u - 0.5) * d1, (v - 0.5) * d2, 0); });
        else
            grid(mesh, a, b, {0, 1, 0}, [&](double u, double v) { return glm::dvec3((u - 0.5) * d1, 0, (v - 0.5) * d2); });
        break;
    }
    case ObjectP::kCube:
    case ObjectP::kSlab: {
        glm::dvec3 h(d1 / 2, d2 / 2, d3 / 2);
        // Front, back, left, right, top, bottom: outward normal and the face's u axis.
        const glm::dvec3 normals[6] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
        const glm::dvec3 us[6] = {{-1, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {1, 0, 0}};
        for (int f = 0; f < 6; ++f) {
            if (!s.faceOn[f]) continue;
            glm::dvec3 v = glm::cross(normals[f], us[f]);
            mesh.face(f, normals[f] * h, us[f] * h, v * h);
        }
        break;
    }
    case ObjectP::kCylinder: {
        double r = d1 / 2, h = d2 / 2;
        int segments = segmentsAround(n);
        mesh.sweep(kCylinderTop, {{0, h, 0, 1, 0}, {r, h, 0, 1, 0}}, segments, true, r);
        mesh.sweep(kCylinderSide, {{r, h, 1, 0, 1}, {r, -h, 1, 0, 0}}, segments);
        mesh.sweep(kCylinderBottom, {{r, -h, 0, -1, 0}, {0, -h, 0, -1, 0}}, segments, true, r);
        break;
    }
    case ObjectP::kCone: {
        double ratio = s.size[0] != 0 ? d2 / d1 : 1.0;
        double r = d1 / 2, h = d1 * ratio / 2;
        glm::dvec2 slant = glm::normalize(glm::dvec2(2 * h, r));  // outward in the (radius, y) plane
        int segments = segmentsAround(n);
        mesh.sweep(kConeSide, {{0, h, slant.x, slant.y, 1}, {r, -h, slant.x, slant.y, 0}}, segments);
        mesh.sweep(kConeBase, {{r, -h, 0, -1, 0}, {0, -h, 0, -1, 0}}, segments, true, r);
        break;
    }
    case ObjectP::kTorus: {
        double ring = d1 / 2, tube = std::min(s.size[1] != 0 ? d2 / 2 : d1 / 8, ring * 0.999);
        int around = torusTubeSegments(n), turns = torusRingSegments(n);
        std::vector<ProfilePoint> profile;
        for (int i = 0; i <= around; ++i) {
            double psi = i == around ? 0.0 : kTwoPi * i / around;
            double c = std::cos(psi), sn = std::sin(psi);
            profile.push_back({ring + tube * c, -tube * sn, c, -sn, 1.0 - static_cast<double>(i) / around});
        }
        mesh.sweep(0, profile, turns);
        break;
    }
    case ObjectP::kPyramid3:
        pyramid(mesh, {{-d1 / 2, -d2 / 2, -d3 / 2}, {d1 / 2, -d2 / 2, -d3 / 2}, {0, -d2 / 2, d3 / 2}}, d2 / 2,
                s.faceOn);
        break;
    case ObjectP::kPyramid4:
        pyramid(mesh,
                {{-d1 / 2, -d2 / 2, -d3 / 2}, {d1 / 2, -d2 / 2, -d3 / 2}, {d1 / 2, -d2 / 2, d3 / 2},
                 {-d1 / 2, -d2 / 2, d3 / 2}},
                d2 / 2, s.faceOn);
        break;
    default:  // custom meshes come through their own port; disks and nulls build nothing
        return false;
    }
    mesh.emit(out);
    return out.elementCount() > 0;
}

}  // namespace fw
