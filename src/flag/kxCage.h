#pragma once
// A deforming cage on the spring solver: particles at the cage's corners joined along
// its edges. Locked particles are handles set from outside; the rest follow them softly
// through the springs. It adds no wind and no self-collision.

#include <vector>

#include "flag/kxSpringSystem.h"

namespace fw {

class kxCage : public kxSpringSystem {
public:
    // Corners as x, y, z triples and edges as index pairs; springs rest at the corners'
    // distances with `tolerance` as a fraction of each length.
    void build(const std::vector<double>& corners, const std::vector<int>& edges, double tolerance);
    // Pins corner i and moves it to (x, y, z) from the next step on.
    void setHandle(int i, double x, double y, double z);

    double gravity[3] = {0, 0, 0};

protected:
    void computeForces(kxParticle& q, int index) override;
    void afterConstraints() override;

private:
    std::vector<int> handles_;
    std::vector<double> targets_;
};

}  // namespace fw
