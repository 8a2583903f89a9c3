// Image files and image maps: real files on disk in every format the program reads, numbered sequences, movies read in
// any order and chosen by scene time, missing files, the stored form and the background map.
#include "surface/ImageMap.h"

#include <cstdlib>

#include "MovieProbe.h"
#include "TempDir.h"
#include "TestImages.h"
#include "platform/MovieReader.h"
#include "platform/MovieWriter.h"
#include "scene/AnimGlobals.h"
#include "scene/MemberFactory.h"
#include "scene/SceneFile.h"
#include "scene/SceneX.h"
#include "surface/ImageFile.h"
#include "surface/Picture.h"
#include "surface/SurfaceClasses.h"

namespace fw {
namespace {

class ImageMaps : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        registerSceneClasses();
        registerSurfaceClasses();
    }
    // A map named "Map" showing a file named "Tex" at `path`.
    ImageMap& mapOf(const std::string& path) {
        auto* file = new ImageFile(scene, "Tex");
        file->setPath(path);
        auto* map = new ImageMap(scene, "Map");
        map->setImageFile("Tex");
        return *map;
    }

    // The picture's pixel (x, y from the top) against `want`.
    static void expectPixel(const Picture& p, int x, int yFromTop, const test::Pixel& want, int tolerance = 0) {
        const uint8_t* q = p.row(p.height() - 1 - yFromTop) + x * 4;
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(q[i], want[i], tolerance) << "channel " << i;
    }
    // The bytes of `s` saved as the file `name`.
    std::string saved(SceneX& s, const std::string& name) {
        std::string error;
        EXPECT_TRUE(SceneFile::save(s, dir.file(name), error)) << error;
        return test::readFile(dir.file(name));
    }

    test::TempDir dir;
    SceneX scene;
};

// Sixteen-bit TIFF channels are narrowed to eight bits; texture space has v upwards.
TEST_F(ImageMaps, FilesOfEachFormatReadTopRowLastAndMissingOrBrokenOnesGiveClearErrors) {
    const std::string gone = dir.file("gone.png");
    ImageMap& map = mapOf(gone);
    ImageFile& file = *map.imageFile();
    EXPECT_EQ(std::tuple(file.source(), file.error(), map.picture(), map.sample(0, 0, 1, 1)),
              std::tuple(ImageFile::kMissing, gone + ": No such file or directory", nullptr, Rgba{}));
    auto at = [](int x, int y) { return test::quadrant(x, y, 16, 16); };
    Picture p;
    std::string error;
    for (auto [name, format, tolerance] : {std::tuple{"q.png", FIF_PNG, 0}, std::tuple{"q.tga", FIF_TARGA, 0},
                                           std::tuple{"q.jpg", FIF_JPEG, 8}}) {
        SCOPED_TRACE(name);
        std::string path = dir.file(name);
        ASSERT_TRUE(test::writeImage(path, format, 16, 16, at));
        ASSERT_TRUE(ImageFile::loadPicture(path, p, error)) << error;
        ASSERT_EQ(std::pair(p.width(), p.height()), std::pair(16, 16));
        // Top right and bottom right: either flip, or a swap of the axes, moves another quadrant's colour there.
        expectPixel(p, 13, 2, {0, 255, 0, 255}, tolerance);
        expectPixel(p, 13, 13, {255, 255, 255, uint8_t(format != FIF_JPEG ? 128 : 255)}, tolerance);  // JPEG: no alpha
    }
    FIBITMAP* deep = FreeImage_AllocateT(FIT_RGB16, 3, 2);  // 16 bits per channel
    ASSERT_NE(deep, nullptr);
    for (int y = 0; y < 2; ++y)  // from the top
        for (int x = 0; x < 3; ++x)
            reinterpret_cast<FIRGB16*>(FreeImage_GetScanLine(deep, 1 - y))[x] = {
                uint16_t(x == 0 ? 65535 : 0), 32768, uint16_t(y == 0 ? 257 * 7 : 0)};
    const bool written = FreeImage_Save(FIF_TIFF, deep, dir.file("deep.tif").c_str(), TIFF_NONE);
    FreeImage_Unload(deep);
    ASSERT_TRUE(written);
    ASSERT_TRUE(ImageFile::loadPicture(dir.file("deep.tif"), p, error)) << error;
    ASSERT_EQ(p.width(), 3);
    expectPixel(p, 0, 0, {255, 128, 7, 255});
    expectPixel(p, 2, 1, {0, 128, 0, 255});
    for (auto [name, why] : {std::pair{"fake.png", ": the image cannot be decoded"},
                             {"notes.txt", ": not an image file that can be read"}}) {
        test::writeFile(dir.file(name), "not a picture at all");
        EXPECT_FALSE(ImageFile::loadPicture(dir.file(name), p, error));
        EXPECT_EQ(error, dir.file(name) + why);
    }
    // Picking an unreadable file keeps the old path and says so.
    std::string alert;
    file.setPath("kept.png");
    EXPECT_FALSE(file.pick(dir.file("fake.png"), alert));
    EXPECT_EQ(alert, "\rUnable to open this image.\r\rPlease select another image.");
    EXPECT_EQ(file.path(), "kept.png");
    // Made by another program, so the row order is not this code's own idea.
    const std::string path = dir.file("corner.png");
    ASSERT_EQ(std::system(("convert -size 4x4 xc:blue -fill red -draw 'point 0,0' " + path).c_str()), 0);
    EXPECT_TRUE(file.pick(path, alert));
    EXPECT_NEAR(map.sample(0.125, 0.875, 0.125, 0.875).r, 1.0, 1e-6);  // the top left pixel's centre
    EXPECT_NEAR(map.sample(0.125, 0.125, 0.125, 0.125).b, 1.0, 1e-6);
    // A footprint over the whole picture averages it: one red pixel in sixteen.
    test::expectColour(map.sample(0, 0, 1, 1), {1.0f / 16, 0, 15.0f / 16, 1});
}

