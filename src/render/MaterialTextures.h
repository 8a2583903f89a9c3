#pragma once
// The baked materials' channel textures in OpenGL, uploaded once per material and
// again only when its version changes.

#include <cstdint>
#include <unordered_map>

#include "surface/BakedMaterial.h"

namespace fw {

class MaterialTextures {
public:
    // Per surface the colour, specular, bump and reflection textures; 0 for a channel
    // the material leaves empty (the colour is always there, white when empty).
    struct Ids {
        uint64_t version = 0;
        unsigned ids[2][4] = {};
    };

    const Ids& upload(const BakedMaterial& material);
    // Forgets every upload; needs the context current.
    void release();

private:
    std::unordered_map<const BakedMaterial*, Ids> uploaded_;
};

}  // namespace fw
