#pragma once
// Runs a fuzz body over its kept crash inputs and its seed corpus.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "TempDir.h"

namespace fw::test {

// Returns how many inputs ran, so a test can insist the corpus was found.
inline int replayFuzzInputs(const std::string& target, int (*body)(const uint8_t*, size_t)) {
    int inputs = 0;
    for (const char* root : {FW_TEST_DATA "/fuzz/", FW_SOURCE_DIR "/fuzz/corpus/"}) {
        std::filesystem::path folder = std::string(root) + target;
        if (!std::filesystem::is_directory(folder)) continue;
        for (auto& entry : std::filesystem::directory_iterator(folder)) {
            std::string bytes = readFile(entry.path().string());
            SCOPED_TRACE(entry.path().string());
            body(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++inputs;
        }
    }
    return inputs;
}

}  // namespace fw::test
