#pragma once
// What a frame draws: every visible object's display mesh as triangles per part, with
// the material each part wears, in drawing order (opaque ones first, then transparent
// ones from the back forwards). Plain data without OpenGL, so that any renderer of
// the scene can walk the same list.

#include <cstdint>
#include <functional>
#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
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

    // One item of a part's material stack as it is drawn: its material, how the
    // material's textures are mapped and tiled, and how it blends onto the items under it.
    struct Layer {
        const BakedMaterial* material = nullptr;
        int mapping = 2;  // the stack item's mapping style (UVP)
        int tiling = 2;   // and tiling style (Repeat)
        int blend = 1;    // its blend mode (Normal) and amount
        float amount = 1;
        glm::vec2 scale{0.01f, 0.01f};  // 1 / the applied width and height
        glm::vec2 tile{1, 1};
        glm::mat4 toMapping{1.0f};  // object space to the item's mapping space
        glm::mat4 uvTransform{1.0f};
    };
    // The items of the stack a part wears, the bottom one first; empty: the part
    // wears what the material lookup gives, mapped by the mesh's own coordinates.
    using StackLookup = std::function<std::vector<Layer>(Object& object, int part)>;

    struct Part {
        int part = 0;
        std::vector<uint32_t> triangles;  // vertex indices into the mesh, three a triangle
        const BakedMaterial* material = &BakedMaterial::fallback();
        std::vector<Layer> layers;  // the first wears `material`; empty: mesh coordinates
    };

    struct Item {
        Object* object = nullptr;
        PackedObjDB* mesh = nullptr;
        glm::dmat4 world{1.0};
        std::vector<Part> parts;  // in the order the mesh first uses them
        double depth = 0;         // distance from the eye, for sorting transparent ones
        bool transparent = false; // a part wears a transparent material, or it fades
        double opacity = 1.0;     // the animation's fade of the object and its parents
    };

    // Every visible object with a non-empty render mesh, in scene order.
    void gather(SceneX& scene);
    // Each part's stack from `stacks`, else its material from `lookup` (the fallback
    // where neither gives one); an item is transparent when any of its parts' layers is.
    void assignMaterials(const MaterialLookup& lookup, const StackLookup& stacks = nullptr);
    // The world-space box of every vertex; empty (min above max) when nothing is drawn.
    void bounds(double box[6]) const;
    // Opaque items first in scene order, then the transparent ones furthest from
    // `eye` first.
    void sortForDrawing(const glm::dvec3& eye);

    const std::vector<Item>& items() const { return items_; }

    // A node is drawn only when it and every node above it are visible.
    static bool visible(DAGNode& node);
    // The product of the animation's opacities of the node and every node above it.
    static double opacity(DAGNode& node);

private:
    std::vector<Item> items_;
};

}  // namespace fw