TEST_F(ImageMaps, NumberedSequencesPlayOverSceneTime) {
    const test::Pixel colours[] = {test::solid(255, 0, 0), test::solid(0, 255, 0), test::solid(0, 0, 255)};
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(test::writeImage(dir.file("walk_000" + std::to_string(i + 1) + ".png"), FIF_PNG, 2, 2,
                                     [&](int, int) { return colours[i]; }));
    // A gap ends the sequence; other files that share the prefix do not belong to it.
    for (const char* other : {"walk_0005.png", "walk_0006.png"})
        ASSERT_TRUE(test::writeImage(dir.file(other), FIF_PNG, 2, 2, [](int, int) { return test::solid(1, 1, 1); }));
    test::writeFile(dir.file("walk_notes.png"), "x");
    ImageMap& map = mapOf(dir.file("walk_0002.png"));
    ImageFile& file = *map.imageFile();
    ASSERT_EQ(file.source(), ImageFile::kSequence) << file.error();
    EXPECT_EQ(std::tuple(file.frameCount(), file.frameFile(0)), std::tuple(3, dir.file("walk_0001.png")));
    ImageFile later(scene, "Later");
    later.setPath(dir.file("walk_0006.png"));
    EXPECT_EQ(std::tuple(later.frameCount(), later.frameFile(0)), std::tuple(2, dir.file("walk_0005.png")));
    scene.animGlobals().framesPerSecond = 10;
    // One frame each tenth of a second, looping by default.
    EXPECT_EQ((std::vector{map.frameAt(0.0), map.frameAt(0.1), map.frameAt(0.29), map.frameAt(0.3)}),
              (std::vector{0, 1, 2, 0}));
    map.loop = false;
    EXPECT_EQ(map.frameAt(0.3), -1);
    map.holdLastFrame = true;
    EXPECT_EQ(map.frameAt(5.0), 2);
    map.startTime = 1.0;
    EXPECT_EQ(map.frameAt(0.5), 0);  // the first frame is held before the start
    map.holdFirstFrame = false;
    EXPECT_EQ(std::pair(map.frameAt(0.5), map.frameAt(1.15)), std::pair(-1, 1));
    map.startTime = 0;
    scene.animGlobals().setCurrentFrame(2);  // 0.2 s at 10 frames a second
    EXPECT_NEAR(map.sample(0.5, 0.5, 0.5, 0.5).b, 1.0, 1e-6);
    scene.animGlobals().setCurrentFrame(1);
    EXPECT_NEAR(map.sample(0.5, 0.5, 0.5, 0.5).g, 1.0, 1e-6);
}

