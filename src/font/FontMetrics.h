#pragma once
// The font-wide numbers and the per-glyph metrics: glyph count ("maxp"), units per
// em, box and location format ("head"), line metrics ("hhea") and each glyph's
// advance width and left side bearing ("hmtx").

#include <cstdint>

#include "font/ByteReader.h"
#include "font/ParseLog.h"

namespace fw::veltrane {

class FontMetrics {
public:
    // One per table, each given the table's bytes (which must outlive this one) and
    // listing what it reads.
    bool readMaxp(const ByteReader& table, ParseLog& log);
    bool readHead(const ByteReader& table, ParseLog& log);
    bool readHhea(const ByteReader& table, ParseLog& log);
    bool readHmtx(const ByteReader& table, ParseLog& log);

    int glyphCount() const { return numGlyphs_; }
    int unitsPerEm() const { return unitsPerEm_; }
    int xMin() const { return xMin_; }
    int yMin() const { return yMin_; }
    int xMax() const { return xMax_; }
    int yMax() const { return yMax_; }
    // 0: the location table holds halved 16-bit offsets, 1: 32-bit offsets.
    int locaFormat() const { return locaFormat_; }
    // Glyphs below this count have an advance of their own; the others share the last.
    int horizontalMetricCount() const { return numHMetrics_; }
    // Advance width and left side bearing in font units; 0 where the table has none.
    void metrics(int glyph, int32_t& advance, int32_t& lsb) const;

private:
    int numGlyphs_ = 0;
    int unitsPerEm_ = 0;
    int xMin_ = 0, yMin_ = 0, xMax_ = 0, yMax_ = 0;
    int locaFormat_ = 0;
    int numHMetrics_ = 0;
    ByteReader hmtx_;
};

}  // namespace fw::veltrane
