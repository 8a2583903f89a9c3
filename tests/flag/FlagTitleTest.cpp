// `text --flag`: the title rendered flat and worn by a waving cloth on a pole, as a
// picture and as a project that keeps the picture beside it.
#include <cstdlib>
#include <utility>

#include "AppHelpers.h"
#include "AppRun.h"

namespace fw {
namespace {

struct Census {
    int cloth = 0, lettering = 0, pole = 0;
};

// Blue cloth pixels of a frame, and its near-white ones: the pole's in the left third, the lettering's beyond.
Census census(const ::test::Pixels& p) {
    Census c;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int* q = p.at(x, y);
            c.cloth += q[2] > 70 && q[2] > q[0] + 40;
            (x < p.width / 3 ? c.pole : c.lettering) += q[0] > 170 && q[1] > 170 && q[2] > 170;
        }
    return c;
}

// Pixels whose colour differs clearly between two pictures of the same size, in the columns from `left` to `right`.
int changed(const ::test::Pixels& a, const ::test::Pixels& b, int left = 0, int right = 1 << 20) {
    int n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = left; x < std::min(right, a.width); ++x) {
            auto off = [&](int c) { return std::abs(a.at(x, y)[c] - b.at(x, y)[c]) > 24; };
            n += off(0) || off(1) || off(2);
        }
    return n;
}

TEST(FlagTitle, APictureOrAProjectShowsTheTitleOnABlueClothAndAMaterialDressesItButNotThePole) {
    test::TempDir dir;
    auto picture = [&](const std::string& options) {
        test::Outcome r = test::formwright(dir, "text HI " + options + " -o '" + dir.file("flag.png") + "'");
        EXPECT_EQ(r.status, 0) << options << ": " << r.err;
        return ::test::readImage(dir.file("flag.png"));
    };
    const ::test::Pixels p = picture("--flag");
    ASSERT_EQ(std::make_pair(p.width, p.height), std::make_pair(640, 480));
    const Census c = census(p);
    EXPECT_GT(c.cloth, p.width * p.height / 8);  // the cloth fills a good part of the frame
    EXPECT_GT(c.lettering, 1000);                // the lettering on it
    EXPECT_GT(c.pole, 1000);                     // the pole and its ball on the left
    const int* corner = p.at(p.width - 2, 2);
    EXPECT_LT(corner[0] + corner[1] + corner[2], 30);  // the scene's black around it
    // The picture of the title is not left behind.
    EXPECT_EQ(test::filesIn(dir.path().string()), (std::vector<std::string>{"flag.png", "lib"}));
    // A project keeps the picture beside it and renders again.
    const std::string project = dir.file("banner.kxp");
    test::Outcome r = test::formwright(dir, "text 'Hello there' --flag -o '" + project + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(std::filesystem::exists(dir.file("banner-title.png")));
    // The cluster's own lines: FlagCluster.ScenesHoldingOneOpenAndResaveByteForByte.
    const std::string text = test::readFile(project);
    EXPECT_NE(text.find("banner-title.png\"\n"), std::string::npos);
    std::string said;
    const ::test::Pixels pa = test::rendered(dir, "banner", text, "--frame 10", &said);
    EXPECT_GT(census(pa).cloth, pa.width * pa.height / 8);
    // A long lead-in shows its progress before the frame's summary (every tenth step, only past 200:
    // SpringSystem.CacheReplaysStatesAndCallbacksCancelAndReport); the shipped one is too short, and -q silences it.
    EXPECT_EQ(said.find("Simulating"), std::string::npos) << said;
    test::writeFile(project, test::edited(text, {{"PreRollFrames 120\n", "PreRollFrames 600\n"}}));
    r = test::formwright(dir, "render '" + project + "' --frame 0 -o '" + dir.file("a.png") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const size_t last = r.err.find("formwright: Simulating 600 of 600\n");
    ASSERT_NE(last, std::string::npos) << r.err;
    EXPECT_LT(last, r.err.find("a.png: 640 x 480"));
    test::Outcome quiet = test::formwright(dir, "-q render '" + project + "' --frame 0 -o '" + dir.file("c.png") + "'");
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.err.find("Simulating"), std::string::npos);
    // A material dresses a printed flag's cloth under its print, or a solid flag's letters, never the pole on the left.
    for (const std::string kind : {"--flag", "--flag solid"}) {
        const ::test::Pixels plain = kind == "--flag" ? p : picture(kind);
        const ::test::Pixels red = picture(kind + " --material 'Glossy Red Plastic'");
        EXPECT_LT(changed(plain, red, 0, plain.width / 5), 30) << kind;
        EXPECT_GT(changed(plain, red, plain.width / 5), 3000) << kind;
    }
}

// Lit pixels right of the pole (the pole stands in the left fifth): the letters.
int letters(const ::test::Pixels& p) {
    int count = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = p.width / 4; x < p.width; ++x) count += p.at(x, y)[0] + p.at(x, y)[1] + p.at(x, y)[2] > 120;
    return count;
}

