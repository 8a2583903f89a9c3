// Glints laid over a frame: up to three lens stars, each with an optional bloom, placed
// and turned over the timeline, nudged and scaled by other images, through the unit's
// target mask.
#include <algorithm>
#include <cmath>

#include "effects/EffectLayer.h"
#include "effects/FrameEffects.h"
#include "effects/TargetMask.h"
#include "effects/TransferModes.h"
#include "platform/MathConstants.h"

namespace fw {

namespace {

// Where and how one glint is drawn on this frame, in pixels of the frame.
struct GlintPlace {
    double x = 0, y = 0;
    double radius = 0;      // centre to the tip of the long rays
    double bloomRadius = 0; // 0: no bloom
    double strength = 1;    // the react image's scale of the light
    double angle = 0;       // radians
    bool coloured = false;
};

// Whether a GlintSelection names glint `n` (0-based).
bool selects(int selection, int n) { return n < selection - GlintUnit::kApplyNone; }

// A picture laid over the frame: its middle at `centre` (frame fractions), `scale`
// times the frame's size, turned by `degrees`; repeated beyond its edges. Premultiplied.
Rgba placedSample(const Picture& picture, double u, double v, const double centre[2], double scale, double degrees) {
    double a = -degrees * kRadiansPerDegree, c = std::cos(a), s = std::sin(a);
    double du = u - centre[0], dv = v - centre[1];
    double k = 1.0 / (std::fabs(scale) > 1e-9 ? scale : 1e-9);
    double pu = (c * du - s * dv) * k + 0.5, pv = (s * du + c * dv) * k + 0.5;
    return picture.sample(pu, pv, pu, pv);
}

const Picture* findImage(const EffectImages& images, const std::string& name) {
    if (name.empty() || !images) return nullptr;
    const Picture* p = images(name);
    return p && !p->empty() ? p : nullptr;
}

// The light of a lens star at (dx, dy) pixels from its centre, already turned into the
// star's frame: a core, a halo, four long rays and four short diagonal ones, tapering.
double starLight(double dx, double dy, double radius) {
    double r2 = dx * dx + dy * dy;
    double core = 0.07 * radius, halo = 0.25 * radius;
    double light = std::exp(-r2 / (core * core)) + 0.3 * std::exp(-r2 / (halo * halo));
    auto ray = [](double along, double across, double length, double width) {
        double t = along / length;
        if (t >= 1.0) return 0.0;
        double w = std::max(0.6, width * (1.0 - 0.85 * t));  // no thinner than a pixel can show
        return (1.0 - t) * (1.0 - t) * std::exp(-(across * across) / (w * w));
    };
    double width = 0.025 * radius;
    double ax = std::fabs(dx), ay = std::fabs(dy);
    light += ray(ax, ay, radius, width) + ray(ay, ax, radius, width);
    double d1 = std::fabs(dx + dy) * 0.7071067811865476, d2 = std::fabs(dx - dy) * 0.7071067811865476;
    light += 0.5 * (ray(d1, d2, 0.5 * radius, 0.7 * width) + ray(d2, d1, 0.5 * radius, 0.7 * width));
    return light;
}

// A gradient's colour at t (0 at the glint's centre, 1 at its reach), boosted; white
// for a gradient without stops, so a unit with none still shows its glints.
Rgba gradientColor(const Gradient& gradient, double t, bool flip, double boost) {
    if (gradient.colorStops.empty() && gradient.opacityStops.empty()) return {1, 1, 1, 1};
    t = std::clamp(t, 0.0, 1.0);
    Rgba c = gradient.lookup(flip ? 1.0 - t : t, Gradient::kClamp);
    if (boost != 0.0) {
        float k = float(1.0 + boost / 100.0);
        c.r = std::clamp(c.r * k, 0.0f, 1.0f), c.g = std::clamp(c.g * k, 0.0f, 1.0f);
        c.b = std::clamp(c.b * k, 0.0f, 1.0f);
    }
    return c;
}

// Everything a pass over the frame needs to lay one kind of light.
struct Pass {
    const TargetMask& mask;
    EffectLayer& work;
    double feather;  // soft frame sides while a wipe runs, pixels; 0 for none
    int mode;
    int samples;     // per pixel side
};

// Lays the light `sample(dx, dy) -> premultiplied colour` around `place` out to `reach` pixels.
template <typename Sample>
void layLight(const Pass& pass, const GlintPlace& place, double reach, const Sample& sample) {
    const int w = pass.work.width(), h = pass.work.height();
    int x0 = std::max(0, int(std::floor(place.x - reach))), x1 = std::min(w - 1, int(std::ceil(place.x + reach)));
    int y0 = std::max(0, int(std::floor(place.y - reach))), y1 = std::min(h - 1, int(std::ceil(place.y + reach)));
    const int n = pass.samples;
#pragma omp parallel for schedule(dynamic, 4)
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            float m = pass.mask.at(x, y);
            if (!(m > 0.0f)) continue;
            double sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < n; ++j) {
                for (int i = 0; i < n; ++i) {
                    Rgba c = sample(x + (i + 0.5) / n - place.x, y + (j + 0.5) / n - place.y);
                    sum[0] += c.r, sum[1] += c.g, sum[2] += c.b, sum[3] += c.a;
                }
            }
            double a = sum[3] / (n * n);
            if (pass.feather > 0.0)
                a *= smoothstep(0.0, pass.feather, x + 0.5) * smoothstep(0.0, pass.feather, w - x - 0.5);
            if (!(a > 1e-6)) continue;
            float effect[3] = {float(sum[0] / sum[3]), float(sum[1] / sum[3]), float(sum[2] / sum[3])};
            pass.work.lay(x, y, effect, float(std::min(a, 1.0)) * m, pass.mode);
        }
    }
}

