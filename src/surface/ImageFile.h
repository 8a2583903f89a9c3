#pragma once
// An image file on disk, shared by name among image maps and shaders: a still
// picture, a numbered image sequence or a movie. Pictures are read on first use
// (through FreeImage or the movie reader) and converted to 8-bit RGBA.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "scene/SceneMember.h"
#include "surface/Picture.h"

namespace fw {

class MovieReader;

class ImageFile : public SceneMember {
public:
    static constexpr size_t kMaxPath = 259;
    static constexpr const char* kUnableToOpen = "\rUnable to open this image.\r\rPlease select another image.";

    enum Source { kUnopened, kStill, kSequence, kMovie, kMissing };

    ImageFile(Scene& scene, const char* name);
    ~ImageFile() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "ImageFile"; }
    void registerCommands() override;
    void markUsed() override { setUsed(true); }

    const std::string& path() const { return path_; }
    // Takes a new path (cut to kMaxPath characters) and forgets what was read; not
    // while shaders are being evaluated, since pictures handed out are freed.
    void setPath(const std::string& path);
    // The user's choice of a file: taken only when it can be read; otherwise `alert`
    // gets the message to show and the path stays as it was.
    bool pick(const std::string& path, std::string& alert);

    // Finds out on first use what the path holds. Safe to call from several threads.
    Source source();
    int frameCount();    // 1 for a still picture, 0 when missing
    double frameRate();  // a movie's own rate; 0 for stills and sequences
    int width();
    int height();
    // The picture of frame `index`, read when first asked for and kept until another
    // frame is wanted; null when it cannot be read (error() says why).
    const Picture* frame(int index);
    std::string error();
    // The file of frame `index` of a numbered sequence (the path itself for a still).
    std::string frameFile(int index);

    // Reads any image FreeImage knows as 8-bit RGBA, rows bottom-up.
    static bool loadPicture(const std::string& path, Picture& picture, std::string& error);

    // Thumbnail lines of older files: read and kept, never written again.
    int thumbnailWidth = 0;
    int thumbnailHeight = 0;
    std::vector<uint8_t> thumbnailJPEG;

private:
    struct Loaded {
        int index;
        std::unique_ptr<Picture> picture;  // null when the frame could not be read
    };

    void openLocked();
    void forget();

    std::string path_;
    std::mutex mutex_;
    std::atomic<Source> source_{kUnopened};
    int width_ = 0, height_ = 0;
    int frames_ = 0;
    double rate_ = 0;
    std::vector<std::string> sequence_;
    std::unique_ptr<MovieReader> movie_;
    std::string error_;
    // Readers take the published frame without a lock; the one before it is kept too,
    // so a reader that has just taken it is not left holding freed pixels.
    std::unique_ptr<Loaded> current_, previous_;
    std::atomic<const Loaded*> published_{nullptr};
};

}  // namespace fw
