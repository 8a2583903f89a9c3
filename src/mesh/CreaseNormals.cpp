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
#include "platform/MathConstants.h"

namespace fw {

namespace {

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

namespace {

// One mesh's smoothing, phase by phase: places, face normals, the corners meeting at
// each place, the smoothed normals, the packed mesh.
class Smoothing {
public:
    explicit Smoothing(const GeometryInterface& mesh) : mesh_(mesh), positionCount_(mesh.vertexCount()) {
        where_.resize(static_cast<size_t>(positionCount_));
        for (int i = 0; i < positionCount_; ++i) mesh.getVertex(where_[static_cast<size_t>(i)].data(), i);
        findPlaces();
        readElements();
        weighCorners();
        gatherByPlace();
    }

    // The smoothed corner normals; equal normals at one place are stored once, so
    // that the corners sharing them share a packed vertex where they share a position.
    void smooth(double hardAngle) {
        const double angle = std::clamp(hardAngle, 0.0, 180.0);
        const double limit = std::cos(angle * kPi / 180) - 1e-9;
        madeFirst_.assign(static_cast<size_t>(placeCount_), -1);
        cornerNormal_.assign(static_cast<size_t>(corners_), -1);
        for (const Polygon& poly : elements_) {
            if (!poly.smoothed) continue;
            for (int k = 0; k < poly.info.count; ++k) {
                const int at = placeOf(poly.positions[k]);
                Vec normal = unit(at >= 0 ? sumAround(poly, at, limit) : Vec{0, 0, 0});
                if (isZero(normal)) normal = poly.normal;
                cornerNormal_[static_cast<size_t>(poly.firstCorner + k)] = mesh_.normalCount() + stored(normal, at);
            }
        }
    }

    bool write(PackedObjDB& out) const {
        out.clear();
        out.reserve(positionCount_, corners_ < (1L << 30) ? static_cast<int>(corners_) : 0);
        double value[3];
        for (const Vec& p : where_) out.addVertex(p.data());
        for (int i = 0; i < mesh_.texCoordCount(); ++i) mesh_.getTexCoord(value, i), out.addTexCoord(value);
        for (int i = 0; i < mesh_.normalCount(); ++i) mesh_.getNormal(value, i), out.addNormal(value);
        for (const Vec& n : made_) out.addNormal(n.data());
        bool all = true;
        for (const Polygon& poly : elements_) {
            if (!poly.read) {
                all = false;
                continue;
            }
            const GeometryInterface::ElementInfo& info = poly.info;
            const int* normals = poly.smoothed ? cornerNormal_.data() + poly.firstCorner : poly.normals;
            const int normalCount = poly.smoothed ? info.count : info.normalCount;
            if (out.addElement(info.kind, info.part, info.count, poly.positions, info.texCount, poly.tex, normalCount,
                               normals, info.user) < 0)
                all = false;
        }
        return all;
    }

private:
    int placeOf(int position) const {
        return position >= 0 && position < positionCount_ ? place_[static_cast<size_t>(position)] : -1;
    }

    // One place per distinct position value.
    void findPlaces() {
        place_.resize(static_cast<size_t>(positionCount_));
        std::unordered_map<Key, int, KeyHash> places;
        places.reserve(static_cast<size_t>(positionCount_));
        for (int i = 0; i < positionCount_; ++i) {
            auto [it, added] = places.try_emplace(keyOf(where_[static_cast<size_t>(i)]), placeCount_);
            if (added) ++placeCount_;
            place_[static_cast<size_t>(i)] = it->second;
        }
    }

    // Every element, with the polygons' face normals (Newell's, which suits any planar
    // polygon).
    void readElements() {
        elements_.resize(static_cast<size_t>(mesh_.elementCount()));
        for (int e = 0; e < mesh_.elementCount(); ++e) {
            Polygon& poly = elements_[static_cast<size_t>(e)];
            poly.read = mesh_.getElementRefs(e, poly.info, &poly.positions, &poly.tex, &poly.normals);
            if (!poly.read) poly.info.count = 0;
            poly.firstCorner = static_cast<int>(corners_);
            corners_ += std::max(poly.info.count, 0);
            const bool polygon = poly.info.kind == GeometryInterface::Polygon && poly.info.count >= 3;
            poly.smoothed = polygon && (!poly.normals || poly.info.normalCount != poly.info.count);
            if (!polygon) continue;
            Vec sum{0, 0, 0};
            bool inRange = true;
            for (int k = 0; k < poly.info.count && inRange; ++k) {
                int a = poly.positions[k], b = poly.positions[(k + 1) % poly.info.count];
                inRange = placeOf(a) >= 0 && placeOf(b) >= 0;
                if (!inRange) break;
                const Vec &p = where_[static_cast<size_t>(a)], &q = where_[static_cast<size_t>(b)];
                sum[0] += (p[1] - q[1]) * (p[2] + q[2]);
                sum[1] += (p[2] - q[2]) * (p[0] + q[0]);
                sum[2] += (p[0] - q[0]) * (p[1] + q[1]);
            }
            if (inRange) poly.normal = unit(sum);
        }
    }

