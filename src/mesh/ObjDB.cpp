#include "mesh/ObjDB.h"

#include <cmath>
#include <cstring>
#include <unordered_map>

namespace fw {

ObjDB::ObjDB() = default;
ObjDB::~ObjDB() = default;

int ObjDB::addVertex(const double position[3]) {
    positions_.append({{position[0], position[1], position[2]}});
    return positions_.count() - 1;
}

int ObjDB::addNormal(const double normal[3]) {
    normals_.append({{normal[0], normal[1], normal[2]}});
    return normals_.count() - 1;
}

int ObjDB::addTexCoord(const double uvw[3]) {
    texCoords_.append({{uvw[0], uvw[1], uvw[2]}});
    return texCoords_.count() - 1;
}

int32_t* ObjDB::carve(int count, const int* values) {
    if (count == 0) return nullptr;
    int32_t* slots;
    if (count > kBlockSize) {
        // Too long for a pool block: a block of its own, so that nothing is written
        // past a block and the element is still kept whole.
        blocks_.push_back(std::make_unique<int32_t[]>(count));
        slots = blocks_.back().get();
    } else {
        if (currentUsed_ + count > kBlockSize) {
            blocks_.push_back(std::make_unique<int32_t[]>(kBlockSize));
            current_ = blocks_.back().get();
            currentUsed_ = 0;
        }
        slots = current_ + currentUsed_;
        currentUsed_ += count;
    }
    std::memcpy(slots, values, sizeof(int32_t) * count);
    return slots;
}

int ObjDB::addElement(int kind, int part, int count, const int* positions, int texCount,
                      const int* texIndices, int normalCount, const int* normalIndices,
                      int user) {
    if (kind < Polygon || kind > PointSet || count < 0 || (count > 0 && !positions)) return -1;
    Element e;
    e.kind = kind;
    e.part = part;
    e.user = user;
    e.count = count;
    e.positions = carve(count, positions);
    e.texIndices = texCount == count && texIndices ? carve(count, texIndices) : nullptr;
    e.normalIndices =
        normalCount == count && normalIndices ? carve(count, normalIndices) : nullptr;
    elements_.append(e);
    return elements_.count() - 1;
}

bool ObjDB::getTriple(const GrowableArray<Triple>& array, double out[3], int index) {
    if (index < 0 || index >= array.count()) {
        out[0] = out[1] = out[2] = 0;
        return false;
    }
    std::memcpy(out, array[index].v, sizeof(double) * 3);
    return true;
}

bool ObjDB::getVertex(double out[3], int index) const { return getTriple(positions_, out, index); }
bool ObjDB::getTexCoord(double out[3], int index) const { return getTriple(texCoords_, out, index); }
bool ObjDB::getNormal(double out[3], int index) const { return getTriple(normals_, out, index); }

bool ObjDB::getElementRefs(int index, ElementInfo& info, const int** positions,
                           const int** texIndices, const int** normalIndices) const {
    if (index < 0 || index >= elements_.count()) return false;
    const Element& e = elements_[index];
    info.kind = e.kind;
    info.part = e.part;
    info.user = e.user;
    info.count = e.count;
    info.texCount = e.texIndices ? e.count : 0;
    info.normalCount = e.normalIndices ? e.count : 0;
    if (positions) *positions = e.positions;
    if (texIndices) *texIndices = e.texIndices;
    if (normalIndices) *normalIndices = e.normalIndices;
    return true;
}

bool ObjDB::getElement(int index, ElementInfo& info, int* positions, int* texIndices,
                       int* normalIndices) const {
    const int *p, *t, *n;
    if (!getElementRefs(index, info, &p, &t, &n)) return false;
    if (info.count > kMaxCopiedCorners) {
        info.count = info.texCount = info.normalCount = 0;
        return true;
    }
    size_t bytes = sizeof(int) * info.count;
    if (positions && info.count) std::memcpy(positions, p, bytes);
    if (texIndices && info.texCount) std::memcpy(texIndices, t, bytes);
    if (normalIndices && info.normalCount) std::memcpy(normalIndices, n, bytes);
    return true;
}

void ObjDB::clear() {
    blocks_.clear();
    current_ = nullptr;
    currentUsed_ = kBlockSize;
    positions_.clear();
    normals_.clear();
    texCoords_.clear();
    elements_.clear();
}

void ObjDB::assign(const GeometryInterface& from) {
    clear();
    double x[3];
    for (int i = 0; i < from.vertexCount(); ++i) from.getVertex(x, i), addVertex(x);
    for (int i = 0; i < from.texCoordCount(); ++i) from.getTexCoord(x, i), addTexCoord(x);
    for (int i = 0; i < from.normalCount(); ++i) from.getNormal(x, i), addNormal(x);
    for (int e = 0; e < from.elementCount(); ++e) {
        ElementInfo info;
        const int *p = nullptr, *t = nullptr, *n = nullptr;
        if (from.getElementRefs(e, info, &p, &t, &n))
            addElement(info.kind, info.part, info.count, p, info.texCount, t, info.normalCount, n, info.user);
    }
}

namespace {

struct CellKey {
    int64_t c[3];
    bool operator==(const CellKey& o) const {
        return c[0] == o.c[0] && c[1] == o.c[1] && c[2] == o.c[2];
    }
};

struct CellHash {
    size_t operator()(const CellKey& k) const {
        uint64_t h = static_cast<uint64_t>(k.c[0]) * 0x9E3779B97F4A7C15ull;
        h ^= static_cast<uint64_t>(k.c[1]) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
        h ^= static_cast<uint64_t>(k.c[2]) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
        return h;
    }
};

// Cell coordinate of one value; huge values share the outermost cells, which only
// costs distance checks, never a wrong merge.
int64_t cellOf(double value, double size) {
    double c = std::floor(value / size);
    if (c > 4e18) return INT64_C(4000000000000000000);
    if (c < -4e18) return -INT64_C(4000000000000000000);
    return static_cast<int64_t>(c);
}

}  // namespace

int ObjDB::weld(double tolerance) {
    int n = positions_.count();
    std::vector<int> newIndex(n);
    std::vector<int> kept;  // old indices of the surviving positions, in order
    kept.reserve(n);
    // Exact equality is a tolerance of 0 checked within one cell of any size.
    double cell = tolerance > 0 ? tolerance : 1.0;
    int reach = tolerance > 0 ? 1 : 0;
    double limit = tolerance > 0 ? tolerance * tolerance : 0.0;
    std::unordered_map<CellKey, std::vector<int>, CellHash> grid;
    for (int i = 0; i < n; ++i) {
        const double* p = positions_[i].v;
        int found = -1;
        bool finite = std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
        CellKey home{};
        if (finite) {
            for (int a = 0; a < 3; ++a) home.c[a] = cellOf(p[a], cell);
            for (int dx = -reach; dx <= reach && found < 0; ++dx)
                for (int dy = -reach; dy <= reach && found < 0; ++dy)
                    for (int dz = -reach; dz <= reach && found < 0; ++dz) {
                        auto it = grid.find({{home.c[0] + dx, home.c[1] + dy, home.c[2] + dz}});
                        if (it == grid.end()) continue;
                        for (int k : it->second) {
                            const double* q = positions_[kept[k]].v;
                            double d0 = p[0] - q[0], d1 = p[1] - q[1], d2 = p[2] - q[2];
                            if (d0 * d0 + d1 * d1 + d2 * d2 <= limit) {
                                found = k;
                                break;
                            }
                        }
                    }
        }
        if (found < 0) {
            found = static_cast<int>(kept.size());
            kept.push_back(i);
            if (finite) grid[home].push_back(found);
        }
        newIndex[i] = found;
    }
    // Survivors keep their relative order, so compacting in place never overwrites
    // a position that is still to be moved.
    for (size_t k = 0; k < kept.size(); ++k) positions_[static_cast<int>(k)] = positions_[kept[k]];
    while (positions_.count() > static_cast<int>(kept.size())) positions_.removeLast();
    for (int e = 0; e < elements_.count(); ++e) {
        Element& el = elements_[e];
        for (int c = 0; c < el.count; ++c) {
            int32_t& index = el.positions[c];
            if (index >= 0 && index < n) index = newIndex[index];
        }
    }
    return n - static_cast<int>(kept.size());
}

}  // namespace fw
