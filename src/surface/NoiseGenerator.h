#pragma once
// Fractal 2D gradient noise from seeded tables held inline, so evaluation needs no
// allocation: octaves of Perlin-style noise summed signed or as absolute values.

#include <cstdint>

namespace fw {

class NoiseGenerator {
public:
    enum SumMode { kSigned = 1, kAbsolute = 2, kAbsoluteToo = 3 };
    static constexpr int kTableSize = 4096;
    static constexpr int kMaxOctaves = 16;

    NoiseGenerator() { build(kSigned, 5.0, 5.0, 1.0, 0.5, 50); }

    // octaves may be fractional: the last octave then counts by its fraction.
    void build(int sumMode, double octaves, double frequency, double amplitude, double amplitudeGain,
               unsigned long seed, double frequencyGain = 2.0);

    // Gradient noise in -1..1.
    double noise(double x, double y) const;
    // The fractal sum at a point.
    double sum(double x, double y) const;

    int sumMode() const { return sumMode_; }
    double octaves() const { return octaves_; }
    double frequency() const { return frequency_; }
    double amplitudeGain() const { return amplitudeGain_; }
    unsigned long seed() const { return seed_; }

private:
    int sumMode_ = kSigned;
    double octaves_ = 0, frequency_ = 0, amplitude_ = 0, amplitudeGain_ = 0, frequencyGain_ = 0;
    unsigned long seed_ = ~0ul;
    uint16_t permutation_[2 * kTableSize];
    float gradients_[kTableSize][2];
};

}  // namespace fw
