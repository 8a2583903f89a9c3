#include "font/FontMetrics.h"

namespace fw::veltrane {

bool FontMetrics::readMaxp(const ByteReader& table, ParseLog& log) {
    ByteReader r = table;
    r.skip(4);
    numGlyphs_ = r.u16();
    if (!r.ok()) return log.fail("unreadable 'maxp' table");
    if (numGlyphs_ == 0) return log.fail("the font has no glyphs");
    log.say("  num glyphs: %d\n", numGlyphs_);
    return true;
}

bool FontMetrics::readHead(const ByteReader& table, ParseLog& log) {
    ByteReader r = table;
    r.seek(18);
    int16_t unitsPerEm = r.s16();
    r.seek(36);
    int16_t xMin = r.s16(), yMin = r.s16(), xMax = r.s16(), yMax = r.s16();
    r.seek(50);
    locaFormat_ = r.s16();
    if (!r.ok()) return log.fail("unreadable 'head' table");
    log.say("  units per em: %hd\n", unitsPerEm);
    log.say("  x min: %hd\n", xMin);
    log.say("  y min: %hd\n", yMin);
    log.say("  x max: %hd\n", xMax);
    log.say("  y max: %hd\n", yMax);
    log.say("  location table format: %d\n", locaFormat_);
    if (unitsPerEm <= 0) return log.fail("the 'head' table gives no units per em");
    unitsPerEm_ = unitsPerEm;
    xMin_ = xMin;
    yMin_ = yMin;
    xMax_ = xMax;
    yMax_ = yMax;
    return true;
}

bool FontMetrics::readHhea(const ByteReader& table, ParseLog& log) {
    ByteReader r = table;
    r.seek(4);
    int16_t ascender = r.s16(), descender = r.s16(), lineGap = r.s16(), advanceMax = r.s16();
    int16_t minLsb = r.s16(), minRsb = r.s16(), maxExtent = r.s16();
    r.seek(34);
    numHMetrics_ = r.u16();
    if (!r.ok()) return log.fail("unreadable 'hhea' table");
    log.say("  ascender:  %hd\n", ascender);
    log.say("  descender: %hd\n", descender);
    log.say("  line gap:  %hd\n", lineGap);
    log.say("  advance width max: %hd\n", advanceMax);
    log.say("  min left sidebearing:  %hd\n", minLsb);
    log.say("  min right sidebearing: %hd\n", minRsb);
    log.say("  max x extent: %hd\n", maxExtent);
    log.say("  num horizontal metrics: %d\n", numHMetrics_);
    return true;
}

bool FontMetrics::readHmtx(const ByteReader& table, ParseLog& log) {
    hmtx_ = table;
    if (numHMetrics_ < 1 || hmtx_.size() < size_t(numHMetrics_) * 4) return log.fail("the 'hmtx' table is too short");
    return true;
}

void FontMetrics::metrics(int glyph, int32_t& advance, int32_t& lsb) const {
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

}  // namespace fw::veltrane
