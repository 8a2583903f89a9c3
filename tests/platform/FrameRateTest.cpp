// Frame rates as exact fractions: the rounded broadcast rates users type, and text.
#include "platform/FrameRate.h"

#include <gtest/gtest.h>

namespace fw {

TEST(FrameRate, BroadcastRatesFractionsAndDecimalsAreExact) {
    EXPECT_EQ(FrameRate::fromFramesPerSecond(29.97), (FrameRate{30000, 1001}));
    EXPECT_EQ(FrameRate::fromFramesPerSecond(23.976), (FrameRate{24000, 1001}));
    EXPECT_EQ(FrameRate::fromFramesPerSecond(59.94), (FrameRate{60000, 1001}));
    EXPECT_EQ(FrameRate::fromFramesPerSecond(119.88), (FrameRate{120000, 1001}));
    EXPECT_EQ(FrameRate::fromFramesPerSecond(30000.0 / 1001), (FrameRate{30000, 1001}));
    // Near a broadcast rate is not on it.
    EXPECT_EQ(FrameRate::fromFramesPerSecond(29.9), (FrameRate{299, 10}));
    EXPECT_EQ(FrameRate::fromFramesPerSecond(25), (FrameRate{25, 1}));
    EXPECT_EQ(FrameRate::fromFramesPerSecond(12.5), (FrameRate{25, 2}));
    EXPECT_EQ(FrameRate::fromFramesPerSecond(7.3333), (FrameRate{7333, 1000}));
    EXPECT_NEAR(FrameRate::fromFramesPerSecond(29.97).value(), 29.97003, 1e-5);
    EXPECT_FALSE(FrameRate::fromFramesPerSecond(0).valid());
    EXPECT_FALSE(FrameRate::fromFramesPerSecond(-24).valid());
    EXPECT_FALSE(FrameRate::fromFramesPerSecond(0.0001).valid());
    EXPECT_EQ(FrameRate::parse("30000/1001"), (FrameRate{30000, 1001}));
    EXPECT_EQ(FrameRate::parse("50/2"), (FrameRate{25, 1}));
    EXPECT_EQ(FrameRate::parse("29.97"), (FrameRate{30000, 1001}));
    EXPECT_EQ(FrameRate::parse("25"), (FrameRate{25, 1}));
    for (const char* bad : {"", "abc", "25fps", "0", "-25", "30/0", "0/1", "/1001", "30000/", "1/2/3", " 25", "1e400",
                            "99999999999/1"})
        EXPECT_FALSE(FrameRate::parse(bad).has_value()) << bad;
}

}  // namespace fw
