#pragma once
// The nearest-hit structure of the ray tracer: the draw list's triangles in world
// space, one Embree geometry per part of every item, built once per frame and read by
// every worker at once. A hit gives the item, the part, the triangle, the distance and
// the surface there (interpolated normal and texture coordinates).

#include <cstddef>
#include <cstdint>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <string>
#include <vector>

#include "render/DrawList.h"

struct RTCDeviceTy;
struct RTCSceneTy;

namespace fw {

class RayScene {
public:
    struct Hit {
        int item = -1;            // index of the draw list's item
        int part = -1;            // index into the item's parts
        unsigned geometry = ~0u;  // Embree's geometry: the part's triangles
        unsigned triangle = 0;    // within the part
        float distance = 0;
        glm::vec3 position{0};
        glm::vec3 normal{0, 1, 0};  // interpolated, unit; the face's where vertices give none
        glm::vec3 faceNormal{0, 1, 0};
        glm::vec2 uv{0};
        // The triangle's corners as the item's vertex indices, and the hit's weight of each.
        uint32_t corners[3] = {0, 0, 0};
        glm::vec3 weights{1, 0, 0};
        // Where the camera ray that led here crosses the frame, across from the left and
        // up from the bottom (the tracer sets it; the Camera mapping reads it).
        glm::vec2 image{0.5f, 0.5f};
        // The width of the world a pixel covers at the hit, along the surface's
        // steepest stretch (the tracer sets it for camera rays); 0 where unknown.
        float footprint = 0;
    };

    static constexpr const char* kAllocationFailed = "KdTree construction: Failed to allocate memory.\n";
    static constexpr const char* kStorageOverflow = "KdTree: Memory overflow. Need to increase storage multiplier.\n";

    // What Embree's callbacks keep track of during a build.
    struct Watch {
        size_t used = 0, limit = 0;
        bool outOfMemory = false;
    };

    RayScene();
    ~RayScene();
    RayScene(const RayScene&) = delete;
    RayScene& operator=(const RayScene&) = delete;

    // Bytes the structure may take; 0: no limit. Beyond it the build fails as if the
    // machine had run out of memory.
    void setStorageLimit(size_t bytes) { limit_ = bytes; }
    // Replaces the contents with the list's triangles; false with one of the two
    // storage messages in `error` when Embree runs out of memory. With refitting on,
    // a list of the same items, meshes and triangles as the last build (only their
    // transforms changed, as between the frames of an animation) moves the vertices
    // in place and refits the structure instead of building it again.
    bool build(const DrawList& list, std::string& error);
    // Builds a structure that can be refitted (two levels, each part's own tree
    // refittable), a little slower to trace than the one-level tree of a single frame.
    void setRefit(bool refit) { refit_ = refit; }
    // Whether the last build refitted, and how many builds have.
    bool refitted() const { return refitted_; }
    long refits() const { return refits_; }
    // Embree geometries: one per part of every item that has triangles.
    long geometryCount() const { return static_cast<long>(pieces_.size()); }

    // The nearest hit along a unit direction within `maxDistance` (negative: unbounded),
    // ignoring hits closer than `minDistance`.
    bool intersect(const glm::vec3& origin, const glm::vec3& direction, float maxDistance, Hit& hit,
                   float minDistance = 0) const;
    // The nearest hits of `count` unbounded rays from distance 0; found[k] says whether
    // ray k hit. Rays that run side by side (a row of camera rays) are traced together
    // in packets, which shares their way through the structure.
    void intersectCoherent(int count, const glm::vec3* origins, const glm::vec3* directions, Hit* hits,
                           bool* found) const;
    // Whether anything lies along the ray between the two distances (negative maximum:
    // unbounded): a shadow feeler's question, answered without finding the nearest hit.
    bool occluded(const glm::vec3& origin, const glm::vec3& direction, float maxDistance,
                  float minDistance = 0) const;
    // Like intersect, without the surface data: the geometry and triangle only.
    bool nearest(const glm::vec3& origin, const glm::vec3& direction, float maxDistance, unsigned& geometry,
                 unsigned& triangle, float& distance, float minDistance = 0) const;

    size_t triangleCount() const { return triangles_; }
    // Each item's vertices in world space, with their unit normals (zero where the mesh has none).
    int itemCount() const { return static_cast<int>(items_.size()); }
    int vertexCount(int item) const { return static_cast<int>(items_[static_cast<size_t>(item)].normal.size()); }
    glm::vec3 vertexPosition(int item, int vertex) const {
        const float* p = &items_[static_cast<size_t>(item)].position[static_cast<size_t>(vertex) * 3];
        return {p[0], p[1], p[2]};
    }
    glm::vec3 vertexNormal(int item, int vertex) const {
        return items_[static_cast<size_t>(item)].normal[static_cast<size_t>(vertex)];
    }
    // The world box of every vertex: min x, y, z then max x, y, z.
    const float* bounds() const { return box_; }
    // A distance that keeps rays from meeting the surface they leave, for this scene's size.
    float epsilon() const { return epsilon_; }
    // A number in 0..1 that differs from point to point (and from `stream` to stream)
    // and is the same whenever the same point is shaded: fixed sample sets turned or
    // scaled by it at each point give fine grain instead of copies of a shadow or bands.
    static float randomAt(const glm::vec3& point, uint32_t stream = 0);
    // A turn in radians, 0 to 2 pi, from `randomAt`.
    static float spinAt(const glm::vec3& point) { return 6.28318530717958647692f * randomAt(point); }

private:
    struct Vertices {
        std::vector<float> position;  // x y z per vertex, one float of padding at the end
        std::vector<glm::vec3> normal;
        std::vector<glm::vec2> uv;
        bool hasNormals = false;
    };
    struct Piece {
        int item, part;
        std::vector<uint32_t> triangles;
    };
    void release();
    // Builds or refits the committed geometries; false (released) when storage ran out.
    bool commitScene(std::string& error);
    // The item's vertices in world space into `v`, growing the box.
    void place(const DrawList::Item& item, Vertices& v);
    bool sameShape(const DrawList& list) const;
    bool refitTo(const DrawList& list, std::string& error);
    void finishBox();
    // The hit's item, part and surface from what Embree gave.
    void fill(const glm::vec3& origin, const glm::vec3& direction, unsigned geometry, unsigned triangle, float u,
              float v, float distance, const glm::vec3& face, Hit& hit) const;

    RTCDeviceTy* device_ = nullptr;
    RTCSceneTy* scene_ = nullptr;
    std::vector<Vertices> items_;
    std::vector<Piece> pieces_;  // by Embree geometry id
    size_t triangles_ = 0;
    size_t limit_ = 0;
    bool refit_ = false, refittable_ = false, refitted_ = false;
    long refits_ = 0;
    Watch watch_;
    float box_[6] = {1, 1, 1, 0, 0, 0};
    float epsilon_ = 1e-4f;
};

}  // namespace fw