    // Per corner, the angle the polygon spans there as its weight; per place, a count.
    void weighCorners() {
        weight_.assign(static_cast<size_t>(corners_), 0.0);
        start_.assign(static_cast<size_t>(placeCount_) + 1, 0);
        for (const Polygon& poly : elements_) {
            if (isZero(poly.normal)) continue;
            const int n = poly.info.count;
            for (int k = 0; k < n; ++k) {
                const Vec& here = where_[static_cast<size_t>(poly.positions[k])];
                Vec in = unit(minus(where_[static_cast<size_t>(poly.positions[(k + n - 1) % n])], here));
                Vec on = unit(minus(where_[static_cast<size_t>(poly.positions[(k + 1) % n])], here));
                weight_[static_cast<size_t>(poly.firstCorner + k)] = std::acos(std::clamp(dot(in, on), -1.0, 1.0));
                ++start_[static_cast<size_t>(placeOf(poly.positions[k])) + 1];
            }
        }
        for (size_t i = 1; i < start_.size(); ++i) start_[i] += start_[i - 1];
    }

    // The corners of faces with a plane that meet at each place.
    void gatherByPlace() {
        atPlace_.resize(static_cast<size_t>(start_.back()));
        faceOf_.resize(atPlace_.size());
        std::vector<int> fill(start_.begin(), start_.end() - 1);
        for (size_t e = 0; e < elements_.size(); ++e) {
            const Polygon& poly = elements_[e];
            if (isZero(poly.normal)) continue;
            for (int k = 0; k < poly.info.count; ++k) {
                size_t slot = static_cast<size_t>(fill[static_cast<size_t>(placeOf(poly.positions[k]))]++);
                atPlace_[slot] = poly.firstCorner + k;
                faceOf_[slot] = static_cast<int>(e);
            }
        }
    }

    // The weighted normals of the faces at a place within the angle of the polygon's own.
    Vec sumAround(const Polygon& poly, int at, double limit) const {
        Vec sum{0, 0, 0};
        for (int s = start_[static_cast<size_t>(at)]; s < start_[static_cast<size_t>(at) + 1]; ++s) {
            const Polygon& other = elements_[static_cast<size_t>(faceOf_[static_cast<size_t>(s)])];
            // A face without a plane of its own takes on its neighbours'.
            if (!isZero(poly.normal) && dot(poly.normal, other.normal) < limit) continue;
            double w = weight_[static_cast<size_t>(atPlace_[static_cast<size_t>(s)])];
            for (int a = 0; a < 3; ++a) sum[static_cast<size_t>(a)] += w * other.normal[static_cast<size_t>(a)];
        }
        return sum;
    }

    // The number of a made normal equal to this one at the place, made if new.
    int stored(const Vec& normal, int at) {
        if (at >= 0)
            for (int m = madeFirst_[static_cast<size_t>(at)]; m >= 0; m = madeNext_[static_cast<size_t>(m)])
                if (made_[static_cast<size_t>(m)] == normal) return m;
        const int found = static_cast<int>(made_.size());
        made_.push_back(normal);
        madeNext_.push_back(at >= 0 ? madeFirst_[static_cast<size_t>(at)] : -1);
        if (at >= 0) madeFirst_[static_cast<size_t>(at)] = found;
        return found;
    }

    const GeometryInterface& mesh_;
    const int positionCount_;
    std::vector<Vec> where_;
    std::vector<int> place_;
    int placeCount_ = 0;
    std::vector<Polygon> elements_;
    long corners_ = 0;
    std::vector<double> weight_;
    std::vector<int> start_, atPlace_, faceOf_;
    std::vector<Vec> made_;
    std::vector<int> madeNext_, madeFirst_, cornerNormal_;
};

}  // namespace

bool CreaseNormals::pack(const GeometryInterface& mesh, double hardAngle, PackedObjDB& out) {
    Smoothing smoothing(mesh);
    smoothing.smooth(hardAngle);
    return smoothing.write(out);
}

}  // namespace fw
