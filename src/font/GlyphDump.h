#pragma once
// The glyph listing: a font's raw glyph records in font units, one JSON object per
// line and per character code, as the parser reads them before any conversion.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "font/RawGlyph.h"

namespace fw::veltrane {

// Writes one line per code to `out`. `codes` are characters, looked up as text looks
// them up (Latin-1 to Mac OS Roman only for a Mac OS Roman map) and listed with the
// code given; codes above 0xFFFF are skipped. Without codes, every code that the
// character maps give a glyph is listed in the map's own codes, ascending. A
// collection lists its first member. A Type 1 file (told by its first bytes) looks
// codes up in its own encoding, and lists every code whose glyph it has. False, with
// `error` saying why, when the file cannot be read as a font.
bool writeGlyphRecords(const char* fontPath, const std::vector<uint32_t>* codes, std::FILE* out,
                       std::string& error);

// One record as its JSON line, without the line break.
std::string glyphRecordJson(const RawGlyph& record);

}  // namespace fw::veltrane
