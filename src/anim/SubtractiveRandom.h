#pragma once
// Knuth's subtractive generator (modulus 1e9, 55-entry table), the sequence the
// animation's launch order, gaps and clumps are drawn from, so that a project
// animates the same way on every run and machine.

namespace fw {

class SubtractiveRandom {
public:
    // Seeding starts from (|seed| + 161803398) mod 1e9.
    explicit SubtractiveRandom(long seed) { reseed(seed); }
    void reseed(long seed);
    // The next value in [0, 1): the integer times 1e-9.
    double next();

private:
    long table_[56];
    int inext_ = 0, inextp_ = 31;
};

}  // namespace fw
