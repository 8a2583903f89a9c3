#include "surface/NoiseGenerator.h"

#include <algorithm>
#include <cmath>

#include "platform/MathConstants.h"

namespace fw {

namespace {

// SplitMix64: a small, well-mixed stream of numbers from a seed.
uint64_t nextRandom(uint64_t& state) {
    uint64_t z = (state += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

}  // namespace

void NoiseGenerator::build(int sumMode, double octaves, double frequency, double amplitude, double amplitudeGain,
                           unsigned long seed, double frequencyGain) {
    sumMode_ = sumMode;
    octaves_ = std::isfinite(octaves) ? std::clamp(octaves, 0.0, double(kMaxOctaves)) : 0.0;
    frequency_ = frequency;
    amplitude_ = amplitude;
    amplitudeGain_ = amplitudeGain;
    frequencyGain_ = frequencyGain;
    if (seed == seed_) return;  // the tables depend on the seed alone
    seed_ = seed;
    uint64_t state = seed;
    for (int i = 0; i < kTableSize; ++i) permutation_[i] = static_cast<uint16_t>(i);
    for (int i = kTableSize - 1; i > 0; --i) {
        int j = static_cast<int>(nextRandom(state) % static_cast<uint64_t>(i + 1));
        std::swap(permutation_[i], permutation_[j]);
    }
    std::copy(permutation_, permutation_ + kTableSize, permutation_ + kTableSize);
    for (auto& g : gradients_) {
        double a = (nextRandom(state) >> 11) * (1.0 / 9007199254740992.0) * (2 * kPi);
        g[0] = static_cast<float>(std::cos(a));
        g[1] = static_cast<float>(std::sin(a));
    }
}

double NoiseGenerator::noise(double x, double y) const {
    // The pattern repeats every kTableSize units, so far-off points fold back first.
    // Most points need no folding, and skipping it gives the same values (adding zero
    // turns a negative zero positive, as the fold would).
    auto fold = [](double& v) {
        if (v >= 0 && v < kTableSize) {
            v += 0.0;
            return;
        }
        v -= std::floor(v / kTableSize) * kTableSize;
        if (!(v >= 0 && v < kTableSize)) v = 0;
    };
    fold(x);
    fold(y);
    int i = static_cast<int>(x), j = static_cast<int>(y);
    double fx = x - i, fy = y - j;
    int i1 = (i + 1) & (kTableSize - 1), j1 = (j + 1) & (kTableSize - 1);
    auto corner = [&](int ci, int cj, double dx, double dy) {
        const float* g = gradients_[permutation_[permutation_[ci] + cj]];
        return g[0] * dx + g[1] * dy;
    };
    double n00 = corner(i, j, fx, fy), n10 = corner(i1, j, fx - 1, fy);
    double n01 = corner(i, j1, fx, fy - 1), n11 = corner(i1, j1, fx - 1, fy - 1);
    double u = fade(fx), v = fade(fy);
    double a = n00 + (n10 - n00) * u, b = n01 + (n11 - n01) * u;
    // Unit gradients reach at most sqrt(1/2); scale to fill -1..1.
    return std::clamp((a + (b - a) * v) * 1.4142135623730951, -1.0, 1.0);
}

double NoiseGenerator::sum(double x, double y) const {
    x *= frequency_;
    y *= frequency_;
    double total = 0, amplitude = amplitude_;
    int whole = static_cast<int>(octaves_);
    double part = octaves_ - whole;
    for (int o = 0; o <= whole && o < kMaxOctaves + 1; ++o) {
        double weight = o < whole ? 1.0 : part;
        if (weight <= 0) break;
        // Each octave is offset so that the octaves' lattices do not line up at the origin.
        double n = noise(x + 17.31 * o, y + 31.77 * o);
        total += weight * amplitude * (sumMode_ == kSigned ? n : std::fabs(n));
        x *= frequencyGain_;
        y *= frequencyGain_;
        amplitude *= amplitudeGain_;
    }
    return total;
}

}  // namespace fw
