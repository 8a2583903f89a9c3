#pragma once
// Arranges a track's elements for a pose: moved to their common centre, spread,
// shuffled, distributed on a shape, randomised, moved, scaled and rotated.

#include <glm/gtc/quaternion.hpp>
#include <glm/vec3.hpp>
#include <span>
#include <vector>

#include "anim/ElementMotion.h"

namespace fw {

class AnimPoseSettings;
class SubtractiveRandom;

class PoseLayout {
public:
    explicit PoseLayout(std::span<const AnimElement> elements);

    // Each element's state under `settings` (identity for default settings).
    std::vector<ElementState> arrange(const AnimPoseSettings& settings) const;

    // The centre of the elements' joint bounds, world space.
    const glm::dvec3& center() const { return center_; }
    // The largest side of the joint bounds; distances given in percent are of this.
    double extent() const { return extent_; }
    // Element indices in creation order.
    const std::vector<int>& order() const { return order_; }

    // Where the element at `rank` of `count` (creation order) sits on `shape`, about the
    // shape's centre, and its outward direction (zero where the shape has none).
    struct Place {
        glm::dvec3 offset{0.0}, outward{0.0};
    };
    // Scattering shapes draw from `random` (seeded by the distribute seed).
    Place shapePlace(const AnimPoseSettings& settings, int rank, int count, double radius,
                     const AnimElement& element, SubtractiveRandom& random) const;

private:
    // Each element's place and turn as the steps of a pose change them.
    struct Arrangement {
        std::vector<glm::dvec3> place;
        std::vector<glm::dquat> turn;
        std::vector<bool> turned;
    };
    void shuffle(const AnimPoseSettings& settings, Arrangement& out) const;
    void distribute(const AnimPoseSettings& settings, Arrangement& out) const;
    void randomize(const AnimPoseSettings& settings, Arrangement& out) const;

    std::span<const AnimElement> elements_;
    std::vector<int> order_;
    glm::dvec3 center_{0.0}, min_{0.0}, max_{0.0};
    double extent_ = 0;
};

}  // namespace fw
