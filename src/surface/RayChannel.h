#pragma once
// A material channel that sends blurred rays (reflectivity, transparency): the count,
// spread and directions of its rays, and the readers of their two keywords.

#include <array>
#include <vector>

#include "surface/MaterialChannel.h"
#include "surface/RayDirections.h"

namespace fw {

class RayChannel : public MaterialChannel {
public:
    using MaterialChannel::MaterialChannel;

    void clampRays(int cap) override;

    // Both rebuild the ray directions.
    void setNumRays(int count) { rays_.setCount(count); }
    void setSpread(double spread) { rays_.setSpread(spread); }
    int numRays() const { return rays_.count(); }
    double spread() const { return rays_.spread(); }
    const std::vector<std::array<double, 3>>& rayDirections() const { return rays_.directions(); }

    // The readers of "numRays" and "spread", through the setters, for the channels' tables.
    static int readNumRays(CommandIO& io, CommandEnabler& r);
    static int readSpread(CommandIO& io, CommandEnabler& r);

protected:
    RaySpread rays_;
};

}  // namespace fw
