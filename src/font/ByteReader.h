#pragma once
// A bounds-checked big-endian cursor over the bytes of a font. A read past the end
// yields 0 and leaves the reader failed, so a record can be read in one go and its
// validity checked once afterwards.

#include <cstddef>
#include <cstdint>

namespace fw::veltrane {

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t size() const { return size_; }
    size_t tell() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    bool ok() const { return !failed_; }
    const uint8_t* data() const { return data_; }

    bool seek(size_t pos) {
        if (pos > size_) return fail();
        pos_ = pos;
        return true;
    }
    bool skip(size_t count) {
        if (count > size_ - pos_) return fail();
        pos_ += count;
        return true;
    }
    bool has(size_t count) const { return count <= size_ - pos_; }

    uint8_t u8() {
        if (pos_ >= size_) return fail(), 0;
        return data_[pos_++];
    }
    int8_t s8() { return static_cast<int8_t>(u8()); }
    uint16_t u16() {
        if (size_ - pos_ < 2) return fail(), 0;
        uint16_t v = static_cast<uint16_t>(data_[pos_] << 8 | data_[pos_ + 1]);
        pos_ += 2;
        return v;
    }
    int16_t s16() { return static_cast<int16_t>(u16()); }
    uint32_t u24() {
        if (size_ - pos_ < 3) return fail(), 0;
        uint32_t v = uint32_t(data_[pos_]) << 16 | uint32_t(data_[pos_ + 1]) << 8 | data_[pos_ + 2];
        pos_ += 3;
        return v;
    }
    uint32_t u32() {
        if (size_ - pos_ < 4) return fail(), 0;
        uint32_t v = uint32_t(data_[pos_]) << 24 | uint32_t(data_[pos_ + 1]) << 16 | uint32_t(data_[pos_ + 2]) << 8 |
                     data_[pos_ + 3];
        pos_ += 4;
        return v;
    }
    int32_t s32() { return static_cast<int32_t>(u32()); }
    // The next `count` bytes, or null (and the reader failed) when fewer remain.
    const uint8_t* take(size_t count) {
        if (count > size_ - pos_) return fail(), nullptr;
        const uint8_t* bytes = data_ + pos_;
        pos_ += count;
        return bytes;
    }
    // An unsigned value of 1 to 4 bytes (the offsets of compact font indexes).
    uint32_t uN(int bytes) {
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) v = v << 8 | u8();
        return v;
    }

    // The range [offset, offset + length) as a reader of its own; an empty, failed
    // reader when it does not lie inside this one.
    ByteReader slice(size_t offset, size_t length) const {
        if (offset > size_ || length > size_ - offset) {
            ByteReader bad;
            bad.failed_ = true;
            return bad;
        }
        return ByteReader(data_ + offset, length);
    }

private:
    bool fail() {
        failed_ = true;
        pos_ = size_;
        return false;
    }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    bool failed_ = false;
};

}  // namespace fw::veltrane
