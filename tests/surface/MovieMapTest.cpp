// Movie maps: frames of a real movie file, read in any order, chosen by scene time.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "TempDir.h"
#include "platform/MovieReader.h"
#include "scene/AnimGlobals.h"
#include "scene/SceneX.h"
#include "surface/ImageFile.h"
#include "surface/ImageMap.h"
#include "surface/Picture.h"

namespace fw {
namespace {

constexpr int kWidth = 16, kHeight = 8, kFrames = 5, kRate = 10;

// Frame k: the top half red, the bottom half green, blue rising by 40 a frame.
bool writeMovie(const std::string& path) {
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, nullptr, path.c_str()) < 0) return false;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    AVStream* stream = avformat_new_stream(out, nullptr);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->width = kWidth;
    c->height = kHeight;
    c->pix_fmt = AV_PIX_FMT_RGB24;
    c->time_base = {1, kRate};
    c->framerate = {kRate, 1};
    if (out->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    bool ok = avcodec_open2(c, codec, nullptr) >= 0 && avcodec_parameters_from_context(stream->codecpar, c) >= 0;
    stream->time_base = c->time_base;
    ok = ok && avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(out, nullptr) >= 0;
    AVPacket* packet = av_packet_alloc();
    auto drain = [&] {
        while (avcodec_receive_packet(c, packet) == 0) {
            packet->duration = 1;  // without it the container drops the last frame
            av_packet_rescale_ts(packet, c->time_base, stream->time_base);
            packet->stream_index = stream->index;
            av_interleaved_write_frame(out, packet);
        }
    };
    for (int k = 0; ok && k < kFrames; ++k) {
        AVFrame* frame = av_frame_alloc();
        frame->format = AV_PIX_FMT_RGB24;
        frame->width = kWidth;
        frame->height = kHeight;
        av_frame_get_buffer(frame, 0);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                uint8_t* p = frame->data[0] + y * frame->linesize[0] + x * 3;
                p[0] = y < kHeight / 2 ? 255 : 0;
                p[1] = y < kHeight / 2 ? 0 : 255;
                p[2] = static_cast<uint8_t>(40 * k);
            }
        frame->pts = k;
        ok = avcodec_send_frame(c, frame) >= 0;
        av_frame_free(&frame);
        drain();
    }
    avcodec_send_frame(c, nullptr);
    drain();
    if (ok) ok = av_write_trailer(out) >= 0;
    av_packet_free(&packet);
    avcodec_free_context(&c);
    avio_closep(&out->pb);
    avformat_free_context(out);
    return ok;
}

class MovieMaps : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(writeMovie(path)); }
    test::TempDir dir;
    std::string path = dir.file("clip.mov");
};

TEST_F(MovieMaps, ReaderGivesAnyFrameAsRgbaBottomRowFirst) {
    MovieReader reader;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    EXPECT_EQ(reader.frameCount(), kFrames);
    EXPECT_DOUBLE_EQ(reader.frameRate(), kRate);
    EXPECT_EQ(reader.width(), kWidth);
    EXPECT_EQ(reader.height(), kHeight);
    std::vector<uint8_t> rgba;
    for (int k : {3, 4, 1, 0, 2, 2}) {
        SCOPED_TRACE(k);
        ASSERT_TRUE(reader.readFrame(k, rgba)) << reader.error();
        ASSERT_EQ(rgba.size(), size_t(kWidth * kHeight * 4));
        const uint8_t* bottom = rgba.data();
        const uint8_t* top = rgba.data() + (kHeight - 1) * kWidth * 4;
        EXPECT_EQ(bottom[1], 255);
        EXPECT_EQ(top[0], 255);
        EXPECT_EQ(top[2], 40 * k);
        EXPECT_EQ(top[3], 255);
    }
    EXPECT_FALSE(reader.readFrame(kFrames, rgba));
    MovieReader none;
    EXPECT_FALSE(none.open(dir.file("none.mov")));
    EXPECT_NE(none.error().find(dir.file("none.mov")), std::string::npos);
}

TEST_F(MovieMaps, MapShowsTheFrameOfTheSceneTimeAtTheMoviesRate) {
    SceneX scene;
    auto* file = new ImageFile(scene, "Clip");
    file->setPath(path);
    auto* map = new ImageMap(scene, "ClipMap");
    map->setImageFile("Clip");
    ASSERT_EQ(file->source(), ImageFile::kMovie) << file->error();
    EXPECT_EQ(file->width(), kWidth);
    scene.animGlobals().framesPerSecond = 30;
    scene.animGlobals().setCurrentFrame(9);  // 0.3 s: movie frame 3
    EXPECT_EQ(map->frameAt(map->sceneTime()), 3);
    EXPECT_NEAR(map->sample(0.5, 0.9, 0.5, 0.9).b, 120 / 255.0, 1e-6);
    scene.animGlobals().setCurrentFrame(18);  // 0.6 s: past the end, looped to frame 1
    EXPECT_NEAR(map->sample(0.5, 0.9, 0.5, 0.9).b, 40 / 255.0, 1e-6);
    map->loop = false;
    EXPECT_EQ(map->picture(), nullptr);
}

}  // namespace
}  // namespace fw
