// The parameter blocks of poses and transitions: fades, smoothing, sequencing, paths,
// actions and pose settings, through a memory stream.
#include <gtest/gtest.h>

#include "MemoryStream.h"
#include "anim/AnimPath.h"
#include "anim/AnimPathAction.h"
#include "anim/AnimPoseSettings.h"
#include "anim/AnimSequenceParams.h"
#include "anim/AnimSmoothingParams.h"
#include "anim/AnimTrackSegment.h"
#include "anim/AnimVis.h"
#include "platform/Dialogs.h"

namespace fw {
namespace {

using test::readLines;
using test::writtenBlock;

// Words outside the lists: launch orders and spreads fall back to their first word and
// the line is taken; values outside the lists are written as the fallback word.
TEST(AnimParams, WordsOutsideTheListsFallBack) {
    AnimSequenceParams sequence;
    ASSERT_EQ(readLines(sequence, "launchType \"OutIn\"\n"), 0);
    EXPECT_EQ(sequence.launchType, AnimSequenceParams::kOutIn);
    EXPECT_NE(writtenBlock(sequence).find("  launchType \"OutIn\"\n"), std::string::npos);
    std::string diagnostic;
    EXPECT_EQ(readLines(sequence, "launchType \"Sideways\"\noverlap 40\n", &diagnostic), 0);
    EXPECT_EQ(sequence.launchType, AnimSequenceParams::kBirth);
    EXPECT_EQ(sequence.overlap, 40.0);
    EXPECT_EQ(diagnostic, "");
    sequence.launchType = 99;
    EXPECT_NE(writtenBlock(sequence).find("  launchType \"Birth\"\n"), std::string::npos);

    AnimPath path;
    path.bowAmountStyle = 0;
    path.bowDirectionStyle = 7;
    std::string text = writtenBlock(path);
    EXPECT_NE(text.find("  bowAmountStyle \"same\"\n"), std::string::npos);
    EXPECT_NE(text.find("  bowDirectionStyle \"same\"\n"), std::string::npos);
    ASSERT_EQ(readLines(path, "bowAmountStyle \"three_point\"\nbowDirectionStyle \"wobbly\"\n"), 0);
    EXPECT_EQ(path.bowAmountStyle, AnimPath::kThreePoint);
    EXPECT_EQ(path.bowDirectionStyle, AnimPath::kSame);

    AnimPathAction action;
    action.actionType = AnimPathAction::kActionTypes;
    action.faceValue = -1;
    text = writtenBlock(action);
    EXPECT_NE(text.find("  actionType \"None\"\n"), std::string::npos);
    EXPECT_NE(text.find("  faceValue \"Front\"\n"), std::string::npos);
    // An action or face this program does not know is an error, not a guess.
    EXPECT_EQ(readLines(action, "actionType \"Moonwalk\"\n"), -1);
    EXPECT_EQ(readLines(action, "faceValue \"Inside\"\n"), -1);

    AnimPoseSettings settings;
    settings.distributeType = 40;
    settings.distributeMenu2 = 11;
    text = writtenBlock(settings);
    EXPECT_NE(text.find("  distributeType \"None\"\n"), std::string::npos);
    EXPECT_NE(text.find("  distributeMenu2 \"Front\"\n"), std::string::npos);
}

// Every value away from its default survives a write and a read.
TEST(AnimParams, EveryValueComesBack) {
    AnimPathAction action(AnimPathAction::kPoseNone);
    ASSERT_EQ(readLines(action, "actionType \"PathFreeWanderTumble2\"\nblendingRange 0.5\nrandomSeed -77\n"
                                "startTime 10\nendTime 90\namount1 1\namount2 2\namount3 3\namount4 4\n"
                                "amount5 5\namount6 6\namount7 7.5\nuseCommonCenter 1\nfaceValue \"Right\"\n"
                                "end AnimPathAction\n"),
              0);
    AnimPathAction again;
    ASSERT_EQ(readLines(again, writtenBlock(action).substr(std::string(" begin AnimPathAction\n").size())), 0);
    EXPECT_EQ(writtenBlock(again), writtenBlock(action));
    EXPECT_EQ(again.actionType, AnimPathAction::kPathFreeWanderTumble2);
    EXPECT_EQ(again.randomSeed, -77);
    EXPECT_EQ(again.amount[6], 7.5);
    EXPECT_EQ(again.faceValue, AnimPathAction::kRight);

    AnimPoseSettings settings;
    ASSERT_EQ(readLines(settings, "moveToCenter \"true\"\nspreadXYZ 0 1 0\nshuffleSeed 1234567890123\n"
                                  "distributeType \"SphereShell\"\ndistributeMenu1 \"YAxis\"\n"
                                  "distributeMenu2 \"BottomConstrained\"\nlocalScale 50 60 70\nend AnimPoseSettings\n"),
              0);
    EXPECT_TRUE(settings.moveToCenter);
    EXPECT_EQ(settings.shuffleSeed, 1234567890123L);
    EXPECT_EQ(settings.distributeType, AnimPoseSettings::kSphereShell);
    EXPECT_EQ(settings.distributeMenu2, AnimPoseSettings::kBottomConstrained);
    std::string text = writtenBlock(settings);
    EXPECT_NE(text.find("  moveToCenter \"true\"\n  spread 0.000000\n  spreadXYZ 0 1 0\n  shuffleSeed 1234567890123\n"),
              std::string::npos);
    EXPECT_NE(text.find("  distributeMenu1 \"YAxis\"\n  distributeMenu2 \"BottomConstrained\"\n"), std::string::npos);
    EXPECT_NE(text.find("  localScale 50.000000 60.000000 70.000000\n"), std::string::npos);
    // Neither a flag that is not true or false nor a seed beyond a long is guessed at.
    EXPECT_EQ(readLines(settings, "moveToCenter \"yes\"\n"), -1);
    EXPECT_EQ(readLines(settings, "shuffleSeed 99999999999999999999999\n"), -1);
    EXPECT_EQ(settings.shuffleSeed, 1234567890123L);
}

// The second arc angle lies a full turn from the first when the file leaves it out.
TEST(AnimParams, PoseSettingsDeriveTheSecondAngleWhenItWasNotRead) {
    AnimPoseSettings positive;
    ASSERT_EQ(readLines(positive, "distributeParam2 90\nend AnimPoseSettings\n"), 0);
    EXPECT_EQ(positive.distributeParam2b, -270.0);
    for (auto [lines, second] : {std::pair<const char*, double>{"distributeParam2 -90\n", 270}, {"", 360},
                                 {"distributeParam2 90\ndistributeParam2b 45\n", 45}}) {
        AnimPoseSettings settings;
        ASSERT_EQ(readLines(settings, std::string(lines) + "end AnimPoseSettings\n"), 0);
        EXPECT_EQ(settings.distributeParam2b, second) << lines;
    }
    EXPECT_NE(writtenBlock(positive).find("  distributeParam2 90.000000\n  distributeParam2b -270.000000\n"),
              std::string::npos);
}

// Versions up to 5.5 are read; a newer one is refused with the user told why.
TEST(AnimParams, NewerAnimationVersionsAreRefused) {
    int major = 4, minor = 9;
    const struct {
        double version;
        bool accepted;
        int major, minor;  // a refused version leaves the record's alone
    } cases[] = {{5.5, true, 5, 5},  {5.3, true, 5, 3},  {4.9, true, 4, 9},
                 {5.6, false, 4, 9}, {6.0, false, 4, 9}, {1e300, false, 4, 9}};
    for (const auto& c : cases) {
        EXPECT_EQ(acceptAnimVersion(c.version, major, minor), c.accepted) << c.version;
        EXPECT_EQ(std::pair(major, minor), std::pair(c.major, c.minor)) << c.version;
    }

    Dialogs::instance().setQuiet(true);
    Dialogs::instance().clearShown();
    AnimPathAction action;
    AnimSequenceParams sequence;
    AnimVis vis;
    EXPECT_EQ(readLines(action, "animVersion \"5.5\"\n"), 0);
    EXPECT_EQ(action.versionMinor, 5);
    EXPECT_TRUE(Dialogs::instance().shown().empty());
    std::string diagnostic;
    EXPECT_EQ(readLines(action, "animVersion \"5.6\"\n", &diagnostic), -1);
    EXPECT_EQ(diagnostic.rfind("Error processing scene command <<animVersion>> for class <<AnimPathAction>>", 0), 0u);
    EXPECT_EQ(readLines(sequence, "animVersion 6.0\n"), -1);
    EXPECT_EQ(readLines(vis, "animVersion \"7\"\n"), -1);
    const std::string message =
        "\rThe animation information in this file is incompatible with this version of the software.";
    EXPECT_EQ(Dialogs::instance().shown(), std::vector<std::string>(3, message));
    Dialogs::instance().clearShown();
    Dialogs::instance().setQuiet(false);
}

}  // namespace
}  // namespace fw
