#include "platform/MovieWriter.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/AviWriter.h"
#include "platform/Folders.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "platform/MediaLibraries.h"

namespace fw {

namespace {

enum class Container { None, Mov, Mp4, Avi };

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

Container containerOf(const std::string& extension) {
    std::string e = lowered(extension);
    if (e == ".mov") return Container::Mov;
    if (e == ".mp4") return Container::Mp4;
    if (e == ".avi") return Container::Avi;
    return Container::None;
}

std::string extensionOf(const std::string& path) { return std::filesystem::path(path).extension().string(); }

// The error number inside a library result, as the failure texts show it.
int errorNumber(int avResult) { return avResult < 0 && avResult > -4096 ? -avResult : avResult; }

std::string temporaryFailure(const std::string& temporary) {
    return "\rUnable to write to temporary file:\r  " + temporary + "\r\rPlease try again.";
}

std::string flattenFailure(int number, const std::string& temporary) {
    return "\rUnable to flatten temp file to movie file (" + std::to_string(number) +
           ").\rResulting movie probably exists in:\r  " + temporary;
}

}  // namespace

struct MovieWriter::State {
    Container container = Container::None;
    std::string path, temporary;
    Settings settings;
    bool open = false;
    int frames = 0;

    // ".mov" and ".mp4"
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    SwsContext* scaler = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;

    // ".avi"
    std::unique_ptr<AviWriter> avi;
    DibPicture picture;

    ~State() { release(); }

    void release() {
        if (format) {
            avio_closep(&format->pb);
            avformat_free_context(format);
            format = nullptr;
        }
        stream = nullptr;
        avcodec_free_context(&codec);
        sws_freeContext(scaler);
        scaler = nullptr;
        av_frame_free(&frame);
        av_packet_free(&packet);
        avi.reset();
        open = false;
    }

    // Each opens the file and its encoder; what went wrong, or empty.
    std::string openAvi();
    std::string openEncoded(const AVCodec* encoder);

