// The peer of `formwright glyphs`: the same JSON line per mapped character (code,
// glyph, advance, left side bearing, contours of font-unit points), read through
// FreeType without scaling or hinting. Used only by the benchmarks.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <charconv>
#include <cstdio>
#include <string>

// Numbers are formatted the way the program formats them, so that the two differ
// only in reading the font.
static void append(std::string& line, long value) {
    char digits[24];
    line.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FONT\n", argv[0]);
        return 2;
    }
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, argv[1], 0, &face) != 0) {
        std::fprintf(stderr, "%s: cannot be opened\n", argv[1]);
        return 1;
    }
    FT_UInt glyph;
    std::string line;
    for (FT_ULong code = FT_Get_First_Char(face, &glyph); glyph != 0; code = FT_Get_Next_Char(face, code, &glyph)) {
        if (code > 0xFFFF) continue;
        if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) continue;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Outline& outline = slot->outline;
        line = "{\"code\":";
        append(line, static_cast<long>(code));
        line += ",\"glyph\":";
        append(line, glyph);
        line += ",\"advance\":";
        append(line, slot->metrics.horiAdvance);
        line += ",\"lsb\":";
        append(line, slot->metrics.horiBearingX);
        line += ",\"contours\":[";
        int first = 0;
        for (int c = 0; c < outline.n_contours; ++c) {
            line += c ? ",[" : "[";
            for (int i = first; i <= outline.contours[c]; ++i) {
                line += i == first ? "{\"x\":" : ",{\"x\":";
                append(line, outline.points[i].x);
                line += ",\"y\":";
                append(line, outline.points[i].y);
                line += FT_CURVE_TAG(outline.tags[i]) == FT_CURVE_TAG_ON ? ",\"on\":true}" : ",\"on\":false}";
            }
            first = outline.contours[c] + 1;
            line += "]";
        }
        line += "]}\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return 0;
}
