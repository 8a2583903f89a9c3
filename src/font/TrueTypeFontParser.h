#pragma once
// The parser of TrueType fonts, TrueType collections and OpenType fonts with CFF
// outlines: reads the tables a font needs, each through its own reader, and hands
// back one raw glyph record per slot of the font, printing what it reads to the font
// console.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "font/ByteReader.h"
#include "font/CharacterMap.h"
#include "font/FontFile.h"
#include "font/FontMetrics.h"
#include "font/GlyphOutline.h"
#include "font/ParseLog.h"
#include "font/SfntDirectory.h"
#include "font/TrueTypeGlyphs.h"

namespace fw::veltrane {

class CffReader;

class TrueTypeFontParser : public FontFile::Parser {
public:
    using TableEntry = SfntDirectory::TableEntry;
    // Called every 100 glyph slots with the slots done and the total.
    using Progress = std::function<void(int done, int total)>;

    explicit TrueTypeFontParser(FontFile& font);
    ~TrueTypeFontParser() override;

    bool parse(const char* path, int flag) override;
    // The same over bytes in memory, which must outlive the parser.
    bool parseBytes(const uint8_t* data, size_t size, int flag);
    void setProgress(Progress progress) { progress_ = std::move(progress); }

    // The parse up to the outlines: table directory (collection member chosen by the
    // font's name, or the first member for a font without a name), name, maxp, cmap,
    // head, hhea, loca or CFF, hmtx. After it, glyphs can be outlined one by one.
    bool open(const uint8_t* data, size_t size);
    bool openFile(const char* path);
    // The contours (each closed by its first point) and metrics of one glyph; an index
    // beyond the glyph count reads glyph 0. False, with no contours, for a glyph that
    // cannot be read.
    bool outline(int glyph, RawGlyph& out);
    void metrics(int glyph, int32_t& advance, int32_t& lsb) const { metrics_.metrics(glyph, advance, lsb); }

    int glyphCount() const { return metrics_.glyphCount(); }
    bool cubic() const { return cff_ != nullptr; }
    // Glyph of a character code through the character maps; 0 when not mapped.
    int glyphForCode(int code) const { return cmap_.glyphForCode(code); }
    // Glyph of a character (ISO 8859-1 or Unicode), looked up as text looks it up:
    // codes 128 to 255 go through Mac OS Roman only when that is the map in use.
    int glyphForCharacter(int code) const {
        return cmap_.glyphForCode(FontFile::lookupCode(code, cmap_.macRoman()));
    }
    // Every code that the character maps give a glyph other than 0, ascending.
    std::vector<uint16_t> mappedCodes() const { return cmap_.mappedCodes(); }
    const std::vector<TableEntry>& tables() const { return directory_.tables(); }

private:
    bool readFile(const char* path);
    bool readTables();
    // Lists the table's name and finds it.
    bool beginTable(const char* tag, ByteReader& out);
    // The glyph of every slot, with its metrics listed.
    std::vector<int> slotGlyphs(const std::vector<uint16_t>& codes);
    // The first pass over the slots; the records of composite glyphs are put together
    // once every slot has been read.
    void readSlots(const std::vector<uint16_t>& codes, const std::vector<int>& glyphs);

    FontFile& font_;
    ParseLog log_;
    bool debug_ = false;
    Progress progress_;
    std::vector<uint8_t> fileBytes_;
    ByteReader file_;

    SfntDirectory directory_;
    FontMetrics metrics_;
    CharacterMap cmap_;
    TrueTypeGlyphs glyf_;
    std::unique_ptr<CffReader> cff_;
    GlyphOutline scratch_;
};

}  // namespace fw::veltrane
