#pragma once
// The AVI movie writer with the contract of the desktop's video library: a writer made
// for a file, a video stream given its compression once, frames and audio appended,
// result codes for every call, and a writer that stays failed after its first failure.
// FFmpeg's AVI muxer writes the file.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

using AviResult = uint32_t;

inline constexpr AviResult AVIERR_OK = 0;
inline constexpr AviResult REGDB_E_CLASSNOTREG = 0x80040154;
inline constexpr AviResult AVIERR_UNSUPPORTED = 0x80044065;
inline constexpr AviResult AVIERR_BADFORMAT = 0x80044066;
inline constexpr AviResult AVIERR_MEMORY = 0x80044067;
inline constexpr AviResult AVIERR_INTERNAL = 0x80044068;
inline constexpr AviResult AVIERR_BADFLAGS = 0x80044069;
inline constexpr AviResult AVIERR_BADPARAM = 0x8004406A;
inline constexpr AviResult AVIERR_BADSIZE = 0x8004406B;
inline constexpr AviResult AVIERR_BADHANDLE = 0x8004406C;
inline constexpr AviResult AVIERR_FILEREAD = 0x8004406D;
inline constexpr AviResult AVIERR_FILEWRITE = 0x8004406E;
inline constexpr AviResult AVIERR_FILEOPEN = 0x8004406F;
inline constexpr AviResult AVIERR_COMPRESSOR = 0x80044070;
inline constexpr AviResult AVIERR_NOCOMPRESSOR = 0x80044071;
inline constexpr AviResult AVIERR_READONLY = 0x80044072;
inline constexpr AviResult AVIERR_BUFFERTOOSMALL = 0x80044074;
inline constexpr AviResult AVIERR_CANTCOMPRESS = 0x80044075;
inline constexpr AviResult AVIERR_USERABORT = 0x800440C6;
inline constexpr AviResult AVIERR_ERROR = 0x800440C7;

// Shown when writing an AVI movie failed.
inline constexpr const char* kAviFailedAlert =
    "\rRendering to AVI failed. Try Quicktime or render to an image sequence.";

// A device-independent picture: 24-bit BGR or 32-bit BGRA, rows bottom-up, each row
// padded to a multiple of four bytes.
struct DibPicture {
    int width = 0, height = 0;
    int bitsPerPixel = 32;
    std::vector<uint8_t> bits;

    size_t rowBytes() const { return (static_cast<size_t>(width) * bitsPerPixel + 31) / 32 * 4; }
    bool valid() const {
        return width > 0 && height > 0 && (bitsPerPixel == 24 || bitsPerPixel == 32) &&
               bits.size() == rowBytes() * static_cast<size_t>(height);
    }
};

// The 18-byte wave format record of an audio stream (plain PCM is what gets written).
struct WaveFormat {
    uint16_t formatTag = 1;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
    bool operator==(const WaveFormat&) const = default;
};

class AviWriter {
public:
    // What the compression dialog would choose: a four-character compressor code
    // ("MSVC", the preselected one, and "MJPG" write Motion JPEG; "DIB " uncompressed
    // frames) and a quality from 0 to 10000.
    struct CompressionOptions {
        std::string compressor = "MSVC";
        int quality = 9500;
    };

    // addWave's flags: the source is a wave file's image in memory, or a file path.
    static constexpr uint32_t kWaveInMemory = 4;
    static constexpr uint32_t kWaveFromFile = 0x20000;

    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // A writer for a new file at `path`, its video stream timed in units of 1/period
    // second; `audio` (may be null) is the format addAudio's samples come in. No writer
    // when the file cannot be created.
    static std::unique_ptr<AviWriter> create(const std::string& path, int period, const WaveFormat* audio);

    // Fixes the video stream's rate (frames per `period` seconds) and compressor. With
    // `showDialog` the program's question offers the choice; cancelling it gives
    // AVIERR_USERABORT.
    AviResult setVideoCompression(const DibPicture& picture, const CompressionOptions& options, bool showDialog,
                                  int rate);
    // Appends one frame; without a compressor chosen, frames go in uncompressed.
    AviResult addFrame(const DibPicture& picture);
    // Appends PCM samples in the writer's audio format: whole sample blocks only.
    AviResult addAudio(const void* data, size_t size);
    // Appends the samples of a wave file, given as its bytes (kWaveInMemory) or its
    // path (kWaveFromFile). Every wave must share the first one's format.
    AviResult addWave(std::string_view source, uint32_t flag);
    // Completes the file and releases the writer; AVIERR_BADHANDLE without one.
    static AviResult close(std::unique_ptr<AviWriter> writer);

    int framesWritten() const;
    static const char* resultText(AviResult code);

private:
    AviWriter();
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace fw
