#include "text/TrueTypeFontParser.h"

#include <algorithm>
#include <cstring>

#include "text/CffReader.h"

namespace fw::veltrane {

namespace {

constexpr uint32_t tag(const char (&t)[5]) {
    return uint32_t(uint8_t(t[0])) << 24 | uint32_t(uint8_t(t[1])) << 16 | uint32_t(uint8_t(t[2])) << 8 |
           uint8_t(t[3]);
}

constexpr int kFullNameId = 4;
constexpr int kEnglishUs = 1033;
constexpr uint32_t kMaxNameLength = 2048;
// Overlapping segments could make a character map name every code many times over.
constexpr long kMaxCodeMappings = 1 << 20;
// Directory entries and name records read while searching a collection, whose
// members may all point at one long directory or name table.
constexpr long kMaxSearchRecords = 1 << 16;

// Composite glyph component flags.
enum ComponentFlag : uint16_t {
    kArgsAreWords = 0x0001,
    kArgsAreXY = 0x0002,
    kHaveScale = 0x0008,
    kMoreComponents = 0x0020,
    kHaveXYScale = 0x0040,
    kHaveTwoByTwo = 0x0080,
};

// Simple glyph point flags.
enum PointFlag : uint8_t {
    kOnCurve = 0x01,
    kXShort = 0x02,
    kYShort = 0x04,
    kRepeat = 0x08,
    kXSame = 0x10,
    kYSame = 0x20,
};

// Text of a name record: Macintosh strings byte by byte, the others as two-byte
// characters (written out as UTF-8).
std::string decodeName(ByteReader r, int platform) {
    std::string text;
    if (platform == 1) {
        while (r.remaining() > 0) text += static_cast<char>(r.u8());
        return text;
    }
    while (r.remaining() >= 2) {
        unsigned c = r.u16();
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | c >> 6);
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xE0 | c >> 12);
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

// 16.16 product of a font-unit value and a fixed-point factor, rounded half away
// from zero with the sign applied after the rounding.
int64_t mulFixed(int64_t value, int32_t factor) {
    bool negative = (value < 0) != (factor < 0);
    int64_t a = value < 0 ? -value : value;
    int64_t b = factor < 0 ? -int64_t(factor) : int64_t(factor);
    int64_t product = (a * b + 0x8000) >> 16;
    return negative ? -product : product;
}

int32_t clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

TrueTypeFontParser::TrueTypeFontParser(Font& font) : font_(font), console_(Font::console()) {}

TrueTypeFontParser::~TrueTypeFontParser() = default;

void TrueTypeFontParser::say(const char* format, ...) {
    if (!console_) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(console_, format, args);
    va_end(args);
}

bool TrueTypeFontParser::fail(const std::string& what) {
    font_.setError(what);
    return false;
}

const TrueTypeFontParser::TableEntry* TrueTypeFontParser::findTable(const char* name) const {
    for (const TableEntry& t : tables_)
        if (std::memcmp(t.tag, name, 4) == 0) return &t;
    return nullptr;
}

bool TrueTypeFontParser::tableReader(const char* name, ByteReader& out) {
    const TableEntry* t = findTable(name);
    if (!t) return fail(std::string("missing '") + name + "' table");
    out = file_.slice(t->offset, t->length);
    if (!out.ok()) return fail(std::string("'") + name + "' table lies past the end of the file");
    return true;
}

bool TrueTypeFontParser::readFile(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return fail("cannot open the font file");
    fileBytes_.clear();
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) fileBytes_.insert(fileBytes_.end(), buffer, buffer + n);
    bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) return fail("cannot read the font file");
    return true;
}

bool TrueTypeFontParser::parse(const char* path, int flag) {
    return readFile(path) && parseBytes(fileBytes_.data(), fileBytes_.size(), flag);
}

bool TrueTypeFontParser::openFile(const char* path) {
    return readFile(path) && open(fileBytes_.data(), fileBytes_.size());
}

