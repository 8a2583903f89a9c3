#include "font/GlyphDump.h"

#include "font/FontFile.h"
#include "font/TrueTypeFontParser.h"

namespace fw::veltrane {

std::string glyphRecordJson(const RawGlyph& record) {
    std::string line;
    line.reserve(64 + record.points.size() * 32);
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "{\"code\":%u,\"glyph\":%d,\"advance\":%d,\"lsb\":%d,\"contours\":[",
                  unsigned(record.code), record.glyph, record.advance, record.lsb);
    line += buffer;
    for (int c = 0; c < record.contourCount(); ++c) {
        line += c ? ",[" : "[";
        for (uint32_t i = record.contourStart(c); i < record.contourEnds[c]; ++i) {
            const GlyphPoint& p = record.points[i];
            std::snprintf(buffer, sizeof buffer, "%s{\"x\":%d,\"y\":%d,\"on\":%s}", i == record.contourStart(c) ? "" : ",",
                          p.x, p.y, p.onCurve ? "true" : "false");
            line += buffer;
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
