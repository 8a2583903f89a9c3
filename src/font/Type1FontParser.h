#pragma once
// The parser of Type 1 fonts: segmented binary files (PFB), all-text files (PFA) and
// text headers followed by binary eexec bytes. Reads the clear-text header (encoding,
// font matrix), decrypts the private part and its charstrings once, and hands back
// one raw glyph record per slot of the font, printing what it reads to the font
// console.

#include <cstdint>
#include <string>
#include <vector>

#include "font/FontFile.h"
#include "font/GlyphOutline.h"
#include "font/ParseLog.h"
#include "font/Type1Charstrings.h"

namespace fw::veltrane {

class Type1FontParser : public FontFile::Parser {
public:
    explicit Type1FontParser(FontFile& font);
    ~Type1FontParser() override;

    // Whether bytes begin as a Type 1 file does (a PFB segment or "%!").
    static bool looksLikeType1(const uint8_t* data, size_t size);

    bool parse(const char* path, int flag) override;
    // The same over bytes in memory.
    bool parseBytes(const uint8_t* data, size_t size, int flag);

    // The parse up to the outlines: segments, header, private part, charstrings.
    // After it, glyphs can be outlined one by one.
    bool open(const uint8_t* data, size_t size);
    bool openFile(const char* path);
    // The contours (each closed by its first point) and metrics of one glyph; an index
    // beyond the glyph count reads glyph 0 (.notdef). False, with no contours, for a
    // glyph that cannot be read.
    bool outline(int glyph, RawGlyph& out);

    int glyphCount() const { return charstrings_.glyphCount(); }
    // The name the encoding gives a code (empty for .notdef and codes above 255).
    const std::string& encodingName(int code) const;
    // Glyph of a code through the encoding; 0 (.notdef) when the font has none.
    int glyphForCode(int code) const;
    // Every code whose name the font has a glyph for, .notdef aside, ascending.
    std::vector<uint16_t> mappedCodes() const;
    const Type1Charstrings& charstrings() const { return charstrings_; }

private:
    bool readFile(const char* path);
    // Splits a PFB file into its text and its binary eexec bytes.
    bool readSegments(const uint8_t* data, size_t size);
    bool readHeader();
    void readEncodingEntries(const std::string& line);
    bool readPrivate();
    void readSlots();

    FontFile& font_;
    ParseLog log_;
    std::vector<uint8_t> fileBytes_;
    std::string text_;              // the clear-text part (and, without segments, what follows)
    std::vector<uint8_t> binary_;   // the binary segments of a PFB file
    bool segmented_ = false;
    size_t cipherStart_ = 0;        // where the eexec bytes begin in `text_`
    std::vector<std::string> encoding_;
    bool customEncoding_ = false;
    double matrix_[6] = {0.001, 0, 0, 0.001, 0, 0};
    double bbox_[4] = {0, 0, 0, 0};
    bool hasBBox_ = false;
    Type1Charstrings charstrings_;
    GlyphOutline scratch_;
};

}  // namespace fw::veltrane
