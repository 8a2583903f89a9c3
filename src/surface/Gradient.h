#pragma once
// A gradient: colour stops and opacity stops interpolated along one parameter. The
// gradient units that shaders and presets hold lay it out in a shape.

#include <vector>

#include "persistence/CommandEnabler.h"
#include "surface/ColorStop.h"
#include "surface/NameTable.h"
#include "surface/Rgba.h"

namespace fw {

class Gradient : public CommandEnabler {
public:
    enum Type { kLinear = 0, kRadial, kMirrorWrap, kCircle, kSquare, kTriangle };
    enum Interpolation { kRGB = 0, kHSV, kSpecialRGB, kColorWheel };
    // How a parameter outside 0..1 is brought back (the gradient unit's outer edges).
    enum OuterEdges { kRepeat = 1, kMirror, kClamp, kNone };

    static const NameTable kTypeNames;
    static const NameTable kInterpolationNames;

    // blockName: the class name of the block, "Gradient" unless the owner keeps a
    // second gradient under a name of its own.
    explicit Gradient(const char* blockName = "Gradient");

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    void finishReading() override { sortStops(); }
    const char* className() const override { return blockName_; }

    // No stops, linear RGB interpolation without smoothing.
    void reset();
    // Inserts in position order (after stops at the same position).
    ColorStop& addColorStop(double position, const kxColor& color, double midPoint = 0.5);
    // An opacity stop carries its opacity as a grey.
    ColorStop& addOpacityStop(double position, double opacity, double midPoint = 0.5);
    // Brings both lists into position order; stops at equal positions keep their order.
    void sortStops();

    // The colour at parameter x, non-premultiplied. Colour stops give RGB, opacity
    // stops give alpha (opaque without any); with no stops at all, transparent black.
    Rgba lookup(double x, int outerEdges = kClamp) const;
    // x brought into range by the outer-edge mode (Clamp and None leave it alone).
    static double wrap(double x, int outerEdges);

    bool operator==(const Gradient& o) const;

    int type = kLinear;
    int interpType = kRGB;
    double interpSmoothness = 0.0;
    std::vector<ColorStop> colorStops;
    std::vector<ColorStop> opacityStops;

private:
    const char* blockName_;
};

}  // namespace fw
