#include "effects/TargetMask.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "effects/TransferModes.h"
#include "surface/EffectUnit.h"
#include "surface/Rgba.h"

namespace fw {

namespace {

constexpr float kFar = 1e20f;

// Squared distance along one line to the nearest seed, where f holds 0 at seeds and
// kFar elsewhere (or squared distances from the pass across): the lower envelope of
// the parabolas rooted at the finite entries.
void distanceLine(const float* f, int n, float* d, int* v, double* z) {
    int k = -1;
    for (int q = 0; q < n; ++q) {
        if (f[q] >= kFar) continue;
        if (k < 0) {
            k = 0;
            v[0] = q;
            z[0] = -1e300;
            z[1] = 1e300;
            continue;
        }
        double s;
        for (;;) {
            int p = v[k];
            s = ((f[q] + double(q) * q) - (f[p] + double(p) * p)) / (2.0 * (q - p));
            if (s > z[k]) break;
            --k;
        }
        ++k;
        v[k] = q;
        z[k] = s;
        z[k + 1] = 1e300;
    }
    if (k < 0) {
        std::fill(d, d + n, kFar);
        return;
    }
    k = 0;
    for (int q = 0; q < n; ++q) {
        while (z[k + 1] < q) ++k;
        double dq = q - v[k];
        d[q] = float(dq * dq + f[v[k]]);
    }
}

// Euclidean distance in pixels from each pixel to the nearest pixel where `seed` holds.
std::vector<float> distanceTo(const std::vector<uint8_t>& seed, int w, int h) {
    std::vector<float> d(seed.size());
    for (size_t i = 0; i < seed.size(); ++i) d[i] = seed[i] ? 0.0f : kFar;
#pragma omp parallel
    {
        std::vector<float> f(std::max(w, h)), out(std::max(w, h));
        std::vector<double> z(std::max(w, h) + 1);
        std::vector<int> v(std::max(w, h));
#pragma omp for schedule(static)
        for (int x = 0; x < w; ++x) {
            for (int y = 0; y < h; ++y) f[y] = d[static_cast<size_t>(y) * w + x];
            distanceLine(f.data(), h, out.data(), v.data(), z.data());
            for (int y = 0; y < h; ++y) d[static_cast<size_t>(y) * w + x] = out[y];
        }
#pragma omp for schedule(static)
        for (int y = 0; y < h; ++y) {
            float* line = &d[static_cast<size_t>(y) * w];
            distanceLine(line, w, out.data(), v.data(), z.data());
            for (int x = 0; x < w; ++x) line[x] = out[x] >= kFar * 0.5f ? kFar : std::sqrt(out[x]);
        }
    }
    return d;
}

// A Gaussian blur (sigma = radius / 2, cut at the radius' 1.5 times), edges clamped.
void blur(std::vector<float>& m, int w, int h, double radius) {
    double sigma = radius / 2.0;
    int reach = static_cast<int>(std::ceil(sigma * 3.0));
    if (sigma < 0.05 || reach < 1) return;
    std::vector<float> k(2 * reach + 1);
    float sum = 0;
    for (int i = -reach; i <= reach; ++i) sum += k[i + reach] = float(std::exp(-0.5 * i * i / (sigma * sigma)));
    for (float& v : k) v /= sum;
    std::vector<float> tmp(m.size());
#pragma omp parallel for schedule(static)
    for (int y = 0; y < h; ++y) {
        const float* src = &m[static_cast<size_t>(y) * w];
        float* dst = &tmp[static_cast<size_t>(y) * w];
        for (int x = 0; x < w; ++x) {
            float s = 0;
            for (int i = -reach; i <= reach; ++i) s += k[i + reach] * src[std::clamp(x + i, 0, w - 1)];
            dst[x] = s;
        }
    }
#pragma omp parallel for schedule(static)
    for (int y = 0; y < h; ++y) {
        float* dst = &m[static_cast<size_t>(y) * w];
        std::fill(dst, dst + w, 0.0f);
        for (int i = -reach; i <= reach; ++i) {
            const float* src = &tmp[static_cast<size_t>(std::clamp(y + i, 0, h - 1)) * w];
            for (int x = 0; x < w; ++x) dst[x] += k[i + reach] * src[x];
        }
    }
}

// A circle or square of the target's size at its position, antialiased over a pixel.
float shape(const EffectUnit& unit, bool circle, int x, int y, int w, int h, double scale) {
    double rx = std::max(unit.targetSizeH * scale * 0.5, 1e-6), ry = std::max(unit.targetSizeV * scale * 0.5, 1e-6);
    double dy = y + 0.5 - unit.targetPosition[1] * h;
    double dx = x + 0.5 - unit.targetPosition[0] * w - unit.targetShear * dy;
    double q = circle ? std::hypot(dx / rx, dy / ry) : std::max(std::fabs(dx) / rx, std::fabs(dy) / ry);
    return float(std::clamp((1.0 - q) * std::min(rx, ry) + 0.5, 0.0, 1.0));
}

}  // namespace

TargetMask::TargetMask(const EffectUnit& unit, const RenderImage& layer)
    : width_(layer.width), height_(layer.height), values_(static_cast<size_t>(layer.width) * layer.height, 1.0f) {
    const int w = width_, h = height_;
    if (w <= 0 || h <= 0 || layer.rgba.size() < values_.size() * 4) return;
    const double scale = frameScale(w);
    const int type = unit.targetType;
    const float dark = float(unit.targetDarkCutoff), bright = float(unit.targetBrightCutoff);
#pragma omp parallel for schedule(static)
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = layer.pixel(x, y);
            float alpha = p[3] / 255.0f;
            float m = 1.0f;
            if (type == EffectUnit::kTargetBrightness || type == EffectUnit::kTargetBrightnessAlpha) {
                Rgba c{p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, alpha};
                m = smoothstep(dark, bright, float(c.brightness()));
            } else if (type >= EffectUnit::kTargetCircle && type <= EffectUnit::kTargetSquareAlpha) {
                bool circle = type == EffectUnit::kTargetCircle || type == EffectUnit::kTargetCircleAlpha;
                m = shape(unit, circle, x, y, w, h, scale);
            }
            if (type == EffectUnit::kTargetAlpha || type == EffectUnit::kTargetBrightnessAlpha ||
                type == EffectUnit::kTargetCircleAlpha || type == EffectUnit::kTargetSquareAlpha)
                m *= alpha;
            values_[static_cast<size_t>(y) * w + x] = m;
        }
    }

    const int processing = unit.targetProcessing;
    if (processing == EffectUnit::kProcessInvert) {
        for (float& m : values_) m = 1.0f - m;
    } else if (processing == EffectUnit::kProcessEdgesOnly || processing == EffectUnit::kProcessInnerGlow ||
               processing == EffectUnit::kProcessOuterGlow) {
        // Distances from the mask's half-way line: inside pixels to the nearest outside
        // one and back, less half a pixel, so that neighbours across the edge are 0.5 away.
        std::vector<uint8_t> inside(values_.size()), outside(values_.size());
        for (size_t i = 0; i < values_.size(); ++i) outside[i] = !(inside[i] = values_[i] >= 0.5f);
        std::vector<float> toOutside = distanceTo(outside, w, h), toInside = distanceTo(inside, w, h);
        const float width = float(std::max(unit.targetThickness * scale, 0.5));
#pragma omp parallel for schedule(static)
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                size_t i = static_cast<size_t>(y) * w + x;
                float m = values_[i];
                float d = inside[i] ? toOutside[i] - 0.5f : toInside[i] - 0.5f;
                if (processing == EffectUnit::kProcessEdgesOnly)
                    m = std::clamp(width * 0.5f - d + 0.5f, 0.0f, 1.0f);
                else if (processing == EffectUnit::kProcessInnerGlow)
                    m = inside[i] ? m * (1.0f - smoothstep(0.0f, width, d)) : 0.0f;
                else
                    m = inside[i] ? 0.0f : (1.0f - m) * (1.0f - smoothstep(0.0f, width, d));
                values_[i] = m;
            }
        }
    }
    if (unit.targetFeather > 0.0) blur(values_, w, h, unit.targetFeather * scale);
}

}  // namespace fw
