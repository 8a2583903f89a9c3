#pragma once
// How a scene's lights map onto the lighting's eight slots: slot 0 holds the ambient
// light (every visible ambient light's colour is summed into it), slots 1..7 the
// first seven other visible lights in scene order; later lights are not drawn.
// Plain data without OpenGL.

#include <vector>

namespace fw {

class Light;
class SceneX;

struct LightSlots {
    static constexpr int kDirect = 7;

    std::vector<Light*> direct;  // at most kDirect, slot 1 first
    float ambient[4] = {0, 0, 0, 1};

    static LightSlots assign(SceneX& scene);
};

}  // namespace fw
