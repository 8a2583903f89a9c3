#pragma once
// One font file as its parsers see it: which file and member, the character slots
// asked for, and what a parse hands back in font units (the raw glyph records, the
// header's units per em and box). The parser is chosen by the file's kind.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "font/RawGlyph.h"
#include "platform/FontKind.h"

namespace fw::veltrane {

class FontFile {
public:
    using enum FontKind;
    static constexpr int kNameSize = 256;
    static constexpr int kSlotsWithoutList = 256;
    static constexpr uint16_t kCodeM = 77;

    // Reads a font file into the raw glyph records of the font it was made for. Each
    // kind of font file has one.
    class Parser {
    public:
        virtual ~Parser();
        // `flag` turns on the point listing of simple glyphs.
        virtual bool parse(const char* path, int flag) = 0;

    protected:
        enum class Read { kOk, kCannotOpen, kFailed };
        // The whole file into `bytes`; each parser words the failure its own way.
        static Read readWholeFile(const char* path, std::vector<uint8_t>& bytes);
    };

    // Codes 128 to 255 in `codes` are read as ISO 8859-1 and kept as Mac OS Roman
    // until a parse finds that the character map in use is not a Mac OS Roman one;
    // "M" joins the list when it is missing. Without codes there are 256 slots, one
    // per code.
    FontFile(FontKind fileType, const char* fontName, const char* path, const uint16_t* codes = nullptr,
             int codeCount = 0);
    virtual ~FontFile();

    // Classification by the extension after the last dot, in any case.
    static bool isType1File(const char* path);
    static bool isTrueTypeFile(const char* path);
    // The ISO 8859-1 to Mac OS Roman translation of codes 128 to 255; others pass.
    static uint16_t macRomanCode(int code);
    // The code a character is looked up with in a character map: translated to Mac OS
    // Roman only for a Mac OS Roman map; a Unicode map takes the character as it is.
    static int lookupCode(int code, bool macRomanMap) { return macRomanMap ? macRomanCode(code) : code; }

    // Where diagnostics (the table listing, glyph kinds, point listings) go: nowhere
    // unless a stream is set. Never standard output.
    static void setConsole(std::FILE* console);
    static std::FILE* console();
    // Where an unusable file type is reported (standard error unless set).
    static void setErrorStream(std::FILE* stream);
    static std::FILE* errorStream();

    // Runs the parser of the file's kind; the raw records are left for the caller.
    bool parse();

    FontKind fileType() const { return fileType_; }
    // The full name that picks the member of a collection.
    const char* fontName() const { return fontName_; }
    void setFontName(const char* name);
    const char* path() const { return path_; }
    // What ended the last failed parse, for the user.
    const std::string& error() const { return error_; }
    void setError(const std::string& text) { error_ = text; }
    bool debug() const { return debug_; }
    void setDebug(bool on) { debug_ = on; }

    bool hasCharacterSet() const { return hasCharacterSet_; }
    // The slots' codes in ascending order (0 to 255 without a list).
    std::vector<uint16_t> slotCodes() const;
    int slotCount() const;
    // The slot of a character code, translated as the slots were; -1 without one.
    int slotIndex(int code) const;
    // Called by a parser once it knows the character map in use: the slots are keyed
    // by the codes that map is looked up with.
    void setMacRomanMap(bool macRoman);
    bool macRomanMap() const { return macRomanMap_; }
    // The slot of a code that is a slot code already (a raw record's): no translation.
    int slotOfSlotCode(uint16_t code) const;

    // Font-unit header of the last parse.
    int unitsPerEm() const { return unitsPerEm_; }
    int xMin() const { return xMin_; }
    int yMin() const { return yMin_; }
    int xMax() const { return xMax_; }
    int yMax() const { return yMax_; }

    // Filled by the parsers.
    void setHeader(int unitsPerEm, int xMin, int yMin, int xMax, int yMax);
    // Whether the raw records hold cubic (CFF) rather than quadratic curves.
    void setCubic(bool cubic) { cubic_ = cubic; }
    bool cubic() const { return cubic_; }
    std::vector<RawGlyph>& rawGlyphs() { return rawGlyphs_; }
    const std::vector<RawGlyph>& rawGlyphs() const { return rawGlyphs_; }
    // Orders the raw records by code (fonts may be loaded from parallel loops).
    void sortRawGlyphs();

private:
    std::unique_ptr<Parser> createParser();
    void keySlots();

    FontKind fileType_ = kTrueType;
    char fontName_[kNameSize] = {};
    char path_[kNameSize] = {};
    bool hasCharacterSet_ = false;
    std::vector<uint16_t> requested_;  // the codes as given
    std::vector<uint16_t> codes_;
    // Slots start out keyed as for a Mac OS Roman map; the parse corrects it.
    bool macRomanMap_ = true;
    std::vector<RawGlyph> rawGlyphs_;
    int unitsPerEm_ = 0;
    int xMin_ = 0, yMin_ = 0, xMax_ = 0, yMax_ = 0;
    bool cubic_ = false;
    bool debug_ = false;
    std::string error_;
};

}  // namespace fw::veltrane
