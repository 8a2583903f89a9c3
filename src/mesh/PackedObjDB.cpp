#include "mesh/PackedObjDB.h"

#include <algorithm>
#include <cstring>

namespace fw {

PackedObjDB::PackedObjDB() = default;
PackedObjDB::~PackedObjDB() = default;

int PackedObjDB::addVertex(const double position[3]) {
    if (finished_) return -1;
    stagedPositions_.append({{static_cast<float>(position[0]), static_cast<float>(position[1]),
                              static_cast<float>(position[2])}});
    return stagedPositions_.count() - 1;
}

int PackedObjDB::addNormal(const double normal[3]) {
    if (finished_) return -1;
    stagedNormals_.append({{static_cast<float>(normal[0]), static_cast<float>(normal[1]),
                            static_cast<float>(normal[2])}});
    return stagedNormals_.count() - 1;
}

int PackedObjDB::addTexCoord(const double uvw[3]) {
    if (finished_) return -1;
    stagedTexCoords_.append({{static_cast<float>(uvw[0]), static_cast<float>(uvw[1])}});
    return stagedTexCoords_.count() - 1;
}

int PackedObjDB::appendVertex(int p, int t, int n) {
    Vertex v{};
    if (t >= 0 && t < stagedTexCoords_.count()) std::memcpy(v.f, stagedTexCoords_[t].v, 2 * sizeof(float));
    if (n >= 0 && n < stagedNormals_.count()) std::memcpy(v.f + 2, stagedNormals_[n].v, 3 * sizeof(float));
    if (p < stagedPositions_.count())
        std::memcpy(v.f + kPositionOffset, stagedPositions_[p].v, 3 * sizeof(float));
    vertices_.append(v);
    return vertices_.count() - 1;
}

int PackedObjDB::packCorner(int p, int t, int n) {
    while (table_.count() <= p) table_.append({-1, -1, -1, -1});
    // An attribute given to any corner is kept for the whole mesh: corners given none
    // read zeros.
    if (t != -1) flags_ |= HasTexCoords;
    if (n != -1) flags_ |= HasNormals;
    Combo& entry = table_[p];
    if (entry.packed == -1) {
        entry.tex = t;
        entry.normal = n;
        // A position that was never staged keeps its own number as packed index.
        entry.packed = p >= stagedPositions_.count() ? p : appendVertex(p, t, n);
        return entry.packed;
    }
    if (entry.tex == t && entry.normal == n) return entry.packed;
    int last = -1;
    for (int link = entry.next; link != -1; link = overflow_[link].next) {
        const Combo& o = overflow_[link];
        if (o.tex == t && o.normal == n) return o.packed;
        last = link;
    }
    int packed = appendVertex(p, t, n);
    overflow_.append({t, n, packed, -1});
    int added = overflow_.count() - 1;
    if (last == -1)
        table_[p].next = added;
    else
        overflow_[last].next = added;
    return packed;
}

int PackedObjDB::addElement(int kind, int part, int count, const int* positions, int texCount,
                            const int* texIndices, int normalCount, const int* normalIndices,
                            int user) {
    if (finished_ || kind < Polygon || kind > PointSet || count < 0 || count > kMaxCorners ||
        (count > 0 && !positions))
        return -1;
    for (int i = 0; i < count; ++i)
        if (positions[i] < 0 || positions[i] > kMaxPositionIndex) return -1;
    const int* t = texCount == count ? texIndices : nullptr;
    const int* n = normalCount == count ? normalIndices : nullptr;
    Element e;
    e.kind = static_cast<uint16_t>(kind);
    e.count = static_cast<uint16_t>(count);
    e.first = static_cast<uint32_t>(indices_.count());
    e.part = static_cast<int16_t>(part);
    e.originalPart = e.part;
    e.user = static_cast<uint32_t>(user);
    for (int i = 0; i < count; ++i)
        indices_.append(packCorner(positions[i], t ? t[i] : -1, n ? n[i] : -1));
    elements_.push_back(std::move(e));
    return static_cast<int>(elements_.size()) - 1;
}

int PackedObjDB::texCoordCount() const { return flags_ & HasTexCoords ? vertices_.count() : 0; }
int PackedObjDB::normalCount() const { return flags_ & HasNormals ? vertices_.count() : 0; }

const float* PackedObjDB::vertexAt(int index) const {
    return index >= 0 && index < vertices_.count() ? vertices_[index].f : nullptr;
}

bool PackedObjDB::getVertex(double out[3], int index) const {
    const float* v = vertexAt(index);
    for (int i = 0; i < 3; ++i) out[i] = v ? v[kPositionOffset + i] : 0.0;
    return v != nullptr;
}

bool PackedObjDB::getTexCoord(double out[3], int index) const {
    const float* v = vertexAt(index);
    out[0] = v ? v[0] : 0.0;
    out[1] = v ? v[1] : 0.0;
    out[2] = 0.0;
    return v != nullptr;
}

bool PackedObjDB::getNormal(double out[3], int index) const {
    const float* v = vertexAt(index);
    for (int i = 0; i < 3; ++i) out[i] = v ? v[2 + i] : 0.0;
    return v != nullptr;
}

bool PackedObjDB::setVertexPosition(int index, const double position[3]) {
    if (index < 0 || index >= vertices_.count()) return false;
    for (int i = 0; i < 3; ++i) vertices_[index].f[kPositionOffset + i] = static_cast<float>(position[i]);
    return true;
}

bool PackedObjDB::getElementRefs(int index, ElementInfo& info, const int** positions,
                                 const int** texIndices, const int** normalIndices) const {
    if (index < 0 || index >= elementCount()) return false;
    const Element& e = elements_[static_cast<size_t>(index)];
    const int* list = indices_.data() ? indices_.data() + e.first : nullptr;
    info.kind = e.kind;
    info.part = e.part;
    info.user = static_cast<int>(e.user);
    info.count = e.count;
    info.texCount = flags_ & HasTexCoords ? e.count : 0;
    info.normalCount = flags_ & HasNormals ? e.count : 0;
    if (positions) *positions = list;
    if (texIndices) *texIndices = info.texCount ? list : nullptr;
    if (normalIndices) *normalIndices = info.normalCount ? list : nullptr;
    return true;
}

bool PackedObjDB::getElement(int index, ElementInfo& info, int* positions, int* texIndices,
                             int* normalIndices) const {
    const int* list;
    if (!getElementRefs(index, info, &list, nullptr, nullptr)) return false;
    if (info.count > kMaxCopiedCorners) {
        info.count = info.texCount = info.normalCount = 0;
        return true;
    }
    if (positions) std::copy(list, list + info.count, positions);
    if (texIndices) std::copy(list, list + info.texCount, texIndices);
    if (normalIndices) std::copy(list, list + info.normalCount, normalIndices);
    return true;
}

void PackedObjDB::clear() {
    stagedPositions_.clear();
    stagedNormals_.clear();
    stagedTexCoords_.clear();
    table_.clear();
    overflow_.clear();
    vertices_.clear();
    indices_.clear();
    elements_.clear();
    flags_ = 0;
    finished_ = false;
}

void PackedObjDB::finish() {
    stagedPositions_.release();
    stagedNormals_.release();
    stagedTexCoords_.release();
    table_.release();
    overflow_.release();
    vertices_.shrinkToFit();
    indices_.shrinkToFit();
    elements_.shrink_to_fit();
    finished_ = true;
}

bool PackedObjDB::repacksToItself() const {
    // Repacking meets the packed vertices in their own order, so indices and vertices
    // come back alike, and a set flag is set again by the corners that carry the
    // attribute; what can differ is an attribute whose flag is off (the copy zeroes
    // it) and parts changed after adding.
    for (const Element& e : elements_)
        if (e.originalPart != e.part || e.list.count() != 0 || e.list.step() != 10) return false;
    for (int flag : {HasTexCoords, HasNormals}) {
        if (flags_ & flag) continue;
        const int first = flag == HasTexCoords ? 0 : 2, count = flag == HasTexCoords ? 2 : 3;
        const float zeros[3] = {0, 0, 0};  // +0 bit for bit, as the copy writes them
        for (int v = 0; v < vertices_.count(); ++v)
            if (std::memcmp(vertices_[v].f + first, zeros, sizeof(float) * static_cast<size_t>(count)) != 0) return false;
    }
    // A corner that names a position never staged keeps that number as its index, and
    // repacking would stage it: only indices of real vertices read back alike.
    for (int i = 0; i < indices_.count(); ++i)
        if (indices_[i] < 0 || indices_[i] >= vertices_.count()) return false;
    return true;
}

void PackedObjDB::reserve(int positions, int corners) {
    stagedPositions_.reserve(positions);
    table_.reserve(positions);
    vertices_.reserve(corners);
    indices_.reserve(corners);
}

bool PackedObjDB::pack(const GeometryInterface& source) {
    if (&source == this) return true;
    clear();
    // Sized once from the source: growing step by step would copy the arrays again and again.
    stagedNormals_.reserve(source.normalCount());
    stagedTexCoords_.reserve(source.texCoordCount());
    {
        long corners = 0;
        ElementInfo info;
        const int *p, *t, *n;
        for (int e = 0; e < source.elementCount(); ++e)
            if (source.getElementRefs(e, info, &p, &t, &n) && info.count > 0) corners += info.count;
        // No corner makes more than one vertex; finish() gives back what is left over.
        reserve(source.vertexCount(), corners < (1L << 30) ? static_cast<int>(corners) : 0);
    }
    double value[3];
    for (int i = 0; i < source.vertexCount(); ++i) {
        source.getVertex(value, i);
        addVertex(value);
    }
    for (int i = 0; i < source.normalCount(); ++i) {
        source.getNormal(value, i);
        addNormal(value);
    }
    for (int i = 0; i < source.texCoordCount(); ++i) {
        source.getTexCoord(value, i);
        addTexCoord(value);
    }
    // One element after the other: the packed numbering follows the order in which
    // corners are met, and the index list is part of the result.
    bool all = true;
    elements_.reserve(static_cast<size_t>(source.elementCount()));
    for (int e = 0; e < source.elementCount(); ++e) {
        ElementInfo info;
        const int *p, *t, *n;
        if (!source.getElementRefs(e, info, &p, &t, &n) ||
            addElement(info.kind, info.part, info.count, p, info.texCount, t, info.normalCount, n,
                       info.user) < 0)
            all = false;
    }
    return all;
}

}  // namespace fw
