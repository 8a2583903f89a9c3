#pragma once
// A distance constraint between two particles with a band of lengths it accepts unchanged.

#include <cstdint>

namespace fw {

struct kxSpring {
    int32_t a = 0, b = 0;
    double L = 0.0;
    double t = 0.1;
    double L2 = 0.0;
    double Lpt = 0.0, Lpt2 = 0.0;  // L + t
    double Lmt = 0.0, Lmt2 = 0.0;  // L - t
    double Lm4t2 = 0.0;            // (L - 4t)^2; 0 when L - 4t is not positive, so it never fires
    double invT = 0.0;

    // The derived values from a rest length and a tolerance.
    static kxSpring make(int32_t a, int32_t b, double restLength, double tolerance);
};

}  // namespace fw
