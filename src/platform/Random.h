#pragma once
// The shared seeded random generator: the same seed always gives the same number,
// so profiles, fragments and depth of field are repeatable from a stored seed.

namespace fw {

// A float in [0, 1) from Knuth's subtractive generator, its table seeded afresh from
// `seed` on every call. Seed 0 after an earlier call continues the chain: it seeds
// from the previous output (as an integer) divided by 1000, rounded.
float random(int seed);

}  // namespace fw
