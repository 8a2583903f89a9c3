#pragma once
// What a frame draws: every visible object's display mesh as triangles per part, with
// the material each part wears, in drawing order (opaque ones first, then transparent
// ones from the back forwards). Plain data without OpenGL, so that any renderer of
// the scene can walk the same list.

#include <cstdint>
#include <functional>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <vector>

#include "surface/BakedMaterial.h"

namespace fw {

class DAGNode;
class Object;
class PackedObjDB;
class SceneX;

class DrawList {
public:
    // The material an object wears on one part of its mesh; null: the fallback.
    using MaterialLookup = std::function<const BakedMaterial*(Object& object, int part)>;

    struct Part {
        int part = 0;
        std::vector<uint32_t> triangles;  // vertex indices into the mesh, three a triangle
        const BakedMaterial* material = &BakedMaterial::fallback();
    };

    struct Item {
        Object* object = nullptr;
        PackedObjDB* mesh = nullptr;
        glm::dmat4 world{1.0};
        std::vector<Part> parts;  // in the order the mesh first uses them
        double depth = 0;         // distance from the eye, for sorting transparent ones
        bool transparent = false; // a part wears a transparent material
    };

    // Every visible object with a non-empty render mesh, in scene order.
    void gather(SceneX& scene);
    // Each part's material from `lookup` (the fallback where it gives none); an item
    // is transparent when any of its parts is.
    void assignMaterials(const MaterialLookup& lookup);
    // The world-space box of every vertex; empty (min above max) when nothing is drawn.
    void bounds(double box[6]) const;
    // Opaque items first in scene order, then the transparent ones furthest from
    // `eye` first.
    void sortForDrawing(const glm::dvec3& eye);

    const std::vector<Item>& items() const { return items_; }

    // A node is drawn only when it and every node above it are visible.
    static bool visible(DAGNode& node);

private:
    std::vector<Item> items_;
};

}  // namespace fw
