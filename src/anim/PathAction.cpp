#include "anim/PathAction.h"

#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>

#include "anim/AnimPathAction.h"
#include "anim/ElementRotation.h"
#include "platform/MathConstants.h"
#include "platform/SubtractiveRandom.h"

namespace fw {

namespace {

using A = AnimPathAction;
const glm::dquat kNoTurn(1, 0, 0, 0);

double smoothstep(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3 - 2 * x);
}

glm::dvec3 turnAxis(int type, const glm::dvec3& seeded) {
    switch (type) {
    case A::kPitch:
    case A::kPosePitch:
        return {1, 0, 0};
    case A::kSpin:
    case A::kPoseSpin:
        return {0, 1, 0};
    case A::kTwirl:
    case A::kPoseTwirl:
        return {0, 0, 1};
    default:
        return seeded;
    }
}

// The rotation that shows `face` to a camera looking down -Z.
glm::dquat faceToCamera(int face) {
    switch (face) {
    case A::kBack:
        return axisRotation({0, 1, 0}, kPi);
    case A::kTop:
        return axisRotation({1, 0, 0}, kPi / 2);
    case A::kBottom:
        return axisRotation({1, 0, 0}, -kPi / 2);
    case A::kLeft:
        return axisRotation({0, 1, 0}, kPi / 2);
    case A::kRight:
        return axisRotation({0, 1, 0}, -kPi / 2);
    default:
        return kNoTurn;
    }
}

// Turns the element's reading direction (+X) along `d`, keeping its top up where it can.
glm::dquat follow3D(const glm::dvec3& d) {
    glm::dvec3 up(0, 1, 0);
    if (std::abs(glm::dot(up, d)) > 0.999) up = glm::dvec3(0, 0, 1);
    const glm::dvec3 y = glm::normalize(up - d * glm::dot(up, d));
    const glm::dvec3 z = glm::cross(d, y);
    return glm::quat_cast(glm::dmat3(d, y, z));
}

}  // namespace

void PathAction::prepare(const AnimPathAction& action, int count) {
    type_ = action.actionType;
    std::copy(action.amount, action.amount + 7, amount_);
    blending_ = std::clamp(action.blendingRange, 0.0, 0.5);
    start_ = action.startTime * 0.01;
    end_ = action.endTime * 0.01;
    face_ = action.faceValue;
    commonCenter_ = action.useCommonCenter;
    seeded_.assign(std::max(count, 0), Seeded{});
    SubtractiveRandom random(action.randomSeed);
    for (Seeded& s : seeded_) {
        const double z = 2 * random.next() - 1, phi = 2 * kPi * random.next();
        const double r = std::sqrt(std::max(0.0, 1 - z * z));
        s.axis = {r * std::cos(phi), r * std::sin(phi), z};
        for (double& p : s.phase) p = 2 * kPi * random.next();
    }
}

bool PathAction::movesOnPath() const {
    return (type_ >= A::kPitch && type_ <= A::kFaceCamera) || (type_ >= A::kPathWander && type_ <= A::kPathFreeWanderTumble2);
}

bool PathAction::movesInPose() const { return type_ >= A::kPoseTitleRollUp && type_ <= A::kPoseFreeWanderTumble2; }

bool PathAction::needsDirection() const {
    return type_ == A::kFollow2D || type_ == A::kFollow3D || type_ == A::kFollow3DTwirl;
}

double PathAction::blendIn(double a) const {
    if (a <= 0 || a >= 1) return 0;
    if (blending_ < 1e-5) return 1;
    return smoothstep(a / blending_) * smoothstep((1 - a) / blending_);
}

// Two sines per axis at unrelated rates: smooth, never quite repeating, about -1..1.
glm::dvec3 PathAction::wander(const Seeded& s, double cycles, bool depth) const {
    const double w = 2 * kPi * cycles;
    glm::dvec3 v;
    for (int a = 0; a < 3; ++a) v[a] = 0.5 * (std::sin(w + s.phase[a]) + std::sin(1.618 * w + s.phase[a + 3]));
    if (!depth) v.z = 0;
    return v;
}

