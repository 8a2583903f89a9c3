// Frame ranges rendered to disk through the real executable: numbered sequences, movies judged by ffprobe and decoded
// back against stills, outputs that cannot be written, bad ranges, and a render stopped with Ctrl-C or SIGTERM. And
// what both renderers hand to the image and movie writers: straight alpha, as compositors read it, and a project's
// pixel aspect shaping the view as a display that stretches pixels expects.
#include "AppHelpers.h"
#include "MovieProbe.h"
#include "platform/MovieReader.h"

using testing::HasSubstr;

namespace fw {
namespace {

const std::string kMovieExample = test::example("animated-title.kxp");

class FrameRanges : public testing::Test {
protected:
    test::Outcome run(const std::string& arguments) { return test::formwright(dir, arguments); }
    // A still of the example, rendered on its own.
    ::test::Pixels still(int frame, const std::string& options = " --size 96x54") {
        std::string out = dir.file("still-" + std::to_string(frame) + ".png");
        EXPECT_EQ(run("render " + kMovieExample + " --frame " + std::to_string(frame) + options + " -o " + out).status,
                  0);
        return ::test::readImage(out);
    }
    test::TempDir dir;
};

// ffprobe's values of the movie's video stream for the named fields, in order.
std::vector<std::string> probed(const std::string& movie, std::initializer_list<const char*> fields) {
    test::MovieProbe probe(movie);
    std::vector<std::string> values;
    for (const char* field : fields) values.push_back(probe[field]);
    return values;
}

// A decoded movie frame (RGBA rows bottom-up), or a picture (RGB when `channels` is 3), against a still (RGB rows
// bottom-up): the largest and the mean difference of a colour channel.
template <class Values>
std::pair<int, double> difference(const Values& pixels, const ::test::Pixels& still, size_t channels = 4) {
    if (still.rgb.empty() || pixels.size() != still.rgb.size() / 3 * channels) return {1 << 30, 1e9};
    int worst = 0;
    double sum = 0;
    for (size_t i = 0; i < still.rgb.size(); ++i) {
        const int d = std::abs(static_cast<int>(pixels[i / 3 * channels + i % 3]) - still.rgb[i]);
        worst = std::max(worst, d), sum += d;
    }
    return {worst, sum / static_cast<double>(still.rgb.size())};
}

// Each renderer's sequence names every frame, and each frame is the still rendered on its own (the ray tracer keeps its
// structure and refits it as the letters move). The default ".mov" codec is QuickTime Animation, lossless: decoded
// frames are the stills. Other codecs take an exact rate, and a project that renders alpha keeps it in a codec that can
// hold it (each codec's pixel format with alpha and without, and .avi's: MovieWriterTest).
TEST_F(FrameRanges, SequencesAndMoviesHoldEveryFrameAsTheStillsAtTheProjectsRateOrAnExactOneAndKeepAlpha) {
    for (const std::string renderer : {"gl", "raytrace"}) {
        SCOPED_TRACE(renderer);
        const std::string folder = dir.file(renderer), options = " --size 96x54 --renderer " + renderer;
        std::filesystem::create_directory(folder);
        test::Outcome r = run("render " + kMovieExample + " --frames 8-10" + options + " -o " + folder + "/shot.tga");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_THAT(r.err, HasSubstr("Rendering 3 of 3"));
        EXPECT_EQ(test::filesIn(folder), (std::vector<std::string>{"shot_0008.tga", "shot_0009.tga", "shot_0010.tga"}));
        // The last frame, after the ray tracer has refitted twice.
        const ::test::Pixels drawn = ::test::readImage(folder + "/shot_0010.tga"), alone = still(10, options);
        ASSERT_EQ(drawn.width, 96);
        EXPECT_LE(difference(drawn.rgb, alone, 3).first, renderer == "gl" ? 0 : 1);
        EXPECT_NE(::test::readImage(folder + "/shot_0008.tga").rgb, ::test::readImage(folder + "/shot_0010.tga").rgb);
    }
    const std::string movie = dir.file("title.mov"), mp4 = dir.file("title.mp4"), clear = dir.file("alpha.mov");
    ASSERT_EQ(test::ran(dir, "render " + kMovieExample + " --frames 0-12 --size 96x54 -o " + movie).status, 0);
    EXPECT_EQ(probed(movie, {"codec_name", "nb_read_frames", "r_frame_rate", "width", "pix_fmt"}),
              (std::vector<std::string>{"qtrle", "13", "30/1", "96", "rgb24"}));
    ASSERT_EQ(run("render " + kMovieExample + " --frames 20-24 --size 96x54 --fps 29.97 -o " + mp4).status, 0);
    EXPECT_EQ(probed(mp4, {"codec_name", "pix_fmt", "r_frame_rate", "nb_read_frames"}),
              (std::vector<std::string>{"h264", "yuv420p", "30000/1001", "5"}));
    ::test::spill(dir.file("alpha.kxp"),
                  test::edited(::test::slurp(kMovieExample), {{" UseAlphaMask \"0\"\n", " UseAlphaMask \"1\"\n"}}));
    const std::string png = " --frames 30-31 --size 96x54 --codec png -o ";
    ASSERT_EQ(run("render " + dir.file("alpha.kxp") + png + clear).status, 0);
    EXPECT_EQ(test::MovieProbe(clear)["pix_fmt"], "rgba");
    MovieReader qt, h264, alpha;
    ASSERT_TRUE(qt.open(movie) && h264.open(mp4) && alpha.open(clear));
    std::vector<uint8_t> rgba;
    for (int frame : {0, 12}) {
        ASSERT_TRUE(qt.readFrame(frame, rgba));
        EXPECT_EQ(difference(rgba, still(frame)).first, 0) << "frame " << frame;
    }
    ASSERT_TRUE(h264.readFrame(2, rgba));
    EXPECT_LT(difference(rgba, still(22)).second, 6.0);
    ASSERT_TRUE(alpha.readFrame(0, rgba));
    EXPECT_EQ(rgba[3], 0) << "the corner shows no background";
}

TEST_F(FrameRanges, OutputsThatCannotBeWrittenAndBadRangesStopBeforeTheFirstFrame) {
    const std::string missing = dir.file("no-such-folder/title.mov");
    test::Outcome r = run("render " + kMovieExample + " --frames 0-5 --size 96x54 -o " + missing);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "formwright: Unable to write to:\n  " + missing + "\n\nPlease try again.\n");
    const std::string movie = dir.file("good.mov");
    ::test::spill(movie, "an older good movie");
    for (const char* range : {"5-2", "0-400", "x", "3-"}) {
        r = run("render " + kMovieExample + " --frames " + std::string(range) + " --size 96x54 -o " + movie);
        EXPECT_EQ(r.status, 1) << range;
        EXPECT_THAT(r.err, HasSubstr("formwright: --frames: "));
    }
    r = run("render " + kMovieExample + " --frames 0-2 --size 96x54 --codec qtrle -o " + movie);
    EXPECT_EQ(r.err, "formwright: --codec: a .mov movie takes rle, h264, png, not qtrle\n");
    // A full disk: writes past a small file size limit fail, and the older movie stays.
    r = run("render " + kMovieExample + " --frames 0-60 --size 320x180 --codec png -o " + movie);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string good = ::test::slurp(movie);
    r = test::formwright(dir, "render " + kMovieExample + " --frames 0-60 --size 320x180 --codec png -o " + movie,
                         "trap '' XFSZ; ulimit -f 40; ");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("Unable to write to temporary file:"));
    EXPECT_EQ(::test::slurp(movie), good);
    EXPECT_EQ(test::leftBeside(dir.file(""), "good.mov"), std::vector<std::string>{});
}

