// Our outlines against FreeType's, code by code, compared as filled shapes: both are flattened the same way and filled
// with the non-zero rule on scanlines, and the area where exactly one of them is filled must stay within rounding.
#include <gtest/gtest.h>

#include <glm/geometric.hpp>

#include "GlyphOutline.h"
#include "font/TrueTypeFontParser.h"
#include "text/Font.h"

namespace fw {
namespace {

using veltrane::Font;
using Shape = std::vector<std::vector<glm::dvec2>>;

Shape ourShape(const InputProfile2& profile, double unitsPerEm, double dx) {
    Shape shape;
    for (const CompositeCurve2& contour : profile.contours()) {
        shape.emplace_back();
        for (const Curve2& segment : contour.segments()) {
            std::vector<glm::dvec2> p;
            for (int i = 0; i < segment.pointCount(); ++i)
                p.push_back({segment.point(i).x * unitsPerEm + dx, segment.point(i).y * unitsPerEm});
            if (shape.back().empty()) shape.back().push_back(p[0]);
            if (segment.type != Curve2::Bezier) {
                shape.back().insert(shape.back().end(), p.begin() + 1, p.end());
                continue;
            }
            for (int k = 1; k <= 8; ++k) {  // as FreeType's side is cut: eight points a curve
                std::vector<glm::dvec2> q = p;
                for (size_t n = q.size() - 1; n > 0; --n)
                    for (size_t i = 0; i < n; ++i) q[i] += (q[i + 1] - q[i]) * (k / 8.0);
                shape.back().push_back(q[0]);
            }
        }
    }
    return shape;
}

// The codes known to differ from FreeType, each with how far FreeType moves its outline sideways (a glyph whose "glyf"
// box does not start at its "hmtx" side bearing is moved so that it does; the file's own points are kept here), or 0
// where its glyph differs.
struct FontCase {
    const char* path;
    std::map<int, double> expected;
};
void PrintTo(const FontCase& c, std::ostream* os) { *os << c.path; }

class FreeTypeAgreement : public ::testing::TestWithParam<FontCase> {};

TEST_P(FreeTypeAgreement, OutlinesAndAdvancesMatchCodeByCode) {
#ifdef FW_SANITIZED_BUILD
    GTEST_SKIP() << "the sweep over every code is left to the release build";
#endif
    const FontCase& fc = GetParam();
    FT_Library library;
    FT_Face face;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Face(library, fc.path, 0, &face), 0) << fc.path;
    ASSERT_EQ(FT_Select_Charmap(face, FT_ENCODING_UNICODE), 0);
    // Every code below 128 and from 256 up that either side maps; the others must be unmapped on both.
    Font probe(Font::kTrueType, "", fc.path);
    veltrane::TrueTypeFontParser parser(probe);
    ASSERT_TRUE(parser.openFile(fc.path)) << probe.error();
    std::set<int> mapped;
    for (int code = 0; code <= 0xFFFF; ++code)
        if ((code < 128 || code >= 256) && (FT_Get_Char_Index(face, code) != 0 || parser.glyphForCode(code) != 0))
            mapped.insert(code);
    std::vector<uint16_t> codes(mapped.begin(), mapped.end());
    Font font(Font::kTrueType, "", fc.path, codes.data(), static_cast<int>(codes.size()));
    ASSERT_TRUE(font.load()) << font.error();
    double upem = font.unitsPerEm();
    ASSERT_EQ(upem, face->units_per_EM);
    std::set<int> expected, got;
    std::string listing;
    for (const auto& [code, known] : fc.expected) expected.insert(code);
    for (int code : mapped) {
        std::string why;
        FT_UInt index = FT_Get_Char_Index(face, code);
        auto known = fc.expected.find(code);
        if (int(index) != parser.glyphForCode(code)) {
            why = "glyph " + std::to_string(parser.glyphForCode(code)) + ", FreeType " + std::to_string(index);
        } else if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) {
            why = "FreeType cannot load glyph " + std::to_string(index);
        } else {
            Shape theirs = test::flatContours(face->glyph->outline, 1, 8);
            // Single-point contours (mark anchors) have no shape and are not converted here.
            std::erase_if(theirs, [](const std::vector<glm::dvec2>& p) {
                return std::all_of(p.begin(), p.end(), [&](const glm::dvec2& v) { return v == p[0]; });
            });
            Shape ours = ourShape(font.outline(code), upem, known != fc.expected.end() ? known->second : 0);
            double perimeter = 0;
            for (const auto& p : theirs)
                for (size_t i = 0; i < p.size(); ++i) perimeter += glm::length(p[(i + 1) % p.size()] - p[i]);
            const double area = test::differenceArea(ours, theirs, upem / 1024);
            const long advance = std::lround(font.advanceWidth(code) * upem);
            // Allowed: half a font unit along the outline, for implied midpoints that FreeType rounds to whole units.
            if (ours.size() != theirs.size())
                why = std::to_string(ours.size()) + " contours, FreeType " + std::to_string(theirs.size());
            else if (advance != face->glyph->advance.x)
                why = "advance " + std::to_string(advance) + ", FreeType " + std::to_string(face->glyph->advance.x);
            else if (area > 0.5 * perimeter + 1) why = "shapes differ by " + std::to_string(area) + " square units";
            else if (known != fc.expected.end())
                why = "outline moved by " + std::to_string(known->second) + " units";
        }
        if (why.empty()) continue;
        got.insert(code);
        char line[32];
        std::snprintf(line, sizeof line, "  U+%04X: ", code);
        listing += line + why + (expected.count(code) ? " (expected)\n" : "\n");
    }
    EXPECT_EQ(got, expected) << fc.path << ": " << mapped.size() << " codes compared\n" << listing;
    EXPECT_GT(mapped.size(), 500u);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

constexpr double kMovedRight = 1.0;
// The Macintosh map, read after the Unicode one, gives control codes the glyphs .null and nonmarkingreturn; FreeType's
// Unicode map leaves them unmapped.
constexpr double kMacControl = 0;

INSTANTIATE_TEST_SUITE_P(InstalledFonts, FreeTypeAgreement,
    ::testing::Values(
        FontCase{test::kDejaVuSans, {{0x0EB1, kMovedRight}, {0x1F32, kMovedRight}, {0x1F33, kMovedRight},
                                     {0x1F35, kMovedRight}, {0x2422, kMovedRight}}},
        FontCase{"/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf",
                 {{0x00, kMacControl}, {0x08, kMacControl}, {0x09, kMacControl}, {0x0D, kMacControl},
                  {0x1D, kMacControl}}},
        FontCase{"/usr/share/fonts/opentype/freefont/FreeSerif.otf", {}}),
    [](const ::testing::TestParamInfo<FontCase>& info) {
        std::string name = std::strrchr(info.param.path, '/') + 1;
        return name.substr(0, name.find_first_of("-."));
    });

}  // namespace
}  // namespace fw
