// Frame rates as exact fractions: the rounded broadcast rates users type, and text.
#include "platform/FrameRate.h"

namespace fw {

TEST(FrameRate, BroadcastRatesFractionsAndDecimalsAreExact) {
    // Near a broadcast rate (29.9) is not on it.
    const std::pair<double, FrameRate> rates[] = {
        {29.97, {30000, 1001}}, {23.976, {24000, 1001}}, {59.94, {60000, 1001}}, {119.88, {120000, 1001}},
        {30000.0 / 1001, {30000, 1001}}, {29.9, {299, 10}}, {25, {25, 1}}, {12.5, {25, 2}}, {7.3333, {7333, 1000}}};
    for (const auto& [fps, rate] : rates) EXPECT_EQ(FrameRate::fromFramesPerSecond(fps), rate) << fps;
    EXPECT_NEAR(FrameRate::fromFramesPerSecond(29.97).value(), 29.97003, 1e-5);
    for (double bad : {0.0, -24.0, 0.0001}) EXPECT_FALSE(FrameRate::fromFramesPerSecond(bad).valid()) << bad;
    const std::pair<const char*, FrameRate> texts[] = {
        {"30000/1001", {30000, 1001}}, {"50/2", {25, 1}}, {"29.97", {30000, 1001}}, {"25", {25, 1}}};
    for (const auto& [text, rate] : texts) EXPECT_EQ(FrameRate::parse(text), rate) << text;
    for (const char* bad : {"", "abc", "25fps", "0", "-25", "30/0", "0/1", "/1001", "30000/", "1/2/3", " 25", "1e400",
                            "99999999999/1"})
        EXPECT_FALSE(FrameRate::parse(bad).has_value()) << bad;
}

}  // namespace fw
