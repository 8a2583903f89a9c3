#include "render/RayScene.h"

#include <embree3/rtcore.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <glm/geometric.hpp>
#include <glm/mat3x3.hpp>
#include <glm/mat4x4.hpp>
#include <glm/gtc/matrix_inverse.hpp>
#include <limits>

#include "mesh/PackedObjDB.h"

namespace fw {

namespace {

// Embree reports through callbacks; what matters to the build is whether memory ran out.
void onError(void* user, RTCError code, const char*) {
    if (code == RTC_ERROR_OUT_OF_MEMORY) static_cast<RayScene::Watch*>(user)->outOfMemory = true;
}

bool onMemory(void* user, ssize_t bytes, bool) {
    auto* watch = static_cast<RayScene::Watch*>(user);
    if (bytes < 0) {
        size_t freed = static_cast<size_t>(-bytes);
        watch->used -= std::min(freed, watch->used);
        return true;
    }
    if (watch->limit > 0 && watch->used + static_cast<size_t>(bytes) > watch->limit) {
        watch->outOfMemory = true;
        return false;
    }
    watch->used += static_cast<size_t>(bytes);
    return true;
}

void setRay(RTCRay& ray, const glm::vec3& o, const glm::vec3& d, float tnear, float tfar) {
    ray.org_x = o.x, ray.org_y = o.y, ray.org_z = o.z;
    ray.dir_x = d.x, ray.dir_y = d.y, ray.dir_z = d.z;
    ray.tnear = tnear;
    ray.tfar = tfar < 0 ? std::numeric_limits<float>::infinity() : tfar;
    ray.time = 0;
    ray.mask = ~0u;
    ray.id = 0;
    ray.flags = 0;
}

// The nearest hit along the ray between the two distances, into `rh`.
bool nearestHit(RTCScene scene, const glm::vec3& origin, const glm::vec3& direction, float minDistance,
                float maxDistance, RTCRayHit& rh) {
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    setRay(rh.ray, origin, direction, minDistance, maxDistance);
    rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rh.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
    rtcIntersect1(scene, &context, &rh);
    return rh.hit.geomID != RTC_INVALID_GEOMETRY_ID;
}

}  // namespace

RayScene::RayScene() = default;

RayScene::~RayScene() { release(); }

void RayScene::release() {
    if (scene_) rtcReleaseScene(scene_);
    if (device_) rtcReleaseDevice(device_);
    scene_ = nullptr;
    device_ = nullptr;
    items_.clear();
    pieces_.clear();
    triangles_ = 0;
}

void RayScene::place(const DrawList::Item& item, Vertices& v) {
    const int count = item.mesh->vertexCount();
    const float* data = item.mesh->vertexData();
    v.position.resize(static_cast<size_t>(count) * 3 + 1);
    v.normal.resize(static_cast<size_t>(count));
    v.uv.resize(static_cast<size_t>(count));
    v.hasNormals = item.mesh->normalCount() > 0;
    const glm::dmat3 normalMatrix = glm::inverseTranspose(glm::dmat3(item.world));
    for (int k = 0; k < count; ++k) {
        // Packed vertices are texture coordinate, normal, position.
        const float* f = data + static_cast<size_t>(k) * PackedObjDB::kFloatsPerVertex;
        glm::dvec4 p = item.world * glm::dvec4(f[5], f[6], f[7], 1.0);
        for (int c = 0; c < 3; ++c) {
            v.position[static_cast<size_t>(k) * 3 + c] = static_cast<float>(p[c]);
            box_[c] = std::min(box_[c], static_cast<float>(p[c]));
            box_[c + 3] = std::max(box_[c + 3], static_cast<float>(p[c]));
        }
        glm::dvec3 n = normalMatrix * glm::dvec3(f[2], f[3], f[4]);
        double length = glm::length(n);
        v.normal[static_cast<size_t>(k)] = v.hasNormals && length > 0 ? glm::vec3(n / length) : glm::vec3(0);
        v.uv[static_cast<size_t>(k)] = glm::vec2(f[0], f[1]);
    }
}

void RayScene::finishBox() {
    float extent = 0;
    for (int c = 0; c < 3; ++c) extent = std::max(extent, box_[c + 3] - box_[c]);
    for (int c = 0; c < 3; ++c) extent = std::max({extent, std::fabs(box_[c]), std::fabs(box_[c + 3])});
    epsilon_ = triangles_ > 0 ? std::max(1e-6f, extent * 2e-6f) : 1e-4f;
}

// The same items with the same meshes: vertex counts, parts and triangles all equal,
// so that only where the vertices are may have changed.
bool RayScene::sameShape(const DrawList& list) const {
    if (!scene_ || !refittable_ || list.items().size() != items_.size()) return false;
    size_t piece = 0;
    for (size_t i = 0; i < items_.size(); ++i) {
        const DrawList::Item& item = list.items()[i];
        if (static_cast<size_t>(item.mesh->vertexCount()) != items_[i].normal.size() ||
            (item.mesh->normalCount() > 0) != items_[i].hasNormals)
            return false;
        for (size_t p = 0; p < item.parts.size(); ++p) {
            const std::vector<uint32_t>& triangles = item.parts[p].triangles;
            const size_t count = triangles.size() / 3 * 3;
            if (count == 0) continue;
            if (piece >= pieces_.size()) return false;
            const Piece& known = pieces_[piece++];
            if (known.item != static_cast<int>(i) || known.part != static_cast<int>(p) ||
                known.triangles.size() != count || !std::equal(known.triangles.begin(), known.triangles.end(),
                                                               triangles.begin()))
                return false;
        }
    }
    return piece == pieces_.size();
}

bool RayScene::refitTo(const DrawList& list, std::string& error) {
    box_[0] = box_[1] = box_[2] = std::numeric_limits<float>::max();
    box_[3] = box_[4] = box_[5] = -std::numeric_limits<float>::max();
    // The vertex buffers are shared with Embree: placing the vertices moves them there.
    for (size_t i = 0; i < items_.size(); ++i) place(list.items()[i], items_[i]);
    for (unsigned id = 0; id < pieces_.size(); ++id) {
        RTCGeometry geometry = rtcGetGeometry(scene_, id);
        rtcUpdateGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0);
        rtcCommitGeometry(geometry);
    }
    if (!commitScene(error)) return false;
    refitted_ = true;
    ++refits_;
    return true;
}

