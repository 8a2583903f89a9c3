#pragma once
// What the animation library adds at start-up: tracks in the scene's member factory.

namespace fw {

void registerAnimClasses();

}  // namespace fw
