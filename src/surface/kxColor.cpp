#include "surface/kxColor.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

uint16_t to16(double unit) { return static_cast<uint16_t>(std::lround(std::clamp(unit, 0.0, 1.0) * kxColor::kMax)); }

}  // namespace

kxColor kxColor::fromRGB(uint16_t r, uint16_t g, uint16_t b) {
    kxColor c;
    c.setRGB(r, g, b);
    return c;
}

kxColor kxColor::fromHSV(uint16_t h, uint16_t s, uint16_t v) {
    kxColor c;
    c.setHSV(h, s, v);
    return c;
}

kxColor kxColor::fromUnitRGB(double r, double g, double b) { return fromRGB(to16(r), to16(g), to16(b)); }

void kxColor::setRGB(uint16_t r, uint16_t g, uint16_t b) {
    red = r;
    green = g;
    blue = b;
    double h, s, v;
    rgbToHsv(r / kMax, g / kMax, b / kMax, h, s, v);
    // A full turn is hue 0 again.
    hue = static_cast<uint16_t>(std::lround(h * 65536.0) & 0xffff);
    saturation = to16(s);
    value = to16(v);
    hsvSet = false;
}

void kxColor::setHSV(uint16_t h, uint16_t s, uint16_t v) {
    hue = h;
    saturation = s;
    value = v;
    double r, g, b;
    hsvToRgb(h / 65536.0, s / kMax, v / kMax, r, g, b);
    red = to16(r);
    green = to16(g);
    blue = to16(b);
    hsvSet = true;
}

void kxColor::rgbToHsv(double r, double g, double b, double& h, double& s, double& v) {
    double hi = std::max({r, g, b}), lo = std::min({r, g, b});
    double range = hi - lo;
    v = hi;
    s = hi > 0 ? range / hi : 0.0;
    if (range <= 0) {
        h = 0;
        return;
    }
    double sector;
    if (hi == r)
        sector = (g - b) / range;
    else if (hi == g)
        sector = 2.0 + (b - r) / range;
    else
        sector = 4.0 + (r - g) / range;
    h = sector / 6.0;
    if (h < 0) h += 1.0;
}

void kxColor::hsvToRgb(double h, double s, double v, double& r, double& g, double& b) {
    h -= std::floor(h);
    double sector = h * 6.0;
    int i = static_cast<int>(sector) % 6;
    double f = sector - std::floor(sector);
    double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    switch (i) {
        case 0: r = v, g = t, b = p; break;
        case 1: r = q, g = v, b = p; break;
        case 2: r = p, g = v, b = t; break;
        case 3: r = p, g = q, b = v; break;
        case 4: r = t, g = p, b = v; break;
        default: r = v, g = p, b = q; break;
    }
}

bool kxColor::operator==(const kxColor& o) const {
    return red == o.red && green == o.green && blue == o.blue && hue == o.hue && saturation == o.saturation &&
           value == o.value && hsvSet == o.hsvSet && alpha == o.alpha;
}

}  // namespace fw
