#pragma once
// Hands the OpenGL renderer the materials objects wear: an extruded object's part
// takes its style's material stack for that part (front and back by the style's
// material indices, sides by part number), whose first material is baked once per
// change and kept.

#include <map>
#include <memory>

#include "render/GLRenderer.h"
#include "surface/BakedMaterial.h"

namespace fw {

class MaterialX;
class Object;

class SceneMaterials {
public:
    // Installs the lookup on the renderer for as long as this object lives.
    explicit SceneMaterials(GLRenderer& renderer, int textureWidth = 512, int textureHeight = 512);
    ~SceneMaterials();
    const BakedMaterial* lookup(Object& object, int part);

private:
    struct Entry {
        uint64_t version = 0;
        BakedMaterial material;
    };
    GLRenderer& renderer_;
    int width_, height_;
    std::map<const MaterialX*, Entry> baked_;
};

}  // namespace fw
