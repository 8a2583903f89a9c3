// Replays the artwork fuzzers' seed corpora and every input that once crashed them.
#include <gtest/gtest.h>

#include "ArtworkFuzzTargets.h"
#include "FuzzReplay.h"

namespace fw {

TEST(ArtworkFuzzRegression, EveryCorpusReplays) {
    struct Row {
        const char* target;
        int (*body)(const uint8_t*, size_t);
    };
    for (const Row& row : {Row{"aiparser", fuzz::parseIllustratorArtwork}, Row{"svgreader", fuzz::readSvgArtwork},
                           Row{"pdfartwork", fuzz::parsePdfArtwork}}) {
        SCOPED_TRACE(row.target);
        EXPECT_GT(test::replayFuzzInputs(row.target, row.body), 0);
    }
}

}  // namespace fw
