#include "surface/ShaderGrid.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "platform/MathConstants.h"

namespace fw {

namespace {

const char* const kStyles[] = {"GridPaper", "RadialCircles", "RadialSquares", "RadialTriangles"};

int readStyle(CommandIO& io, CommandEnabler& r) {
    char text[CommandIO::kTokenSize];
    if (io.readToken(text, sizeof text) != 0) return -1;
    receiverAs<ShaderGrid>(r).style = ShaderGrid::kStyleNames.value(text);
    return 0;
}
int writeStyle(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, ShaderGrid::kStyleNames.name(receiverAs<ShaderGrid>(r).style));
}

// The grid's own lines, after the shader's.
constexpr FieldTable::Line kGridLines[] = {
    {"Style", readStyle, writeStyle},
    field<&ShaderGrid::hVisible>("HVisible"),
    field<&ShaderGrid::hColor>("HColor"),
    field<&ShaderGrid::hWidth>("HWidth"),
    field<&ShaderGrid::hLineSpacing>("HLineSpacing"),
    field<&ShaderGrid::hCenter>("HCenter"),
    field<&ShaderGrid::hShift>("HShift"),
    field<&ShaderGrid::vVisible>("VVisible"),
    field<&ShaderGrid::vColor>("VColor"),
    field<&ShaderGrid::vWidth>("VWidth"),
    field<&ShaderGrid::vLineSpacing>("VLineSpacing"),
    field<&ShaderGrid::vCenter>("VCenter"),
    field<&ShaderGrid::vShift>("VShift"),
    field<&ShaderGrid::fillColor>("FillColor"),
    field<&ShaderGrid::lineRotation>("LineRotation"),
};
constexpr FieldTable kGridTable{kGridLines};

// Length of line inside [0, x) for lines of `width` starting at every multiple of `spacing`.
double covered(double x, double spacing, double width) {
    double period = std::floor(x / spacing);
    return period * width + std::min(x - period * spacing, width);
}

// The share of [x - extent, x + extent] that lines of `width` centred on the
// multiples of `spacing` cover; a point when the interval is empty.
double coverage(double x, double extent, double spacing, double width) {
    if (!(spacing > 0) || !(width > 0)) return 0.0;
    if (width >= spacing) return 1.0;
    x += width * 0.5;
    if (extent < 1e-9 * spacing) {
        double f = x - std::floor(x / spacing) * spacing;
        return f < width ? 1.0 : 0.0;
    }
    double c = (covered(x + extent, spacing, width) - covered(x - extent, spacing, width)) / (2 * extent);
    return std::clamp(c, 0.0, 1.0);
}

// Lays a line colour over the premultiplied colour so far, by its coverage.
void over(double out[4], const float line[4], double cover) {
    double k = cover * line[3];
    for (int i = 0; i < 3; ++i) out[i] = out[i] * (1 - k) + line[i] * k;
    out[3] = out[3] * (1 - k) + k;
}

}  // namespace

const NameTable ShaderGrid::kStyleNames = {kStyles, 4, 1, kGridPaper, kGridPaper};

ShaderGrid::ShaderGrid() : Shader(kGrid) { registerCommands(); }

CommandTable& ShaderGrid::commandTable() {
    static CommandTable table;
    return table;
}

void ShaderGrid::registerCommands() {
    Shader::registerCommands();
    kGridTable.registerInto(*this);
}

void ShaderGrid::reset() {
    Shader::reset();
    ShaderGrid fresh;
    copyFields(fresh);
}

void ShaderGrid::naturalSize(int& width, int& height) const { width = height = static_cast<int>(kExtent); }

