#include "library/OrvoMaterialStyle.h"

#include "scene/Scene.h"

namespace fw {

int OrvoMaterialStyle::itemKind() const { return kMaterialKind; }

}  // namespace fw
