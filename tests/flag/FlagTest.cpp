// A cloth flag over hundreds of frames: where it goes, how its springs hold, how it comes
// to rest, and how looping and the cache replay its states.
#include "flag/kxFlag.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fw {
namespace {

#ifdef FW_SANITIZED_BUILD
constexpr int kFrames = 60;  // the same checks over a shorter run
#else
constexpr int kFrames = 300;
#endif

double dist(const double* a, const double* b) { return std::hypot(b[0] - a[0], b[1] - a[1], b[2] - a[2]); }

TEST(Flag, GridLocksAndMassesFollowTheSettings) {
    FlagUnit unit;
    kxFlag flag(unit);
    ASSERT_EQ(flag.particles.size(), 21u * 21u);
    std::vector<int> locked;
    for (size_t i = 0; i < flag.particles.size(); ++i)
        if (flag.particles[i].locked) locked.push_back(static_cast<int>(i));
    EXPECT_EQ(locked, (std::vector<int>{flag.index(0, 0), flag.index(0, 10), flag.index(0, 20)}));
    EXPECT_DOUBLE_EQ(flag.particles[flag.index(20, 5)].mass, 0.9);
    EXPECT_DOUBLE_EQ(flag.particles[flag.index(10, 10)].mass, 1.0);
    EXPECT_DOUBLE_EQ(flag.particles[flag.index(20, 20)].p[0], 300.0);
    EXPECT_DOUBLE_EQ(flag.particles[flag.index(20, 20)].p[1], -200.0);

    // Locked particles let move by the step are tied back where they were pinned.
    flag.moveLocked = true;
    flag.simulateTo(-100);
    EXPECT_EQ(flag.particles[flag.index(0, 10)].p[1], flag.restPositions()[3 * flag.index(0, 10) + 1]);
    EXPECT_NE(flag.particles[flag.index(1, 10)].p[1], flag.restPositions()[3 * flag.index(1, 10) + 1]);

    auto lockedCount = [](int edge, int points) {
        FlagUnit u;
        u.nu = 10;
        u.nv = 7;
        u.lockEdge = edge;
        u.lockPoints = points;
        kxFlag f(u);
        int n = 0;
        for (const kxParticle& q : f.particles) n += q.locked;
        return n;
    };
    EXPECT_EQ(lockedCount(FlagUnit::kEdgeTop, FlagUnit::kPointsEdge), 10);
    EXPECT_EQ(lockedCount(FlagUnit::kEdgeAll, FlagUnit::kPointsEdge), 30);
    EXPECT_EQ(lockedCount(FlagUnit::kEdgeLeftRight, FlagUnit::kPointsCornersTwoCenters), 8);
    EXPECT_EQ(lockedCount(FlagUnit::kEdgeBottom, FlagUnit::kPointsTwoCenters), 2);
    EXPECT_EQ(lockedCount(FlagUnit::kEdgeCenter, FlagUnit::kPointsEdge), 1);
    EXPECT_EQ(lockedCount(FlagUnit::kEdgeNone, FlagUnit::kPointsEdge), 0);
    EXPECT_EQ(lockedCount(FlagUnit::kEdgeLeft, FlagUnit::kPointsNone), 0);
}

TEST(Flag, WavesWithinReachOfThePoleAndKeepsItsSprings) {
    FlagUnit unit;
    kxFlag flag(unit);
    std::vector<double> pos, before;
    const std::vector<int> pins = {flag.index(0, 0), flag.index(0, 10), flag.index(0, 20)};
    // Along the cloth no particle is farther than this from a pin.
    const double reach = std::hypot(unit.width, unit.height / 4);
    double worstStretch = 0.0, farthest = 0.0, moved = 0.0;
    for (int f = 0; f <= kFrames; ++f) {
        ASSERT_TRUE(flag.positionsAt(f, pos));
        for (const kxSpring& s : flag.springs)
            worstStretch = std::max(worstStretch, dist(&pos[3 * s.a], &pos[3 * s.b]) / s.L);
        // Distance from the nearest pinned point.
        for (size_t i = 0; i < pos.size(); i += 3) {
            double nearest = 1e300;
            for (int pin : pins) nearest = std::min(nearest, dist(&pos[3 * pin], &pos[i]));
            farthest = std::max(farthest, nearest);
        }
        if (f > 0)
            for (size_t i = 0; i < pos.size(); i += 3) moved = std::max(moved, dist(&before[i], &pos[i]));
        before = pos;
    }
    EXPECT_LT(worstStretch, 2.0);
    EXPECT_LT(farthest, 1.25 * reach);  // the cloth stretches, by less than a quarter overall
    // It does wave: the fly end moves from frame to frame, but never leaps.
    EXPECT_GT(moved, 1.0);
    EXPECT_LT(moved, 0.5 * unit.width);
    // Blown out from the pole, not hanging down it.
    EXPECT_GT(pos[3 * flag.index(20, 10)], 0.5 * unit.width);
}

TEST(Flag, WithoutWindItSettlesHangingDown) {
    FlagUnit unit;
    unit.windStrength = 0.0;
    unit.windVariation = 0.0;
    kxFlag flag(unit);
    std::vector<double> pos, last;
    double worstStep = 0.0;
    ASSERT_TRUE(flag.positionsAt(-1, last));
    for (int f = 0; f <= kFrames; ++f) {
        ASSERT_TRUE(flag.positionsAt(f, pos));
        double step = 0.0;
        for (size_t i = 0; i < pos.size(); i += 3) step = std::max(step, dist(&last[i], &pos[i]));
        worstStep = std::max(worstStep, step);
        last = pos;
    }
    // Bounded motion throughout, and still at the end.
    const double cell = unit.width / 20;
    EXPECT_LT(worstStep, cell);
    double lastStep = 0.0;
    std::vector<double> prev;
    ASSERT_TRUE(flag.positionsAt(kFrames - 1, prev));
    for (size_t i = 0; i < pos.size(); i += 3) lastStep = std::max(lastStep, dist(&prev[i], &pos[i]));
    EXPECT_LT(lastStep, 0.02 * cell);
    // The fly edge has swung in under the pole.
    const double fly = pos[3 * flag.index(20, 10)];
    EXPECT_LT(fly, 0.25 * unit.width);
    EXPECT_LT(pos[3 * flag.index(20, 0) + 1], -0.5 * unit.height);
}

TEST(Flag, RunsAreRepeatableAndCachedFramesCostNothing) {
    FlagUnit unit;
    kxFlag a(unit), b(unit);
    std::vector<double> pa, pb;
    ASSERT_TRUE(a.positionsAt(60, pa));
    EXPECT_EQ(a.stepsRun, 180);  // the lead-in and sixty frames
    ASSERT_TRUE(b.positionsAt(60, pb));
    EXPECT_EQ(pa, pb);
    ASSERT_TRUE(a.positionsAt(10, pa));
    ASSERT_TRUE(a.positionsAt(-50, pa));
    ASSERT_TRUE(a.positionsAt(60, pa));
    EXPECT_EQ(a.stepsRun, 180);
    EXPECT_EQ(pa, pb);
    ASSERT_TRUE(a.positionsAt(70, pa));
    EXPECT_EQ(a.stepsRun, 190);

    unit.preRollFrames = 0;
    kxFlag noLeadIn(unit);
    ASSERT_TRUE(noLeadIn.positionsAt(0, pa));
    EXPECT_EQ(noLeadIn.stepsRun, 0);
    EXPECT_EQ(pa, noLeadIn.restPositions());

    int calls = 0;
    a.cancel = [&] { return ++calls > 3; };
    EXPECT_FALSE(a.positionsAt(200, pa));
    EXPECT_EQ(a.frame, 73);
}

TEST(Flag, LoopsBlendIntoTheAnchorsLeadIn) {
    FlagUnit unit;
    unit.loopOn = 1;
    unit.loopAnchor = 10;
    unit.loopRepeat = 40;
    unit.loopBlend = 8;
    kxFlag flag(unit);
    int shown, blended;
    double w;
    flag.loopFrames(5, shown, blended, w);
    EXPECT_EQ(shown, 5);
    EXPECT_EQ(w, 0.0);
    flag.loopFrames(41, shown, blended, w);  // just before the zone
    EXPECT_EQ(w, 0.0);
    flag.loopFrames(42, shown, blended, w);
    EXPECT_EQ(blended, 2);
    EXPECT_DOUBLE_EQ(w, 3.0 / 64 - 2.0 / 512);
    flag.loopFrames(49 + 40 * 3, shown, blended, w);
    EXPECT_EQ(shown, 49);
    EXPECT_EQ(blended, 9);
    EXPECT_EQ(w, 1.0);
    flag.loopFrames(50 + 40 * 3, shown, blended, w);
    EXPECT_EQ(shown, 10);

    // The loop's last frame is the frame before the anchor, the frame after it the anchor.
    std::vector<double> last, before, wrapped, anchor;
    ASSERT_TRUE(flag.positionsAt(89, last));
    ASSERT_TRUE(flag.positionsAt(9, before));
    for (size_t i = 0; i < last.size(); ++i) ASSERT_NEAR(last[i], before[i], 1e-9);
    ASSERT_TRUE(flag.positionsAt(90, wrapped));
    ASSERT_TRUE(flag.positionsAt(10, anchor));
    EXPECT_EQ(wrapped, anchor);
    // Halfway through the zone, halfway between.
    std::vector<double> mid, live, lead;
    ASSERT_TRUE(flag.positionsAt(45, mid));
    FlagUnit plain = unit;
    plain.loopOn = 0;
    kxFlag reference(plain);
    ASSERT_TRUE(reference.positionsAt(45, live));
    ASSERT_TRUE(reference.positionsAt(5, lead));
    EXPECT_NEAR(mid[30], live[30] + 0.5 * (lead[30] - live[30]), 1e-9);
}

TEST(Flag, FlattenBlendsTowardsTheFlatCloth) {
    FlagUnit unit;
    unit.flatten = 1.0;
    kxFlag flat(unit);
    std::vector<double> pos;
    ASSERT_TRUE(flat.positionsAt(20, pos));
    EXPECT_EQ(pos, flat.restPositions());
    unit.flatten = 0.25;
    unit.preRollFrames = 10;
    kxFlag quarter(unit);
    unit.flatten = 0.0;
    kxFlag free(unit);
    std::vector<double> q, f;
    ASSERT_TRUE(quarter.positionsAt(20, q));
    ASSERT_TRUE(free.positionsAt(20, f));
    const double* rest = quarter.restPositions().data();
    EXPECT_NEAR(q[100], f[100] + 0.25 * (rest[100] - f[100]), 1e-9);
}

TEST(Flag, SelfCollisionKeepsFoldsApart) {
    // Hung from its centre with no wind, the cloth collapses onto itself.
    auto closest = [](int mode) {
        FlagUnit unit;
        unit.nu = unit.nv = 15;
        unit.lockEdge = FlagUnit::kEdgeCenter;
        unit.windStrength = 0.0;
        unit.windVariation = 0.0;
        unit.preRollFrames = 0;
        unit.selfCollision = mode;
        kxFlag flag(unit);
        std::vector<double> pos;
        EXPECT_TRUE(flag.positionsAt(kFrames / 3, pos));
        double nearest = 1e9;
        for (int a = 0; a < 225; ++a)
            for (int b = a + 1; b < 225; ++b) {
                const int du = std::abs(a % 15 - b % 15), dv = std::abs(a / 15 - b / 15);
                if (du >= 4 || dv >= 4) nearest = std::min(nearest, dist(&pos[3 * a], &pos[3 * b]));
            }
        return nearest / flag.collisionDistance;
    };
    const double none = closest(FlagUnit::kCollisionNone);
    const double fast = closest(FlagUnit::kCollisionFast);
    const double accurate = closest(FlagUnit::kCollisionAccurate);
    EXPECT_LT(none, 0.5);
    EXPECT_GT(fast, 0.5);
    EXPECT_GT(accurate, 0.5);
}

}  // namespace
}  // namespace fw
