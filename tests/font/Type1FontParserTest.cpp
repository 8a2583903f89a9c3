#include "font/Type1FontParser.h"

#include <cstdlib>
#include <fstream>

#include "GeometryText.h"
#include "SyntheticType1.h"
#include "TempDir.h"
#include "font/GlyphDump.h"

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

// Parses bytes written to a file, with the listing caught.
struct Parsed {
    bool ok = false;
    std::string error, listing;
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
        std::rewind(console);
        for (int c; (c = std::fgetc(console)) != EOF;) listing += static_cast<char>(c);
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

TEST(Type1FontParser, TheThreeLayoutsAndEveryLenIVGiveTheSameGlyphs) {
    for (int lenIV : {4, 0, 7, -1}) {
        Font f = squareFont();
        f.lenIV = lenIV;
        for (Layout layout : {Layout::kText, Layout::kPfa, Layout::kPfb}) {
            SCOPED_TRACE("lenIV " + std::to_string(lenIV) + ", layout " + std::to_string(int(layout)));
            Parsed p(f.build(layout));
            ASSERT_TRUE(p.ok) << p.error;
            // The font's own encoding: 65 by its dup line; 66 names a glyph the font lacks; 67 is .notdef, whose
            // advance is the font's own.
            EXPECT_EQ(p.of('A') + "/" + p.of('B'), "40,0 140,0 140,100 40,100 | /");
            const RawGlyph &a = *p.code('A'), &b = *p.code('B'), &c = *p.code('C');
            EXPECT_EQ(std::tuple(a.advance, a.lsb, b.glyph, c.glyph, c.advance), std::tuple(600, 20, 0, 0, 250));
            // The box from the header, widened by the points.
            EXPECT_EQ(std::vector<int>(p.box, p.box + 4), (std::vector<int>{0, -100, 800, 900}));
        }
    }
    Parsed p(squareFont().build(Layout::kPfb));
    test::expectContains(p.listing, {"--------\n  TYPE 1 SEGMENT HEADER: PC Format: ASCII, length: ",
                                     "  TYPE 1 SEGMENT HEADER: PC Format: Binary, length: ",
                                     "  TYPE 1 SEGMENT HEADER: PC Format: End-of-file, length: 0\n---",
                                     "## Unable to find 'gone' in the encoding vector. ## "});
}

// One font, a glyph for each rule. Curves, sbw, div and accented characters are held against FreeType in
// Type1FreeTypeTest.
TEST(Type1FontParser, ClosepathFlexTheFontMatrixAndDamagedCharstrings) {
    Font f;
    f.standardSubrs();
    f.subrs.push_back(cs({4}, kCallsubr) + cs({}, kReturn));  // calls itself for ever
    const Bytes start = cs({0, 500}, kHsbw) + cs({0, 0}, kRmoveto);
    // The reference point and six more, each move followed by othersubr 2, then the end at (100, 0).
    Bytes flex = cs({1}, kCallsubr) + cs({50, 5}, kRmoveto) + cs({2}, kCallsubr);
    for (auto [dx, dy] : {std::pair{-40, 0}, {10, 0}, {30, 0}, {20, 0}, {20, 0}, {10, -5}})
        flex += cs({dx, dy}, kRmoveto) + cs({2}, kCallsubr);
    flex += cs({50, 100, 0, 0}, kCallsubr);
    const Bytes finish = cs({0, -50}, kRlineto) + cs({}, kClosepath) + cs({}, kEndchar);
    // Only five points collected: listed, and nothing drawn for it.
    Bytes shortFlex = cs({1}, kCallsubr);
    for (int i = 0; i < 5; ++i) shortFlex += cs({10, 0}, kRmoveto) + cs({2}, kCallsubr);
    shortFlex += cs({50, 50, 0, 0}, kCallsubr);
    Bytes runaway;
    for (int i = 0; i < 30; ++i) runaway += cs({i});
    f.glyphs = {{".notdef", cs({0, 0}, kHsbw) + cs({}, kEndchar)},
                {"A", start + flex + finish},
                {"B", start + shortFlex + finish},
                {"C", cs({0, 300}, kHsbw) + cs({0, 0}, kRmoveto) + cs({10, 0}, kRlineto) + cs({0, 10}, kRlineto) +
                          cs({}, kClosepath) + cs({5}, kHmoveto) + cs({10}, kVlineto) + cs({5}, kHlineto) +
                          cs({}, kClosepath) + cs({}, kEndchar)},
                {"D", start + cs({7}, kCallsubr) + cs({4}, kCallsubr) + Bytes(1, 2) + cs({10, 0}, kRlineto) +
                          cs({}, kEndchar)},
                // Thirty numbers overflow the stack, which starts again from the 25th; an othersubr it does not know
                // hands its arguments back, the last first.
                {"E", start + runaway + cs({5, 6}, kRlineto) + cs({1, 2, 2, 99}, kCallothersubr) + cs({}, kPop) +
                          cs({}, kPop) + cs({}, kRlineto) + cs({}, kEndchar)},
                {"F", start + cs({1, 1}, kRlineto) + cs({5}, kRlineto) + cs({0, 4}, kRlineto)},  // no endchar
                {"G", cs({0, 2000000000}, kHsbw) + cs({2000000000, 0}, kRmoveto) + cs({2000000000, 0}, kRlineto) +
                          cs({0, 5}, kRlineto) + cs({}, kEndchar)}};
    Parsed p(f.build(Layout::kText), {'A', 'B', 'C', 'D', 'E', 'F', 'G'});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.of('A'), "0,0 10,5* 20,5* 50,5 70,5* 90,5* 100,0 100,-50 | ");
    EXPECT_NE(p.listing.find(" FLEX[]FLEX"), std::string::npos) << p.listing;
    EXPECT_EQ(p.of('B'), "0,0 50,-50 | ");
    EXPECT_NE(p.listing.find(" FLEX[ >> ERROR: expecting 17 flex points, found: 13 <<]FLEX"), std::string::npos);
    // Closepath keeps the pen where it was.
    EXPECT_EQ(p.of('C'), "0,0 10,0 10,10 | 15,10 15,20 20,20 | ");
    EXPECT_EQ(p.of('D'), "0,0 10,0 | ");
    test::expectContains(p.listing, {" >> ERROR: can't find subr: 7 <<", " UNKNOWN_CMD(2,0)"});
    EXPECT_EQ(p.of('E'), "0,0 24,25 26,26 | ");
    EXPECT_EQ(p.of('F'), "0,0 1,1 1,5 | ");
    EXPECT_EQ(p.code('G')->contourCount(), 1);
    // x doubled, y sheared onto x and moved up a unit.
    f.matrix = "[0.002 0 0.001 0.001 0 0.001]";
    Parsed m(f.build(Layout::kText), {'C'});
    EXPECT_EQ(m.of('C'), "0,1 20,1 30,11 | 40,11 50,21 60,21 | ");
    EXPECT_EQ(m.code('C')->advance, 600);
}

