// The font layer on its own: the em-unit rings that outlines are cut from, and the font fuzzers' corpora replayed. The
// parser each kind of file gets is held against FreeType in Type1FreeTypeTest and FreeTypeAgreementTest (text).
#include "font/FontFile.h"

#include "FontFuzzTargets.h"
#include "FuzzReplay.h"

namespace fw {
namespace {

using veltrane::EmContour;
using veltrane::GlyphOutline;
using veltrane::RawGlyph;

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
