// Replays the fuzzers' seed corpora and every input that once crashed them.
#include "FuzzReplay.h"
#include "FuzzTargets.h"
#include "ProjectFuzzTargets.h"
#include "SurfaceFuzzTargets.h"

namespace fw {

TEST(FuzzRegression, EveryCorpusReplays) {
    const std::pair<const char*, int (*)(const uint8_t*, size_t)> targets[] = {
        {"afileio", fuzz::readThroughAFileIO},         {"memcmdio", fuzz::readThroughMemCmdIO},
        {"terminalio", fuzz::readThroughTerminalIO},   {"gradientindex", fuzz::readGradientIndex},
        {"gradientpreset", fuzz::readGradientPreset},  {"scene", fuzz::readThroughScene},
        {"project", fuzz::openProject},                {"tracer", fuzz::traceProject},
    };
    for (const auto& [name, body] : targets) EXPECT_GT(test::replayFuzzInputs(name, body), 0) << name;
}

}  // namespace fw