TEST(Type1FontParser, UnreadableFilesSayWhy) {
    EXPECT_EQ(Parsed("").error, "Invalid Type 1 font (2).");
    FontFile none(FontKind::kType1, "", "/nonexistent/font.pfb");
    EXPECT_FALSE(none.parse());
    EXPECT_EQ(none.error(), "Unable to open file for reading.");
    const Bytes good = squareFont().build(Layout::kText);
    Parsed notPostScript("<?xml version=\"1.0\"?>");
    EXPECT_FALSE(notPostScript.ok);
    EXPECT_EQ(notPostScript.error, "Invalid Type 1 font (2).");
    EXPECT_EQ(notPostScript.listing, "Unexpected first byte: '<' (0x3c).\n");
    EXPECT_EQ(Parsed("%PDF-1.4\n").error, "Invalid Type 1 font (3).");
    Parsed noEexec(good.substr(0, good.find("currentfile")));
    EXPECT_EQ(noEexec.error, "Unable to locate font outline data.");
    EXPECT_EQ(noEexec.listing, "Unable to locate \"eexec\" section.\n");
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

TEST(Type1FontParser, RealFontsReadAlikeInEveryLayout) {
    test::TempDir dir;
    const std::string pfb = "/usr/share/fonts/X11/Type1/NimbusSans-Regular.pfb";
    ASSERT_EQ(std::system(("t1ascii " + pfb + " > " + dir.file("s.pfa")).c_str()), 0);
    std::string listings[3];
    const std::string paths[3] = {pfb, dir.file("s.pfa"), "/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.t1"};
    for (int i = 0; i < 3; ++i) {
        std::FILE* out = std::fopen(dir.file("out").c_str(), "w");
        std::string error;
        EXPECT_TRUE(veltrane::writeGlyphRecords(paths[i].c_str(), nullptr, out, error)) << error;
        std::fclose(out);
        listings[i] = test::readFile(dir.file("out"));
        EXPECT_EQ(listings[i], listings[0]) << paths[i];
    }
    // Below 160, one line for each character the font's metrics file encodes, with its
    // width; from 160 up the codes are Latin-1's, so é (233) is the metrics' eacute.
    std::ifstream afm("/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.afm");
    std::string expected;
    int eacute = -1;
    for (std::string line; std::getline(afm, line);) {
        int code, width;
        char name[64];
        if (std::sscanf(line.c_str(), "C %d ; WX %d ; N %63s", &code, &width, name) != 3) continue;
        if (code >= 0 && code < 160)
            expected += "{\"code\":" + std::to_string(code) + ",\"advance\":" + std::to_string(width) + "\n";
        if (std::string(name) == "eacute") eacute = width;
    }
    expected += "{\"code\":233,\"advance\":" + std::to_string(eacute) + "\n";
    std::string got;
    for (size_t at = 0; at < listings[0].size(); at = listings[0].find('\n', at) + 1) {
        std::string line = listings[0].substr(at, listings[0].find(",\"lsb\"", at) - at);
        line = line.substr(0, line.find(",\"glyph\"")) + line.substr(line.find(",\"advance\""));
        if (std::atoi(line.c_str() + 8) < 160 || line.starts_with("{\"code\":233,")) got += line + "\n";
    }
    EXPECT_EQ(got, expected);
    EXPECT_GT(expected.size(), 2000u);
}

}  // namespace
}  // namespace fw