TEST_F(ImageMaps, StoredFormRoundTripsThroughSceneFiles) {
    ImageMap& map = mapOf("C:\\maps\\wood \"oak\".png");
    map.startTime = 1.5;
    map.holdFirstFrame = false;
    map.holdLastFrame = true;
    map.loop = false;
    scene.setWriteAll(true);
    // The layout is resaved from the conformance scene; these values and the quoted path are not in it.
    std::string bytes = saved(scene, "a.scene");
    std::FILE* console = std::fopen(dir.file("log").c_str(), "w");
    ImageMap::setConsole(console);
    auto loaded = SceneFile::load(dir.file("a.scene"));
    ImageMap::setConsole(nullptr);
    ASSERT_TRUE(loaded.scene) << loaded.error;
    loaded.scene->setWriteAll(true);  // every value away from its default: the bytes say each was read
    EXPECT_EQ(saved(*loaded.scene, "b.scene"), bytes);
    // The file is not on disk: the load says so on the console and goes on.
    std::fclose(console);
    EXPECT_EQ(test::readFile(dir.file("log")), "\rORVOSTAT: Skipping Missing Map 'C:\\maps\\wood \"oak\".png'\n");
}

TEST_F(ImageMaps, OlderKeywordsAreReadAndNotWrittenAgain) {
    std::string thumb = "\xff\xd8\x01\x02";
    test::writeFile(dir.file("old.scene"),
                    " begin SceneX\n  begin ImageFile\n   name \"Old\"\n   image \"" + dir.file("old.png") +
                        "\"\n   ThumbnailSize 2 1\n   JPEGThumbnail 8\n   00ab10ff\n  end ImageFile\n"
                        "  begin ImageFile\n   name \"Binary\"\n   ThumbnailSize 4 4\n   JPEGBinaryThumbnail 4\n" +
                        thumb +
                        "\n  end ImageFile\n  begin ImageMap\n   name \"OldMap\"\n   imageFile \"Old\"\n   domain 2\n"
                        "   translate 0.1 0.2 0.3\n   rotate 0 0 45\n   scale 2 2 1\n  end ImageMap\n end SceneX\n");
    ASSERT_TRUE(test::writeImage(dir.file("old.png"), FIF_PNG, 1, 1, [](int, int) { return test::solid(0, 0, 0); }));
    auto loaded = SceneFile::load(dir.file("old.scene"));
    ASSERT_TRUE(loaded.scene) << loaded.error;
    EXPECT_TRUE(loaded.warnings.empty());
    auto* file = dynamic_cast<ImageFile*>(loaded.scene->findMember("Old"));
    auto* binary = dynamic_cast<ImageFile*>(loaded.scene->findMember("Binary"));
    auto* map = dynamic_cast<ImageMap*>(loaded.scene->findMember("OldMap"));
    ASSERT_TRUE(file && binary && map);
    EXPECT_EQ(std::tuple(file->thumbnailWidth, file->thumbnailJPEG),
              std::tuple(2, std::vector<uint8_t>{0, 0xab, 0x10, 0xff}));
    EXPECT_EQ(binary->thumbnailJPEG, std::vector<uint8_t>(thumb.begin(), thumb.end()));
    EXPECT_EQ(std::tuple(map->oldPlacement.domain, map->oldPlacement.rotate[2]), std::tuple(2, 45.0));
    loaded.scene->setWriteAll(true);
    std::string bytes = saved(*loaded.scene, "new.scene");
    for (const char* gone : {"Thumbnail", "domain", "translate", "rotate", "scale"})
        EXPECT_EQ(bytes.find(gone), std::string::npos) << gone;
}

