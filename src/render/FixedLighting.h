#pragma once
// Output frames drawn without the lighting program ("FinalGLShaders 0"): OpenGL's own
// per-vertex lighting over the colour texture of each part's first stack item. It
// draws no shadows, no further stack items, no bump or reflection maps; it is the
// quick look. Advanced lighting ("AdvancedGLLighting 1") adds the highlight after the
// texture and aims it from the eye point; without it the highlight is aimed from far
// away and folded into the texture.

#include <glm/mat4x4.hpp>

#include "render/MaterialTextures.h"

namespace fw {

struct LightSlots;
struct BakedMaterial;

class FixedLighting {
public:
    // Places the slots' lights through the camera's `view` (the modelview is left
    // holding it) and switches fixed-function lighting on.
    void begin(const LightSlots& slots, const glm::mat4& view, bool advanced);
    // A part's material; the object's fade multiplies its opacity.
    void setMaterial(const BakedMaterial& material, const MaterialTextures::Ids& textures, float fade);
    // Flat, unlit colour for lines and fills.
    void flat();
    void end();

private:
    int lights_ = 0;
};

}  // namespace fw
