#pragma once
// A preset's thumbnail as it is stored: a 24-bit picture and the JPEG bytes it was
// read from or written as, so a thumbnail read and written again keeps its bytes.

#include <cstdint>
#include <memory>
#include <vector>

#include "surface/Picture.h"

namespace fw {

class CommandIO;

class ThumbnailRecord {
public:
    // Larger sides are not thumbnails; a file asking for them is damaged.
    static constexpr int kMaxSide = 1024;
    // The JPEG must fit in width x height x 3 bytes, and its tables and headers alone
    // take about 640: below these a swatch cannot be kept (even 32 x 32 keeps only a
    // calm one; a busy picture needs about 38 x 38).
    static constexpr int kMinSide = 16;
    static constexpr int kMinPixels = 1024;
    // Whether a thumbnail of that size is one the record can hold at all.
    static bool holdableSize(int width, int height) {
        return width >= kMinSide && height >= kMinSide && width <= kMaxSide && height <= kMaxSide &&
               width * height >= kMinPixels;
    }

    const Picture* picture() const { return picture_.get(); }
    // Replaces the picture; the stored bytes go with the old one. Alpha is ignored.
    void set(std::unique_ptr<Picture> picture);
    void drop() { set(nullptr); }

    // Whether the picture's JPEG fits its room, so that write puts it out.
    bool storable();
    // "ThumbnailSize", the form's keyword and the data; nothing without a picture.
    // A picture whose JPEG does not fit in width x height x 3 bytes is not written.
    int write(CommandIO& io, bool textForm);

    // "ThumbnailSize": the size the data must decode to; -1 on a malformed size. No
    // pixels are kept until the data comes: a file may claim any number of large
    // thumbnails in a few bytes.
    int readSize(CommandIO& io);
    // The data after "JPEGBinaryThumbnail" or "JPEGThumbnail". Data that does not
    // decode into the announced picture drops it; only a count that is not a number
    // fails the line.
    int readData(CommandIO& io, bool binary);

    // JPEG at quality 100 into at most maxBytes; empty when it does not fit.
    static std::vector<uint8_t> encode(const Picture& picture, size_t maxBytes);
    // The picture, or null when the bytes are not one whole JPEG of that size.
    static std::unique_ptr<Picture> decode(const uint8_t* data, size_t size, int width, int height);

private:
    std::unique_ptr<Picture> picture_;
    std::vector<uint8_t> jpeg_;  // the bytes of picture_, when known
    int announced_[2] = {0, 0};  // what "ThumbnailSize" said, until the data is read
};

}  // namespace fw
