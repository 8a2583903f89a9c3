#include "surface/ToneCurve.h"

#include <algorithm>
#include <cmath>


namespace fw {

// The cubic runs from (0, 0) to (1, 1) with slope e^gamma at the dark end and
// e^-gamma at the light end; slopes up to 3 keep it rising all the way.
void ToneCurve::update() {
    double g = std::clamp(gamma, -std::log(3.0), std::log(3.0));
    double s0 = std::exp(g), s1 = std::exp(-g);
    cubic[0] = s0 + s1 - 2.0;
    cubic[1] = 3.0 - 2.0 * s0 - s1;
    cubic[2] = s0;
    cubic[3] = 0.0;
}

double ToneCurve::apply(double t) const {
    if (std::isnan(t)) t = 0.0;
    if (std::fabs(whitePoint - blackPoint) > 1e-5) t = (t - blackPoint) / (whitePoint - blackPoint);
    t = std::clamp(t, 0.0, 1.0);
    if (pointSmooth > 0) {
        double s = t * t * (3.0 - 2.0 * t);
        if (pointSmooth <= 0.5) {
            t += (s - t) * pointSmooth * 2.0;
        } else {
            // Past halfway the step is sharpened further towards a hard threshold.
            double d = 2.0 * s - 1.0;
            double sharp = 0.5 + 0.5 * std::clamp(1.75 * std::copysign(std::pow(std::fabs(d), 1.5), d), -1.0, 1.0);
            t = s + (sharp - s) * std::min((pointSmooth - 0.5) * 2.0, 1.0);
        }
    }
    if (gamma != 0.0) t = ((cubic[0] * t + cubic[1]) * t + cubic[2]) * t + cubic[3];
    return std::clamp(t, 0.0, 1.0);
}

}  // namespace fw
