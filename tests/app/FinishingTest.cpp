// The finishing options as a user reaches them: kept in the project `text` writes and read back whole, a glint sweep
// that lights only the letters and crosses the frame over the timeline, and motion blur from both renderers on a flying
// title.
#include "AppHelpers.h"
#include "MovieProbe.h"

using ::test::Pixels;
using testing::AllOf, testing::HasSubstr, testing::Not;

namespace fw {
namespace {

test::Outcome hi(const test::TempDir& dir, const std::string& options, const std::string& out) {
    return test::formwright(dir, "text Hi " + options + " -o '" + out + "'");
}

// Without the options a project keeps the lines it always had; `set` changes a saved one wholly or not at all.
TEST(Finishing, OptionsAreKeptInTheProjectAndSetChangesASavedOneWhollyOrNotAtAll) {
    test::TempDir dir;
    const std::string project = dir.file("finished.kxp"), plain = dir.file("plain.kxp");
    auto r = hi(dir, "--motion-blur 8 --shutter 90 --depth-of-field 3 --anti-alias 3 --anti-alias-passes --glint sweep",
                project);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string text = test::readFile(project);
    for (const char* line : {"MotionBlurPasses 8\n", "MotionBlurShutter 90\n", "AntiAliasLevel \"3\"\n",
                             "AntiAliasPasses 1\n", "DepthOfField 3\n", "begin FrameEffects\n", "begin GlintUnit\n",
                             "Name \"Glint Sweep\"\n", "GlintWipeType \"WipeOnOff\"\n", "end FrameEffects\n"})
        EXPECT_THAT(text, HasSubstr(line));
    ASSERT_EQ(test::ran(dir, "resave '" + project + "' '" + dir.file("again.kxp") + "'").status, 0);
    EXPECT_EQ(test::readFile(dir.file("again.kxp")), text);
    ASSERT_EQ(hi(dir, "--set UseAlphaMask=1", plain).status, 0);
    EXPECT_THAT(test::readFile(plain), HasSubstr("UseAlphaMask \"1\"\n"));
    for (const char* line : {"DepthOfField", "AntiAliasPasses", "FrameEffects"})
        EXPECT_THAT(test::readFile(plain), Not(HasSubstr(line)));
    for (const char* bad : {"--depth-of-field 20", "--glint shine", "--motion-blur 0", "--shutter 400"})
        EXPECT_NE(hi(dir, bad, dir.file("bad.kxp")).status, 0) << bad;
    // A project asking for more passes than any frame needs is held, and says so.
    std::string err;
    test::rendered(dir, "huge",
                   test::edited(test::readFile(plain), {{"MotionBlurPasses 1\n", "MotionBlurPasses 100000\n"}}),
                   "--size 32x24", &err);
    EXPECT_THAT(err, HasSubstr("MotionBlurPasses: 100000 is more than the 64 passes a frame may draw for it"));
    ASSERT_EQ(test::ran(dir, "set '" + plain + "' AntiAliasLevel=4 'BackgroundColor=0.25 0.5 1'").status, 0);
    const std::string changed = test::readFile(plain);
    EXPECT_THAT(changed, AllOf(HasSubstr("AntiAliasLevel \"4\"\n"), HasSubstr("BackgroundColor 0.25 0.5 1\n")));
    // One bad setting among good ones: exit 1, the file as it was, and what is allowed named.
    for (const char* bad : {"Bogus=1", "AntiAliasLevel=many", "AntiAliasLevel", "Version=1.0.0"}) {
        r = test::formwright(dir, "set '" + plain + "' RenderShadows=0 " + bad);
        EXPECT_EQ(r.status, 1) << bad;
        EXPECT_EQ(test::readFile(plain), changed) << bad;
    }
    EXPECT_THAT(r.err, HasSubstr("the settings are: ViewerMode"));
    r = test::formwright(dir, "set '" + plain + "' AntiAliasLevel=many");
    EXPECT_THAT(r.err, HasSubstr("it is written like this: AntiAliasLevel \"4\""));
    EXPECT_EQ(hi(dir, "--set Nope=1", dir.file("never.kxp")).status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("never.kxp")));
}

TEST(Finishing, AGlintSweepLightsOnlyTheLettersAndCrossesThemOverTheTimeline) {
    test::TempDir dir;
    const std::string project = dir.file("gold.kxp");
    ASSERT_EQ(test::formwright(dir, "text HHHH --material 'Polished Gold' -o '" + project + "'").status, 0);
    const std::string text = test::readFile(project);
    std::vector<double> where;  // the mean column of the pixels the glint changes, frame by frame
    for (int frame : {90, 150, 210}) {
        SCOPED_TRACE("frame " + std::to_string(frame));
        const std::string at = "--size 320x240 --frame " + std::to_string(frame);
        const Pixels plain = test::rendered(dir, "plain", text, at);
        const Pixels lit = test::rendered(dir, "lit", text, at + " --glint sweep");
        int changed = 0, outside = 0;  // outside: changed where the plain picture shows background
        double sumX = 0;
        for (int y = 0; y < plain.height; ++y)
            for (int x = 0; x < plain.width; ++x) {
                const int *p = plain.at(x, y), *q = lit.at(x, y);
                if (p[0] == q[0] && p[1] == q[1] && p[2] == q[2]) continue;
                ++changed, sumX += x;
                outside += p[0] == 0 && p[1] == 0 && p[2] == 0;
            }
        EXPECT_GT(changed, 50);
        EXPECT_EQ(outside, 0);
        where.push_back(changed ? sumX / changed : -1);
    }
    EXPECT_LT(where[0] + 20, where[1]);
    EXPECT_LT(where[1] + 20, where[2]);
}

TEST(Finishing, MotionBlurStreaksAFlyingTitleWithEitherRendererAndLeavesASettledOneAlone) {
    test::TempDir dir;
    const std::string project = dir.file("fly.kxp");
    ASSERT_EQ(test::formwright(dir, "text W --animate fly-in --duration 2 -o '" + project + "'").status, 0);
    const std::string text = test::readFile(project);
    for (const std::string renderer : {"gl", "raytrace"}) {
        SCOPED_TRACE(renderer);
        auto sharpAgainstBlurred = [&](int frame) {
            const std::string at = "--size 160x120 --frame " + std::to_string(frame) + " --renderer " + renderer;
            return ::test::psnr(test::rendered(dir, "sharp", text, at),
                                test::rendered(dir, "blurred", text, at + " --motion-blur 6"));
        };
        EXPECT_LT(sharpAgainstBlurred(10), 35);
        EXPECT_GT(sharpAgainstBlurred(59), 45);
    }
}

TEST(Finishing, TheBackgroundIsAColourAnImageOrClearAndAMovieHoldsTheWholeTimeline) {
    test::TempDir dir;
    const std::string image = dir.file("backdrop.png");
    ASSERT_EQ(hi(dir, "--background '#336699' --size 64x48", image).status, 0);
    Pixels p = ::test::readImage(image);
    ASSERT_EQ(p.width, 64);
    EXPECT_EQ(std::vector<int>(p.at(0, 0), p.at(0, 0) + 3), (std::vector<int>{51, 102, 153}));
    // The picture just made, stretched behind another title: its corner shows through.
    const std::string over = dir.file("over.png");
    ASSERT_EQ(hi(dir, "--background '" + image + "' --size 64x48", over).status, 0);
    p = ::test::readImage(over);
    EXPECT_NEAR(p.at(0, 0)[2], 153, 2);
    ASSERT_EQ(hi(dir, "--transparent --size 64x48", over).status, 0);
    EXPECT_EQ(::test::readImage(over, true).at(0, 0)[3], 0);
    for (const char* bad : {"nowhere.png", "#12345", "1.5,0,0", "0.1 0.2 0.3"})
        EXPECT_EQ(hi(dir, std::string("--background '") + bad + "'", over).status, 1) << bad;
    const std::string movie = dir.file("title.mp4");
    ASSERT_EQ(test::ran(dir, "text Hi --animate fly-in --duration 2.5 --size 64x48 -o '" + movie + "'").status, 0);
    test::MovieProbe probe(movie);
    EXPECT_EQ(probe["nb_read_frames"], "75") << probe.json;  // 2.5 s at 30 frames per second
    EXPECT_EQ(probe["width"], "64");
}

}  // namespace
}  // namespace fw
