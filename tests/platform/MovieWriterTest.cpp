// Movies as players and editing programs see them: container, codec, exact frame count and rate, pixels read back,
// and the old movie kept whenever a new one fails. The AVI writer's contract: result codes, the stream header it
// writes, frames and samples read back by FFmpeg, and a writer that stays failed after its first failure. Frame rates
// as exact fractions: the rounded broadcast rates users type, and text.
#include "platform/MovieWriter.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "MovieProbe.h"
#include "TempDir.h"
#include "platform/AviWriter.h"
#include "platform/Dialogs.h"
#include "platform/FrameRate.h"
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

// ffprobe's values for `keys`, joined by spaces.
std::string probed(const std::string& path, std::initializer_list<const char*> keys, const char* kind = "v") {
    MovieProbe probe(path, kind);
    std::string values;
    for (const char* key : keys) values += (values.empty() ? "" : " ") + probe[key];
    return values;
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
    std::string error;
    ASSERT_TRUE(writeMovie(path, {64, 48, FrameRate{30000, 1001}, c.codec, c.alpha}, 12, &error)) << error;
    EXPECT_EQ(entries(dir.path()), 1u) << "the temporary file was left behind";
    const bool avi = std::string(c.extension) == ".avi";
    // AVI states its rate in thousandths of a frame per second.
    EXPECT_EQ(probed(path, {"codec_name", "pix_fmt", "width", "height", "nb_read_frames", "r_frame_rate",
                            avi ? "format_name" : "major_brand"}),
              std::string(c.codecName) + " " + c.pixelFormat + " 64 48 12 " +
                  (avi ? "2997/100 avi" : "30000/1001 qt  "));
    MovieReader reader;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    ASSERT_EQ(reader.frameCount(), 12);
    std::vector<uint8_t> got;
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(reader.readFrame(i, got)) << reader.error();
        std::vector<uint8_t> wanted = movingSquare(64, 48, i);
        for (size_t p = 3; !c.alpha && p < wanted.size(); p += 4) wanted[p] = 255;
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
    EXPECT_EQ(std::pair(MovieWriter::supports(".Mp4"), MovieWriter::supports(".png")), std::pair(true, false));
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
                                     ").\rResulting movie probably exists in:\r  " + path + ".", 0), 0u) << finished;
        }
        EXPECT_EQ(test::readFile(path), "the old movie") << name;
    }
}

// A test frame as a device-independent picture (BGR or BGRA, rows bottom-up, padded).
DibPicture picture(int width, int height, int bits, int index) {
    std::vector<uint8_t> rgba = test::movingSquare(width, height, index);
    DibPicture pic{width, height, bits, {}};
    pic.bits.assign(pic.rowBytes() * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* from = &rgba[(static_cast<size_t>(y) * width + x) * 4];
            uint8_t* to = &pic.bits[pic.rowBytes() * y + static_cast<size_t>(x) * bits / 8];
            to[0] = from[2], to[1] = from[1], to[2] = from[0];
            if (bits == 32) to[3] = from[3];
        }
    return pic;
}

// The handler, scale, rate and length of the first stream header of a type ("vids", "auds").
std::string streamHeader(const std::string& path, const char* type) {
    const std::string file = test::readFile(path);
    auto u32 = [&](size_t at) {
        uint32_t v;
        std::memcpy(&v, file.data() + at, 4);
        return " " + std::to_string(v);
    };
    for (size_t at = file.find("strh"); at != std::string::npos; at = file.find("strh", at + 4))
        if (file.compare(at + 8, 4, type) == 0)
            return file.substr(at + 12, 4) + u32(at + 28) + u32(at + 32) + u32(at + 40);
    return {};
}

// A WAVE file: its format chunk is the format's first 16 bytes as they lie in memory, little-endian as the file's.
std::string waveImage(const WaveFormat& f, const std::string& samples) {
    auto u32 = [](size_t v) {
        const uint32_t w = static_cast<uint32_t>(v);
        return std::string(reinterpret_cast<const char*>(&w), 4);
    };
    return "RIFF" + u32(36 + samples.size()) + "WAVEfmt " + u32(16) +
           std::string(reinterpret_cast<const char*>(&f), 16) + "data" + u32(samples.size()) + samples;
}

