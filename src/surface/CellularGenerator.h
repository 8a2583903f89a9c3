#pragma once
// Cellular (Worley) noise from seeded tables held inline: one feature point per
// unit cell, distances to the nearest two under a chosen metric, shaped into a
// value in 0..1 by type.

#include <cstdint>

namespace fw {

class CellularGenerator {
public:
    enum Type { kSoft = 1, kHard, kRings, kFlat };
    enum Method { kEuclidean = 1, kManhattan, kChebyshev, kMinkowski };
    static constexpr int kTableSize = 4096;

    CellularGenerator() { build(kSoft, kEuclidean, 0.2, 50); }

    // jitter: feature points keep jitter / 2 away from their cell's edges.
    void build(int type, int method, double jitter, unsigned long seed);

    // Distance to the nearest and second-nearest feature points, and a random value
    // in 0..1 belonging to the nearest point's cell. exponent: Minkowski's.
    void distances(double x, double y, double exponent, double& f1, double& f2, double& cell) const;
    // The shaped value: Soft the nearest distance, Hard the gap between the two
    // nearest (dark seams between cells), Rings that distance repeated `rings`
    // times per cell, Flat the cell's own value.
    double value(double x, double y, double exponent, int rings) const;

    int type() const { return type_; }
    int method() const { return method_; }
    double jitter() const { return jitter_; }
    unsigned long seed() const { return seed_; }

private:
    int type_ = kSoft, method_ = kEuclidean;
    double jitter_ = 0;
    unsigned long seed_ = ~0ul;
    uint16_t permutation_[2 * kTableSize];
    float points_[kTableSize][2];
    float cells_[kTableSize];
};

}  // namespace fw
