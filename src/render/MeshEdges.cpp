#include "render/MeshEdges.h"

#include <cmath>
#include <glm/geometric.hpp>
#include <unordered_map>

#include "mesh/PackedObjDB.h"
#include "platform/MathConstants.h"

namespace fw {

namespace {

constexpr int kNormalAt = 2, kPositionAt = 5;  // in a packed vertex: texture coordinate, normal, position

struct PositionKey {
    float x, y, z;
    bool operator==(const PositionKey&) const = default;
};
struct PositionHash {
    size_t operator()(const PositionKey& k) const {
        auto bits = [](float f) { return std::hash<float>()(f); };
        return bits(k.x) * 73856093u ^ bits(k.y) * 19349663u ^ bits(k.z) * 83492791u;
    }
};

// Faces whose normals agree this closely lie in one plane.
const double kCoplanar = std::cos(1.0 * kPi / 180.0);

}  // namespace

MeshEdges::MeshEdges(const PackedObjDB& mesh, const std::vector<uint32_t>& triangles) {
    const float* data = mesh.vertexData();
    const int vertices = mesh.vertexCount();
    if (!data) return;
    // Vertices split at creases and texture seams share a position: one id per position.
    std::unordered_map<PositionKey, uint32_t, PositionHash> ids;
    std::vector<uint32_t> idOf(static_cast<size_t>(vertices));
    for (int v = 0; v < vertices; ++v) {
        const float* p = data + static_cast<size_t>(v) * PackedObjDB::kFloatsPerVertex + kPositionAt;
        idOf[v] = ids.emplace(PositionKey{p[0], p[1], p[2]}, static_cast<uint32_t>(ids.size())).first->second;
    }
    auto position = [&](uint32_t v) {
        const float* p = data + static_cast<size_t>(v) * PackedObjDB::kFloatsPerVertex + kPositionAt;
        return glm::dvec3(p[0], p[1], p[2]);
    };
    auto normal = [&](uint32_t v) {
        const float* n = data + static_cast<size_t>(v) * PackedObjDB::kFloatsPerVertex + kNormalAt;
        return glm::dvec3(n[0], n[1], n[2]);
    };
    std::unordered_map<uint64_t, size_t> edgeAt;
    for (size_t t = 0; t + 2 < triangles.size(); t += 3) {
        const uint32_t v[3] = {triangles[t], triangles[t + 1], triangles[t + 2]};
        if (v[0] >= static_cast<uint32_t>(vertices) || v[1] >= static_cast<uint32_t>(vertices) ||
            v[2] >= static_cast<uint32_t>(vertices))
            continue;
        glm::dvec3 p0 = position(v[0]);
        glm::dvec3 n = glm::cross(position(v[1]) - p0, position(v[2]) - p0);
        double length = glm::length(n);
        if (!(length > 0)) continue;  // a sliver has no side to face
        n /= length;
        // Winding is not to be trusted; the vertex normals say which side is out.
        if (glm::dot(n, normal(v[0]) + normal(v[1]) + normal(v[2])) < 0) n = -n;
        const int face = static_cast<int>(faces_.size());
        faces_.push_back({n, p0});
        for (int i = 0; i < 3; ++i) {
            uint32_t a = v[i], b = v[(i + 1) % 3];
            uint32_t ia = idOf[a], ib = idOf[b];
            if (ia == ib) continue;
            uint64_t key = ia < ib ? (uint64_t(ia) << 32 | ib) : (uint64_t(ib) << 32 | ia);
            auto [at, added] = edgeAt.emplace(key, edges_.size());
            if (added) {
                edges_.push_back({a, b, {face, -1}, 1});
            } else {
                Edge& e = edges_[at->second];
                if (e.count == 1) e.faces[1] = face;
                ++e.count;
            }
        }
    }
}

double MeshEdges::cosine(const Edge& e) const {
    return glm::dot(faces_[e.faces[0]].normal, faces_[e.faces[1]].normal);
}

std::vector<uint32_t> MeshEdges::polygonEdges() const {
    std::vector<uint32_t> lines;
    for (const Edge& e : edges_)
        if (open(e) || cosine(e) < kCoplanar) lines.insert(lines.end(), {e.a, e.b});
    return lines;
}

std::vector<uint32_t> MeshEdges::outline(const glm::dvec4& eye, double creaseDegrees) const {
    const double crease = std::cos(creaseDegrees * kPi / 180.0);
    const glm::dvec3 toEye(eye);
    auto facing = [&](int f) {
        const Face& face = faces_[f];
        return glm::dot(face.normal, toEye - face.point * eye.w) > 0;
    };
    std::vector<uint32_t> lines;
    for (const Edge& e : edges_)
        if (open(e) || facing(e.faces[0]) != facing(e.faces[1]) || cosine(e) < crease)
            lines.insert(lines.end(), {e.a, e.b});
    return lines;
}

}  // namespace fw
