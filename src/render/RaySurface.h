#pragma once
// What a surface is where a ray meets it, before any light: the material stack's
// colour at the hit, the normal that shades it, and what its channels ask of light,
// reflected and refracted rays. The ray tracer's counterpart of the lighting
// program's per-fragment material work.

#include <array>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>
#include <vector>

#include "render/DrawList.h"
#include "render/RayScene.h"

namespace fw {

class RaySurface {
public:
    // One of a material's coats (Fresnel materials have two) at the hit, with the
    // stack's items blended into its colour.
    struct Coat {
        glm::vec4 colour{1};          // premultiplied: the stack blended, faded by the object
        glm::vec3 normal{0, 1, 0};    // shading normal toward the ray's side, bumped
        float opacity = 1;            // 1 - the transparency channel's amount
        float specularAmount = 0;
        float shininess = 80;
        glm::vec4 specularTexel{1};   // premultiplied; white where the highlight is not textured
        float reflectionAmount = 0;   // the environment map's share
        // The environment map seen along the mirrored view ray, weighted by the surface's
        // opacity as the lighting program adds it (times the amount, the object's fade
        // and the highlight texture's alpha).
        glm::vec4 environment{0};
        // The reflection map itself, which mirrored rays that leave the scene see in
        // place of the bare background; null where the surface has none.
        const BakedMaterial::Texture* sky = nullptr;
        float raytraceAmount = 0;     // the share of the colour traced along the mirrored ray
        float refraction = 1;
        float falloffStart = 0, falloffEnd = 0;
        const std::vector<std::array<double, 3>>* reflectionRays = nullptr;  // about +Y
        const std::vector<std::array<double, 3>>* refractionRays = nullptr;
    };

    struct Point {
        Coat coat[2];
        int coats = 1;
        float fresnelMix = 0;        // the second coat's weight where there are two
        glm::vec3 faceNormal{0, 1, 0};  // geometric, toward the ray's side
        bool backFacing = false;     // the ray met the side the normals point away from
        bool lit = true;             // responds to lighting
        bool cartoon = false;        // banded light and a hard-edged highlight
        bool shadowCatcher = false;  // clear but for the shadows falling on it
        float visibility = 1;        // the object's fade
    };

    // Where a hit lies as the stack's mappings read it.
    struct Place {
        glm::vec2 uv{0};            // the mesh's own texture coordinates
        glm::vec3 position{0};      // in the object's space
        glm::vec3 normal{0, 1, 0};  // in the object's space, interpolated, not unit
        glm::vec2 image{0.5f};      // in the frame, across from the left and up from the bottom
    };

    // The surface at `hit` for a ray along unit `direction`: the stack's items mapped,
    // tiled and blended, bumps, both surfaces of a Fresnel material and their mix, the
    // environment map. False where the part holds out (matte) and whatever is behind
    // the object's place shows the background; a shadow catcher is evaluated like any
    // surface, with its flag set.
    static bool evaluate(const DrawList::Item& item, const DrawList::Part& part, const RayScene::Hit& hit,
                         const glm::vec3& direction, Point& out);

    // The hit's place on the item's mesh.
    static Place placeOf(const DrawList::Item& item, const RayScene::Hit& hit);
    // How far the stack item's texture coordinates run across the pixel's footprint
    // at the hit, per axis; 0 where the footprint is unknown.
    static glm::vec2 span(const DrawList::Item& item, const RayScene::Hit& hit, const DrawList::Layer& layer,
                          glm::vec2 uv);
    // A stack item's texture coordinates at `place` by its mapping style, transformed
    // and scaled by its tiling counts, before the tiling wraps them.
    static glm::vec2 coordinate(const DrawList::Layer& layer, const Place& place);

    // A baked texture at texture coordinates `uv`: bilinear, rows bottom-up, wrapped by
    // a tiling style (1 None: the edge texels stretch on; 2 Repeat; 3 Mirror; 4 NoneClip:
    // clear outside); an empty texture is white.
    static glm::vec4 texel(const BakedMaterial::Texture& texture, glm::vec2 uv, int tiling = 2);
    // A straight colour made premultiplied, as shading and the frame's samples keep it.
    static glm::vec4 premultiplied(const glm::vec4& straight);
    // A spherical reflection map seen along unit world `direction`, as the lighting
    // program looks it up: straight colour.
    static glm::vec4 environmentAlong(const BakedMaterial::Texture& map, const glm::vec3& direction);
};

}  // namespace fw
