// Replays the fuzzers' seed corpora and every input that once crashed them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "FuzzTargets.h"
#include "SurfaceFuzzTargets.h"
#include "TempDir.h"

namespace fw {
namespace {

int replay(const std::string& target, int (*body)(const uint8_t*, size_t)) {
    int inputs = 0;
    for (const char* root : {FW_TEST_DATA "/fuzz/", FW_SOURCE_DIR "/fuzz/corpus/"}) {
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

TEST(FuzzRegression, AFileIO) { EXPECT_GT(replay("afileio", fuzz::readThroughAFileIO), 0); }
TEST(FuzzRegression, MemCmdIO) { EXPECT_GT(replay("memcmdio", fuzz::readThroughMemCmdIO), 0); }
TEST(FuzzRegression, TerminalIO) { EXPECT_GT(replay("terminalio", fuzz::readThroughTerminalIO), 0); }
TEST(FuzzRegression, GradientIndex) { EXPECT_GT(replay("gradientindex", fuzz::readGradientIndex), 0); }
TEST(FuzzRegression, GradientPreset) { EXPECT_GT(replay("gradientpreset", fuzz::readGradientPreset), 0); }
TEST(FuzzRegression, Scene) { EXPECT_GT(replay("scene", fuzz::readThroughScene), 0); }
TEST(FuzzRegression, ObjReader) { EXPECT_GT(replay("objreader", fuzz::readThroughObjReader), 0); }

}  // namespace fw
