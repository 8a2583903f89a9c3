#include "font/GlyphDump.h"

#include <gtest/gtest.h>

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

TEST(GlyphDump, OneJsonLinePerCodeInFontUnits) {
    std::vector<uint32_t> codes = {'A', ' '};
    EXPECT_EQ(dump("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", &codes),
              "{\"code\":65,\"glyph\":36,\"advance\":1401,\"lsb\":16,\"contours\":["
              "[{\"x\":700,\"y\":1294,\"on\":true},{\"x\":426,\"y\":551,\"on\":true},{\"x\":975,\"y\":551,\"on\":true},"
              "{\"x\":700,\"y\":1294,\"on\":true}],"
              "[{\"x\":586,\"y\":1493,\"on\":true},{\"x\":815,\"y\":1493,\"on\":true},{\"x\":1384,\"y\":0,\"on\":true},"
              "{\"x\":1174,\"y\":0,\"on\":true},{\"x\":1038,\"y\":383,\"on\":true},{\"x\":365,\"y\":383,\"on\":true},"
              "{\"x\":229,\"y\":0,\"on\":true},{\"x\":16,\"y\":0,\"on\":true},{\"x\":586,\"y\":1493,\"on\":true}]]}\n"
              "{\"code\":32,\"glyph\":3,\"advance\":651,\"lsb\":0,\"contours\":[]}\n");
}

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
}

TEST(GlyphDump, UnreadableFileSaysWhy) {
    bool ok;
    std::string error;
    test::TempDir dir;
    test::writeFile(dir.file("short.ttf"), "true");
    EXPECT_EQ(dump(dir.file("short.ttf"), nullptr, &ok, &error), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "the table directory runs past the end of the file");
}

}  // namespace
}  // namespace fw
