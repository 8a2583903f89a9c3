#include "flag/kxCage.h"

#include <cmath>

namespace fw {

void kxCage::build(const std::vector<double>& corners, const std::vector<int>& edges, double tolerance) {
    particles.clear();
    springs.clear();
    handles_.clear();
    targets_.clear();
    for (size_t i = 0; i + 2 < corners.size(); i += 3) addParticle(corners[i], corners[i + 1], corners[i + 2], 1.0);
    for (size_t e = 0; e + 1 < edges.size(); e += 2) {
        const int a = edges[e], b = edges[e + 1];
        const double* pa = particles[a].p;
        const double* pb = particles[b].p;
        const double len = std::sqrt((pb[0] - pa[0]) * (pb[0] - pa[0]) + (pb[1] - pa[1]) * (pb[1] - pa[1]) +
                                     (pb[2] - pa[2]) * (pb[2] - pa[2]));
        addSpring(a, b, len, tolerance * len);
    }
    markStart(frame);
}

void kxCage::setHandle(int i, double x, double y, double z) {
    particles[i].locked = true;
    for (size_t k = 0; k < handles_.size(); ++k)
        if (handles_[k] == i) {
            targets_[3 * k] = x, targets_[3 * k + 1] = y, targets_[3 * k + 2] = z;
            return;
        }
    handles_.push_back(i);
    targets_.insert(targets_.end(), {x, y, z});
}

void kxCage::computeForces(kxParticle& q, int) {
    for (int c = 0; c < 3; ++c) q.acc[c] = q.invMass != 0.0 ? gravity[c] : 0.0;
}

void kxCage::afterConstraints() {
    for (size_t k = 0; k < handles_.size(); ++k) {
        kxParticle& q = particles[handles_[k]];
        for (int c = 0; c < 3; ++c) q.p[c] = targets_[3 * k + c];
    }
}

}  // namespace fw