bool TrueTypeFontParser::open(const uint8_t* data, size_t size) {
    file_ = ByteReader(data, size);
    tables_.clear();
    codeToGlyph_.clear();
    locations_.clear();
    clearComponentCache();
    cff_.reset();
    if (!readDirectory(file_)) return false;
    if (!readName() || !readMaxp() || !readCmap() || !readHead() || !readHhea()) return false;
    if (findTable("CFF ")) {
        if (!readCff()) return false;
    } else {
        if (!readLoca()) return false;
        if (!tableReader("glyf", glyf_)) return false;
    }
    return readHmtx();
}

bool TrueTypeFontParser::parseBytes(const uint8_t* data, size_t size, int flag) {
    debug_ = flag != 0;
    if (!open(data, size)) return false;

    std::vector<uint16_t> codes = font_.slotCodes();
    std::vector<int> glyphs(codes.size());
    for (size_t i = 0; i < codes.size(); ++i) {
        int g = glyphForCode(codes[i]);
        glyphs[i] = g < numGlyphs_ ? g : 0;
    }
    if (console_) {
        for (int g : glyphs) {
            int32_t advance, lsb;
            metrics(g, advance, lsb);
            say(g < numHMetrics_ ? "  %3d: width: %5d, lsb: %5d\n" : "- %3d: width: %5d, lsb: %5d\n", g, advance, lsb);
        }
    }
    if (!cff_) say("Parsing 'glyf' table:\n");

    std::vector<RawGlyph>& records = font_.rawGlyphs();
    records.clear();
    records.reserve(codes.size());
    std::vector<size_t> composites;
    int total = static_cast<int>(codes.size());
    for (int slot = 0; slot < total; ++slot) {
        if (progress_ && slot % 100 == 0) progress_(slot, total);
        int g = glyphs[slot];
        RawGlyph record;
        record.code = codes[slot];
        record.glyph = g;
        metrics(g, record.advance, record.lsb);
        componentVisits_ = 0;
        glyphStack_.clear();
        clearComponentCache();
        scratch_.clear();
        if (cff_) {
            if (cff_->outline(g, scratch_)) record.setContours(scratch_);
            records.push_back(std::move(record));
            continue;
        }
        const Location& loc = locations_[g];
        if (loc.length == 0) {
            say("  %3x empty glyph (A)\n", g);
            records.push_back(std::move(record));
            continue;
        }
        ByteReader r = glyf_.slice(loc.offset, loc.length);
        int contours = r.s16();
        if (!r.ok()) {
            records.push_back(std::move(record));
            continue;
        }
        if (contours > 0) {
            if (loadGlyph(g, scratch_, 0)) {
                say("  %3x simple glyph (%d curves, %d points)\n", g, scratch_.contourCount(),
                    static_cast<int>(scratch_.points.size()));
                if (debug_) printPoints(scratch_, 0);
                record.setContours(scratch_);
            }
        } else if (contours == -1) {
            say("  %3x composite glyph\n", g);
            std::vector<Component> parts;
            r.skip(8);
            readComponents(r, parts);
            for (const Component& part : parts) say("      subglyph: %3d\n", part.glyph);
            composites.push_back(records.size());
        } else if (contours == 0) {
            say("  %3x empty glyph (B)\n", g);
        } else {
            say("  unrecognized glyph type (numCountours: %d)\n", contours);
        }
        records.push_back(std::move(record));
    }
    // Composite glyphs are put together once every slot has been read.
    for (size_t index : composites) {
        RawGlyph& record = records[index];
        componentVisits_ = 0;
        glyphStack_.clear();
        clearComponentCache();
        scratch_.clear();
        if (loadGlyph(record.glyph, scratch_, 0)) record.setContours(scratch_);
    }
    if (progress_) progress_(total, total);
    font_.setCubic(cff_ != nullptr);
    font_.sortRawGlyphs();
    return true;
}

bool TrueTypeFontParser::readDirectory(ByteReader& file) {
    file.seek(0);
    uint32_t version = file.u32();
    if (!file.ok()) return fail("the file is too short for a font");
    if (version == tag("ttcf")) {
        uint32_t member = 0;
        if (!selectCollectionMember(file, member)) return false;
        file.seek(member);
        version = file.u32();
    }
    say("sfnt version: %08x\n", version);
    int numTables = file.u16();
    file.skip(6);
    if (!file.ok() || !file.has(size_t(numTables) * 16)) return fail("the table directory runs past the end of the file");
    say("Building font table directory:\n");
    tables_.resize(numTables);
    for (TableEntry& t : tables_) {
        for (int k = 0; k < 4; ++k) t.tag[k] = static_cast<char>(file.u8());
        file.skip(4);  // checksum
        t.offset = file.u32();
        t.length = file.u32();
        say("  %s @ %d, len: %d\n", t.tag, static_cast<int>(t.offset), static_cast<int>(t.length));
    }
    return true;
}

