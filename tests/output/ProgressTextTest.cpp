// The titles a render run shows. (Its progress line and alerts as users read them: FrameRanges in MovieOutputTest.)
#include "output/ProgressText.h"

namespace fw {

TEST(ProgressText, TitlesAndTimeLeft) {
    EXPECT_EQ(ProgressText::frameTitle("title.kxp", 3, 10, "0:12.500 left"),
              "title.kxp - Frame 3 of 10 - 0:12.500 left (press ESCAPE to abort)");
    EXPECT_EQ(ProgressText::singleRenderTitle("title.kxp", 48, "0:01.000"),
              "title.kxp - Render 48 - 0:01.000 (press ESCAPE to abort)");
    EXPECT_EQ(ProgressText::batchTitle("title.kxp", 2, 5, 3, 10, "estimating"),
              "title.kxp - Text Batch 2 of 5 - Frame 3 of 10 - estimating (press ESCAPE to abort)");
    EXPECT_EQ(ProgressText::batchTitle("title.kxp", 2, std::nullopt, 3, 10, "estimating"),
              "title.kxp - Text Batch 2 - Frame 3 of 10 - estimating (press ESCAPE to abort)");
    EXPECT_EQ(ProgressText::projectName("/work/titles/open.kxp"), "open.kxp");
    EXPECT_EQ(ProgressText::projectName("open.kxp"), "open.kxp");
    EXPECT_EQ(ProgressText::projectName(""), "Untitled");
    EXPECT_EQ(ProgressText::timeLeft(0, 0, 10), "estimating");
    EXPECT_EQ(ProgressText::timeLeft(5, 2, 10), "0:20.000 left");  // 2.5 s a frame, 8 to go
    EXPECT_EQ(ProgressText::timeLeft(5, 10, 10), "0:00.000 left");
}

}  // namespace fw
