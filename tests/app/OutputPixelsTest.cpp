// What both renderers hand to the image and movie writers. Transparent output keeps
// straight alpha, as compositors read it: a title's edge laid over white by the file's
// own alpha is the title rendered on white, in stills from both renderers and in a
// QuickTime Animation movie; uncovered pixels carry the background's colour. And a
// project's pixel aspect shapes the view as a display that stretches pixels expects.

#include "AppRun.h"
#include "platform/MovieReader.h"

namespace fw {
namespace {

class OutputPixels : public testing::Test {
protected:
    void SetUp() override {
        // A factory look on a title, once on a clear slate-blue background, once on white.
        ASSERT_EQ(run("text Hi --material \"Glossy Red Plastic\" -o " + dir.file("t.kxp")).status, 0);
        const std::string text = test::readFile(dir.file("t.kxp"));
        test::writeFile(dir.file("clear.kxp"),
                        test::edited(text, {{"UseAlphaMask \"0\"", "UseAlphaMask \"1\""},
                                            {"BackgroundColor 0 0 0", "BackgroundColor 0.2 0.4 0.6"}}));
        test::writeFile(dir.file("white.kxp"),
                        test::edited(text, {{"BackgroundColor 0 0 0", "BackgroundColor 1 1 1"}}));
    }
    test::Outcome run(const std::string& arguments) { return test::formwright(dir, arguments); }
    ::test::Pixels render(const std::string& project, const std::string& renderer, bool alpha,
                          const std::string& size = "240x180") {
        const std::string out = dir.file(project + "-" + renderer + ".png");
        test::Outcome r =
            run("render " + dir.file(project + ".kxp") + " --size " + size + " --renderer " + renderer + " -o " + out);
        EXPECT_EQ(r.status, 0) << r.err;
        return ::test::readImage(out, alpha);
    }
    test::TempDir dir;
};

struct Edges {
    int partial = 0;     // pixels partly covered
    int worst = 0;       // the largest difference, composited over white against the white frame
    int wrongClear = 0;  // uncovered pixels without the background's colour
};

// `rgba` (RGBA, rows bottom-up) over white by its own alpha, against `white`.
Edges composited(const std::vector<int>& rgba, const ::test::Pixels& white) {
    Edges e;
    for (size_t i = 0, j = 0; i + 3 < rgba.size(); i += 4, j += 3) {
        const int a = rgba[i + 3];
        if (a == 0) {
            e.wrongClear += std::abs(rgba[i] - 51) + std::abs(rgba[i + 1] - 102) + std::abs(rgba[i + 2] - 153) > 1;
            continue;
        }
        if (a == 255) continue;
        ++e.partial;
        for (int k = 0; k < 3; ++k) {
            const double over = rgba[i + k] * a / 255.0 + 255.0 * (1 - a / 255.0);
            e.worst = std::max(e.worst, static_cast<int>(std::lround(std::fabs(over - white.rgb[j + k]))));
        }
    }
    return e;
}

TEST_F(OutputPixels, EdgesCompositedByTheirAlphaMatchTheFrameOnWhiteInStillsAndMovies) {
    // A QuickTime Animation movie keeps the OpenGL output pixels too.
    const std::string movie = dir.file("clear.mov");
    ASSERT_EQ(run("render " + dir.file("clear.kxp") + " --frames 0-1 --size 240x180 -o " + movie).status, 0);
    MovieReader reader;
    ASSERT_TRUE(reader.open(movie)) << reader.error();
    std::vector<uint8_t> frame;
    ASSERT_TRUE(reader.readFrame(0, frame));
    for (const std::string source : {"gl", "raytrace", "movie"}) {
        SCOPED_TRACE(source);
        const ::test::Pixels white = render("white", source == "movie" ? "gl" : source, false);
        const std::vector<int> clear =
            source == "movie" ? std::vector<int>(frame.begin(), frame.end()) : render("clear", source, true).rgb;
        ASSERT_EQ(white.width, 240);
        ASSERT_EQ(clear.size(), white.rgb.size() / 3 * 4);
        const Edges e = composited(clear, white);
        EXPECT_GT(e.partial, 100);
        EXPECT_LE(e.worst, 3);
        EXPECT_EQ(e.wrongClear, 0);
    }
}

// Rows and columns a picture's letters span (brighter than the black background).
std::pair<int, int> extent(const ::test::Pixels& p) {
    int left = p.width, right = -1, bottom = p.height, top = -1;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.at(x, y)[0] + p.at(x, y)[1] + p.at(x, y)[2] > 60)
                left = std::min(left, x), right = std::max(right, x), bottom = std::min(bottom, y),
                top = std::max(top, y);
    return {right - left + 1, top - bottom + 1};
}

TEST_F(OutputPixels, PixelAspectWidensTheViewInBothRenderers) {
    // PAL widescreen pixels are 118/81 as wide as they are high: the same columns hold
    // a view that much wider, so the letters span as many columns and that many more rows.
    test::writeFile(dir.file("wide.kxp"),
                    test::edited(test::readFile(dir.file("t.kxp")), {{"PixelAspect \"0\"", "PixelAspect \"4\""}}));
    for (const char* renderer : {"gl", "raytrace"}) {
        // A tall frame, so that the taller letters stay whole.
        const auto square = extent(render("t", renderer, false, "240x300")),
                   wide = extent(render("wide", renderer, false, "240x300"));
        ASSERT_GT(square.second, 40);
        EXPECT_NEAR(wide.first, square.first, 2) << renderer;
        EXPECT_NEAR(static_cast<double>(wide.second) / square.second, 118.0 / 81, 0.04) << renderer;
    }
}

}  // namespace
}  // namespace fw
