#include "surface/BlendMode.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fw {

namespace {

const char* const kModeNames[] = {"Normal", "Screen", "Multiply", "Overlay", "SoftLight",
                                  "Add", "MagicGlue1", "MagicGlue2", "MagicGlue3"};

// The arithmetic runs in double; colours are kept as floats between blends.
struct Colour {
    double c[3];
    double a;
};

Colour widen(const Rgba& x) { return {{x.r, x.g, x.b}, x.a}; }

void narrow(const Colour& x, Rgba& out) {
    out.r = static_cast<float>(x.c[0]);
    out.g = static_cast<float>(x.c[1]);
    out.b = static_cast<float>(x.c[2]);
    out.a = static_cast<float>(x.a);
}

// A partly covered result holds its colour weighted by its coverage until this divides it out.
void normalise(Colour& d, bool p) {
    if (p && d.a > 0.0 && d.a < 1.0)
        for (double& c : d.c) c /= d.a;
}

struct Terms {
    double fs, fd, k, d0;
};

Terms terms(const Colour& d, const Colour& s, bool p) { return {p ? s.a : 1.0, p ? d.a : 1.0, 1.0 - s.a, d.a}; }

void normal(Colour& d, const Colour& s, bool p) {
    if (s.a <= 0.0) return;
    Terms t = terms(d, s, p);
    for (int i = 0; i < 3; ++i) d.c[i] = p ? d.c[i] * d.a * t.k + s.c[i] * s.a : d.c[i] * t.k + s.c[i];
    d.a = t.k * d.a + s.a;
    normalise(d, p);
}

void screen(Colour& d, const Colour& s, bool p) {
    Terms t = terms(d, s, p);
    for (int i = 0; i < 3; ++i) d.c[i] = 1.0 - (1.0 - d.c[i] * t.fd) * (1.0 - s.c[i] * t.fs);
    d.a = t.k * d.a + s.a;
    normalise(d, p);
}

void multiply(Colour& d, const Colour& s, bool p) {
    if (d.a == 0.0) {
        d = s;
        return;
    }
    Terms t = terms(d, s, p);
    for (int i = 0; i < 3; ++i) d.c[i] = s.c[i] * t.fs * d.c[i] + d.c[i] * t.k;
    d.a = t.k * d.a + s.a;
    // Where the destination was uncovered the source shows as it is.
    for (int i = 0; i < 3; ++i) d.c[i] = s.c[i] * t.fs * (1.0 - t.d0) + d.c[i] * t.fd;
    normalise(d, p);
}

// Overlay and SoftLight differ only in the mix B of source and destination.
template <class Mix>
void contrast(Colour& d, const Colour& s, bool p, Mix mix) {
    if (d.a == 0.0) {
        d = s;
        return;
    }
    Terms t = terms(d, s, p);
    for (int i = 0; i < 3; ++i) d.c[i] = d.c[i] * t.fd * t.k + mix(s.c[i], d.c[i]) * t.fs;
    d.a = t.k * d.a + s.a;
    normalise(d, p);
    for (int i = 0; i < 3; ++i) d.c[i] = s.c[i] * t.fs * (1.0 - t.d0) + d.c[i] * t.fd;
    normalise(d, p);
}

double overlayMix(double s, double d) { return d <= 0.5 ? 2.0 * s * d : 1.0 - 2.0 * (1.0 - s) * (1.0 - d); }

double softLightMix(double s, double d) {
    if (s <= 0.5) return d * d * (1.0 - 2.0 * s) + 2.0 * s * d;
    return std::sqrt(std::max(d, 0.0)) * (2.0 * s - 1.0) + 2.0 * d * (1.0 - s);
}

void add(Colour& d, const Colour& s, bool p) {
    if (d.a == 0.0) {
        d = s;
        return;
    }
    if (s.a <= 0.0) return;
    Terms t = terms(d, s, p);
    double n = p ? 1.0 / (d.a * t.k + s.a) : 1.0;
    for (int i = 0; i < 3; ++i) d.c[i] = std::min(1.0, (d.c[i] * t.fd + s.c[i] * t.fs) * n);
    d.a = p ? t.k * d.a + s.a : std::min(1.0, s.a + d.a);
}

}  // namespace

const NameTable BlendMode::kNames = {kModeNames, 9, 1, kNormal, kNormal};

const char* BlendMode::name(int mode) { return kNames.name(mode); }

int BlendMode::value(const char* name) {
    if (std::strcmp(name, "Soft Light") == 0) return kSoftLight;
    return kNames.value(name);
}

void BlendMode::blend(Rgba& dest, const Rgba& source, int mode, bool alphaAware) {
    Colour d = widen(dest), s = widen(source);
    const bool p = alphaAware;
    switch (mode) {
        case kScreen: screen(d, s, p); break;
        case kMultiply: multiply(d, s, p); break;
        case kOverlay: contrast(d, s, p, overlayMix); break;
        case kSoftLight: contrast(d, s, p, softLightMix); break;
        case kAdd: add(d, s, p); break;
        case kMagicGlue1:
            screen(d, s, p);
            multiply(d, s, p);
            break;
        case kMagicGlue2:
            screen(d, s, p);
            contrast(d, s, p, overlayMix);
            multiply(d, s, p);
            break;
        case kMagicGlue3:
            multiply(d, s, p);
            screen(d, s, p);
            break;
        default: normal(d, s, p); break;
    }
    narrow(d, dest);
}

}  // namespace fw
