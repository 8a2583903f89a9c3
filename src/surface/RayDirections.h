#pragma once
// Spreads of unit directions around +Y for blurred reflection and refraction, and in
// their flat form (a disk in the XZ plane) the tap offsets of soft shadows.

#include <array>
#include <vector>

namespace fw {

class RayDirections {
public:
    // n x n directions for n = floor(sqrt(count)) (a fixed pattern for exactly 4).
    // flat: the disk positions themselves, y = 0, unscaled by the spread.
    static std::vector<std::array<double, 3>> make(int count, double spread, bool flat = false);
};

}  // namespace fw
