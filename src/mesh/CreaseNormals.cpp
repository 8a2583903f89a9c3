#include "mesh/CreaseNormals.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "mesh/GeometryInterface.h"
#include "mesh/PackedObjDB.h"

namespace fw {

namespace {

constexpr double kPi = 3.14159265358979323846;

using Vec = std::array<double, 3>;

Vec minus(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
bool isZero(const Vec& a) { return a[0] == 0 && a[1] == 0 && a[2] == 0; }

Vec unit(const Vec& a) {
    double length = std::sqrt(dot(a, a));
    return length > 0 && std::isfinite(length) ? Vec{a[0] / length, a[1] / length, a[2] / length} : Vec{0, 0, 0};
}

// Positions compared by value: the key is the coordinates' bits, with -0 made +0.
struct Key {
    uint64_t bits[3];
    bool operator==(const Key& o) const { return std::memcmp(bits, o.bits, sizeof bits) == 0; }
};

struct KeyHash {
    size_t operator()(const Key& k) const {
        uint64_t h = k.bits[0] * 0x9E3779B97F4A7C15ull;
        h ^= k.bits[1] + 0x7F4A7C159E3779B9ull + (h << 6) + (h >> 2);
        h ^= k.bits[2] + 0x94D049BB133111EBull + (h << 6) + (h >> 2);
        return static_cast<size_t>(h ^ (h >> 31));
    }
};

Key keyOf(const Vec& p) {
    Key k;
    for (int a = 0; a < 3; ++a) {
        double v = p[static_cast<size_t>(a)] + 0.0;
        std::memcpy(&k.bits[a], &v, sizeof v);
    }
    return k;
}

struct Polygon {
    GeometryInterface::ElementInfo info;
    const int *positions = nullptr, *tex = nullptr, *normals = nullptr;
    int firstCorner = 0;
    bool read = false;
    bool smoothed = false;  // a polygon given no normals, which gets them here
    Vec normal{0, 0, 0};
};

}  // namespace

bool CreaseNormals::needed(const GeometryInterface& mesh) {
    for (int e = 0; e < mesh.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (mesh.getElementRefs(e, info, &p, &t, &n) && info.kind == GeometryInterface::Polygon && info.count >= 3 &&
            (!n || info.normalCount != info.count))
            return true;
    }
    return false;
}

bool CreaseNormals::pack(const GeometryInterface& mesh, double hardAngle, PackedObjDB& out) {
    const int positionCount = mesh.vertexCount();
    std::vector<Vec> where(static_cast<size_t>(positionCount));
    for (int i = 0; i < positionCount; ++i) mesh.getVertex(where[static_cast<size_t>(i)].data(), i);

    // One place per distinct position value.
    std::vector<int> place(static_cast<size_t>(positionCount));
    int placeCount = 0;
    {
        std::unordered_map<Key, int, KeyHash> places;
        places.reserve(static_cast<size_t>(positionCount));
        for (int i = 0; i < positionCount; ++i) {
            auto [it, added] = places.try_emplace(keyOf(where[static_cast<size_t>(i)]), placeCount);
            if (added) ++placeCount;
            place[static_cast<size_t>(i)] = it->second;
        }
    }
    auto placeOf = [&](int position) {
        return position >= 0 && position < positionCount ? place[static_cast<size_t>(position)] : -1;
    };

    // Every element; the polygons' face normals (Newell's, which suits any planar
    // polygon) and, per corner, the angle the polygon spans there as its weight.
    std::vector<Polygon> elements(static_cast<size_t>(mesh.elementCount()));
    long corners = 0;
    for (int e = 0; e < mesh.elementCount(); ++e) {
        Polygon& poly = elements[static_cast<size_t>(e)];
        poly.read = mesh.getElementRefs(e, poly.info, &poly.positions, &poly.tex, &poly.normals);
        if (!poly.read) poly.info.count = 0;
        poly.firstCorner = static_cast<int>(corners);
        corners += std::max(poly.info.count, 0);
        const bool polygon = poly.info.kind == GeometryInterface::Polygon && poly.info.count >= 3;
        poly.smoothed = polygon && (!poly.normals || poly.info.normalCount != poly.info.count);
        if (!polygon) continue;
        Vec sum{0, 0, 0};
        bool inRange = true;
        for (int k = 0; k < poly.info.count && inRange; ++k) {
            int a = poly.positions[k], b = poly.positions[(k + 1) % poly.info.count];
            inRange = placeOf(a) >= 0 && placeOf(b) >= 0;
            if (!inRange) break;
            const Vec &p = where[static_cast<size_t>(a)], &q = where[static_cast<size_t>(b)];
            sum[0] += (p[1] - q[1]) * (p[2] + q[2]);
            sum[1] += (p[2] - q[2]) * (p[0] + q[0]);
            sum[2] += (p[0] - q[0]) * (p[1] + q[1]);
        }
        if (inRange) poly.normal = unit(sum);
    }
    std::vector<double> weight(static_cast<size_t>(corners), 0.0);
    std::vector<int> start(static_cast<size_t>(placeCount) + 1, 0);
    for (const Polygon& poly : elements) {
        if (isZero(poly.normal)) continue;
        const int n = poly.info.count;
        for (int k = 0; k < n; ++k) {
            const Vec& here = where[static_cast<size_t>(poly.positions[k])];
            Vec in = unit(minus(where[static_cast<size_t>(poly.positions[(k + n - 1) % n])], here));
            Vec on = unit(minus(where[static_cast<size_t>(poly.positions[(k + 1) % n])], here));
            weight[static_cast<size_t>(poly.firstCorner + k)] = std::acos(std::clamp(dot(in, on), -1.0, 1.0));
            ++start[static_cast<size_t>(placeOf(poly.positions[k])) + 1];
        }
    }
    // The corners of faces with a plane that meet at each place.
    for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
    std::vector<int> atPlace(static_cast<size_t>(start.back())), faceOf(atPlace.size());
    {
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (size_t e = 0; e < elements.size(); ++e) {
            const Polygon& poly = elements[e];
            if (isZero(poly.normal)) continue;
            for (int k = 0; k < poly.info.count; ++k) {
                size_t slot = static_cast<size_t>(fill[static_cast<size_t>(placeOf(poly.positions[k]))]++);
                atPlace[slot] = poly.firstCorner + k;
                faceOf[slot] = static_cast<int>(e);
            }
        }
    }

    // The smoothed corner normals; equal normals at one place are stored once, so
    // that the corners sharing them share a packed vertex where they share a position.
    const double angle = std::clamp(hardAngle, 0.0, 180.0);
    const double limit = std::cos(angle * kPi / 180) - 1e-9;
    std::vector<Vec> made;
    std::vector<int> madeNext, madeFirst(static_cast<size_t>(placeCount), -1);
    std::vector<int> cornerNormal(static_cast<size_t>(corners), -1);
    const int given = mesh.normalCount();
    for (const Polygon& poly : elements) {
        if (!poly.smoothed) continue;
        for (int k = 0; k < poly.info.count; ++k) {
            const int at = placeOf(poly.positions[k]);
            Vec sum{0, 0, 0};
            if (at >= 0) {
                for (int s = start[static_cast<size_t>(at)]; s < start[static_cast<size_t>(at) + 1]; ++s) {
                    const Polygon& other = elements[static_cast<size_t>(faceOf[static_cast<size_t>(s)])];
                    // A face without a plane of its own takes on its neighbours'.
                    if (!isZero(poly.normal) && dot(poly.normal, other.normal) < limit) continue;
                    double w = weight[static_cast<size_t>(atPlace[static_cast<size_t>(s)])];
                    for (int a = 0; a < 3; ++a) sum[static_cast<size_t>(a)] += w * other.normal[static_cast<size_t>(a)];
                }
            }
            Vec normal = unit(sum);
            if (isZero(normal)) normal = poly.normal;
            int found = -1;
            if (at >= 0)
                for (int m = madeFirst[static_cast<size_t>(at)]; m >= 0 && found < 0; m = madeNext[static_cast<size_t>(m)])
                    if (made[static_cast<size_t>(m)] == normal) found = m;
            if (found < 0) {
                found = static_cast<int>(made.size());
                made.push_back(normal);
                madeNext.push_back(at >= 0 ? madeFirst[static_cast<size_t>(at)] : -1);
                if (at >= 0) madeFirst[static_cast<size_t>(at)] = found;
            }
            cornerNormal[static_cast<size_t>(poly.firstCorner + k)] = given + found;
        }
    }

    out.clear();
    out.reserve(positionCount, corners < (1L << 30) ? static_cast<int>(corners) : 0);
    double value[3];
    for (const Vec& p : where) out.addVertex(p.data());
    for (int i = 0; i < mesh.texCoordCount(); ++i) mesh.getTexCoord(value, i), out.addTexCoord(value);
    for (int i = 0; i < given; ++i) mesh.getNormal(value, i), out.addNormal(value);
    for (const Vec& n : made) out.addNormal(n.data());
    bool all = true;
    for (const Polygon& poly : elements) {
        if (!poly.read) {
            all = false;
            continue;
        }
        const GeometryInterface::ElementInfo& info = poly.info;
        const int* normals = poly.smoothed ? cornerNormal.data() + poly.firstCorner : poly.normals;
        const int normalCount = poly.smoothed ? info.count : info.normalCount;
        if (out.addElement(info.kind, info.part, info.count, poly.positions, info.texCount, poly.tex, normalCount,
                           normals, info.user) < 0)
            all = false;
    }
    return all;
}

}  // namespace fw
