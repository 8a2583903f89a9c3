// Replays the font fuzzers' seed corpora and every input that once crashed them.
#include <gtest/gtest.h>

#include "FontFuzzTargets.h"
#include "FuzzReplay.h"

namespace fw {

TEST(FontFuzzRegression, EveryCorpusReplays) {
    EXPECT_GT(test::replayFuzzInputs("truetype", fuzz::parseTrueTypeFont), 0);
    EXPECT_GT(test::replayFuzzInputs("cff", fuzz::parseCffTable), 0);
    EXPECT_GT(test::replayFuzzInputs("type1", fuzz::parseType1Font), 0);
}

}  // namespace fw
