#include "surface/RayDirections.h"

#include <cmath>

#include "platform/MathConstants.h"

namespace fw {

std::vector<std::array<double, 3>> RayDirections::make(int count, double spread, bool flat) {
    std::vector<std::array<double, 3>> out;
    if (count == 4) {
        // Four taps on the diagonals: a fixed, evenly balanced pattern.
        const double d = std::sqrt(0.5);
        for (int i = 0; i < 4; ++i) {
            double x = (i & 1) ? d : -d, z = (i & 2) ? d : -d;
            if (flat)
                out.push_back({x, 0.0, z});
            else {
                double h = spread * 0.001, len = std::sqrt(x * x * h * h + 1 + z * z * h * h);
                out.push_back({x * h / len, 1 / len, z * h / len});
            }
        }
        return out;
    }
    int n = static_cast<int>(std::floor(std::sqrt(static_cast<double>(count > 0 ? count : 1))));
    for (int i = 0; i < n; ++i) {
        double theta = (i + 1.0) / n * kPi / 2;
        for (int j = 0; j < n; ++j) {
            double phi = 2 * kPi * j / n + ((i & 1) ? kPi / n : 0.0);
            double x = std::sin(theta) * std::sin(phi), y = 0.9 * std::cos(theta) + 0.1, z = std::sin(theta) * std::cos(phi);
            if (flat) {
                out.push_back({x, 0.0, z});
                continue;
            }
            x *= spread * 0.001;
            z *= spread * 0.001;
            y = 1;
            double len = std::sqrt(x * x + y * y + z * z);
            out.push_back({x / len, y / len, z / len});
        }
    }
    return out;
}

}  // namespace fw
