// Movies as players and editing programs see them: container, codec, exact frame count
// and rate, pixels read back, and the old movie kept whenever a new one fails.
#include "platform/MovieWriter.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "MovieProbe.h"
#include "TempDir.h"
#include "platform/AviWriter.h"
#include "platform/MovieReader.h"

namespace fw {
namespace {

using test::MovieProbe;
using test::movingSquare;

size_t entries(const std::filesystem::path& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

bool writeMovie(const std::string& path, MovieWriter::Settings settings, int frames, std::string* error = nullptr) {
    MovieWriter writer;
    bool ok = writer.open(path, settings);
    for (int i = 0; ok && i < frames; ++i)
        ok = writer.addFrame(movingSquare(settings.width, settings.height, i).data());
    ok = ok && writer.finish();
    if (error) *error = writer.error();
    return ok;
}

struct Case {
    const char *extension, *codec;
    bool alpha;
    const char *codecName, *pixelFormat;
    bool lossless;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.extension << " " << (*c.codec ? c.codec : "(default)"); }

class MovieWriterCodec : public ::testing::TestWithParam<Case> {};

TEST_P(MovieWriterCodec, WritesEveryFrameAtTheExactRate) {
    const Case& c = GetParam();
    test::TempDir dir;
    std::string path = dir.file(std::string("clip") + c.extension);
    MovieWriter::Settings settings{64, 48, FrameRate{30000, 1001}, c.codec, c.alpha};
    std::string error;
    ASSERT_TRUE(writeMovie(path, settings, 12, &error)) << error;
    EXPECT_EQ(entries(dir.path()), 1u) << "the temporary file was left behind";
    MovieProbe probe(path);
    EXPECT_EQ(probe["codec_name"] + " " + probe["pix_fmt"] + " " + probe["width"] + "x" + probe["height"] + " " +
                  probe["nb_read_frames"],
              std::string(c.codecName) + " " + c.pixelFormat + " 64x48 12") << probe.json;
    bool avi = std::string(c.extension) == ".avi";
    // AVI states its rate in thousandths of a frame per second.
    EXPECT_EQ(probe["r_frame_rate"], avi ? "2997/100" : "30000/1001");
    if (avi) EXPECT_EQ(probe["format_name"], "avi");
    else EXPECT_EQ(probe["major_brand"], std::string(c.extension) == ".mp4" ? "isom" : "qt  ");
    MovieReader reader;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    ASSERT_EQ(reader.frameCount(), 12);
    std::vector<uint8_t> got;
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(reader.readFrame(i, got)) << reader.error();
        std::vector<uint8_t> wanted = movingSquare(64, 48, i);
        if (!c.alpha)
            for (size_t p = 3; p < wanted.size(); p += 4) wanted[p] = 255;
        if (c.lossless) {
            ASSERT_TRUE(got == wanted) << "frame " << i << " differs";
            continue;
        }
        // Lossy frames stay close, and closer to their own frame than to their neighbours.
        double own = test::meanColourDifference(got, wanted);
        EXPECT_LT(own, 3.5) << "frame " << i;
        for (int other : {i - 1, i + 1}) {
            if (other < 0 || other >= 12) continue;
            EXPECT_LT(own, test::meanColourDifference(got, movingSquare(64, 48, other))) << "frame " << i;
        }
    }
}

// The defaults of .mov and .mp4, and alpha in PNG, are rendered to movies and read back in FrameRanges
// (tests/app/MovieOutputTest.cpp).
INSTANTIATE_TEST_SUITE_P(
    Containers, MovieWriterCodec,
    ::testing::Values(Case{".mov", "rle", true, "qtrle", "argb", true},
                      Case{".MOV", "PNG", false, "png", "rgb24", true},
                      Case{".mov", "h264", false, "h264", "yuv420p", false},
                      Case{".avi", "", false, "rawvideo", "bgr24", true},
                      Case{".avi", "mjpeg", false, "mjpeg", "yuvj420p", false}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::to_string(info.index); });

TEST(MovieWriter, RefusesWhatItCannotWrite) {
    EXPECT_TRUE(MovieWriter::supports(".Mp4"));
    EXPECT_FALSE(MovieWriter::supports(".png"));
    test::TempDir dir;
    MovieWriter writer;
    EXPECT_FALSE(writer.open(dir.file("odd.mp4"), {65, 48, {25, 1}, "", false}));
    EXPECT_NE(writer.error().find("even width and height"), std::string::npos) << writer.error();
    EXPECT_FALSE(writer.open(dir.file("a.avi"), {64, 48, {25, 1}, "h264", false}));
    EXPECT_EQ(writer.error(), "the codec \"h264\" cannot be written to .avi movies (choose dib, mjpeg)");
    EXPECT_FALSE(writer.addFrame(movingSquare(64, 48, 0).data()));
    std::string missing = dir.file("missing/out.mov");
    EXPECT_FALSE(writer.open(missing, {64, 48, {25, 1}, "", false}));
    EXPECT_EQ(writer.error(), "\rUnable to write to temporary file:\r  " + missing + ".XXXXXX\r\rPlease try again.");
    EXPECT_EQ(entries(dir.path()), 0u);
    // Sizes that 4:2:0 colour cannot hold are fine for the lossless codecs.
    std::string error;
    ASSERT_TRUE(writeMovie(dir.file("odd.mov"), {63, 47, {25, 1}, "rle", true}, 3, &error)) << error;
    EXPECT_EQ(MovieProbe(dir.file("odd.mov"))["r_frame_rate"], "25/1");
}

TEST(MovieWriter, TheOldMovieGoesOnlyWhenTheNewOneIsFinished) {
    test::TempDir dir;
    std::string path = dir.file("shot.mov");
    test::writeFile(path, "the old movie");
    MovieWriter writer;
    ASSERT_TRUE(writer.open(path, {64, 48, {24, 1}, "", true})) << writer.error();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(writer.addFrame(movingSquare(64, 48, i).data()));
    EXPECT_EQ(std::pair(test::readFile(path), entries(dir.path())), std::pair(std::string("the old movie"), size_t{2}));
    writer.discard();
    EXPECT_EQ(std::pair(test::readFile(path), entries(dir.path())), std::pair(std::string("the old movie"), size_t{1}));
    // A folder in the way: the finished movie waits beside it, where the message says.
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    ASSERT_TRUE(writer.open(path, {64, 48, {24, 1}, "", true})) << writer.error();
    ASSERT_TRUE(writer.addFrame(movingSquare(64, 48, 0).data()));
    EXPECT_FALSE(writer.finish());
    std::string prefix = "\rUnable to delete the destination movie file to make room for the flattened version (" +
                         std::to_string(EISDIR) + ").\rResulting movie probably exists in:\r  ";
    ASSERT_EQ(writer.error().rfind(prefix, 0), 0u) << writer.error();
    MovieReader reader;
    EXPECT_TRUE(reader.open(writer.error().substr(prefix.size()))) << reader.error();
    writer.discard();
    EXPECT_EQ(entries(dir.path()), 1u);
}

// A full disk, made by a file size limit in a child process: the run stops with the
// service's own texts and the old movie stays as it was.
TEST(MovieWriter, AFullDiskKeepsTheOldMovie) {
    for (std::string name : {"full.mov", "full.avi"}) {
        test::TempDir dir;
        std::string path = dir.file(name);
        test::writeFile(path, "the old movie");
        pid_t child = ::fork();
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{200000, 200000};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::vector<uint8_t> noise(256 * 256 * 4);
            uint32_t seed = 1;
            MovieWriter writer;
            std::string report = writer.open(path, {256, 256, {25, 1}, "", false}) ? "" : "open failed";
            for (int i = 0; report.empty() && i < 100; ++i) {
                for (uint8_t& b : noise) b = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
                if (!writer.addFrame(noise.data())) report = writer.error();
            }
            test::writeFile(dir.file("report"), report + "|" + (writer.finish() ? "" : writer.error()));
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << name;
        const std::string report = test::readFile(dir.file("report"));
        std::string added = report.substr(0, report.find('|')), finished = report.substr(report.find('|') + 1);
        if (name == "full.avi") {
            EXPECT_EQ(report, std::string(kAviFailedAlert) + "|" + kAviFailedAlert);
        } else {
            EXPECT_EQ(added.rfind("\rUnable to write to temporary file:\r  " + path + ".", 0), 0u) << added;
            EXPECT_EQ(finished.rfind("\rUnable to flatten temp file to movie file (" + std::to_string(EFBIG) +
                                         ").\rResulting movie probably exists in:\r  " + path + ".", 0), 0u)
                << finished;
        }
        EXPECT_EQ(test::readFile(path), "the old movie") << name;
    }
}

}  // namespace
}  // namespace fw
