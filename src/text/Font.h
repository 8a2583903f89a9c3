#pragma once
// One font file loaded for setting text: the outline of every character it was asked
// for as an InputProfile2 in em units, with advance widths and side bearings, read
// by the format parser that the file type names. Stored as a "Font" block.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "persistence/CommandEnabler.h"
#include "profile/InputProfile2.h"
#include "text/GlyphOutline.h"

namespace fw::veltrane {

// One glyph as a parser hands it over, in font units. Every contour ends with its
// first point repeated.
struct RawGlyph {
    uint16_t code = 0;
    int glyph = 0;
    std::vector<GlyphPoint> points;
    std::vector<uint32_t> contourEnds;  // one past the last point of each contour
    int32_t lsb = 0;
    int32_t advance = 0;

    int contourCount() const { return static_cast<int>(contourEnds.size()); }
    uint32_t contourStart(int i) const { return i == 0 ? 0 : contourEnds[i - 1]; }
    // Replaces the contours by those of `outline`, each closed by its first point.
    void setContours(const GlyphOutline& outline);
};

class Font : public CommandEnabler {
public:
    enum FileType { kType1 = 0, kTrueType = 1, kOpenTypeCff = 2 };
    static constexpr int kNameSize = 256;
    static constexpr int kSlotsWithoutList = 256;
    static constexpr uint16_t kCodeM = 77;

    // Reads a font file into the raw glyph records of the font it was made for.
    class Parser {
    public:
        virtual ~Parser();
        // `flag` turns on the point listing of simple glyphs.
        virtual bool parse(const char* path, int flag) = 0;
    };

    // A font read from a "Font" block: only its name, 256 empty slots.
    Font();
    // Codes 128 to 255 in `codes` are read as ISO 8859-1 and kept as Mac OS Roman;
    // "M" joins the list when it is missing.
    Font(int fileType, const char* fontName, const char* path, const uint16_t* codes = nullptr, int codeCount = 0);
    ~Font() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "Font"; }

    // Classification by the extension after the last dot, in any case.
    static bool isType1File(const char* path);
    static bool isTrueTypeFile(const char* path);
    // The ISO 8859-1 to Mac OS Roman translation of codes 128 to 255; others pass.
    static uint16_t macRomanCode(int code);

    // Where diagnostics (the table listing, glyph kinds, point listings) go: nowhere
    // unless a stream is set. Never standard output.
    static void setConsole(std::FILE* console);
    static std::FILE* console();
    // Where an unusable file type is reported (standard error unless set).
    static void setErrorStream(std::FILE* stream);
    static std::FILE* errorStream();

    // Parses the file, converts the raw records into outlines and discards them.
    // Slots the parse did not reach keep empty outlines and zero metrics.
    bool load();
    // Only the parse: the raw records stay for whoever wants them.
    bool parse();
    // The outlines of the slots from the raw records (a slot without one stays empty).
    void buildProfiles();

    int fileType() const { return fileType_; }
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
    int slotCount() const { return static_cast<int>(outlines_.size()); }

    // Lookups by character code; codes 128 to 255 are translated as in construction.
    int slotIndex(int code) const;
    // The first slot's outline when the code has no slot.
    const InputProfile2& outline(int code) const;
    float advanceWidth(int code) const;  // em units; 0 without a slot
    float leftSideBearing(int code) const;
    // Font-unit metrics of the last parse.
    int unitsPerEm() const { return unitsPerEm_; }
    double emWidthM() const { return emWidthM_; }
    double bboxHeight() const { return bboxHeight_; }
    double bboxWidth() const { return bboxWidth_; }

    // Filled by the parsers.
    void setHeader(int unitsPerEm, int xMin, int yMin, int xMax, int yMax);
    // Whether the raw records hold cubic (CFF) rather than quadratic curves.
    void setCubic(bool cubic) { cubic_ = cubic; }
    bool cubic() const { return cubic_; }
    int xMin() const { return xMin_; }
    int yMin() const { return yMin_; }
    int xMax() const { return xMax_; }
    int yMax() const { return yMax_; }
    std::vector<RawGlyph>& rawGlyphs() { return rawGlyphs_; }
    const std::vector<RawGlyph>& rawGlyphs() const { return rawGlyphs_; }
    // Orders the raw records by code (fonts may be loaded from parallel loops).
    void sortRawGlyphs();

    int32_t info[2] = {0, 0};  // the two numbers of "fontInfo"

private:
    std::unique_ptr<Parser> createParser();
    void registerCommands();
    void convertGlyph(const RawGlyph& raw, double scale, InputProfile2& profile) const;

    int fileType_ = kTrueType;
    char fontName_[kNameSize] = {};
    char path_[kNameSize] = {};
    std::vector<RawGlyph> rawGlyphs_;
    int unitsPerEm_ = 0;
    int xMin_ = 0, yMin_ = 0, xMax_ = 0, yMax_ = 0;
    double emWidthM_ = 0;
    bool hasCharacterSet_ = false;
    std::vector<uint16_t> codes_;
    std::vector<InputProfile2> outlines_;
    std::vector<float> advances_;
    std::vector<float> lsbs_;
    double bboxHeight_ = 0;
    double bboxWidth_ = 0;
    bool cubic_ = false;
    bool debug_ = false;
    std::string error_;
};

}  // namespace fw::veltrane