TEST(AviWriter, UncompressedFramesKeepEveryByteAtTheGivenRate) {
    test::TempDir dir;
    // At 29.97 frames a second the stream runs 29970 frames per 1000 seconds.
    std::string path = dir.file("dib.avi");
    auto writer = AviWriter::create(path, 1000, nullptr);
    ASSERT_TRUE(writer);
    ASSERT_EQ(writer->setVideoCompression(picture(63, 48, 24, 0), {"DIB ", 10000}, false, 29970), AVIERR_OK);
    for (int i = 0; i < 12; ++i) ASSERT_EQ(writer->addFrame(picture(63, 48, 24, i)), AVIERR_OK);
    EXPECT_EQ(writer->addFrame(picture(63, 47, 24, 0)), AVIERR_BADSIZE);
    ASSERT_EQ(AviWriter::close(std::move(writer)), AVIERR_OK);
    EXPECT_EQ(streamHeader(path, "vids"), "DIB  1000 29970 12");
    // Rows are padded to four bytes.
    EXPECT_EQ(probed(path, {"r_frame_rate", "nb_read_frames", "width"}), "2997/100 12 63");
    MovieReader reader;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    std::vector<uint8_t> got;
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(reader.readFrame(i, got));
        std::vector<uint8_t> wanted = test::movingSquare(63, 48, i);
        for (size_t p = 3; p < wanted.size(); p += 4) wanted[p] = 255;
        ASSERT_TRUE(got == wanted) << "frame " << i;
    }
}

TEST(AviWriter, TheCompressionDialog) {
    test::TempDir dir;
    Dialogs& dialogs = Dialogs::instance();
    dialogs.setQuiet(true), dialogs.clearShown();
    // The preselected compressor, accepted, writes Motion JPEG.
    std::string path = dir.file("jpeg.avi");
    auto writer = AviWriter::create(path, 1000, nullptr);
    dialogs.script("OK");
    ASSERT_EQ(writer->setVideoCompression(picture(64, 48, 32, 0), {}, true, 25000), AVIERR_OK);
    for (int i = 0; i < 6; ++i) ASSERT_EQ(writer->addFrame(picture(64, 48, 32, i)), AVIERR_OK);
    ASSERT_EQ(AviWriter::close(std::move(writer)), AVIERR_OK);
    EXPECT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(probed(path, {"codec_name", "r_frame_rate", "nb_read_frames"}), "mjpeg 25/1 6");
    // Cancelled: the writer fails and no frame reaches the file.
    path = dir.file("cancelled.avi");
    writer = AviWriter::create(path, 1000, nullptr);
    dialogs.script("Cancel");
    EXPECT_EQ(writer->setVideoCompression(picture(64, 48, 32, 0), {}, true, 25000), AVIERR_USERABORT);
    EXPECT_EQ(writer->addFrame(picture(64, 48, 32, 0)), AVIERR_ERROR);
    EXPECT_EQ(writer->framesWritten(), 0);
    EXPECT_EQ(AviWriter::close(std::move(writer)), AVIERR_OK);
    EXPECT_EQ(probed(path, {"codec_type", "duration_ts"}), "video 0");
    EXPECT_TRUE(streamHeader(path, "vids").ends_with(" 0")) << "no frames in the header's length";
    writer = AviWriter::create(dir.file("none.avi"), 1000, nullptr);
    EXPECT_EQ(writer->setVideoCompression(picture(64, 48, 32, 0), {"IV50", 5000}, false, 25000), AVIERR_NOCOMPRESSOR);
    dialogs.setQuiet(false);
}

TEST(AviWriter, AFailedWriterLeavesTheFileAlone) {
    test::TempDir dir;
    std::string path = dir.file("failed.avi");
    auto writer = AviWriter::create(path, 1000, nullptr);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(writer->addFrame(picture(32, 16, 32, i)), AVIERR_OK);
    EXPECT_EQ(writer->addWave("whatever", 1), AVIERR_BADFLAGS);
    EXPECT_EQ(writer->addFrame(picture(32, 16, 32, 3)), AVIERR_ERROR);
    EXPECT_EQ(writer->setVideoCompression(picture(32, 16, 32, 3), {}, false, 1000), AVIERR_ERROR);
    EXPECT_EQ(writer->addAudio("abcd", 4), AVIERR_ERROR);
    EXPECT_EQ(writer->addWave("whatever", AviWriter::kWaveInMemory), AVIERR_ERROR);
    EXPECT_EQ(AviWriter::close(std::move(writer)), AVIERR_OK);
    // Frames without a compressor chosen went in uncompressed, at the period's own rate.
    EXPECT_EQ(streamHeader(path, "vids"), "DIB  1000 1000 3");
    EXPECT_EQ(probed(path, {"pix_fmt", "nb_read_frames"}), "bgra 3");
    EXPECT_EQ(AviWriter::close(nullptr), AVIERR_BADHANDLE);
    EXPECT_EQ(AviWriter::create(dir.file("missing/x.avi"), 1000, nullptr), nullptr);
    EXPECT_STREQ(AviWriter::resultText(0x80044073), "unknown avi result code");
    // Only device-independent pictures: anything else fails the writer.
    writer = AviWriter::create(dir.file("bad.avi"), 1000, nullptr);
    DibPicture wrongDepth = picture(32, 16, 24, 0);
    wrongDepth.bitsPerPixel = 16;
    EXPECT_EQ(writer->addFrame(wrongDepth), AVIERR_BADPARAM);
    EXPECT_EQ(writer->addFrame(picture(32, 16, 24, 0)), AVIERR_ERROR);
    writer = AviWriter::create(dir.file("short.avi"), 1000, nullptr);
    DibPicture cut = picture(32, 16, 24, 0);
    cut.bits.pop_back();
    EXPECT_EQ(writer->setVideoCompression(cut, {}, false, 25000), AVIERR_BADPARAM);
}

