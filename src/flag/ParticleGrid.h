#pragma once
// A spatial hash over particle positions, rebuilt each step into arrays sized once, so
// that near pairs are found without testing every pair and without allocating.

#include <cmath>
#include <cstdint>
#include <vector>

#include "flag/kxParticle.h"

namespace fw {

class ParticleGrid {
public:
    // Room for `count` particles; `cell` is the search radius.
    void reserve(int count, double cell);
    // Hashes the particles' current positions (saved ones when `useSaved`).
    void build(const std::vector<kxParticle>& particles, bool useSaved);
    // Calls f(j) for every particle j in the 27 cells around point x.
    template <class F>
    void forNear(const double* x, F&& f) {
        const int64_t cx = cellOf(x[0]), cy = cellOf(x[1]), cz = cellOf(x[2]);
        ++query_;
        for (int64_t i = -1; i <= 1; ++i)
            for (int64_t j = -1; j <= 1; ++j)
                for (int64_t k = -1; k <= 1; ++k) {
                    const uint32_t h = hash(cx + i, cy + j, cz + k);
                    // Two neighbouring cells may share a bucket; visit it once.
                    if (visited_[h] == query_) continue;
                    visited_[h] = query_;
                    for (uint32_t e = start_[h]; e < start_[h + 1]; ++e) f(order_[e]);
                }
    }

private:
    int64_t cellOf(double v) const { return static_cast<int64_t>(std::floor(v * inv_)); }
    uint32_t hash(int64_t x, int64_t y, int64_t z) const {
        const uint64_t h = static_cast<uint64_t>(x) * 73856093u ^ static_cast<uint64_t>(y) * 19349663u ^
                           static_cast<uint64_t>(z) * 83492791u;
        return static_cast<uint32_t>(h & mask_);
    }

    double inv_ = 1.0;
    uint32_t mask_ = 0;
    std::vector<uint32_t> start_, order_, cellOfParticle_;
    std::vector<uint64_t> visited_;  // the last query that visited each bucket
    uint64_t query_ = 0;
};

}  // namespace fw
