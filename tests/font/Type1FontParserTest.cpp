#include "font/Type1FontParser.h"

#include <gtest/gtest.h>

#include "SyntheticType1.h"
#include "TempDir.h"

namespace fw {
namespace {

using namespace test::t1;
using veltrane::FontFile;
using veltrane::RawGlyph;

// A point as "x,y" on the curve and "x,y*" for control points; each contour ends with "|" (the closing repeat of the
// first point left out).
std::string describe(const RawGlyph& g) {
    std::string s;
    for (int c = 0; c < g.contourCount(); ++c) {
        for (uint32_t i = g.contourStart(c); i + 1 < g.contourEnds[c]; ++i) {
            const veltrane::GlyphPoint& p = g.points[i];
            s += std::to_string(p.x) + "," + std::to_string(p.y) + (p.onCurve ? " " : "* ");
        }
        s += "| ";
    }
    return s;
}

// Parses bytes written to a file. The parser's console listing (only a debugging session turns it on) is written, so
// its code runs, but not held to: what the parser read shows in the glyphs and errors it gives.
struct Parsed {
    bool ok = false;
    std::string error;
    std::vector<RawGlyph> records;
    int box[4] = {};

    explicit Parsed(const std::string& bytes, std::vector<uint16_t> codes = {'A', 'B', 'C', 'D'}) {
        test::TempDir dir;
        test::writeFile(dir.file("t.pfb"), bytes);
        std::FILE* console = std::tmpfile();
        FontFile::setConsole(console);
        FontFile font(FontKind::kType1, "", dir.file("t.pfb").c_str(), codes.data(), static_cast<int>(codes.size()));
        ok = font.parse();
        FontFile::setConsole(nullptr);
        error = font.error();
        records = font.rawGlyphs();
        box[0] = font.xMin(), box[1] = font.yMin(), box[2] = font.xMax(), box[3] = font.yMax();
        std::fclose(console);
    }
    const RawGlyph* code(int c) const {
        for (const RawGlyph& r : records)
            if (r.code == c) return &r;
        return nullptr;
    }
    std::string of(int c) const { return code(c) ? describe(*code(c)) : "none"; }
};

const Bytes kSquare = cs({20, 600}, kHsbw) + cs({20, 0}, kRmoveto) + cs({100}, kHlineto) + cs({100}, kVlineto) +
                      cs({-100}, kHlineto) + cs({}, kClosepath) + cs({}, kEndchar);

Font squareFont() {
    Font f;
    f.encoding = "dup 65 /square put\ndup 66 /gone put\n";
    f.glyphs = {{"square", kSquare}, {".notdef", cs({0, 250}, kHsbw) + cs({}, kEndchar)}};
    return f;
}

// Every layout and lenIV, against FreeType, is Type1FreeType.HandMadeFontsMatch's.
TEST(Type1FontParser, TheFontsOwnEncodingNotdefAndSegmentsAreRead) {
    Parsed p(squareFont().build(Layout::kPfb));
    ASSERT_TRUE(p.ok) << p.error;
    // The font's own encoding: 65 by its dup line; 66 names a glyph the font lacks; 67 is .notdef.
    EXPECT_EQ(p.of('A'), "40,0 140,0 140,100 40,100 | ");
    EXPECT_EQ(p.code('A')->lsb, 20);
    EXPECT_EQ(p.code('B')->glyph, 0);
    EXPECT_EQ(p.of('B'), "");
    EXPECT_EQ(p.code('C')->glyph, 0);
    EXPECT_EQ(p.code('C')->advance, 250);  // the font's own .notdef
    // The box from the header, widened by the points.
    EXPECT_EQ(std::vector<int>(p.box, p.box + 4), (std::vector<int>{0, -100, 800, 900}));
}

// Curves, sbw, div and accented characters are held against FreeType in Type1FreeTypeTest.
TEST(Type1FontParser, ClosepathKeepsThePenAndTheFontMatrixMapsPoints) {
    Font f;
    f.glyphs = {{".notdef", cs({0, 0}, kHsbw) + cs({}, kEndchar)},
                {"B", cs({0, 300}, kHsbw) + cs({0, 0}, kRmoveto) + cs({10, 0}, kRlineto) + cs({0, 10}, kRlineto) +
                          cs({}, kClosepath) + cs({5}, kHmoveto) + cs({10}, kVlineto) + cs({5}, kHlineto) +
                          cs({}, kClosepath) + cs({}, kEndchar)}};
    // x doubled, y sheared onto x and moved up a unit: the second contour starts from (15, 10), where the first
    // closed, not from its start.
    f.matrix = "[0.002 0 0.001 0.001 0 0.001]";
    Parsed m(f.build(Layout::kText));
    ASSERT_TRUE(m.ok) << m.error;
    EXPECT_EQ(m.of('B'), "0,1 20,1 30,11 | 40,11 50,21 60,21 | ");
    EXPECT_EQ(m.code('B')->advance, 600);
}

// Flex drawn against FreeType is Type1FreeType.HandMadeFontsMatch's; a flex short of its points is not drawn.
TEST(Type1FontParser, AFlexShortOfItsPointsDrawsNothing) {
    Font f;
    f.standardSubrs();
    Bytes shortFlex = cs({1}, kCallsubr);
    for (int i = 0; i < 5; ++i) shortFlex += cs({10, 0}, kRmoveto) + cs({2}, kCallsubr);
    shortFlex += cs({50, 50, 0, 0}, kCallsubr);
    f.glyphs = {{".notdef", cs({0, 0}, kHsbw) + cs({}, kEndchar)},
                {"B", cs({0, 500}, kHsbw) + cs({0, 0}, kRmoveto) + shortFlex + cs({0, -50}, kRlineto) + cs({}, kClosepath) +
                          cs({}, kEndchar)}};
    Parsed p(f.build(Layout::kText));
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.of('B'), "0,0 50,-50 | ");
}

TEST(Type1FontParser, DamagedCharstringsAreSteppedOver) {
    Font f;
    f.subrs = {cs({0}, kCallsubr) + cs({}, kReturn)};  // calls itself for ever
    const Bytes start = cs({0, 500}, kHsbw) + cs({0, 0}, kRmoveto);
    Bytes runaway;
    for (int i = 0; i < 30; ++i) runaway += cs({i});
    f.glyphs = {{".notdef", cs({0, 0}, kHsbw) + cs({}, kEndchar)},
                {"A", start + cs({7}, kCallsubr) + cs({0}, kCallsubr) + Bytes(1, 2) + cs({10, 0}, kRlineto) +
                          cs({}, kEndchar)},
                // Thirty numbers overflow the stack, which starts again from the 25th; an othersubr it does not know
                // hands its arguments back, the last first.
                {"B", start + runaway + cs({5, 6}, kRlineto) + cs({1, 2, 2, 99}, kCallothersubr) + cs({}, kPop) +
                          cs({}, kPop) + cs({}, kRlineto) + cs({}, kEndchar)},
                {"C", start + cs({1, 1}, kRlineto) + cs({5}, kRlineto) + cs({0, 4}, kRlineto)},  // no endchar
                {"D", cs({0, 2000000000}, kHsbw) + cs({2000000000, 0}, kRmoveto) + cs({2000000000, 0}, kRlineto) +
                          cs({0, 5}, kRlineto) + cs({}, kEndchar)}};
    Parsed p(f.build(Layout::kText));
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.of('A'), "0,0 10,0 | ");
    EXPECT_EQ(p.of('B'), "0,0 24,25 26,26 | ");
    EXPECT_EQ(p.of('C'), "0,0 1,1 1,5 | ");
    EXPECT_EQ(p.code('D')->contourCount(), 1);
}

