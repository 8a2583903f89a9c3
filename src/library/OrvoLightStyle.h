#pragma once
// A light preset: one light, shown lighting a neutral swatch.

#include "library/OrvoStyle.h"

namespace fw {

class OrvoLightStyle : public OrvoStyle {
public:
    const char* className() const override { return "OrvoLightStyle"; }
    int itemKind() const override;
    const char* itemClass() const override { return "LightX"; }
    const char* swatchSceneName() const override { return "Light Swatch"; }
};

}  // namespace fw
