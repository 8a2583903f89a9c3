#include "platform/AviWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>

#include "platform/Dialogs.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include "platform/MediaLibraries.h"

namespace fw {

namespace {

enum class Compressor { None, Uncompressed, MotionJpeg };

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
void putLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The sample codec of a wave format, or none when it is not plain PCM.
AVCodecID pcmCodec(const WaveFormat& f) {
    if (f.channels == 0 || f.samplesPerSec == 0 || f.bitsPerSample == 0 ||
        f.blockAlign != f.channels * ((f.bitsPerSample + 7) / 8))
        return AV_CODEC_ID_NONE;
    if (f.formatTag == 1) {
        switch (f.bitsPerSample) {
        case 8: return AV_CODEC_ID_PCM_U8;
        case 16: return AV_CODEC_ID_PCM_S16LE;
        case 24: return AV_CODEC_ID_PCM_S24LE;
        case 32: return AV_CODEC_ID_PCM_S32LE;
        }
    }
    if (f.formatTag == 3 && f.bitsPerSample == 32) return AV_CODEC_ID_PCM_F32LE;
    return AV_CODEC_ID_NONE;
}

// The format and samples of a RIFF WAVE image; false when it is not one.
bool parseWave(std::string_view image, WaveFormat& format, std::string_view& samples) {
    const auto* p = reinterpret_cast<const uint8_t*>(image.data());
    size_t size = image.size();
    if (size < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) return false;
    bool haveFormat = false, haveData = false;
    for (size_t at = 12; at + 8 <= size;) {
        uint32_t length = le32(p + at + 4);
        const uint8_t* body = p + at + 8;
        size_t available = size - at - 8;
        if (std::memcmp(p + at, "fmt ", 4) == 0) {
            if (length < 16 || available < 16) return false;
            format.formatTag = le16(body);
            format.channels = le16(body + 2);
            format.samplesPerSec = le32(body + 4);
            format.avgBytesPerSec = le32(body + 8);
            format.blockAlign = le16(body + 12);
            format.bitsPerSample = le16(body + 14);
            format.extraSize = length >= 18 && available >= 18 ? le16(body + 16) : 0;
            haveFormat = true;
        } else if (std::memcmp(p + at, "data", 4) == 0) {
            // A recording cut short states more samples than it holds: keep what is there.
            samples = std::string_view(reinterpret_cast<const char*>(body), std::min<size_t>(length, available));
            haveData = true;
        }
        if (length > available) break;
        at += 8 + length + (length & 1);
    }
    if (!haveFormat || !haveData || format.blockAlign == 0) return false;
    samples = samples.substr(0, samples.size() - samples.size() % format.blockAlign);
    return true;
}

}  // namespace

struct AviWriter::State {
    std::string path;
    int period = 1000;
    AVFormatContext* format = nullptr;
    bool headerWritten = false;
    bool failed = false;

    bool hasAudioFormat = false;
    WaveFormat audio;
    AVStream* audioStream = nullptr;
    int64_t audioIndex = 0;       // next sample
    std::string pendingAudio;     // samples that came before the file's header

    bool videoMade = false;
    int videoRate = 1000;
    Compressor compressor = Compressor::None;
    int width = 0, height = 0, bitsPerPixel = 0;
    int quality = 9500;
    AVStream* videoStream = nullptr;
    AVCodecContext* jpeg = nullptr;
    SwsContext* scaler = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    int64_t frameIndex = 0;

    ~State() { shutDown(); }

    AVRational videoTimeBase() const { return {period, videoRate}; }

    AviResult result(AviResult r) {
        if (r != AVIERR_OK) failed = true;
        return r;
    }