bool TrueTypeFontParser::collectFullNames(ByteReader& file, uint32_t memberOffset, std::vector<std::string>& names) {
    ByteReader r = file;
    if (!r.seek(memberOffset)) return false;
    r.u32();
    int numTables = r.u16();
    r.skip(6);
    ByteReader nameTable;
    bool found = false;
    for (int i = 0; i < numTables && r.ok() && searchBudget_-- > 0; ++i) {
        char t[4];
        for (char& ch : t) ch = static_cast<char>(r.u8());
        r.skip(4);
        uint32_t offset = r.u32(), length = r.u32();
        if (r.ok() && std::memcmp(t, "name", 4) == 0) {
            nameTable = file.slice(offset, length);
            found = nameTable.ok();
            break;
        }
    }
    if (!found) return false;
    nameTable.u16();
    int count = nameTable.u16();
    int storage = nameTable.u16();
    for (int i = 0; i < count && nameTable.ok() && searchBudget_-- > 0; ++i) {
        int platform = nameTable.u16();
        nameTable.u16();
        int language = nameTable.u16();
        int nameId = nameTable.u16();
        uint32_t length = nameTable.u16(), offset = nameTable.u16();
        if (!nameTable.ok()) break;
        if (nameId != kFullNameId || platform > 3 || length > kMaxNameLength) continue;
        bool languageFits = platform == 1 ? (language == 0 || language == kEnglishUs) : language == kEnglishUs;
        if (!languageFits) continue;
        ByteReader text = nameTable.slice(size_t(storage) + offset, length);
        if (text.ok()) names.push_back(decodeName(text, platform));
        searchBudget_ -= length / 64;  // long names count for more
    }
    return true;
}

bool TrueTypeFontParser::selectCollectionMember(ByteReader& file, uint32_t& memberOffset) {
    file.u32();  // collection version
    uint32_t numFonts = file.u32();
    if (!file.ok() || !file.has(size_t(numFonts) * 4)) return fail("the collection header runs past the end of the file");
    std::vector<uint32_t> offsets(numFonts);
    for (uint32_t& o : offsets) o = file.u32();

    const std::string wanted = font_.fontName();
    if (wanted.empty() && numFonts > 0) {
        memberOffset = offsets[0];  // a font opened without a name takes the first member
        return true;
    }
    std::vector<std::pair<std::string, uint32_t>> names;
    searchBudget_ = kMaxSearchRecords;
    for (uint32_t offset : offsets) {
        if (searchBudget_ <= 0) break;
        std::vector<std::string> memberNames;
        collectFullNames(file, offset, memberNames);
        for (std::string& name : memberNames) {
            if (name == wanted) {
                memberOffset = offset;
                return true;
            }
            names.emplace_back(std::move(name), offset);
        }
    }
    // Without an exact match, the regular weight may carry "Medium" in its full name,
    // and a bold weight may exist only as "ExtraBold".
    std::vector<std::string> fallbacks = {wanted + " Medium"};
    const std::string bold = " Bold";
    if (wanted.size() >= bold.size() && wanted.compare(wanted.size() - bold.size(), bold.size(), bold) == 0)
        fallbacks.push_back(wanted.substr(0, wanted.size() - bold.size()) + " ExtraBold");
    for (const std::string& fallback : fallbacks) {
        bool matched = false;
        for (const auto& [name, offset] : names) {
            if (name == fallback) {
                memberOffset = offset;
                matched = true;
            }
        }
        if (matched) return true;
    }
    return fail("no font named \"" + wanted + "\" in the collection");
}

