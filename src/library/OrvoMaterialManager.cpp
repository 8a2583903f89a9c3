#include "library/OrvoMaterialManager.h"

namespace fw {

const OrvoStyleManager::Kind& OrvoMaterialManager::materials() {
    static const Kind kind{"OrvoMaterialStyle",
                           "MaterialLib",
                           ".kxm",
                           "Material Swatches",
                           "\rUnable to load Material swatch: %s",
                           "%s- Materials (%d)\r",
                           "New Material.",
                           "materials",
                           [] { return std::unique_ptr<OrvoStyle>(new OrvoMaterialStyle); }};
    return kind;
}

}  // namespace fw
