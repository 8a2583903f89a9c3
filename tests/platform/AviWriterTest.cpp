// The AVI writer's contract: result codes, the stream header it writes, frames and
// samples read back by FFmpeg, and a writer that stays failed after its first failure.
#include "platform/AviWriter.h"

#include "MovieProbe.h"
#include "TempDir.h"
#include "platform/Dialogs.h"
#include "platform/MovieReader.h"

namespace fw {
namespace {

using test::MovieProbe;

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

// ffprobe's values for `keys`, joined by spaces.
std::string probed(const std::string& path, std::initializer_list<const char*> keys, const char* kind = "v") {
    MovieProbe probe(path, kind);
    std::string values;
    for (const char* key : keys) values += (values.empty() ? "" : " ") + probe[key];
    return values;
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
    auto silent = AviWriter::create(dir.file("silent.avi"), 1000, nullptr);
    EXPECT_EQ(silent->addAudio("abcd", 4), AVIERR_BADFORMAT);
    auto uneven = AviWriter::create(dir.file("uneven.avi"), 1000, &stereo);
    EXPECT_EQ(uneven->addAudio("abc", 3), AVIERR_BADPARAM);
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

}  // namespace
}  // namespace fw
