// `text --flag`: the title rendered flat and worn by a waving cloth on a pole, as a
// picture and as a project that keeps the picture beside it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "AppHelpers.h"
#include "AppRun.h"

namespace fw {
namespace {

struct Census {
    int cloth = 0, light = 0, pole = 0;
};

// Blue cloth, near-white lettering and grey pole pixels of a frame.
Census census(const ::test::Pixels& p) {
    Census c;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int* q = p.at(x, y);
            if (q[2] > 70 && q[2] > q[0] + 40) ++c.cloth;
            if (q[0] > 170 && q[1] > 170 && q[2] > 170) {
                ++c.light;
                if (x < p.width / 3) ++c.pole;
            }
        }
    return c;
}

TEST(FlagTitle, APictureShowsTheTitleOnABlueClothBesideItsPole) {
    test::TempDir dir;
    const std::string out = dir.file("flag.png");
    test::Outcome r = test::formwright(dir, "text HI --flag -o '" + out + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const ::test::Pixels p = ::test::readImage(out);
    ASSERT_EQ(p.width, 640);
    ASSERT_EQ(p.height, 480);
    const Census c = census(p);
    EXPECT_GT(c.cloth, p.width * p.height / 8);  // the cloth fills a good part of the frame
    EXPECT_GT(c.light - c.pole, 1000);           // the lettering on it
    EXPECT_GT(c.pole, 1000);                     // the pole and its ball on the left
    const int* corner = p.at(p.width - 2, 2);
    EXPECT_LT(corner[0] + corner[1] + corner[2], 30);  // the scene's black around it
    // The picture of the title is not left behind.
    EXPECT_EQ(test::filesIn(dir.path().string()), (std::vector<std::string>{"flag.png", "lib"}));
}

TEST(FlagTitle, AProjectKeepsThePictureBesideItAndRendersAgain) {
    test::TempDir dir;
    const std::string project = dir.file("banner.kxp");
    test::Outcome r = test::formwright(dir, "text 'Hello there' --flag -o '" + project + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(std::filesystem::exists(dir.file("banner-title.png")));
    const std::string text = test::readFile(project);
    EXPECT_NE(text.find("  begin ObjectC-FlagCluster\n   name \"Flag\"\n"), std::string::npos);
    EXPECT_NE(text.find("banner-title.png\"\n"), std::string::npos);
    EXPECT_NE(text.find("   object \"Flag:Flag\"\n   object \"Flag:Pole1\"\n   object \"Flag:Cap1\"\n"),
              std::string::npos);
    // Frames apart, the cloth has moved.
    test::Outcome a = test::formwright(dir, "render '" + project + "' --frame 10 -o '" + dir.file("a.png") + "'");
    test::Outcome b = test::formwright(dir, "render '" + project + "' --frame 40 -o '" + dir.file("b.png") + "'");
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    const ::test::Pixels pa = ::test::readImage(dir.file("a.png")), pb = ::test::readImage(dir.file("b.png"));
    EXPECT_GT(census(pa).cloth, pa.width * pa.height / 8);
    EXPECT_LT(::test::psnr(pa, pb), 30.0);
}

// Letter pixels right of the pole (the pole stands in the left fifth).
std::vector<bool> letters(const ::test::Pixels& p, int& count) {
    std::vector<bool> mask(static_cast<size_t>(p.width) * p.height, false);
    count = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = p.width / 4; x < p.width; ++x) {
            const int* q = p.at(x, y);
            if (q[0] + q[1] + q[2] > 120) mask[static_cast<size_t>(y) * p.width + x] = true, ++count;
        }
    return mask;
}

int differing(const std::vector<bool>& a, const std::vector<bool>& b) {
    int n = 0;
    for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
    return n;
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
    test::Outcome again = test::formwright(dir, "resave '" + project + "' '" + dir.file("again.kxp") + "'");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(test::readFile(dir.file("again.kxp")), text);

    // The same flag held flat: the upright title beside the pole.
    std::string flat = text;
    const size_t at = flat.find("    Flatten 0\n");
    ASSERT_NE(at, std::string::npos);
    flat.replace(at, 14, "    Flatten 1\n");
    test::writeFile(dir.file("flat.kxp"), flat);

    auto render = [&](const std::string& from, int frame, const std::string& name) {
        test::Outcome o = test::formwright(dir, "render '" + from + "' --frame " + std::to_string(frame) + " -o '" +
                                                    dir.file(name) + "'");
        EXPECT_EQ(o.status, 0) << o.err;
        return ::test::readImage(dir.file(name));
    };
    int n10 = 0, n40 = 0, nFlat = 0;
    const std::vector<bool> at10 = letters(render(project, 10, "a.png"), n10);
    const std::vector<bool> at40 = letters(render(project, 40, "b.png"), n40);
    const std::vector<bool> still = letters(render(dir.file("flat.kxp"), 40, "flat.png"), nFlat);
    EXPECT_GT(nFlat, 5000);  // the letters are big on the frame
    EXPECT_GT(n10, nFlat / 2);
    EXPECT_GT(n40, nFlat / 2);
    // Frames apart the letters have moved, and neither frame is the flat title.
    EXPECT_GT(differing(at10, at40), nFlat / 5);
    EXPECT_GT(differing(at10, still), nFlat / 5);
    EXPECT_GT(differing(at40, still), nFlat / 5);
    // The first letter stands against the pole: along the rows of the flat title, the
    // fewest dark pixels between the pole's run and the next lit one.
    const ::test::Pixels flatPicture = ::test::readImage(dir.file("flat.png"));
    int gap = flatPicture.width;
    for (int y = 0; y < flatPicture.height; ++y) {
        auto lit = [&](int x) { return x < flatPicture.width && flatPicture.at(x, y)[0] + flatPicture.at(x, y)[1] > 160; };
        int x = 0, dark = 0;
        while (x < flatPicture.width && !lit(x)) ++x;
        while (lit(x)) ++x;
        for (; x < flatPicture.width && !lit(x); ++x) ++dark;
        if (x < flatPicture.width) gap = std::min(gap, dark);
    }
    EXPECT_LE(gap, 2);

    // A picture straight from the command shows the waving letters too.
    ASSERT_EQ(test::formwright(dir, "text Wave --flag solid -o '" + dir.file("still.png") + "'").status, 0);
    int nDirect = 0;
    letters(::test::readImage(dir.file("still.png")), nDirect);
    EXPECT_GT(nDirect, nFlat / 2);
}

// Pixels whose colour differs clearly between two pictures of the same size.
int changed(const ::test::Pixels& a, const ::test::Pixels& b) {
    int n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            for (int c = 0; c < 3; ++c)
                if (std::abs(a.at(x, y)[c] - b.at(x, y)[c]) > 24) {
                    ++n;
                    break;
                }
    return n;
}

TEST(FlagTitle, EachLibraryCapShowsAtItsEndOfThePole) {
    test::TempDir dir;
    // A shorter pole, so its foot is in the frame too, and caps twice their size.
    const std::string base =
        test::edited(test::readFile(test::example("flag.kxp")),
                     {{"\"examples/flag-title.png\"", "\"" + test::example("flag-title.png") + "\""},
                      {"FlagpoleLength 400", "FlagpoleLength 200"}, {"TopCapScale 1", "TopCapScale 2"},
                      {"BottomCapScale 1", "BottomCapScale 2"}});
    auto caps = [&](const std::string& top, const std::string& bottom, std::string* err = nullptr) {
        return test::rendered(dir, "caps",
                              test::edited(base, {{"TopCapStyle \"Ball\"", "TopCapStyle \"" + top + "\""},
                                                  {"BottomCapStyle \"None\"", "BottomCapStyle \"" + bottom + "\""}}),
                              "--frame 0 --size 320x240", err);
    };
    const ::test::Pixels bare = caps("None", "None");
    for (const char* top : {"Spear", "Finial", "Disc"}) EXPECT_GT(changed(bare, caps(top, "None")), 30) << top;
    for (const char* foot : {"Ferrule", "Flat Base", "Spike"}) EXPECT_GT(changed(bare, caps("None", foot)), 30) << foot;
    // A name no library holds is reported once, and no cap is shown.
    std::string err;
    EXPECT_EQ(changed(bare, caps("Crown", "None", &err)), 0);
    EXPECT_EQ(test::occurrences(err, "no flagpole top cap \"Crown\""), 1u) << err;
}

TEST(FlagTitle, MotionBlurSeesTheClothMoveWithinAFrame) {
    test::TempDir dir;
    const std::string base = test::edited(test::readFile(test::example("flag.kxp")),
                                          {{"\"examples/flag-title.png\"", "\"" + test::example("flag-title.png") + "\""},
                                           {"MotionBlurShutter 180", "MotionBlurShutter 360"}});
    // The render's passes, then the flag's sub-steps a frame.
    auto frame = [&](const std::string& passes, const std::string& steps) {
        return test::rendered(dir, "blur",
                              test::edited(base, {{"\n MotionBlurPasses 1\n", "\n MotionBlurPasses " + passes + "\n"},
                                                  {"    MotionBlurPasses 1\n", "    MotionBlurPasses " + steps + "\n"}}),
                              "--frame 30 --size 320x240");
    };
    // Drawn straight between frames, or along the flag's own sub-steps.
    for (const char* steps : {"1", "4"}) EXPECT_GT(changed(frame("1", steps), frame("8", steps)), 150) << steps;
}

TEST(FlagTitle, ALongLeadInShowsItsProgress) {
    test::TempDir dir;
    const std::string project = dir.file("long.kxp");
    ASSERT_EQ(test::formwright(dir, "text HI --flag -o '" + project + "'").status, 0);
    std::string text = test::readFile(project);
    const size_t at = text.find("    PreRollFrames 120\n");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 22, "    PreRollFrames 600\n");
    test::writeFile(project, text);
    test::Outcome r = test::formwright(dir, "render '" + project + "' --frame 0 -o '" + dir.file("a.png") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    // Every tenth step of the 600, in order, before the frame's summary.
    const size_t first = r.err.find("formwright: Simulating 10 of 600\n");
    const size_t last = r.err.find("formwright: Simulating 600 of 600\n");
    ASSERT_NE(first, std::string::npos) << r.err;
    ASSERT_NE(last, std::string::npos) << r.err;
    EXPECT_LT(first, last);
    EXPECT_LT(last, r.err.find("a.png: 640 x 480"));
    int lines = 0;
    for (size_t p = r.err.find("Simulating "); p != std::string::npos; p = r.err.find("Simulating ", p + 1)) ++lines;
    EXPECT_EQ(lines, 60);
    // The shipped lead-in is too short to report; --quiet silences a long one.
    test::Outcome shortRun = test::formwright(dir, "text HI --flag -o '" + dir.file("b.png") + "'");
    EXPECT_EQ(shortRun.err.find("Simulating"), std::string::npos) << shortRun.err;
    test::Outcome quiet = test::formwright(dir, "-q render '" + project + "' --frame 0 -o '" + dir.file("c.png") + "'");
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.err.find("Simulating"), std::string::npos);
}

// A material dresses a printed flag's cloth under its print, or a solid flag's letters,
// never the pole.
TEST(FlagTitle, AMaterialDressesTheClothOrTheLettersButNotThePole) {
    test::TempDir dir;
    auto picture = [&](const std::string& options) {
        const std::string out = dir.file("m.png");
        test::Outcome r = test::formwright(dir, "text HI " + options + " -o '" + out + "'");
        EXPECT_EQ(r.status, 0) << options << ": " << r.err;
        return ::test::readImage(out);
    };
    // Changed pixels left of the cloth (the pole) and right of it.
    auto split = [](const ::test::Pixels& a, const ::test::Pixels& b) {
        int n[2] = {0, 0};
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x)
                for (int c = 0; c < 3; ++c)
                    if (std::abs(a.at(x, y)[c] - b.at(x, y)[c]) > 24) {
                        ++n[x < a.width / 5 ? 0 : 1];
                        break;
                    }
        return std::pair<int, int>(n[0], n[1]);
    };
    for (const char* kind : {"--flag", "--flag solid"}) {
        const auto [pole, rest] = split(picture(kind), picture(std::string(kind) + " --material 'Glossy Red Plastic'"));
        EXPECT_LT(pole, 30) << kind;
        EXPECT_GT(rest, 3000) << kind;
    }
}

// What a flag cannot take is refused by name, and nothing is written.
TEST(FlagTitle, OtherKindsAndWhatTheClothCannotWearAreRefused) {
    test::TempDir dir;
    const struct {
        const char* options;
        const char* said;
    } refused[] = {
        {"--flag cloth", "--flag: cloth not in {picture,solid}"},
        {"--flag --material Chrome@1", "--material: a word of a printed flag is part of its picture"},
        {"--flag --animate fly-in", "--animate: a flag's cloth wears the title as a still picture"},
    };
    for (const auto& c : refused) {
        test::Outcome r = test::formwright(dir, std::string("text HI ") + c.options + " -o '" + dir.file("f.png") + "'");
        EXPECT_EQ(r.status, 1) << c.options;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("f.png"))) << c.options;
    }
}

}  // namespace
}  // namespace fw