TEST_F(ImageMaps, TheBackgroundMapIsMadeOnceAndCarriesTheBackgroundMedia) {
    std::string path;
    EXPECT_FALSE(ImageMap::backgroundMedia(scene, path));
    ImageMap* bg = ImageMap::ensureDefaultBackground(scene);
    ASSERT_NE(bg, nullptr);
    EXPECT_EQ(std::tuple(bg->name(), ImageMap::ensureDefaultBackground(scene)), std::tuple("defaultBGImageMap", bg));
    EXPECT_EQ(scene.memberCount(kImageMapKind), 1);
    EXPECT_EQ(ImageMap::setBackgroundMedia(scene, "/media/sky.jpg"), bg);
    EXPECT_TRUE(ImageMap::backgroundMedia(scene, path) && path == "/media/sky.jpg") << path;
    ImageMap::setBackgroundMedia(scene, "/media/sky.jpg");
    EXPECT_EQ(scene.memberCount(kImageFileKind), 1);  // the same file is used again
    ImageMap::setBackgroundMedia(scene, "");
    EXPECT_TRUE(ImageMap::backgroundMedia(scene, path) && path.empty()) << path;
    // Nothing refers to it, so a plain save leaves it out; the project's "BackgroundMedia" line carries its file.
    EXPECT_EQ(saved(scene, "bg.scene").find("defaultBGImageMap"), std::string::npos);
}

// Frames in order are covered with the movie writer's tests; here they are read back
// and forth, which makes the reader seek, then chosen by scene time.
TEST_F(ImageMaps, MoviesGiveAnyFrameInAnyOrderAndMapsTheFrameOfTheSceneTimeAtTheMoviesRate) {
    constexpr int kWidth = 16, kHeight = 8, kFrames = 5;
    const std::string path = dir.file("clip.mov");
    // Frame k, losslessly: the top half red, the bottom half green, blue rising by 40 a frame.
    MovieWriter writer;
    ASSERT_TRUE(writer.open(path, {kWidth, kHeight, FrameRate{10, 1}, "png", false}));
    std::vector<uint8_t> rgba;
    for (int k = 0; k < kFrames; ++k) {
        rgba.clear();
        for (int y = 0; y < kHeight; ++y)  // bottom-up
            for (int x = 0; x < kWidth; ++x)
                rgba.insert(rgba.end(), {uint8_t(y < kHeight / 2 ? 0 : 255), uint8_t(y < kHeight / 2 ? 255 : 0),
                                         uint8_t(40 * k), 255});
        ASSERT_TRUE(writer.addFrame(rgba.data())) << k;
    }
    ASSERT_TRUE(writer.finish());
    MovieReader reader, none;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    ASSERT_EQ(reader.frameCount(), kFrames);
    for (int k : {3, 4, 1, 0, 2, 2}) {
        ASSERT_TRUE(reader.readFrame(k, rgba)) << k << ": " << reader.error();
        ASSERT_EQ(rgba.size(), size_t(kWidth * kHeight * 4));
        const uint8_t* top = &rgba[(kHeight - 1) * kWidth * 4];
        EXPECT_EQ(std::vector<int>(top, top + 4), (std::vector<int>{255, 0, 40 * k, 255}));
    }
    // ffmpeg, reading top row first, sees red there too: the rows are not stored upside down.
    const std::string decoded =
        test::commandOutput("ffmpeg -v error -i '" + path + "' -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
    ASSERT_EQ(decoded.size(), size_t(kWidth * kHeight * 3));
    EXPECT_EQ(decoded.substr(0, 3), std::string("\xff\0\0", 3));
    EXPECT_EQ(decoded.substr(decoded.size() - 3), std::string("\0\xff\0", 3));
    EXPECT_FALSE(reader.readFrame(kFrames, rgba));
    EXPECT_FALSE(none.open(dir.file("none.mov")));
    EXPECT_NE(none.error().find(dir.file("none.mov")), std::string::npos);
    ImageMap* map = &mapOf(path);
    ASSERT_EQ(map->imageFile()->source(), ImageFile::kMovie) << map->imageFile()->error();
    scene.animGlobals().framesPerSecond = 30;
    scene.animGlobals().setCurrentFrame(9);  // 0.3 s: movie frame 3
    EXPECT_EQ(map->frameAt(map->sceneTime()), 3);
    test::expectColour(map->sample(0.5, 0.9, 0.5, 0.9), {1, 0, 120 / 255.0f, 1});
    EXPECT_NEAR(map->sample(0.5, 0.1, 0.5, 0.1).g, 1.0, 1e-6);
    scene.animGlobals().setCurrentFrame(18);  // 0.6 s: past the end, looped to frame 1
    EXPECT_NEAR(map->sample(0.5, 0.9, 0.5, 0.9).b, 40 / 255.0, 1e-6);
    map->loop = false;
    EXPECT_EQ(map->picture(), nullptr);
}

}  // namespace
}  // namespace fw
