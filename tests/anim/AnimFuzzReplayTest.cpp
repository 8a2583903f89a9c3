// Replays the track fuzzer's seed corpus and every input that once crashed it.
#include <gtest/gtest.h>

#include "AnimFuzzTargets.h"
#include "FuzzReplay.h"

namespace fw {
namespace {

TEST(AnimFuzzReplay, TrackBlocks) { EXPECT_GT(test::replayFuzzInputs("animtrack", fuzz::readAnimTrack), 0); }

}  // namespace
}  // namespace fw
