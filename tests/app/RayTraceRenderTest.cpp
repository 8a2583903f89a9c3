// The ray tracer through the real executable: the renderer option and the project's
// render method choose it, and its frame of a real title agrees with the OpenGL one
// where both must (the silhouette, the brightness of a plainly lit surface).
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <cmath>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "FilesAndImages.h"
#include "RunProgram.h"
#include "TempDir.h"

namespace {

struct Rgba {
    int width = 0, height = 0;
    std::vector<int> px;  // r g b a per pixel, bottom row first
    const int* at(int x, int y) const { return &px[(static_cast<size_t>(y) * width + x) * 4]; }
};

Rgba readRgba(const std::string& path) {
    Rgba r;
    FIBITMAP* loaded = FreeImage_Load(FreeImage_GetFileType(path.c_str()), path.c_str());
    if (!loaded) return r;
    FIBITMAP* image = FreeImage_ConvertTo32Bits(loaded);
    FreeImage_Unload(loaded);
    r.width = static_cast<int>(FreeImage_GetWidth(image));
    r.height = static_cast<int>(FreeImage_GetHeight(image));
    for (int y = 0; y < r.height; ++y) {
        const BYTE* row = FreeImage_GetScanLine(image, y);
        for (int x = 0; x < r.width; ++x)
            r.px.insert(r.px.end(), {row[x * 4 + FI_RGBA_RED], row[x * 4 + FI_RGBA_GREEN], row[x * 4 + FI_RGBA_BLUE],
                                     row[x * 4 + FI_RGBA_ALPHA]});
    }
    FreeImage_Unload(image);
    return r;
}

// The example title with some of its settings lines replaced.
std::string titleWith(const std::vector<std::pair<std::string, std::string>>& settings) {
    std::string text = test::slurp(std::string(FW_SOURCE_DIR) + "/examples/title.kxp");
    for (const auto& [keyword, value] : settings)
        text = std::regex_replace(text, std::regex("(^|\n)( *)" + keyword + " [^\n]*"), "$1$2" + keyword + " " + value,
                                  std::regex_constants::format_first_only);
    return text;
}

fw::test::Outcome render(const fw::test::TempDir& dir, const std::string& project, const std::string& arguments) {
    return fw::test::runProgram(FW_EXECUTABLE, "render " + dir.file(project) + " " + arguments, dir.path().string());
}

}  // namespace

// Renders the project both ways into dir/gl.png and dir/rt.png.
void renderBoth(const fw::test::TempDir& dir, const std::string& project, Rgba& gl, Rgba& rt) {
    auto a = render(dir, project, "--renderer gl --size 480x270 -o " + dir.file("gl.png"));
    ASSERT_EQ(a.status, 0) << a.err;
    auto b = render(dir, project, "--renderer raytrace --size 480x270 -o " + dir.file("rt.png"));
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_NE(b.err.find("  Number of rays traced = "), std::string::npos) << b.err;
    EXPECT_EQ(a.err.find("Number of rays traced"), std::string::npos);
    gl = readRgba(dir.file("gl.png"));
    rt = readRgba(dir.file("rt.png"));
    ASSERT_EQ(gl.width, 480);
    ASSERT_EQ(rt.width, 480);
    ASSERT_EQ(rt.height, 270);
}

TEST(RayTraceRender, SilhouetteAndBrightnessAgreeWithTheOpenGLFrame) {
    fw::test::TempDir dir;
    // The letters alone against a clear background: their outline is the silhouette.
    std::string letters = titleWith({{"UseAlphaMask", "\"1\""}});
    const std::string ground = "   name \"Ground\"\n   vis 1";
    ASSERT_NE(letters.find(ground), std::string::npos);
    letters.replace(letters.find(ground), ground.size(), "   name \"Ground\"\n   vis 0");
    test::spill(dir.file("letters.kxp"), letters);
    Rgba a, b;
    ASSERT_NO_FATAL_FAILURE(renderBoth(dir, "letters.kxp", a, b));
    long agree = 0, covered = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            bool inGL = a.at(x, y)[3] >= 128, inRT = b.at(x, y)[3] >= 128;
            agree += inGL == inRT;
            covered += inGL;
        }
    const double pixels = static_cast<double>(a.width) * a.height;
    ASSERT_GT(covered, pixels * 0.05);  // the title is in the picture
    ASSERT_LT(covered, pixels * 0.5);   // and the background around it
    const double agreement = agree / pixels;
    RecordProperty("silhouette_agreement", std::to_string(agreement));
    std::printf("silhouette agreement %.5f\n", agreement);
    EXPECT_GE(agreement, 0.995);

    // The whole title on its slate ground, lit by the project's lights: the mean
    // brightness where both frames are fully covered.
    test::spill(dir.file("title.kxp"), titleWith({{"UseAlphaMask", "\"1\""}}));
    ASSERT_NO_FATAL_FAILURE(renderBoth(dir, "title.kxp", a, b));
    long both = 0;
    double brightGL = 0, brightRT = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const int *p = a.at(x, y), *q = b.at(x, y);
            if (p[3] != 255 || q[3] != 255) continue;
            ++both;
            brightGL += (p[0] + p[1] + p[2]) / 3.0;
            brightRT += (q[0] + q[1] + q[2]) / 3.0;
        }
    ASSERT_GT(both, pixels * 0.3);
    const double ratio = brightRT / brightGL;
    RecordProperty("brightness_ratio", std::to_string(ratio));
    std::printf("brightness ray traced / OpenGL %.4f\n", ratio);
    EXPECT_NEAR(ratio, 1.0, 0.05);
}

