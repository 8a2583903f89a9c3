// Segments' frames, parent, version and blocks as poses and transitions store them; the parameter blocks inside them;
// element caches and groups, members named by name or by place.
#include "anim/AnimTrackSegment.h"

#include "AnimTestScene.h"
#include "GeometryText.h"
#include "MemoryStream.h"
#include "anim/AnimElementCache.h"
#include "anim/AnimGroup.h"
#include "anim/AnimPath.h"
#include "anim/AnimPathAction.h"
#include "anim/AnimPoseSettings.h"
#include "anim/AnimSequenceParams.h"
#include "anim/AnimVis.h"
#include "platform/Dialogs.h"

namespace fw {
namespace {

using test::readLines;
using test::writtenBlock;

// Frames are written as decimals and read truncated; parent, version and text lines come back.
TEST(AnimTrackSegment, BaseLinesComeBack) {
    SceneX scene;
    AnimPose pose(scene);
    pose.startFrame = 10, pose.length = 5;
    test::expectContains(writtenBlock(pose), {"  frameStart 10.000000\n  frameEnd 14.000000\n"});
    // Toward zero, both ways (written frames read back: the resaved track files in tests/cli and tests/app).
    AnimPose cut(scene);
    ASSERT_EQ(readLines(cut, "frameStart -3.7\nframeEnd 7.9\n"), 0);
    EXPECT_EQ(std::tuple(cut.startFrame, cut.length, cut.changed), std::tuple(-3, 11, true));
    // The end counts from the start read so far.
    AnimPose early(scene);
    early.startFrame = 2;
    ASSERT_EQ(readLines(early, "frameEnd 14\nframeStart 10\n"), 0);
    EXPECT_EQ(std::pair(early.startFrame, early.length), std::pair(10, 13));
    // A value that is not a number leaves the frame as it was, and reading goes on.
    ASSERT_EQ(readLines(early, "frameStart soon\nframeEnd nan\ndescription \"after\"\n"), 0);
    EXPECT_EQ(std::tuple(early.startFrame, early.length, early.description), std::tuple(10, 13, "after"));
    // Absurd frames are held where the arithmetic on them stays exact.
    ASSERT_EQ(readLines(early, "frameStart -1e300\nframeEnd 1e300\n"), 0);
    EXPECT_TRUE(early.length > 0 && early.lastFrame() > early.startFrame) << early.startFrame << " " << early.length;
    // Parent, version and text lines come back: the written lines show each was read.
    test::addObject(scene, "Title");
    AnimTransition t(scene);
    ASSERT_EQ(readLines(t, "animVersion \"5.2\"\nparentNode \"Title\" 1\n"
                           "parentMatrix 1 0 0 5 \n0 2 0 6 \n0 0 3 7 \n0 0 0 1 \n"
                           "animateTextBy 4\ndescription \"say \\\"hi\\\"\"\n"), 0);
    EXPECT_EQ(t.parentNode.resolve(), scene.findMember("Title"));
    // Rows as stored: the translation is the last column.
    EXPECT_EQ(t.parentMatrix[3][2], 7.0);
    const std::string text = writtenBlock(t);
    test::expectContains(text, {"  animVersion \"5.2\"\n  frameStart 0.000000\n  frameEnd 0.000000\n"
                                "  parentNode \"Title\" 1\n  parentMatrix 1 0 0 5 \n0 2 0 6 \n0 0 3 7 \n0 0 0 1 \n"
                                "  description \"say \\\"hi\\\"\"\n"});
    test::expectLacks(text, {"animateTextBy"});
    EXPECT_EQ(readLines(t, "parentMatrix 1 2 3\nend AnimTransition\n"), -1);
}

// Each segment type reads only its own blocks (the stream's message: CommandDispatch's "unknown child" row).
TEST(AnimTrackSegment, EachSegmentReadsOnlyItsOwnBlocksPosesKeepTheirWarpAndTransitionsTheirLaunchOrder) {
    SceneX scene;
    AnimPose pose(scene);
    AnimTransition t(scene);
    EXPECT_EQ(std::tuple(readLines(pose, "begin AnimPath\n"), readLines(t, "begin WarpInstance\n"),
                         readLines(t, "begin AnimPoseSettings\n")), std::tuple(-1, -1, -1));
    EXPECT_EQ(readLines(t, "begin FragmentationParams\nbegin ChopParams\nNumSlices 9\nend ChopParams\n"
                           "end FragmentationParams\nbegin AnimGroup\nend AnimGroup\n"
                           "begin AnimElementCache\nend AnimElementCache\n"), 0);
    EXPECT_EQ(std::tuple(t.fragmentation.chops[0].sliceCount, t.groups.size(), t.caches.size()), std::tuple(9, 1u, 1u));
    EXPECT_EQ(std::tuple(t.elementCache(0), t.elementCache(1), t.elementCache(-1)),
              std::tuple(t.caches[0].get(), nullptr, nullptr));  // none past either end
    // A fragmentation block read again fills its passes from the first.
    EXPECT_EQ(readLines(t, "begin FragmentationParams\nbegin ChopParams\nNumSlices 4\nend ChopParams\n"
                           "end FragmentationParams\n"), 0);
    EXPECT_EQ(t.fragmentation.chops[0].sliceCount, 4);
    const std::string warp = "  begin WarpInstance\n   kind \"Bulge\"\n   begin WarpPart\n    amount 3\n"
                             "   end WarpPart\n  end WarpInstance\n";
    ASSERT_EQ(readLines(pose, warp.substr(2)), 0);
    // The warp comes back byte for byte after the pose's own blocks (theirs: title-track.kxp resaved in tests/cli).
    EXPECT_TRUE(writtenBlock(pose).ends_with(warp + " end AnimPose\n")) << writtenBlock(pose);
    std::string lines;
    // A long title's worth and more; the sanitized build reads fewer, in a fraction of the time.
#ifdef FW_SANITIZED_BUILD
    constexpr int kOrder = 5000;
#else
    constexpr int kOrder = 100000;
#endif
    for (int i = 0; i < kOrder; ++i) lines += "launchOrder " + std::to_string(kOrder - 1 - i) + "\n";
    ASSERT_EQ(readLines(t, lines + "doAutoSmooth 1\n"), 0);
    ASSERT_EQ(t.launchOrder.size(), size_t{kOrder});
    test::expectContains(writtenBlock(t), {" end AnimPath\n  launchOrder " + std::to_string(kOrder - 1) +
                                               "\n  launchOrder " + std::to_string(kOrder - 2) + "\n",
                                           "  launchOrder 0\n  doAutoSmooth 1\n  begin AnimSmoothingParams\n"});
    // A transition that carries a warp moves the warp: no action or fade is written.
    t.warp = std::make_unique<KeptLines>();
    test::expectLacks(writtenBlock(t), {"AnimPathAction", "AnimVis"});
    EXPECT_TRUE(writtenBlock(t).ends_with(" end AnimSequenceParams\n end AnimTransition\n")) << writtenBlock(t);
}

TEST(AnimTrackSegment, CopyTakesTheSegmentsOwnRecords) {
    SceneX scene;
    AnimPose source(scene);
    ASSERT_EQ(readLines(source, "frameStart 5\nframeEnd 9\nparentNode \"Top\" 1\nbegin AnimGroup\n"
                                "groupName \"G\"\nend AnimGroup\nbegin AnimPoseSettings\nspread 30\n"
                                "end AnimPoseSettings\nbegin WarpInstance\n w 1\nend WarpInstance\n"), 0);
    AnimPose copy(scene);
    copy.copyFrom(source);
    EXPECT_EQ(writtenBlock(copy), writtenBlock(source));
    EXPECT_NE(copy.groups[0].get(), source.groups[0].get());
    AnimTransition other(scene);
    other.copyFrom(source);  // another type takes the shared part only
    EXPECT_EQ(std::tuple(other.startFrame, other.length, other.groups.size()), std::tuple(5, 5, size_t{1}));
    EXPECT_EQ(other.warp, nullptr);
}

// Words outside the lists: launch orders and spreads fall back to their first word and
// the line is taken; values outside the lists are written as the fallback word.
TEST(AnimParams, WordsOutsideTheListsFallBack) {
    AnimSequenceParams sequence;
    std::string diagnostic;
    EXPECT_EQ(readLines(sequence, "launchType \"Sideways\"\noverlap 40\n", &diagnostic), 0);
    EXPECT_EQ(std::tuple(sequence.launchType, sequence.overlap, diagnostic),
              std::tuple(+AnimSequenceParams::kBirth, 40.0, std::string()));
    sequence.launchType = 99;
    test::expectContains(writtenBlock(sequence), {"  launchType \"Birth\"\n"});
    AnimPath path;
    path.bowAmountStyle = 0, path.bowDirectionStyle = 7;
    test::expectContains(writtenBlock(path), {"  bowAmountStyle \"same\"\n", "  bowDirectionStyle \"same\"\n"});
    ASSERT_EQ(readLines(path, "bowAmountStyle \"three_point\"\nbowDirectionStyle \"wobbly\"\n"), 0);
    EXPECT_EQ(path.bowAmountStyle, AnimPath::kThreePoint);
    EXPECT_EQ(path.bowDirectionStyle, AnimPath::kSame);
    AnimPathAction action;
    action.actionType = AnimPathAction::kActionTypes, action.faceValue = -1;
    test::expectContains(writtenBlock(action), {"  actionType \"None\"\n", "  faceValue \"Front\"\n"});
    // An action or face this program does not know is an error, not a guess.
    EXPECT_EQ(std::pair(readLines(action, "actionType \"Moonwalk\"\n"), readLines(action, "faceValue \"Inside\"\n")),
              std::pair(-1, -1));
    AnimPoseSettings settings;
    settings.distributeType = 40, settings.distributeMenu2 = 11;
    test::expectContains(writtenBlock(settings), {"  distributeType \"None\"\n", "  distributeMenu2 \"Front\"\n"});
}

// Every value away from its default survives a write and a read.
TEST(AnimParams, EveryValueComesBack) {
    AnimPathAction action(AnimPathAction::kPoseNone);
    ASSERT_EQ(readLines(action, "actionType \"PathFreeWanderTumble2\"\nblendingRange 0.5\nrandomSeed -77\n"
                                "startTime 10\nendTime 90\namount1 1\namount2 2\namount3 3\namount4 4\n"
                                "amount5 5\namount6 6\namount7 7.5\nuseCommonCenter 1\nfaceValue \"Right\"\n"
                                "end AnimPathAction\n"), 0);
    AnimPathAction again;
    ASSERT_EQ(readLines(again, writtenBlock(action).substr(std::string(" begin AnimPathAction\n").size())), 0);
    EXPECT_EQ(writtenBlock(again), writtenBlock(action));
    EXPECT_EQ(std::pair(again.actionType, again.faceValue),
              std::pair(+AnimPathAction::kPathFreeWanderTumble2, +AnimPathAction::kRight));
    AnimPoseSettings settings;
    ASSERT_EQ(readLines(settings, "moveToCenter \"true\"\nspreadXYZ 0 1 0\nshuffleSeed 1234567890123\n"
                                  "distributeType \"SphereShell\"\ndistributeMenu1 \"YAxis\"\ndistributeMenu2 "
                                  "\"BottomConstrained\"\nlocalScale 50 60 70\nend AnimPoseSettings\n"), 0);
    EXPECT_EQ(settings.distributeType, AnimPoseSettings::kSphereShell);
    test::expectContains(writtenBlock(settings),
                         {"  moveToCenter \"true\"\n  spread 0.000000\n  spreadXYZ 0 1 0\n"
                          "  shuffleSeed 1234567890123\n",
                          "  distributeMenu1 \"YAxis\"\n  distributeMenu2 \"BottomConstrained\"\n",
                          "  localScale 50.000000 60.000000 70.000000\n"});
    // Neither a flag that is not true or false nor a seed beyond a long is guessed at.
    EXPECT_EQ(readLines(settings, "moveToCenter \"yes\"\n"), -1);
    EXPECT_EQ(readLines(settings, "shuffleSeed 99999999999999999999999\n"), -1);
    EXPECT_EQ(settings.shuffleSeed, 1234567890123L);
}

// The second arc angle lies a full turn from the first when the file leaves it out, and is written so.
TEST(AnimParams, PoseSettingsDeriveTheSecondAngleWhenItWasNotRead) {
    for (auto [lines, first, second] : {std::tuple<const char*, double, double>{"distributeParam2 90\n", 90, -270},
                                        {"distributeParam2 -90\n", -90, 270}, {"", 0, 360},
                                        {"distributeParam2 90\ndistributeParam2b 45\n", 90, 45}}) {
        AnimPoseSettings settings;
        ASSERT_EQ(readLines(settings, std::string(lines) + "end AnimPoseSettings\n"), 0);
        EXPECT_EQ(settings.distributeParam2b, second) << lines;
        test::expectContains(writtenBlock(settings), {"  distributeParam2 " + std::to_string(first) +
                                                          "\n  distributeParam2b " + std::to_string(second) + "\n"});
    }
}

// Versions up to 5.5 are read; a newer one is refused with the user told why.
TEST(AnimParams, NewerAnimationVersionsAreRefused) {
    int major = 4, minor = 9;
    // The version, whether it is taken, and the record's after it: a refused one leaves the record's alone.
    for (auto [version, accepted, nowMajor, nowMinor] : {std::tuple{5.5, true, 5, 5}, {4.9, true, 4, 9},
                                                         {5.6, false, 4, 9}, {1e300, false, 4, 9}}) {
        EXPECT_EQ(acceptAnimVersion(version, major, minor), accepted) << version;
        EXPECT_EQ(std::pair(major, minor), std::pair(nowMajor, nowMinor)) << version;
    }
    Dialogs::instance().setQuiet(true), Dialogs::instance().clearShown();
    AnimPathAction action;
    EXPECT_EQ(readLines(action, "animVersion \"5.5\"\n"), 0);
    EXPECT_EQ(std::tuple(action.versionMinor, Dialogs::instance().shown().size()), std::tuple(5, 0u));
    EXPECT_EQ(readLines(action, "animVersion \"5.6\"\n"), -1);
    EXPECT_EQ(readLines(*std::make_unique<AnimSequenceParams>(), "animVersion 6.0\n"), -1);
    EXPECT_EQ(readLines(*std::make_unique<AnimVis>(), "animVersion \"7\"\n"), -1);
    EXPECT_EQ(Dialogs::instance().shown().size(), 3u);  // its text: tests/cli/CommandLineTest.cpp
    Dialogs::instance().clearShown(), Dialogs::instance().setQuiet(false);
}

// Objects go out as their place in the object list when the stream asks for places, and a number read back is a place.
// Then every value away from its default comes back, in the order and spelling the cache writes.
TEST(AnimElementCache, MembersAreNamedOrPlacedAndEveryValueComesBack) {
    SceneX scene;
    test::addObject(scene, "First");
    SceneMember* second = test::addObject(scene, "Second");
    AnimGroup group(scene);
    ASSERT_EQ(readLines(group, "groupName \"Pair\"\ngroupType \"hard\"\nautoGroup 1\ngroupObject \"Second\"\n"
                               "groupObject \"0\"\ngroupObject \"7\"\ngroupObject \"Gone\"\n"), 0);
    // Place 7 names nothing; a name the scene lacks is kept.
    EXPECT_EQ(writtenBlock(group), " begin AnimGroup\n  groupName \"Pair\"\n  groupType \"hard\"\n  autoGroup 1\n"
                                   "  groupObject \"Second\"\n  groupObject \"First\"\n  groupObject \"Gone\"\n"
                                   " end AnimGroup\n");
    EXPECT_EQ(writtenBlock(group, 1), " begin AnimGroup\n  groupName \"Pair\"\n  groupType \"hard\"\n  autoGroup 1\n"
                                      "  groupObject \"1\"\n  groupObject \"0\"\n  groupObject \"Gone\"\n"
                                      " end AnimGroup\n");
    EXPECT_EQ(readLines(group, "groupType \"firm\"\n"), -1);
    AnimElementCache cache(scene);
    ASSERT_EQ(readLines(cache, "object \"Second\"\nparent \"Nowhere\"\n"), 0);
    test::expectContains(writtenBlock(cache, 1),
                         {"  object \"1\"\n  camera \"\"\n  light \"\"\n  parent \"Nowhere\"\n"});
    ASSERT_EQ(readLines(cache, "object \"1\"\n"), 0);
    EXPECT_EQ(cache.element(), second);
    test::expectContains(writtenBlock(cache), {"  object \"1\"\n"});
    ASSERT_EQ(readLines(cache, "object \"99\"\n"), 0);
    EXPECT_EQ(cache.element(), nullptr);
    test::addObject(scene, "A");
    const std::string body =
        "  isInherited \"true\"\n  isAnimated \"false\"\n  groupType HARD\n  animateBy WORD\n"
        "  animateFragmentsBy FRAGMENT\n  group \"Letters\"\n  object \"A\"\n  camera \"Cam\"\n  light \"3\"\n"
        "  parent \"root\"\n  startTranslate 1 2 3\n  startRotate 10 20 30\n  startRotateOrder zxy\n"
        "  startScale 2 2 2\n  startOrigin -1 -2 -3\n  tweakTranslate 0.5 0 0\n  tweakRotate 0 45 0\n"
        "  tweakScale 1 1.5 1\n  tweakOrigin 0 0 1\n  cameraCache  1 2 3  4 5 6  7 8 9 10\n"
        "  tweakCameraCacheUsed 1\n  tweakCameraCache  -1 -2 -3  -4 -5 -6  -7 -8 -9 -10\n  reverseArch 1\n"
        "  begin Keyframes\n   at 3\n  end Keyframes\n";
    ASSERT_EQ(readLines(cache, body + " end AnimElementCache\n"), 0);
    EXPECT_EQ(writtenBlock(cache), " begin AnimElementCache\n" + body + " end AnimElementCache\n");
    EXPECT_EQ(std::tuple(cache.animateBy, cache.light.index, cache.light.name.empty()),
              std::tuple(+AnimElementCache::kWord, 3, true));
    EXPECT_EQ(cache.element(), scene.findMember("A"));
    EXPECT_EQ(readLines(cache, "animateBy SENTENCE\n"), -1);
    EXPECT_EQ(readLines(cache, "cameraCache 1 2 3\nend AnimElementCache\n"), -1);
}

}  // namespace
}  // namespace fw
