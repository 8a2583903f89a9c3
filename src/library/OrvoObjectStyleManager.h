#pragma once
// The object style library.

#include "library/OrvoObjectStyle.h"
#include "library/OrvoStyleManager.h"

namespace fw {

class OrvoObjectStyleManager : public OrvoStyleManager {
public:
    static const Kind& objectStyles();
    OrvoObjectStyleManager() : OrvoStyleManager(objectStyles()) {}
};

}  // namespace fw
