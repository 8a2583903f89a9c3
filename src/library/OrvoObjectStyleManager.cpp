#include "library/OrvoObjectStyleManager.h"

namespace fw {

const OrvoStyleManager::Kind& OrvoObjectStyleManager::objectStyles() {
    static const Kind kind{"OrvoObjectStyle",
                           "ObjectStyleLib",
                           ".kxs",
                           "Object Style Swatches",
                           "\rUnable to load Object Style swatch: %s",
                           "%s- Object Styles (%d)\r",
                           "New Object Style.",
                           "styles",
                           [] { return std::unique_ptr<OrvoStyle>(new OrvoObjectStyle); }};
    return kind;
}

}  // namespace fw
