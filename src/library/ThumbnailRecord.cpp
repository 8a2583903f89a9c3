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
    drop();
    const bool usable = w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide;
    announced_[0] = usable ? w : 0;
    announced_[1] = usable ? h : 0;
    return 0;
}

namespace {

bool isBlank(uint8_t c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

int hexDigit(uint8_t d) {
    if (d >= '0' && d <= '9') return d - '0';
    if (d >= 'a' && d <= 'f') return d - 'a' + 10;
    if (d >= 'A' && d <= 'F') return d - 'A' + 10;
    return -1;
}

}  // namespace

int ThumbnailRecord::readData(CommandIO& io, bool binary) {
    int count;
    if (io.readInt(count) != 0) return -1;
    // The data never outgrows the compression buffer of the announced picture.
    const int width = announced_[0], height = announced_[1];
    announced_[0] = announced_[1] = 0;  // one size for one data line
    const size_t room = static_cast<size_t>(width) * height * 3;
    const size_t largest = static_cast<size_t>(kMaxSide) * kMaxSide * 3;
    // The data is read by its own shape, not by the count alone: a damaged count would
    // otherwise carry the reader past the lines that follow, and every preset after
    // them would be lost. The count must then agree with what was found.
    std::vector<uint8_t> jpeg;
    const char* damage = nullptr;
    if (binary) {
        // The count line's own line end may lead the data.
        uint8_t c = '\n';
        for (int lead = 0; c == '\n' || c == '\r'; ++lead)
            if (lead > 19 || io.readBytes(&c, 1) != 0) {
                damage = "is followed by no data";
                break;
            }
        if (!damage && c != 0xFF) {
            // Not a JPEG: only the count can say where it ends, if it can be believed.
            if (count > 0 && static_cast<size_t>(count) <= room) {
                std::vector<uint8_t> rest(static_cast<size_t>(count) - 1);
                if (!rest.empty()) io.readBytes(rest.data(), rest.size());
                drop();
                return 0;
            }
            if (isBlank(c) && count == 0) {  // no data, as counted: the next line follows
                drop();
                return 0;
            }
            // Whatever it is, it ends with its line.
            std::string line;
            if (!isBlank(c)) io.readLine(line);
            damage = "is followed by data that is not a JPEG";
        }
        if (!damage) {
            // A JPEG ends at its end marker; the next line follows it straight away.
            jpeg.push_back(c);
            for (;;) {
                size_t n = jpeg.size();
                bool marker = n >= 2 && jpeg[n - 2] == 0xFF && jpeg[n - 1] == 0xD9;
                if (marker && n == static_cast<size_t>(count)) break;
                if (n >= largest) {
                    damage = "is followed by a JPEG that never ends";
                    break;
                }
                if (io.readBytes(&c, 1) != 0) {
                    damage = marker ? nullptr : "runs past the end of the data";
                    break;
                }
                // A marker followed by the next line's blanks ends the data, and so does
                // the count where the next line starts just after it.
                if ((marker || n == static_cast<size_t>(count)) && isBlank(c)) break;
                jpeg.push_back(c);
            }
        }
    } else {
        // Blanks, then the digits up to the first byte that is not one.
        uint8_t c = ' ';
        while (isBlank(c))
            if (io.readBytes(&c, 1) != 0) {
                damage = "is followed by no data";
                break;
            }
        std::vector<uint8_t> digits;
        while (!damage && hexDigit(c) >= 0) {
            digits.push_back(c);
            if (digits.size() == static_cast<size_t>(count) || digits.size() > 2 * largest) break;
            if (io.readBytes(&c, 1) != 0) break;
        }
        if (!damage && (digits.empty() || digits.size() % 2 != 0)) damage = "is followed by data that is not hexadecimal";
        for (size_t i = 0; !damage && i + 1 < digits.size(); i += 2)
            jpeg.push_back(static_cast<uint8_t>(hexDigit(digits[i]) << 4 | hexDigit(digits[i + 1])));
    }
    const size_t counted = binary ? jpeg.size() : 2 * jpeg.size();
    if (!damage && counted != static_cast<size_t>(count < 0 ? 0 : count)) damage = "does not match its data";
    if (!damage && counted > (binary ? room : 2 * room)) {
        drop();  // more than the picture can need: not a thumbnail of this size
        return 0;
    }
    if (damage) {
        char text[160];
        std::snprintf(text, sizeof text, "a thumbnail is dropped: its byte count (%d) %s", count, damage);
        io.warn(text);
        drop();
        return 0;
    }
    std::unique_ptr<Picture> picture = room > 0 ? decode(jpeg.data(), jpeg.size(), width, height) : nullptr;
    if (!picture) {
        drop();
        return 0;
    }
    picture_ = std::move(picture);
    jpeg_ = std::move(jpeg);
    return 0;
}

}  // namespace fw
