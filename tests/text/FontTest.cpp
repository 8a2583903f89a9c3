#include "text/Font.h"

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <tuple>

#include "GlyphOutline.h"
#include "MemoryStream.h"
#include "TempDir.h"

namespace fw {
namespace {

using veltrane::Font;

const char* const kLiberation = "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf";

TEST(Font, CodeListIsTranslatedSortedAndGainsMAndMetricsAreInEmUnits) {
    const uint16_t codes[] = {0xE9, 65, 0xA4, 0x80, 65};
    Font font(Font::kTrueType, "DejaVu Sans", test::kDejaVuSans, codes, 5);
    EXPECT_TRUE(font.hasCharacterSet());
    EXPECT_EQ(font.slotCodes(), (std::vector<uint16_t>{65, 77, 0x80, 0x8E, 0xDB}));
    // é is kept as Mac OS Roman 0x8E; 0x80 has no Mac OS Roman counterpart and keeps its code.
    for (auto [code, slot] : {std::pair{0xE9, 3}, {0x8E, 3}, {0x80, 2}, {0xA4, 4}, {66, -1}})
        EXPECT_EQ(font.slotIndex(code), slot) << code;
    // Ä has a counterpart; × and the euro sign have none.
    for (auto [code, mac] : {std::pair{0xC4, 0x80}, {0xD7, 0xD7}, {0x20AC, 0x20AC}})
        EXPECT_EQ(Font::macRomanCode(code), mac) << code;
    Font all(Font::kTrueType, "DejaVu Sans", test::kDejaVuSans);
    EXPECT_EQ(std::tuple(all.hasCharacterSet(), all.slotCount(), all.slotIndex(0xE9), all.slotIndex(0x100)),
              std::tuple(false, 256, 0x8E, -1));
    ASSERT_TRUE(font.load()) << font.error();
    // Metrics and outlines in em units; raw glyphs are discarded after conversion.
    EXPECT_EQ(std::tuple(font.rawGlyphs().empty(), font.unitsPerEm()), std::tuple(true, 2048));
    EXPECT_FLOAT_EQ(font.leftSideBearing('A'), 16.0f / 2048);
    // "M" was never asked for, yet its width is known: 201 + 1767 units.
    EXPECT_DOUBLE_EQ(font.emWidthM(), (201.0 + 1767.0) / 2048);
    EXPECT_DOUBLE_EQ(font.bboxHeight(), (2524.0 + 948) / 2048);  // the "head" table's box
    EXPECT_DOUBLE_EQ(font.bboxWidth(), (3673.0 + 2090) / 2048);
    // An unknown code: no metrics, and the first slot's outline, A's.
    EXPECT_EQ(std::tuple(font.advanceWidth('B'), &font.outline('B')), std::tuple(0.0f, &font.outline('A')));
    // Advances and outlines, the space's too (not asked for here), are FreeTypeAgreementTest's, code by code.
}

TEST(Font, Latin1CodesGoThroughMacRomanOnlyWhenThatMapIsInUse) {
    FT_Library library;
    FT_Face face;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Face(library, kLiberation, 0, &face), 0);
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    const uint16_t codes[] = {0xE9, 0xC4, 'a', 0x141};
    Font font(Font::kTrueType, "Liberation Serif", kLiberation, codes, 4);
    ASSERT_TRUE(font.parse());
    // Liberation carries a Macintosh map after its Unicode one, and it wins for 0..255.
    EXPECT_TRUE(font.macRomanMap());
    // é and Ä keyed by their Mac OS Roman codes; Ł, from the Unicode map, by its own.
    std::map<int, int> glyphs;  // by slot code
    for (const veltrane::RawGlyph& g : font.rawGlyphs()) glyphs[g.code] = g.glyph;
    for (auto [slot, code] : {std::pair{0x8E, 0xE9}, {0x80, 0xC4}, {'a', 'a'}, {0x141, 0x141}})
        EXPECT_EQ(glyphs.contains(slot) ? glyphs[slot] : -1, int(FT_Get_Char_Index(face, code))) << slot;
    FT_Done_Face(face);
    // DejaVu's maps stop at its format 12 table, before the Macintosh one: the map in use is Unicode, so é is looked
    // up as 0xE9 and keys its slot by it.
    ASSERT_EQ(FT_New_Face(library, test::kDejaVuSans, 0, &face), 0);
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    Font dejavu(Font::kTrueType, "DejaVu Sans", test::kDejaVuSans, codes, 4);
    ASSERT_TRUE(dejavu.load());
    EXPECT_FALSE(dejavu.macRomanMap());
    EXPECT_EQ(dejavu.slotCodes(), (std::vector<uint16_t>{'M', 'a', 0xC4, 0xE9, 0x141}));
    for (int code : {0xE9, 0xC4, 0x141}) {
        FT_UInt glyph = FT_Get_Char_Index(face, code);
        ASSERT_NE(glyph, 0u);
        ASSERT_EQ(FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING), 0);
        EXPECT_FLOAT_EQ(dejavu.advanceWidth(code), float(face->glyph->metrics.horiAdvance / 2048.0)) << code;
        EXPECT_EQ(int(dejavu.outline(code).contours().size()), int(face->glyph->outline.n_contours)) << code;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

TEST(Font, FileTypesAndFilesThatCannotBeRead) {
    for (const auto& [path, type1, trueType] :
         {std::tuple{"/fonts/Times.PFB", true, false}, {"a.b.pfa", true, false}, {"pfb", false, false},
          {"x.TtC", false, true}, {"x.otf", false, true}, {"x.ttf.bak", false, false},
          {"/fonts.d/noext", false, false}, {"/f/x.t1", true, false}}) {
        EXPECT_EQ(Font::isType1File(path), type1) << path;
        EXPECT_EQ(Font::isTrueTypeFile(path), trueType) << path;
    }
    test::TempDir dir;
    std::FILE* errors = std::fopen(dir.file("errors").c_str(), "w");
    Font::setErrorStream(errors);
    Font font(static_cast<FontKind>(7), "Nothing", "/fonts/odd.xyz");
    EXPECT_FALSE(font.load());
    Font::setErrorStream(nullptr);
    std::fclose(errors);
    EXPECT_EQ(test::readFile(dir.file("errors")), "Unrecognized font file type: /fonts/odd.xyz\n");
    EXPECT_EQ(std::pair(font.outline('A').contours().empty(), font.advanceWidth('A')), std::pair(true, 0.0f));
    Font gone(Font::kTrueType, "Gone", "/nonexistent/font.ttf");
    EXPECT_FALSE(gone.load());
    EXPECT_EQ(gone.error(), "cannot open the font file");
    EXPECT_EQ(std::pair(gone.outline('M').contours().empty(), gone.emWidthM()), std::pair(true, 0.0));
}

TEST(Font, CommandBlockWritesNameAndPathAndReadsTheName) {
    Font font(Font::kTrueType, "DejaVu \"Sans\"", test::kDejaVuSans);
    font.info[0] = 3, font.info[1] = -1;
    const std::string text = test::writtenBlock(font);
    EXPECT_EQ(text, " begin Font\n  fontName \"DejaVu \\\"Sans\\\"\"\n"
                    "  fontInfo \"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf\" 3 -1\n end Font\n");
    // Reading the block's lines back: the name returns; path and numbers are dropped, and "end Font" closes the block
    // before the line after it.
    Font read;
    ASSERT_EQ(test::readLines(read, text.substr(text.find('\n') + 1) + "fontName \"after\"\n"), 0);
    EXPECT_STREQ(read.fontName(), "DejaVu \"Sans\"");
    EXPECT_STREQ(read.path(), "");
    EXPECT_EQ(std::pair(read.outline('A').contours().empty(), read.info[0]), std::pair(true, 0));
}

}  // namespace
}  // namespace fw
