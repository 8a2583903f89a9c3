// Fragmentation records and their chop passes as stored lines.
#include "scene/FragmentationParams.h"

#include "GeometryText.h"
#include "MemoryStream.h"

namespace fw {
namespace {

using test::readLines;
using test::writtenBlock;

std::string chop(const char* enabled, const char* direction) {
    return std::string("  begin ChopParams\n   Enabled ") + enabled +
           "\n   NumSlices 3\n   CenterOffset 0 0 0\n   PositionOffsetStyle None\n   PositionOffset 0\n"
           "   PositionOffset2 0.25\n   PositionOffsetSeed 123\n   RotationOffsetStyle None\n   RotationOffset 0\n"
           "   RotationOffset2 45\n   RotationOffsetSeed 321\n   SliceSkip 0\n   SliceSkipSeed 231\n   Direction " +
           direction + "\n  end ChopParams\n";
}

TEST(FragmentationParams, ARecordWritesItsThreeDefaultPassesAndRefusesAFourth) {
    FragmentationParams f;
    EXPECT_EQ(writtenBlock(f), " begin FragmentationParams\n  Enabled 0\n  Style Linear\n  GlobLoc Local\n"
                               "  ShellSolid Solid\n  SolidMtlIdx 1\n  DivisionType Normal\n  TrackFrame 0\n"
                               "  SliceIncrease 0\n  CenterOffset 0 0 0\n" +
                                   chop("1", "0 0 0") + chop("1", "0 0 90") + chop("0", "0 90 0") +
                                   " end FragmentationParams\n");
    // Blocks closed by another class or of unknown classes fail as every block does
    // (CommandDispatch.LoadsRecoverOrFailAsEachRowSays, tests/persistence); a fourth pass fails too.
    std::string four;
    for (int i = 0; i < 4; ++i) four += "begin ChopParams\nend ChopParams\n";
    std::string diagnostic;
    EXPECT_EQ(readLines(f, four, &diagnostic), -1);
    EXPECT_EQ(diagnostic.rfind("Error processing scene command <<begin>> for class <<FragmentationParams>>", 0), 0u);
}

TEST(FragmentationParams, WordsReadAndWriteWithTheirFallbacks) {
    FragmentationParams f;
    const std::string lines = "  Enabled 1\n  Style Random\n  GlobLoc Global\n  ShellSolid Shell\n  SolidMtlIdx 3\n"
                              "  DivisionType Recursive\n  TrackFrame 12.5\n  SliceIncrease -2\n  CenterOffset 1 2 3\n"
                              "  begin ChopParams\n   Enabled 0\n   NumSlices 7\n   PositionOffsetStyle Random\n"
                              "   RotationOffsetStyle Alternating\n   RotationOffsetSeed 4294967295\n  end ChopParams\n"
                              "  begin ChopParams\n   PositionOffsetStyle Constant\n   Direction 0 45 0\n"
                              "  end ChopParams\n end FragmentationParams\n";
    ASSERT_EQ(readLines(f, lines), 0);
    auto words = [&] { return std::vector<int>{f.style, f.frame, f.shellSolid, f.divisionType}; };
    EXPECT_EQ(words(), (std::vector<int>{FragmentationParams::kRandom, FragmentationParams::kGlobal,
                                         FragmentationParams::kShell, FragmentationParams::kRecursive}));
    EXPECT_EQ(std::tuple(f.chops[0].sliceCount, f.chops[0].positionOffsetStyle, f.chops[0].rotationOffsetSeed),
              std::tuple(7, int(ChopParams::kRandom), 4294967295UL));
    EXPECT_EQ(std::pair(f.chops[1].positionOffsetStyle, f.chops[1].direction[1]),
              std::pair(int(ChopParams::kConstant), 45.0));
    EXPECT_FALSE(f.chops[2].enabled);  // the third pass was not in the file
    FragmentationParams again;
    std::string text = writtenBlock(f);
    ASSERT_EQ(readLines(again, text.substr(text.find('\n') + 1)), 0);
    EXPECT_EQ(writtenBlock(again), text);
    // Unknown words read as the first value; values outside the lists write the fallback.
    ASSERT_EQ(readLines(f, "Style Spiral\nGlobLoc Nearby\nShellSolid Hollow\nDivisionType Odd\n"), 0);
    EXPECT_EQ(words(), (std::vector<int>{FragmentationParams::kLinear, FragmentationParams::kLocal,
                                         FragmentationParams::kSolid, FragmentationParams::kNormal}));
    f.style = 9, f.frame = 0, f.shellSolid = 5, f.divisionType = -1;
    f.chops[0].positionOffsetStyle = 8;
    text = writtenBlock(f);
    test::expectContains(text, {"  Style Linear\n  GlobLoc Local\n  ShellSolid Shell\n  SolidMtlIdx 3\n"
                                "  DivisionType Normal\n",
                                "   PositionOffsetStyle None\n"});
    ASSERT_EQ(readLines(f.chops[0], "PositionOffsetStyle Wavy\n"), 0);
    EXPECT_EQ(f.chops[0].positionOffsetStyle, ChopParams::kNone);
}

}  // namespace
}  // namespace fw
