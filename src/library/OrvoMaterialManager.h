#pragma once
// The material library.

#include "library/OrvoMaterialStyle.h"
#include "library/OrvoStyleManager.h"

namespace fw {

class OrvoMaterialManager : public OrvoStyleManager {
public:
    static const Kind& materials();
    OrvoMaterialManager() : OrvoStyleManager(materials()) {}
};

}  // namespace fw