bool TrueTypeFontParser::readName() {
    say("Parsing 'name' table:\n");
    ByteReader r;
    if (!tableReader("name", r)) return false;
    r.u16();
    int count = r.u16();
    int storage = r.u16();
    if (!r.ok() || !r.has(size_t(count) * 12)) return fail("unreadable 'name' table");
    if (!console_) return true;
    for (int i = 0; i < count; ++i) {
        int platform = r.u16();
        r.skip(6);
        uint32_t length = r.u16(), offset = r.u16();
        ByteReader text = r.slice(size_t(storage) + offset, length);
        if (text.ok()) say("  %s\n", decodeName(text, platform == 3 || platform == 0 ? 3 : 1).c_str());
    }
    return true;
}

void TrueTypeFontParser::clearComponentCache() {
    cachedParts_ = 0;
    if (++stamp_ == 0) {
        std::fill(partStamp_.begin(), partStamp_.end(), 0);
        stamp_ = 1;
    }
}

const GlyphOutline* TrueTypeFontParser::cachedPart(int glyph) const {
    if (partStamp_[glyph] != stamp_) return nullptr;
    const CachedPart& part = partPool_[partSlot_[glyph]];
    return part.glyph == glyph ? &part.outline : nullptr;
}

bool TrueTypeFontParser::readMaxp() {
    say("Parsing 'maxp' table:\n");
    ByteReader r;
    if (!tableReader("maxp", r)) return false;
    r.skip(4);
    numGlyphs_ = r.u16();
    if (!r.ok()) return fail("unreadable 'maxp' table");
    if (numGlyphs_ == 0) return fail("the font has no glyphs");
    say("  num glyphs: %d\n", numGlyphs_);
    partSlot_.assign(numGlyphs_, 0);
    partStamp_.assign(numGlyphs_, 0);
    return true;
}

void TrueTypeFontParser::mapCode(uint32_t code, int glyph) {
    --mappingBudget_;
    if (code > 0xFFFF) return;
    if (code >= codeToGlyph_.size()) codeToGlyph_.resize(code < 256 ? 256 : 0x10000, -1);
    codeToGlyph_[code] = glyph;
}

bool TrueTypeFontParser::readCmap() {
    say("Parsing 'cmap' table:\n");
    ByteReader r;
    if (!tableReader("cmap", r)) return false;
    r.u16();
    int records = r.u16();
    if (!r.ok()) return fail("unreadable 'cmap' table");
    static const char* kNames[] = {"Apple Standard", "INVALID (1)", "High-byte", "INVALID (3)",
                                   "Microsoft Standard", "INVALID (5)", "Trimmed"};
    mappingBudget_ = kMaxCodeMappings;
    for (int i = 0; i < records; ++i) {
        r.u16();
        r.u16();
        uint32_t offset = r.u32();
        if (!r.ok()) break;
        ByteReader sub = r.slice(offset, r.size() - std::min<size_t>(offset, r.size()));
        int format = sub.u16();
        if (!sub.ok()) break;
        if (format >= 7) {
            say("  format %d: Unknown Character Map!\n", format);
            break;
        }
        say("  format %d: %s Character Map\n", format, kNames[format]);
        bool more = true;
        switch (format) {
            case 0:
                more = readCmapFormat0(sub);
                break;
            case 4:
                more = readCmapFormat4(sub);
                break;
            case 6:
                readCmapFormat6(sub);
                more = false;
                break;
            case 2:
                if (i == 0) {
                    readCmapFormat2(sub);
                    more = false;
                }
                break;
            default:
                more = false;
                break;
        }
        if (!more || mappingBudget_ <= 0) break;
    }
    return true;
}

bool TrueTypeFontParser::readCmapFormat0(ByteReader& r) {
    r.skip(4);
    if (!r.has(256)) return false;
    for (uint32_t code = 0; code < 256; ++code) mapCode(code, r.u8());
    return true;
}

bool TrueTypeFontParser::readCmapFormat2(ByteReader& r) {
    r.skip(4);
    uint16_t keys[256];
    for (uint16_t& k : keys) k = r.u16();
    if (!r.ok()) return false;
    const size_t headers = 6 + 512;
    for (uint32_t high = 0; high < 256; ++high) {
        size_t header = headers + size_t(keys[high] / 8) * 8;
        ByteReader h = r;
        if (!h.seek(header)) return false;
        uint32_t first = h.u16(), count = h.u16();
        int delta = h.s16();
        size_t rangeBase = header + 6 + h.u16();
        if (!h.ok()) return false;
        bool singleByte = keys[high] == 0;
        for (uint32_t low = first; low < first + count && low < 256; ++low) {
            if (singleByte && low != high) continue;
            ByteReader entry = r;
            if (!entry.seek(rangeBase + 2 * size_t(low - first))) break;
            int g = entry.u16();
            if (!entry.ok()) break;
            if (g != 0) g = (g + delta) & 0xFFFF;
            mapCode(singleByte ? high : (high << 8 | low), g);
        }
    }
    return true;
}

