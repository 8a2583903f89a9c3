// Replays the fuzzers' seed corpora and every input that once crashed them.
#include <gtest/gtest.h>

#include "FuzzReplay.h"
#include "FuzzTargets.h"
#include "ProjectFuzzTargets.h"
#include "SurfaceFuzzTargets.h"

namespace fw {

TEST(FuzzRegression, AFileIO) { EXPECT_GT(test::replayFuzzInputs("afileio", fuzz::readThroughAFileIO), 0); }
TEST(FuzzRegression, MemCmdIO) { EXPECT_GT(test::replayFuzzInputs("memcmdio", fuzz::readThroughMemCmdIO), 0); }
TEST(FuzzRegression, TerminalIO) { EXPECT_GT(test::replayFuzzInputs("terminalio", fuzz::readThroughTerminalIO), 0); }
TEST(FuzzRegression, GradientIndex) { EXPECT_GT(test::replayFuzzInputs("gradientindex", fuzz::readGradientIndex), 0); }
TEST(FuzzRegression, GradientPreset) { EXPECT_GT(test::replayFuzzInputs("gradientpreset", fuzz::readGradientPreset), 0); }
TEST(FuzzRegression, Scene) { EXPECT_GT(test::replayFuzzInputs("scene", fuzz::readThroughScene), 0); }
TEST(FuzzRegression, Project) { EXPECT_GT(test::replayFuzzInputs("project", fuzz::openProject), 0); }
TEST(FuzzRegression, Tracer) { EXPECT_GT(test::replayFuzzInputs("tracer", fuzz::traceProject), 0); }

}  // namespace fw
