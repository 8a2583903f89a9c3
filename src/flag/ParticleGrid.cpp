#include "flag/ParticleGrid.h"

#include <algorithm>

namespace fw {

void ParticleGrid::reserve(int count, double cell) {
    inv_ = cell > 0.0 ? 1.0 / cell : 1.0;
    uint32_t size = 64;
    while (size < 2u * static_cast<uint32_t>(std::max(count, 1))) size *= 2;
    mask_ = size - 1;
    start_.assign(size + 1, 0);
    visited_.assign(size, 0);
    query_ = 0;
    order_.assign(count, 0);
    cellOfParticle_.assign(count, 0);
}

void ParticleGrid::build(const std::vector<kxParticle>& particles, bool useSaved) {
    std::fill(start_.begin(), start_.end(), 0u);
    const uint32_t count = static_cast<uint32_t>(std::min(particles.size(), order_.size()));
    for (uint32_t i = 0; i < count; ++i) {
        const double* x = useSaved ? particles[i].saved : particles[i].p;
        const uint32_t h = hash(cellOf(x[0]), cellOf(x[1]), cellOf(x[2]));
        cellOfParticle_[i] = h;
        ++start_[h + 1];
    }
    for (size_t h = 1; h < start_.size(); ++h) start_[h] += start_[h - 1];
    // Counting sort; start_ ends up as each cell's first entry again.
    for (uint32_t i = 0; i < count; ++i) order_[start_[cellOfParticle_[i]]++] = i;
    for (size_t h = start_.size() - 1; h > 0; --h) start_[h] = start_[h - 1];
    start_[0] = 0;
}

}  // namespace fw
