#include "flag/FlagWind.h"

#include <cmath>

#include "platform/MathConstants.h"
#include "platform/SubtractiveRandom.h"

namespace fw {

FlagWind::FlagWind(int type, unsigned long seed, double variation, unsigned long variationSeed, double strength,
                   double rate)
    : type_(type), variation_(variation), strength_(strength), rate_(rate > 0.0 ? rate : 30.0) {
    SubtractiveRandom gusts(static_cast<long>(seed % 1000000000UL));
    // Three slow swells, periods of 2 to 9 seconds, weighted to sum to at most 1.
    double total = 0.0;
    for (int i = 0; i < 3; ++i) {
        freq_[i] = 1.0 / (2.0 + 7.0 * gusts.next());
        phase_[i] = 2.0 * kPi * gusts.next();
        weight_[i] = 0.5 + gusts.next();
        total += weight_[i];
    }
    for (double& w : weight_) w /= total;
    for (double& k : gustKeys_) k = 2.0 * gusts.next() - 1.0;
    SubtractiveRandom flutter(static_cast<long>(variationSeed % 1000000000UL));
    for (double& k : flutterKeys_) k = 2.0 * flutter.next() - 1.0;
}

// Value noise between keys one unit apart, eased so its slope is continuous.
double FlagWind::noise(const double* keys, double t) const {
    const double fl = std::floor(t);
    const long i = static_cast<long>(fl);
    const double u = t - fl, w = u * u * (3.0 - 2.0 * u);
    const double a = keys[((i % kKeys) + kKeys) % kKeys], b = keys[(((i + 1) % kKeys) + kKeys) % kKeys];
    return a + (b - a) * w;
}

double FlagWind::speed(double frame) const {
    if (type_ == kSteady || variation_ == 0.0) return 0.0;
    const double seconds = frame / rate_;
    double swell;
    if (type_ == kDrift) {
        swell = noise(gustKeys_, seconds / 1.5);
    } else {
        swell = 0.0;
        for (int i = 0; i < 3; ++i) swell += weight_[i] * std::sin(2.0 * kPi * freq_[i] * seconds + phase_[i]);
    }
    // Quicker gusts on top, four a second, from their own seed.
    const double gust = noise(flutterKeys_, seconds * 4.0);
    return variation_ * strength_ * (0.75 * swell + 0.25 * gust);
}

}  // namespace fw
