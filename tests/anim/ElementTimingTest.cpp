// When each element of a transition moves: launch order, windows, and its progress.
#include "anim/ElementTiming.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "anim/AnimTransition.h"
#include "anim/ElementMotion.h"
#include "scene/SceneX.h"

namespace fw {
namespace {

// Centres chosen so that their mean is (0, 1, 0) and no two distances from it are
// equal; elements 0 and 2 stand level at y = 1.
std::vector<AnimElement> placedElements() {
    const double centres[5][3] = {{3, 1, 1}, {2, 3, -1}, {-4, 1, 2}, {1, -2, 3}, {-2, 2, -5}};
    const int picked[5] = {-1, 2, 0, -1, 1};
    std::vector<AnimElement> elements(5);
    for (int i = 0; i < 5; ++i) {
        std::copy(centres[i], centres[i] + 3, elements[i].center);
        elements[i].creationIndex = i;
        elements[i].selectionIndex = picked[i];
    }
    return elements;
}

std::vector<AnimElement> row(int count) {
    std::vector<AnimElement> elements(count);
    for (int i = 0; i < count; ++i) elements[i].creationIndex = i, elements[i].center[0] = i;
    return elements;
}

struct Fixture : testing::Test {
    SceneX scene;
    AnimTransition transition{scene};
    Fixture() {
        transition.startFrame = 10;
        transition.length = 9;
    }
    // The time at which the transition's base progress is p.
    double timeAt(double p) const { return p * (transition.length + 1) - 1 + transition.startFrame; }
    void expectWindows(const std::vector<double>& start, const std::vector<double>& end) {
        ASSERT_EQ(transition.windowStart.size(), start.size());
        ASSERT_EQ(transition.windowEnd.size(), end.size());
        for (size_t i = 0; i < start.size(); ++i) {
            EXPECT_NEAR(transition.windowStart[i], start[i], 1e-12) << "element " << i;
            EXPECT_NEAR(transition.windowEnd[i], end[i], 1e-12) << "element " << i;
        }
    }
};

using LaunchOrder = Fixture;
using ElementWindows = Fixture;
using ElementProgressAt = Fixture;

}  // namespace

TEST_F(LaunchOrder, EachTypeOnHandPlacedElements) {
    std::vector<AnimElement> elements = placedElements();
    struct Case {
        int type;
        std::vector<int> positions;  // per element, in creation order
    };
    const Case cases[] = {
        {AnimSequenceParams::kBirth, {0, 1, 2, 3, 4}},
        {AnimSequenceParams::kRevBirth, {4, 3, 2, 1, 0}},
        // Seed 5 draws 0.7124, 0.3625, 0.2415, 0.3836: swaps 4<>3, 3<>1, 2<>0, 1<>0
        // give the launch 4 2 0 1 3.
        {AnimSequenceParams::kRandom, {2, 3, 1, 4, 0}},
        // Picked 2, 4, 1 in that order; 0 and 3 were not picked and follow.
        {AnimSequenceParams::kSelection, {3, 2, 0, 4, 1}},
        {AnimSequenceParams::kRevSelection, {3, 0, 2, 4, 1}},
        // y = 1 3 1 -2 2: elements 0 and 2 are level and keep creation order both ways.
        {AnimSequenceParams::kTopBottom, {2, 0, 3, 4, 1}},
        {AnimSequenceParams::kBottomTop, {1, 4, 2, 0, 3}},
        // x = 3 2 -4 1 -2
        {AnimSequenceParams::kLeftRight, {4, 3, 0, 2, 1}},
        {AnimSequenceParams::kRightLeft, {0, 1, 4, 2, 3}},
        // z = 1 -1 2 3 -5; the viewer is on +z.
        {AnimSequenceParams::kFrontBack, {2, 3, 1, 0, 4}},
        {AnimSequenceParams::kBackFront, {2, 1, 3, 4, 0}},
        // Squared distances from (0, 1, 0): 10 9 20 19 30.
        {AnimSequenceParams::kInOut, {1, 0, 3, 2, 4}},
        {AnimSequenceParams::kOutIn, {3, 4, 1, 2, 0}},
    };
    for (const Case& c : cases) {
        transition.sequence.launchType = c.type;
        transition.sequence.launchSeed = 5;
        EXPECT_EQ(launchPositions(transition, elements), c.positions)
            << AnimSequenceParams::launchTypeName(c.type);
    }
}

TEST_F(ElementWindows, OverlapRunsTogetherOrOneAfterAnother) {
    std::vector<AnimElement> elements = row(4);
    // Overlap 0: o = 0, every window is 0 / 1 .. 1 / 1.
    prepareTransition(transition, elements);
    expectWindows({0, 0, 0, 0}, {1, 1, 1, 1});
    // Overlap 50: o = 0.5, o m + 1 - o = 2.5; start = 0.5 k / 2.5 = 0.2 k,
    // end = (0.5 k + 1) / 2.5 = 0.2 k + 0.4.
    transition.sequence.overlap = 50;
    prepareTransition(transition, elements);
    expectWindows({0, 0.2, 0.4, 0.6}, {0.4, 0.6, 0.8, 1.0});
    // Overlap 100: o = 1, o m + 1 - o = 4; start = k / 4, end = (k + 1) / 4.
    transition.sequence.overlap = 100;
    prepareTransition(transition, elements);
    expectWindows({0, 0.25, 0.5, 0.75}, {0.25, 0.5, 0.75, 1.0});
}

TEST_F(ElementWindows, AStoredOrderOfTheRightSizeIsTheUsers) {
    std::vector<AnimElement> elements = row(4);
    transition.sequence.overlap = 100;
    // Element 1 has no launch position and runs over the whole transition; the others
    // take positions 2, 0, 1 of m = 3: windows of a third each.
    transition.launchOrder = {2, -1, 0, 1};
    prepareTransition(transition, elements);
    EXPECT_EQ(transition.launchOrder, (std::vector<int>{2, -1, 0, 1}));
    expectWindows({2.0 / 3, 0, 0, 1.0 / 3}, {1, 1, 1.0 / 3, 2.0 / 3});
    // An order of another size is built again from the launch type.
    transition.launchOrder = {0, 1};
    transition.sequence.launchType = AnimSequenceParams::kRightLeft;
    prepareTransition(transition, elements);
    EXPECT_EQ(transition.launchOrder, (std::vector<int>{3, 2, 1, 0}));
}

TEST_F(ElementWindows, GapsJitterTheEndsBySeededAmounts) {
    std::vector<AnimElement> elements = row(4);
    transition.sequence.overlap = 50;
    transition.sequence.startGaps = 100;
    transition.sequence.endGaps = 50;
    prepareTransition(transition, elements);
    // n = 10, o m + 1 - o = 2.5, d = 4, w = (1 - 0.5) * 4 / 10 = 0.2.
    // Start gaps draw from seed 1000: 0.23042585 0.212643803 0.483974978 0.325166507;
    //   start += (0.5 - r) * 0.2 on 0, 0.2, 0.4, 0.6.
    // End gaps draw from seed 2000: 0.92692785 0.102278803 0.566845978 0.191073507;
    //   end += (0.5 - r * 0.5) * 0.2 on 0.4, 0.6, 0.8, 1.0 (the last clamped to 1).
    expectWindows({0.05391483, 0.2574712394, 0.4032050044, 0.6349666986},
                  {0.407307215, 0.6897721197, 0.8433154022, 1.0});
    // Taking an element out of the launch leaves the others' gaps where they were.
    transition.launchOrder = {0, -1, 2, 3};
    prepareTransition(transition, elements);
    expectWindows({0.05391483, 0, 0.4032050044, 0.6349666986}, {0.407307215, 1, 0.8433154022, 1.0});
}

TEST_F(ElementWindows, ClumpsShareOneWindowInLaunchOrder) {
    std::vector<AnimElement> elements = row(6);
    transition.sequence.launchType = AnimSequenceParams::kRevBirth;
    transition.sequence.overlap = 100;
    transition.sequence.clumps = 4;
    prepareTransition(transition, elements);
    // Seed 100000 draws 0.18412385 then 0.286508803: sizes (0.092 + 0.75) * 4 = 3.37
    // and (0.143 + 0.75) * 4 = 3.57, both 3. Launched 5 4 3 | 2 1 0, windows of a sixth:
    // the first clump spans 0 .. 0.5, the second 0.5 .. 1.
    expectWindows({0.5, 0.5, 0.5, 0, 0, 0}, {1, 1, 1, 0.5, 0.5, 0.5});
}

// Whatever the settings, every window lies in [0, 1] and never ends before it starts;
// gaps up to 100 percent leave every window open.
TEST_F(ElementWindows, StayOrderedAndInsideTheTransition) {
    std::vector<AnimElement> elements = placedElements();
    for (double overlap : {0.0, 30.0, 75.0, 100.0}) {
        for (double gaps : {0.0, 40.0, 100.0, 250.0}) {
            for (double clumps : {0.0, 2.0, 3.5}) {
                for (long seed : {0L, 9L, -31L}) {
                    AnimSequenceParams& s = transition.sequence;
                    s.launchType = AnimSequenceParams::kRandom;
                    s.launchSeed = seed;
                    s.overlap = overlap, s.startGaps = gaps, s.endGaps = gaps / 2, s.clumps = clumps;
                    transition.launchOrder.clear();
                    prepareTransition(transition, elements);
                    for (size_t i = 0; i < elements.size(); ++i) {
                        double ws = transition.windowStart[i], we = transition.windowEnd[i];
                        ASSERT_GE(ws, 0.0);
                        ASSERT_LE(we, 1.0);
                        ASSERT_LE(ws, we);
                        if (gaps <= 100) {
                            ASSERT_LT(ws, we);
                        }
                    }
                }
            }
        }
    }
}

TEST_F(ElementProgressAt, BaseProgressNeverReachesThePoses) {
    std::vector<AnimElement> elements = row(1);
    prepareTransition(transition, elements);
    EXPECT_DOUBLE_EQ(elementProgress(transition, 0, 10).p, 0.1);
    EXPECT_DOUBLE_EQ(elementProgress(transition, 0, 10).u, 0.1);
    EXPECT_DOUBLE_EQ(elementProgress(transition, 0, 18).p, 0.9);
    EXPECT_DOUBLE_EQ(elementProgress(transition, 0, 18).u, 0.9);
    // Before and after the transition the element rests at its poses.
    ElementProgress before = elementProgress(transition, 0, 9), after = elementProgress(transition, 0, 19);
    EXPECT_EQ(before.u + before.a + before.v, 0.0);
    EXPECT_EQ(after.u + after.a + after.v, 3.0);
}

TEST_F(ElementProgressAt, ANarrowWindowJumpsAtItsEnd) {
    std::vector<AnimElement> elements = row(1);
    prepareTransition(transition, elements);
    transition.windowStart = {0.5};
    transition.windowEnd = {0.5 + 1e-6};
    EXPECT_EQ(elementProgress(transition, 0, timeAt(0.5)).u, 0.0);
    EXPECT_EQ(elementProgress(transition, 0, timeAt(0.5 + 0.9e-6)).u, 0.0);
    EXPECT_EQ(elementProgress(transition, 0, timeAt(0.5 + 1.1e-6)).u, 1.0);
    // A window just wide enough moves through it.
    transition.windowEnd = {0.5 + 2e-5};
    EXPECT_NEAR(elementProgress(transition, 0, timeAt(0.5 + 1e-5)).u, 0.5, 1e-6);
}

TEST_F(ElementProgressAt, EasedProgressRisesAndInverts) {
    std::vector<AnimElement> elements = row(4);
    transition.sequence.overlap = 50;
    transition.sequence.easeAmount = 80;
    // Both ends eased, and the end alone: either turns the ease on.
    for (double startEase : {60.0, 0.0}) {
        transition.sequence.startEase = startEase;
        transition.sequence.endEase = startEase > 0 ? 40 : 70;
        prepareTransition(transition, elements);
        for (int e = 0; e < 4; ++e) {
            double previous = 0;
            bool eased = false;
            for (int i = 0; i <= 1000; ++i) {
                double p = i / 1000.0;
                ElementProgress at = elementProgress(transition, e, timeAt(p));
                ASSERT_GE(at.u, previous) << "element " << e << " p " << p;
                previous = at.u;
                double ws = transition.windowStart[e], we = transition.windowEnd[e];
                if (p > ws && p < we) {
                    eased |= std::abs(at.u - (p - ws) / (we - ws)) > 0.05;
                    ASSERT_NEAR(baseProgressOf(transition, e, at.u), p, 1e-9);
                }
            }
            EXPECT_TRUE(eased) << "element " << e << " start ease " << startEase;
        }
    }
}

TEST_F(ElementProgressAt, ActionAndFadeRampOverTheirRanges) {
    std::vector<AnimElement> elements = row(1);
    transition.action.startTime = 20;
    transition.action.endTime = 60;
    transition.vis.startTime = 50;
    transition.vis.endTime = 100;
    prepareTransition(transition, elements);
    auto at = [&](double p) { return elementProgress(transition, 0, timeAt(p)); };
    EXPECT_EQ(at(0.2).a, 0.0);
    EXPECT_NEAR(at(0.4).a, 0.5, 1e-12);
    EXPECT_EQ(at(0.6).a, 1.0);
    EXPECT_EQ(at(0.4).v, 0.0);
    EXPECT_NEAR(at(0.75).v, 0.5, 1e-12);
    EXPECT_NEAR(at(0.9).v, 0.8, 1e-12);

    EXPECT_EQ(ramp(0.3, 0.3, 0.3), 0.0);
    EXPECT_EQ(ramp(0.31, 0.3, 0.3), 1.0);
    EXPECT_EQ(ramp(0.3000001, 0.3, 0.300001), 0.0);
}

}  // namespace fw
