// The directing options as a user reaches them through `text` and `render`: each changes the saved project and the
// picture, a bad value is refused before any work, and a project made with all of them resaves byte for byte.
#include "AppHelpers.h"

using ::test::Pixels;
using testing::HasSubstr, testing::Not;

namespace fw {
namespace {

test::Outcome lateNews(const test::TempDir& dir, const std::string& options, const std::string& out) {
    return test::formwright(dir, "text 'Late News' " + options + " -o '" + out + "'");
}

TEST(Directing, EachOptionChangesTheSavedProjectAndThePicture) {
    test::TempDir dir;
    const std::string base = dir.file("base.kxp");
    ASSERT_EQ(lateNews(dir, "--animate fly-in", base).status, 0);
    const std::string baseText = test::readFile(base);
    // In flight, and the still.
    const std::string at[] = {"--size 160x90 --frame 12", "--size 160x90"};
    const Pixels basePictures[] = {test::rendered(dir, "base", baseText, at[0]),
                                   test::rendered(dir, "base", baseText, at[1])};
    const std::pair<std::string, std::string> cases[] = {{"--fps 25", "framesPerSecond 25.000000\n"},
                                                         {"--stagger 0.4", "overlap 50\n"},
                                                         {"--ease in:80", "easeAmount 80\n"},
                                                         {"--launch right-left", "launchType \"RightLeft\"\n"},
                                                         {"--by word", "animateBy WORD\n"},
                                                         {"--camera orbit=30,tilt=15,lens=35", "lens 35.000000\n"},
                                                         {"--colour '#ff0000@2'", "name \"Colour FF0000\"\n"},
                                                         {"--material Chrome@c1-4", "name \"Text Style @c1-4\"\n"}};
    int n = 0;
    for (const auto& [options, line] : cases) {
        SCOPED_TRACE(options);
        const std::string project = dir.file("directed" + std::to_string(n++) + ".kxp");
        auto r = lateNews(dir, "--animate fly-in " + options, project);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string text = test::readFile(project);
        EXPECT_THAT(text, HasSubstr(line));
        EXPECT_THAT(baseText, Not(HasSubstr(line)));
        EXPECT_TRUE(test::rendered(dir, "directed", text, at[0]).rgb != basePictures[0].rgb ||
                    test::rendered(dir, "directed", text, at[1]).rgb != basePictures[1].rgb);
    }
    // The colour lands on the second word, the right-hand half of the settled title: red-dominant pixels, and their
    // mean column.
    ASSERT_EQ(lateNews(dir, "--colour '#ff0000@2'", dir.file("coloured.kxp")).status, 0);
    const Pixels coloured = test::rendered(dir, "coloured", test::readFile(dir.file("coloured.kxp")), "--size 160x90");
    int reds = 0;
    double sumX = 0;
    for (int y = 0; y < coloured.height; ++y)
        for (int x = 0; x < coloured.width; ++x)
            if (coloured.at(x, y)[0] > 80 && coloured.at(x, y)[0] > 2 * coloured.at(x, y)[1]) ++reds, sumX += x;
    EXPECT_GT(reds, 100);
    EXPECT_GT(reds ? sumX / reds : -1, 90);
    // --duration lengthens the hold: `text` keeps it, and `render` directs a saved project the same way, so a frame
    // past the old end renders.
    ASSERT_EQ(lateNews(dir, "--animate fly-in --duration 4", dir.file("long.kxp")).status, 0);
    EXPECT_THAT(test::readFile(dir.file("long.kxp")), HasSubstr("frameEnd 119.000000\n"));
    auto render = [&](const std::string& options) {
        return test::formwright(dir, "render '" + base + "' " + options + " -o '" + dir.file("late.png") + "'");
    };
    auto r = render("--duration 5 --frame 140 --size 64x36");
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* frames : {"--frame 140 --size 64x36", "--frames 130-131 --size 64x36"}) {
        r = render(frames);
        EXPECT_EQ(r.status, 1) << frames;
        EXPECT_THAT(r.err, HasSubstr("outside the project's timeline")) << frames;
    }
    for (const char* frames : {"--frame -3", "--frames -2-4", "--frame 1e12", "--frames 0-99999999999"})
        EXPECT_EQ(render(frames).status, 1) << frames;
}

TEST(Directing, BadValuesAreRefusedAndEveryCombinationResavesWhole) {
    test::TempDir dir;
    const std::string out = dir.file("bad.kxp");
    for (const char* bad : {"--animate fly-in --ease sideways", "--animate fly-in --launch nowhere", "--camera tilt=95",
                            "--camera zoom=2", "--colour 'red@0'", "--colour '#ff0000@3'", "--material Chrome@x",
                            "--material Nothing@1", "--stagger 0.2", "--animate fly-in --duration 0.2",
                            "--animate fade-out,fly-in", "--animate shatter --by word", "--animate wobble"}) {
        EXPECT_EQ(lateNews(dir, bad, out).status, 1) << bad;
        EXPECT_FALSE(std::filesystem::exists(out)) << bad;
    }
    const std::string project = dir.file("all.kxp"), again = dir.file("again.kxp");
    auto r = lateNews(dir,
                      "--animate typewriter,hold,fly-out --duration 6 --fps 24 --stagger 0.1 --ease in-out:70 "
                      "--launch out-in --by letter --camera orbit=-20,tilt=10,distance=900,lens=80 "
                      "--colour '#00ff00@c6-9' --material 'Polished Gold@1'",
                      project);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(test::ran(dir, "resave '" + project + "' '" + again + "'").status, 0);
    EXPECT_EQ(test::readFile(again), test::readFile(project));
}

}  // namespace
}  // namespace fw