bool RayScene::build(const DrawList& list, std::string& error) {
    if (refit_ && sameShape(list)) return refitTo(list, error);
    release();
    refitted_ = false;
    refittable_ = refit_;
    watch_ = Watch();
    watch_.limit = limit_;
    device_ = rtcNewDevice(nullptr);
    if (!device_) {
        error = kAllocationFailed;
        return false;
    }
    rtcSetDeviceErrorFunction(device_, onError, &watch_);
    rtcSetDeviceMemoryMonitorFunction(device_, onMemory, &watch_);
    scene_ = rtcNewScene(device_);
    // A single frame gets one tree over every triangle (the high-quality build costs
    // more than it saves on a frame of the demo title); frames that will be refitted
    // a tree per part under a top level, which is what Embree can refit.
    if (scene_) rtcSetSceneBuildQuality(scene_, refit_ ? RTC_BUILD_QUALITY_LOW : RTC_BUILD_QUALITY_MEDIUM);
    box_[0] = box_[1] = box_[2] = std::numeric_limits<float>::max();
    box_[3] = box_[4] = box_[5] = -std::numeric_limits<float>::max();

    const auto& items = list.items();
    items_.resize(items.size());
    for (size_t i = 0; i < items.size() && scene_ && !watch_.outOfMemory; ++i) {
        const DrawList::Item& item = items[i];
        Vertices& v = items_[i];
        place(item, v);
        const int count = item.mesh->vertexCount();
        for (size_t p = 0; p < item.parts.size(); ++p) {
            const DrawList::Part& part = item.parts[p];
            const size_t triangles = part.triangles.size() / 3;
            if (triangles == 0) continue;
            RTCGeometry geometry = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_TRIANGLE);
            if (!geometry) break;
            if (refit_) rtcSetGeometryBuildQuality(geometry, RTC_BUILD_QUALITY_REFIT);
            Piece piece{static_cast<int>(i), static_cast<int>(p), part.triangles};
            piece.triangles.resize(triangles * 3);
            rtcSetSharedGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, v.position.data(), 0,
                                       3 * sizeof(float), static_cast<size_t>(count));
            rtcSetSharedGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, piece.triangles.data(), 0,
                                       3 * sizeof(uint32_t), triangles);
            rtcCommitGeometry(geometry);
            unsigned id = rtcAttachGeometry(scene_, geometry);
            rtcReleaseGeometry(geometry);
            if (id == RTC_INVALID_GEOMETRY_ID) break;
            if (pieces_.size() <= id) pieces_.resize(id + 1);
            pieces_[id] = std::move(piece);
            triangles_ += triangles;
        }
    }
    if (!scene_ || watch_.outOfMemory) {
        release();
        error = kAllocationFailed;
        return false;
    }
    return commitScene(error);
}

bool RayScene::commitScene(std::string& error) {
    rtcCommitScene(scene_);
    if (watch_.outOfMemory || rtcGetDeviceError(device_) == RTC_ERROR_OUT_OF_MEMORY) {
        release();
        error = kStorageOverflow;
        return false;
    }
    finishBox();
    return true;
}

bool RayScene::nearest(const glm::vec3& origin, const glm::vec3& direction, float maxDistance, unsigned& geometry,
                       unsigned& triangle, float& distance, float minDistance) const {
    RTCRayHit rh;
    if (!scene_ || triangles_ == 0 || !nearestHit(scene_, origin, direction, minDistance, maxDistance, rh)) return false;
    geometry = rh.hit.geomID;
    triangle = rh.hit.primID;
    distance = rh.ray.tfar;
    return true;
}

