#pragma once
// The depth map of the first shadow-casting light in the slots, fitted to what the
// camera sees that something can shadow, and what the lighting program needs to read
// it. The map's frame buffer and texture are kept across frames and re-made only when
// the light's map size changes.

#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>
#include <optional>
#include <vector>

namespace fw {

class DrawList;
class Light;
struct LightSlots;

class ShadowPass {
public:
    // Where the map looks from and how the lighting program samples it.
    struct Fit {
        int slot = 0;  // the light's slot, 1..7
        glm::mat4 view{1.0f}, projection{1.0f};
        // The orthographic window (lx, ly, dx, dy) or, when focal > 0, the perspective
        // focal length, with the depth range the map stores.
        float lx = 0, ly = 0, dx = 1, dy = 1, focal = 0, nearZ = 0.1f, farZ = 1;
        float darkness = 0.2f;  // what the shadowed part of the light keeps
        float texel = 0;        // the map's texel size in scene units where the casters end
        int mapWidth = 512, mapHeight = 512;
        int filterHalf = 0;     // the filter reaches this many taps each side
        float tapSpacing = 0;   // in map fractions
        std::vector<float> weights;  // (2 filterHalf + 1)^2, rows first, summing to 1
        // Per item of the scope: whether it is drawn into the map (it may shadow
        // something in view).
        std::vector<char> casters;
    };

    // What the map serves: the drawn items' world boxes, and the camera's view.
    struct Scope {
        struct Item {
            double box[6] = {0, 0, 0, 0, 0, 0};
            bool stopsLight = true;  // it has faces to draw into the map
            bool convex = false;     // its solid is known to be convex: it never shadows itself
        };
        std::vector<Item> items;
        // Half-spaces (a, b, c, d: ax + by + cz + d >= 0 inside) the camera sees;
        // none: every item is seen whole.
        std::vector<glm::dvec4> view;

        // The list's items in its order, seen through `viewProjection`.
        static Scope of(const DrawList& list, const glm::dmat4& viewProjection);
    };

    // The map for `light` in `slot` over what the camera sees of the scope's items that
    // the items stopping light can shadow; nothing when no such place is in view.
    static std::optional<Fit> fit(Light& light, int slot, const Scope& scope);

    // Fits and draws the map for a camera seeing through `viewProjection`; null when
    // no light in the slots casts shadows, nothing in view can be shadowed, or the
    // driver cannot make the map's frame buffer.
    const Fit* draw(const DrawList& list, const LightSlots& slots, const glm::dmat4& viewProjection);
    unsigned texture() const { return texture_; }
    // Needs the context current.
    void release();

private:
    bool ensureMap(int width, int height);

    Fit fit_;
    unsigned texture_ = 0, fbo_ = 0;
    int width_ = 0, height_ = 0;
};

}  // namespace fw