// Ctrl-C, and SIGTERM as a job scheduler or `kill` sends it, stop after the frame in hand: the movie is finished with
// the frames done, and the status is the signal's.
TEST_F(FrameRanges, CtrlCAndSigtermStopAfterTheFrameInHandAndKeepAPlayableMovie) {
    for (int signal : {SIGINT, SIGTERM}) {
        const std::string name = signal == SIGINT ? "SIGINT" : "SIGTERM";
        SCOPED_TRACE(name);
        const std::string movie = dir.file("stopped-" + name + ".mov");
        test::Background program("--library-folder " + dir.file("lib") + " render " + kMovieExample +
                                     " --frames 0-60 --size 640x360 -o " + movie,
                                 dir.file("stopped.err"));
        ASSERT_TRUE(program.started());
        program.waitFor("Rendering 3 of");
        const int raw = program.stop(signal);
        ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
        EXPECT_EQ(WEXITSTATUS(raw), 128 + signal);
        const std::string text = program.said(), said = "stopped by " + name + " after ";
        size_t at = text.find(said);
        ASSERT_NE(at, std::string::npos) << text;
        const int kept = std::atoi(text.c_str() + at + said.size());
        EXPECT_GE(kept, 3);
        EXPECT_LT(kept, 61);
        test::MovieProbe probe(movie);
        EXPECT_EQ(probe["nb_read_frames"], std::to_string(kept)) << probe.json;
        EXPECT_EQ(test::leftBeside(dir.file(""), "stopped-" + name + ".mov"), std::vector<std::string>{});
    }
}

