#pragma once
// Where each element of a transition is at a time: its launch positions, its window
// of the transition, and its progress inside it.

#include <span>
#include <vector>

namespace fw {

class AnimTransition;
struct AnimElement;

struct ElementProgress {
    double p = 0;  // base progress of the transition, never 0 or 1 inside it
    double u = 0;  // the element's own progress (eased)
    double a = 0;  // progress of the path action
    double v = 0;  // progress of the fade
};

// 0 at or below lo, 1 at or above hi, 0 when the range is narrower than 1e-5.
double ramp(double u, double lo, double hi);

// Launch positions from the transition's launch type and seed (0-based; elements
// listed in creation order). With `together`, elements that stand level on the launch
// axis (within the sequence's blending range) share a position.
std::vector<int> launchPositions(const AnimTransition& transition, std::span<const AnimElement> elements,
                                 bool together = true);
// Fills the transition's launch order when it does not match the elements, its
// windows (overlap, fragment overlap, gaps, clumps) and its ease curve.
void prepareTransition(AnimTransition& transition, std::span<const AnimElement> elements);
// The element's progress at `time` (frames); the transition must be prepared.
ElementProgress elementProgress(const AnimTransition& transition, int element, double time);
// The base progress at which the element reaches local progress `local`.
double baseProgressOf(const AnimTransition& transition, int element, double local);

}  // namespace fw