void PathAction::onPath(int element, double a, const glm::dvec3& direction, const glm::dquat& base,
                        glm::dvec3& offset, glm::dquat& turn) const {
    turn = kNoTurn;
    if (!movesOnPath() || element < 0 || element >= static_cast<int>(seeded_.size())) return;
    const Seeded& s = seeded_[element];
    // Whole turns are made as asked; a fraction of a turn is wound back over the last
    // blending range, so the element lands in its pose's orientation.
    auto turnsAngle = [&](double turns) {
        const double fraction = turns - std::round(turns);
        const double unwind = blending_ < 1e-5 ? (a >= 1 ? 1.0 : 0.0) : smoothstep((a - (1 - blending_)) / blending_);
        return 2 * kPi * (turns * a - fraction * unwind);
    };
    switch (type_) {
    case A::kPitch:
    case A::kSpin:
    case A::kTwirl:
    case A::kFreeTumble:
        turn = axisRotation(turnAxis(type_, s.axis), turnsAngle(amount_[0]));
        break;
    case A::kFollow2D: {
        const glm::dvec2 flat(direction.x, direction.y);
        if (glm::length(flat) > 1e-9)
            turn = glm::slerp(kNoTurn, axisRotation({0, 0, 1}, std::atan2(flat.y, flat.x)), blendIn(a));
        break;
    }
    case A::kFollow3D:
    case A::kFollow3DTwirl:
        if (glm::length(direction) > 1e-9) {
            turn = glm::slerp(kNoTurn, follow3D(direction), blendIn(a));
            if (type_ == A::kFollow3DTwirl) turn = axisRotation(direction, turnsAngle(amount_[0])) * turn;
        }
        break;
    case A::kFaceCamera:
        turn = glm::slerp(base, faceToCamera(face_), blendIn(a)) * glm::inverse(base);
        break;
    default: {  // the path wanders: drift (and tumble) that swells mid-way and dies out
        const double envelope = std::sin(kPi * std::clamp(a, 0.0, 1.0));
        const double cycles = (amount_[1] > 0 ? amount_[1] : 2.0) * a;
        offset += amount_[0] * envelope * wander(s, cycles, type_ != A::kPathWander);
        if (type_ == A::kPathFreeWanderTumble)
            turn = axisRotation(s.axis, amount_[2] * kRadiansPerDegree * envelope * std::sin(2 * kPi * cycles + s.phase[0]));
        else if (type_ == A::kPathFreeWanderTumble2)
            turn = axisRotation(s.axis, turnsAngle(amount_[2]));
        break;
    }
    }
}

void PathAction::inPose(int element, double frames, double length, glm::dvec3& offset, glm::dquat& turn) const {
    turn = kNoTurn;
    if (!movesInPose() || element < 0 || element >= static_cast<int>(seeded_.size())) return;
    const Seeded& s = seeded_[element];
    // The action runs between its start and end times, percent of the pose's length.
    const double lo = start_ * length, hi = std::max(lo, end_ * length);
    const double t = std::clamp(frames, lo, hi) - lo;
    const double perFrame = amount_[0];
    switch (type_) {
    case A::kPoseTitleRollUp:
        offset.y += perFrame * t;
        break;
    case A::kPoseTitleRollDown:
        offset.y -= perFrame * t;
        break;
    case A::kPoseTitleCrawlRight:
        offset.x += perFrame * t;
        break;
    case A::kPoseTitleCrawlLeft:
        offset.x -= perFrame * t;
        break;
    case A::kPosePitch:
    case A::kPoseSpin:
    case A::kPoseTwirl:
    case A::kPoseFreeTumble:
        turn = axisRotation(turnAxis(type_, s.axis), perFrame * kRadiansPerDegree * t);
        break;
    default: {  // wanders, measured from where the pose began
        const double rate = (amount_[1] > 0 ? amount_[1] : 1.0) / 100.0;
        const bool depth = type_ != A::kPoseWander;
        offset += amount_[0] * (wander(s, rate * t, depth) - wander(s, 0, depth));
        if (type_ == A::kPoseFreeWanderTumble)
            turn = axisRotation(s.axis, amount_[2] * kRadiansPerDegree *
                                            (std::sin(2 * kPi * rate * t + s.phase[0]) - std::sin(s.phase[0])));
        else if (type_ == A::kPoseFreeWanderTumble2)
            turn = axisRotation(s.axis, amount_[2] * kRadiansPerDegree * t);
        break;
    }
    }
}

}  // namespace fw
