#include "surface/Gradient.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"

namespace fw {

namespace {

const char* const kGradientTypes[] = {"Linear", "Radial", "MirrorWrap", "Circle", "Square", "Triangle"};
const char* const kInterpolations[] = {"RGB", "HSV", "Special RGB", "Color Wheel"};

// A stop colour in the interpolation's space, on the 16-bit scale (hue: 65536 a turn).
struct Components {
    double c[3];
};

bool hsvSpace(int interp) { return interp == Gradient::kHSV || interp == Gradient::kColorWheel; }

Components components(const kxColor& k, int interp) {
    if (hsvSpace(interp)) return {{double(k.hue), double(k.saturation), double(k.value)}};
    return {{double(k.red), double(k.green), double(k.blue)}};
}

// The colour wheel goes the short way round the hue circle; HSV goes straight.
double hueStep(double from, double to, int interp) {
    double d = to - from;
    if (interp == Gradient::kColorWheel) {
        if (d > 32768.0) d -= 65536.0;
        if (d < -32768.0) d += 65536.0;
    }
    return d;
}

Components mix(const Components& a, const Components& b, double w, int interp) {
    Components out;
    for (int i = 0; i < 3; ++i) out.c[i] = a.c[i] + (b.c[i] - a.c[i]) * w;
    if (hsvSpace(interp)) {
        out.c[0] = a.c[0] + hueStep(a.c[0], b.c[0], interp) * w;
        out.c[0] -= 65536.0 * std::floor(out.c[0] / 65536.0);
    }
    return out;
}

Components midColor(const kxColor& a, const kxColor& b, int interp) {
    Components m = mix(components(a, interp), components(b, interp), 0.5, interp);
    if (interp == Gradient::kSpecialRGB) {
        // The plain RGB mean of two saturated colours is dull; keep the stops' mean value.
        double h, s, v, r, g, bl;
        kxColor::rgbToHsv(m.c[0] / kxColor::kMax, m.c[1] / kxColor::kMax, m.c[2] / kxColor::kMax, h, s, v);
        v = (a.value + b.value) * 0.5 / kxColor::kMax;
        kxColor::hsvToRgb(h, s, v, r, g, bl);
        m = {{r * kxColor::kMax, g * kxColor::kMax, bl * kxColor::kMax}};
    }
    return m;
}

void toRgb(const Components& c, int interp, double rgb[3]) {
    if (hsvSpace(interp)) {
        kxColor::hsvToRgb(c.c[0] / 65536.0, c.c[1] / kxColor::kMax, c.c[2] / kxColor::kMax, rgb[0], rgb[1], rgb[2]);
    } else {
        for (int i = 0; i < 3; ++i) rgb[i] = c.c[i] / kxColor::kMax;
    }
    for (int i = 0; i < 3; ++i) rgb[i] = std::clamp(rgb[i], 0.0, 1.0);
}

void interpolate(const std::vector<ColorStop>& stops, double x, int interp, double smoothness, double rgb[3]) {
    size_t n = stops.size();
    const ColorStop* only = nullptr;
    if (n == 1 || x < stops[0].position) only = &stops[0];
    if (!only && x >= stops[n - 1].position) only = &stops[n - 1];
    if (only) {
        toRgb(components(only->color, interp), interp, rgb);
        return;
    }
    // The last stop at or before x; the one after it lies beyond x.
    auto next = std::upper_bound(stops.begin(), stops.end(), x,
                                 [](double value, const ColorStop& s) { return value < s.position; });
    // Only positions that are no numbers can leave x outside every pair.
    if (next == stops.begin() || next == stops.end()) {
        toRgb(components(stops[n - 1].color, interp), interp, rgb);
        return;
    }
    const ColorStop& a = *(next - 1);
    const ColorStop& b = *next;
    double t = (x - a.position) / (b.position - a.position);
    t = t * (1 - smoothness) + (3 * t * t - 2 * t * t * t) * smoothness;
    Components ca = components(a.color, interp), cb = components(b.color, interp);
    Components mid = midColor(a.color, b.color, interp);
    double m = a.midPoint;
    Components c;
    if (t < m)
        c = mix(ca, mid, t / m, interp);
    else
        c = m < 1.0 ? mix(mid, cb, (t - m) / (1 - m), interp) : mid;
    toRgb(c, interp, rgb);
}

template <int Gradient::*Field, const NameTable* Table>
int readNamed(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    receiverAs<Gradient>(r).*Field = Table->value(name);
    return 0;
}
template <int Gradient::*Field, const NameTable* Table>
int writeNamed(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, Table->name(receiverAs<Gradient>(r).*Field));
}
template <int Gradient::*Field, const NameTable* Table>
constexpr FieldTable::Line named(const char* keyword) {
    return {keyword, readNamed<Field, Table>, writeNamed<Field, Table>};
}

int beginStop(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    Gradient& g = receiverAs<Gradient>(r);
    std::vector<ColorStop>* list;
    if (std::strcmp(name, "ColorStop") == 0)
        list = &g.colorStops;
    else if (std::strcmp(name, "OpacityStop") == 0)
        list = &g.opacityStops;
    else
        return -1;
    list->emplace_back(list == &g.opacityStops);
    io.push(&list->back());
    return 0;
}
int writeStops(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    Gradient& g = receiverAs<Gradient>(r);
    for (ColorStop& stop : g.colorStops)
        if (io.writeBlock(stop) != 0) return -1;
    for (ColorStop& stop : g.opacityStops)
        if (io.writeBlock(stop) != 0) return -1;
    return 0;
}

// The stored lines, then the stops' blocks: the colour stops before the opacity stops.
constexpr FieldTable::Line kGradientLines[] = {
    named<&Gradient::type, &Gradient::kTypeNames>("Type"),
    named<&Gradient::interpType, &Gradient::kInterpolationNames>("InterpType"),
    field<&Gradient::interpSmoothness>("InterpSmoothness", Spelling::fixed),
    {"begin", beginStop, writeStops},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kGradientTable{kGradientLines};

// Stops come in any order from older files; the lookup needs them sorted.
}  // namespace

const NameTable Gradient::kTypeNames = {kGradientTypes, 6, 0, kLinear, kLinear};
const NameTable Gradient::kInterpolationNames = {kInterpolations, 4, 0, kRGB, kRGB};

Gradient::Gradient(const char* blockName) : blockName_(blockName) { kGradientTable.registerInto(*this); }

CommandTable& Gradient::commandTable() {
    static CommandTable table;
    return table;
}

void Gradient::reset() {
    type = kLinear;
    interpType = kRGB;
    interpSmoothness = 0.0;
    colorStops.clear();
    opacityStops.clear();
}

namespace {

ColorStop& insertStop(std::vector<ColorStop>& stops, ColorStop stop) {
    auto at = std::upper_bound(stops.begin(), stops.end(), stop.position,
                               [](double value, const ColorStop& s) { return value < s.position; });
    return *stops.insert(at, stop);
}

}  // namespace

ColorStop& Gradient::addColorStop(double position, const kxColor& color, double midPoint) {
    return insertStop(colorStops, ColorStop(position, color, midPoint));
}

ColorStop& Gradient::addOpacityStop(double position, double opacity, double midPoint) {
    return insertStop(opacityStops, ColorStop(position, kxColor::fromUnitRGB(opacity, opacity, opacity), midPoint, true));
}

void Gradient::sortStops() {
    auto byPosition = [](const ColorStop& a, const ColorStop& b) { return a.position < b.position; };
    std::stable_sort(colorStops.begin(), colorStops.end(), byPosition);
    std::stable_sort(opacityStops.begin(), opacityStops.end(), byPosition);
}

double Gradient::wrap(double x, int outerEdges) {
    if (outerEdges == kRepeat) {
        double f = x - std::floor(x);
        // The end of a period belongs to that period: 1.0 shows the last colour, not the first.
        if (f == 0.0 && x > 0.0) return 0.9999;
        return f;
    }
    if (outerEdges == kMirror) {
        double period = std::floor(x);
        double f = x - period;
        return std::fmod(std::fabs(period), 2.0) == 1.0 ? 1.0 - f : f;
    }
    return x;
}

Rgba Gradient::lookup(double x, int outerEdges) const {
    if (colorStops.empty() && opacityStops.empty()) return {};
    if (!std::isfinite(x)) x = 0.0;
    x = wrap(x, outerEdges);
    double rgb[3] = {0, 0, 0};
    if (!colorStops.empty()) interpolate(colorStops, x, interpType, interpSmoothness, rgb);
    double alpha = 1.0;
    if (!opacityStops.empty()) {
        double grey[3];
        interpolate(opacityStops, x, interpType, interpSmoothness, grey);
        alpha = kBrightnessRed * grey[0] + kBrightnessGreen * grey[1] + kBrightnessBlue * grey[2];
    }
    return {float(rgb[0]), float(rgb[1]), float(rgb[2]), float(std::clamp(alpha, 0.0, 1.0))};
}

int Gradient::writeCommands(CommandIO& io) { return kGradientTable.write(io, *this); }

bool Gradient::operator==(const Gradient& o) const {
    return type == o.type && interpType == o.interpType && interpSmoothness == o.interpSmoothness &&
           colorStops == o.colorStops && opacityStops == o.opacityStops;
}

}  // namespace fw
