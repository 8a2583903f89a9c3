#include "render/LightSlots.h"

#include "render/DrawList.h"
#include "render/Light.h"
#include "scene/SceneX.h"

namespace fw {

LightSlots LightSlots::assign(SceneX& scene) {
    LightSlots slots;
    for (int i = 0; i < scene.memberCount(kLightKind); ++i) {
        auto* light = dynamic_cast<Light*>(scene.member(kLightKind, i));
        if (!light || !DrawList::visible(*light)) continue;
        if (light->type() == Light::kAmbient) {
            for (int c = 0; c < 3; ++c) slots.ambient[c] += light->color[c] * static_cast<float>(light->intensity);
            continue;
        }
        if (slots.direct.size() < static_cast<size_t>(kDirect)) slots.direct.push_back(light);
    }
    return slots;
}

}  // namespace fw
