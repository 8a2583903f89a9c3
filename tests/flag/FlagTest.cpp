// The spring solver on small hand-made systems, a cloth flag over hundreds of frames (where it goes, how its springs
// hold, how it comes to rest, looping and the cache), and the flag's stored lines.
#include "flag/kxFlag.h"

#include <gmock/gmock.h>

#include <glm/geometric.hpp>
#include <tuple>

#include "MemoryStream.h"
#include "flag/FlagUnit.h"
#include "flag/kxCage.h"
#include "flag/kxSpringSystem.h"

namespace fw {
namespace {

double dist(const double* a, const double* b) { return std::hypot(b[0] - a[0], b[1] - a[1], b[2] - a[2]); }

// The particles' places at a frame; a run that fails leaves none.
std::vector<double> positions(kxFlag& flag, int frame) {
    std::vector<double> p;
    EXPECT_TRUE(flag.positionsAt(frame, p)) << frame;
    return p;
}

// Two particles on the x axis, `gap` apart, joined by a spring of length 1 and tolerance 0.1.
struct Pair : kxSpringSystem {
    explicit Pair(double gap, bool lockA = false, bool lockB = false) {
        addParticle(0, 0, 0, 1.0, lockA);
        addParticle(gap, 0, 0, 1.0, lockB);
        addSpring(0, 1, 1.0, 0.1);
    }
};

// Satisfying one spring: left inside its band, else brought to the nearer edge, locked
// ends held, crushed springs buckling out of plane.
TEST(SpringSystem, ASpringMeetsTheNearerEdgeOfItsBandAndBucklesWhenCrushed) {
    for (double gap : {0.9, 0.95, 1.0, 1.05, 1.1}) {
        Pair s(gap);
        s.satisfy(s.springs[0]);
        EXPECT_EQ(std::pair(s.particles[0].p[0], s.particles[1].p[0]), std::pair(0.0, gap)) << gap;
    }
    // The crushed length (L - 4t)^2 is met in the buckling cases below.
    EXPECT_DOUBLE_EQ(kxSpring::make(0, 1, 1.0, 0.1).invT, 10.0);
    EXPECT_EQ(kxSpring::make(0, 1, 1.0, 0.0).invT, 0.0);
    EXPECT_EQ(kxSpring::make(0, 1, 0.3, 0.1).Lm4t2, 0.0);  // never counted as crushed
    // A rest length of 0 takes the particles' distance.
    Pair measured(2.5);
    measured.addSpring(0, 1);
    EXPECT_DOUBLE_EQ(measured.springs[1].L, 2.5);
    // Outside the band, free ends each move half way to the nearer edge. Gap, which end is locked, whether the first
    // has no mass (pinned just the same), and where each end ends up.
    for (auto [gap, a, b, weightlessA, atA, atB] :
         {std::tuple{1.5, false, false, false, 0.2, 1.3}, {0.7, false, false, false, -0.1, 0.8},
          {1.6, true, true, false, 0.0, 1.6}, {1.6, true, false, false, 0.0, 1.1}, {1.6, false, true, false, 0.5, 1.6},
          {1.6, false, false, true, 0.0, 1.1}}) {
        Pair s(gap, a, b);
        if (weightlessA) s.particles[0].setMass(0.0);
        s.satisfy(s.springs[0]);
        EXPECT_NEAR(s.particles[0].p[0], atA, 1e-12) << gap << a << b << weightlessA;
        EXPECT_NEAR(s.particles[1].p[0], atB, 1e-12) << gap << a << b << weightlessA;
    }
    // Crushed below L - 4t = 0.6, both ends lift (the spring buckles), a pinned one leaving the other to lift twice as
    // far; short but not crushed, neither lifts. Lifts of 0 are exact.
    const double push = (0.9 - 0.3) * 0.005;
    for (auto [gap, pinned, liftA, liftB] :
         {std::tuple{0.3, false, push, push}, {0.3, true, 0.0, 2.0 * push}, {0.65, false, 0.0, 0.0}}) {
        Pair s(gap, pinned);
        s.satisfy(s.springs[0]);
        EXPECT_NEAR(s.particles[0].p[2], liftA, liftA > 0 ? 1e-15 : 0) << gap << pinned;
        EXPECT_NEAR(s.particles[1].p[2], liftB, liftB > 0 ? 1e-15 : 0) << gap << pinned;
    }
    // No relaxation passes still runs one: on a chain one pass leaves unsettled (two differ).
    auto chain = [](int passes) {
        Pair s(2.0, true);
        s.addParticle(4, 0, 0, 1.0);
        s.addSpring(1, 2, 1.0, 0.1);
        s.relaxationPasses = passes, s.relax();
        return std::vector<double>{s.particles[1].p[0], s.particles[2].p[0]};
    };
    EXPECT_EQ(std::pair(chain(0), chain(-3)), std::pair(chain(1), chain(1)));
    EXPECT_NE(chain(1), chain(2));
    // In order: the first spring pulls 1 to 1.1, the second meets it halfway.
    EXPECT_LT(glm::distance(glm::dvec2(chain(1)[0], chain(1)[1]), glm::dvec2(2.0, 3.1)), 1e-12);
}

TEST(SpringSystem, VerletCarriesDampedVelocityForcesSkipPinnedParticlesAndHandlesDrag) {
    kxCage cage;
    cage.build({0, 0, 0, 5, 0, 0, 9, 0, 0}, {}, 0.1);
    cage.gravity[1] = -10.0, cage.damping = 0.25;
    cage.particles[0].prev[0] = -1.0;  // moving +x at one unit per step
    cage.particles[1].setMass(0.0), cage.particles[2].locked = true;
    cage.step(1);
    const double dt2 = cage.dt * cage.dt;
    EXPECT_NEAR(cage.particles[0].p[0], 0.75, 1e-12);
    EXPECT_NEAR(cage.particles[0].p[1], -10.0 * dt2, 1e-12);
    EXPECT_EQ(cage.particles[0].prev[0], 0.0);  // the start of the step
    EXPECT_EQ(std::pair(cage.particles[1].p[1], cage.particles[2].p[1]), std::pair(0.0, 0.0));  // held
    cage.moveLocked = true, cage.step(2);
    EXPECT_NEAR(cage.particles[2].p[1], -10.0 * dt2, 1e-12);
    EXPECT_EQ(std::pair(cage.particles[1].p[1], cage.frame), std::pair(0.0, 2));
    // A handle drags the rest through the springs.
    cage = kxCage();
    cage.build({0, 0, 0, 1, 0, 0, 2, 0, 0}, {0, 1, 1, 2}, 0.05);
    cage.setHandle(0, -3, 0, 0), cage.simulateTo(60);
    EXPECT_EQ(cage.particles[0].p[0], -3.0);
    // Pulled along, each spring no longer than its band allows.
    EXPECT_LT(cage.particles[1].p[0], -1.5);
    EXPECT_LE(std::max(dist(cage.particles[0].p, cage.particles[1].p), dist(cage.particles[1].p, cage.particles[2].p)),
              1.05 + 1e-9);
}

TEST(SpringSystem, CacheReplaysStatesAndCallbacksCancelAndReport) {
    kxCage cage;
    cage.build({0, 0, 0, 1, 0, 0}, {0, 1}, 0.1);
    cage.gravity[1] = -9.8, cage.cacheEvery = 5;
    cage.setHandle(0, 0, 0, 0);
    cage.markStart(0);
    EXPECT_EQ(cage.simulateTo(23), 23);
    const double at23 = cage.particles[1].p[1];
    EXPECT_EQ(cage.simulateTo(20), 20);  // a snapshot: nothing recomputed
    EXPECT_EQ(cage.stepsRun, 23);  // each step once
    EXPECT_EQ(cage.simulateTo(23), 23);  // from the snapshot at 20
    EXPECT_EQ(std::tuple(cage.stepsRun, cage.particles[1].p[1]), std::tuple(26, at23));
    EXPECT_TRUE(cage.snapshotAt(23) == nullptr && cage.snapshotAt(15) != nullptr);
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
    EXPECT_EQ(std::pair(reports.front(), reports.back()), std::pair(10, 200));
    reports.clear(), cage.simulateTo(431);  // 200 steps: no progress shown
    EXPECT_TRUE(reports.empty());
    cage.paused = true, cage.simulateTo(441);  // paused systems keep no snapshots
    EXPECT_EQ(cage.snapshotAt(440), nullptr);
}

#ifdef FW_SANITIZED_BUILD
constexpr int kFrames = 60;  // the same checks over a shorter run
#else
constexpr int kFrames = 300;
#endif

TEST(Flag, GridLocksAndMassesFollowTheSettings) {
    FlagUnit unit;
    kxFlag flag(unit);
    ASSERT_EQ(flag.particles.size(), 21u * 21u);
    EXPECT_EQ(std::ranges::count_if(flag.particles, &kxParticle::locked), 3);
    for (int j : {0, 10, 20}) EXPECT_TRUE(flag.particles[flag.index(0, j)].locked) << j;
    EXPECT_DOUBLE_EQ(flag.particles[flag.index(20, 5)].mass, 0.9);
    EXPECT_DOUBLE_EQ(flag.particles[flag.index(10, 10)].mass, 1.0);
    EXPECT_EQ(std::pair(flag.particles[flag.index(20, 20)].p[0], flag.particles[flag.index(20, 20)].p[1]),
              std::pair(300.0, -200.0));
    // Locked particles let move by the step are tied back where they were pinned.
    flag.moveLocked = true, flag.simulateTo(-100);
    EXPECT_EQ(flag.particles[flag.index(0, 10)].p[1], flag.restPositions()[3 * flag.index(0, 10) + 1]);
    EXPECT_NE(flag.particles[flag.index(1, 10)].p[1], flag.restPositions()[3 * flag.index(1, 10) + 1]);
    // Edge, points and how many of a 10 x 7 grid they lock.
    const std::tuple<int, int, int> locks[] = {
        {FlagUnit::kEdgeTop, FlagUnit::kPointsEdge, 10},   {FlagUnit::kEdgeAll, FlagUnit::kPointsEdge, 30},
        {FlagUnit::kEdgeLeftRight, FlagUnit::kPointsCornersTwoCenters, 8},
        {FlagUnit::kEdgeBottom, FlagUnit::kPointsTwoCenters, 2}, {FlagUnit::kEdgeCenter, FlagUnit::kPointsEdge, 1},
        {FlagUnit::kEdgeNone, FlagUnit::kPointsEdge, 0},   {FlagUnit::kEdgeLeft, FlagUnit::kPointsNone, 0}};
    for (auto [edge, points, count] : locks) {
        FlagUnit u;
        u.nu = 10, u.nv = 7, u.lockEdge = edge, u.lockPoints = points;
        EXPECT_EQ(std::ranges::count_if(kxFlag(u).particles, &kxParticle::locked), count) << edge << " " << points;
    }
}

// A cloth bends and folds: along a crease a triangle faces away from the neighbours on one side. A triangle facing
// against its rest normal and against every neighbour it shares an edge with is no fold but a cell turned inside out.
struct ClothCensus {
    int turned = 0;     // facing against the rest normal (a fold's far side, or worse)
    int inverted = 0;   // turned and facing against all its edge neighbours
    int collapsed = 0;  // area under a hundredth of its rest area
};

ClothCensus census(const std::vector<double>& p, int nu, int nv, double restArea, const glm::dvec3& restNormal) {
    // Triangles 2k and 2k + 1 of cell k: (i,j)(i+1,j)(i+1,j+1) and (i,j)(i+1,j+1)(i,j+1).
    // Normals left at twice the triangle's area: only their lengths and the signs of their dot products count.
    const int cells = (nu - 1) * (nv - 1);
    std::vector<glm::dvec3> normals;
    for (int k = 0; k < cells; ++k) {
        const int i = k % (nu - 1), j = k / (nu - 1);
        auto at = [&](int v) { return glm::dvec3(p[3 * v], p[3 * v + 1], p[3 * v + 2]); };
        const glm::dvec3 a = at(j * nu + i), b = at(j * nu + i + 1);
        const glm::dvec3 c = at((j + 1) * nu + i + 1), d = at((j + 1) * nu + i);
        normals.insert(normals.end(), {glm::cross(b - a, c - a), glm::cross(c - a, d - a)});
    }
    ClothCensus r;
    for (int k = 0; k < 2 * cells; ++k) {
        const int t = k & 1, i = k / 2 % (nu - 1), j = k / 2 / (nu - 1);
        if (0.5 * glm::length(normals[k]) < 0.01 * restArea) ++r.collapsed;
        if (glm::dot(normals[k], restNormal) >= 0.0) continue;
        ++r.turned;
        // Edge neighbours: the cell's other half, the cells above and right (upper triangle) or below and left (lower).
        std::vector<int> next = {k ^ 1};
        if (t == 0 && j > 0) next.push_back(k - 2 * (nu - 1) + 1);
        if (t == 0 && i + 2 < nu) next.push_back(k + 3);
        if (t == 1 && j + 2 < nv) next.push_back(k + 2 * (nu - 1) - 1);
        if (t == 1 && i > 0) next.push_back(k - 3);
        r.inverted += std::ranges::all_of(next, [&](int o) { return glm::dot(normals[k], normals[o]) < 0.0; });
    }
    return r;
}

// The cloth of the example flag (these settings, at another scale) over ten seconds.
TEST(Flag, WavesWithinReachOfThePoleAndKeepsItsSprings) {
    FlagUnit unit;
    kxFlag flag(unit);
    std::vector<double> pos, before;
    const std::vector<int> pins = {flag.index(0, 0), flag.index(0, 10), flag.index(0, 20)};
    // Along the cloth no particle is farther than this from a pin.
    const double reach = std::hypot(unit.width, unit.height / 4);
    double worstStretch = 0.0, farthest = 0.0, moved = 0.0;
    // The flat cloth's triangles all face -z (were they wound the other way, every one would count as turned).
    const int nu = flag.across(), nv = flag.down(), cells = (nu - 1) * (nv - 1);
    const double cellArea = unit.width / (nu - 1) * unit.height / (nv - 1);
    ClothCensus total;
    int worstFrame = 0, worst = 0, mostTurned = 0, farCornerMoved = 0;
    for (int f = 0; f <= kFrames; ++f) {
        ASSERT_TRUE(flag.positionsAt(f, pos));
        const ClothCensus c = census(pos, nu, nv, 0.5 * cellArea, glm::dvec3(0.0, 0.0, -1.0));
        total.turned += c.turned, total.inverted += c.inverted, total.collapsed += c.collapsed;
        if (c.inverted > worst) worst = c.inverted, worstFrame = f;
        mostTurned = std::max(mostTurned, c.turned);
        for (const kxSpring& s : flag.springs)
            worstStretch = std::max(worstStretch, dist(&pos[3 * s.a], &pos[3 * s.b]) / s.L);
        // Distance from the nearest pinned point.
        for (size_t i = 0; i < pos.size(); i += 3) {
            double nearest = 1e300;
            for (int pin : pins) nearest = std::min(nearest, dist(&pos[3 * pin], &pos[i]));
            farthest = std::max(farthest, nearest);
        }
        if (f > 0) {
            for (size_t i = 0; i < pos.size(); i += 3) moved = std::max(moved, dist(&before[i], &pos[i]));
            farCornerMoved += !std::equal(pos.end() - 3, pos.end(), before.end() - 3);
        }
        before = pos;
    }
    EXPECT_GT(farCornerMoved, kFrames * 5 / 6);  // the cloth waves the whole time
    EXPECT_EQ(total.inverted, 0) << "worst frame " << worstFrame << ": " << worst;
    EXPECT_EQ(total.collapsed, 0);
    // Folds turn some triangles over, but the cloth never turns around.
    EXPECT_LT(mostTurned, cells / 2);
    EXPECT_LT(total.turned, kFrames * 2 * cells / 10);
    EXPECT_LT(worstStretch, 2.0);
    EXPECT_LT(farthest, 1.25 * reach);  // the cloth stretches, by less than a quarter overall
    // It does wave: the fly end moves from frame to frame, but never leaps.
    EXPECT_TRUE(moved > 1.0 && moved < 0.5 * unit.width) << moved;
    // Blown out from the pole, not hanging down it.
    EXPECT_GT(pos[3 * flag.index(20, 10)], 0.5 * unit.width);
}

TEST(Flag, WithoutWindItSettlesHangingDown) {
    FlagUnit unit;
    unit.windStrength = unit.windVariation = 0.0;
    kxFlag flag(unit);
    std::vector<double> pos, last = positions(flag, -1);
    double worstStep = 0.0, step = 0.0;
    for (int f = 0; f <= kFrames; ++f) {
        ASSERT_TRUE(flag.positionsAt(f, pos));
        step = 0.0;
        for (size_t i = 0; i < pos.size(); i += 3) step = std::max(step, dist(&last[i], &pos[i]));
        worstStep = std::max(worstStep, step);
        last = pos;
    }
    // Bounded motion throughout, and still at the end (the last step).
    const double cell = unit.width / 20;
    EXPECT_LT(worstStep, cell);
    EXPECT_LT(step, 0.02 * cell);
    // The fly edge has swung in under the pole.
    EXPECT_LT(pos[3 * flag.index(20, 10)], 0.25 * unit.width);
    EXPECT_LT(pos[3 * flag.index(20, 0) + 1], -0.5 * unit.height);
}

TEST(Flag, RunsAreRepeatableAndCachedFramesCostNothing) {
    FlagUnit unit;
    kxFlag a(unit), b(unit);
    const std::vector<double> pa = positions(a, 60);
    EXPECT_EQ(positions(b, 60), pa);
    for (int f : {10, -50}) positions(a, f);
    EXPECT_EQ(positions(a, 60), pa);
    EXPECT_EQ(a.stepsRun, 180);  // the lead-in and sixty frames, each run once
    positions(a, 70);
    EXPECT_EQ(a.stepsRun, 190);
    unit.preRollFrames = 0;
    kxFlag noLeadIn(unit);
    EXPECT_EQ(positions(noLeadIn, 0), noLeadIn.restPositions());
    EXPECT_EQ(noLeadIn.stepsRun, 0);
    int calls = 0;
    a.cancel = [&] { return ++calls > 3; };
    std::vector<double> pb;
    EXPECT_FALSE(a.positionsAt(200, pb));
    EXPECT_EQ(a.frame, 73);
}

TEST(Flag, LoopsBlendIntoTheAnchorsLeadInAndFlattenTowardsTheFlatCloth) {
    FlagUnit unit;
    unit.loopOn = 1, unit.loopAnchor = 10, unit.loopRepeat = 40, unit.loopBlend = 8;
    kxFlag flag(unit);
    // Frame: the frame shown, the one blended into it and the weight (41 is just before the zone).
    const std::tuple<int, int, int, double> loops[] = {
        {5, 5, 5, 0.0}, {41, 41, 41, 0.0}, {42, 42, 2, 3.0 / 64 - 2.0 / 512}, {169, 49, 9, 1.0}, {170, 10, 170, 0.0}};
    for (const auto& [frame, shownAs, blendedWith, weight] : loops) {
        int shown, blended;
        double w;
        flag.loopFrames(frame, shown, blended, w);
        EXPECT_EQ(std::pair(shown, blended), std::pair(shownAs, blendedWith)) << frame;
        EXPECT_DOUBLE_EQ(w, weight) << frame;
    }
    // The loop's last frame is the frame before the anchor, the frame after it the anchor.
    const std::vector<double> last = positions(flag, 89), before = positions(flag, 9);
    EXPECT_THAT(last, testing::Pointwise(testing::DoubleNear(1e-9), before));
    EXPECT_EQ(positions(flag, 90), positions(flag, 10));
    // Halfway through the zone, halfway between.
    FlagUnit plain = unit;
    plain.loopOn = 0;
    kxFlag reference(plain);
    const std::vector<double> live = positions(reference, 45), lead = positions(reference, 5);
    EXPECT_NEAR(positions(flag, 45).at(30), live.at(30) + 0.5 * (lead.at(30) - live.at(30)), 1e-9);
    // Flatten blends towards the flat cloth (all the way: the flat title in FlagTitleTest.cpp).
    unit = FlagUnit();
    unit.flatten = 0.25, unit.preRollFrames = 10;
    kxFlag quarter(unit);
    unit.flatten = 0.0;
    kxFlag free(unit);
    const std::vector<double> q = positions(quarter, 20), f = positions(free, 20);
    EXPECT_NEAR(q.at(100), f.at(100) + 0.25 * (quarter.restPositions()[100] - f.at(100)), 1e-9);
}

TEST(Flag, SelfCollisionKeepsFoldsApart) {
    // Hung from its centre with no wind, the cloth collapses onto itself.
    auto closest = [](int mode) {
        FlagUnit unit;
        unit.nu = unit.nv = 15, unit.lockEdge = FlagUnit::kEdgeCenter, unit.selfCollision = mode;
        unit.windStrength = unit.windVariation = 0.0, unit.preRollFrames = 0;
        kxFlag flag(unit);
        const std::vector<double> pos = positions(flag, kFrames / 3);
        double nearest = 1e9;
        for (int a = 0; a < 225; ++a)
            for (int b = a + 1; b < 225; ++b) {
                const int du = std::abs(a % 15 - b % 15), dv = std::abs(a / 15 - b / 15);
                if (du >= 4 || dv >= 4) nearest = std::min(nearest, dist(&pos[3 * a], &pos[3 * b]));
            }
        return nearest / flag.collisionDistance;
    };
    EXPECT_LT(closest(FlagUnit::kCollisionNone), 0.5);
    EXPECT_GT(closest(FlagUnit::kCollisionFast), 0.5);
    EXPECT_GT(closest(FlagUnit::kCollisionAccurate), 0.5);
}

using test::readLines;
using test::writtenBlock;

// Every line, each away from its default (defaults restate the header), in the order and spelling the unit writes;
// then words outside the lists and counts outside the ranges.
TEST(FlagUnit, EveryLineReadsBackByteForByteAndStrayWordsAndCountsFallBack) {
    const std::string lines =
        "  Name \"Big \\\"One\\\"\"\n  Width 120.5\n  Height 80\n  ScaleX 0.02\n  ScaleY 0.03\n  Nu 31\n  Nv 9\n"
        "  MeshType 2\n  LockEdge Top_Bottom\n  LockPoints Two_Centers\n  Mass 2.5\n  EdgeMassPercent 60\n"
        "  Stretch 0.5\n  Bend 2\n  Shear 1.5\n  AirFriction 8\n  AccuracySteps 20\n  MotionBlurPasses 3\n"
        "  SloMo 0.5\n  WindVariation 0.25\n  WindVariationSeed 4294967295\n  UseLocalForces 1\n"
        "  FlagpoleName \"Pole A\"\n  FlagpoleNameIndex 3\n  ShowFlagpole 0\n  FlagpoleType Plane\n"
        "  FlagpoleLength 333\n  FlagpoleRadius 2.5\n  ShowFlagpoleCap 0\n  FlagpoleTopCapStyle \"Eagle\"\n"
        "  FlagpoleTopCapScale 1.5\n  FlagpoleBottomCapStyle \"Ball\"\n  FlagpoleBottomCapScale 0.5\n"
        "  SpeedGeneratorSeed 77\n  SpeedGeneratorType 2\n  PreRollTime 2\n  PreRollFrames 60\n"
        "  SelfCollision Accurate\n  FlagNudge 1 -2 0.5\n  PolePivot 0 10 -3\n  LoopOn 1\n  LoopAnchor 30\n"
        "  LoopRepeat 120\n  LoopBlend 20\n  Flatten 0.125\n end FlagUnit\n";
    FlagUnit unit;
    ASSERT_EQ(readLines(unit, lines), 0);
    const int top = FlagUnit::capStyleNumber(unit.topCapStyle), foot = FlagUnit::capStyleNumber(unit.bottomCapStyle);
    EXPECT_EQ(std::tuple(unit.name, top, foot), std::tuple("Big \"One\"", 3, 2));
    EXPECT_EQ(writtenBlock(unit), " begin FlagUnit\n" + lines);
    const char* edges[] = {"None", "Left", "Right", "Top", "Bottom", "Left_Right", "Top_Bottom", "All", "Center"};
    const char* points[] = {"None", "Edge", "Corners", "Corners_One_Center", "Corners_Two_Centers", "Two_Centers"};
    for (int i = 0; i < 9; ++i) {
        ASSERT_EQ(readLines(unit, std::string("LockEdge ") + edges[i] + "\nLockPoints " + points[i % 6] + "\n"), 0);
        EXPECT_EQ(std::pair(unit.lockEdge, unit.lockPoints), std::pair(i + 1, i % 6 + 1));
        EXPECT_STREQ(FlagUnit::lockEdgeName(i + 1), edges[i]);
    }
    ASSERT_EQ(readLines(unit, "LockEdge Diagonal\nLockPoints Many\nFlagpoleType Rope\nSelfCollision Always\n"), 0);
    EXPECT_EQ(std::tuple(unit.lockEdge, unit.lockPoints, unit.flagpoleType, unit.selfCollision),
              std::tuple(+FlagUnit::kEdgeLeft, +FlagUnit::kPointsCornersOneCenter, +FlagUnit::kPoleCylinder,
                         +FlagUnit::kCollisionNone));
    unit.lockEdge = 0, unit.lockPoints = 12, unit.selfCollision = 7;
    const std::string text = writtenBlock(unit);
    EXPECT_NE(text.find("  LockEdge Left\n  LockPoints Corners_One_Center\n"), std::string::npos);
    EXPECT_NE(text.find("  SelfCollision None\n"), std::string::npos);
    // An old file's diagonal line is taken and not written back.
    ASSERT_EQ(readLines(unit, "ShearLR 1\n"), 0);
    EXPECT_EQ(writtenBlock(unit), text);
    // Grids and runs a file asks for are held to what the program takes.
    ASSERT_EQ(readLines(unit, "Nu 5000000\nAccuracySteps 999\nPreRollFrames 99999\n"), 0);
    EXPECT_EQ(std::tuple(unit.nu, unit.accuracySteps, unit.preRollFrames),
              std::tuple(FlagUnit::kMostParticlesAcross, FlagUnit::kMostPasses, FlagUnit::kMostLeadIn));
    ASSERT_EQ(readLines(unit, "Nv 1\nAccuracySteps -4\nPreRollFrames -9\nLoopRepeat 0\n"), 0);
    EXPECT_EQ(std::tuple(unit.nv, unit.accuracySteps, unit.preRollFrames, unit.loopRepeat), std::tuple(2, 0, 0, 1));
    EXPECT_EQ(std::pair(readLines(unit, "Nu many\n"), readLines(unit, "end FlagCluster\n")), std::pair(-1, -1));
}

}  // namespace
}  // namespace fw
