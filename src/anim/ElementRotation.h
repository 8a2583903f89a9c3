#pragma once
// Turning an element's stored Euler angles (degrees, applied x, then y, then z) into
// quaternions and back, and the few rotations the motion code builds by hand.

#include <glm/gtc/quaternion.hpp>
#include <glm/vec3.hpp>

namespace fw {

glm::dquat eulerToQuat(const double degrees[3]);
glm::dquat eulerToQuat(const glm::dvec3& degrees);
// Angles in (-180, 180] for x and z and [-90, 90] for y; x is 0 at gimbal lock.
glm::dvec3 quatToEuler(const glm::dquat& q);
// Rotation of `angle` radians about `axis` (need not be unit length; zero gives identity).
glm::dquat axisRotation(const glm::dvec3& axis, double angle);
// The shortest rotation taking unit vector `from` to unit vector `to`; a half turn
// about `fallbackAxis` when they point opposite ways.
glm::dquat arcRotation(const glm::dvec3& from, const glm::dvec3& to, const glm::dvec3& fallbackAxis);

}  // namespace fw