    // The encoder's packets so far into the file; a library result.
    int drain() {
        for (;;) {
            int r = avcodec_receive_packet(codec, packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return 0;
            if (r < 0) return r;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            r = av_interleaved_write_frame(format, packet);
            if (r < 0) return r;
        }
    }
};

MovieWriter::MovieWriter() = default;

MovieWriter::~MovieWriter() {
    if (state_ && state_->open) discard();
}

std::vector<std::string> MovieWriter::codecs(const std::string& extension) {
    switch (containerOf(extension)) {
    case Container::Mov: return {"rle", "h264", "png"};
    case Container::Mp4: return {"h264"};
    case Container::Avi: return {"dib", "mjpeg"};
    case Container::None: break;
    }
    return {};
}

bool MovieWriter::supports(const std::string& extension) { return containerOf(extension) != Container::None; }

namespace {

// What keeps these settings from making a movie at `path`, or empty; `s` is the
// settings with the codec named as the encoders know it, `encoder` the one to use.
std::string settingsProblem(const std::string& path, const MovieWriter::Settings& settings,
                            MovieWriter::Settings& s, const AVCodec*& encoder) {
    std::vector<std::string> names = MovieWriter::codecs(extensionOf(path));
    s = settings;
    s.codec = lowered(s.codec);
    if (s.codec.empty()) s.codec = names.front();
    if (std::find(names.begin(), names.end(), s.codec) == names.end()) {
        std::string list;
        for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
        return "the codec \"" + settings.codec + "\" cannot be written to " + lowered(extensionOf(path)) +
               " movies (choose " + list + ")";
    }
    if (s.width <= 0 || s.height <= 0 || s.width > 16384 || s.height > 16384)
        return "a movie frame of " + std::to_string(s.width) + " x " + std::to_string(s.height) +
               " pixels cannot be written";
    if (!s.rate.valid()) return "the frame rate must be above zero";
    // 4:2:0 colour keeps one sample per two pixels each way.
    if (s.codec == "h264" && (s.width % 2 || s.height % 2))
        return "H.264 movies need an even width and height; " + std::to_string(s.width) + " x " +
               std::to_string(s.height) + " is not";
    encoder = nullptr;
    if (s.codec == "rle") encoder = avcodec_find_encoder(AV_CODEC_ID_QTRLE);
    else if (s.codec == "png") encoder = avcodec_find_encoder(AV_CODEC_ID_PNG);
    else if (s.codec == "h264") encoder = avcodec_find_encoder_by_name("libx264");
    else if (s.codec == "mjpeg") encoder = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    else if (s.codec == "dib") encoder = avcodec_find_encoder(AV_CODEC_ID_RAWVIDEO);
    return encoder ? std::string() : std::string(kMovieServiceMissingAlert);
}

// The encoder's picture format and options for the codec.
void configureEncoder(AVCodecContext* c, const MovieWriter::Settings& s, AVDictionary** codecOptions) {
    c->width = s.width;
    c->height = s.height;
    c->time_base = {s.rate.den, s.rate.num};
    c->framerate = {s.rate.num, s.rate.den};
    if (s.codec == "rle") {
        c->pix_fmt = s.alpha ? AV_PIX_FMT_ARGB : AV_PIX_FMT_RGB24;
    } else if (s.codec == "png") {
        c->pix_fmt = s.alpha ? AV_PIX_FMT_RGBA : AV_PIX_FMT_RGB24;
    } else {
        c->pix_fmt = AV_PIX_FMT_YUV420P;
        // A key frame about every second keeps editing programs quick to scrub.
        c->gop_size = std::max(1, static_cast<int>(s.rate.value() + 0.5));
        c->thread_count = 0;
        // swscale's conversion uses the standard-definition matrix; say so in the file.
        c->colorspace = AVCOL_SPC_SMPTE170M;
        c->color_primaries = AVCOL_PRI_SMPTE170M;
        c->color_trc = AVCOL_TRC_SMPTE170M;
        c->color_range = AVCOL_RANGE_MPEG;
        av_dict_set(codecOptions, "crf", "18", 0);
        av_dict_set(codecOptions, "preset", "medium", 0);
    }
}

}  // namespace

std::string MovieWriter::State::openAvi() {
    avi = AviWriter::create(temporary, 1000, nullptr);
    if (!avi) return temporaryFailure(temporary);
    picture.width = settings.width;
    picture.height = settings.height;
    picture.bitsPerPixel = 24;
    picture.bits.assign(picture.rowBytes() * settings.height, 0);
    AviWriter::CompressionOptions options;
    options.compressor = settings.codec == "dib" ? "DIB " : "MSVC";
    // The stream runs at rate / 1000 frames a second, a thousandth of a frame exact.
    int rate = static_cast<int>(settings.rate.value() * 1000.0 + 0.5);
    // Headless, the codec was chosen before the render: no compressor dialog.
    if (avi->setVideoCompression(picture, options, false, rate) != AVIERR_OK) return kAviFailedAlert;
    return {};
}

std::string MovieWriter::State::openEncoded(const AVCodec* encoder) {
    const Settings& s = settings;
    if (avformat_alloc_output_context2(&format, nullptr, container == Container::Mp4 ? "mp4" : "mov",
                                       temporary.c_str()) < 0)
        return kMovieServiceMissingAlert;
    codec = avcodec_alloc_context3(encoder);
    frame = av_frame_alloc();
    packet = av_packet_alloc();
    if (!codec || !frame || !packet) throw std::bad_alloc();
    AVDictionary* codecOptions = nullptr;
    configureEncoder(codec, s, &codecOptions);
    if (format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int r = avcodec_open2(codec, encoder, &codecOptions);
    av_dict_free(&codecOptions);
    if (r < 0) return "the " + s.codec + " encoder cannot be opened";
    stream = avformat_new_stream(format, nullptr);
    if (!stream) throw std::bad_alloc();
    stream->time_base = codec->time_base;
    stream->avg_frame_rate = codec->framerate;
    if (avcodec_parameters_from_context(stream->codecpar, codec) < 0)
        return "the " + s.codec + " encoder cannot be opened";
    frame->format = codec->pix_fmt;
    frame->width = s.width;
    frame->height = s.height;
    if (av_frame_get_buffer(frame, 0) < 0) throw std::bad_alloc();
    scaler = sws_getContext(s.width, s.height, AV_PIX_FMT_RGBA, s.width, s.height, codec->pix_fmt,
                            SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    if (!scaler) return "the frames cannot be converted for the " + s.codec + " encoder";
    if (avio_open(&format->pb, temporary.c_str(), AVIO_FLAG_WRITE) < 0) return temporaryFailure(temporary);
    AVDictionary* muxOptions = nullptr;
    // What the web plays while loading: the index before the frames.
    if (container == Container::Mp4) av_dict_set(&muxOptions, "movflags", "+faststart", 0);
    r = avformat_write_header(format, &muxOptions);
    av_dict_free(&muxOptions);
    if (r < 0) return temporaryFailure(temporary);
    return {};
}

bool MovieWriter::open(const std::string& path, const Settings& settings) {
    if (state_ && state_->open) discard();
    state_.reset();
    error_.clear();
    Container container = containerOf(extensionOf(path));
    if (container == Container::None) {
        error_ = "movies are written as .mov, .mp4 or .avi files";
        return false;
    }
    Settings s;
    const AVCodec* encoder = nullptr;
    error_ = settingsProblem(path, settings, s, encoder);
    if (!error_.empty()) return false;

    state_ = std::make_unique<State>();
    State& st = *state_;
    st.container = container;
    st.path = path;
    st.settings = s;
    std::string name = path + ".XXXXXX";
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error_ = temporaryFailure(path + ".XXXXXX");
        state_.reset();
        return false;
    }
    st.temporary = name;
    ::fchmod(fd, Folders::replacementMode(path));
    ::close(fd);
    st.open = true;
    av_log_set_level(AV_LOG_QUIET);

    const std::string why = container == Container::Avi ? st.openAvi() : st.openEncoded(encoder);
    if (why.empty()) return true;
    discard();
    error_ = why;
    return false;
}

bool MovieWriter::addFrame(const uint8_t* rgba) {
    if (!state_ || !state_->open || !rgba) {
        if (error_.empty()) error_ = "no movie is open for frames";
        return false;
    }
    State& st = *state_;
    int w = st.settings.width, h = st.settings.height;
    if (st.avi) {
        DibPicture& pic = st.picture;
        for (int y = 0; y < h; ++y) {
            const uint8_t* from = rgba + static_cast<size_t>(y) * w * 4;
            uint8_t* to = pic.bits.data() + pic.rowBytes() * y;
            for (int x = 0; x < w; ++x, from += 4, to += 3) {
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
            }
        }
        if (st.avi->addFrame(pic) != AVIERR_OK) {
            error_ = kAviFailedAlert;
            return false;
        }
        ++st.frames;
        return true;
    }
    if (av_frame_make_writable(st.frame) < 0) throw std::bad_alloc();
    // From the last row upwards: the frames come bottom-up, movies run top-down.
    const uint8_t* planes[4] = {rgba + static_cast<size_t>(h - 1) * w * 4, nullptr, nullptr, nullptr};
    int strides[4] = {-w * 4, 0, 0, 0};
    sws_scale(st.scaler, planes, strides, 0, h, st.frame->data, st.frame->linesize);
    st.frame->pts = st.frames;
    int r = avcodec_send_frame(st.codec, st.frame);
    if (r >= 0) r = st.drain();
    if (r < 0) {
        error_ = temporaryFailure(st.temporary);
        return false;
    }
    ++st.frames;
    return true;
}

int MovieWriter::framesWritten() const { return state_ ? state_->frames : 0; }

bool MovieWriter::finish() {
    if (!state_ || !state_->open) {
        if (error_.empty()) error_ = "no movie is open to finish";
        return false;
    }
    State& st = *state_;
    if (st.avi) {
        AviResult r = AviWriter::close(std::move(st.avi));
        st.release();
        if (r != AVIERR_OK) {
            error_ = kAviFailedAlert;
            return false;
        }
    } else {
        int r = avcodec_send_frame(st.codec, nullptr);
        if (r >= 0) r = st.drain();
        if (r >= 0) r = av_write_trailer(st.format);
        int closed = avio_closep(&st.format->pb);
        if (r >= 0) r = closed;
        st.release();
        if (r < 0) {
            error_ = flattenFailure(errorNumber(r), st.temporary);
            return false;
        }
    }
    if (std::rename(st.temporary.c_str(), st.path.c_str()) != 0) {
        int number = errno;
        struct stat there;
        if (::lstat(st.path.c_str(), &there) == 0)
            error_ = "\rUnable to delete the destination movie file to make room for the flattened version (" +
                     std::to_string(number) + ").\rResulting movie probably exists in:\r  " + st.temporary;
        else
            error_ = flattenFailure(number, st.temporary);
        return false;
    }
    st.temporary.clear();
    error_.clear();
    return true;
}

void MovieWriter::discard() {
    if (!state_) return;
    State& st = *state_;
    st.release();
    if (!st.temporary.empty() && ::unlink(st.temporary.c_str()) != 0 && errno != ENOENT) {
        int number = errno;
        error_ = "\rUnable to delete the temporary movie (" + std::to_string(number) +
                 ").\rPlease remove by hand:\r  " + st.temporary;
    }
    st.temporary.clear();
}

}  // namespace fw