TEST(FlagTitle, SolidLettersAreTheFlagAndWaveWithItsCloth) {
    test::TempDir dir;
    const std::string project = dir.file("solid.kxp");
    test::Outcome r = test::formwright(dir, "text Wave --flag solid -o '" + project + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    // The letters hang below the cluster; the cloth carrying them is hidden; no picture.
    const std::string text = test::readFile(project);
    EXPECT_NE(text.find("  begin ObjectC-FlagCluster\n   name \"Flag\"\n"), std::string::npos);
    EXPECT_NE(text.find("   parent \"Flag\"\n"), std::string::npos);
    EXPECT_EQ(text.find("-title.png"), std::string::npos);
    EXPECT_EQ(test::filesIn(dir.path().string()), (std::vector<std::string>{"lib", "solid.kxp"}));
    // Two frames, and the same flag held flat: the upright title beside the pole.
    const ::test::Pixels flat =
        test::rendered(dir, "flat", test::edited(text, {{"    Flatten 0\n", "    Flatten 1\n"}}), "--frame 40");
    const ::test::Pixels at10 = test::rendered(dir, "a", text, "--frame 10"),
                         at40 = test::rendered(dir, "b", text, "--frame 40");
    const int nFlat = letters(flat), right = flat.width / 4;
    EXPECT_GT(nFlat, 5000);  // the letters are big on the frame
    EXPECT_GT(std::min(letters(at10), letters(at40)), nFlat / 2);
    // Frames apart the letters have moved, and neither frame is the flat title.
    EXPECT_GT(changed(at10, at40, right), nFlat / 5);
    EXPECT_GT(changed(at10, flat, right), nFlat / 5);
    // The first letter stands against the pole: along the rows of the flat title, the
    // fewest dark pixels between the pole's run and the next lit one.
    int gap = flat.width;
    for (int y = 0; y < flat.height; ++y) {
        auto lit = [&](int x) { return x < flat.width && flat.at(x, y)[0] + flat.at(x, y)[1] > 160; };
        int x = 0, dark = 0;
        while (x < flat.width && !lit(x)) ++x;
        while (lit(x)) ++x;
        for (; x < flat.width && !lit(x); ++x) ++dark;
        if (x < flat.width) gap = std::min(gap, dark);
    }
    EXPECT_LE(gap, 2);
    // A picture straight from the command shows the letters: the material's case in
    // APictureOrAProjectShowsTheTitleOnABlueClothAndAMaterialDressesItButNotThePole.
}

// The example flag with lines changed, rendered small.
::test::Pixels exampleFlag(const test::TempDir& dir, std::vector<std::pair<std::string, std::string>> edits,
                           const std::string& arguments, std::string* err = nullptr) {
    edits.emplace_back("\"examples/flag-title.png\"", "\"" + test::example("flag-title.png") + "\"");
    return test::rendered(dir, "example", test::edited(test::readFile(test::example("flag.kxp")), edits),
                          arguments + " --size 320x240", err);
}

// Each library cap is built as a solid at its end of the pole in FlagClusterTest.cpp; here one is drawn, and a
// name no library holds is reported once, and no cap is shown.
TEST(FlagTitle, ACapNoLibraryHoldsIsReportedOnceAndNotShown) {
    test::TempDir dir;
    // A shorter pole and a cap twice its size.
    auto cap = [&](const std::string& top, std::string* err = nullptr) {
        return exampleFlag(dir, {{"FlagpoleLength 400", "FlagpoleLength 200"},
                                 {"TopCapStyle \"Ball\"\n    FlagpoleTopCapScale 1",
                                  "TopCapStyle \"" + top + "\"\n    FlagpoleTopCapScale 2"}},
                           "--frame 0", err);
    };
    const ::test::Pixels bare = cap("None");
    EXPECT_GT(changed(bare, cap("Spear")), 30);
    std::string err;
    EXPECT_EQ(changed(bare, cap("Crown", &err)), 0);
    EXPECT_EQ(test::occurrences(err, "no flagpole top cap \"Crown\""), 1u) << err;
}

// The render's passes see the cloth move between frames (the flag's own sub-steps there: FlagClusterTest.cpp).
TEST(FlagTitle, MotionBlurSeesTheClothMoveWithinAFrame) {
    test::TempDir dir;
    auto frame = [&](const std::string& passes) {
        return exampleFlag(dir, {{"\n MotionBlurPasses 1\n", "\n MotionBlurPasses " + passes + "\n"},
                                 {"MotionBlurShutter 180", "MotionBlurShutter 360"}},
                           "--frame 30");
    };
    EXPECT_GT(changed(frame("1"), frame("8")), 150);
}

// What a flag cannot take is refused by name, and nothing is written.
TEST(FlagTitle, OtherKindsAndWhatTheClothCannotWearAreRefused) {
    test::TempDir dir;
    const std::pair<const char*, const char*> refused[] = {
        {"--flag cloth", "--flag: cloth not in {picture,solid}"},
        {"--flag --material Chrome@1", "--material: a word of a printed flag is part of its picture"},
        {"--flag --animate fly-in", "--animate: a flag's cloth wears the title as a still picture"},
    };
    for (const auto& [options, said] : refused) {
        test::Outcome r = test::formwright(dir, std::string("text HI ") + options + " -o '" + dir.file("f.png") + "'");
        EXPECT_EQ(r.status, 1) << options;
        EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("f.png"))) << options;
    }
}

}  // namespace
}  // namespace fw
