#pragma once
// A colour as four floats in 0..1. Shaders hand colours around in this form.

namespace fw {

// Weights of red, green and blue in a colour's brightness; they sum to 1.
constexpr double kBrightnessRed = 0.3733333349227905;
constexpr double kBrightnessGreen = 0.32;
constexpr double kBrightnessBlue = 0.30666667222976685;

struct Rgba {
    float r = 0, g = 0, b = 0, a = 0;

    double brightness() const { return kBrightnessRed * r + kBrightnessGreen * g + kBrightnessBlue * b; }
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

}  // namespace fw
