#include "font/TrueTypeFontParser.h"

#include <tuple>

#include "GeometryText.h"
#include "SyntheticFont.h"
#include "TempDir.h"
#include "font/CffReader.h"

namespace fw {
namespace {

using namespace test::cff;
using test::Bytes;
using test::SyntheticFont;
using Font = veltrane::FontFile;
using veltrane::CffReader;
using veltrane::RawGlyph;

const test::TestContour kSquare = {{0, 0, true}, {100, 0, true}, {100, 100, true}, {0, 100, true}};
const test::TestContour kTriangle = {{0, 0, true}, {10, 0, true}, {5, 10, true}};

// Glyph 0 empty, 1 a square, 2 a composite of the square.
SyntheticFont smallFont() {
    SyntheticFont f;
    f.addGlyph("", 500);
    f.addGlyph(test::simpleGlyph({kSquare}), 600, 0);
    f.addGlyph(test::compositeGlyph({{1, 5, 0, true}}), 700, 5);
    f.cmap = {{'A', 1}, {'B', 2}};
    return f;
}

// What parsing font bytes for some codes gave: the records (looked up by code), whether it succeeded and why not.
struct Parsed {
    std::vector<RawGlyph> records;
    bool ok;
    std::string error;
    const RawGlyph& operator[](int code) const {
        for (const RawGlyph& g : records)
            if (g.code == code) return g;
        static RawGlyph none;
        ADD_FAILURE() << "no record for code " << code;
        return none;
    }
};

Parsed parseBytes(const Bytes& bytes, std::vector<uint16_t> codes, const char* name = "Synthetic", int debug = 0) {
    Font font(Font::kTrueType, name, "synthetic.ttf", codes.data(), static_cast<int>(codes.size()));
    veltrane::TrueTypeFontParser parser(font);
    bool ok = parser.parseBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), debug);
    return {font.rawGlyphs(), ok, font.error()};
}

std::string pointsOf(const RawGlyph& g) { return test::describe(g.points, g.contourEnds, false); }

std::string transcript(const Bytes& bytes, std::vector<uint16_t> codes, bool debug) {
    test::TempDir dir;
    std::FILE* console = std::fopen(dir.file("console").c_str(), "w");
    Font::setConsole(console);
    EXPECT_TRUE(parseBytes(bytes, codes, "Synthetic", debug ? 1 : 0).ok);
    Font::setConsole(nullptr);
    std::fclose(console);
    return test::readFile(dir.file("console"));
}

TEST(TrueTypeFontParser, RecordsCarryCodeGlyphMetricsAndClosedContoursAndGoToTheConsoleOnly) {
    const Bytes bytes = smallFont().build();
    Parsed records = parseBytes(bytes, {'B', 'A', 'Z'});
    std::vector<int> codes;
    for (const RawGlyph& g : records.records) codes.push_back(g.code);
    EXPECT_EQ(codes, (std::vector<int>{'A', 'B', 'M', 'Z'}));  // in code order, with M
    const RawGlyph &a = records['A'], &b = records['B'], &z = records['Z'];
    EXPECT_EQ(std::tuple(a.glyph, a.advance, a.lsb), std::tuple(1, 600, 0));
    EXPECT_EQ(pointsOf(a), "0,0 100,0 100,100 0,100 0,0 | ");
    EXPECT_EQ(std::tuple(b.glyph, b.advance, b.lsb), std::tuple(2, 700, 5));
    EXPECT_EQ(pointsOf(b), "5,0 105,0 105,100 5,100 5,0 | ");
    // Unmapped: glyph 0, empty.
    EXPECT_EQ(std::tuple(z.glyph, z.advance, z.contourCount()), std::tuple(0, 500, 0));
    EXPECT_EQ(Font::console(), nullptr);  // nowhere unless asked
    EXPECT_EQ(transcript(bytes, {' ', 'A', 'B'}, false),
              "sfnt version: 00010000\nBuilding font table directory:\n  cmap @ 140, len: 52\n  glyf @ 192, len: 56\n"
              "  head @ 248, len: 54\n  hhea @ 304, len: 36\n  hmtx @ 340, len: 12\n  loca @ 352, len: 16\n"
              "  maxp @ 368, len: 6\n  name @ 376, len: 57\nParsing 'name' table:\n  Synthetic\n  Synthetic\n"
              "Parsing 'maxp' table:\n  num glyphs: 3\nParsing 'cmap' table:\n"
              "  format 4: Microsoft Standard Character Map\nParsing 'head' table:\n  units per em: 1000\n"
              "  x min: 0\n  y min: 0\n  x max: 0\n  y max: 0\n  location table format: 1\nParsing 'hhea' table:\n"
              "  ascender:  0\n  descender: 0\n  line gap:  0\n  advance width max: 0\n  min left sidebearing:  0\n"
              "  min right sidebearing: 0\n  max x extent: 0\n  num horizontal metrics: 3\nParsing 'loca' table:\n"
              "  num location table entries: 4 (should equal: 3 + 1)\nParsing 'hmtx' table:\n"
              "    0: width:   500, lsb:     0\n    1: width:   600, lsb:     0\n    2: width:   700, lsb:     5\n"
              "    0: width:   500, lsb:     0\nParsing 'glyf' table:\n    0 empty glyph (A)\n"
              "    1 simple glyph (1 curves, 4 points)\n    2 composite glyph\n      subglyph:   1\n"
              "    0 empty glyph (A)\n");
    test::expectContains(transcript(bytes, {'A'}, true), {"  1 simple glyph (1 curves, 4 points)\n"
                                                          "    { [0 0] ( )[100 0] ( )[100 100] ( )[0 100] ( )}\n"});
}

