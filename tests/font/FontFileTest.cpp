// The font layer on its own: the parser a font file's kind picks, the em-unit rings that outlines are cut from, and
// the font fuzzers' corpora replayed.
#include "font/FontFile.h"

#include <gtest/gtest.h>

#include "FontFuzzTargets.h"
#include "FuzzReplay.h"
#include "platform/FontList.h"

namespace fw {
namespace {

using veltrane::EmContour;
using veltrane::FontFile;
using veltrane::GlyphOutline;
using veltrane::RawGlyph;

// The kind the font list gives an installed file is the kind its parser is chosen by.
TEST(FontFile, TheFontListsKindPicksTheParser) {
    const char* const files[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                 "/usr/share/fonts/opentype/freefont/FreeSerif.otf",
                                 "/usr/share/fonts/type1/urw-base35/NimbusRoman-Regular.t1",
                                 "/usr/share/fonts/X11/Type1/NimbusRoman-Regular.pfb"};
    for (const char* file : files) {
        const FontList::Entry* entry = FontList::find(file);
        ASSERT_NE(entry, nullptr) << file;
        const uint16_t codes[] = {'o'};
        FontFile font(entry->kind, "", file, codes, 1);
        ASSERT_TRUE(font.parse()) << font.error();
        EXPECT_EQ(font.cubic(), entry->kind != FontKind::kTrueType) << file;
        ASSERT_EQ(font.rawGlyphs().size(), 2u);  // 'M' joins the list
        EXPECT_EQ(font.rawGlyphs()[1].code, 'o');
        EXPECT_EQ(font.rawGlyphs()[1].contourCount(), 2) << file;
        EXPECT_GT(font.unitsPerEm(), 0);
    }
    // A family name finds its regular face, whatever kind of file holds it.
    const FontList::Entry* family = FontList::find("Nimbus Roman");
    ASSERT_NE(family, nullptr);
    const uint16_t codes[] = {'o'};
    FontFile font(family->kind, "", family->file.c_str(), codes, 1);
    EXPECT_TRUE(font.parse()) << family->file << ": " << font.error();
    EXPECT_TRUE(FontFile::isType1File("/fonts/Times.PFB") && FontFile::isType1File("/fonts/Times.t1"));
}

std::string describe(const std::vector<EmContour>& rings) {
    std::string s;
    for (const EmContour& ring : rings) {
        for (const veltrane::EmPoint& p : ring)
            s += std::to_string(int(p.x)) + "," + std::to_string(int(p.y)) + (p.on ? " " : "* ");
        s += "| ";
    }
    return s;
}

TEST(RawGlyph, EmContoursStartOnTheCurveAndGainImpliedPoints) {
    GlyphOutline outline;
    // A quadratic contour that starts on a control point and has two in a row, a contour of one point, and one of
    // control points only.
    outline.points = {{0, 0, 0}, {10, 0, 1}, {20, 10, 0}, {20, 30, 0}, {0, 20, 1},
                      {5, 5, 1},
                      {0, -4, 0}, {4, 0, 0}, {0, 4, 0}, {-4, 0, 0}};
    outline.ends = {5, 6, 10};
    RawGlyph raw;
    raw.setContours(outline);
    ASSERT_EQ(raw.contourCount(), 3);
    std::vector<EmContour> rings;
    raw.emContours(2.0, false, rings);
    EXPECT_EQ(describe(rings),
              "20,0 40,20* 40,40 40,60* 0,40 0,0* 20,0 | "
              "4,-4 8,0* 4,4 0,8* -4,4 -8,0* -4,-4 0,-8* 4,-4 | ");
    // Read as cubic, control points stand as they are and the ring of control points alone has nowhere to start.
    raw.emContours(1.0, true, rings);
    EXPECT_EQ(describe(rings), "10,0 20,10* 20,30* 0,20 0,0* 10,0 | ");
}

// The seed corpora and every input that once crashed a font fuzzer.
TEST(FontFuzzRegression, EveryCorpusReplays) {
    EXPECT_GT(test::replayFuzzInputs("truetype", fuzz::parseTrueTypeFont), 0);
    EXPECT_GT(test::replayFuzzInputs("cff", fuzz::parseCffTable), 0);
    EXPECT_GT(test::replayFuzzInputs("type1", fuzz::parseType1Font), 0);
}

}  // namespace
}  // namespace fw
