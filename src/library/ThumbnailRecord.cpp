#include "library/ThumbnailRecord.h"

#include <FreeImage.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "persistence/CommandIO.h"
#include "platform/MediaLibraries.h"

namespace fw {

void ThumbnailRecord::set(std::unique_ptr<Picture> picture) {
    picture_ = std::move(picture);
    jpeg_.clear();
}

std::vector<uint8_t> ThumbnailRecord::encode(const Picture& picture, size_t maxBytes) {
    std::vector<uint8_t> out;
    int w = picture.width(), h = picture.height();
    if (picture.empty()) return out;
    FIBITMAP* dib = FreeImage_Allocate(w, h, 24, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK);
    if (!dib) return out;
    // Both run bottom-up, so rows map straight across.
    for (int y = 0; y < h; ++y) {
        BYTE* to = FreeImage_GetScanLine(dib, y);
        const uint8_t* from = picture.row(y);
        for (int x = 0; x < w; ++x) {
            to[3 * x + FI_RGBA_RED] = from[4 * x];
            to[3 * x + FI_RGBA_GREEN] = from[4 * x + 1];
            to[3 * x + FI_RGBA_BLUE] = from[4 * x + 2];
        }
    }
    FIMEMORY* memory = FreeImage_OpenMemory(nullptr, 0);
    if (memory && FreeImage_SaveToMemory(FIF_JPEG, dib, memory, JPEG_QUALITYSUPERB)) {
        BYTE* data = nullptr;
        DWORD size = 0;
        if (FreeImage_AcquireMemory(memory, &data, &size) && size > 0 && size <= maxBytes)
            out.assign(data, data + size);
    }
    if (memory) FreeImage_CloseMemory(memory);
    FreeImage_Unload(dib);
    return out;
}

std::unique_ptr<Picture> ThumbnailRecord::decode(const uint8_t* data, size_t size, int width, int height) {
    // A cut JPEG decodes with grey where the data stopped; only whole ones are taken.
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8 || data[size - 2] != 0xFF || data[size - 1] != 0xD9)
        return nullptr;
    FIMEMORY* memory = FreeImage_OpenMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size));
    if (!memory) return nullptr;
    FIBITMAP* dib = FreeImage_LoadFromMemory(FIF_JPEG, memory, JPEG_ACCURATE);
    FreeImage_CloseMemory(memory);
    if (!dib) return nullptr;
    std::unique_ptr<Picture> picture;
    FIBITMAP* rgb = FreeImage_GetImageType(dib) == FIT_BITMAP ? FreeImage_ConvertTo24Bits(dib) : nullptr;
    if (rgb && static_cast<int>(FreeImage_GetWidth(rgb)) == width &&
        static_cast<int>(FreeImage_GetHeight(rgb)) == height) {
        picture = std::make_unique<Picture>(width, height);
        for (int y = 0; y < height; ++y) {
            const BYTE* from = FreeImage_GetScanLine(rgb, y);
            uint8_t* to = picture->row(y);
            for (int x = 0; x < width; ++x) {
                to[4 * x] = from[3 * x + FI_RGBA_RED];
                to[4 * x + 1] = from[3 * x + FI_RGBA_GREEN];
                to[4 * x + 2] = from[3 * x + FI_RGBA_BLUE];
                to[4 * x + 3] = 255;
            }
        }
    }
    if (rgb) FreeImage_Unload(rgb);
    FreeImage_Unload(dib);
    return picture;
}

bool ThumbnailRecord::storable() {
    if (!picture_ || picture_->empty()) return false;
    size_t room = static_cast<size_t>(picture_->width()) * picture_->height() * 3;
    if (jpeg_.empty()) jpeg_ = encode(*picture_, room);
    return !jpeg_.empty();
}