TEST(Type1FontParser, UnreadableFilesSayWhy) {
    FontFile none(FontKind::kType1, "", "/nonexistent/font.pfb");
    EXPECT_FALSE(none.parse());
    EXPECT_EQ(none.error(), "Unable to open file for reading.");
    const Bytes good = squareFont().build(Layout::kText);
    Parsed notPostScript("<?xml version=\"1.0\"?>");
    EXPECT_FALSE(notPostScript.ok);
    EXPECT_EQ(notPostScript.error, "Invalid Type 1 font (2).");
    EXPECT_EQ(Parsed("%PDF-1.4\n").error, "Invalid Type 1 font (3).");
    Parsed noEexec(good.substr(0, good.find("currentfile")));
    EXPECT_EQ(noEexec.error, "Unable to locate font outline data.");
    EXPECT_TRUE(noEexec.records.empty());
    // Segments: a bad marker, a length past the end.
    Bytes pfb = squareFont().build(Layout::kPfb);
    EXPECT_EQ(Parsed(pfb.substr(0, 100)).error, "Invalid Type 1 font (1).");
    Bytes badMarker = pfb;
    badMarker[6 + static_cast<uint8_t>(pfb[2]) + (static_cast<uint8_t>(pfb[3]) << 8)] = 'x';
    EXPECT_EQ(Parsed(badMarker).error, "Invalid Type 1 font (1).");
    // Encrypted bytes that decrypt to nothing usable.
    Bytes scrambled = good;
    for (size_t i = good.find("eexec") + 10; i < good.size() - 600; ++i) scrambled[i] = static_cast<char>(i * 7);
    EXPECT_EQ(Parsed(scrambled).error, "Unable to locate font outline data.");
}

}  // namespace
}  // namespace fw
