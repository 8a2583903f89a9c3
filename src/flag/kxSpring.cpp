#include "flag/kxSpring.h"

namespace fw {

kxSpring kxSpring::make(int32_t a, int32_t b, double restLength, double tolerance) {
    kxSpring s;
    s.a = a;
    s.b = b;
    s.L = restLength;
    s.t = tolerance;
    s.L2 = restLength * restLength;
    s.Lpt = restLength + tolerance;
    s.Lpt2 = s.Lpt * s.Lpt;
    s.Lmt = restLength - tolerance;
    // A band reaching below zero accepts every short length.
    s.Lmt2 = s.Lmt > 0.0 ? s.Lmt * s.Lmt : 0.0;
    const double m4 = restLength - 4.0 * tolerance;
    s.Lm4t2 = m4 > 0.0 ? m4 * m4 : 0.0;
    s.invT = tolerance != 0.0 ? 1.0 / tolerance : 0.0;
    return s;
}

}  // namespace fw
