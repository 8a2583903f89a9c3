// Replays the artwork fuzzer's seed corpus and every input that once crashed it.
#include <gtest/gtest.h>

#include "ArtworkFuzzTargets.h"
#include "FuzzReplay.h"

namespace fw {

TEST(ArtworkFuzzRegression, EveryCorpusReplays) {
    EXPECT_GT(test::replayFuzzInputs("aiparser", fuzz::parseIllustratorArtwork), 0);
}

}  // namespace fw