bool TrueTypeFontParser::readCmapFormat4(ByteReader& r) {
    r.skip(4);
    int segments = r.u16() / 2;
    r.skip(6);
    size_t ends = r.tell();
    size_t starts = ends + 2 * size_t(segments) + 2;
    size_t deltas = starts + 2 * size_t(segments);
    size_t ranges = deltas + 2 * size_t(segments);
    if (!r.ok() || !r.seek(ranges + 2 * size_t(segments))) return false;
    ByteReader e = r, s = r, d = r, o = r;
    e.seek(ends);
    s.seek(starts);
    d.seek(deltas);
    o.seek(ranges);
    for (int seg = 0; seg < segments; ++seg) {
        uint32_t end = e.u16(), start = s.u16();
        int delta = d.u16();
        size_t rangePos = o.tell();
        uint32_t rangeOffset = o.u16();
        if (start > end) continue;
        for (uint32_t code = start; code <= end && mappingBudget_ > 0; ++code) {
            int g;
            if (rangeOffset == 0) {
                g = (int(code) + delta) & 0xFFFF;
            } else {
                ByteReader entry = r;
                if (!entry.seek(rangePos + rangeOffset + 2 * size_t(code - start))) break;
                g = entry.u16();
                if (!entry.ok()) break;
                if (g != 0) g = (g + delta) & 0xFFFF;
            }
            mapCode(code, g);
        }
    }
    return true;
}

bool TrueTypeFontParser::readCmapFormat6(ByteReader& r) {
    r.skip(4);
    uint32_t first = r.u16(), count = r.u16();
    for (uint32_t k = 0; k < count && r.ok() && mappingBudget_ > 0; ++k) {
        int g = r.u16();
        if (r.ok()) mapCode(first + k, g);
    }
    return r.ok();
}

int TrueTypeFontParser::glyphForCode(int code) const {
    if (code < 0 || size_t(code) >= codeToGlyph_.size()) return 0;
    return std::max(codeToGlyph_[code], 0);
}

std::vector<uint16_t> TrueTypeFontParser::mappedCodes() const {
    std::vector<uint16_t> codes;
    for (size_t code = 0; code < codeToGlyph_.size(); ++code)
        if (codeToGlyph_[code] > 0) codes.push_back(static_cast<uint16_t>(code));
    return codes;
}

bool TrueTypeFontParser::readHead() {
    say("Parsing 'head' table:\n");
    ByteReader r;
    if (!tableReader("head", r)) return false;
    r.seek(18);
    int16_t unitsPerEm = r.s16();
    r.seek(36);
    int16_t xMin = r.s16(), yMin = r.s16(), xMax = r.s16(), yMax = r.s16();
    r.seek(50);
    locaFormat_ = r.s16();
    if (!r.ok()) return fail("unreadable 'head' table");
    say("  units per em: %hd\n", unitsPerEm);
    say("  x min: %hd\n", xMin);
    say("  y min: %hd\n", yMin);
    say("  x max: %hd\n", xMax);
    say("  y max: %hd\n", yMax);
    say("  location table format: %d\n", locaFormat_);
    if (unitsPerEm <= 0) return fail("the 'head' table gives no units per em");
    font_.setHeader(unitsPerEm, xMin, yMin, xMax, yMax);
    return true;
}

