#include "platform/Random.h"

#include <cstdlib>

namespace fw {

namespace {

constexpr long kModulus = 1000000000;
constexpr long kSeedConstant = 161803398;

bool called = false;
long previous = 0;

long generate(long seed) {
    long table[56];
    long mj = (kSeedConstant + std::labs(seed)) % kModulus;
    table[55] = mj;
    long mk = 1;
    for (int i = 1; i <= 54; ++i) {
        int ii = (21 * i) % 55;
        table[ii] = mk;
        mk = mj - mk;
        if (mk < 0) mk += kModulus;
        mj = table[ii];
    }
    for (int round = 0; round < 4; ++round) {
        for (int i = 1; i <= 55; ++i) {
            table[i] -= table[1 + (i + 30) % 55];
            if (table[i] < 0) table[i] += kModulus;
        }
    }
    long out = table[1] - table[32];
    if (out < 0) out += kModulus;
    return out;
}

}  // namespace

float random(int seed) {
    long s = seed;
    if (seed == 0 && called) s = (previous + 500) / 1000;
    previous = generate(s);
    called = true;
    float value = static_cast<float>(static_cast<double>(previous) * 1e-9);
    // Values just below 1 round up to 1.0f at single precision; keep the range half-open.
    return value < 1.0f ? value : 0x1.fffffep-1f;
}

}  // namespace fw
