#pragma once
// What an action does to an element: turns and drifts on top of its path (a
// transition's action, at the action's progress) or while a pose lasts (the Pose
// actions, by frames). Seeded per element, so every run animates the same.

#include <glm/gtc/quaternion.hpp>
#include <glm/vec3.hpp>
#include <vector>

namespace fw {

class AnimPathAction;

class PathAction {
public:
    void prepare(const AnimPathAction& action, int count);

    // Whether the action does anything in a transition (`onPath`) or a pose (`inPose`).
    bool movesOnPath() const;
    bool movesInPose() const;
    bool needsDirection() const;
    bool aboutCommonCenter() const { return commonCenter_; }

    // A transition's action at action progress a. `direction` is the element's unit
    // direction of travel (zero when it stands still), `base` its rotation from the
    // path. Adds to `offset`; `turn` is the world rotation to apply after `base`.
    void onPath(int element, double a, const glm::dvec3& direction, const glm::dquat& base,
                glm::dvec3& offset, glm::dquat& turn) const;
    // A pose's action `frames` after the pose began, in a pose `length` frames long.
    // Zero at frames 0, so a pose starts where the transition before it arrived.
    void inPose(int element, double frames, double length, glm::dvec3& offset, glm::dquat& turn) const;

private:
    struct Seeded {
        glm::dvec3 axis{0, 1, 0};
        double phase[6] = {0, 0, 0, 0, 0, 0};
    };
    glm::dvec3 wander(const Seeded& s, double cycles, bool depth) const;
    double blendIn(double a) const;

    int type_ = -1;
    double amount_[7] = {0, 0, 0, 0, 0, 0, 0};
    double blending_ = 0.25, start_ = 0, end_ = 1;
    int face_ = 0;
    bool commonCenter_ = false;
    std::vector<Seeded> seeded_;
};

}  // namespace fw
