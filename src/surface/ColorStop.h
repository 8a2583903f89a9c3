#pragma once
// One stop of a gradient: a colour at a position, with the midpoint towards the next
// stop. Opacity stops have the same layout and are stored as "OpacityStop" blocks.

#include "persistence/CommandEnabler.h"
#include "surface/kxColor.h"

namespace fw {

class ColorStop : public CommandEnabler {
public:
    enum ColorMode { kRGBMode = 0, kHSVMode = 1 };

    explicit ColorStop(bool opacity = false);
    ColorStop(double position, const kxColor& color, double midPoint = 0.5, bool opacity = false);

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return opacity_ ? "OpacityStop" : "ColorStop"; }

    bool isOpacity() const { return opacity_; }
    bool operator==(const ColorStop& o) const;

    kxColor color;
    int colorMode = kRGBMode;  // which of the two component sets is written
    double position = 0.0;
    double midPoint = 0.5;
    bool selected = false;  // editor state, not stored

private:
    bool opacity_;
};

}  // namespace fw
