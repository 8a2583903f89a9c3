#pragma once
// Spreads of unit directions around +Y for blurred reflection and refraction, and in
// their flat form (a disk in the XZ plane) the tap offsets of soft shadows.

#include <algorithm>
#include <array>
#include <vector>

namespace fw {

class RayDirections {
public:
    // n x n directions for n = floor(sqrt(count)) (a fixed pattern for exactly 4).
    // flat: the disk positions themselves, y = 0, unscaled by the spread.
    static std::vector<std::array<double, 3>> make(int count, double spread, bool flat = false);
};

// The blur rays a channel stores: the count and spread that are saved, and the
// directions they give, rebuilt whenever either changes.
class RaySpread {
public:
    // The most rays one channel sends per hit; a file asking for more gets this many.
    static constexpr int kMaxRays = 256;

    RaySpread() : directions_(RayDirections::make(1, 0.0)) {}
    void setCount(int count) {
        count_ = std::min(count, kMaxRays);
        directions_ = RayDirections::make(count_, spread_);
    }
    void setSpread(double spread) {
        spread_ = spread;
        directions_ = RayDirections::make(count_, spread_);
    }
    int count() const { return count_; }
    double spread() const { return spread_; }
    const std::vector<std::array<double, 3>>& directions() const { return directions_; }
    // The directions follow from the other two.
    bool operator==(const RaySpread& other) const { return count_ == other.count_ && spread_ == other.spread_; }

private:
    int count_ = 1;
    double spread_ = 0.0;
    std::vector<std::array<double, 3>> directions_;
};

}  // namespace fw
