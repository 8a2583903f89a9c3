#pragma once
// The shape a transition gives its elements' paths: bowed sideways, overshooting at
// either end, pinched toward the group's centre, twisted about the line of travel.
// Every shaping is zero at both ends, so elements leave and arrive at their poses.

#include <span>
#include <vector>

namespace fw {

class AnimPath;

class PathShape {
public:
    // `rank` gives each element's place in creation order, which the styles spread over.
    void prepare(const AnimPath& path, std::span<const int> rank);

    // Progress along the path at the element's progress u: below 0 while it pulls
    // back, above 1 while it passes the target.
    double travel(double u) const;
    // 0..1 along the bow: 0 at both ends, 1 at the bow's peak.
    double bowWeight(double u) const;
    // The element's bow: fraction of the travel distance and direction (radians).
    double bowAmount(int element) const { return bowAmount_[element]; }
    double bowDirection(int element) const { return bowDirection_[element]; }
    // Factor on the element's distance from the group's centre (1 outside pinches).
    double pinch(double u) const;
    // Turn about the group's line of travel, radians.
    double twist(double u) const;

    // A pair of values spread over `count` elements by a style (see AnimPath::Style);
    // `random` is the element's draw from the style's seed.
    static double spread(int style, double first, double second, int rank, int count, double random);

private:
    std::vector<double> bowAmount_, bowDirection_;
    double startOvershoot_ = 0, endOvershoot_ = 0, startPinch_ = 0, endPinch_ = 0, twist_ = 0;
    double bowPeak_ = 0.5;
};

// A bump of height 1 at `peak` falling smoothly to 0 at u = 0 and 1.
double peakBump(double u, double peak);

}  // namespace fw
