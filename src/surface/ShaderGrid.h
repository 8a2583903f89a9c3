#pragma once
// Lines over a fill colour: horizontal and vertical lines of grid paper, or rings
// and spokes around a centre as circles, squares or triangles. The grid's own extent
// is 100 x 100 units over the unit square; lines are measured in those units.

#include "surface/NameTable.h"
#include "surface/Shader.h"

namespace fw {

class ShaderGrid : public Shader {
public:
    enum Style { kGridPaper = 1, kRadialCircles, kRadialSquares, kRadialTriangles };
    static const NameTable kStyleNames;
    static constexpr double kExtent = 100.0;

    ShaderGrid();

    CommandTable& commandTable() override;
    const char* className() const override { return "ShaderGrid"; }
    void registerCommands() override;
    void reset() override;
    void naturalSize(int& width, int& height) const override;

    // The H fields draw horizontal lines (rings in the radial styles), the V fields
    // vertical lines (spokes, spaced in degrees). Center moves the pattern's centre;
    // Shift moves the lines past it.
    int style = kGridPaper;
    int hVisible = 1;
    float hColor[4] = {0.2f, 0.2f, 0.62f, 1.0f};
    double hWidth = 2.0;
    double hLineSpacing = 10.0;
    double hCenter = 0.0;
    double hShift = 0.0;
    int vVisible = 1;
    float vColor[4] = {0.2f, 0.2f, 0.62f, 1.0f};
    double vWidth = 2.0;
    double vLineSpacing = 10.0;
    double vCenter = 0.0;
    double vShift = 0.0;
    float fillColor[4] = {0.5f, 0.5f, 1.0f, 1.0f};
    double lineRotation = 0.0;  // degrees

protected:
    Rgba shade(const Footprint& footprint) const override;
    bool sameFields(const Shader& other) const override;
    void copyFields(const Shader& other) override;
    int writeFields(CommandIO& io) override;
};

}  // namespace fw
