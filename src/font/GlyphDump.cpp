#include "font/GlyphDump.h"

#include <charconv>

#include "font/FontFile.h"
#include "font/TrueTypeFontParser.h"

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

bool writeGlyphRecords(const char* fontPath, const std::vector<uint32_t>* codes, std::FILE* out,
                       std::string& error) {
    FontFile font(FontKind::kTrueType, "", fontPath);
    TrueTypeFontParser parser(font);
    if (!parser.openFile(fontPath)) {
        error = font.error();
        return false;
    }
    std::vector<uint16_t> list;
    if (codes) {
        for (uint32_t code : *codes)
            if (code <= 0xFFFF) list.push_back(static_cast<uint16_t>(code));
    } else {
        list = parser.mappedCodes();
    }
    RawGlyph record;
    for (uint16_t code : list) {
        record.code = code;
        parser.outline(codes ? parser.glyphForCharacter(code) : parser.glyphForCode(code), record);
        std::string line = glyphRecordJson(record);
        line += '\n';
        if (std::fwrite(line.data(), 1, line.size(), out) != line.size()) {
            error = "cannot write the glyph listing";
            return false;
        }
    }
    return true;
}

}  // namespace fw::veltrane
