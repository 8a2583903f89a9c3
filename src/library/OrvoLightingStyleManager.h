#pragma once
// The lighting style library: whole light sets, with no library scene.

#include "library/OrvoLightingStyle.h"
#include "library/OrvoStyleManager.h"

namespace fw {

class OrvoLightingStyleManager : public OrvoStyleManager {
public:
    static const Kind& lightingStyles();
    OrvoLightingStyleManager() : OrvoStyleManager(lightingStyles()) {}
};

}  // namespace fw
