#include "platform/Random.h"

#include "platform/SubtractiveRandom.h"

namespace fw {

namespace {

bool called = false;
long previous = 0;

}  // namespace

float random(int seed) {
    long s = seed;
    if (seed == 0 && called) s = (previous + 500) / 1000;
    previous = SubtractiveRandom(s).nextInteger();
    called = true;
    float value = static_cast<float>(static_cast<double>(previous) * 1e-9);
    // Values just below 1 round up to 1.0f at single precision; keep the range half-open.
    return value < 1.0f ? value : 0x1.fffffep-1f;
}

}  // namespace fw