Rgba ShaderGrid::shade(const Footprint& f) const {
    // Footprint centre and half size in grid units, turned about the grid's centre.
    double x = ((f.u0 + f.u1) * 0.5 - 0.5) * kExtent, y = ((f.v0 + f.v1) * 0.5 - 0.5) * kExtent;
    double hx = std::fabs(f.u1 - f.u0) * 0.5 * kExtent, hy = std::fabs(f.v1 - f.v0) * 0.5 * kExtent;
    double c = std::cos(lineRotation * kPi / 180), s = std::sin(lineRotation * kPi / 180);
    double xr = c * x + s * y, yr = -s * x + c * y;
    double ex = std::fabs(c) * hx + std::fabs(s) * hy, ey = std::fabs(s) * hx + std::fabs(c) * hy;
    double out[4] = {fillColor[0] * fillColor[3], fillColor[1] * fillColor[3], fillColor[2] * fillColor[3],
                     fillColor[3]};
    double hCover = 0, vCover = 0;
    if (style == kGridPaper) {
        if (hVisible) hCover = coverage(yr - hCenter - hShift, ey, hLineSpacing, hWidth);
        if (vVisible) vCover = coverage(xr - vCenter - vShift, ex, vLineSpacing, vWidth);
    } else {
        double px = xr - vCenter, py = yr - hCenter;
        double r;
        if (style == kRadialSquares) {
            r = std::max(std::fabs(px), std::fabs(py));
        } else if (style == kRadialTriangles) {
            const double n[3][2] = {{0, 1}, {-0.8660254037844386, -0.5}, {0.8660254037844386, -0.5}};
            r = -1e300;
            for (const auto& k : n) r = std::max(r, 2 * (k[0] * px + k[1] * py));
        } else {
            r = std::hypot(px, py);
        }
        double extent = std::max(ex, ey);
        if (hVisible) hCover = coverage(r - hShift, extent, hLineSpacing, hWidth);
        if (vVisible) {
            // Spokes keep their width in units, so in degrees they narrow outwards.
            double toDegrees = 180.0 / kPi / std::max(std::hypot(px, py), 1e-9);
            double angle = std::atan2(py, px) * 180.0 / kPi;
            vCover = coverage(angle - vShift, extent * toDegrees, vLineSpacing, vWidth * toDegrees);
        }
    }
    if (hCover > 0) over(out, hColor, hCover);
    if (vCover > 0) over(out, vColor, vCover);
    return {float(out[0]), float(out[1]), float(out[2]), float(out[3])};
}

bool ShaderGrid::sameFields(const Shader& other) const {
    const auto& o = static_cast<const ShaderGrid&>(other);
    return style == o.style && hVisible == o.hVisible && !std::memcmp(hColor, o.hColor, sizeof hColor) &&
           hWidth == o.hWidth && hLineSpacing == o.hLineSpacing && hCenter == o.hCenter && hShift == o.hShift &&
           vVisible == o.vVisible && !std::memcmp(vColor, o.vColor, sizeof vColor) && vWidth == o.vWidth &&
           vLineSpacing == o.vLineSpacing && vCenter == o.vCenter && vShift == o.vShift &&
           !std::memcmp(fillColor, o.fillColor, sizeof fillColor) && lineRotation == o.lineRotation;
}

void ShaderGrid::copyFields(const Shader& other) {
    const auto& o = static_cast<const ShaderGrid&>(other);
    style = o.style;
    hVisible = o.hVisible;
    std::memcpy(hColor, o.hColor, sizeof hColor);
    hWidth = o.hWidth;
    hLineSpacing = o.hLineSpacing;
    hCenter = o.hCenter;
    hShift = o.hShift;
    vVisible = o.vVisible;
    std::memcpy(vColor, o.vColor, sizeof vColor);
    vWidth = o.vWidth;
    vLineSpacing = o.vLineSpacing;
    vCenter = o.vCenter;
    vShift = o.vShift;
    std::memcpy(fillColor, o.fillColor, sizeof fillColor);
    lineRotation = o.lineRotation;
}

int ShaderGrid::writeFields(CommandIO& io) { return kGridTable.write(io, *this); }

}  // namespace fw
