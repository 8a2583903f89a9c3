#include "font/TrueTypeFontParser.h"

#include <cstdio>
#include <string>

#include "font/CffReader.h"
#include "font/NameTable.h"

namespace fw::veltrane {

TrueTypeFontParser::TrueTypeFontParser(FontFile& font) : font_(font), log_(FontFile::console()) {}

TrueTypeFontParser::~TrueTypeFontParser() = default;

bool TrueTypeFontParser::readFile(const char* path) {
    const Read read = readWholeFile(path, fileBytes_);
    if (read == Read::kCannotOpen) font_.setError("cannot open the font file");
    if (read == Read::kFailed) font_.setError("cannot read the font file");
    return read == Read::kOk;
}

bool TrueTypeFontParser::parse(const char* path, int flag) {
    return readFile(path) && parseBytes(fileBytes_.data(), fileBytes_.size(), flag);
}

bool TrueTypeFontParser::openFile(const char* path) {
    return readFile(path) && open(fileBytes_.data(), fileBytes_.size());
}

bool TrueTypeFontParser::open(const uint8_t* data, size_t size) {
    file_ = ByteReader(data, size);
    metrics_ = FontMetrics();
    cmap_ = CharacterMap();
    cff_.reset();
    if (readTables()) return true;
    font_.setError(log_.error());
    return false;
}

bool TrueTypeFontParser::beginTable(const char* tag, ByteReader& out) {
    log_.say("Parsing '%s' table:\n", tag);
    return directory_.table(tag, out, log_);
}

bool TrueTypeFontParser::readTables() {
    if (!directory_.read(file_, font_.fontName(), log_)) return false;
    ByteReader table;
    if (!beginTable("name", table) || !NameTable::read(table, log_)) return false;
    if (!beginTable("maxp", table) || !metrics_.readMaxp(table, log_)) return false;
    if (!beginTable("cmap", table) || !cmap_.read(table, log_)) return false;
    font_.setMacRomanMap(cmap_.macRoman());
    if (!beginTable("head", table) || !metrics_.readHead(table, log_)) return false;
    font_.setHeader(metrics_.unitsPerEm(), metrics_.xMin(), metrics_.yMin(), metrics_.xMax(), metrics_.yMax());
    if (!beginTable("hhea", table) || !metrics_.readHhea(table, log_)) return false;
    if (directory_.find("CFF ")) {
        if (!beginTable("CFF ", table)) return false;
        cff_ = std::make_unique<CffReader>();
        std::string error;
        if (!cff_->open(table.data(), table.size(), error)) {
            cff_.reset();
            return log_.fail(error);
        }
    } else if (!glyf_.read(directory_, metrics_.glyphCount(), metrics_.locaFormat(), log_)) {
        return false;
    }
    return beginTable("hmtx", table) && metrics_.readHmtx(table, log_);
}

bool TrueTypeFontParser::parseBytes(const uint8_t* data, size_t size, int flag) {
    debug_ = flag != 0;
    if (!open(data, size)) return false;
    std::vector<uint16_t> codes = font_.slotCodes();
    std::vector<int> glyphs = slotGlyphs(codes);
    if (!cff_) log_.say("Parsing 'glyf' table:\n");
    readSlots(codes, glyphs);
    font_.setCubic(cff_ != nullptr);
    font_.sortRawGlyphs();
    return true;
}

std::vector<int> TrueTypeFontParser::slotGlyphs(const std::vector<uint16_t>& codes) {
    std::vector<int> glyphs(codes.size());
    for (size_t i = 0; i < codes.size(); ++i) {
        int g = glyphForCode(codes[i]);
        glyphs[i] = g < glyphCount() ? g : 0;
    }
    if (log_.listing()) {
        for (int g : glyphs) {
            int32_t advance, lsb;
            metrics(g, advance, lsb);
            log_.say(g < metrics_.horizontalMetricCount() ? "  %3d: width: %5d, lsb: %5d\n"
                                                          : "- %3d: width: %5d, lsb: %5d\n",
                     g, advance, lsb);
        }
    }
    return glyphs;
}

void TrueTypeFontParser::readSlots(const std::vector<uint16_t>& codes, const std::vector<int>& glyphs) {
    std::vector<RawGlyph>& records = font_.rawGlyphs();
    records.clear();
    records.reserve(codes.size());
    std::vector<size_t> composites;
    int total = static_cast<int>(codes.size());
    for (int slot = 0; slot < total; ++slot) {
        if (progress_ && slot % 100 == 0) progress_(slot, total);
        RawGlyph record;
        record.code = codes[slot];
        record.glyph = glyphs[slot];
        metrics(record.glyph, record.advance, record.lsb);
        scratch_.clear();
        bool read, composite = false;
        if (cff_)
            read = cff_->outline(record.glyph, scratch_);
        else
            read = glyf_.readSlot(record.glyph, scratch_, composite, debug_, log_);
        if (read) record.setContours(scratch_);
        if (composite) composites.push_back(records.size());
        records.push_back(std::move(record));
    }
    for (size_t index : composites) {
        RawGlyph& record = records[index];
        scratch_.clear();
        if (glyf_.outline(record.glyph, scratch_)) record.setContours(scratch_);
    }
    if (progress_) progress_(total, total);
}

bool TrueTypeFontParser::outline(int glyph, RawGlyph& out) {
    if (glyph < 0 || glyph >= glyphCount()) glyph = 0;
    out.glyph = glyph;
    metrics(glyph, out.advance, out.lsb);
    scratch_.clear();
    bool ok = cff_ ? cff_->outline(glyph, scratch_) : glyf_.outline(glyph, scratch_);
    if (!ok) scratch_.clear();
    out.setContours(scratch_);
    return ok;
}

}  // namespace fw::veltrane
