#include "font/GlyphDump.h"

#include <charconv>
#include <functional>

#include "font/FontFile.h"
#include "font/TrueTypeFontParser.h"
#include "font/Type1FontParser.h"

namespace fw::veltrane {

namespace {

// A listing is millions of numbers; formatting each through printf cost more than
// reading the font.
void appendNumber(std::string& line, long value) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    line.append(digits, result.ptr);
}

}  // namespace

std::string glyphRecordJson(const RawGlyph& record) {
    std::string line;
    line.reserve(64 + record.points.size() * 32);
    line += "{\"code\":";
    appendNumber(line, static_cast<long>(static_cast<unsigned>(record.code)));
    line += ",\"glyph\":";
    appendNumber(line, record.glyph);
    line += ",\"advance\":";
    appendNumber(line, record.advance);
    line += ",\"lsb\":";
    appendNumber(line, record.lsb);
    line += ",\"contours\":[";
    for (int c = 0; c < record.contourCount(); ++c) {
        line += c ? ",[" : "[";
        for (uint32_t i = record.contourStart(c); i < record.contourEnds[c]; ++i) {
            const GlyphPoint& p = record.points[i];
            line += i == record.contourStart(c) ? "{\"x\":" : ",{\"x\":";
            appendNumber(line, p.x);
            line += ",\"y\":";
            appendNumber(line, p.y);
            line += p.onCurve ? ",\"on\":true}" : ",\"on\":false}";
        }
        line += "]";
    }
    line += "]}";
    return line;
}

namespace {

bool writeLines(const std::vector<uint16_t>& list, std::FILE* out, std::string& error,
                const std::function<void(uint16_t, RawGlyph&)>& outline) {
    RawGlyph record;
    for (uint16_t code : list) {
        record.code = code;
        outline(code, record);
        std::string line = glyphRecordJson(record);
        line += '\n';
        if (std::fwrite(line.data(), 1, line.size(), out) != line.size()) {
            error = "cannot write the glyph listing";
            return false;
        }
    }
    return true;
}

// Type 1 files are told from the others by their first bytes, whatever their name.
bool isType1(const char* fontPath) {
    uint8_t head[2] = {};
    std::FILE* f = std::fopen(fontPath, "rb");
    if (!f) return false;
    size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    return Type1FontParser::looksLikeType1(head, n);
}

}  // namespace

bool writeGlyphRecords(const char* fontPath, const std::vector<uint32_t>* codes, std::FILE* out,
                       std::string& error) {
    std::vector<uint16_t> list;
    if (codes)
        for (uint32_t code : *codes)
            if (code <= 0xFFFF) list.push_back(static_cast<uint16_t>(code));
    if (isType1(fontPath)) {
        FontFile font(FontKind::kType1, "", fontPath);
        Type1FontParser parser(font);
        if (!parser.openFile(fontPath)) {
            error = font.error();
            return false;
        }
        if (!codes) list = parser.mappedCodes();
        return writeLines(list, out, error,
                          [&](uint16_t code, RawGlyph& record) { parser.outline(parser.glyphForCode(code), record); });
    }
    FontFile font(FontKind::kTrueType, "", fontPath);
    TrueTypeFontParser parser(font);
    if (!parser.openFile(fontPath)) {
        error = font.error();
        return false;
    }
    if (!codes) list = parser.mappedCodes();
    return writeLines(list, out, error, [&](uint16_t code, RawGlyph& record) {
        parser.outline(codes ? parser.glyphForCharacter(code) : parser.glyphForCode(code), record);
    });
}

}  // namespace fw::veltrane