int ThumbnailRecord::write(CommandIO& io, bool textForm) {
    if (!storable()) return 0;
    if (io.writef("ThumbnailSize %d %d\n", picture_->width(), picture_->height()) != 0) return -1;
    if (!textForm) {
        if (io.writef("JPEGBinaryThumbnail\n") != 0) return -1;
        if (io.writef("%d\n", static_cast<int>(jpeg_.size())) != 0) return -1;
        return io.writeBytes(jpeg_.data(), jpeg_.size());
    }
    if (io.writef("JPEGThumbnail\n") != 0) return -1;
    if (io.writef("%d\n", static_cast<int>(2 * jpeg_.size())) != 0) return -1;
    // The line buffer holds most thumbnails' hex; a larger one goes out raw.
    if (2 * jpeg_.size() + 2 <= static_cast<size_t>(CommandIO::kLineBufferSize)) {
        io.formatHex(jpeg_.data(), jpeg_.size());
        std::strcat(io.lineBuffer(), "\n");
        return io.writeLine();
    }
    static const char digits[] = "0123456789abcdef";
    std::string hex(2 * jpeg_.size() + 1, '\n');
    for (size_t i = 0; i < jpeg_.size(); ++i) {
        hex[2 * i] = digits[jpeg_[i] >> 4];
        hex[2 * i + 1] = digits[jpeg_[i] & 15];
    }
    return io.writeBytes(hex.data(), hex.size());
}

int ThumbnailRecord::readSize(CommandIO& io) {
    int w, h;
    if (io.readInt(w) != 0 || io.readInt(h) != 0) return -1;
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) {
        drop();
        return 0;
    }
    auto blank = std::make_unique<Picture>(w, h);
    set(std::move(blank));
    return 0;
}

int ThumbnailRecord::readData(CommandIO& io, bool binary) {
    int count;
    if (io.readInt(count) != 0) return -1;
    // The data never outgrows the compression buffer of the announced picture.
    size_t room = picture_ ? static_cast<size_t>(picture_->width()) * picture_->height() * 3 : 0;
    size_t limit = binary ? room : 2 * room;
    if (count <= 0 || static_cast<size_t>(count) > limit) {
        // Still stepped over, so the lines after the data read as lines.
        uint8_t skipped[4096];
        for (size_t left = count > 0 ? static_cast<size_t>(count) : 0; left > 0;) {
            size_t n = left < sizeof skipped ? left : sizeof skipped;
            if (io.readBytes(skipped, n) != 0) break;
            left -= n;
        }
        drop();
        return 0;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    std::vector<uint8_t> jpeg;
    if (binary) {
        if (io.readBytes(bytes.data(), bytes.size()) != 0) {
            drop();
            return 0;
        }
        // The count line's own line end may lead the data; that many more bytes follow.
        size_t lead = 0;
        while (lead < bytes.size() && (bytes[lead] == '\n' || bytes[lead] == '\r')) ++lead;
        if (lead >= 1 && lead <= 19) {
            bytes.resize(bytes.size() + lead);
            if (io.readBytes(bytes.data() + count, lead) != 0) {
                drop();
                return 0;
            }
            jpeg.assign(bytes.begin() + static_cast<long>(lead), bytes.end());
        } else {
            jpeg = std::move(bytes);
        }
    } else {
        // Blanks one byte at a time, then the rest of the digits.
        uint8_t c = ' ';
        while (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            if (io.readBytes(&c, 1) != 0) {
                drop();
                return 0;
            }
        }
        bytes[0] = c;
        if (count > 1 && io.readBytes(bytes.data() + 1, bytes.size() - 1) != 0) {
            drop();
            return 0;
        }
        auto nibble = [](uint8_t d) {
            if (d >= '0' && d <= '9') return d - '0';
            if (d >= 'a' && d <= 'f') return d - 'a' + 10;
            if (d >= 'A' && d <= 'F') return d - 'A' + 10;
            return -1;
        };
        jpeg.resize(bytes.size() / 2);
        for (size_t i = 0; i < jpeg.size(); ++i) {
            int hi = nibble(bytes[2 * i]), lo = nibble(bytes[2 * i + 1]);
            if (hi < 0 || lo < 0) {
                drop();
                return 0;
            }
            jpeg[i] = static_cast<uint8_t>(hi << 4 | lo);
        }
    }
    std::unique_ptr<Picture> picture =
        picture_ ? decode(jpeg.data(), jpeg.size(), picture_->width(), picture_->height()) : nullptr;
    if (!picture) {
        drop();
        return 0;
    }
    picture_ = std::move(picture);
    jpeg_ = std::move(jpeg);
    return 0;
}

}  // namespace fw
