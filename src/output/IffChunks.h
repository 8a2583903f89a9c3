#pragma once
// Big-endian IFF-style chunks (four-character id, 32-bit length, body padded to an
// even size) as the FACT and Cinema 4D files hold them: a builder for writing and a
// walker for reading that refuses a chunk running past its container.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <glm/vec3.hpp>
#include <string>
#include <string_view>

namespace fw::iff {

inline uint32_t u32At(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 | static_cast<uint32_t>(b[2]) << 8 |
           static_cast<uint32_t>(b[3]);
}

inline double f32At(const char* p) {
    uint32_t bits = u32At(p);
    float f;
    std::memcpy(&f, &bits, 4);
    return static_cast<double>(f);
}

// An id as messages show it: bytes outside printable ASCII as '?'.
std::string idText(std::string_view id);

class Builder {
public:
    void id(const char* four) { bytes.append(four, 4); }
    void u32(uint32_t v) {
        const char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                           static_cast<char>(v)};
        bytes.append(b, 4);
    }
    void f32(double v) {
        float f = static_cast<float>(v);
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        u32(bits);
    }
    void vec(const glm::dvec3& v) {
        for (int a = 0; a < 3; ++a) f32(v[a]);
    }
    // Starts a chunk; its length is filled in by end().
    size_t begin(const char* four);
    void end(size_t at);
    void chunk(const char* four, const std::string& data);

    std::string bytes;
};

// Walks the chunks of one level; `base` is where the level starts in the file, for
// messages.
class Walk {
public:
    Walk(std::string_view data, size_t base) : data_(data), base_(base) {}
    // False at the end; `problem` says why when the end was not clean.
    bool next(std::string_view& id, std::string_view& body, std::string& problem);
    size_t bodyOffset() const { return bodyOffset_; }

private:
    std::string_view data_;
    size_t base_;
    size_t at_ = 0;
    size_t bodyOffset_ = 0;
};

}  // namespace fw::iff
