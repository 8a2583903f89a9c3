#include "platform/MovieReader.h"

#include <cmath>
#include <new>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include "platform/MediaLibraries.h"

namespace fw {

struct MovieReader::State {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    int stream = -1;
    int frames = 0;
    double rate = 0;
    int64_t start = 0;  // stream time of frame 0
    int lastIndex = -1; // index of the frame the decoder delivered last
    bool draining = false;
    std::string error;

    ~State() {
        sws_freeContext(scaler);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    AVStream* video() const { return format->streams[stream]; }

    // The frame number of a decoded frame, from its time stamp.
    int indexOf(const AVFrame* f) const {
        int64_t ts = f->best_effort_timestamp;
        if (ts == AV_NOPTS_VALUE) return lastIndex + 1;
        double seconds = static_cast<double>(ts - start) * av_q2d(video()->time_base);
        return static_cast<int>(std::llround(seconds * rate));
    }

    // Decodes the next frame into `frame`; false at the end of the stream or on error.
    bool decodeNext() {
        for (;;) {
            int r = avcodec_receive_frame(codec, frame);
            if (r == 0) return true;
            if (r != AVERROR(EAGAIN)) return false;
            if (draining) return false;
            for (;;) {
                r = av_read_frame(format, packet);
                if (r < 0) {
                    draining = true;
                    avcodec_send_packet(codec, nullptr);
                    break;
                }
                bool ours = packet->stream_index == stream;
                if (ours) r = avcodec_send_packet(codec, packet);
                av_packet_unref(packet);
                if (ours) {
                    if (r < 0 && r != AVERROR(EAGAIN)) return false;
                    break;
                }
            }
        }
    }

    bool seekTo(int index) {
        int64_t target = start + av_rescale_q(index, av_inv_q(av_d2q(rate, 100000)), video()->time_base);
        if (av_seek_frame(format, stream, target, AVSEEK_FLAG_BACKWARD) < 0 &&
            av_seek_frame(format, stream, target, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0)
            return false;
        avcodec_flush_buffers(codec);
        draining = false;
        lastIndex = -1;
        return true;
    }

    // Streams that do not state their length are counted packet by packet once.
    int countFrames() {
        int count = 0;
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == stream) ++count;
            av_packet_unref(packet);
        }
        av_seek_frame(format, stream, start, AVSEEK_FLAG_BACKWARD);
        return count;
    }
};

MovieReader::MovieReader() = default;
MovieReader::~MovieReader() = default;

bool MovieReader::isOpen() const { return state_ && state_->codec; }

void MovieReader::close() { state_.reset(); }

bool MovieReader::open(const std::string& path) {
    state_ = std::make_unique<State>();
    State& s = *state_;
    auto fail = [&](const char* what, int code) {
        char text[AV_ERROR_MAX_STRING_SIZE] = "";
        if (code) av_strerror(code, text, sizeof text);
        std::string error = path + ": " + what + (code ? std::string(" (") + text + ")" : std::string());
        state_ = std::make_unique<State>();
        state_->error = error;
        return false;
    };
    // The libraries' own complaints would land on stderr; failures come back through error().
    av_log_set_level(AV_LOG_QUIET);
    int r = avformat_open_input(&s.format, path.c_str(), nullptr, nullptr);
    if (r < 0) return fail("cannot open the movie", r);
    if ((r = avformat_find_stream_info(s.format, nullptr)) < 0) return fail("cannot read the movie's streams", r);
    const AVCodec* decoder = nullptr;
    s.stream = av_find_best_stream(s.format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (s.stream < 0 || !decoder) return fail("the movie has no video stream that can be decoded", 0);
    AVStream* st = s.video();
    s.codec = avcodec_alloc_context3(decoder);
    s.frame = av_frame_alloc();
    s.packet = av_packet_alloc();
    if (!s.codec || !s.frame || !s.packet) throw std::bad_alloc();
    if ((r = avcodec_parameters_to_context(s.codec, st->codecpar)) < 0) return fail("bad video parameters", r);
    s.codec->thread_count = 1;
    if ((r = avcodec_open2(s.codec, decoder, nullptr)) < 0) return fail("cannot open the video decoder", r);
    if (s.codec->width <= 0 || s.codec->height <= 0) return fail("the video has no size", 0);
    AVRational rate = av_guess_frame_rate(s.format, st, nullptr);
    s.rate = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 25.0;
    s.start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    s.frames = st->nb_frames > 0 ? static_cast<int>(st->nb_frames) : s.countFrames();
    if (s.frames <= 0) return fail("the movie has no frames", 0);
    return true;
}

int MovieReader::frameCount() const { return isOpen() ? state_->frames : 0; }
double MovieReader::frameRate() const { return isOpen() ? state_->rate : 0.0; }
int MovieReader::width() const { return isOpen() ? state_->codec->width : 0; }
int MovieReader::height() const { return isOpen() ? state_->codec->height : 0; }

const std::string& MovieReader::error() const {
    static const std::string none;
    return state_ ? state_->error : none;
}

bool MovieReader::readFrame(int index, std::vector<uint8_t>& rgba) {
    if (!isOpen() || index < 0 || index >= state_->frames) return false;
    State& s = *state_;
    // Going back, or far ahead, is cheaper from the key frame before the target.
    if (index <= s.lastIndex || index > s.lastIndex + 12) {
        if (!s.seekTo(index)) {
            s.error = "cannot seek in the movie";
            return false;
        }
    }
    bool found = false;
    while (s.decodeNext()) {
        int at = s.indexOf(s.frame);
        s.lastIndex = at;
        if (at >= index) {
            found = true;
            break;
        }
        av_frame_unref(s.frame);
    }
    if (!found) {
        s.error = "frame " + std::to_string(index) + " cannot be decoded";
        return false;
    }
    int w = s.frame->width, h = s.frame->height;
    s.scaler = sws_getCachedContext(s.scaler, w, h, static_cast<AVPixelFormat>(s.frame->format), w, h,
                                    AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!s.scaler) {
        av_frame_unref(s.frame);
        s.error = "cannot convert the frame's pixels";
        return false;
    }
    rgba.resize(static_cast<size_t>(w) * h * 4);
    // Writing from the last row upwards turns the movie's top-down rows bottom-up.
    uint8_t* planes[4] = {rgba.data() + static_cast<size_t>(h - 1) * w * 4, nullptr, nullptr, nullptr};
    int strides[4] = {-w * 4, 0, 0, 0};
    sws_scale(s.scaler, s.frame->data, s.frame->linesize, 0, h, planes, strides);
    av_frame_unref(s.frame);
    return true;
}

}  // namespace fw
