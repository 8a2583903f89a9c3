#pragma once
// Writes rendered frames into a movie file (the desktop's movie services stand-in):
// ".mov" (QuickTime Animation, H.264 or PNG), ".mp4" (H.264) and ".avi" (through
// AviWriter). The movie grows in a temporary file beside the destination and takes its
// place only when finished, so a failed or abandoned render never costs the old movie.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/FrameRate.h"

namespace fw {

// Shown when the movie service cannot be used at all (its encoders are missing).
inline constexpr const char* kMovieServiceMissingAlert =
    "\rQuickTime is not installed on this computer. Unable to proceed.";

class MovieWriter {
public:
    struct Settings {
        int width = 0, height = 0;
        FrameRate rate{30, 1};
        std::string codec;  // one of codecs(extension); empty takes the default
        bool alpha = false; // keep the frames' alpha where the codec can ("rle", "png")
    };

    MovieWriter();
    ~MovieWriter();
    MovieWriter(const MovieWriter&) = delete;
    MovieWriter& operator=(const MovieWriter&) = delete;

    // Codec names a user may give per container; the first is the default.
    // ".mov": "rle", "h264", "png"; ".avi": "dib", "mjpeg"; ".mp4": "h264".
    static std::vector<std::string> codecs(const std::string& extension);
    // ".mov", ".avi" and ".mp4" in any letter case.
    static bool supports(const std::string& extension);

    // Opens a temporary file beside `path`; false (error() says why) when the settings
    // cannot be written or the temporary file cannot be created.
    bool open(const std::string& path, const Settings& settings);
    // One frame: width x height 8-bit RGBA, not premultiplied, rows bottom-up.
    bool addFrame(const uint8_t* rgba);
    int framesWritten() const;
    // Completes the movie and moves it over the destination. An aborted render calls
    // this too: the movie then holds every frame added so far. On failure the partly
    // written movie stays where error() says.
    bool finish();
    // Drops the movie: the temporary file is removed, the destination left as it was.
    void discard();

    const std::string& error() const { return error_; }

private:
    struct State;
    std::unique_ptr<State> state_;
    std::string error_;
};

}  // namespace fw
