#pragma once
// The depth map of the first shadow-casting light in the slots, fitted around
// everything the frame draws, and what the lighting program needs to read it. The
// map's frame buffer and texture are kept across frames and re-made only when the
// light's map size changes.

#include <glm/mat4x4.hpp>
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
        float texel = 0;        // the map's texel size in scene units near the scene's middle
        int mapWidth = 512, mapHeight = 512;
        int filterHalf = 0;     // the filter reaches this many taps each side
        float tapSpacing = 0;   // in map fractions
        std::vector<float> weights;  // (2 filterHalf + 1)^2, rows first, summing to 1
    };

    // The map for `light` in `slot` around the non-empty world box `bounds`.
    static Fit fit(Light& light, int slot, const double bounds[6]);

    // Fits and draws the map; null when no light in the slots casts shadows, nothing
    // is drawn, or the driver cannot make the map's frame buffer.
    const Fit* draw(const DrawList& list, const LightSlots& slots);
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
