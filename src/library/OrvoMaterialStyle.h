#pragma once
// A material preset: one material, shown on its swatch.

#include "library/OrvoStyle.h"

namespace fw {

class OrvoMaterialStyle : public OrvoStyle {
public:
    const char* className() const override { return "OrvoMaterialStyle"; }
    int itemKind() const override;
    const char* itemClass() const override { return "MaterialX"; }
    const char* swatchSceneName() const override { return "Material Swatch"; }
};

}  // namespace fw