class OutputPixels : public FrameRanges {
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
    ::test::Pixels render(const std::string& project, const std::string& renderer, bool alpha,
                          const std::string& size = "240x180") {
        return test::rendered(dir, project, test::readFile(dir.file(project + ".kxp")),
                              "--size " + size + " --renderer " + renderer, nullptr, alpha);
    }
};

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

// A title's edge laid over white by the file's own alpha is the title rendered on white, in stills and in a QuickTime
// Animation movie, and uncovered pixels carry the background's colour.
TEST_F(OutputPixels, EdgesCompositedByTheirAlphaMatchTheFrameOnWhiteAndPixelAspectWidensTheView) {
    const std::string movie = dir.file("clear.mov");
    ASSERT_EQ(run("render " + dir.file("clear.kxp") + " --frames 0-1 --size 240x180 -o " + movie).status, 0);
    MovieReader reader;
    ASSERT_TRUE(reader.open(movie)) << reader.error();
    std::vector<uint8_t> frame;
    ASSERT_TRUE(reader.readFrame(0, frame));
    for (const std::string source : {"gl", "raytrace", "movie"}) {
        SCOPED_TRACE(source);
        const ::test::Pixels white = render("white", source == "movie" ? "gl" : source, false);
        const std::vector<int> rgba =
            source == "movie" ? std::vector<int>(frame.begin(), frame.end()) : render("clear", source, true).rgb;
        ASSERT_EQ(white.width, 240);
        ASSERT_EQ(rgba.size(), white.rgb.size() / 3 * 4);
        // Pixels partly covered; the largest difference of one laid over white by its alpha from the frame on white;
        // uncovered pixels without the background's colour.
        int partial = 0, worst = 0, wrongClear = 0;
        for (size_t i = 0, j = 0; i + 3 < rgba.size(); i += 4, j += 3) {
            const int a = rgba[i + 3];
            wrongClear += !a && std::abs(rgba[i] - 51) + std::abs(rgba[i + 1] - 102) + std::abs(rgba[i + 2] - 153) > 1;
            if (a == 0 || a == 255) continue;
            ++partial;
            for (int k = 0; k < 3; ++k) {
                const double over = rgba[i + k] * a / 255.0 + 255.0 * (1 - a / 255.0);
                worst = std::max(worst, static_cast<int>(std::lround(std::fabs(over - white.rgb[j + k]))));
            }
        }
        EXPECT_GT(partial, 100);
        EXPECT_LE(worst, 3);
        EXPECT_EQ(wrongClear, 0);
    }
    // PAL widescreen pixels are 118/81 as wide as they are high: the same columns hold a view that much wider, so the
    // letters span as many columns and that many more rows.
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
