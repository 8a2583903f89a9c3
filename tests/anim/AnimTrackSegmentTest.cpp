// Segments: their frames, parent, version and blocks as poses and transitions store them.
#include "anim/AnimTrackSegment.h"

#include <gtest/gtest.h>

#include "AnimTestScene.h"
#include "MemoryStream.h"
#include "anim/AnimPose.h"
#include "anim/AnimTransition.h"

namespace fw {
namespace {

using test::readLines;
using test::writtenBlock;

// The blocks of a fresh segment, written out by hand from their stored forms.
std::string chop(const char* enabled, const char* direction) {
    return std::string("   begin ChopParams\n    Enabled ") + enabled +
           "\n    NumSlices 3\n    CenterOffset 0 0 0\n    PositionOffsetStyle None\n    PositionOffset 0\n"
           "    PositionOffset2 0.25\n    PositionOffsetSeed 123\n    RotationOffsetStyle None\n    RotationOffset 0\n"
           "    RotationOffset2 45\n    RotationOffsetSeed 321\n    SliceSkip 0\n    SliceSkipSeed 231\n"
           "    Direction " + direction + "\n   end ChopParams\n";
}

std::string action(const char* type) {
    return std::string("  begin AnimPathAction\n   actionType \"") + type +
           "\"\n   blendingRange 0.250000\n   randomSeed 0\n   startTime 0.000000\n   endTime 100.000000\n"
           "   amount1 0.000000\n   amount2 0.000000\n   amount3 0.000000\n   amount4 0.000000\n"
           "   amount5 0.000000\n   amount6 0.000000\n   amount7 0.000000\n   useCommonCenter 0\n"
           "   faceValue \"Front\"\n  end AnimPathAction\n";
}

// The base lines (the matrix's rows after the first start their own lines) and the
// fragmentation that every segment writes first.
const std::string kHead =
    "  animVersion \"3.0\"\n  frameStart 0.000000\n  frameEnd 0.000000\n  parentNode \"\" 0\n  parentMatrix 1 0 0 0 \n"
    "0 1 0 0 \n0 0 1 0 \n0 0 0 1 \n  description \"\"\n  begin FragmentationParams\n   Enabled 0\n   Style Linear\n"
    "   GlobLoc Local\n   ShellSolid Solid\n   SolidMtlIdx 1\n   DivisionType Normal\n   TrackFrame 0\n"
    "   SliceIncrease 0\n   CenterOffset 0 0 0\n" +
    chop("1", "0 0 0") + chop("1", "0 0 90") + chop("0", "0 90 0") + "  end FragmentationParams\n";
const std::string kVis =
    "  begin AnimVis\n   visType FadeOn\n   startTime 0.000000\n   endTime 0.000000\n  end AnimVis\n";

const std::string kPoseSettings =
    "  begin AnimPoseSettings\n   moveToCenter \"false\"\n   spread 0.000000\n   spreadXYZ 1 1 1\n   shuffleSeed 0\n"
    "   shuffleType 0\n   distributeSeed 0\n   distributeType \"None\"\n   distributeSize 50.000000\n"
    "   distributeParam1 50.000000\n   distributeParam2 0.000000\n   distributeParam2b 360.000000\n"
    "   distributeMenu1 \"XAxis\"\n   distributeMenu2 \"Front\"\n   distributeCheck1 1\n   randomizeSeed 0\n"
    "   randomizeDistance 0.000000\n   randomizeXYZ 1 1 1\n   moveXYZ 0\n   moveDistance 0.000000\n"
    "   moveDirection 0.000000 0.000000 0.000000\n   moveDirectionVector 0.000000 0.000000 -1.000000\n"
    "   localScale 100.000000 100.000000 100.000000\n   globalScale 100.000000 100.000000 100.000000\n"
    "   globalCenterRotation 0.000000 0.000000 0.000000\n   localCenterRotation 0.000000 0.000000 0.000000\n"
    "  end AnimPoseSettings\n";
const std::string kPathToSequence =
    "  begin AnimPath\n   bowAmount 0.000000\n   bowAmount2 100.000000\n   bowAmountStyle \"same\"\n"
    "   bowAmountStyleSeed 0\n   bowCenter 0.000000\n   bowDirection 0.000000\n   bowDirection2 360.000000\n"
    "   bowDirectionStyle \"same\"\n   bowDirectionStyleSeed 0\n   startOvershoot 0.000000\n   endOvershoot 0.000000\n"
    "   startPinch 0.000000\n   endPinch 0.000000\n   twist 0.000000\n  end AnimPath\n  doAutoSmooth 0\n"
    "  begin AnimSmoothingParams\n   startSmooth 100.000000\n   endSmooth 100.000000\n  end AnimSmoothingParams\n"
    "  begin AnimSequenceParams\n   minimizeRotations 1\n   blendingRange 0.25\n   launchType \"Birth\"\n"
    "   launchSeed 0\n   overlap 0\n   fragOverlapCheck 0\n   fragOverlap 0\n   startGaps 0\n   endGaps 0\n"
    "   clumps 0\n   startEase 0\n   endEase 0\n   easeAmount 50\n  end AnimSequenceParams\n";

TEST(AnimTrackSegment, FreshPoseAndTransitionWriteTheirDefaults) {
    SceneX scene;
    AnimPose pose(scene);
    AnimTransition transition(scene);
    EXPECT_EQ(writtenBlock(pose), " begin AnimPose\n" + kHead + "  startCenter 0 0 0\n  startBounds 0 0 0  0 0 0\n" +
                                      kPoseSettings + action("PoseNone") + kVis + " end AnimPose\n");
    EXPECT_EQ(writtenBlock(transition), " begin AnimTransition\n" + kHead + kPathToSequence + action("None") + kVis +
                                            " end AnimTransition\n");
}

TEST(AnimTrackSegment, FramesAreWrittenAsDecimalsAndReadTruncated) {
    SceneX scene;
    AnimPose pose(scene);
    pose.startFrame = 10;
    pose.length = 5;
    std::string text = writtenBlock(pose);
    EXPECT_NE(text.find("  frameStart 10.000000\n  frameEnd 14.000000\n"), std::string::npos);
    AnimPose back(scene);
    ASSERT_EQ(readLines(back, text.substr(text.find('\n') + 1)), 0);
    EXPECT_EQ(back.startFrame, 10);
    EXPECT_EQ(back.length, 5);
    EXPECT_TRUE(back.changed);
    EXPECT_EQ(writtenBlock(back), text);

    // Toward zero, both ways.
    AnimPose cut(scene);
    ASSERT_EQ(readLines(cut, "frameStart -3.7\nframeEnd 7.9\n"), 0);
    EXPECT_EQ(cut.startFrame, -3);
    EXPECT_EQ(cut.length, 11);

    // The end counts from the start read so far.
    AnimPose early(scene);
    early.startFrame = 2;
    ASSERT_EQ(readLines(early, "frameEnd 14\nframeStart 10\n"), 0);
    EXPECT_EQ(early.startFrame, 10);
    EXPECT_EQ(early.length, 13);

    // A value that is not a number leaves the frame as it was, and reading goes on.
    ASSERT_EQ(readLines(early, "frameStart soon\nframeEnd nan\ndescription \"after\"\n"), 0);
    EXPECT_EQ(early.startFrame, 10);
    EXPECT_EQ(early.length, 13);
    EXPECT_EQ(early.description, "after");
    // Absurd frames are held where the arithmetic on them stays exact.
    ASSERT_EQ(readLines(early, "frameStart -1e300\nframeEnd 1e300\n"), 0);
    EXPECT_GT(early.length, 0);
    EXPECT_GT(early.lastFrame(), early.startFrame);
}

TEST(AnimTrackSegment, ParentVersionAndTextLinesComeBack) {
    SceneX scene;
    test::addObject(scene, "Title");
    AnimTransition t(scene);
    ASSERT_EQ(readLines(t, "animVersion \"5.2\"\nparentNode \"Title\" 1\n"
                           "parentMatrix 1 0 0 5 \n0 2 0 6 \n0 0 3 7 \n0 0 0 1 \n"
                           "animateTextBy 4\ndescription \"say \\\"hi\\\"\"\n"),
              0);
    EXPECT_EQ(t.versionMajor, 5);
    EXPECT_EQ(t.versionMinor, 2);
    EXPECT_TRUE(t.parentFlag);
    EXPECT_EQ(t.parentNode.resolve(), scene.findMember("Title"));
    // Rows as stored: the translation is the last column.
    EXPECT_EQ(t.parentMatrix[3][0], 5.0);
    EXPECT_EQ(t.parentMatrix[3][2], 7.0);
    EXPECT_EQ(t.parentMatrix[1][1], 2.0);
    EXPECT_EQ(t.description, "say \"hi\"");
    std::string text = writtenBlock(t);
    EXPECT_NE(text.find("  animVersion \"5.2\"\n  frameStart 0.000000\n  frameEnd 0.000000\n"
                        "  parentNode \"Title\" 1\n  parentMatrix 1 0 0 5 \n0 2 0 6 \n0 0 3 7 \n0 0 0 1 \n"
                        "  description \"say \\\"hi\\\"\"\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("animateTextBy"), std::string::npos);
    EXPECT_EQ(readLines(t, "parentMatrix 1 2 3\nend AnimTransition\n"), -1);
}

TEST(AnimTrackSegment, PosesKeepTheirWarpAndTransitionsTheirLaunchOrder) {
    SceneX scene;
    AnimPose pose(scene);
    const std::string warp = "  begin WarpInstance\n   kind \"Bulge\"\n   begin WarpPart\n    amount 3\n"
                             "   end WarpPart\n  end WarpInstance\n";
    ASSERT_EQ(readLines(pose, "startCenter 1.5 -2 3\nstartBounds -1 -2 -3 4 5 6\n" + warp.substr(2)), 0);
    std::string text = writtenBlock(pose);
    EXPECT_NE(text.find("  startCenter 1.5 -2 3\n  startBounds -1 -2 -3  4 5 6\n"), std::string::npos);
    // The warp comes back byte for byte, after the pose's own blocks.
    const std::string tail = warp + " end AnimPose\n";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);

    AnimTransition t(scene);
    std::string lines;
    for (int i = 0; i < 100000; ++i) lines += "launchOrder " + std::to_string(99999 - i) + "\n";
    ASSERT_EQ(readLines(t, lines + "doAutoSmooth 1\n"), 0);
    ASSERT_EQ(t.launchOrder.size(), 100000u);
    EXPECT_EQ(t.launchOrder.front(), 99999);
    text = writtenBlock(t);
    EXPECT_NE(text.find(" end AnimPath\n  launchOrder 99999\n  launchOrder 99998\n"), std::string::npos);
    EXPECT_NE(text.find("  launchOrder 0\n  doAutoSmooth 1\n  begin AnimSmoothingParams\n"), std::string::npos);

    // A transition that carries a warp moves the warp: no action or fade is written.
    t.warp = std::make_unique<KeptLines>();
    text = writtenBlock(t);
    EXPECT_EQ(text.find("AnimPathAction"), std::string::npos);
    EXPECT_EQ(text.find("AnimVis"), std::string::npos);
    EXPECT_NE(text.find(" end AnimSequenceParams\n end AnimTransition\n"), std::string::npos);
}

// Each segment type reads only its own blocks.
TEST(AnimTrackSegment, UnknownBlocksFail) {
    SceneX scene;
    AnimPose pose(scene);
    AnimTransition t(scene);
    std::string diagnostic;
    EXPECT_EQ(readLines(pose, "begin AnimPath\n", &diagnostic), -1);
    EXPECT_EQ(diagnostic.rfind("Error processing scene command <<begin>> for class <<AnimPose>> at byte", 0), 0u);
    EXPECT_EQ(readLines(t, "begin WarpInstance\n", &diagnostic), -1);
    EXPECT_EQ(readLines(t, "begin AnimPoseSettings\n"), -1);
    EXPECT_EQ(readLines(t, "begin FragmentationParams\nbegin ChopParams\nNumSlices 9\nend ChopParams\n"
                           "end FragmentationParams\nbegin AnimGroup\nend AnimGroup\n"
                           "begin AnimElementCache\nend AnimElementCache\n"),
              0);
    EXPECT_EQ(t.fragmentation.chops[0].sliceCount, 9);
    EXPECT_EQ(t.groups.size(), 1u);
    EXPECT_EQ(t.caches.size(), 1u);
    EXPECT_EQ(t.elementCache(0), t.caches[0].get());
    EXPECT_EQ(t.elementCache(1), nullptr);
    EXPECT_EQ(t.elementCache(-1), nullptr);
    // A fragmentation block read again fills its passes from the first.
    EXPECT_EQ(readLines(t, "begin FragmentationParams\nbegin ChopParams\nNumSlices 4\nend ChopParams\n"
                           "end FragmentationParams\n"),
              0);
    EXPECT_EQ(t.fragmentation.chops[0].sliceCount, 4);
}

TEST(AnimTrackSegment, CopyTakesTheSegmentsOwnRecords) {
    SceneX scene;
    AnimPose source(scene);
    ASSERT_EQ(readLines(source, "frameStart 5\nframeEnd 9\nparentNode \"Top\" 1\nbegin AnimGroup\n"
                                "groupName \"G\"\nend AnimGroup\nbegin AnimPoseSettings\nspread 30\n"
                                "end AnimPoseSettings\nbegin WarpInstance\n w 1\nend WarpInstance\n"),
              0);
    AnimPose copy(scene);
    copy.copyFrom(source);
    EXPECT_EQ(writtenBlock(copy), writtenBlock(source));
    EXPECT_NE(copy.groups[0].get(), source.groups[0].get());
    AnimTransition other(scene);
    other.copyFrom(source);  // another type takes the shared part only
    EXPECT_EQ(other.startFrame, 5);
    EXPECT_EQ(other.length, 5);
    EXPECT_EQ(other.groups.size(), 1u);
    EXPECT_EQ(other.warp, nullptr);
}

}  // namespace
}  // namespace fw
