// The directing options as a user reaches them through `text` and `render`: each changes
// the saved project and the picture, a bad value is refused before any work, and a
// project made with all of them resaves byte for byte.
#include <filesystem>

#include "AppRun.h"

using ::test::Pixels;
using testing::HasSubstr;
using testing::Not;

namespace fw {
namespace {

// Red-dominant pixels and their mean column.
struct Reds {
    int count = 0;
    double meanX = 0;
};

Reds reds(const Pixels& p) {
    Reds r;
    double sum = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.at(x, y)[0] > 80 && p.at(x, y)[0] > 2 * p.at(x, y)[1]) ++r.count, sum += x;
    r.meanX = r.count ? sum / r.count : -1;
    return r;
}

TEST(Directing, EachOptionChangesTheSavedProjectAndThePicture) {
    test::TempDir dir;
    const std::string base = dir.file("base.kxp");
    ASSERT_EQ(test::formwright(dir, "text 'Late News' --animate fly-in -o '" + base + "'").status, 0);
    const std::string baseText = test::readFile(base);
    // In flight, and the still.
    const std::string at[] = {"--size 160x90 --frame 12", "--size 160x90"};
    const Pixels basePictures[] = {test::rendered(dir, "base", baseText, at[0]),
                                   test::rendered(dir, "base", baseText, at[1])};
    const struct {
        const char* options;
        const char* line;  // a line the option writes
    } cases[] = {
        {"--fps 25", "framesPerSecond 25.000000\n"},
        {"--stagger 0.4", "overlap 50\n"},
        {"--ease in:80", "easeAmount 80\n"},
        {"--launch right-left", "launchType \"RightLeft\"\n"},
        {"--by word", "animateBy WORD\n"},
        {"--camera orbit=30,tilt=15,lens=35", "lens 35.000000\n"},
        {"--colour '#ff0000@2'", "name \"Colour FF0000\"\n"},
        {"--material Chrome@c1-4", "name \"Text Style @c1-4\"\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        const std::string project = dir.file(std::string("directed") + std::to_string(&c - cases) + ".kxp");
        auto r = test::formwright(
            dir, std::string("text 'Late News' --animate fly-in ") + c.options + " -o '" + project + "'");
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string text = test::readFile(project);
        EXPECT_THAT(text, HasSubstr(c.line));
        EXPECT_THAT(baseText, Not(HasSubstr(c.line)));
        EXPECT_TRUE(test::rendered(dir, "directed", text, at[0]).rgb != basePictures[0].rgb ||
                    test::rendered(dir, "directed", text, at[1]).rgb != basePictures[1].rgb);
    }
    // The colour lands on the second word, the right-hand half of the settled title.
    const std::string coloured = dir.file("coloured.kxp");
    ASSERT_EQ(test::formwright(dir, "text 'Late News' --colour '#ff0000@2' -o '" + coloured + "'").status, 0);
    const Reds red = reds(test::rendered(dir, "coloured", test::readFile(coloured), "--size 160x90"));
    EXPECT_GT(red.count, 100);
    EXPECT_GT(red.meanX, 90);
    // --duration lengthens the hold: `text` keeps it, and `render` directs a saved project the
    // same way, so a frame past the old end renders.
    ASSERT_EQ(test::formwright(dir, "text 'Late News' --animate fly-in --duration 4 -o '" + dir.file("long.kxp") + "'")
                  .status,
              0);
    EXPECT_THAT(test::readFile(dir.file("long.kxp")), HasSubstr("frameEnd 119.000000\n"));
    auto r = test::formwright(
        dir, "render '" + base + "' --duration 5 --frame 140 --size 64x36 -o '" + dir.file("late.png") + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    r = test::formwright(dir, "render '" + base + "' --frame 140 --size 64x36 -o '" + dir.file("late.png") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("outside the project's timeline"));
    r = test::formwright(dir, "render '" + base + "' --frames 130-131 --size 64x36 -o '" + dir.file("late.png") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("outside the project's timeline"));
    for (const char* frames : {"--frame -3", "--frames -2-4", "--frame 1e12", "--frames 0-99999999999"}) {
        r = test::formwright(dir, "render '" + base + "' " + frames + " -o '" + dir.file("x.png") + "'");
        EXPECT_EQ(r.status, 1) << frames;
    }
}

TEST(Directing, BadValuesAreRefusedAndEveryCombinationResavesWhole) {
    test::TempDir dir;
    const std::string out = dir.file("bad.kxp");
    for (const char* bad : {"--animate fly-in --ease sideways", "--animate fly-in --launch nowhere", "--camera tilt=95",
                            "--camera zoom=2", "--colour 'red@0'", "--colour '#ff0000@3'", "--material Chrome@x",
                            "--material Nothing@1", "--stagger 0.2", "--animate fly-in --duration 0.2",
                            "--animate fade-out,fly-in", "--animate shatter --by word", "--animate wobble"}) {
        auto r = test::formwright(dir, std::string("text 'Late News' ") + bad + " -o '" + out + "'");
        EXPECT_EQ(r.status, 1) << bad;
        EXPECT_FALSE(std::filesystem::exists(out)) << bad;
    }
    const std::string project = dir.file("all.kxp"), again = dir.file("again.kxp");
    auto r = test::formwright(dir,
                              "text 'Late News' --animate typewriter,hold,fly-out --duration 6 --fps 24 "
                              "--stagger 0.1 --ease in-out:70 --launch out-in --by letter --camera "
                              "orbit=-20,tilt=10,distance=900,lens=80 --colour '#00ff00@c6-9' "
                              "--material 'Polished Gold@1' -o '" +
                                  project + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    r = test::formwright(dir, "resave '" + project + "' '" + again + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readFile(again), test::readFile(project));
}

}  // namespace
}  // namespace fw
