#pragma once
// Flagpole caps: each preset wraps one object whose mesh is the cap, a closed solid
// measured in pole radii (the pole one unit thick) with the pole's end at y = 0; a top
// cap rises from there, a bottom cap hangs below. Two libraries, top and bottom, whose
// files are object files.

#include "library/OrvoStyle.h"
#include "library/OrvoStyleManager.h"

namespace fw {

class OrvoCapStyle : public OrvoStyle {
public:
    explicit OrvoCapStyle(bool top) : top_(top) {}
    const char* className() const override { return top_ ? "OrvoTopCapStyle" : "OrvoBottomCapStyle"; }
    int itemKind() const override;
    const char* itemClass() const override { return "ObjectP"; }
    const char* swatchSceneName() const override { return top_ ? "Top Cap Scene" : "Bottom Cap Scene"; }

private:
    bool top_;
};

class OrvoCapManager : public OrvoStyleManager {
public:
    static const Kind& topCaps();
    static const Kind& bottomCaps();
    explicit OrvoCapManager(bool top) : OrvoStyleManager(top ? topCaps() : bottomCaps()) {}
};

}  // namespace fw
