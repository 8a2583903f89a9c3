#include "FontFuzzTargets.h"

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "font/CffReader.h"
#include "font/TrueTypeFontParser.h"
#include "font/Type1FontParser.h"
#include "text/Font.h"

namespace fw::fuzz {

namespace {

// Enough glyphs to reach composites and subroutines without slowing the fuzzer down;
// converting into outlines costs most, so fewer slots go that far.
constexpr int kMaxGlyphs = 300;
constexpr int kConvertedCodes = 64;

// A record's contours must partition its points, each closed by its first point.
void checkRecord(const veltrane::RawGlyph& g) {
    uint32_t start = 0;
    for (uint32_t end : g.contourEnds) {
        if (end <= start + 1 || end > g.points.size()) std::abort();
        const veltrane::GlyphPoint& first = g.points[start];
        const veltrane::GlyphPoint& last = g.points[end - 1];
        if (first.x != last.x || first.y != last.y || first.onCurve != last.onCurve) std::abort();
        start = end;
    }
    if (start != g.points.size()) std::abort();
}

void checkOutline(const veltrane::GlyphOutline& o) {
    uint32_t start = 0;
    for (uint32_t end : o.ends) {
        if (end < start + 2 || end > o.points.size()) std::abort();
        start = end;
    }
    if (start != o.points.size()) std::abort();
}

// A parser over the bytes into a font's records, its profiles, and each glyph's outline.
template <class Parser>
void readFont(FontKind kind, const char* name, const uint8_t* data, size_t size) {
    uint16_t codes[kConvertedCodes];
    for (int i = 0; i < kConvertedCodes; ++i) codes[i] = static_cast<uint16_t>(32 + i);
    veltrane::Font font(kind, "", name, codes, kConvertedCodes);
    Parser parser(font);
    if (!parser.parseBytes(data, size, 0)) {
        if (font.error().empty()) std::abort();  // a failure always says why
        return;
    }
    for (const veltrane::RawGlyph& g : font.rawGlyphs()) checkRecord(g);
    font.buildProfiles();
    veltrane::RawGlyph record;
    int glyphs = parser.glyphCount() < kMaxGlyphs ? parser.glyphCount() : kMaxGlyphs;
    for (int g = 0; g < glyphs; ++g) {
        parser.outline(g, record);
        checkRecord(record);
    }
}

void readType1(const uint8_t* data, size_t size) {
    readFont<veltrane::Type1FontParser>(FontKind::kType1, "fuzz.pfb", data, size);
}

}  // namespace

int parseTrueTypeFont(const uint8_t* data, size_t size) {
    readFont<veltrane::TrueTypeFontParser>(FontKind::kTrueType, "fuzz.ttf", data, size);
    return 0;
}

int parseCffTable(const uint8_t* data, size_t size) {
    veltrane::CffReader reader;
    std::string error;
    if (!reader.open(data, size, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    veltrane::GlyphOutline outline;
    int glyphs = reader.glyphCount() < kMaxGlyphs ? reader.glyphCount() : kMaxGlyphs;
    for (int g = 0; g < glyphs; ++g) {
        if (reader.outline(g, outline)) checkOutline(outline);
        else if (!outline.points.empty()) std::abort();
    }
    return 0;
}

int parseType1Font(const uint8_t* data, size_t size) {
    readType1(data, size);
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    size_t eexec = bytes.find("eexec\n");
    if (eexec == std::string_view::npos) return 0;
    // Four seed bytes, then the rest encrypted as the format does.
    std::vector<uint8_t> font(data, data + eexec + 6);
    uint16_t r = 55665;
    for (size_t i = 0; i < size - eexec - 6 + 4; ++i) {
        uint8_t plain = i < 4 ? uint8_t('x') : data[eexec + 6 + i - 4];
        uint8_t c = static_cast<uint8_t>(plain ^ (r >> 8));
        r = static_cast<uint16_t>((c + r) * 52845 + 22719);
        font.push_back(c);
    }
    readType1(font.data(), font.size());
    return 0;
}

}  // namespace fw::fuzz
