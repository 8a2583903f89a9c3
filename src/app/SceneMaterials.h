#pragma once
// Hands the OpenGL renderer the materials objects wear: an extruded object's part
// takes the material stack its style gives that part, every item of which is baked
// once per change of its material and kept, with the item's mapping, tiling and
// blending.

#include <functional>
#include <map>
#include <set>
#include <string>
#include <memory>
#include <vector>

#include "render/GLRenderer.h"
#include "surface/BakedMaterial.h"

namespace fw {

class MaterialStack;
class MaterialX;
class Object;

class SceneMaterials {
public:
    // Told the material's name and what was changed to draw it.
    using Warn = std::function<void(const std::string& material, const std::string& what)>;
    // Installs the lookup on the renderer for as long as this object lives.
    explicit SceneMaterials(GLRenderer& renderer, int textureWidth = 512, int textureHeight = 512, Warn warn = nullptr);
    // For a renderer without OpenGL (the ray tracer), which asks `stack` itself and
    // takes textures of any size.
    SceneMaterials(int textureWidth, int textureHeight, Warn warn);
    ~SceneMaterials();
    // The OpenGL frame blends this many items of a stack (the lighting program's
    // layers); the items above them are left out, with one warning per stack.
    static constexpr size_t kDrawnItems = LightingProgram::kMaxLayers;
    // The part's stack, the bottom item first; empty when the object has no style.
    std::vector<DrawList::Layer> stack(Object& object, int part);

private:
    struct Entry {
        uint64_t version = 0;
        BakedMaterial material;
    };
    const BakedMaterial* baked(MaterialX& material);

    GLRenderer* renderer_;  // null: no OpenGL renderer to install on
    int width_, height_;
    Warn warn_;
    std::map<const MaterialX*, Entry> baked_;
    std::set<const MaterialStack*> warnedStacks_;
};

}  // namespace fw