TEST(RayTraceRender, TheRendererOptionAndTheRenderMethodChooseTheRenderer) {
    fw::test::TempDir dir;
    test::spill(dir.file("traced.kxp"), titleWith({{"RenderMethod", "\"2\""}, {"AntiAliasLevel", "\"0\""}}));
    auto traced = render(dir, "traced.kxp", "--size 64x36 -o " + dir.file("traced.png"));
    ASSERT_EQ(traced.status, 0) << traced.err;
    EXPECT_NE(traced.err.find("  Number of rays traced = "), std::string::npos) << traced.err;
    // The option wins over the project.
    auto overridden = render(dir, "traced.kxp", "--renderer gl --size 64x36 -o " + dir.file("gl.png"));
    ASSERT_EQ(overridden.status, 0) << overridden.err;
    EXPECT_EQ(overridden.err.find("Number of rays traced"), std::string::npos);
    // The program's own renderer is not built: the ray tracer stands in, and says so.
    test::spill(dir.file("own.kxp"), titleWith({{"RenderMethod", "\"1\""}, {"AntiAliasLevel", "\"0\""}}));
    auto own = render(dir, "own.kxp", "--size 64x36 -o " + dir.file("own.png"));
    ASSERT_EQ(own.status, 0) << own.err;
    EXPECT_NE(own.err.find("the Orvostat Renderer is not built yet"), std::string::npos) << own.err;
    EXPECT_NE(own.err.find("Number of rays traced"), std::string::npos);

    auto unknown = render(dir, "traced.kxp", "--renderer vulkan -o " + dir.file("x.png"));
    EXPECT_NE(unknown.status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.png")));
}

TEST(RayTraceRender, SettingsItCannotHonourAreRefusedOrReported) {
    fw::test::TempDir dir;
    // Per-vertex occlusion darkens where the letters meet the ground, as per-pixel does.
    test::spill(dir.file("vertex.kxp"), titleWith({{"AmbientOcclusion", "\"2\""}, {"AmbientDistance", "40"}}));
    auto vertex = render(dir, "vertex.kxp", "--renderer raytrace --size 32x18 -o " + dir.file("v.png"));
    EXPECT_EQ(vertex.status, 0) << vertex.err;
    EXPECT_TRUE(std::filesystem::exists(dir.file("v.png")));
    // A zero distance cannot measure occlusion.
    test::spill(dir.file("zero.kxp"), titleWith({{"AmbientOcclusion", "\"3\""}, {"AmbientDistance", "0"}}));
    auto zero = render(dir, "zero.kxp", "--renderer raytrace --size 32x18 -o " + dir.file("z.png"));
    EXPECT_NE(zero.status, 0);
    EXPECT_NE(zero.err.find("distance"), std::string::npos) << zero.err;
    // Level 9 is brought into range and reported; the frame is drawn.
    test::spill(dir.file("nine.kxp"), titleWith({{"AntiAliasLevel", "\"9\""}}));
    auto nine = render(dir, "nine.kxp", "--renderer raytrace --size 32x18 -o " + dir.file("n.png"));
    EXPECT_EQ(nine.status, 0) << nine.err;
    EXPECT_NE(nine.err.find("anti-alias level 9 is outside 0 to 5"), std::string::npos) << nine.err;
    // A negative shadow ray count under traced shadows is brought to one ray and said.
    test::spill(dir.file("rays.kxp"), titleWith({{"RayTraceShadows", "\"1\""}, {"NumShadowRays", "\"-3\""}}));
    auto rays = render(dir, "rays.kxp", "--renderer raytrace --size 32x18 -o " + dir.file("r.png"));
    EXPECT_EQ(rays.status, 0) << rays.err;
    EXPECT_NE(rays.err.find("-3 shadow rays cannot be traced; 1 is used"), std::string::npos) << rays.err;
}
