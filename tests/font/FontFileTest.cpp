// The font layer on its own: the em-unit rings that outlines are cut from, the glyph dump, and the font fuzzers'
// corpora replayed. The parser each kind of file gets is held against FreeType in Type1FontParserTest and
// FreeTypeAgreementTest (text).
#include "font/FontFile.h"

#include "FontFuzzTargets.h"
#include "FuzzReplay.h"
#include "SyntheticFont.h"
#include "TempDir.h"
#include "font/GlyphDump.h"

namespace fw {
namespace {

using veltrane::EmContour;

std::string describe(const std::vector<EmContour>& rings) {
    std::string s;
    for (const EmContour& ring : rings) {
        for (const veltrane::EmPoint& p : ring)
            s += std::to_string(int(p.x)) + "," + std::to_string(int(p.y)) + (p.on ? " " : "* ");
        s += "| ";
    }
    return s;
}

// What the glyph dump writes, after "refused" where it fails and says why.
std::string dump(const std::string& path, const std::vector<uint32_t>* codes) {
    test::TempDir dir;
    std::FILE* out = std::fopen(dir.file("out").c_str(), "w");
    std::string why;
    const bool done = veltrane::writeGlyphRecords(path.c_str(), codes, out, why);
    std::fclose(out);
    return (done || why.empty() ? "" : "refused") + test::readFile(dir.file("out"));
}

TEST(RawGlyph, EmContoursStartOnTheCurveAndGainImpliedPoints) {
    veltrane::GlyphOutline outline;
    // A quadratic contour that starts on a control point and has two in a row, a contour of one point, and one of
    // control points only.
    outline.points = {{0, 0, 0}, {10, 0, 1}, {20, 10, 0}, {20, 30, 0}, {0, 20, 1},
                      {5, 5, 1},
                      {0, -4, 0}, {4, 0, 0}, {0, 4, 0}, {-4, 0, 0}};
    outline.ends = {5, 6, 10};
    veltrane::RawGlyph raw;
    raw.setContours(outline);
    ASSERT_EQ(raw.contourCount(), 3);
    std::vector<EmContour> rings;
    raw.emContours(2.0, false, rings);
    EXPECT_EQ(describe(rings), "20,0 40,20* 40,40 40,60* 0,40 0,0* 20,0 | "
                               "4,-4 8,0* 4,4 0,8* -4,4 -8,0* -4,-4 0,-8* 4,-4 | ");
    // Read as cubic, control points stand as they are and the ring of control points alone has nowhere to start.
    raw.emContours(1.0, true, rings);
    EXPECT_EQ(describe(rings), "10,0 20,10* 20,30* 0,20 0,0* 10,0 | ");
}

// A real font's values in font units are FreeTypeAgreementTest's and FontTest's (text), through the same parser.
TEST(GlyphDump, EveryMappedCodeWithoutAList) {
    test::SyntheticFont f;
    f.addGlyph("", 500);
    f.addGlyph(test::simpleGlyph({{{0, 0, true}, {50, 80, false}, {100, 0, true}}}), 600, 0);
    f.cmap = {{'b', 1}, {0x263A, 1}, {'z', 0}};
    test::TempDir dir;
    test::writeFile(dir.file("f.ttf"), f.build());
    const std::string glyph =
        "\"glyph\":1,\"advance\":600,\"lsb\":0,\"contours\":[[{\"x\":0,\"y\":0,\"on\":true},"
        "{\"x\":50,\"y\":80,\"on\":false},{\"x\":100,\"y\":0,\"on\":true},{\"x\":0,\"y\":0,\"on\":true}]]}\n";
    EXPECT_EQ(dump(dir.file("f.ttf"), nullptr), "{\"code\":98," + glyph + "{\"code\":9786," + glyph);
    // Codes as given, in order; no Latin-1 translation, nothing added.
    std::vector<uint32_t> codes = {0x263A, 'q', 0x1F600};
    EXPECT_EQ(dump(dir.file("f.ttf"), &codes),
              "{\"code\":9786," + glyph + "{\"code\":113,\"glyph\":0,\"advance\":500,\"lsb\":0,\"contours\":[]}\n");
    // A file that is no font: nothing written, and why (its wording is TrueTypeFontParser's damaged-font table's).
    test::writeFile(dir.file("short.ttf"), "true");
    EXPECT_EQ(dump(dir.file("short.ttf"), nullptr), "refused");
}

// The seed corpora and every input that once crashed a font fuzzer.
TEST(FontFuzzRegression, EveryCorpusReplays) {
    EXPECT_GT(test::replayFuzzInputs("truetype", fuzz::parseTrueTypeFont), 0);
    EXPECT_GT(test::replayFuzzInputs("cff", fuzz::parseCffTable), 0);
    EXPECT_GT(test::replayFuzzInputs("type1", fuzz::parseType1Font), 0);
}

}  // namespace
}  // namespace fw