// The layer's straight mean colour within `half` pixels of a point; white where it is empty.
Rgba layerColorNear(const RenderImage& layer, double cx, double cy, double half) {
    int x0 = std::max(0, int(cx - half)), x1 = std::min(layer.width - 1, int(cx + half));
    int y0 = std::max(0, int(cy - half)), y1 = std::min(layer.height - 1, int(cy + half));
    double sum[4] = {0, 0, 0, 0};
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const uint8_t* p = layer.pixel(x, y);
            double a = p[3] / 255.0;
            sum[0] += p[0] / 255.0 * a, sum[1] += p[1] / 255.0 * a, sum[2] += p[2] / 255.0 * a, sum[3] += a;
        }
    }
    if (sum[3] < 1e-3) return {1, 1, 1, 1};
    return {float(sum[0] / sum[3]), float(sum[1] / sum[3]), float(sum[2] / sum[3]), 1};
}

// Where the wipe has the glint on this frame: it travels in from beyond the frame's left
// side to its own place, or on from its place out beyond the right side.
double wipeX(int type, double own, double outside, double frameWidth, double f) {
    double in = -outside, out = frameWidth + outside;
    auto lerp = [](double a, double b, double t) { return a + (b - a) * t; };
    switch (type) {
        case GlintUnit::kWipeOn: return lerp(in, own, f);
        case GlintUnit::kWipeOff: return lerp(own, out, f);
        case GlintUnit::kWipeOnOff: return f < 0.5 ? lerp(in, own, 2 * f) : lerp(own, out, 2 * f - 1);
        case GlintUnit::kWipeOffOn: return f < 0.5 ? lerp(own, out, 2 * f) : lerp(in, own, 2 * f - 1);
        default: return own;
    }
}

}  // namespace

