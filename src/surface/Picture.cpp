#include "surface/Picture.h"

#include <algorithm>
#include <cmath>

namespace fw {

void Picture::resize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(static_cast<size_t>(width_) * height_ * 4, 0);
}

namespace {

int wrapIndex(long i, int n) {
    long m = i % n;
    return static_cast<int>(m < 0 ? m + n : m);
}

// Accumulates premultiplied texels.
struct Sum {
    double r = 0, g = 0, b = 0, a = 0;
    void add(const uint8_t* p, double weight, bool fourChannels) {
        double alpha = fourChannels ? p[3] / 255.0 : 1.0;
        double k = weight * alpha / 255.0;
        r += p[0] * k;
        g += p[1] * k;
        b += p[2] * k;
        a += weight * alpha;
    }
};

}  // namespace

Rgba Picture::sample(double u0, double v0, double u1, double v1, bool fourChannels) const {
    if (empty()) return {};
    if (!std::isfinite(u0) || !std::isfinite(v0) || !std::isfinite(u1) || !std::isfinite(v1)) return {};
    // Start inside the first period; a rectangle wider than the picture sees all of it once.
    double ul = std::min(u0, u1), vl = std::min(v0, v1);
    double x0 = (ul - std::floor(ul)) * width_, y0 = (vl - std::floor(vl)) * height_;
    double x1 = x0 + std::min(std::fabs(u1 - u0), 1.0) * width_;
    double y1 = y0 + std::min(std::fabs(v1 - v0), 1.0) * height_;
    Sum sum;
    if (x1 - x0 <= 1.0 && y1 - y0 <= 1.0) {
        double x = (x0 + x1) * 0.5 - 0.5, y = (y0 + y1) * 0.5 - 0.5;
        long ix = static_cast<long>(std::floor(x)), iy = static_cast<long>(std::floor(y));
        double fx = x - ix, fy = y - iy;
        int xa = wrapIndex(ix, width_), xb = wrapIndex(ix + 1, width_);
        int ya = wrapIndex(iy, height_), yb = wrapIndex(iy + 1, height_);
        sum.add(row(ya) + xa * 4, (1 - fx) * (1 - fy), fourChannels);
        sum.add(row(ya) + xb * 4, fx * (1 - fy), fourChannels);
        sum.add(row(yb) + xa * 4, (1 - fx) * fy, fourChannels);
        sum.add(row(yb) + xb * 4, fx * fy, fourChannels);
    } else {
        // A box over the covered pixels, thinned to at most 32 taps a side.
        long ix0 = static_cast<long>(std::floor(x0)), ix1 = std::max(ix0 + 1, static_cast<long>(std::ceil(x1)));
        long iy0 = static_cast<long>(std::floor(y0)), iy1 = std::max(iy0 + 1, static_cast<long>(std::ceil(y1)));
        long stepX = std::max(1L, (ix1 - ix0) / 32), stepY = std::max(1L, (iy1 - iy0) / 32);
        double count = 0;
        for (long y = iy0; y < iy1; y += stepY) {
            const uint8_t* line = row(wrapIndex(y, height_));
            for (long x = ix0; x < ix1; x += stepX) {
                sum.add(line + wrapIndex(x, width_) * 4, 1.0, fourChannels);
                count += 1;
            }
        }
        double k = 1.0 / count;
        sum.r *= k, sum.g *= k, sum.b *= k, sum.a *= k;
    }
    return {float(sum.r), float(sum.g), float(sum.b), float(sum.a)};
}

}  // namespace fw
