// Every encoded character of every URW base-35 Type 1 font, as ".t1" and as PFB, and of one PFA, against FreeType's
// outlines: the same glyph for each code, equal advance widths, and filled shapes that differ by no more than rounding.
#include <cstdlib>
#include <glm/geometric.hpp>

#include "GlyphOutline.h"
#include "SyntheticType1.h"
#include "TempDir.h"
#include "font/FontFile.h"

namespace fw {
namespace {

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
    using namespace test::t1;
    Font f;
    f.standardSubrs();
    Bytes flex = cs({1}, kCallsubr) + cs({50, 5}, kRmoveto) + cs({2}, kCallsubr);
    for (auto [dx, dy] : {std::pair{-40, 0}, {10, 0}, {30, 0}, {20, 0}, {20, 0}, {10, -5}})
        flex += cs({dx, dy}, kRmoveto) + cs({2}, kCallsubr);
    flex += cs({50, 200, 20, 0}, kCallsubr);
    f.glyphs = {{".notdef", cs({0, 0}, kHsbw) + cs({}, kEndchar)},
                {"A", cs({30, 600}, kHsbw) + cs({0, 0}, kRmoveto) + cs({100, 200}, kRlineto) +
                          cs({100, -200}, kRlineto) + cs({}, kClosepath) + cs({}, kEndchar)},
                {"acute", cs({10, 300}, kHsbw) + cs({0, 600}, kRmoveto) + cs({50, 100}, kRlineto) +
                              cs({10, -10}, kRlineto) + cs({}, kClosepath) + cs({}, kEndchar)},
                // Its side bearing is not the base's, as fonts make it: the accent moves with it.
                {"Aacute", cs({40, 600}, kHsbw) + cs({3, 1, 3}, kCallothersubr) + cs({}, kPop) + cs({}, kCallsubr) +
                               cs({10, 120, 50, 65, 194}, kSeac)},
                {"B", cs({20, 700}, kHsbw) + cs({0, 0}, kRmoveto) + cs({80, 20}, kRlineto) + flex +
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
