#include "platform/SubtractiveRandom.h"

#include <cstdlib>

namespace fw {

namespace {
constexpr long kModulus = 1000000000;
constexpr long kSeedConstant = 161803398;
}  // namespace

// The table lives in entries 1..55; entry 0 is unused so the indices read as in the
// published description. Seeding adds the seed to the constant where the published
// form subtracts it, so 7 and -7 give the same sequence.
void SubtractiveRandom::reseed(long seed) {
    // Reduced before taking the magnitude, which the most negative long does not have.
    long mj = (std::labs(seed % kModulus) + kSeedConstant) % kModulus;
    table_[0] = 0;
    table_[55] = mj;
    long mk = 1;
    for (int i = 1; i <= 54; ++i) {
        int ii = (21 * i) % 55;
        table_[ii] = mk;
        mk = mj - mk;
        if (mk < 0) mk += kModulus;
        mj = table_[ii];
    }
    for (int pass = 0; pass < 4; ++pass) {
        for (int i = 1; i <= 55; ++i) {
            table_[i] -= table_[1 + (i + 30) % 55];
            if (table_[i] < 0) table_[i] += kModulus;
        }
    }
    inext_ = 0;
    inextp_ = 31;
}

long SubtractiveRandom::nextInteger() {
    if (++inext_ == 56) inext_ = 1;
    if (++inextp_ == 56) inextp_ = 1;
    long mj = table_[inext_] - table_[inextp_];
    if (mj < 0) mj += kModulus;
    table_[inext_] = mj;
    return mj;
}

}  // namespace fw
