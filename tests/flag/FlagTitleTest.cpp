// `text --flag`: the title rendered flat and worn by a waving cloth on a pole, as a
// picture and as a project that keeps the picture beside it.
#include <gtest/gtest.h>

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

TEST(FlagTitle, AMaterialIsRefused) {
    test::TempDir dir;
    test::Outcome r = test::formwright(dir, "text HI --flag --material Gold -o '" + dir.file("f.png") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--material: a flag's cloth wears the rendered title"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace fw
