#pragma once
// Reader of the cubic outlines in an OpenType "CFF " table: the Compact Font Format
// indexes and dictionaries (CID-keyed fonts included), each glyph's charstring run by
// the Type 2 interpreter (Type2Machine) into on-curve anchors and cubic control points.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "font/ByteReader.h"
#include "font/GlyphOutline.h"

namespace fw::veltrane {

class CffReader {
public:
    // Limits of the charstring format, and a budget that keeps hostile charstrings
    // (subroutines calling each other many times over) from running away.
    static constexpr int kMaxStack = 48;
    static constexpr int kMaxCallDepth = 10;
    static constexpr int kMaxOperators = 1 << 16;
    static constexpr size_t kMaxGlyphPoints = 1 << 16;

    // An INDEX: count elements whose bytes follow the offset array.
    struct Index {
        uint32_t count = 0;
        int offSize = 0;
        size_t offsets = 0;  // position of the offset array
        size_t base = 0;     // position that offsets count from (one before the data)
    };

    // Reads the table's indexes and dictionaries; false, with `error` saying why,
    // when the table cannot be used. The bytes must outlive the reader.
    bool open(const uint8_t* data, size_t size, std::string& error);
    int glyphCount() const { return static_cast<int>(charStrings_.count); }
    bool cidKeyed() const { return cid_; }
    // Interprets one glyph's charstring into `out` (replaced). False, with `out`
    // empty, when the charstring is invalid.
    bool outline(int glyph, GlyphOutline& out);

    // The glyph whose name is that of a standard-encoding code (accented glyphs
    // built from two others name them so); -1 when there is none.
    int glyphForStandardCode(int code);

private:
    friend class Type2Machine;
    struct Private {
        Index subrs;
        int bias = 0;
    };

    bool readIndex(size_t pos, Index& index, size_t* next) const;
    bool element(const Index& index, uint32_t i, ByteReader& out) const;
    bool readPrivate(ByteReader& fontDict, Private& out, std::string& error) const;
    void readCharset(uint32_t offset);
    bool readFdSelect(uint32_t offset, uint32_t fdCount);
    // The font dictionaries of a CID-keyed font, each with its Private DICT, and
    // which glyph uses which.
    bool readCidFonts(double fdArray, double fdSelect, std::string& error);
    static int bias(uint32_t count);

    ByteReader table_;
    Index charStrings_;
    Index globalSubrs_;
    int globalBias_ = 0;
    bool cid_ = false;
    std::vector<Private> fonts_;    // one, or one per font dictionary of a CID-keyed font
    std::vector<uint8_t> fdSelect_;  // font dictionary of each glyph
    std::vector<uint16_t> charset_;  // string id of each glyph's name
    std::vector<int32_t> glyphOfString_;
    bool glyphOfStringBuilt_ = false;
};

}  // namespace fw::veltrane
