#pragma once
// A warp track's transitions carry a warp record of their own, carried from the warp of
// the pose before them to the warp of the pose after. The warp records themselves are
// kept as they were read: nothing in the scene model deforms by them yet, so playing a
// warp track changes the records, not the picture.

#include <string>

namespace fw {

class AnimTrack;

// The record between two warp records at progress u: every number that differs between
// lines of the same shape carried linearly from its start to its end value (whole numbers
// stay whole); everything else, and a number equal at both ends, as the start has it.
std::string interpolateWarp(const std::string& from, const std::string& to, double u);

// Rebuilds the warp record of the warp track's transition at `time` from the poses on
// either side, when the transition is not smoothed (start and end smooth both 0); a
// smoothed warp transition keeps its record. False when nothing was rebuilt.
bool updateWarp(AnimTrack& track, double time);

}  // namespace fw
