// Replays the artwork fuzzers' seed corpora and every input that once crashed them.
#include <gtest/gtest.h>

#include "ArtworkFuzzTargets.h"
#include "FuzzReplay.h"

namespace fw {

TEST(ArtworkFuzzRegression, EveryCorpusReplays) {
    EXPECT_GT(test::replayFuzzInputs("aiparser", fuzz::parseIllustratorArtwork), 0);
    EXPECT_GT(test::replayFuzzInputs("pdfartwork", fuzz::parsePdfArtwork), 0);
}

}  // namespace fw