bool RayScene::occluded(const glm::vec3& origin, const glm::vec3& direction, float maxDistance,
                        float minDistance) const {
    if (!scene_ || triangles_ == 0) return false;
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    RTCRay ray;
    setRay(ray, origin, direction, minDistance, maxDistance);
    rtcOccluded1(scene_, &context, &ray);
    // Embree marks a blocked ray by setting its far distance to minus infinity.
    return ray.tfar < 0;
}

bool RayScene::intersect(const glm::vec3& origin, const glm::vec3& direction, float maxDistance, Hit& hit,
                         float minDistance) const {
    RTCRayHit rh;
    if (!scene_ || triangles_ == 0 || !nearestHit(scene_, origin, direction, minDistance, maxDistance, rh)) return false;
    fill(origin, direction, rh.hit.geomID, rh.hit.primID, rh.hit.u, rh.hit.v, rh.ray.tfar,
         glm::vec3(rh.hit.Ng_x, rh.hit.Ng_y, rh.hit.Ng_z), hit);
    return true;
}

void RayScene::intersectCoherent(int count, const glm::vec3* origins, const glm::vec3* directions, Hit* hits,
                                 bool* found) const {
    if (!scene_ || triangles_ == 0) {
        std::fill(found, found + count, false);
        return;
    }
    constexpr int kPacket = 16;
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    context.flags = RTC_INTERSECT_CONTEXT_FLAG_COHERENT;
    alignas(64) RTCRayHit16 rh;
    alignas(64) int valid[kPacket];
    for (int first = 0; first < count; first += kPacket) {
        const int n = std::min(kPacket, count - first);
        for (int k = 0; k < kPacket; ++k) {
            const int i = first + std::min(k, n - 1);
            valid[k] = k < n ? -1 : 0;
            rh.ray.org_x[k] = origins[i].x, rh.ray.org_y[k] = origins[i].y, rh.ray.org_z[k] = origins[i].z;
            rh.ray.dir_x[k] = directions[i].x, rh.ray.dir_y[k] = directions[i].y, rh.ray.dir_z[k] = directions[i].z;
            rh.ray.tnear[k] = 0;
            rh.ray.tfar[k] = std::numeric_limits<float>::infinity();
            rh.ray.time[k] = 0;
            rh.ray.mask[k] = ~0u;
            rh.ray.id[k] = static_cast<unsigned>(k);
            rh.ray.flags[k] = 0;
            rh.hit.geomID[k] = RTC_INVALID_GEOMETRY_ID;
            rh.hit.instID[0][k] = RTC_INVALID_GEOMETRY_ID;
        }
        rtcIntersect16(valid, scene_, &context, &rh);
        for (int k = 0; k < n; ++k) {
            const int i = first + k;
            found[i] = rh.hit.geomID[k] != RTC_INVALID_GEOMETRY_ID;
            if (found[i])
                fill(origins[i], directions[i], rh.hit.geomID[k], rh.hit.primID[k], rh.hit.u[k], rh.hit.v[k],
                     rh.ray.tfar[k], glm::vec3(rh.hit.Ng_x[k], rh.hit.Ng_y[k], rh.hit.Ng_z[k]), hits[i]);
        }
    }
}

void RayScene::fill(const glm::vec3& origin, const glm::vec3& direction, unsigned geometry, unsigned triangle,
                    float u, float w, float distance, const glm::vec3& face, Hit& hit) const {
    const Piece& piece = pieces_[geometry];
    const Vertices& v = items_[static_cast<size_t>(piece.item)];
    hit.item = piece.item;
    hit.part = piece.part;
    hit.geometry = geometry;
    hit.triangle = triangle;
    hit.distance = distance;
    hit.position = origin + direction * distance;
    const uint32_t* corner = &piece.triangles[static_cast<size_t>(triangle) * 3];
    const float t = 1 - u - w;
    float length = glm::length(face);
    hit.faceNormal = length > 0 ? face / length : glm::vec3(0, 1, 0);
    glm::vec3 n = v.hasNormals ? t * v.normal[corner[0]] + u * v.normal[corner[1]] + w * v.normal[corner[2]]
                               : glm::vec3(0);
    length = glm::length(n);
    hit.normal = length > 1e-12f ? n / length : hit.faceNormal;
    hit.uv = t * v.uv[corner[0]] + u * v.uv[corner[1]] + w * v.uv[corner[2]];
    for (int c = 0; c < 3; ++c) hit.corners[c] = corner[c];
    hit.weights = glm::vec3(t, u, w);
}

float RayScene::randomAt(const glm::vec3& point, uint32_t stream) {
    uint32_t bits[3];
    std::memcpy(bits, &point, sizeof bits);
    uint32_t h = 2166136261u ^ (stream * 0x9e3779b9u);
    for (uint32_t b : bits) {
        // Each coordinate's bits mixed in whole, then avalanched, so that points a
        // hair apart turn unrelated amounts.
        h = (h ^ b) * 16777619u;
        h ^= h >> 15;
        h *= 0x2c1b3c6du;
        h ^= h >> 12;
    }
    h ^= h >> 16;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return static_cast<float>(h >> 8) * (1.0f / 16777216.0f);
}

}  // namespace fw
