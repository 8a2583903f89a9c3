#include "library/OrvoLightStyle.h"

#include "scene/Scene.h"

namespace fw {

int OrvoLightStyle::itemKind() const { return kLightKind; }

}  // namespace fw
