#include "library/OrvoLightingStyleManager.h"

namespace fw {

const OrvoStyleManager::Kind& OrvoLightingStyleManager::lightingStyles() {
    static const Kind kind{"OrvoLightingStyle",
                           nullptr,
                           ".kxi",
                           "Lighting Style Swatches",
                           "\rUnable to load Lighting Style swatch: %s",
                           "%s- Lighting Styles (%d)\r",
                           "New Lighting Style.",
                           "lighting",
                           [] { return std::unique_ptr<OrvoStyle>(new OrvoLightingStyle); }};
    return kind;
}

}  // namespace fw