TEST(TrueTypeFontParser, CompositesMatchPointsScaleAndNest) {
    SyntheticFont f;
    f.addGlyph("", 500);
    f.addGlyph(test::simpleGlyph({kSquare}), 500);                                    // 1
    f.addGlyph(test::simpleGlyph({kTriangle}), 500);                                  // 2
    f.addGlyph(test::compositeGlyph({{1, 0, 0, true}, {2, 2, 1, false}}), 500);       // 3: matched
    f.addGlyph(test::simpleGlyph({{{3, 5, true}, {-3, -5, true}, {1, 1, true}}}), 9);  // 4
    f.addGlyph(test::compositeGlyph({{4, 10, 20, true, 0.5}}), 500);                 // 5: scaled
    f.addGlyph(test::compositeGlyph({{3, 1000, 0, true}}), 500);                     // 6: nested
    f.addGlyph(test::compositeGlyph({{7, 0, 0, true}, {1, 0, 0, true}}), 500);       // 7: itself
    f.addGlyph(test::compositeGlyph({{9, 0, 0, true}, {1, 0, 0, true}}), 500);       // 8 <-> 9
    f.addGlyph(test::compositeGlyph({{8, 0, 0, true}, {2, 0, 0, true}}), 500);       // 9
    f.addGlyph(test::compositeGlyph({{500, 0, 0, true}, {2, 1, 1, true}}), 500);     // 10: outside
    f.addGlyph(test::compositeGlyph({{1, 0, 0, true}, {2, 9, 0, false}}), 500);      // 11: bad point
    for (int g = 1; g <= 11; ++g) f.cmap['a' + g] = g;
    Parsed r = parseBytes(f.build(), {'a' + 3, 'a' + 5, 'a' + 6, 'a' + 7, 'a' + 8, 'a' + 10, 'a' + 11});
    // The triangle's point 1 (10, 0) lands on the square's point 2 (100, 100).
    EXPECT_EQ(pointsOf(r['a' + 3]), "0,0 100,0 100,100 0,100 0,0 | 90,100 100,100 95,110 90,100 | ");
    // Half scale, each product rounded half away from zero, then the offset.
    EXPECT_EQ(pointsOf(r['a' + 5]), "12,23 8,17 11,21 12,23 | ");
    EXPECT_EQ(std::pair(r['a' + 6].points[5].x, r['a' + 6].points[5].y), std::pair(1090, 100));
    // Loops are cut where they close; the rest of the glyph stays.
    EXPECT_EQ(pointsOf(r['a' + 7]), "0,0 100,0 100,100 0,100 0,0 | ");
    EXPECT_EQ(r['a' + 8].contourCount(), 2);  // 9's triangle, then the square
    EXPECT_EQ(pointsOf(r['a' + 10]), "1,1 11,1 6,11 1,1 | ");
    EXPECT_EQ(r['a' + 11].contourCount(), 1);  // the unmatched component is left out
}