bool TrueTypeFontParser::readHhea() {
    say("Parsing 'hhea' table:\n");
    ByteReader r;
    if (!tableReader("hhea", r)) return false;
    r.seek(4);
    int16_t ascender = r.s16(), descender = r.s16(), lineGap = r.s16(), advanceMax = r.s16();
    int16_t minLsb = r.s16(), minRsb = r.s16(), maxExtent = r.s16();
    r.seek(34);
    numHMetrics_ = r.u16();
    if (!r.ok()) return fail("unreadable 'hhea' table");
    say("  ascender:  %hd\n", ascender);
    say("  descender: %hd\n", descender);
    say("  line gap:  %hd\n", lineGap);
    say("  advance width max: %hd\n", advanceMax);
    say("  min left sidebearing:  %hd\n", minLsb);
    say("  min right sidebearing: %hd\n", minRsb);
    say("  max x extent: %hd\n", maxExtent);
    say("  num horizontal metrics: %d\n", numHMetrics_);
    return true;
}

bool TrueTypeFontParser::readLoca() {
    say("Parsing 'loca' table:\n");
    ByteReader r;
    if (!tableReader("loca", r)) return false;
    if (locaFormat_ != 0 && locaFormat_ != 1) return fail("unknown location table format");
    const TableEntry* glyf = findTable("glyf");
    uint32_t glyfLength = glyf ? glyf->length : 0;
    int entrySize = locaFormat_ == 0 ? 2 : 4;
    int entries = static_cast<int>(r.size() / entrySize);
    say("  num location table entries: %d (should equal: %d + 1)\n", entries, numGlyphs_);
    locations_.assign(numGlyphs_, Location());
    auto offsetAt = [&](int i) {
        r.seek(size_t(i) * entrySize);
        return locaFormat_ == 0 ? uint32_t(r.u16()) * 2 : r.u32();
    };
    uint32_t offset = entries > 0 ? offsetAt(0) : 0;
    for (int g = 0; g < numGlyphs_ && g + 1 < entries; ++g) {
        uint32_t next = offsetAt(g + 1);
        // A glyph that runs backwards or past the glyph table is left empty.
        if (next > offset && next <= glyfLength) locations_[g] = {offset, next - offset};
        offset = next;
    }
    return true;
}

bool TrueTypeFontParser::readHmtx() {
    say("Parsing 'hmtx' table:\n");
    if (!tableReader("hmtx", hmtx_)) return false;
    if (numHMetrics_ < 1 || hmtx_.size() < size_t(numHMetrics_) * 4) return fail("the 'hmtx' table is too short");
    return true;
}

bool TrueTypeFontParser::readCff() {
    say("Parsing 'CFF ' table:\n");
    ByteReader r;
    if (!tableReader("CFF ", r)) return false;
    cff_ = std::make_unique<CffReader>();
    std::string error;
    if (!cff_->open(r.data(), r.size(), error)) {
        cff_.reset();
        return fail(error);
    }
    return true;
}

void TrueTypeFontParser::metrics(int glyph, int32_t& advance, int32_t& lsb) const {
    advance = lsb = 0;
    if (numHMetrics_ < 1 || glyph < 0) return;
    ByteReader r = hmtx_;
    if (glyph < numHMetrics_) {
        r.seek(size_t(glyph) * 4);
        advance = r.u16();
        lsb = r.s16();
        return;
    }
    r.seek(size_t(numHMetrics_ - 1) * 4);
    advance = r.u16();
    r.seek(size_t(numHMetrics_) * 4 + size_t(glyph - numHMetrics_) * 2);
    lsb = r.s16();  // 0 when the table is short
}

bool TrueTypeFontParser::outline(int glyph, RawGlyph& out) {
    if (glyph < 0 || glyph >= numGlyphs_) glyph = 0;
    out.glyph = glyph;
    metrics(glyph, out.advance, out.lsb);
    scratch_.clear();
    componentVisits_ = 0;
    glyphStack_.clear();
    clearComponentCache();
    bool ok = cff_ ? cff_->outline(glyph, scratch_) : loadGlyph(glyph, scratch_, 0);
    if (!ok) scratch_.clear();
    out.setContours(scratch_);
    return ok;
}

bool TrueTypeFontParser::loadGlyph(int glyph, GlyphOutline& out, int depth) {
    if (glyph < 0 || glyph >= numGlyphs_) return false;
    const Location& loc = locations_[glyph];
    if (loc.length == 0) return true;
    ByteReader r = glyf_.slice(loc.offset, loc.length);
    int contours = r.s16();
    r.skip(8);  // bounding box
    if (!r.ok()) return false;
    if (contours > 0) return loadSimple(r, contours, out);
    if (contours == -1) return loadComposite(r, glyph, out, depth);
    return contours == 0;
}

