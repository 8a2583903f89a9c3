#pragma once
// Animation tracks and the timeline; arrives with animation.
// An empty shell until then, so that the application owns and orders it already.

namespace fw {

class OrvoTrackManager {};

}  // namespace fw
