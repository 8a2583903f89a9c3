#pragma once
// The "cmap" table: which glyph each character code names. Subtables are read in the
// file's order, later ones overwriting earlier codes: formats 0 (byte array) and 4
// (segments) let the reading go on, format 6 (trimmed array) ends it, format 2
// (high-byte mapping) is read and ends it as the first subtable and is passed over
// elsewhere, and a subtable of any other format ends it unread.

#include <cstdint>
#include <vector>

#include "font/ByteReader.h"
#include "font/ParseLog.h"

namespace fw::veltrane {

class CharacterMap {
public:
    bool read(const ByteReader& table, ParseLog& log);
    // Glyph of a character code; 0 when not mapped.
    int glyphForCode(int code) const;
    // Every code mapped to a glyph other than 0, ascending.
    std::vector<uint16_t> mappedCodes() const;
    // Whether the map in use is a Macintosh Roman one: the last subtable read is
    // platform 1, encoding 0. Characters 128 to 255 are then looked up as Mac OS Roman.
    bool macRoman() const { return macRoman_; }

private:
    static constexpr int kMacintosh = 1;
    static constexpr int kMacRoman = 0;

    // Each returns whether the following subtables are read too.
    bool readFormat0(ByteReader& r);
    bool readFormat2(ByteReader& r);
    bool readFormat4(ByteReader& r);
    bool readFormat6(ByteReader& r);
    void mapCode(uint32_t code, int glyph);

    std::vector<int32_t> codeToGlyph_;  // -1: no subtable gave the code a glyph
    // Overlapping segments could make a subtable name every code many times over.
    long mappingBudget_ = 0;
    bool macRoman_ = false;
};

}  // namespace fw::veltrane
