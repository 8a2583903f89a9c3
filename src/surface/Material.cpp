#include "surface/Material.h"

#include "scene/Scene.h"

namespace fw {

namespace {

const char* const kStyles[] = {"Standard", "Absolute", "Cartoon", "Matte",
                               "ShadowCatcher", "Wireframe", "HiddenLine", "Fresnel"};
const char* const kOldStyles[] = {"STANDARD", "ABSOLUTE", "CARTOON", "MATTE", "SHADOW_CATCHER", "WIREFRAME",
                                  "HIDDENLINE"};

}  // namespace

const NameTable Material::kStyleNames = {kStyles, 8, 0, kStandard, kStandard};
const NameTable Material::kOldStyleNames = {kOldStyles, 7, 0, kStandard, kStandard};

Material::Material(Scene& scene, const char* name) : SceneMember(scene, kMaterialKind, name) {}

}  // namespace fw
