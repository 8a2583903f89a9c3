#pragma once
// The parser of TrueType fonts, TrueType collections and OpenType fonts with CFF
// outlines: reads the tables a font needs and hands back one raw glyph record per
// slot of the font, printing what it reads to the font console.

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <deque>
#include <vector>

#include "text/ByteReader.h"
#include "text/Font.h"
#include "text/GlyphOutline.h"

namespace fw::veltrane {

class CffReader;

class TrueTypeFontParser : public Font::Parser {
public:
    struct TableEntry {
        char tag[5] = {};
        uint32_t offset = 0;
        uint32_t length = 0;
    };
    struct Location {
        uint32_t offset = 0;
        uint32_t length = 0;
    };
    // Called every 100 glyph slots with the slots done and the total.
    using Progress = std::function<void(int done, int total)>;

    explicit TrueTypeFontParser(Font& font);
    ~TrueTypeFontParser() override;

    bool parse(const char* path, int flag) override;
    // The same over bytes in memory, which must outlive the parser.
    bool parseBytes(const uint8_t* data, size_t size, int flag);
    void setProgress(Progress progress) { progress_ = std::move(progress); }

    // The parse up to the outlines: table directory (collection member chosen by the
    // font's name, or the first member for a font without a name), name, maxp, cmap, head, hhea, loca or CFF, hmtx. After it, glyphs
    // can be outlined one by one.
    bool open(const uint8_t* data, size_t size);
    bool openFile(const char* path);
    // The contours (each closed by its first point) and metrics of one glyph; an index
    // beyond the glyph count reads glyph 0. False, with no contours, for a glyph that
    // cannot be read.
    bool outline(int glyph, RawGlyph& out);
    void metrics(int glyph, int32_t& advance, int32_t& lsb) const;

    int glyphCount() const { return numGlyphs_; }
    bool cubic() const { return cff_ != nullptr; }
    // Glyph of a character code through the character maps; 0 when not mapped.
    int glyphForCode(int code) const;
    // Every code that the character maps give a glyph other than 0, ascending.
    std::vector<uint16_t> mappedCodes() const;
    const std::vector<TableEntry>& tables() const { return tables_; }

    // Limits that keep hostile fonts from running away.
    static constexpr int kMaxComponentDepth = 16;
    static constexpr size_t kMaxGlyphPoints = 1 << 16;
    static constexpr int kMaxComponentVisits = 1 << 16;

private:
    struct Component {
        uint16_t flags = 0;
        int glyph = 0;
        int32_t arg1 = 0, arg2 = 0;
        // The 2 by 2 matrix (a b c d) in 16.16 fixed point.
        int32_t a = 1 << 16, b = 0, c = 0, d = 1 << 16;
        bool transformed = false;
    };
    struct CachedPart {
        int glyph = -1;
        GlyphOutline outline;
    };

    bool readFile(const char* path);
    void say(const char* format, ...) __attribute__((format(printf, 2, 3)));
    bool fail(const std::string& what);
    const TableEntry* findTable(const char* tag) const;
    bool tableReader(const char* tag, ByteReader& out);

    bool readDirectory(ByteReader& file);
    bool selectCollectionMember(ByteReader& file, uint32_t& memberOffset);
    bool collectFullNames(ByteReader& file, uint32_t memberOffset, std::vector<std::string>& names);
    bool readName();
    bool readMaxp();
    bool readCmap();
    bool readCmapFormat0(ByteReader& r);
    bool readCmapFormat2(ByteReader& r);
    bool readCmapFormat4(ByteReader& r);
    bool readCmapFormat6(ByteReader& r);
    void mapCode(uint32_t code, int glyph);
    bool readHead();
    bool readHhea();
    bool readLoca();
    bool readHmtx();
    bool readCff();

    // Appends the glyph's contours to `out`, composite glyphs resolved.
    bool loadGlyph(int glyph, GlyphOutline& out, int depth);
    bool loadSimple(ByteReader& r, int contours, GlyphOutline& out);
    bool loadComposite(ByteReader& r, int glyph, GlyphOutline& out, int depth);
    bool readComponents(ByteReader& r, std::vector<Component>& components);
    void printPoints(const GlyphOutline& outline, size_t firstContour);

    Font& font_;
    std::FILE* console_;
    bool debug_ = false;
    Progress progress_;
    std::vector<uint8_t> fileBytes_;
    ByteReader file_;

    int numGlyphs_ = 0;
    int numHMetrics_ = 0;
    int locaFormat_ = 0;
    std::vector<int32_t> codeToGlyph_;  // -1: no map gave the code a glyph
    long mappingBudget_ = 0;
    long searchBudget_ = 0;
    std::vector<Location> locations_;
    std::vector<TableEntry> tables_;
    ByteReader glyf_;
    ByteReader hmtx_;
    std::unique_ptr<CffReader> cff_;

    // Components are resolved once per glyph, so shared parts cost nothing twice:
    // the first `cachedParts_` entries of a pool whose buffers are reused, found
    // through a slot per glyph that is valid while its stamp is the current one.
    void clearComponentCache();
    const GlyphOutline* cachedPart(int glyph) const;
    std::deque<CachedPart> partPool_;
    size_t cachedParts_ = 0;
    std::vector<uint32_t> partSlot_;
    std::vector<uint32_t> partStamp_;
    uint32_t stamp_ = 1;
    // Working buffers per nesting depth of composite glyphs.
    std::deque<std::vector<Component>> componentPool_;
    std::deque<GlyphOutline> builtPool_;
    std::vector<int> glyphStack_;
    int componentVisits_ = 0;
    GlyphOutline scratch_;
    std::vector<uint8_t> flags_;
};

}  // namespace fw::veltrane
