#pragma once
// How a material stack item's textures lie on a surface, the one account both
// renderers follow: the mapping styles that turn a point into texture coordinates,
// the tiling styles that wrap them, and the falloff that mixes a Fresnel material's
// two coats. The lighting program's GLSL takes the same numbers from `glslConstants`.

#include <cmath>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <string>

namespace fw {

class TextureMapping {
public:
    enum Style {
        kUV = 1, kUVP, kSpherical, kPlanarX, kPlanarY, kPlanarZ, kPlanarNX, kPlanarNY, kPlanarNZ,
        kCylindricalX, kCylindricalY, kCylindricalZ, kCubic, kCamera, kDrawing
    };
    enum Tiling { kNone = 1, kRepeat, kMirror, kNoneClip };

    // Every style but the mesh's own coordinates places the map by the point.
    static constexpr bool projects(int style) { return style >= kSpherical && style <= kDrawing; }
    // Tiling styles outside the four known ones repeat.
    static constexpr int tilingOf(int tiling) { return tiling >= kNone && tiling <= kNoneClip ? tiling : kRepeat; }
    // None stretches the map once over the surface: its tiling counts do not scale.
    static constexpr bool countsTiles(int tiling) { return tiling != kNone; }
    // Styles that hold the texture's edge texels outside it rather than wrap.
    static constexpr bool clampsEdge(int tiling) { return tiling == kNone || tiling == kNoneClip; }

    // The angles the renderers' styles take: the true ones, in float as the GPU has them.
    struct Angles {
        // The angle of (x, y) as a fraction of a turn, 0 to 1.
        static float turn(float y, float x);
        // The latitude of a unit vector's height `dy`, 0 at the south pole to 1 at the north.
        static float latitude(float dy);
    };

    // Texture coordinates of a projecting style other than Camera, for a point `p` in
    // the item's mapping space, the surface normal `n` in the object's space and the
    // reciprocal map size `s`. `angles` gives `turn` and `latitude`.
    template <typename T, typename A>
    static glm::vec<2, T> project(int style, const glm::vec<3, T>& p, const glm::vec<3, T>& n,
                                  const glm::vec<2, T>& s, const A& angles);

    // Texture coordinates with whole periods of the tiling taken off, so that far tiles
    // keep their precision.
    static glm::vec2 withinPeriod(glm::vec2 uv, int tiling);
    // The texel a sampler reads for index `i` of `n` along one axis: clamped (None),
    // wrapped (Repeat), reflected (Mirror), or -1 outside the texture (NoneClip).
    static int wrapTexel(int i, int n, int tiling);

    // A Fresnel material's second coat's share, seen along a view whose cosine with the
    // unbent normal is `cosine`, over its falloff range and tightness.
    static float fresnelMix(float cosine, float start, float end, float tightness);

    // The styles' numbers as GLSL `#define` lines, for the lighting program's source.
    static std::string glslConstants();
};

template <typename T, typename A>
glm::vec<2, T> TextureMapping::project(int style, const glm::vec<3, T>& p, const glm::vec<3, T>& n,
                                       const glm::vec<2, T>& s, const A& angles) {
    using V = glm::vec<2, T>;
    const T half(0.5);
    switch (style) {
        case kSpherical: {
            const T length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
            const T dy = length > 0 ? p.y / length : T(0);
            if (std::fabs(dy) > T(0.9999)) return V(T(0), dy > 0 ? T(1) : T(0));
            return V(angles.turn(-p.x, -p.z), angles.latitude(dy));
        }
        case kPlanarX:
        case kPlanarNX: return V(half - p.z * s.x, half + p.y * s.y);
        case kPlanarY:
        case kPlanarNY: return V(half + p.x * s.x, half - p.z * s.y);
        case kCylindricalX: return V(angles.turn(-p.z, -p.y), half + p.x * s.y);
        case kCylindricalY: return V(angles.turn(-p.z, -p.x), half + p.y * s.y);
        case kCylindricalZ: return V(angles.turn(-p.y, -p.x), half + p.z * s.y);
        case kCubic: {
            // The face whose axis the normal leans along most; the far side mirrored so
            // that the map reads the right way round from outside.
            const glm::vec<3, T> a(std::fabs(n.x), std::fabs(n.y), std::fabs(n.z));
            if (a.x >= a.y && a.x >= a.z) return V(half + (n.x < 0 ? p.z : -p.z) * s.x, half + p.y * s.y);
            if (a.y >= a.z) return V(half + p.x * s.x, half + (n.y < 0 ? p.z : -p.z) * s.y);
            return V(half + (n.z < 0 ? -p.x : p.x) * s.x, half + p.y * s.y);
        }
        default: return V(half + p.x * s.x, half + p.y * s.y);  // PlanarZ, PlanarNZ, Drawing
    }
}

}  // namespace fw