bool TrueTypeFontParser::loadSimple(ByteReader& r, int contours, GlyphOutline& out) {
    size_t firstPoint = out.points.size();
    size_t firstContour = out.ends.size();
    auto undo = [&] {
        out.points.resize(firstPoint);
        out.ends.resize(firstContour);
        return false;
    };
    if (!r.has(size_t(contours) * 2 + 2)) return false;
    int last = -1;
    for (int c = 0; c < contours; ++c) {
        int end = r.u16();
        if (end <= last) return undo();  // contours must move forward
        last = end;
        out.ends.push_back(static_cast<uint32_t>(firstPoint + end + 1));
    }
    size_t points = size_t(last) + 1;
    if (firstPoint + points > kMaxGlyphPoints) return undo();
    int instructions = r.u16();
    if (!r.skip(instructions)) return undo();

    // Flags, each possibly followed by a repeat count; they say how many bytes each
    // coordinate takes, so both coordinate arrays are checked before they are read.
    flags_.resize(points);
    size_t xBytes = 0, yBytes = 0;
    for (size_t i = 0; i < points;) {
        uint8_t flag = r.u8();
        size_t repeat = (flag & kRepeat) ? size_t(r.u8()) + 1 : 1;
        if (!r.ok() || repeat > points - i) return undo();
        size_t xSize = (flag & kXShort) ? 1 : (flag & kXSame) ? 0 : 2;
        size_t ySize = (flag & kYShort) ? 1 : (flag & kYSame) ? 0 : 2;
        xBytes += xSize * repeat;
        yBytes += ySize * repeat;
        for (size_t k = 0; k < repeat; ++k) flags_[i++] = flag;
    }
    const uint8_t* xs = r.take(xBytes);
    const uint8_t* ys = r.take(yBytes);
    if (!xs || !ys) return undo();
    out.points.resize(firstPoint + points);
    GlyphPoint* p = out.points.data() + firstPoint;
    int32_t x = 0, y = 0;
    size_t xi = 0, yi = 0;
    for (size_t i = 0; i < points; ++i) {
        uint8_t flag = flags_[i];
        if (flag & kXShort) {
            x += (flag & kXSame) ? xs[xi] : -int32_t(xs[xi]);
            xi += 1;
        } else if (!(flag & kXSame)) {
            x += int16_t(xs[xi] << 8 | xs[xi + 1]);
            xi += 2;
        }
        if (flag & kYShort) {
            y += (flag & kYSame) ? ys[yi] : -int32_t(ys[yi]);
            yi += 1;
        } else if (!(flag & kYSame)) {
            y += int16_t(ys[yi] << 8 | ys[yi + 1]);
            yi += 2;
        }
        p[i].x = x;
        p[i].y = y;
        p[i].onCurve = flag & kOnCurve;
    }
    return true;
}

bool TrueTypeFontParser::readComponents(ByteReader& r, std::vector<Component>& components) {
    uint16_t flags;
    do {
        Component c;
        flags = c.flags = r.u16();
        c.glyph = r.u16();
        if (flags & kArgsAreWords) {
            if (flags & kArgsAreXY) {
                c.arg1 = r.s16();
                c.arg2 = r.s16();
            } else {
                c.arg1 = r.u16();
                c.arg2 = r.u16();
            }
        } else {
            if (flags & kArgsAreXY) {
                c.arg1 = r.s8();
                c.arg2 = r.s8();
            } else {
                c.arg1 = r.u8();
                c.arg2 = r.u8();
            }
        }
        // F2Dot14 values held as 16.16 fixed point.
        if (flags & kHaveScale) {
            c.a = c.d = int32_t(r.s16()) * 4;
            c.transformed = true;
        } else if (flags & kHaveXYScale) {
            c.a = int32_t(r.s16()) * 4;
            c.d = int32_t(r.s16()) * 4;
            c.transformed = true;
        } else if (flags & kHaveTwoByTwo) {
            c.a = int32_t(r.s16()) * 4;
            c.b = int32_t(r.s16()) * 4;
            c.c = int32_t(r.s16()) * 4;
            c.d = int32_t(r.s16()) * 4;
            c.transformed = true;
        }
        if (!r.ok()) return false;
        components.push_back(c);
        if (components.size() > size_t(kMaxComponentVisits)) return false;
    } while (flags & kMoreComponents);
    return true;
}

