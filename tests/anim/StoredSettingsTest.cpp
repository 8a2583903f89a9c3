// Stored settings that shape the motion beyond the poses' arrangements: elements a segment leaves alone and where each
// started, automatic smoothing, soft groups and level letters launching together, warp records, and the lock.
#include <glm/geometric.hpp>

#include "AnimTestScene.h"
#include "anim/ElementTiming.h"
#include "anim/WarpMotion.h"

namespace fw {
namespace {

using Track = test::Timeline;

void expectAt(const glm::dvec3& at, const glm::dvec3& expected) {
    EXPECT_LT(glm::length(at - expected), 1e-9) << at.x << " " << at.y << " " << at.z;
}

}  // namespace

// The first pose moves everything 100 along X. Element 1 is left out of it and holds its start place; element 2 is
// arranged from its start place: turned a quarter about a point 10 to its right and lifted 30 toward the viewer.
// Locked, the track still plays but refuses edits.
TEST(StoredSettings, APoseArrangesElementsFromTheirStartPlacesAndALockedTrackPlaysButRefusesEdits) {
    const auto el = test::letters(3);
    Track t(2);
    t.move(0, 100, 0);
    auto c = t.caches(*t.poses[0], 3);
    c[1]->isAnimated = false, c[1]->startTranslate[1] = 20;
    c[2]->startTranslate[2] = 30, c[2]->startRotate[2] = 90, c[2]->startOrigin[0] = 10;
    expectAt(t.offset(el, 0, 0), {100, 0, 0});
    expectAt(t.offset(el, 0, 1), {0, 20, 0});
    expectAt(t.offset(el, 0, 2), {110, -10, 30});
    expectAt(t.offset(el, 24.5, 1), {0, 10, 0});  // half way home
    t.track.lock = 0;
    EXPECT_EQ(t.track.segmentForEditing(5), nullptr);
    EXPECT_FALSE(t.track.removeSegment(t.poses[1]));
    EXPECT_EQ(t.track.segments.size(), 3u);
    expectAt(t.offset(el, 0, 0), {100, 0, 0});
    t.track.lock = 1;
    EXPECT_EQ(t.track.segmentForEditing(5), t.poses[0]);
    EXPECT_TRUE(t.track.removeSegment(t.poses[1]));
}

// One after another (overlap 100); element 0 is not animated by the transition, so it runs
// over the whole of it and the others share the launch.
TEST(StoredSettings, ATransitionLeavesTheElementsItDoesNotAnimateOutOfTheLaunch) {
    const auto el = test::letters(3);
    Track t(2);
    AnimTransition& tr = *t.transitions[0];
    tr.sequence.overlap = 100;
    t.caches(tr, 3)[0]->isAnimated = false;
    evaluateTrack(t.track, 20, el);
    EXPECT_EQ(std::tuple(tr.windowStart, tr.windowEnd, tr.launchOrder),  // the stored order kept
              std::tuple(std::vector<double>{0, 0, 0.5}, std::vector<double>{1, 0.5, 1}, std::vector{0, 1, 2}));
}

// At rest, 100 along X, then on. Automatic smoothing replaces the stored values at each
// pose by how the path turns there. u = 0.5 at 24.5.
TEST(StoredSettings, AutomaticSmoothingFollowsHowThePathTurnsAtEachPose) {
    const auto el = test::letters(1);
    Track turn(3);  // 60 degrees at the middle pose: half smoothed
    turn.move(1, 100, 0);
    turn.move(2, 150, 50 * std::sqrt(3.0));
    expectAt(turn.offset(el, 24.5, 0), {50, 0, 0});
    for (AnimTransition* tr : turn.transitions) tr->doAutoSmooth = true;
    const double half = turn.offset(el, 24.5, 0).y;
    EXPECT_LT(half, -1.0) << "the span bends to leave the pose along the turn";
    for (AnimTransition* tr : turn.transitions) tr->doAutoSmooth = false, tr->smoothing.endSmooth = 100;
    EXPECT_LT(turn.offset(el, 24.5, 0).y, half - 1.0) << "fully smoothed bends further";
    Track back(3);  // back the way it came: an evenly paced line whatever is stored
    back.move(1, 100, 0);
    for (AnimTransition* tr : back.transitions) tr->smoothing.startSmooth = tr->smoothing.endSmooth = 100;
    EXPECT_GT(back.offset(el, 24.5, 0).x, 55.0);
    for (AnimTransition* tr : back.transitions) tr->doAutoSmooth = true;
    expectAt(back.offset(el, 24.5, 0), {50, 0, 0});
}

// Two lines of seven letters 40 wide and 72 tall; launched by place, letters level within
// the blending range of their size launch together, a soft group where its first member does.
TEST(StoredSettings, LevelLettersAndSoftGroupsLaunchTogether) {
    SceneX scene;
    AnimTransition tr(scene);
    auto el = test::letters(14);
    auto positions = [&](int type) { return tr.sequence.launchType = type, launchPositions(tr, el); };
    std::vector<int> lines(14), columns(14), each(14);
    for (int i = 0; i < 14; ++i) lines[i] = i / 7, columns[i] = i % 7, each[i] = i % 7 * 2 + i / 7;
    EXPECT_EQ(positions(AnimSequenceParams::kTopBottom), lines);
    EXPECT_EQ(positions(AnimSequenceParams::kLeftRight), columns);
    tr.sequence.blendingRange = 0;
    EXPECT_EQ(positions(AnimSequenceParams::kLeftRight), each);
    // A quarter of 72 is 18: lifted 17 a letter keeps to its line, lifted 19 it goes first.
    tr.sequence.blendingRange = 0.25;
    el[3].center[1] += 17;
    EXPECT_EQ(positions(AnimSequenceParams::kTopBottom), lines);
    el[3].center[1] += 2;
    EXPECT_EQ(positions(AnimSequenceParams::kTopBottom)[3], 0);
    el = test::letters(5);
    el[1].softGroup = el[3].softGroup = 0;
    EXPECT_EQ(positions(AnimSequenceParams::kBirth), (std::vector<int>{0, 1, 2, 1, 3}));
    EXPECT_EQ(positions(AnimSequenceParams::kRevBirth), (std::vector<int>{3, 1, 2, 1, 0}));
}

// The warp records are kept as read; the transition's is rebuilt from the poses' at its
// first element's progress when it is not smoothed.
TEST(StoredSettings, AWarpTransitionCarriesItsRecordLinearlyBetweenThePosesWarps) {
    Track t(2);
    t.track.trackType = AnimTrack::kWarpTrack;
    const char* records[] = {"   amount 10\n   center 0 0 -2.5\n   name \"Warp 2\"\n   steps 2\n",
                             "   amount 30\n   center 0 4 -2.5\n   name \"Warp 7\"\n   steps 5\n"};
    for (int k = 0; k < 2; ++k) (t.poses[k]->warp = std::make_unique<KeptLines>())->assign(records[k]);
    AnimTransition& tr = *t.transitions[0];
    ASSERT_TRUE(updateWarp(t.track, 24.5));  // half way
    EXPECT_EQ(tr.warp->bytes(), "   amount 20\n   center 0 2 -2.5\n   name \"Warp 2\"\n   steps 4\n");
    // A pose keeps its record; a smoothed transition and another type of track are left alone.
    EXPECT_FALSE(updateWarp(t.track, 5));
    tr.smoothing.endSmooth = 100;
    EXPECT_FALSE(updateWarp(t.track, 20));
    tr.smoothing.endSmooth = 0, t.track.trackType = AnimTrack::kObjectTrack;
    EXPECT_FALSE(updateWarp(t.track, 20));
}

}  // namespace fw