    // The file's stream list is written once, before the first frame: the streams the
    // writer knows of by then are the ones it holds.
    AviResult writeHeader() {
        if (videoMade) {
            videoStream = avformat_new_stream(format, nullptr);
            if (!videoStream) return AVIERR_MEMORY;
            videoStream->time_base = videoTimeBase();
            videoStream->avg_frame_rate = av_inv_q(videoTimeBase());
            AVCodecParameters* par = videoStream->codecpar;
            if (compressor == Compressor::MotionJpeg) {
                AviResult r = openJpeg();
                if (r != AVIERR_OK) return r;
                if (avcodec_parameters_from_context(par, jpeg) < 0) return AVIERR_INTERNAL;
            } else {
                par->codec_type = AVMEDIA_TYPE_VIDEO;
                par->codec_id = AV_CODEC_ID_RAWVIDEO;
                par->codec_tag = 0;
                par->format = bitsPerPixel == 24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_BGRA;
                par->bits_per_coded_sample = bitsPerPixel;
                par->width = width;
                par->height = height;
                // The muxer's mark for rows kept bottom-up, as the pictures' bits are.
                static const char bottomUp[9] = "BottomUp";
                par->extradata = static_cast<uint8_t*>(av_mallocz(sizeof bottomUp + AV_INPUT_BUFFER_PADDING_SIZE));
                if (!par->extradata) return AVIERR_MEMORY;
                std::memcpy(par->extradata, bottomUp, sizeof bottomUp);
                par->extradata_size = sizeof bottomUp;
            }
        }
        AVCodecID pcm = hasAudioFormat ? pcmCodec(audio) : AV_CODEC_ID_NONE;
        if (pcm != AV_CODEC_ID_NONE) {
            audioStream = avformat_new_stream(format, nullptr);
            if (!audioStream) return AVIERR_MEMORY;
            AVCodecParameters* par = audioStream->codecpar;
            par->codec_type = AVMEDIA_TYPE_AUDIO;
            par->codec_id = pcm;
            av_channel_layout_default(&par->ch_layout, audio.channels);
            par->sample_rate = static_cast<int>(audio.samplesPerSec);
            par->block_align = audio.blockAlign;
            par->bits_per_coded_sample = audio.bitsPerSample;
            par->bit_rate = static_cast<int64_t>(audio.samplesPerSec) * audio.blockAlign * 8;
            audioStream->time_base = {1, static_cast<int>(audio.samplesPerSec)};
        }
        if (!videoStream && !audioStream) return AVIERR_OK;  // nothing to hold: the file stays empty
        if (avformat_write_header(format, nullptr) < 0) return AVIERR_FILEWRITE;
        headerWritten = true;
        if (!pendingAudio.empty()) {
            std::string samples;
            samples.swap(pendingAudio);
            return writeAudio(samples.data(), samples.size());
        }
        return AVIERR_OK;
    }

    AviResult openJpeg() {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
        if (!codec) return AVIERR_NOCOMPRESSOR;
        jpeg = avcodec_alloc_context3(codec);
        frame = av_frame_alloc();
        if (!jpeg || !frame) throw std::bad_alloc();
        jpeg->width = width;
        jpeg->height = height;
        jpeg->pix_fmt = AV_PIX_FMT_YUVJ420P;
        jpeg->color_range = AVCOL_RANGE_JPEG;
        jpeg->time_base = videoTimeBase();
        jpeg->flags |= AV_CODEC_FLAG_QSCALE;
        // Quality 10000 is the finest quantiser (2), quality 0 the coarsest (31).
        int q = 2 + (10000 - std::clamp(quality, 0, 10000)) * 29 / 10000;
        jpeg->global_quality = FF_QP2LAMBDA * q;
        if (avcodec_open2(jpeg, codec, nullptr) < 0) return AVIERR_COMPRESSOR;
        frame->format = jpeg->pix_fmt;
        frame->width = width;
        frame->height = height;
        frame->color_range = AVCOL_RANGE_JPEG;
        frame->quality = jpeg->global_quality;
        if (av_frame_get_buffer(frame, 0) < 0) throw std::bad_alloc();
        return AVIERR_OK;
    }

    AviResult writePacket(AVStream* stream, AVRational from) {
        packet->stream_index = stream->index;
        av_packet_rescale_ts(packet, from, stream->time_base);
        int r = av_write_frame(format, packet);
        av_packet_unref(packet);
        return r < 0 ? AVIERR_FILEWRITE : AVIERR_OK;
    }

