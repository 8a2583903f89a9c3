#pragma once
// One mass point of a spring system, kept as plain doubles so a step walks memory in order.

#include <cstdint>

namespace fw {

struct kxParticle {
    double p[3] = {0, 0, 0};      // current position
    double prev[3] = {0, 0, 0};   // position at the previous step (Verlet's velocity)
    double saved[3] = {0, 0, 0};  // position at the start of the current step
    bool locked = false;
    double mass = 1.0;
    double invMass = 1.0;         // 0 pins the particle
    double extVel[3] = {0, 0, 0};  // added once per step, times the step length
    double acc[3] = {0, 0, 0};
    double corr[3] = {0, 0, 0};   // collision corrections summed over one step
    int32_t corrCount = 0;
    double n[3] = {0, 0, 1};
    bool hit = false;       // moved by a collision this step
    bool obstacle = false;  // was what another particle collided with this step

    void setMass(double m) {
        mass = m;
        invMass = m != 0.0 ? 1.0 / m : 0.0;
    }
    // Held in place: locked, or without mass.
    bool fixed() const { return locked || invMass == 0.0; }
};

}  // namespace fw
