#include "library/OrvoLightManager.h"

namespace fw {

const OrvoStyleManager::Kind& OrvoLightManager::lights() {
    static const Kind kind{"OrvoLightStyle",
                           "LightLib",
                           ".kxl",
                           "Light Swatches",
                           "\rUnable to load Light swatch: %s",
                           "%s- Lighting (%d)\r",
                           nullptr,
                           "lights",
                           [] { return std::unique_ptr<OrvoStyle>(new OrvoLightStyle); }};
    return kind;
}

}  // namespace fw
