#pragma once
// The light library.

#include "library/OrvoLightStyle.h"
#include "library/OrvoStyleManager.h"

namespace fw {

class OrvoLightManager : public OrvoStyleManager {
public:
    static const Kind& lights();
    OrvoLightManager() : OrvoStyleManager(lights()) {}
};

}  // namespace fw
