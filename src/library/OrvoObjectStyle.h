#pragma once
// An object style preset: one extrusion style with its description and how its
// swatch is shown.

#include "library/OrvoStyle.h"

namespace fw {

class OrvoObjectStyle : public OrvoStyle {
public:
    const char* className() const override { return "OrvoObjectStyle"; }
    int itemKind() const override;
    const char* itemClass() const override { return "ObjectXStyle"; }
    const char* swatchSceneName() const override { return "Object Style Swatch"; }

protected:
    int writeFields(CommandIO& io) override;
};

}  // namespace fw
