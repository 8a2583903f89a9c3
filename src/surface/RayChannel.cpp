#include "surface/RayChannel.h"

#include <algorithm>

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"

namespace fw {

int RayChannel::readNumRays(CommandIO& io, CommandEnabler& r) {
    int count;
    if (io.readInt(count) != 0) return -1;
    receiverAs<RayChannel>(r).setNumRays(atMost(io, "numRays", count, RaySpread::kMaxRays));
    return 0;
}

int RayChannel::readSpread(CommandIO& io, CommandEnabler& r) {
    double spread;
    if (io.readDouble(spread) != 0) return -1;
    receiverAs<RayChannel>(r).setSpread(spread);
    return 0;
}

void RayChannel::clampRays(int cap) { rays_.setCount(std::min(rays_.count(), cap)); }

}  // namespace fw
