#include "font/Type1FontParser.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <glm/geometric.hpp>
#include <initializer_list>
#include <utility>

#include "GeometryText.h"
#include "GlyphOutline.h"
#include "SyntheticFont.h"
#include "TempDir.h"
#include "font/FontFile.h"
#include "font/GlyphDump.h"

namespace fw {
namespace {

// Builds small Type 1 fonts for the cases the installed ones do not show: hand-written charstrings, other lenIV
// values, a font's own encoding, flex, damage. Encrypted as the format says, in the three layouts.
using Bytes = std::string;

// Charstring numbers in their shortest encoding, then an operator (escaped ones as 1200 + second byte).
Bytes cs(std::initializer_list<int> numbers, int op = -1) {
    Bytes b;
    for (int v : numbers) {
        if (v >= -107 && v <= 107) {
            b += static_cast<char>(v + 139);
        } else if (v >= 108 && v <= 1131) {
            b += static_cast<char>((v - 108) / 256 + 247), b += static_cast<char>((v - 108) % 256);
        } else if (v <= -108 && v >= -1131) {
            b += static_cast<char>((-v - 108) / 256 + 251), b += static_cast<char>((-v - 108) % 256);
        } else {
            b += static_cast<char>(255);
            for (int shift = 24; shift >= 0; shift -= 8)
                b += static_cast<char>((static_cast<uint32_t>(v) >> shift) & 0xFF);
        }
    }
    if (op >= 1200) b += static_cast<char>(12), b += static_cast<char>(op - 1200);
    else if (op >= 0) b += static_cast<char>(op);
    return b;
}

enum Op {
    kRlineto = 5, kHlineto = 6, kVlineto = 7, kClosepath = 9, kCallsubr = 10, kReturn = 11, kHsbw = 13, kEndchar = 14,
    kRmoveto = 21, kHmoveto = 22, kVhcurveto = 30, kHvcurveto = 31, kSeac = 1206, kSbw = 1207, kDiv = 1212,
    kCallothersubr = 1216, kPop = 1217, kSetcurrentpoint = 1233,
};

// Encrypts with the format's cipher, `seed` bytes of zeros first.
Bytes encrypt(const Bytes& plain, uint16_t key, int seed) {
    Bytes out;
    uint16_t r = key;
    auto put = [&](uint8_t p) {
        uint8_t c = static_cast<uint8_t>(p ^ (r >> 8));
        r = static_cast<uint16_t>((c + r) * 52845 + 22719);
        out += static_cast<char>(c);
    };
    for (int i = 0; i < seed; ++i) put(0);
    for (char p : plain) put(static_cast<uint8_t>(p));
    return out;
}

enum class Layout { kText, kPfa, kPfb };

struct Type1Font {
    int lenIV = 4;
    std::string encoding = "StandardEncoding";  // or the "dup CODE /name put" lines of an encoding of its own
    std::string matrix = "[0.001 0 0 0.001 0 0]";
    std::vector<Bytes> subrs;
    std::vector<std::pair<std::string, Bytes>> glyphs;
    // The four subroutines fonts carry for flex and hint replacement.
    void standardSubrs() {
        subrs = {cs({3, 0}, kCallothersubr) + cs({}, kPop) + cs({}, kPop) + cs({}, kSetcurrentpoint) +
                     cs({}, kReturn),
                 cs({0, 1}, kCallothersubr) + cs({}, kReturn), cs({0, 2}, kCallothersubr) + cs({}, kReturn),
                 cs({}, kReturn)};
    }
    Bytes charstring(const Bytes& plain) const { return lenIV < 0 ? plain : encrypt(plain, 4330, lenIV); }
    Bytes build(Layout layout) const {
        Bytes header = "%!PS-AdobeFont-1.0: Test-Regular 001.000\n10 dict begin\n/FontName /Test-Regular def\n"
                       "/FontMatrix " + matrix + " readonly def\n/FontBBox {0 -100 800 900} readonly def\n";
        if (encoding.find("dup") == std::string::npos)
            header += "/Encoding " + encoding + " def\n";
        else
            header += "/Encoding 256 array\n0 1 255 {1 index exch /.notdef put} for\n" + encoding + "readonly def\n";
        header += "currentdict end\ncurrentfile eexec\n";
        Bytes priv = "dup /Private 8 dict dup begin\n/RD{string currentfile exch readstring pop}executeonly def\n"
                     "/ND{noaccess def}executeonly def\n/NP{noaccess put}executeonly def\n";
        if (lenIV != 4) priv += "/lenIV " + std::to_string(lenIV) + " def\n";
        priv += "/Subrs " + std::to_string(subrs.size()) + " array\n";
        for (size_t i = 0; i < subrs.size(); ++i) {
            Bytes s = charstring(subrs[i]);
            // Both spellings of the entry's words occur in fonts.
            priv += "dup " + std::to_string(i) + " " + std::to_string(s.size()) + (i % 2 ? " -| " : " RD ") + s +
                    (i % 2 ? " |\n" : " NP\n");
        }
        priv += "ND\n2 index /CharStrings " + std::to_string(glyphs.size()) + " dict dup begin\n";
        for (const auto& [name, plain] : glyphs) {
            Bytes s = charstring(plain);
            priv += "/" + name + " " + std::to_string(s.size()) + " RD " + s + " ND\n";
        }
        priv += "end\nend\nreadonly put\nnoaccess put\ndup/FontName get exch definefont pop\n"
                "mark currentfile closefile\n";
        Bytes cipher = encrypt(priv, 55665, 4);
        Bytes trailer;
        for (int i = 0; i < 8; ++i) trailer += std::string(64, '0') + "\n";
        trailer += "cleartomark\n";
        if (layout == Layout::kText) return header + cipher + trailer;
        if (layout == Layout::kPfa) {
            Bytes hex;
            const char* digits = "0123456789abcdef";
            for (size_t i = 0; i < cipher.size(); ++i) {
                hex += digits[static_cast<uint8_t>(cipher[i]) >> 4], hex += digits[cipher[i] & 15];
                if (i % 32 == 31) hex += '\n';
            }
            return header + hex + "\n" + trailer;
        }
        auto segment = [](int type, const Bytes& body) {
            Bytes b = {static_cast<char>(0x80), static_cast<char>(type)};
            for (int shift = 0; shift < 32; shift += 8) b += static_cast<char>((body.size() >> shift) & 0xFF);
            return b + body;
        };
        return segment(1, header) + segment(2, cipher) + segment(1, trailer) + Bytes{static_cast<char>(0x80), 3};
    }
};

using veltrane::FontFile;
using veltrane::RawGlyph;

// Parses bytes written to a file, with the listing caught.
struct Type1Parsed {
    bool ok = false;
    std::string error, listing;
    std::vector<RawGlyph> records;
    int box[4] = {};
    explicit Type1Parsed(const std::string& bytes, std::vector<uint16_t> codes = {'A', 'B', 'C', 'D'}) {
        test::TempDir dir;
        test::writeFile(dir.file("t.pfb"), bytes);
        std::FILE* console = std::fopen(dir.file("console").c_str(), "w");
        FontFile::setConsole(console);
        FontFile font(FontKind::kType1, "", dir.file("t.pfb").c_str(), codes.data(), static_cast<int>(codes.size()));
        ok = font.parse();
        FontFile::setConsole(nullptr);
        std::fclose(console);
        listing = test::readFile(dir.file("console"));
        error = font.error();
        records = font.rawGlyphs();
        box[0] = font.xMin(), box[1] = font.yMin(), box[2] = font.xMax(), box[3] = font.yMax();
    }
    const RawGlyph* code(int c) const {
        for (const RawGlyph& r : records)
            if (r.code == c) return &r;
        return nullptr;
    }
    std::string of(int c) const {
        return code(c) ? test::describe(code(c)->points, code(c)->contourEnds, true) : "none";
    }
};

const Bytes kType1Square = cs({20, 600}, kHsbw) + cs({20, 0}, kRmoveto) + cs({100}, kHlineto) + cs({100}, kVlineto) +
                           cs({-100}, kHlineto) + cs({}, kClosepath) + cs({}, kEndchar);

// Flex: the reference point and six more, each move followed by othersubr 2, then othersubr 0 with depth and end.
Bytes flex(int depth, int x, int y) {
    Bytes b = cs({1}, kCallsubr) + cs({50, 5}, kRmoveto) + cs({2}, kCallsubr);
    for (auto [dx, dy] : {std::pair{-40, 0}, {10, 0}, {30, 0}, {20, 0}, {20, 0}, {10, -5}})
        b += cs({dx, dy}, kRmoveto) + cs({2}, kCallsubr);
    return b + cs({depth, x, y, 0}, kCallsubr);
}

Type1Font squareFont() {
    Type1Font f;
    f.encoding = "dup 65 /square put\ndup 66 /gone put\n";
    f.glyphs = {{"square", kType1Square}, {".notdef", cs({0, 250}, kHsbw) + cs({}, kEndchar)}};
    return f;
}

TEST(Type1FontParser, EveryLayoutAndLenIVGiveTheSameGlyphsAndUnreadableFilesSayWhy) {
    for (int lenIV : {4, 0, 7, -1}) {
        Type1Font f = squareFont();
        f.lenIV = lenIV;
        for (Layout layout : {Layout::kText, Layout::kPfa, Layout::kPfb}) {
            SCOPED_TRACE("lenIV " + std::to_string(lenIV) + ", layout " + std::to_string(int(layout)));
            Type1Parsed p(f.build(layout));
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
    const Bytes pfb = squareFont().build(Layout::kPfb), good = squareFont().build(Layout::kText);
    test::expectContains(Type1Parsed(pfb).listing, {"--------\n  TYPE 1 SEGMENT HEADER: PC Format: ASCII, length: ",
                                                    "  TYPE 1 SEGMENT HEADER: PC Format: Binary, length: ",
                                                    "  TYPE 1 SEGMENT HEADER: PC Format: End-of-file, length: 0\n---",
                                                    "## Unable to find 'gone' in the encoding vector. ## "});
    // Files it cannot read say why.
    EXPECT_EQ(Type1Parsed("").error, "Invalid Type 1 font (2).");
    FontFile none(FontKind::kType1, "", "/nonexistent/font.pfb");
    EXPECT_FALSE(none.parse());
    EXPECT_EQ(none.error(), "Unable to open file for reading.");
    Type1Parsed xml("<?xml version=\"1.0\"?>");
    EXPECT_EQ(std::tuple(xml.ok, xml.error, xml.listing),
              std::tuple(false, "Invalid Type 1 font (2).", "Unexpected first byte: '<' (0x3c).\n"));
    EXPECT_EQ(Type1Parsed("%PDF-1.4\n").error, "Invalid Type 1 font (3).");
    Type1Parsed noEexec(good.substr(0, good.find("currentfile")));
    EXPECT_EQ(std::tuple(noEexec.error, noEexec.listing, noEexec.records.size()),
              std::tuple("Unable to locate font outline data.", "Unable to locate \"eexec\" section.\n", 0u));
    // Segments: a bad marker, a length past the end.
    EXPECT_EQ(Type1Parsed(pfb.substr(0, 100)).error, "Invalid Type 1 font (1).");
    Bytes badMarker = pfb;
    badMarker[6 + static_cast<uint8_t>(pfb[2]) + (static_cast<uint8_t>(pfb[3]) << 8)] = 'x';
    EXPECT_EQ(Type1Parsed(badMarker).error, "Invalid Type 1 font (1).");
    // Encrypted bytes that decrypt to nothing usable.
    Bytes scrambled = good;
    for (size_t i = good.find("eexec") + 10; i < good.size() - 600; ++i) scrambled[i] = static_cast<char>(i * 7);
    EXPECT_EQ(Type1Parsed(scrambled).error, "Unable to locate font outline data.");
}

// One font, a glyph for each rule. Curves, sbw, div and accented characters are held against FreeType below.
TEST(Type1FontParser, ClosepathFlexTheFontMatrixAndDamagedCharstrings) {
    Type1Font f;
    f.standardSubrs();
    f.subrs.push_back(cs({4}, kCallsubr) + cs({}, kReturn));  // calls itself for ever
    const Bytes start = cs({0, 500}, kHsbw) + cs({0, 0}, kRmoveto);
    const Bytes finish = cs({0, -50}, kRlineto) + cs({}, kClosepath) + cs({}, kEndchar);
    // Only five points collected: listed, and nothing drawn for it.
    Bytes shortFlex = cs({1}, kCallsubr);
    for (int i = 0; i < 5; ++i) shortFlex += cs({10, 0}, kRmoveto) + cs({2}, kCallsubr);
    shortFlex += cs({50, 50, 0, 0}, kCallsubr);
    Bytes runaway;
    for (int i = 0; i < 30; ++i) runaway += cs({i});
    f.glyphs = {{".notdef", cs({0, 0}, kHsbw) + cs({}, kEndchar)},
                {"A", start + flex(50, 100, 0) + finish},  // ends at (100, 0)
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
    Type1Parsed p(f.build(Layout::kText), {'A', 'B', 'C', 'D', 'E', 'F', 'G'});
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
    Type1Parsed m(f.build(Layout::kText), {'C'});
    EXPECT_EQ(m.of('C'), "0,1 20,1 30,11 | 40,11 50,21 60,21 | ");
    EXPECT_EQ(m.code('C')->advance, 600);
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

// Every encoded character of every URW base-35 Type 1 font, as ".t1" and as PFB, and of one PFA, against FreeType's
// outlines: the same glyph for each code, equal advance widths, and filled shapes that differ by no more than rounding.
using Shape = std::vector<std::vector<glm::dvec2>>;

// Our record flattened as FreeType's side is: eight pieces a curve.
Shape ourShape(const veltrane::RawGlyph& record) {
    std::vector<veltrane::EmContour> rings;
    record.emContours(1.0, true, rings);
    Shape shape;
    for (const veltrane::EmContour& ring : rings) {
        std::vector<glm::dvec2>& out = shape.emplace_back();
        out.push_back({ring[0].x, ring[0].y});
        for (size_t i = 1; i < ring.size(); ++i) {
            if (ring[i].on) {
                out.push_back({ring[i].x, ring[i].y});
                continue;
            }
            glm::dvec2 a = out.back(), c{ring[i].x, ring[i].y}, d{ring[i + 1].x, ring[i + 1].y},
                       b{ring[i + 2].x, ring[i + 2].y};
            for (int k = 1; k <= 8; ++k) {
                double t = k / 8.0, s = 1 - t;
                out.push_back(s * s * s * a + 3 * s * s * t * c + 3 * s * t * t * d + t * t * t * b);
            }
            i += 2;
        }
        out.pop_back();  // the ring's closing point
    }
    return shape;
}

// The codes of one file that disagree with FreeType, one line each; `compared` counts the codes either side maps.
std::string disagreements(FT_Library library, const std::string& path, int& compared) {
    FT_Face face;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) return path + ": FreeType cannot open it\n";
    // FreeType's charmap of the font's own encoding: the standard one, or the font's own.
    if (FT_Select_Charmap(face, FT_ENCODING_ADOBE_STANDARD) != 0 &&
        FT_Select_Charmap(face, FT_ENCODING_ADOBE_CUSTOM) != 0)
        return path + ": FreeType has no charmap of the font's encoding\n";
    // A standard-encoded font takes codes from 160 up as Latin-1: FreeType's Unicode map.
    const bool standard = face->charmap->encoding == FT_ENCODING_ADOBE_STANDARD;
    veltrane::FontFile font(FontKind::kType1, "", path.c_str());
    if (!font.parse()) return path + ": " + font.error() + "\n";
    std::string listing;
    for (const veltrane::RawGlyph& record : font.rawGlyphs()) {
        const bool latin1 = standard && record.code >= 160;
        if (latin1) FT_Select_Charmap(face, FT_ENCODING_UNICODE);
        FT_UInt index = FT_Get_Char_Index(face, record.code);
        if (latin1) FT_Select_Charmap(face, FT_ENCODING_ADOBE_STANDARD);
        if (index == 0 && record.glyph == 0) continue;
        ++compared;
        std::string why;
        // A Latin-1 code may reach a twin glyph (nbspace for space): its shape must agree.
        if (static_cast<int>(index) != record.glyph && !latin1) {
            why = "glyph " + std::to_string(record.glyph) + ", FreeType " + std::to_string(index);
        } else if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) {
            why = "FreeType cannot load it";
        } else {
            Shape theirs = test::flatContours(face->glyph->outline, 1, 8);
            for (auto& contour : theirs)
                if (contour.size() > 1 && contour.front() == contour.back()) contour.pop_back();
            Shape ours = ourShape(record);
            double area = test::differenceArea(ours, theirs, 4.0), perimeter = 0;
            for (const auto& p : theirs)
                for (size_t i = 0; i < p.size(); ++i) perimeter += glm::length(p[(i + 1) % p.size()] - p[i]);
            if (record.advance != face->glyph->advance.x)
                why = "advance " + std::to_string(record.advance) + ", FreeType " +
                      std::to_string(face->glyph->advance.x);
            else if (ours.size() != theirs.size())
                why = std::to_string(ours.size()) + " contours, FreeType " + std::to_string(theirs.size());
            else if (area > 0.5 * perimeter + 1)
                why = "shapes differ by " + std::to_string(area) + " square units";
        }
        if (!why.empty()) listing += path + ": code " + std::to_string(record.code) + ": " + why + "\n";
    }
    FT_Done_Face(face);
    return listing;
}

TEST(Type1FreeType, EveryEncodedCharacterOfTheUrwFontsMatches) {
    std::vector<std::string> files;
    for (const char* folder : {"/usr/share/fonts/type1/urw-base35", "/usr/share/fonts/X11/Type1"})
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            std::string ext = entry.path().extension().string();
            if (ext == ".t1" || ext == ".pfb") files.push_back(entry.path().string());
        }
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files.size(), 70u) << "the fonts-urw-base35 package is missing";
#ifdef FW_SANITIZED_BUILD
    // A sweep of every file is left to the release build: a serif, a symbol font with its own encoding, both layouts.
    std::erase_if(files, [](const std::string& f) {
        return f.find("NimbusRoman-Regular") == std::string::npos && f.find("StandardSymbolsPS") == std::string::npos;
    });
#endif
    test::TempDir dir;
    std::string pfa = dir.file("NimbusRoman-Italic.pfa");
    ASSERT_EQ(std::system(("t1ascii /usr/share/fonts/X11/Type1/NimbusRoman-Italic.pfb > " + pfa).c_str()), 0);
    files.push_back(pfa);
    FT_Library library;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    std::string listing;
    int compared = 0;
    for (const std::string& file : files) {
        int codes = 0;
        listing += disagreements(library, file, codes);
        EXPECT_GT(codes, 90) << file;
        compared += codes;
    }
    FT_Done_FreeType(library);
    EXPECT_EQ(listing, "") << compared << " codes compared";
}

// What the installed fonts never use: flex, accented characters, other lenIV values, sbw, div, othersubrs.
TEST(Type1FreeType, HandMadeFontsMatch) {
    Type1Font f;
    f.standardSubrs();
    f.glyphs = {{".notdef", cs({0, 0}, kHsbw) + cs({}, kEndchar)},
                {"A", cs({30, 600}, kHsbw) + cs({0, 0}, kRmoveto) + cs({100, 200}, kRlineto) +
                          cs({100, -200}, kRlineto) + cs({}, kClosepath) + cs({}, kEndchar)},
                {"acute", cs({10, 300}, kHsbw) + cs({0, 600}, kRmoveto) + cs({50, 100}, kRlineto) +
                              cs({10, -10}, kRlineto) + cs({}, kClosepath) + cs({}, kEndchar)},
                // Its side bearing is not the base's, as fonts make it: the accent moves with it.
                {"Aacute", cs({40, 600}, kHsbw) + cs({3, 1, 3}, kCallothersubr) + cs({}, kPop) + cs({}, kCallsubr) +
                               cs({10, 120, 50, 65, 194}, kSeac)},
                {"B", cs({20, 700}, kHsbw) + cs({0, 0}, kRmoveto) + cs({80, 20}, kRlineto) + flex(50, 200, 20) +
                          cs({0, 300}, kRlineto) + cs({-1000, 7}, kDiv) + cs({0}, kRlineto) + cs({}, kClosepath) +
                          cs({}, kEndchar)},
                {"C", cs({15, 10, 650, 0}, kSbw) + cs({5, 5}, kRmoveto) + cs({10, 20, 30, 40}, kVhcurveto) +
                          cs({10, 20, 30, 40}, kHvcurveto) + cs({-100}, kVlineto) + cs({}, kClosepath) +
                          cs({}, kEndchar)}};
    f.encoding = "dup 65 /A put\ndup 66 /B put\ndup 67 /C put\ndup 68 /Aacute put\n";
    FT_Library library;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    test::TempDir dir;
    for (int lenIV : {4, 0, -1})
        for (Layout layout : {Layout::kText, Layout::kPfa, Layout::kPfb}) {
            f.lenIV = lenIV;
            test::writeFile(dir.file("hand.pfb"), f.build(layout));
            int codes = 0;
            EXPECT_EQ(disagreements(library, dir.file("hand.pfb"), codes), "") << "lenIV " << lenIV;
            EXPECT_EQ(codes, 4);
        }
    FT_Done_FreeType(library);
}

}  // namespace
}  // namespace fw
