#include "platform/GrowableArray.h"

#include "platform/MemoryBlock.h"

namespace fw {

// A shape flattened again and again into the same arrays is filled and trimmed each time; the step must not keep
// doubling across the rounds.
TEST(GrowableArray, StepDoublesOnEveryGrowthAndTrimmingStartsItOverFromTheFirst) {
    GrowableArray<int> a(12);
    std::vector<int> capacities;
    for (int i = 0; i < 200; ++i) {
        int before = a.capacity();
        a.append(i);
        if (a.capacity() != before) capacities.push_back(a.capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{12, 24, 48, 96, 192, 384}));
    EXPECT_EQ(a.count(), 200);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(a[i], i);
    for (int round = 0; round < 100; ++round) {
        a.clear();
        for (int i = 0; i < 1000; ++i) a.append(i + round);
        a.shrinkToFit();
        ASSERT_EQ(a.capacity(), 1000) << round;
        ASSERT_EQ(a[999], 999 + round);
        ASSERT_LE(a.step(), 12) << round;
    }
    a.clear();
    a.shrinkToFit();
    EXPECT_EQ(a.capacity(), 0);
    a.append(5);
    EXPECT_EQ(a.capacity(), 12);
}

TEST(MemoryBlock, KeepsContentsAcrossMovesAndRefusesToGrowPastItsLimit) {
    MemoryBlock block(4, 64);
    std::copy_n("abcd", 4, block.lock());
    block.unlock();
    ASSERT_TRUE(block.resize(64));
    const uint8_t* p = block.lock();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p), 4), "abcd");
    EXPECT_EQ(p[63], 0);  // grown bytes are cleared
    block.unlock();
    EXPECT_FALSE(block.resize(65));
    EXPECT_EQ(std::pair(block.size(), block.lockCount()), std::pair(size_t{64}, 0));
}

}  // namespace fw