TEST(AviWriter, AudioFormatsAndSamples) {
    test::TempDir dir;
    WaveFormat stereo{1, 2, 22050, 88200, 4, 16, 0}, mono8{1, 1, 8000, 8000, 1, 8, 0};
    EXPECT_EQ(AviWriter::create(dir.file("silent.avi"), 1000, nullptr)->addAudio("abcd", 4), AVIERR_BADFORMAT);
    EXPECT_EQ(AviWriter::create(dir.file("uneven.avi"), 1000, &stereo)->addAudio("abc", 3), AVIERR_BADPARAM);
    std::string path = dir.file("sound.avi");
    auto writer = AviWriter::create(path, 1000, &stereo);
    ASSERT_EQ(writer->setVideoCompression(picture(32, 16, 24, 0), {"DIB ", 10000}, false, 25000), AVIERR_OK);
    std::string first(8820, 'a'), second(4400, 'b'), third(2000, 'c');
    for (size_t i = 0; i < first.size(); i += 7) first[i] = static_cast<char>(i);
    ASSERT_EQ(writer->addAudio(first.data(), first.size()), AVIERR_OK);  // before any frame
    for (int i = 0; i < 5; ++i) ASSERT_EQ(writer->addFrame(picture(32, 16, 24, i)), AVIERR_OK);
    ASSERT_EQ(writer->addWave(waveImage(stereo, second), AviWriter::kWaveInMemory), AVIERR_OK);
    std::string wavePath = dir.file("third.wav");
    test::writeFile(wavePath, waveImage(stereo, third));
    ASSERT_EQ(writer->addWave(wavePath, AviWriter::kWaveFromFile), AVIERR_OK);
    EXPECT_EQ(writer->addWave(waveImage(mono8, "xy"), AviWriter::kWaveInMemory), AVIERR_BADFORMAT);
    ASSERT_EQ(AviWriter::close(std::move(writer)), AVIERR_OK);
    EXPECT_EQ(streamHeader(path, "auds").substr(4), " 4 88200 " + std::to_string((8820 + 4400 + 2000) / 4));
    EXPECT_EQ(probed(path, {"codec_name", "sample_rate", "channels"}, "a"), "pcm_s16le 22050 2");
    std::string decoded = test::commandOutput("ffmpeg -v error -i '" + path + "' -map 0:a -f s16le -");
    EXPECT_TRUE(decoded == first + second + third) << decoded.size() << " bytes decoded";
    // The first wave gives a writer made without a format its format.
    writer = AviWriter::create(dir.file("wave.avi"), 1000, nullptr);
    EXPECT_EQ(writer->addWave(waveImage(mono8, "abcdef"), AviWriter::kWaveInMemory), AVIERR_OK);
    EXPECT_EQ(writer->addWave(waveImage(stereo, "abcd"), AviWriter::kWaveInMemory), AVIERR_BADFORMAT);
}

TEST(FrameRate, BroadcastRatesFractionsAndDecimalsAreExact) {
    // Near a broadcast rate (29.9) is not on it.
    const std::pair<double, FrameRate> rates[] = {
        {29.97, {30000, 1001}}, {23.976, {24000, 1001}}, {59.94, {60000, 1001}}, {119.88, {120000, 1001}},
        {30000.0 / 1001, {30000, 1001}}, {29.9, {299, 10}}, {25, {25, 1}}, {12.5, {25, 2}}, {7.3333, {7333, 1000}}};
    for (const auto& [fps, rate] : rates) EXPECT_EQ(FrameRate::fromFramesPerSecond(fps), rate) << fps;
    EXPECT_NEAR(FrameRate::fromFramesPerSecond(29.97).value(), 29.97003, 1e-5);
    for (double bad : {0.0, -24.0, 0.0001}) EXPECT_FALSE(FrameRate::fromFramesPerSecond(bad).valid()) << bad;
    const std::pair<const char*, FrameRate> texts[] = {
        {"30000/1001", {30000, 1001}}, {"50/2", {25, 1}}, {"29.97", {30000, 1001}}, {"25", {25, 1}}};
    for (const auto& [text, rate] : texts) EXPECT_EQ(FrameRate::parse(text), rate) << text;
    for (const char* bad : {"", "abc", "25fps", "0", "-25", "30/0", "0/1", "/1001", "30000/", "1/2/3", " 25", "1e400",
                            "99999999999/1"})
        EXPECT_FALSE(FrameRate::parse(bad).has_value()) << bad;
}

}  // namespace
}  // namespace fw
