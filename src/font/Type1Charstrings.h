#pragma once
// The charstrings and subroutines of a Type 1 font, each decrypted once when it is
// added, and the interpreter that runs one glyph's charstring into on-curve points
// and cubic control points in font units (the font matrix times 1000).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "font/GlyphOutline.h"
#include "font/ParseLog.h"

namespace fw::veltrane {

// Type 1's one cipher, with the eexec key over the private part and the charstring key
// over each charstring; the first `skip` plain bytes only seed it and are not kept.
inline void type1Decrypt(uint16_t key, const uint8_t* cipher, size_t size, size_t skip, uint8_t* plain) {
    uint16_t r = key;
    for (size_t i = 0; i < size; ++i) {
        uint8_t c = cipher[i];
        if (i >= skip) plain[i - skip] = static_cast<uint8_t>(c ^ (r >> 8));
        r = static_cast<uint16_t>((c + r) * 52845u + 22719u);
    }
}

class Type1Charstrings {
public:
    // Limits of the charstring format, and a budget that keeps hostile charstrings
    // (subroutines calling each other many times over) from running away.
    static constexpr int kMaxStack = 24;
    static constexpr int kMaxCallDepth = 10;
    static constexpr int kMaxOperators = 1 << 16;
    static constexpr size_t kMaxGlyphPoints = 1 << 16;
    static constexpr uint16_t kCharstringKey = 4330;

    // The metrics a glyph's hsbw or sbw gives, in font units.
    struct Metrics {
        int32_t advance = 0;
        int32_t lsb = 0;
    };

    void clear();
    // Bytes at the start of each charstring that only seed the decryption; -1 for
    // charstrings that are not encrypted.
    void setLenIV(int lenIV) { lenIV_ = lenIV; }
    int lenIV() const { return lenIV_; }
    // The font matrix (default 0.001 0 0 0.001 0 0).
    void setMatrix(const double matrix[6]);
    void transform(double x, double y, int32_t& outX, int32_t& outY) const;

    // Room for `count` subroutines; entries not added stay missing.
    void reserveSubrs(size_t count);
    size_t subrCount() const { return subrs_.size(); }
    // False for an index outside the room reserved.
    bool addSubr(size_t index, const uint8_t* bytes, size_t size);
    void addGlyph(std::string_view name, const uint8_t* bytes, size_t size);
    // Once every glyph is added: .notdef becomes glyph 0 (an empty one is made when
    // the font has none), and names are looked up from here on.
    void finish();

    int glyphCount() const { return static_cast<int>(glyphs_.size()); }
    // The glyph of a name; -1 when the font has none.
    int glyphNamed(std::string_view name) const;
    const std::string& glyphName(int glyph) const { return names_[static_cast<size_t>(glyph)]; }

    // Runs one glyph's charstring into `out` (replaced). False, with `out` empty, for
    // a glyph outside the font or a charstring that cannot be run; damage the
    // interpreter can step over (missing subroutines, unknown operators) is listed
    // to `log` and skipped.
    bool outline(int glyph, GlyphOutline& out, Metrics& metrics, ParseLog& log) const;

private:
    friend class Type1Machine;
    struct Span {
        uint32_t offset = 0;
        uint32_t size = 0;
        bool present = false;
    };
    Span decrypt(const uint8_t* bytes, size_t size);
    const uint8_t* begin(const Span& span) const { return bytes_.data() + span.offset; }

    int lenIV_ = 4;
    double matrix_[6] = {1, 0, 0, 1, 0, 0};  // the font matrix times 1000
    std::vector<uint8_t> bytes_;              // every charstring and subroutine, decrypted
    std::vector<Span> subrs_;
    std::vector<Span> glyphs_;
    std::vector<std::string> names_;
    std::unordered_map<std::string, int> byName_;
};

}  // namespace fw::veltrane
