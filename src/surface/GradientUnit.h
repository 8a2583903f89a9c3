#pragma once
// A gradient laid out in a shape (line, sweep, circle, square, triangle) with a start
// position, size, rotation and repetition. Gradient shaders and gradient presets hold one.

#include "surface/EffectUnit.h"
#include "surface/Gradient.h"

namespace fw {

class GradientUnit : public EffectUnit {
public:
    static const NameTable kOuterEdgeNames;

    explicit GradientUnit(const char* name = "GradientUnit");

    CommandTable& commandTable() override;
    const char* className() const override { return "GradientUnit"; }
    void registerCommands() override;

    bool operator==(const GradientUnit& o) const;

    // The gradient parameter at a point of the unit square (0..1 spans the gradient
    // once; outside it the outer edges decide), before flip, shift and wrapping.
    double parameter(double u, double v) const;
    // The non-premultiplied colour at a point.
    Rgba colorAt(double u, double v) const;
    // The premultiplied mean colour over a rectangle, sampled (Oversampling + 1)² times.
    Rgba average(double u0, double v0, double u1, double v1) const;

    double startPosition[2] = {0.25, 0.5};
    double size = 100.0;      // percent of half the unit square's width
    double rotation = 0.0;    // degrees
    double angle = 360.0;     // degrees swept by one period of a Radial gradient
    double stretch = 100.0;   // percent, across the gradient's direction
    int outerEdges = Gradient::kRepeat;
    double scaleRepeats = 100.0;  // percent: size of the periods after the first
    double asymDirection = 135.0; // degrees
    double asymAmount = 0.0;      // percent
    Gradient gradient;
    bool flip = false;
    double shift = 0.0;  // percent of a period
    int oversampling = 0;
    double boost = 0.0;  // percent added to the brightness
    int transferMode = kNormal;
    bool compositeOnOriginal = false;

protected:
    int writeGradients(CommandIO& io) override;
    int writeOwnCommands(CommandIO& io) override;
};

}  // namespace fw
