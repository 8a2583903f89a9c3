#pragma once
// The program's one π and the angle conversions built on it.

namespace fw {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kRadiansPerDegree = kPi / 180;

}  // namespace fw
