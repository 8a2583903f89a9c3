#include "surface/ColorStop.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

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

int writeRGB(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    const kxColor& c = receiverAs<ColorStop>(r).color;
    return io.writef("%s %d %d %d\n", keyword, c.red, c.green, c.blue);
}
int writeHSV(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    const kxColor& c = receiverAs<ColorStop>(r).color;
    return io.writef("%s %d %d %d\n", keyword, c.hue, c.saturation, c.value);
}
bool inHSV(CommandEnabler& r) { return receiverAs<ColorStop>(r).colorMode == ColorStop::kHSVMode; }
bool inRGB(CommandEnabler& r) { return !inHSV(r); }

// The colour in the mode it was given in, then where it sits; "Color" is the older spelling.
constexpr FieldTable::Line kStopLines[] = {
    {"HSVColor", readHSV, writeHSV, Spelling::bare, inHSV},
    {"RGBColor", readRGB, writeRGB, Spelling::bare, inRGB},
    {"Color", readOldColor},
    field<&ColorStop::position>("Position", Spelling::fixed),
    field<&ColorStop::midPoint>("MidPoint", Spelling::fixed),
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kStopTable{kStopLines};

}  // namespace

ColorStop::ColorStop(bool opacity) : opacity_(opacity) { kStopTable.registerInto(*this); }

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

int ColorStop::writeCommands(CommandIO& io) { return kStopTable.write(io, *this); }

bool ColorStop::operator==(const ColorStop& o) const {
    return color == o.color && colorMode == o.colorMode && position == o.position && midPoint == o.midPoint &&
           opacity_ == o.opacity_;
}

}  // namespace fw