TEST(TrueTypeFontParser, CollectionMemberChosenByFullName) {
    auto member = [](const char* name, int advance) {
        SyntheticFont f;
        f.fullName = name;
        f.addGlyph("", advance);
        f.addGlyph(test::simpleGlyph({kSquare}), advance);
        f.cmap = {{'A', 1}};
        return f;
    };
    Bytes ttc = SyntheticFont::collection({member("Sans Medium", 500), member("Sans ExtraBold", 700)});
    // The chosen member's advance, or why none was chosen.
    auto chosen = [](const Bytes& file, const char* name) {
        Parsed r = parseBytes(file, {'A'}, name);
        return r.ok ? std::to_string(r['A'].advance) : r.error;
    };
    EXPECT_EQ(chosen(ttc, "Sans ExtraBold"), "700");  // exact, though not the first member
    EXPECT_EQ(chosen(ttc, "Sans Medium"), "500");
    EXPECT_EQ(chosen(ttc, "Sans"), "500");       // "Sans Medium"
    EXPECT_EQ(chosen(ttc, "Sans Bold"), "700");  // "Sans ExtraBold"
    EXPECT_EQ(chosen(ttc, "Sans Light"), "no font named \"Sans Light\" in the collection");
    // 200000 members that are all one font with 30000 full names: the search gives up in good time.
    std::map<std::string, Bytes> tables = member("Sans Medium", 500).tables();
    Bytes& names = tables["name"] = "";
    test::put16s(names, {0, 30000, 6 + 12 * 30000});
    for (int i = 0; i < 30000; ++i) test::put16s(names, {3, 1, 1033, 4, 4, 0});
    names += Bytes{0, 'S', 0, 'x'};
    Bytes many = "ttcf";
    test::put32(many, 0x00010000), test::put32(many, 200000);
    for (int i = 0; i < 200000; ++i) test::put32(many, 12 + 4 * 200000);
    many += SyntheticFont::sfnt(tables, 12 + 4 * 200000);
    EXPECT_EQ(chosen(many, "Serif"), "no font named \"Serif\" in the collection");
    // In the fallbacks every match selects, so the last member of that name wins; an exact name stops at the first.
    Bytes twins = SyntheticFont::collection({member("Sans Medium", 500), member("Sans Medium", 600)});
    EXPECT_EQ(chosen(twins, "Sans"), "600");
    EXPECT_EQ(chosen(twins, "Sans Medium"), "500");
}

TEST(TrueTypeFontParser, DamagedFontsFailWithAReasonOrGiveEmptyGlyphs) {
    std::map<std::string, Bytes> tables = smallFont().tables();
    tables.erase("hmtx");
    Bytes manyTables = smallFont().build();
    manyTables[4] = manyTables[5] = char(0xFF);
    Bytes pastEnd = smallFont().build();
    pastEnd[140 - 16 * 8 + 16 * 1 + 8] = char(0x7F);  // glyf offset far beyond the file
    SyntheticFont noGlyphs;
    SyntheticFont badLoca = smallFont();
    badLoca.glyphs[1] = Bytes(4, '\x7F');  // numberOfContours 32639, then nothing
    // A character map of 2000 segments that each name every code.
    std::map<std::string, Bytes> absurd = smallFont().tables();
    Bytes& cmap = absurd["cmap"] = "";
    test::put16s(cmap, {0, 1, 3, 1, 0, 12, 4, 0, 0, 4000, 0, 0, 0});
    for (int k = 0; k < 2000 * 4 + 1; ++k) test::put16(cmap, k < 2000 ? 0xFFFF : k > 4000 && k <= 6000 ? 1 : 0);
    // What, the bytes, and why the parse fails (null: it succeeds, and the glyph has no contours).
    const std::tuple<const char*, Bytes, const char*> cases[] = {
        {"empty file", "", "the file is too short for a font"},
        {"table count past the end", manyTables, "the table directory runs past the end of the file"},
        {"no hmtx", SyntheticFont::sfnt(tables, 0), "missing 'hmtx' table"},
        {"glyf past the end", pastEnd, "'glyf' table lies past the end of the file"},
        {"no glyphs", noGlyphs.build(), "the font has no glyphs"},
        {"glyph runs out", badLoca.build(), nullptr},
        {"overlapping character map segments", SyntheticFont::sfnt(absurd, 0), nullptr},
    };
    for (const auto& [what, bytes, error] : cases) {
        Parsed r = parseBytes(bytes, {'A'});
        EXPECT_EQ(r.ok ? "contours " + std::to_string(r['A'].contourCount()) : r.error, error ? error : "contours 0")
            << what;
    }
}

