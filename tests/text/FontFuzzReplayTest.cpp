// Replays the font fuzzers' seed corpora and every input that once crashed them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TempDir.h"
// The fuzz bodies are compiled into this test so that they run in the normal build.
#include "FontFuzzTargets.cpp"

namespace fw {
namespace {

int replay(const std::string& target, int (*body)(const uint8_t*, size_t)) {
    int inputs = 0;
    for (const char* root : {FW_TEST_DATA "/fuzz/", FW_TEST_DATA "/../../fuzz/corpus/"}) {
        std::filesystem::path folder = std::string(root) + target;
        if (!std::filesystem::is_directory(folder)) continue;
        for (auto& entry : std::filesystem::directory_iterator(folder)) {
            std::string bytes = test::readFile(entry.path().string());
            SCOPED_TRACE(entry.path().string());
            body(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++inputs;
        }
    }
    return inputs;
}

}  // namespace

TEST(FontFuzzRegression, TrueType) { EXPECT_GT(replay("truetype", fuzz::parseTrueTypeFont), 0); }
TEST(FontFuzzRegression, Cff) { EXPECT_GT(replay("cff", fuzz::parseCffTable), 0); }

}  // namespace fw
