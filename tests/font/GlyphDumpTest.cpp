#include "font/GlyphDump.h"

#include "SyntheticFont.h"
#include "TempDir.h"

namespace fw {
namespace {

std::string dump(const std::string& path, const std::vector<uint32_t>* codes, bool* ok = nullptr,
                 std::string* error = nullptr) {
    test::TempDir dir;
    std::FILE* out = std::fopen(dir.file("out").c_str(), "w");
    std::string why;
    bool done = veltrane::writeGlyphRecords(path.c_str(), codes, out, why);
    std::fclose(out);
    if (ok) *ok = done;
    if (error) *error = why;
    return test::readFile(dir.file("out"));
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
    bool ok = true;
    std::string error;
    test::writeFile(dir.file("short.ttf"), "true");
    EXPECT_EQ(dump(dir.file("short.ttf"), nullptr, &ok, &error), "");
    EXPECT_FALSE(ok || error.empty());
}

}  // namespace
}  // namespace fw
