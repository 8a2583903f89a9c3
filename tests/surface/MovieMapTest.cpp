// Movie maps: frames of a real movie file, read in any order, chosen by scene time.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/MovieReader.h"
#include "platform/MovieWriter.h"
#include "scene/AnimGlobals.h"
#include "scene/SceneX.h"
#include "surface/ImageFile.h"
#include "surface/ImageMap.h"
#include "surface/Picture.h"

namespace fw {
namespace {

constexpr int kWidth = 16, kHeight = 8, kFrames = 5, kRate = 10;

// Frame k, losslessly: the top half red, the bottom half green, blue rising by 40 a frame.
bool writeMovie(const std::string& path) {
    MovieWriter writer;
    bool ok = writer.open(path, {kWidth, kHeight, FrameRate{kRate, 1}, "png", false});
    for (int k = 0; ok && k < kFrames; ++k) {
        std::vector<uint8_t> rgba;
        for (int y = 0; y < kHeight; ++y)  // bottom-up
            for (int x = 0; x < kWidth; ++x)
                rgba.insert(rgba.end(), {uint8_t(y < kHeight / 2 ? 0 : 255), uint8_t(y < kHeight / 2 ? 255 : 0),
                                         uint8_t(40 * k), 255});
        ok = writer.addFrame(rgba.data());
    }
    return ok && writer.finish();
}

class MovieMaps : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(writeMovie(path)); }
    test::TempDir dir;
    std::string path = dir.file("clip.mov");
};

// Frames in order are covered with the movie writer's tests; here they are read back
// and forth, which makes the reader seek.
TEST_F(MovieMaps, ReaderGivesAnyFrameInAnyOrder) {
    MovieReader reader;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    ASSERT_EQ(reader.frameCount(), kFrames);
    std::vector<uint8_t> rgba;
    for (int k : {3, 4, 1, 0, 2, 2}) {
        ASSERT_TRUE(reader.readFrame(k, rgba)) << k << ": " << reader.error();
        ASSERT_EQ(rgba.size(), size_t(kWidth * kHeight * 4));
        EXPECT_EQ(rgba[(kHeight - 1) * kWidth * 4 + 2], 40 * k);
    }
    EXPECT_FALSE(reader.readFrame(kFrames, rgba));
    MovieReader none;
    EXPECT_FALSE(none.open(dir.file("none.mov")));
    EXPECT_NE(none.error().find(dir.file("none.mov")), std::string::npos);
}

TEST_F(MovieMaps, MapShowsTheFrameOfTheSceneTimeAtTheMoviesRate) {
    SceneX scene;
    auto* file = new ImageFile(scene, "Clip");
    file->setPath(path);
    auto* map = new ImageMap(scene, "ClipMap");
    map->setImageFile("Clip");
    ASSERT_EQ(file->source(), ImageFile::kMovie) << file->error();
    EXPECT_EQ(file->width(), kWidth);
    scene.animGlobals().framesPerSecond = 30;
    scene.animGlobals().setCurrentFrame(9);  // 0.3 s: movie frame 3
    EXPECT_EQ(map->frameAt(map->sceneTime()), 3);
    const Rgba top = map->sample(0.5, 0.9, 0.5, 0.9);
    EXPECT_NEAR(top.r, 1.0, 1e-6);
    EXPECT_NEAR(top.g, 0.0, 1e-6);
    EXPECT_NEAR(top.b, 120 / 255.0, 1e-6);
    EXPECT_NEAR(map->sample(0.5, 0.1, 0.5, 0.1).g, 1.0, 1e-6);
    scene.animGlobals().setCurrentFrame(18);  // 0.6 s: past the end, looped to frame 1
    EXPECT_NEAR(map->sample(0.5, 0.9, 0.5, 0.9).b, 40 / 255.0, 1e-6);
    map->loop = false;
    EXPECT_EQ(map->picture(), nullptr);
}

}  // namespace
}  // namespace fw