    AviResult drainJpeg() {
        for (;;) {
            int r = avcodec_receive_packet(jpeg, packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return AVIERR_OK;
            if (r < 0) return AVIERR_COMPRESSOR;
            AviResult w = writePacket(videoStream, jpeg->time_base);
            if (w != AVIERR_OK) return w;
        }
    }

    AviResult writeFrame(const DibPicture& picture) {
        if (compressor == Compressor::MotionJpeg) {
            AVPixelFormat from = picture.bitsPerPixel == 24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_BGRA;
            scaler = sws_getCachedContext(scaler, width, height, from, width, height, jpeg->pix_fmt, SWS_BICUBIC,
                                          nullptr, nullptr, nullptr);
            if (!scaler || av_frame_make_writable(frame) < 0) return AVIERR_MEMORY;
            // From the last row upwards: the picture is bottom-up, the encoder top-down.
            const uint8_t* planes[4] = {picture.bits.data() + picture.rowBytes() * (height - 1), nullptr, nullptr, nullptr};
            int strides[4] = {-static_cast<int>(picture.rowBytes()), 0, 0, 0};
            sws_scale(scaler, planes, strides, 0, height, frame->data, frame->linesize);
            frame->pts = frameIndex;
            if (avcodec_send_frame(jpeg, frame) < 0) return AVIERR_COMPRESSOR;
            return drainJpeg();
        }
        if (av_new_packet(packet, static_cast<int>(picture.bits.size())) < 0) return AVIERR_MEMORY;
        std::memcpy(packet->data, picture.bits.data(), picture.bits.size());
        packet->flags |= AV_PKT_FLAG_KEY;
        packet->pts = packet->dts = frameIndex;
        packet->duration = 1;
        return writePacket(videoStream, videoTimeBase());
    }

    AviResult writeAudio(const void* data, size_t size) {
        if (!headerWritten) {
            pendingAudio.append(static_cast<const char*>(data), size);
            return AVIERR_OK;
        }
        if (!audioStream) return AVIERR_UNSUPPORTED;  // its format came after the stream list
        if (size == 0) return AVIERR_OK;
        if (size > INT32_MAX / 2 || av_new_packet(packet, static_cast<int>(size)) < 0) return AVIERR_MEMORY;
        std::memcpy(packet->data, data, size);
        int64_t samples = static_cast<int64_t>(size / audio.blockAlign);
        packet->pts = packet->dts = audioIndex;
        packet->duration = samples;
        packet->flags |= AV_PKT_FLAG_KEY;
        audioIndex += samples;
        return writePacket(audioStream, {1, static_cast<int>(audio.samplesPerSec)});
    }

    AviResult shutDown() {
        if (!format) return AVIERR_OK;
        AviResult r = AVIERR_OK;
        if (!headerWritten && (videoMade || hasAudioFormat)) r = writeHeader();
        if (headerWritten) {
            if (jpeg && avcodec_send_frame(jpeg, nullptr) == 0) {
                AviResult d = drainJpeg();
                if (r == AVIERR_OK) r = d;
            }
            if (av_write_trailer(format) < 0 && r == AVIERR_OK) r = AVIERR_FILEWRITE;
        }
        if (avio_closep(&format->pb) < 0 && r == AVIERR_OK) r = AVIERR_FILEWRITE;
        bool patch = headerWritten;
        avformat_free_context(format);
        format = nullptr;
        sws_freeContext(scaler);
        scaler = nullptr;
        avcodec_free_context(&jpeg);
        av_frame_free(&frame);
        av_packet_free(&packet);
        if (patch && r == AVIERR_OK) r = patchStreamHeaders();
        return r;
    }

    // The muxer states each stream's rate as a reduced fraction and leaves an
    // uncompressed stream's handler empty; the stream headers are given the writer's
    // own scale, rate and handler, which players read the same way.
    AviResult patchStreamHeaders() {
        std::FILE* f = std::fopen(path.c_str(), "r+b");
        if (!f) return AVIERR_FILEOPEN;
        uint8_t head[24];
        AviResult r = AVIERR_FILEWRITE;
        if (std::fread(head, 1, sizeof head, f) == sizeof head && std::memcmp(head, "RIFF", 4) == 0 &&
            std::memcmp(head + 12, "LIST", 4) == 0 && std::memcmp(head + 20, "hdrl", 4) == 0) {
            std::vector<uint8_t> list(le32(head + 16) >= 4 ? le32(head + 16) - 4 : 0);
            if (list.size() < (1u << 24) && std::fread(list.data(), 1, list.size(), f) == list.size()) {
                patchList(list.data(), list.size());
                if (std::fseek(f, 24, SEEK_SET) == 0 && std::fwrite(list.data(), 1, list.size(), f) == list.size())
                    r = AVIERR_OK;
            }
        }
        if (std::fclose(f) != 0) r = AVIERR_FILEWRITE;
        return r;
    }

    void patchList(uint8_t* p, size_t size) {
        for (size_t at = 0; at + 8 <= size;) {
            uint32_t length = le32(p + at + 4);
            if (length > size - at - 8) return;
            uint8_t* body = p + at + 8;
            if (std::memcmp(p + at, "LIST", 4) == 0 && length >= 4 && std::memcmp(body, "strl", 4) == 0) {
                patchList(body + 4, length - 4);
            } else if (std::memcmp(p + at, "strh", 4) == 0 && length >= 28) {
                if (std::memcmp(body, "vids", 4) == 0) {
                    if (compressor != Compressor::MotionJpeg) std::memcpy(body + 4, "DIB ", 4);
                    putLe32(body + 20, static_cast<uint32_t>(period));
                    putLe32(body + 24, static_cast<uint32_t>(videoRate));
                } else if (std::memcmp(body, "auds", 4) == 0) {
                    putLe32(body + 20, audio.blockAlign);
                    putLe32(body + 24, audio.samplesPerSec * audio.blockAlign);
                }
            }
            at += 8 + length + (length & 1);
        }
    }
};

AviWriter::AviWriter() = default;

AviWriter::~AviWriter() = default;

std::unique_ptr<AviWriter> AviWriter::create(const std::string& path, int period, const WaveFormat* audio) {
    if (period <= 0) return nullptr;
    std::unique_ptr<AviWriter> writer(new AviWriter);
    writer->state_ = std::make_unique<State>();
    State& s = *writer->state_;
    s.path = path;
    s.period = period;
    if (audio) {
        s.audio = *audio;
        s.hasAudioFormat = true;
    }
    av_log_set_level(AV_LOG_QUIET);
    if (avformat_alloc_output_context2(&s.format, nullptr, "avi", path.c_str()) < 0) return nullptr;
    if (avio_open(&s.format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
        avformat_free_context(s.format);
        s.format = nullptr;
        return nullptr;
    }
    s.packet = av_packet_alloc();
    if (!s.packet) throw std::bad_alloc();
    return writer;
}

AviResult AviWriter::setVideoCompression(const DibPicture& picture, const CompressionOptions& options,
                                         bool showDialog, int rate) {
    State& s = *state_;
    if (s.failed) return AVIERR_ERROR;
    if (!picture.valid() || rate <= 0) return s.result(AVIERR_BADPARAM);
    if (s.headerWritten) return s.result(AVIERR_UNSUPPORTED);  // frames are already in the file
    if (!s.videoMade) {
        s.videoMade = true;
        s.videoRate = rate;
        s.width = picture.width;
        s.height = picture.height;
        s.bitsPerPixel = picture.bitsPerPixel;
    }
    Compressor chosen = Compressor::None;
    if (options.compressor == "MSVC" || options.compressor == "MJPG") chosen = Compressor::MotionJpeg;
    else if (options.compressor == "DIB ") chosen = Compressor::Uncompressed;
    if (showDialog) {
        std::string name = chosen == Compressor::MotionJpeg ? "Motion JPEG"
                           : chosen == Compressor::Uncompressed ? "Full Frames (Uncompressed)"
                                                                  : options.compressor;
        if (Dialogs::instance().ask("\rVideo Compression\r\rCompressor: " + name, {"OK", "Cancel"}, 0) != 0)
            return s.result(AVIERR_USERABORT);
    }
    if (chosen == Compressor::None) return s.result(AVIERR_NOCOMPRESSOR);
    if (chosen == Compressor::MotionJpeg && !avcodec_find_encoder(AV_CODEC_ID_MJPEG))
        return s.result(AVIERR_NOCOMPRESSOR);
    s.compressor = chosen;
    s.quality = options.quality;
    s.width = picture.width;
    s.height = picture.height;
    s.bitsPerPixel = picture.bitsPerPixel;
    return AVIERR_OK;
}

AviResult AviWriter::addFrame(const DibPicture& picture) {
    State& s = *state_;
    if (s.failed) return AVIERR_ERROR;
    if (!picture.valid()) return s.result(AVIERR_BADPARAM);
    if (!s.videoMade) {
        s.videoMade = true;
        s.videoRate = 1000;
    }
    if (s.compressor == Compressor::None) {
        s.compressor = Compressor::Uncompressed;
        s.width = picture.width;
        s.height = picture.height;
        s.bitsPerPixel = picture.bitsPerPixel;
    }
    if (picture.width != s.width || picture.height != s.height ||
        (s.compressor == Compressor::Uncompressed && picture.bitsPerPixel != s.bitsPerPixel))
        return s.result(AVIERR_BADSIZE);
    if (!s.headerWritten) {
        AviResult r = s.writeHeader();
        if (r != AVIERR_OK) return s.result(r);
    }
    AviResult r = s.writeFrame(picture);
    if (r != AVIERR_OK) return s.result(r);
    ++s.frameIndex;
    return AVIERR_OK;
}

AviResult AviWriter::addAudio(const void* data, size_t size) {
    State& s = *state_;
    if (s.failed) return AVIERR_ERROR;
    if (!s.hasAudioFormat) return s.result(AVIERR_BADFORMAT);
    if (s.audio.blockAlign == 0 || size % s.audio.blockAlign != 0 || (size && !data))
        return s.result(AVIERR_BADPARAM);
    if (pcmCodec(s.audio) == AV_CODEC_ID_NONE) return s.result(AVIERR_UNSUPPORTED);
    return s.result(s.writeAudio(data, size));
}

AviResult AviWriter::addWave(std::string_view source, uint32_t flag) {
    State& s = *state_;
    if (s.failed) return AVIERR_ERROR;
    std::string file;
    if (flag == kWaveFromFile) {
        std::ifstream in(std::string(source), std::ios::binary);
        if (!in) return s.result(AVIERR_FILEOPEN);
        file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) return s.result(AVIERR_FILEREAD);
        source = file;
    } else if (flag != kWaveInMemory) {
        return s.result(AVIERR_BADFLAGS);
    }
    WaveFormat format;
    std::string_view samples;
    if (!parseWave(source, format, samples)) return s.result(AVIERR_BADFORMAT);
    if (!s.hasAudioFormat) {
        s.audio = format;
        s.hasAudioFormat = true;
    } else if (!(format == s.audio)) {
        return s.result(AVIERR_BADFORMAT);
    }
    if (pcmCodec(s.audio) == AV_CODEC_ID_NONE) return s.result(AVIERR_UNSUPPORTED);
    return s.result(s.writeAudio(samples.data(), samples.size()));
}

AviResult AviWriter::close(std::unique_ptr<AviWriter> writer) {
    if (!writer || !writer->state_) return AVIERR_BADHANDLE;
    return writer->state_->shutDown();
}

int AviWriter::framesWritten() const { return static_cast<int>(state_->frameIndex); }

const char* AviWriter::resultText(AviResult code) {
    switch (code) {
    case AVIERR_OK: return "Success";
    case AVIERR_UNSUPPORTED: return "AVIERR_UNSUPPORTED: compression is not supported for this type of data";
    case REGDB_E_CLASSNOTREG: return "REGDB_E_CLASSNOTREG: file type not recognised";
    case AVIERR_BADFORMAT: return "AVIERR_BADFORMAT: corrupt file or unrecognized format";
    case AVIERR_MEMORY: return "AVIERR_MEMORY: insufficient memory";
    case AVIERR_INTERNAL: return "AVIERR_INTERNAL: internal error";
    case AVIERR_BADFLAGS: return "AVIERR_BADFLAGS";
    case AVIERR_BADPARAM: return "AVIERR_BADPARAM";
    case AVIERR_BADSIZE: return "AVIERR_BADSIZE";
    case AVIERR_BADHANDLE: return "AVIERR_BADHANDLE";
    case AVIERR_FILEREAD: return "AVIERR_FILEREAD: disk error while reading file";
    case AVIERR_FILEWRITE: return "AVIERR_FILEWRITE: disk error while writing file";
    case AVIERR_FILEOPEN: return "AVIERR_FILEOPEN: disk error while opening file";
    case AVIERR_COMPRESSOR: return "AVIERR_COMPRESSOR";
    case AVIERR_NOCOMPRESSOR: return "AVIERR_NOCOMPRESSOR: a suitable compressor could not be found";
    case AVIERR_READONLY: return "AVIERR_READONLY: file is read-only";
    case AVIERR_BUFFERTOOSMALL: return "AVIERR_BUFFERTOOSMALL";
    case AVIERR_CANTCOMPRESS: return "AVIERR_CANTCOMPRESS";
    case AVIERR_USERABORT: return "AVIERR_USERABORT";
    case AVIERR_ERROR: return "AVIERR_ERROR";
    }
    return "unknown avi result code";
}

}  // namespace fw
