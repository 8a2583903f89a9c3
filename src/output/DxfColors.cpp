#include "output/DxfColors.h"

#include <algorithm>
#include <cmath>

namespace fw {

void DxfColors::rgb(int index, double out[3]) {
    static const double kNamed[10][3] = {{0, 0, 0},       {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                         {0, 1, 1},       {0, 0, 1}, {1, 0, 1}, {1, 1, 1},
                                         {0.5, 0.5, 0.5}, {0.75, 0.75, 0.75}};
    if (index < 1 || index > 255) index = 7;
    if (index < 10) {
        std::copy(kNamed[index], kNamed[index] + 3, out);
        return;
    }
    if (index >= 250) {
        double grey = 0.2 + (index - 250) * 0.16;  // 0.2 .. 1.0
        out[0] = out[1] = out[2] = grey;
        return;
    }
    double hue = (index - 10) / 10 * 15.0;
    int shade = (index % 10) / 2;  // full brightness first, then four darker steps
    static const double kValue[5] = {1.0, 0.8, 0.6, 0.5, 0.3};
    double value = kValue[shade];
    double saturation = index % 2 ? 0.5 : 1.0;
    // Hue to RGB at full saturation, then washed towards white and scaled by value.
    double h = hue / 60.0;
    double x = 1.0 - std::fabs(std::fmod(h, 2.0) - 1.0);
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(h) % 6) {
        case 0: r = 1, g = x; break;
        case 1: r = x, g = 1; break;
        case 2: g = 1, b = x; break;
        case 3: g = x, b = 1; break;
        case 4: r = x, b = 1; break;
        default: r = 1, b = x; break;
    }
    const double c[3] = {r, g, b};
    for (int i = 0; i < 3; ++i) out[i] = value * (1.0 - saturation + saturation * c[i]);
}

int DxfColors::nearest(const double rgb[3]) {
    int best = 7;
    double bestDistance = 1e30;
    for (int index = 1; index <= 255; ++index) {
        double c[3];
        DxfColors::rgb(index, c);
        double d = 0;
        for (int i = 0; i < 3; ++i) d += (c[i] - rgb[i]) * (c[i] - rgb[i]);
        if (d < bestDistance - 1e-12) bestDistance = d, best = index;
    }
    return best;
}

}  // namespace fw
