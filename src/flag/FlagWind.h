#pragma once
// The wind's speed over time: smooth gusts drawn from seeds, so a flag moves the same
// on every run.

namespace fw {

class FlagWind {
public:
    enum Type { kSteady = 0, kGusts = 1, kDrift = 2 };

    FlagWind(int type, unsigned long seed, double variation, unsigned long variationSeed, double strength,
             double rate);
    // The speed added to the wind's strength at a frame counted from the flag's start.
    double speed(double frame) const;

private:
    static constexpr int kKeys = 256;
    double noise(const double* keys, double t) const;

    int type_;
    double variation_, strength_, rate_;
    double freq_[3], phase_[3], weight_[3];
    double gustKeys_[kKeys], flutterKeys_[kKeys];
};

}  // namespace fw
