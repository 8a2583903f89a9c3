// The spring solver's step, relaxation, cache and callbacks, on small hand-made systems.
#include "flag/kxSpringSystem.h"

#include <gtest/gtest.h>

#include <cmath>

#include "flag/kxCage.h"

namespace fw {
namespace {

double distance(const kxParticle& a, const kxParticle& b) {
    return std::hypot(b.p[0] - a.p[0], b.p[1] - a.p[1], b.p[2] - a.p[2]);
}

// Two particles on the x axis, `gap` apart, joined by a spring of length 1 and tolerance 0.1.
struct Pair : kxSpringSystem {
    explicit Pair(double gap, bool lockA = false, bool lockB = false) {
        addParticle(0, 0, 0, 1.0, lockA);
        addParticle(gap, 0, 0, 1.0, lockB);
        addSpring(0, 1, 1.0, 0.1);
    }
};

TEST(SpringSystem, SpringsWithinTheirBandAreLeftAndOthersMeetTheNearerEdge) {
    for (double gap : {0.9, 0.95, 1.0, 1.05, 1.1}) {
        Pair s(gap);
        s.satisfy(s.springs[0]);
        EXPECT_EQ(s.particles[0].p[0], 0.0) << gap;
        EXPECT_EQ(s.particles[1].p[0], gap) << gap;
    }
    Pair longer(1.5);
    longer.satisfy(longer.springs[0]);
    EXPECT_NEAR(longer.particles[0].p[0], 0.2, 1e-12);  // each moves half of 0.4
    EXPECT_NEAR(longer.particles[1].p[0], 1.3, 1e-12);
    Pair shorter(0.7);
    shorter.satisfy(shorter.springs[0]);
    EXPECT_NEAR(distance(shorter.particles[0], shorter.particles[1]), 0.9, 1e-12);
    EXPECT_NEAR(shorter.particles[0].p[0], -0.1, 1e-12);

    kxSpring made = kxSpring::make(0, 1, 1.0, 0.1);
    EXPECT_DOUBLE_EQ(made.Lm4t2, 0.36);
    EXPECT_DOUBLE_EQ(made.invT, 10.0);
    EXPECT_EQ(kxSpring::make(0, 1, 1.0, 0.0).invT, 0.0);
    EXPECT_EQ(kxSpring::make(0, 1, 0.3, 0.1).Lm4t2, 0.0);  // never counted as crushed
    // A rest length of 0 takes the particles' distance.
    Pair measured(2.5);
    measured.addSpring(0, 1);
    EXPECT_DOUBLE_EQ(measured.springs[1].L, 2.5);
}

TEST(SpringSystem, LockedParticlesHoldAndTheFreeOneTakesTheWholeCorrection) {
    Pair both(1.6, true, true);
    both.satisfy(both.springs[0]);
    EXPECT_EQ(both.particles[1].p[0], 1.6);
    EXPECT_EQ(both.particles[0].p[0], 0.0);

    Pair lockedA(1.6, true, false);
    lockedA.satisfy(lockedA.springs[0]);
    EXPECT_EQ(lockedA.particles[0].p[0], 0.0);
    EXPECT_NEAR(lockedA.particles[1].p[0], 1.1, 1e-12);

    Pair lockedB(1.6, false, true);
    lockedB.satisfy(lockedB.springs[0]);
    EXPECT_EQ(lockedB.particles[1].p[0], 1.6);
    EXPECT_NEAR(lockedB.particles[0].p[0], 0.5, 1e-12);

    // Without mass a particle is pinned just the same.
    Pair weightless(1.6);
    weightless.particles[0].setMass(0.0);
    EXPECT_EQ(weightless.particles[0].invMass, 0.0);
    weightless.satisfy(weightless.springs[0]);
    EXPECT_EQ(weightless.particles[0].p[0], 0.0);
    EXPECT_NEAR(weightless.particles[1].p[0], 1.1, 1e-12);
}

TEST(SpringSystem, CrushedSpringsPushOutOfPlaneAlongTheNormals) {
    Pair crushed(0.3);  // below L - 4t = 0.6
    crushed.satisfy(crushed.springs[0]);
    const double push = (0.9 - 0.3) * 0.005;
    EXPECT_NEAR(crushed.particles[0].p[2], push, 1e-15);
    EXPECT_NEAR(crushed.particles[1].p[2], push, 1e-15);  // both lift: the spring buckles

    Pair pinned(0.3, true, false);
    pinned.satisfy(pinned.springs[0]);
    EXPECT_NEAR(pinned.particles[1].p[2], 2.0 * push, 1e-15);
    EXPECT_EQ(pinned.particles[0].p[2], 0.0);

    Pair mild(0.65);  // short, but not crushed
    mild.satisfy(mild.springs[0]);
    EXPECT_EQ(mild.particles[0].p[2], 0.0);
    EXPECT_EQ(mild.particles[1].p[2], 0.0);
}

TEST(SpringSystem, NoRelaxationPassesStillRunsOne) {
    // A chain that one pass leaves unsettled, so one pass and two differ.
    auto chain = [](int passes) {
        kxSpringSystem s;
        s.addParticle(0, 0, 0, 1.0, true);
        s.addParticle(2, 0, 0, 1.0);
        s.addParticle(4, 0, 0, 1.0);
        s.addSpring(0, 1, 1.0, 0.1);
        s.addSpring(1, 2, 1.0, 0.1);
        s.relaxationPasses = passes;
        s.relax();
        return std::vector<double>{s.particles[1].p[0], s.particles[2].p[0]};
    };
    EXPECT_EQ(chain(0), chain(1));
    EXPECT_EQ(chain(-3), chain(1));
    EXPECT_NE(chain(1), chain(2));
    // In order: the first spring pulls 1 to 1.1, the second meets it halfway.
    EXPECT_NEAR(chain(1)[0], 2.0, 1e-12);
    EXPECT_NEAR(chain(1)[1], 3.1, 1e-12);
}

TEST(SpringSystem, VerletCarriesDampedVelocityAndForcesSkipPinnedParticles) {
    kxCage cage;
    cage.build({0, 0, 0, 5, 0, 0, 9, 0, 0}, {}, 0.1);
    cage.gravity[1] = -10.0;
    cage.damping = 0.25;
    cage.particles[0].prev[0] = -1.0;  // moving +x at one unit per step
    cage.particles[1].setMass(0.0);
    cage.particles[2].locked = true;
    cage.step(1);
    const double dt2 = cage.dt * cage.dt;
    EXPECT_NEAR(cage.particles[0].p[0], 0.75, 1e-12);
    EXPECT_NEAR(cage.particles[0].p[1], -10.0 * dt2, 1e-12);
    EXPECT_EQ(cage.particles[0].prev[0], 0.0);  // the start of the step
    EXPECT_EQ(cage.particles[1].p[1], 0.0);
    EXPECT_EQ(cage.particles[2].p[1], 0.0);
    cage.moveLocked = true;
    cage.step(2);
    EXPECT_NEAR(cage.particles[2].p[1], -10.0 * dt2, 1e-12);
    EXPECT_EQ(cage.particles[1].p[1], 0.0);
    EXPECT_EQ(cage.frame, 2);
}

TEST(SpringSystem, HandlesOfACageDragTheRestThroughTheSprings) {
    kxCage cage;
    cage.build({0, 0, 0, 1, 0, 0, 2, 0, 0}, {0, 1, 1, 2}, 0.05);
    cage.setHandle(0, -3, 0, 0);
    cage.simulateTo(60);
    EXPECT_EQ(cage.particles[0].p[0], -3.0);
    // Pulled along, each spring no longer than its band allows.
    EXPECT_LT(cage.particles[1].p[0], -1.5);
    EXPECT_LE(distance(cage.particles[0], cage.particles[1]), 1.05 + 1e-9);
    EXPECT_LE(distance(cage.particles[1], cage.particles[2]), 1.05 + 1e-9);
}

TEST(SpringSystem, CacheReplaysStatesAndCallbacksCancelAndReport) {
    kxCage cage;
    cage.build({0, 0, 0, 1, 0, 0}, {0, 1}, 0.1);
    cage.gravity[1] = -9.8;
    cage.setHandle(0, 0, 0, 0);
    cage.cacheEvery = 5;
    cage.markStart(0);
    EXPECT_EQ(cage.simulateTo(23), 23);
    EXPECT_EQ(cage.stepsRun, 23);
    const double at23 = cage.particles[1].p[1];
    EXPECT_EQ(cage.simulateTo(20), 20);  // a snapshot: nothing recomputed
    EXPECT_EQ(cage.stepsRun, 23);
    EXPECT_EQ(cage.simulateTo(23), 23);  // from the snapshot at 20
    EXPECT_EQ(cage.stepsRun, 26);
    EXPECT_EQ(cage.particles[1].p[1], at23);
    EXPECT_EQ(cage.snapshotAt(23), nullptr);
    EXPECT_NE(cage.snapshotAt(15), nullptr);

    int asked = 0;
    cage.cancel = [&] { return ++asked > 7; };
    EXPECT_EQ(cage.simulateTo(100), -1);
    EXPECT_EQ(cage.frame, 30);  // seven steps done after 23
    cage.cancel = nullptr;

    std::vector<int> reports;
    cage.progress = [&](int done, int total) {
        reports.push_back(done);
        EXPECT_EQ(total, 201);
    };
    cage.simulateTo(231);
    ASSERT_EQ(reports.size(), 20u);
    EXPECT_EQ(reports.front(), 10);
    EXPECT_EQ(reports.back(), 200);
    reports.clear();
    cage.simulateTo(431);  // 200 steps: no progress shown
    EXPECT_TRUE(reports.empty());

    cage.paused = true;  // paused systems keep no snapshots
    cage.simulateTo(441);
    EXPECT_EQ(cage.snapshotAt(440), nullptr);
}

}  // namespace
}  // namespace fw