bool TrueTypeFontParser::loadComposite(ByteReader& r, int glyph, GlyphOutline& out, int depth) {
    if (depth >= kMaxComponentDepth) return false;
    while (componentPool_.size() <= size_t(depth)) componentPool_.emplace_back();
    while (builtPool_.size() <= size_t(depth)) builtPool_.emplace_back();
    std::vector<Component>& components = componentPool_[depth];
    components.clear();
    if (!readComponents(r, components)) return false;
    glyphStack_.push_back(glyph);
    GlyphOutline& built = builtPool_[depth];
    built.clear();
    bool ok = true;
    for (const Component& c : components) {
        if (++componentVisits_ > kMaxComponentVisits) {
            ok = false;
            break;
        }
        if (c.glyph >= numGlyphs_) continue;  // outside the font: skipped
        if (std::find(glyphStack_.begin(), glyphStack_.end(), c.glyph) != glyphStack_.end()) continue;  // a loop
        const GlyphOutline* part = cachedPart(c.glyph);
        if (!part) {
            // The entry is claimed before the component is read, so nested reads take
            // later entries; the pool never moves its entries.
            size_t slot = cachedParts_++;
            if (slot == partPool_.size()) partPool_.emplace_back();
            CachedPart& entry = partPool_[slot];
            entry.glyph = -1;
            entry.outline.clear();
            if (!loadGlyph(c.glyph, entry.outline, depth + 1)) entry.outline.clear();
            entry.glyph = c.glyph;
            partSlot_[c.glyph] = static_cast<uint32_t>(slot);
            partStamp_[c.glyph] = stamp_;
            part = &entry.outline;
        }
        if (built.points.size() + part->points.size() > kMaxGlyphPoints) {
            ok = false;
            break;
        }
        size_t base = built.points.size();
        for (const GlyphPoint& p : part->points) {
            GlyphPoint q = p;
            if (c.transformed) {
                q.x = clamp32(mulFixed(p.x, c.a) + mulFixed(p.y, c.c));
                q.y = clamp32(mulFixed(p.x, c.b) + mulFixed(p.y, c.d));
            }
            built.points.push_back(q);
        }
        int64_t dx, dy;
        if (c.flags & kArgsAreXY) {
            dx = c.arg1;
            dy = c.arg2;
        } else {
            // Point matching: the component moves so that its point arg2 lands on
            // point arg1 of what is built so far.
            size_t parentPoint = size_t(c.arg1), childPoint = base + size_t(c.arg2);
            if (parentPoint >= base || childPoint >= built.points.size()) {
                built.points.resize(base);
                continue;
            }
            dx = int64_t(built.points[parentPoint].x) - built.points[childPoint].x;
            dy = int64_t(built.points[parentPoint].y) - built.points[childPoint].y;
        }
        if (dx != 0 || dy != 0) {
            for (size_t i = base; i < built.points.size(); ++i) {
                built.points[i].x = clamp32(built.points[i].x + dx);
                built.points[i].y = clamp32(built.points[i].y + dy);
            }
        }
        for (uint32_t end : part->ends) built.ends.push_back(static_cast<uint32_t>(base + end));
    }
    glyphStack_.pop_back();
    if (!ok) return false;
    size_t offset = out.points.size();
    out.points.insert(out.points.end(), built.points.begin(), built.points.end());
    for (uint32_t end : built.ends) out.ends.push_back(static_cast<uint32_t>(offset + end));
    return true;
}

void TrueTypeFontParser::printPoints(const GlyphOutline& outline, size_t firstContour) {
    for (size_t c = firstContour; c < outline.ends.size(); ++c) {
        say("    { ");
        for (uint32_t i = outline.contourStart(static_cast<int>(c)); i < outline.ends[c]; ++i) {
            const GlyphPoint& p = outline.points[i];
            say("[%d %d] %s %s", p.x, p.y, p.onCurve ? "(" : "[", p.onCurve ? ")" : "]");
        }
        say("}\n");
    }
}

}  // namespace fw::veltrane
