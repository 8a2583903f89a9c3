#pragma once
// A lighting style preset: a whole scene of lights under the preset's name, with a
// description.

#include "library/OrvoStyle.h"

namespace fw {

class OrvoLightingStyle : public OrvoStyle {
public:
    const char* className() const override { return "OrvoLightingStyle"; }
    int itemKind() const override { return 0; }
    const char* itemClass() const override { return nullptr; }
    // The scene is written under the preset's own name.
    const char* swatchSceneName() const override { return nullptr; }
    bool hasContent() const override { return !name().empty(); }

protected:
    int writeFields(CommandIO& io) override;
};

}  // namespace fw
