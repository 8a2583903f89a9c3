#pragma once
// Knuth's subtractive generator (modulus 1e9, 55-entry table), the program's one
// seeded sequence: the animation's launch order, gaps and clumps, the profiles' and
// fragments' `random`, and the depth-of-field jitter are drawn from it, so that a
// project looks and moves the same on every run and machine.

namespace fw {

class SubtractiveRandom {
public:
    // Seeding starts from (|seed| + 161803398) mod 1e9.
    explicit SubtractiveRandom(long seed) { reseed(seed); }
    void reseed(long seed);
    // The next value in [0, 1): the integer times 1e-9.
    double next() { return nextInteger() * 1e-9; }
    // The next value as the integer in [0, 1e9) it is drawn as.
    long nextInteger();

private:
    long table_[56];
    int inext_ = 0, inextp_ = 31;
};

}  // namespace fw
