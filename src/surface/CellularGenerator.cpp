#include "surface/CellularGenerator.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

uint64_t nextRandom(uint64_t& state) {
    uint64_t z = (state += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

double unit(uint64_t& state) { return (nextRandom(state) >> 11) * (1.0 / 9007199254740992.0); }

}  // namespace

void CellularGenerator::build(int type, int method, double jitter, unsigned long seed) {
    type_ = type;
    method_ = method;
    bool sameTables = seed == seed_ && jitter == jitter_;
    jitter_ = std::clamp(jitter, 0.0, 1.0);
    if (sameTables) return;
    seed_ = seed;
    // A stream of its own, so cellular and cloudy noise with one seed do not correlate.
    uint64_t state = seed ^ 0x5bd1e9955bd1e995ull;
    for (int i = 0; i < kTableSize; ++i) permutation_[i] = static_cast<uint16_t>(i);
    for (int i = kTableSize - 1; i > 0; --i) {
        int j = static_cast<int>(nextRandom(state) % static_cast<uint64_t>(i + 1));
        std::swap(permutation_[i], permutation_[j]);
    }
    std::copy(permutation_, permutation_ + kTableSize, permutation_ + kTableSize);
    double margin = jitter_ * 0.5;
    for (int i = 0; i < kTableSize; ++i) {
        points_[i][0] = static_cast<float>(margin + (1.0 - 2 * margin) * unit(state));
        points_[i][1] = static_cast<float>(margin + (1.0 - 2 * margin) * unit(state));
        cells_[i] = static_cast<float>(unit(state));
    }
}

void CellularGenerator::distances(double x, double y, double exponent, double& f1, double& f2, double& cell) const {
    x -= std::floor(x / kTableSize) * kTableSize;
    y -= std::floor(y / kTableSize) * kTableSize;
    if (!(x >= 0 && x < kTableSize)) x = 0;
    if (!(y >= 0 && y < kTableSize)) y = 0;
    int ci = static_cast<int>(x), cj = static_cast<int>(y);
    double p = std::max(exponent, 0.1);
    f1 = f2 = 1e30;
    cell = 0;
    for (int dj = -1; dj <= 1; ++dj) {
        for (int di = -1; di <= 1; ++di) {
            int i = (ci + di) & (kTableSize - 1), j = (cj + dj) & (kTableSize - 1);
            int h = permutation_[permutation_[i] + j];
            double dx = std::fabs(ci + di + points_[h][0] - x), dy = std::fabs(cj + dj + points_[h][1] - y);
            double d;
            switch (method_) {
                case kManhattan: d = dx + dy; break;
                case kChebyshev: d = std::max(dx, dy); break;
                case kMinkowski: d = std::pow(std::pow(dx, p) + std::pow(dy, p), 1.0 / p); break;
                default: d = std::sqrt(dx * dx + dy * dy); break;
            }
            if (d < f1) {
                f2 = f1;
                f1 = d;
                cell = cells_[h];
            } else if (d < f2) {
                f2 = d;
            }
        }
    }
}

double CellularGenerator::value(double x, double y, double exponent, int rings) const {
    double f1, f2, cell;
    distances(x, y, exponent, f1, f2, cell);
    double t;
    switch (type_) {
        case kHard: t = (f2 - f1) * 2.0; break;
        case kRings: {
            double r = f1 * std::max(rings, 1);
            t = r - std::floor(r);
            break;
        }
        case kFlat: t = cell; break;
        default: t = f1; break;
    }
    return std::clamp(t, 0.0, 1.0);
}

}  // namespace fw
