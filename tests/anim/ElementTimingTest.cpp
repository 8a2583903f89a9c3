// When each element of a transition moves (launch order, windows, progress), the ease of that progress, and the seeded
// generator behind launch orders and gaps against the published subtractive method: y[k] = y[k-55] - y[k-24] mod 1e9.
#include "anim/ElementTiming.h"

#include <gmock/gmock.h>

#include <climits>
#include <cstdlib>

#include "anim/AnimTransition.h"
#include "anim/EaseCurve.h"
#include "anim/ElementMotion.h"
#include "platform/SubtractiveRandom.h"
#include "scene/SceneX.h"

namespace fw {
namespace {

// Centres with mean (0, 1, 0) and no two distances from it equal; elements 0 and 2 stand level at y = 1.
std::vector<AnimElement> placedElements() {
    const double centres[5][3] = {{3, 1, 1}, {2, 3, -1}, {-4, 1, 2}, {1, -2, 3}, {-2, 2, -5}};
    const int picked[5] = {-1, 2, 0, -1, 1};
    std::vector<AnimElement> elements(5);
    for (int i = 0; i < 5; ++i) {
        std::copy(centres[i], centres[i] + 3, elements[i].center);
        elements[i].creationIndex = i, elements[i].selectionIndex = picked[i];
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
    Fixture() { transition.startFrame = 10, transition.length = 9; }
    // The time at which the transition's base progress is p.
    double timeAt(double p) const { return p * (transition.length + 1) - 1 + transition.startFrame; }
};

using LaunchOrder = Fixture;
using ElementWindows = Fixture;
using ElementProgressAt = Fixture;

constexpr long kMod = 1000000000;

// The 55 starting values, filled every 21st slot, then the sequence run on as one list.
// The published table's four passes are the first 220 values of the same recurrence.
std::vector<long> referenceSequence(long seed, int count) {
    std::vector<long> slot(55);  // slot[j] is the table's entry j + 1
    long value = (std::labs(seed % kMod) + 161803398) % kMod, previous = 1;
    slot[54] = value;
    for (int i = 1; i <= 54; ++i) {
        int s = (21 * i) % 55;
        slot[s - 1] = previous;
        previous = ((value - previous) % kMod + kMod) % kMod;
        value = slot[s - 1];
    }
    std::vector<long> y(slot);
    while (y.size() < size_t(55 + 220 + count))
        y.push_back(((y[y.size() - 55] - y[y.size() - 24]) % kMod + kMod) % kMod);
    return std::vector<long>(y.begin() + 55 + 220, y.end());
}

// Start ease, end ease and amount: identity both ways, each end alone, both ends, full amount, settings out of range.
const std::tuple<double, double, double> kSettings[] = {{0, 0, 50},   {20, 50, 0},     {100, 0, 50}, {0, 100, 50},
                                                        {40, 10, 75}, {100, 100, 100}, {-10, 150, 200}};

EaseCurve curve(double start, double end, double amount) {
    EaseCurve c;
    return c.build(start, end, amount), c;
}

// Each element's window against the one worked out by hand.
void expectWindows(const AnimTransition& t, const std::vector<double>& start, const std::vector<double>& end) {
    EXPECT_THAT(t.windowStart, testing::Pointwise(testing::DoubleNear(1e-12), start));
    EXPECT_THAT(t.windowEnd, testing::Pointwise(testing::DoubleNear(1e-12), end));
}

}  // namespace

TEST_F(LaunchOrder, EachTypeOnHandPlacedElements) {
    // Each type and the launch position of each element, in creation order.
    const std::pair<int, std::vector<int>> cases[] = {
        {AnimSequenceParams::kBirth, {0, 1, 2, 3, 4}}, {AnimSequenceParams::kRevBirth, {4, 3, 2, 1, 0}},
        // Seed 5 draws 0.7124, 0.3625, 0.2415, 0.3836: swaps 4<>3, 3<>1, 2<>0, 1<>0 give the launch 4 2 0 1 3.
        {AnimSequenceParams::kRandom, {2, 3, 1, 4, 0}},
        // Picked 2, 4, 1 in that order; 0 and 3 were not picked and follow.
        {AnimSequenceParams::kSelection, {3, 2, 0, 4, 1}}, {AnimSequenceParams::kRevSelection, {3, 0, 2, 4, 1}},
        // y = 1 3 1 -2 2: elements 0 and 2 are level and keep creation order both ways.
        {AnimSequenceParams::kTopBottom, {2, 0, 3, 4, 1}}, {AnimSequenceParams::kBottomTop, {1, 4, 2, 0, 3}},
        // x = 3 2 -4 1 -2
        {AnimSequenceParams::kLeftRight, {4, 3, 0, 2, 1}}, {AnimSequenceParams::kRightLeft, {0, 1, 4, 2, 3}},
        // z = 1 -1 2 3 -5; the viewer is on +z.
        {AnimSequenceParams::kFrontBack, {2, 3, 1, 0, 4}}, {AnimSequenceParams::kBackFront, {2, 1, 3, 4, 0}},
        // Squared distances from (0, 1, 0): 10 9 20 19 30.
        {AnimSequenceParams::kInOut, {1, 0, 3, 2, 4}}, {AnimSequenceParams::kOutIn, {3, 4, 1, 2, 0}},
    };
    transition.sequence.launchSeed = 5;
    for (const auto& [type, positions] : cases) {
        transition.sequence.launchType = type;
        EXPECT_EQ(launchPositions(transition, placedElements()), positions) << AnimSequenceParams::launchTypeName(type);
    }
}

// Windows worked out by hand from the overlap o over m launched elements: each runs
// from o k / (o m + 1 - o) to (o k + 1) / (o m + 1 - o) for launch position k.
TEST_F(ElementWindows, FollowOverlapStoredOrderGapsAndClumps) {
    using Seq = AnimSequenceParams;
    const struct {
        const char* name;
        int count, launchType;
        double overlap, startGaps, endGaps, clumps;
        std::vector<int> order, expectedOrder;
        std::vector<double> start, end;
    } rows[] = {
        {"overlap 0: together", 4, Seq::kBirth, 0, 0, 0, 0, {}, {0, 1, 2, 3}, {0, 0, 0, 0}, {1, 1, 1, 1}},
        {"overlap 50", 4, Seq::kBirth, 50, 0, 0, 0, {}, {0, 1, 2, 3}, {0, 0.2, 0.4, 0.6}, {0.4, 0.6, 0.8, 1.0}},
        // Element 1 is not launched and runs throughout; the others take thirds.
        {"a stored order of the right size", 4, Seq::kBirth, 100, 0, 0, 0, {2, -1, 0, 1}, {2, -1, 0, 1},
         {2.0 / 3, 0, 0, 1.0 / 3}, {1, 1, 1.0 / 3, 2.0 / 3}},
        {"a stored order of another size", 4, Seq::kRightLeft, 100, 0, 0, 0, {0, 1}, {3, 2, 1, 0},
         {0.75, 0.5, 0.25, 0}, {1, 0.75, 0.5, 0.25}},
        // n = 10, d = 4, w = (1 - 0.5) * 4 / 10 = 0.2. Start gaps draw from seed 1000: 0.23042585 0.212643803
        // 0.483974978 0.325166507, start += (0.5 - r) * 0.2; end gaps from seed 2000: 0.92692785 0.102278803
        // 0.566845978 0.191073507, end += (0.5 - r * 0.5) * 0.2, the last clamped to 1.
        {"gaps", 4, Seq::kBirth, 50, 100, 50, 0, {}, {0, 1, 2, 3},
         {0.05391483, 0.2574712394, 0.4032050044, 0.6349666986}, {0.407307215, 0.6897721197, 0.8433154022, 1.0}},
        {"gaps, one element left out", 4, Seq::kBirth, 50, 100, 50, 0, {0, -1, 2, 3}, {0, -1, 2, 3},
         {0.05391483, 0, 0.4032050044, 0.6349666986}, {0.407307215, 1, 0.8433154022, 1.0}},
        // Seed 100000 draws 0.18412385 then 0.286508803: sizes (0.092 + 0.75) * 4 = 3.37 and
        // (0.143 + 0.75) * 4 = 3.57, both 3. Launched 5 4 3 | 2 1 0: the clumps share halves.
        {"clumps", 6, Seq::kRevBirth, 100, 0, 0, 4, {}, {5, 4, 3, 2, 1, 0},
         {0.5, 0.5, 0.5, 0, 0, 0}, {1, 1, 1, 0.5, 0.5, 0.5}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Seq& s = transition.sequence;
        s.launchType = r.launchType, s.overlap = r.overlap, s.startGaps = r.startGaps, s.endGaps = r.endGaps;
        s.clumps = r.clumps, transition.launchOrder = r.order;
        prepareTransition(transition, row(r.count));
        EXPECT_EQ(transition.launchOrder, r.expectedOrder);
        expectWindows(transition, r.start, r.end);
    }
}

// Fragments run inside their owner's window: launched among themselves by the same type,
// with the fragment overlap when it is switched on, else the elements' overlap.
TEST_F(ElementWindows, FragmentsRunInsideTheirOwnersWindow) {
    // Letters 0 and 1; letter 1 broke into three fragments (elements 2, 3, 4) standing right to left.
    std::vector<AnimElement> elements = row(5);
    for (int i = 2; i < 5; ++i) elements[i].owner = 1, elements[i].center[0] = 10 - i;
    AnimSequenceParams& s = transition.sequence;
    s.launchType = AnimSequenceParams::kLeftRight, s.overlap = 100;
    prepareTransition(transition, elements);
    EXPECT_EQ(transition.launchOrder, (std::vector<int>{0, 1, 2, 1, 0}));
    expectWindows(transition, {0, 0.5, 0.5 + 2.0 / 6, 0.5 + 1.0 / 6, 0.5}, {0.5, 1, 1, 0.5 + 2.0 / 6, 0.5 + 1.0 / 6});
    // Fragment overlap 0: all three fragments fill the letter's half together.
    s.fragOverlapCheck = true, s.fragOverlap = 0;
    prepareTransition(transition, elements);
    expectWindows(transition, {0, 0.5, 0.5, 0.5, 0.5}, {0.5, 1, 1, 1, 1});
    // Without fragments the letters keep the windows they had: fragments add no launch positions.
    transition.launchOrder.clear();
    prepareTransition(transition, row(2));
    EXPECT_EQ(transition.windowEnd, (std::vector<double>{0.5, 1.0}));
}

// Whatever the settings, every window lies in [0, 1], in order, and is open while the gaps are at most 100 percent.
TEST_F(ElementWindows, StayOrderedAndInsideTheTransition) {
    std::vector<AnimElement> elements = placedElements();
    for (double overlap : {0.0, 30.0, 75.0, 100.0})
        for (double gaps : {0.0, 40.0, 100.0, 250.0})
            for (double clumps : {0.0, 2.0, 3.5})
                for (long seed : {0L, 9L, -31L}) {
                    AnimSequenceParams& s = transition.sequence;
                    s.launchType = AnimSequenceParams::kRandom, s.launchSeed = seed;
                    s.overlap = overlap, s.startGaps = gaps, s.endGaps = gaps / 2, s.clumps = clumps;
                    transition.launchOrder.clear();
                    prepareTransition(transition, elements);
                    for (size_t i = 0; i < elements.size(); ++i) {
                        const double ws = transition.windowStart[i], we = transition.windowEnd[i];
                        ASSERT_TRUE(0 <= ws && ws <= we && we <= 1) << ws << " " << we;
                        ASSERT_TRUE(ws < we || gaps > 100) << ws;  // gaps up to 100 percent leave it open
                    }
                }
}

// Base progress never reaches the poses; the action ramps over its range (the fade's, as opacity: ElementMotion's
// fade test); a window too narrow to move through jumps at its end.
TEST_F(ElementProgressAt, BaseActionAndFadeProgress) {
    transition.action.startTime = 20, transition.action.endTime = 60;
    transition.vis.startTime = 50, transition.vis.endTime = 100;
    prepareTransition(transition, row(1));
    auto at = [&](double p) { return elementProgress(transition, 0, timeAt(p)); };
    EXPECT_DOUBLE_EQ(elementProgress(transition, 0, 10).p, 0.1);
    EXPECT_DOUBLE_EQ(elementProgress(transition, 0, 18).u, 0.9);
    // Before and after the transition the element rests at its poses.
    ElementProgress before = elementProgress(transition, 0, 9), after = elementProgress(transition, 0, 19);
    EXPECT_EQ(std::pair(before.u + before.a + before.v, after.u + after.a + after.v), std::pair(0.0, 3.0));
    EXPECT_EQ(std::pair(at(0.2).a, at(0.6).a), std::pair(0.0, 1.0));
    EXPECT_NEAR(at(0.4).a, 0.5, 1e-12);
    for (auto [x, to, r] : {std::tuple{0.3, 0.3, 0.0}, {0.31, 0.3, 1.0}, {0.3000001, 0.300001, 0.0}})
        EXPECT_EQ(ramp(x, 0.3, to), r) << x;
    transition.windowStart = {0.5}, transition.windowEnd = {0.5 + 1e-6};
    for (auto [p, u] : {std::pair{0.5, 0.0}, {0.5 + 0.9e-6, 0.0}, {0.5 + 1.1e-6, 1.0}}) EXPECT_EQ(at(p).u, u) << p;
    transition.windowEnd = {0.5 + 2e-5};  // just wide enough to move through
    EXPECT_NEAR(at(0.5 + 1e-5).u, 0.5, 1e-6);
}

TEST_F(ElementProgressAt, EasedProgressRisesAndInverts) {
    transition.sequence.overlap = 50, transition.sequence.easeAmount = 80;
    // Both ends eased, and the end alone: either turns the ease on.
    for (double startEase : {60.0, 0.0}) {
        transition.sequence.startEase = startEase, transition.sequence.endEase = startEase > 0 ? 40 : 70;
        prepareTransition(transition, row(4));
        for (int e = 0; e < 4; ++e) {
            double previous = 0;
            bool eased = false;
            for (int i = 0; i <= 1000; ++i) {
                const double p = i / 1000.0;
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

// The reference's first values were worked out once from the published description.
TEST(SubtractiveRandom, FollowsTheLaggedRecurrenceFromTheSeed) {
    const std::pair<long, std::vector<long>> seeds[] = {{0, {533923850, 323008803, 401103978}},
                                                        {1, {769620352, 930898438, 769186849}},
                                                        {123456789012L, {}}};
    for (const auto& [seed, known] : seeds) {
        std::vector<long> expected = referenceSequence(seed, 300);
        EXPECT_EQ(std::vector<long>(expected.begin(), expected.begin() + known.size()), known) << seed;
        SubtractiveRandom random(seed);
        // The reference's values lie in [0, 1e9), so each draw in [0, 1).
        for (int i = 0; i < 300; ++i) ASSERT_EQ(random.next(), expected[i] * 1e-9) << "seed " << seed << " value " << i;
    }
}

TEST(SubtractiveRandom, ReseedingRestartsAndOnlyTheMagnitudeCounts) {
    SubtractiveRandom a(42), b(-42);
    std::vector<double> first;
    for (int i = 0; i < 60; ++i) first.push_back(a.next());
    a.reseed(42);
    for (int i = 0; i < 60; ++i) EXPECT_EQ(std::pair(a.next(), b.next()), std::pair(first[i], first[i])) << i;
    a.reseed(43);
    EXPECT_NE(a.next(), first[0]);
    // The most negative seed has no magnitude of its own; it seeds by its remainder.
    SubtractiveRandom lowest(LONG_MIN), remainder(std::labs(LONG_MIN % kMod));
    for (int i = 0; i < 10; ++i) EXPECT_EQ(lowest.next(), remainder.next());
}

// Without eases or without an amount the curve is the identity.
TEST(EaseCurve, RisesFromZeroToOneAndInvertsExactly) {
    for (auto [start, end, amount] : kSettings) {
        const EaseCurve c = curve(start, end, amount);
        SCOPED_TRACE(testing::Message() << start << " " << end << " " << amount);
        for (auto [u, y] : {std::pair{0.0, 0.0}, {1.0, 1.0}, {-0.5, 0.0}, {1.5, 1.0}}) EXPECT_EQ(c.value(u), y) << u;
        const bool identity = (start == 0 && end == 0) || amount == 0;
        double previous = 0;
        for (int i = 1; i <= 2000; ++i) {
            const double u = i / 2000.0, y = c.value(u);
            if (identity) {
                ASSERT_DOUBLE_EQ(y, u);
                ASSERT_DOUBLE_EQ(c.inverse(u), u);
            }
            ASSERT_TRUE(y > previous && y <= 1.0) << "u " << u;
            ASSERT_NEAR(c.inverse(y), u, 1e-9) << "u " << u;
            previous = y;
            // Joins between the eased pieces and the cruise: no step in value or slope (up to the end).
            const double h = 1e-7, left = (y - c.value(u - h)) / h, right = i < 2000 ? (c.value(u + h) - y) / h : left;
            ASSERT_NEAR(left, right, 1e-3 * std::max(1.0, left)) << "u " << u;
        }
    }
}

TEST(EaseCurve, EasesSlowTheEndsByTheirShareAndAmount) {
    auto slopeAt = [](const EaseCurve& c, double u) { return (c.value(u + 1e-6) - c.value(u)) / 1e-6; };
    const EaseCurve startOnly = curve(100, 0, 50), both = curve(25, 25, 50), gentle = curve(25, 25, 25),
                    strong = curve(25, 25, 100);
    // All of it spent speeding up from rest: slow at 0, fastest (twice the mean) at 1.
    EXPECT_LT(slopeAt(startOnly, 0), 1e-5);
    EXPECT_NEAR(slopeAt(startOnly, 1 - 1e-6), 2.0, 1e-4);
    EXPECT_NEAR(startOnly.value(0.5), 0.25, 1e-12);
    // A quarter each end at amount 50: cruise slope 1 / (1 - 0.5 + 0.5 / 2) = 4 / 3,
    // reached at u = 0.25 with y = 4/3 * 0.25 / 2 = 1/6, symmetric about the middle.
    EXPECT_NEAR(both.value(0.25), 1.0 / 6, 1e-12);
    EXPECT_NEAR(both.value(0.5), 0.5, 1e-12);
    EXPECT_NEAR(slopeAt(both, 0.5), 4.0 / 3, 1e-6);
    EXPECT_NEAR(both.value(0.3) + both.value(0.7), 1.0, 1e-12);
    // The amount says how strongly: a stronger ease starts slower.
    EXPECT_GT(slopeAt(gentle, 0), 0.4);
    EXPECT_LT(slopeAt(both, 0), 1e-5);
    EXPECT_TRUE(strong.value(0.1) < both.value(0.1) && both.value(0.1) < gentle.value(0.1));
}

}  // namespace fw
