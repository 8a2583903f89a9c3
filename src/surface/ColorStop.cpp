#include "surface/ColorStop.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"

namespace fw {

namespace {

// Three 16-bit components; values outside 0..65535 are clamped rather than wrapped.
int readComponents(CommandIO& io, uint16_t out[3]) {
    for (int i = 0; i < 3; ++i) {
        int v;
        if (io.readInt(v) != 0) return -1;
        out[i] = static_cast<uint16_t>(v < 0 ? 0 : v > 65535 ? 65535 : v);
    }
    return 0;
}

int readRGB(CommandIO& io, CommandEnabler& r) {
    uint16_t c[3];
    if (readComponents(io, c) != 0) return -1;
    receiverAs<ColorStop>(r).color.setRGB(c[0], c[1], c[2]);
    receiverAs<ColorStop>(r).colorMode = ColorStop::kRGBMode;
    return 0;
}

int readHSV(CommandIO& io, CommandEnabler& r) {
    uint16_t c[3];
    if (readComponents(io, c) != 0) return -1;
    receiverAs<ColorStop>(r).color.setHSV(c[0], c[1], c[2]);
    receiverAs<ColorStop>(r).colorMode = ColorStop::kHSVMode;
    return 0;
}

// Older files: three numbers, fractions of 1 or (when any exceeds 1) 16-bit values.
int readOldColor(CommandIO& io, CommandEnabler& r) {
    double c[3];
    if (io.readVector3(c) != 0) return -1;
    double scale = (c[0] > 1.0 || c[1] > 1.0 || c[2] > 1.0) ? 1.0 / kxColor::kMax : 1.0;
    receiverAs<ColorStop>(r).color = kxColor::fromUnitRGB(c[0] * scale, c[1] * scale, c[2] * scale);
    receiverAs<ColorStop>(r).colorMode = ColorStop::kRGBMode;
    return 0;
}


}  // namespace

ColorStop::ColorStop(bool opacity) : opacity_(opacity) {
    registerCommand("RGBColor", readRGB);
    registerCommand("HSVColor", readHSV);
    registerCommand("Color", readOldColor);
    registerCommand("Position", readField<&ColorStop::position>);
    registerCommand("MidPoint", readField<&ColorStop::midPoint>);
    registerCommand("end", CommandEnabler::endCommand);
}

ColorStop::ColorStop(double position, const kxColor& color, double midPoint, bool opacity) : ColorStop(opacity) {
    this->position = position;
    this->color = color;
    this->midPoint = midPoint;
    colorMode = color.hsvSet ? kHSVMode : kRGBMode;
}

CommandTable& ColorStop::commandTable() {
    static CommandTable table;
    return table;
}

int ColorStop::writeCommands(CommandIO& io) {
    if (colorMode == kHSVMode)
        io.writef("HSVColor %d %d %d\n", color.hue, color.saturation, color.value);
    else
        io.writef("RGBColor %d %d %d\n", color.red, color.green, color.blue);
    io.writef("Position %f\n", position);
    io.writef("MidPoint %f\n", midPoint);
    return 0;
}

bool ColorStop::operator==(const ColorStop& o) const {
    return color == o.color && colorMode == o.colorMode && position == o.position && midPoint == o.midPoint &&
           opacity_ == o.opacity_;
}

}  // namespace fw