TEST(TrueTypeFontParser, TruncatedRealFontNeverReadsPastTheEnd) {
    Bytes dejavu = test::readFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    int failures = 0;
    for (size_t cut = 0; cut < dejavu.size(); cut += dejavu.size() / 97 + 1) {
        Parsed r = parseBytes(dejavu.substr(0, cut), {'A', 'e', 0x1F32});
        failures += !r.ok;
        EXPECT_EQ(r.ok, r.error.empty()) << cut;
    }
    // Only cuts into the tables that are not read (the last ones) leave a usable font.
    EXPECT_GT(failures, 85);
}

struct Outlines {
    std::vector<Bytes> glyphs, global, local;
    std::vector<int> sids;
    std::string of(int glyph) {
        Bytes table = test::cff::table(glyphs, global, local, sids);
        CffReader reader;
        std::string error;
        EXPECT_TRUE(reader.open(reinterpret_cast<const uint8_t*>(table.data()), table.size(), error)) << error;
        veltrane::GlyphOutline out;
        return reader.outline(glyph, out) ? test::describe(out.points, out.ends, false) : "invalid";
    }
};

// The width on the first move, lines and the plainer curves are FreeSerif's, held against FreeType (see below); these
// are the forms it never writes: curves, flex, arithmetic and storage, accented glyphs from standard codes.
TEST(CffReader, CurvesFlexArithmeticAndAccentsFreeSerifDoesNotDrawWith) {
    Outlines o;
    Bytes g = cs({3, 4}, 1210) + cs({14, 2}, 1212) + op(21);                   // add, div: move to 7,7
    g += cs({2, 4}, 1224) + cs({10, 3}, 1211) + op(1214) + op(5);               // mul, sub, neg: 15,0
    g += cs({99, 0}, 1220) + cs({0}, 1221) + cs({-5}, 1209) + op(5);            // put, get, abs: 114,5
    g += cs({1, 2, 3, 4}, 1222) + cs({9}, 5);                                   // ifelse: 115,14
    g += cs({1, 2}, 1228) + op(5);                                              // exch: 117,15
    g += cs({10, 20, 30, 3, 1}, 1230) + op(1218) + op(5);                       // roll, drop: 147,25
    g += cs({4, 4}, 1215) + cs({0}, 1205) + op(5);                              // eq, not: 148,26
    g += cs({16}, 1226) + cs({7, 0}, 1229) + op(1227) + op(5) + op(14);          // sqrt, index, dup
    o.glyphs = {op(14), cs({600, 300, 500, 'A', 194}, 14),
                cs({0, 0}, 21) + cs({100, 0}, 5) + cs({0, 100}, 5) + op(14),
                cs({0, 0}, 21) + cs({10, 0}, 5) + cs({0, 10}, 5) + op(14),
                cs({0, 0, 'A', 200}, 14),  // no glyph is named "dieresis"
                // A final delta for the last curve's end.
                cs({0, 0}, 21) + cs({10, 20, 30, 40}, 30) + cs({10, 20, 30, 40, 50}, 31) + op(14),
                cs({5, 0}, 21) + cs({3, 10, 20, 30, 40}, 27) + cs({4, 10, 20, 30, 40}, 26) + op(14),
                cs({0, 0}, 21) + cs({1, 2, 3, 4, 5, 6, 7, 8}, 24) + cs({1, 1, 2, 2, 3, 4, 5, 6}, 25) + op(14),
                // A curve that ends where the contour began leaves no closing point.
                cs({0, 0}, 21) + cs({0, 50, 50, 50, 50, 0, 0, -50, -50, -50, -50, 0}, 8) + op(14),
                cs({0, 0}, 21) + cs({10, 10, 20, 0, 10, -10, 10, -10, 20, 0, 10, 10, 50}, 1235) +
                    cs({10, 20, 5, 10, 10, 20, 10}, 1234) + cs({10, 5, 10, 5, 10, 10, 10, -5, 10}, 1236) +
                    cs({10, 5, 10, 5, 10, 0, 10, -5, 10, -5, 10}, 1237) + op(14),
                g};
    o.sids = {0, 300, 34, 125, 301};  // glyph 2 is "A", glyph 3 "acute"
    EXPECT_EQ(o.of(1), "0,0 100,0 100,100 | 300,500 310,500 310,510 | ");
    EXPECT_EQ(o.of(4), "invalid");
    EXPECT_EQ(o.of(5), "0,0 0,10* 20,40* 60,40 70,40* 90,70* 140,110 | ");
    // hhcurveto's odd first value is dy1; vvcurveto's is dx1.
    EXPECT_EQ(o.of(6), "5,0 15,3* 35,33* 75,33 79,43* 99,73* 99,113 | ");
    EXPECT_EQ(o.of(7), "0,0 1,2* 4,6* 9,12 16,20 17,21 19,23* 22,27* 27,33 | ");
    EXPECT_EQ(o.of(8), "0,0 0,50* 50,100* 100,100 100,50* 50,0* | ");
    EXPECT_EQ(o.of(9),
              "0,0 10,10* 30,10* 40,0 50,-10* 70,-10* 80,0 "
              "90,0* 110,5* 120,5 130,5* 150,0* 160,0 "
              "170,5* 180,10* 190,10 200,10* 210,5* 220,0 "
              "230,5* 240,10* 250,10 260,5* 270,0* 280,0 | ");
    EXPECT_EQ(o.of(10), "7,7 15,0 114,5 115,14 117,15 147,25 148,26 152,33 159,40 | ");
}

