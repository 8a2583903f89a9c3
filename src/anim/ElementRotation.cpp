#include "anim/ElementRotation.h"

#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>
#include <glm/mat3x3.hpp>

#include "platform/MathConstants.h"

namespace fw {

glm::dquat eulerToQuat(const glm::dvec3& degrees) {
    const glm::dvec3 r = degrees * kRadiansPerDegree;
    const glm::dquat qx = glm::angleAxis(r.x, glm::dvec3(1, 0, 0));
    const glm::dquat qy = glm::angleAxis(r.y, glm::dvec3(0, 1, 0));
    const glm::dquat qz = glm::angleAxis(r.z, glm::dvec3(0, 0, 1));
    return qz * qy * qx;
}

glm::dquat eulerToQuat(const double degrees[3]) { return eulerToQuat(glm::dvec3(degrees[0], degrees[1], degrees[2])); }

glm::dvec3 quatToEuler(const glm::dquat& q) {
    const glm::dmat3 m = glm::mat3_cast(glm::normalize(q));
    // m[col][row]; the matrix is Rz * Ry * Rx.
    const double sy = std::clamp(-m[0][2], -1.0, 1.0);
    const double y = std::asin(sy);
    double x, z;
    if (std::abs(sy) < 1.0 - 1e-12) {
        x = std::atan2(m[1][2], m[2][2]);
        z = std::atan2(m[0][1], m[0][0]);
    } else {
        x = 0;
        z = std::atan2(-m[1][0], m[1][1]);
    }
    return glm::dvec3(x, y, z) / kRadiansPerDegree;
}

glm::dquat axisRotation(const glm::dvec3& axis, double angle) {
    const double len = glm::length(axis);
    if (len < 1e-12 || angle == 0) return glm::dquat(1, 0, 0, 0);
    return glm::angleAxis(angle, axis / len);
}

glm::dquat arcRotation(const glm::dvec3& from, const glm::dvec3& to, const glm::dvec3& fallbackAxis) {
    const double c = glm::dot(from, to);
    if (c < -1.0 + 1e-9) return axisRotation(fallbackAxis, kPi);
    const glm::dvec3 axis = glm::cross(from, to);
    // Half-angle form: stays accurate for small angles.
    return glm::normalize(glm::dquat(1.0 + c, axis.x, axis.y, axis.z));
}

}  // namespace fw