void applyGlintUnit(const GlintUnit& unit, RenderImage& layer, const EffectTime& time, const EffectImages& images) {
    if (layer.width <= 0 || layer.height <= 0) return;
    const int w = layer.width, h = layer.height;
    TargetMask mask(unit, layer);
    EffectLayer work(layer, unit.showEffectOnly);
    if (unit.targetShowTarget) {
        work.showMask(mask);
        work.store(layer);
        return;
    }
    const double scale = TargetMask::frameScale(w), f = time.progress();
    const double feather = std::max(0.0, unit.glintWipeFeather * scale);
    const Picture* react = findImage(images, unit.reactImageName);
    const Picture* displace = findImage(images, unit.displaceImageName);

    GlintPlace places[3];
    int count = 0;
    for (int n = 0; n < 3; ++n) {
        if (!(unit.glintSize[n] > 0.0)) continue;
        // Glints 2 and 3 start out stacked in the middle: one counts when the gradient or
        // bloom names it, or when it has been moved somewhere glint 1 is not.
        const double* at = unit.glintPosition[n];
        bool placed = (at[0] != 0.5 || at[1] != 0.5) &&
                      (at[0] != unit.glintPosition[0][0] || at[1] != unit.glintPosition[0][1]);
        if (n > 0 && !placed && !selects(unit.applyGradient, n) && !selects(unit.applyBloom, n)) continue;
        GlintPlace& g = places[count++];
        g.radius = unit.glintSize[n] * scale * 0.5;
        g.bloomRadius = selects(unit.applyBloom, n) ? std::max(0.0, unit.bloomSize * scale) : 0.0;
        g.coloured = selects(unit.applyGradient, n);
        g.angle = (unit.glintFrame0Angle[n] + (unit.glintAngle[n] - unit.glintFrame0Angle[n]) * f) * kRadiansPerDegree;
        double outside = std::max(g.radius, g.bloomRadius) + feather + 1.0;
        g.x = wipeX(unit.glintWipeType, unit.glintPosition[n][0] * w, outside, w, f);
        g.y = unit.glintPosition[n][1] * h;
        if (displace) {
            Rgba c = placedSample(*displace, g.x / w, g.y / h, unit.displaceImageCenter, unit.displaceImageScale,
                                  unit.displaceImageRotation);
            if (c.a > 1e-6f) {
                // Mid grey stays put; full red moves HDepth pixels right, full green VDepth up.
                g.x += (c.r / c.a - 0.5) * 2.0 * unit.displaceHDepth * scale;
                g.y += (c.g / c.a - 0.5) * 2.0 * unit.displaceVDepth * scale;
            }
        }
        if (react && unit.reactImageSensitivity > 0.0) {
            Rgba c = placedSample(*react, g.x / w, g.y / h, unit.reactImageCenter, unit.reactImageScale,
                                  unit.reactImageRotation);
            double b = std::clamp(c.brightness(), 0.0, 1.0);
            if (unit.reactImageInvertMap) b = 1.0 - b;
            g.strength = std::pow(b, unit.reactImageSensitivity);
            g.radius *= g.strength;
            g.bloomRadius *= g.strength;
        }
    }

    const double wipeFeather = unit.glintWipeType != GlintUnit::kWipeNone ? feather : 0.0;
    const double boostK = 1.0 + unit.bloomBoost / 100.0;
    for (int i = 0; i < count; ++i) {
        const GlintPlace& g = places[i];
        if (!(g.bloomRadius > 0.0) || !(g.strength > 0.0)) continue;
        const double rb = g.bloomRadius, inner = std::min(rb * (1.0 - std::clamp(unit.bloomSoftness, 0.0, 1.0)), rb - 1.0);
        const float opacity = float(std::clamp(0.5 * boostK, 0.0, 1.0) * g.strength);
        Rgba fixed{float(unit.bloomColor[0]), float(unit.bloomColor[1]), float(unit.bloomColor[2]), 1};
        if (unit.bloomColorFrom == GlintUnit::kFromLayer) fixed = layerColorNear(layer, g.x, g.y, std::max(1.0, rb / 2));
        int samples = 1;
        if (unit.bloomColorFrom == GlintUnit::kFromBloomGradient)
            samples = std::clamp(unit.bloomGradientOversampling, 0, 7) + 1;
        else if (unit.bloomColorFrom == GlintUnit::kFromGlintGradient)
            samples = std::clamp(unit.glintGradientOversampling, 0, 7) + 1;
        Pass pass{mask, work, wipeFeather, unit.bloomTransferMode, samples};
        layLight(pass, g, rb + 1.0, [&](double dx, double dy) {
            double r = std::hypot(dx, dy);
            double a = opacity * (1.0 - smoothstep(inner, rb, r));
            Rgba c = fixed;
            if (unit.bloomColorFrom == GlintUnit::kFromBloomGradient)
                c = gradientColor(unit.bloomGradient, r / rb, unit.bloomGradientFlip, 0.0);
            else if (unit.bloomColorFrom == GlintUnit::kFromGlintGradient)
                c = gradientColor(unit.glintGradient, r / rb, unit.glintGradientFlip, 0.0);
            a *= c.a;
            float k = float(boostK);
            return Rgba{std::min(1.0f, c.r * k) * float(a), std::min(1.0f, c.g * k) * float(a),
                        std::min(1.0f, c.b * k) * float(a), float(a)};
        });
    }
    for (int i = 0; i < count; ++i) {
        const GlintPlace& g = places[i];
        if (!(g.radius > 0.0) || !(g.strength > 0.0)) continue;
        const double c = std::cos(g.angle), s = std::sin(g.angle);
        // At least 2x2 samples a pixel, so thin rays stay smooth.
        int samples = std::max(2, std::clamp(unit.glintGradientOversampling, 0, 7) + 1);
        Pass pass{mask, work, wipeFeather, unit.gradientTransferMode, samples};
        layLight(pass, g, g.radius + 1.0, [&](double dx, double dy) {
            double light = std::min(1.0, starLight(c * dx + s * dy, -s * dx + c * dy, g.radius)) * g.strength;
            Rgba col{1, 1, 1, 1};
            if (g.coloured)
                col = gradientColor(unit.glintGradient, std::hypot(dx, dy) / g.radius, unit.glintGradientFlip,
                                    unit.gradientBoost);
            float a = float(light) * col.a;
            return Rgba{col.r * a, col.g * a, col.b * a, a};
        });
    }
    work.store(layer);
}

}  // namespace fw
