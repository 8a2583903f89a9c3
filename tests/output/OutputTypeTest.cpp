// Output types: names and suffixes of every code, types from file names, and the names of a sequence's frame files.
#include "output/OutputType.h"

#include "output/ImageWriter.h"

namespace fw {

// Each code's extension and whether it is a movie are checked through file names in TypesFromFileNames; the suffix
// is made from them alike for every code.
TEST(OutputType, CodesNamesAndSuffixes) {
    const std::pair<int, const char*> names[] = {{3, "MOV"},  {4, "AVI"},  {5, "PSD"},  {7, "TGA"},
                                                 {8, "JPG"},  {9, "BMP"},  {10, "PNG"}, {11, "JP2"},
                                                 {13, "TIF"}, {40, "MP4"}, {41, "EXR"}};
    for (const auto& [code, name] : names) {
        EXPECT_STREQ(OutputType::nameOf(code), name);
        EXPECT_EQ(OutputType::codeOf(name), code);
    }
    // Codes of no output type (GIF, PICT, a project) count as QuickTime movies.
    for (int code : {12, -1}) {
        EXPECT_STREQ(OutputType::nameOf(code), "MOV") << code;
        EXPECT_EQ(OutputType::suffix(code, 7), ".mov") << code;
    }
    EXPECT_EQ(OutputType::suffix(OutputType::kJPG, 7), "_0007.jpg");
    EXPECT_EQ(OutputType::suffix(OutputType::kEXR, -1), "_0000.exr");  // the pattern
    EXPECT_EQ(OutputType::suffix(OutputType::kTGA, 12345), "_12345.tga");
    EXPECT_EQ(OutputType::suffix(OutputType::kMP4, 7), ".mp4");
    EXPECT_EQ(OutputType::codeOf("GIF"), -1);
    EXPECT_EQ(OutputType::codeOf("png"), -1);  // names are written in capitals only
}

// Every image extension is one the image writer can write; movies are left to the movie service.
TEST(OutputType, TypesFromFileNames) {
    const std::pair<const char*, int> paths[] = {
        {"a.mov", 3},      {"a.AVI", 4},  {"a.mp4", 40}, {"a.psd", 5},  {"a.tga", 7},         {"a.jpg", 8},
        {"a.JPEG", 8},     {"a.bmp", 9},  {"a.png", 10}, {"a.jp2", 11}, {"a.tif", 13},        {"a.tiff", 13},
        {"out/a.exr", 41}, {"a.gif", -1}, {"a.kxp", -1}, {"shot", -1},  {"out.png/shot", -1}};
    for (const auto& [path, code] : paths) {
        EXPECT_EQ(OutputType::codeForPath(path), code) << path;
        if (code >= 0) {
            EXPECT_EQ(ImageWriter::supports(path), !OutputType::isMovie(code)) << path;
        }
    }
}

TEST(OutputType, FrameFilesOfSequencesAndBatches) {
    EXPECT_EQ(OutputType::frameFileName("shot", OutputType::kTGA, 7), "shot_0007.tga");
    EXPECT_EQ(OutputType::frameFileName("shot.png", OutputType::kPNG, 7, 2), "shot_2_0007.png");
    // The type decides the extension; a name's own extension other than ours stays.
    EXPECT_EQ(OutputType::frameFileName("shot.png", OutputType::kJPG, 0), "shot_0000.jpg");
    EXPECT_EQ(OutputType::frameFileName("v1.2/shot.final", OutputType::kBMP, 10000), "v1.2/shot.final_10000.bmp");
    // A timeline that starts before zero.
    EXPECT_EQ(OutputType::frameFileName("shot", OutputType::kPNG, -3), "shot_-003.png");
    EXPECT_EQ(OutputType::frameFileName("shot", OutputType::kPNG, -1234), "shot_-1234.png");
    // One movie holds every frame.
    EXPECT_EQ(OutputType::frameFileName("out/title.mov", OutputType::kMOV, 7), "out/title.mov");
    EXPECT_EQ(OutputType::frameFileName("out/title", OutputType::kMP4, 7, 2), "out/title.mp4");
}

}  // namespace fw
