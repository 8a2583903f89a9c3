// The render log: its name beside the output, its exact lines for a short run, the time texts, the alert on failure.
#include "output/RenderLog.h"

#include "TempDir.h"
#include "output/OutputType.h"

namespace fw {

TEST(RenderLog, NamedAfterTheOutputWithItsTimesAsText) {
    EXPECT_EQ(RenderLog::pathFor("out/shot.png", OutputType::kPNG), "out/shot####.log");
    EXPECT_EQ(RenderLog::pathFor("out/title.mov", OutputType::kMOV), "out/title.log");
    EXPECT_EQ(RenderLog::pathFor("out/title.avi", OutputType::kAVI), "out/title####.log");
    EXPECT_EQ(RenderLog::pathFor("v1.2/shot", OutputType::kTGA), "v1.2/shot####.log");
    for (const auto& [seconds, text] : {std::pair{0.0, "0:00.000"}, {1.2344, "0:01.234"}, {59.9996, "1:00.000"},
                                        {3723.004, "1:02:03.004"}, {-3.0, "0:00.000"}, {0.0 / 0.0, "0:00.000"}})
        EXPECT_EQ(RenderLog::durationText(seconds), text) << seconds;
}

TEST(RenderLog, ThreeFramesWrittenBesideTheOutputOrTheAlert) {
    test::TempDir dir;
    std::string output = dir.file("shot.png");
    RenderLog log(output, OutputType::kPNG);
    for (const auto& [frame, seconds] : {std::pair{10, 2.5}, {11, 1.25}, {12, 4.75}}) log.addFrame(frame, seconds);
    ASSERT_EQ(log.write(), "");
    EXPECT_EQ(test::readFile(dir.file("shot####.log")),
              "*** Output File: " + output + "\n\n** Total Render Time: 0:08.500\n\n* Fastest Frame: 11 0:01.250\n\n"
              "* Slowest Frame: 12 0:04.750\n\n* Per Frame Average: 0:02.833\n\n"
              "Frame 10 - 0:02.500\nFrame 11 - 0:01.250\nFrame 12 - 0:04.750\n");
    // Only the log: no temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    RenderLog unwritable(dir.file("missing/shot.tga"), OutputType::kTGA);
    unwritable.addFrame(0, 1);
    EXPECT_EQ(unwritable.write(), "Error writing render log:\r" + dir.file("missing/shot####.log"));
}

}  // namespace fw