// Hint masks of two and more bytes, a width before the stems and counter masks: FreeSerif's charstrings use them, and
// FreeTypeAgreementTest (text) holds every glyph of it against FreeType, as it does local subroutines of the largest
// bias and the lines, curves and moves that font draws with.
TEST(CffReader, SubroutinesWithBiasAndTheirLimits) {
    Outlines o;
    o.local = {cs({100, 0}, 5) + op(11), cs({-106}, 10) + op(11)};
    o.global = {cs({0, 100}, 5) + op(11)};
    o.glyphs = {op(14), cs({0, 0}, 21) + cs({-107}, 10) + cs({-107}, 29) + op(14),
                cs({0, 0}, 21) + cs({-106}, 10) + op(14),  // a subroutine calling itself
                cs({0, 0}, 21) + cs({5}, 10) + op(14)};    // an index past the end
    EXPECT_EQ(o.of(1), "0,0 100,0 100,100 | ");
    EXPECT_EQ(o.of(2), "invalid");
    EXPECT_EQ(o.of(3), "invalid");
    // Subroutines that each call the next many times: finite, but far too long.
    Outlines busy;
    for (int k = 0; k < 8; ++k) {
        Bytes body;
        for (int n = 0; n < 40; ++n) body += cs({k + 1 - 107}, 10);
        busy.local.push_back(body + op(11));
    }
    busy.local.push_back(cs({1, 0}, 5) + op(11));
    busy.glyphs = {cs({0, 0}, 21) + cs({-107}, 10) + op(14)};
    EXPECT_EQ(busy.of(0), "invalid");
}

TEST(CffReader, DamagedTablesAreRefused) {
    Bytes good = test::cff::table({op(14)}, {}, {});
    CffReader reader;
    std::string error;
    ASSERT_TRUE(reader.open(reinterpret_cast<const uint8_t*>(good.data()), good.size(), error));
    EXPECT_EQ(reader.glyphCount(), 1);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        error.clear();
        EXPECT_FALSE(reader.open(reinterpret_cast<const uint8_t*>(good.data()), cut, error)) << cut;
        EXPECT_FALSE(error.empty());
    }
    const Bytes wrongVersion = char(2) + good.substr(1);
    EXPECT_FALSE(reader.open(reinterpret_cast<const uint8_t*>(wrongVersion.data()), wrongVersion.size(), error));
    EXPECT_EQ(error, "the 'CFF ' table has no usable header");
}

}  // namespace
}  // namespace fw
