#pragma once
// The motion of a track's elements: where each element stands in each pose, how it
// travels between poses, and the matrix and opacity it gets at a time.

#include <glm/mat4x4.hpp>
#include <span>
#include <vector>

namespace fw {

class AnimTrack;
class AnimPose;

// One animated element as the scene gives it: a letter, word, line or whole node.
struct AnimElement {
    double center[3] = {0, 0, 0};  // world space, at rest
    double bounds[6] = {0, 0, 0, 0, 0, 0};  // min x y z, max x y z, world space, at rest
    int creationIndex = 0;  // order the elements were made (letters: reading order)
    int selectionIndex = -1;  // order the user picked them, -1 when not picked
    int owner = -1;  // a fragment: the element it broke from, which it is timed inside; -1 otherwise
    int softGroup = -1;  // elements of one soft group launch together; -1: in none
};

// An element's offset from its rest place: scaled and rotated about its centre, then moved.
struct ElementState {
    double translate[3] = {0, 0, 0};
    double rotate[3] = {0, 0, 0};  // degrees, applied x, then y, then z
    double scale[3] = {1, 1, 1};
    double opacity = 1.0;
};

// Each element's state in a pose (its settings applied to the elements' rest places).
std::vector<ElementState> poseStates(const AnimPose& pose, std::span<const AnimElement> elements);

struct ElementFrame {
    glm::dmat4 matrix{1.0};  // world space: rest place to animated place
    double opacity = 1.0;
};

// Every element of the track at `time` (frames). Prepares transitions as needed.
std::vector<ElementFrame> evaluateTrack(AnimTrack& track, double time, std::span<const AnimElement> elements);

}  // namespace fw
