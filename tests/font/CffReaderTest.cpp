#include "font/CffReader.h"

#include "SyntheticFont.h"

namespace fw {
namespace {

using namespace test::cff;
using test::Bytes;
using veltrane::CffReader;
using veltrane::GlyphOutline;

// A point as "x,y" for on-curve and "x,y*" for control points; contours end with "|".
std::string describe(const GlyphOutline& o) {
    std::string s;
    for (int c = 0; c < o.contourCount(); ++c) {
        for (uint32_t i = o.contourStart(c); i < o.ends[c]; ++i) {
            const veltrane::GlyphPoint& p = o.points[i];
            s += std::to_string(p.x) + "," + std::to_string(p.y) + (p.onCurve ? " " : "* ");
        }
        s += "| ";
    }
    return s;
}

struct Outlines {
    std::vector<Bytes> glyphs, global, local;
    std::vector<int> sids;
    std::string of(int glyph) {
        Bytes table = test::cff::table(glyphs, global, local, sids);
        CffReader reader;
        std::string error;
        EXPECT_TRUE(reader.open(reinterpret_cast<const uint8_t*>(table.data()), table.size(), error)) << error;
        GlyphOutline out;
        return reader.outline(glyph, out) ? describe(out) : "invalid";
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
