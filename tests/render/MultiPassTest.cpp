// Anti-aliasing, depth of field and motion blur by passes: which effects a frame's settings give and in what order, the
// changes each pass makes and undoes, the CPU sums, and whole OpenGL frames through the real headless context.
#include "render/MultiPass.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include "EdgeMeasure.h"
#include "Frames.h"
#include "platform/MathConstants.h"
#include "render/Camera.h"

namespace fw {
namespace {

// Counts the frames and checks the loop's order of sums.
struct CountingSums : PassSums {
    std::vector<int> cleared;
    int frames = 0;
    void clear(int k) override { cleared.push_back(k); }
    bool addFrame(int) override { return ++frames > 0; }
    void addMean(int, int) override {}
};

// Depth of field jitters the same way every render, about the point of focus, and puts the camera back.
TEST(MultiPass, EffectsWhoseConditionsHoldNestAndEachPutsBackWhatItsPassesMove) {
    MultiPassSettings s;
    s.antiAliasLevel = 2, s.depthOfField = 3.7, s.motionBlurPasses = 4, s.motionBlurShutter = 0.5;
    MultiPassList effects = multiPassEffects(s);
    ASSERT_EQ(effects.size(), 3u);
    EXPECT_NE(dynamic_cast<MotionBlurMultiPassGL*>(effects[0].get()), nullptr);
    EXPECT_EQ(effects[0]->columns * 10 + effects[0]->rows, 41);
    EXPECT_NE(dynamic_cast<DepthOfFieldMultiPassGL*>(effects[1].get()), nullptr);
    EXPECT_EQ(effects[1]->passCount(), 9);  // floor(3.7) per side
    EXPECT_NE(dynamic_cast<AntiAliasMultiPassGL*>(effects[2].get()), nullptr);
    EXPECT_EQ(multiPassEffects(s, false).size(), 2u) << "the ray tracer smooths its own edges";
    MultiPassSettings off;  // level 1 and depth 1 make no passes, nor a shut shutter whatever the count, nor one pass
    off.depthOfField = 1;
    off.motionBlurPasses = 4;
    EXPECT_TRUE(multiPassEffects(off).empty());
    off.motionBlurShutter = 0.5, off.motionBlurPasses = 1;
    EXPECT_TRUE(multiPassEffects(off).empty());
    // Motion blur outside depth of field outside anti-aliasing: every pass of an outer effect runs all the inner ones.
    CountingSums sums;
    PassContext context;
    SceneX scene;
    Camera& camera = *new CameraX(scene, "Cam");
    int frames = 0;
    ASSERT_TRUE(runPasses(effects, context, camera, sums, &frames));
    EXPECT_EQ(std::tuple(frames, sums.frames, sums.cleared.size()), std::tuple(4 * 9 * 4, 4 * 9 * 4, 1u + 4 + 4 * 9));
    // Anti-aliasing starts half a pixel off; motion blur never samples the shutter closing.
    AntiAliasMultiPassGL aa(2);
    std::vector<std::pair<double, double>> offsets;
    aa.begin(context, camera);
    for (int j = 0; j < aa.rows; ++j)
        for (int i = 0; i < aa.columns; ++i) {
            aa.setupPass(context, camera, i, j);
            offsets.emplace_back(context.pixelOffset[0], context.pixelOffset[1]);
        }
    aa.end(context, camera);
    EXPECT_EQ(offsets, (std::vector<std::pair<double, double>>{{-0.5, -0.5}, {0, -0.5}, {-0.5, 0}, {0, 0}}));
    EXPECT_EQ(std::pair(context.pixelOffset[0], context.pixelOffset[1]), std::pair(0.0, 0.0));
    std::vector<double> played;
    context.time = 10;
    context.playAt = [&](double t) { played.push_back(t); };
    MotionBlurMultiPassGL blur(4, 0.5, 0);
    blur.begin(context, camera);
    for (int i = 0; i < 4; ++i) blur.setupPass(context, camera, i, 0);
    blur.end(context, camera);
    EXPECT_EQ(std::pair(played, context.time), std::pair(std::vector<double>{10, 10.125, 10.25, 10.375, 10}, 10.0));
    for (int mode : {Camera::kOrbit, Camera::kTransform}) {
        SCOPED_TRACE(mode);
        Camera& turned = *new CameraX(scene, mode == Camera::kOrbit ? "Orbit" : "Placed");
        turned.setMode(mode);
        turned.tumbleLeftRight = 30, turned.tumbleUpDown = -10;
        turned.translate[2] = 10;
        const glm::dmat4 before = turned.cameraToWorld();
        auto run = [&] {
            std::vector<glm::dmat4> seen;
            DepthOfFieldMultiPassGL dof(3);
            PassContext fresh;
            dof.begin(fresh, turned);
            for (int i = 0; i < dof.passCount(); ++i) {
                dof.setupPass(fresh, turned, i % 3, i / 3);
                seen.push_back(turned.cameraToWorld());
            }
            dof.end(fresh, turned);
            return seen;
        };
        const std::vector<glm::dmat4> first = run(), second = run();
        EXPECT_EQ(first, second);
        EXPECT_NE(first[0], first[1]);
        EXPECT_EQ(turned.cameraToWorld(), before);
        // Turned about the point of focus: it stays where the camera looks.
        const glm::dvec3 focus = glm::dvec3(before * glm::dvec4(0, 0, -turned.focusDistance(), 1));
        for (const glm::dmat4& m : first) {
            const glm::dvec3 ahead = glm::dvec3(m * glm::dvec4(0, 0, -turned.focusDistance(), 1));
            EXPECT_LT(glm::length(ahead - focus), 1e-9);
        }
    }
}

TEST(FloatAccumBuffer, SumsRowsByFieldAndResolvesTheCappedMean) {
    FloatAccumBuffer sums(1, 3);
    float dest[12];
    // No pass added: the sums come out unscaled.
    sums.resolve(dest, 4);
    EXPECT_EQ(dest[0], 0);
    float rows[12] = {0.5f, 0.25f, 2.0f, 1.0f, 0.1f, 0.1f, 0.1f, 1.0f, 0.3f, 0.3f, 0.3f, 0.5f};
    sums.setSource(rows, 4);
    sums.accumulate();
    sums.accumulate(FloatAccumBuffer::kEvenRows);
    sums.accumulate(FloatAccumBuffer::kOddRows);
    // Flipped, the first row comes out last; values above 1 are written as 1; the odd row is in all rows and odd rows.
    sums.resolve(dest, 4, true);
    test::expectNear({dest[8], dest[10], dest[4], dest[0]}, {0.5f * 2 / 3, 1.0f, 0.1f * 2 / 3, 0.3f * 2 / 3}, 2e-8);
    // Straightened: colour / alpha, alpha the mean.
    sums.unpremultiply();
    sums.resolve(dest, 4);
    test::expectNear({dest[8], dest[11]}, {0.6f, 0.5f * 2 / 3}, 2e-8);
    sums.reset();
    sums.resolve(dest, 4);
    EXPECT_EQ(dest[8], 0);
}

// Frames seen straight on through a parallel view of 10 pixels per unit, lit white, on black.
class PassFrames : public test::GLFrames {
protected:
    void SetUp() override {
        GLFrames::SetUp();
        frame.shadows = false;
        addWhiteAmbient();
        camera->setProjection(Camera::kOrthographic);
        camera->orthoWidth = 20;
    }
    // The columns `from` to `to` of row `y` neither black nor the row's full brightness.
    static int partial(const RenderImage& image, int y, int from, int to) {
        int full = 0, n = 0;
        for (int x = 0; x < image.width; ++x) full = std::max(full, int(image.pixel(x, y)[1]));
        for (int x = from; x < to; ++x) n += image.pixel(x, y)[1] > 8 && image.pixel(x, y)[1] < full - 8;
        return n;
    }
};

TEST_F(PassFrames, AntiAliasingSoftensASlantedEdgeAndBringsItNearerItsLine) {
    // A square of side 20 turned 8 degrees, its right edge through the middle of the frame.
    auto* box = new test::TestBox(scene, "Square", 20, 20, 1);
    const double a = std::cos(8 * kPi / 180), b = std::sin(8 * kPi / 180);
    box->rotate[2] = 8;
    box->translate[0] = -10 * a;
    box->translate[1] = -10 * b;
    std::vector<test::EdgeMeasure> levels;
    for (int level : {1, 4}) {
        frame.passes.antiAliasLevel = level;
        levels.push_back(test::measureEdge(draw(*gl), a, b, a * frame.width / 2 + b * frame.height / 2, 40, 160));
        EXPECT_EQ(gl->framesDrawn(), level * level);
    }
    EXPECT_LT(levels[0].intermediatePixels, levels[1].intermediatePixels);
    EXPECT_THAT(levels[1].rmsError, ::testing::AllOf(::testing::Lt(levels[0].rmsError), ::testing::Lt(0.2)));
}

TEST_F(PassFrames, MotionBlurStreaksAsFarAsTheShutterStaysOpenAndAveragesItsPasses) {
    // A square of side 6 moving one unit (10 pixels) to the right per frame, at frame 5.
    auto* box = new test::TestBox(scene, "Square", 6, 6, 1);
    frame.passes.playAt = [box](double t) { box->translate[0] = t - 5; };
    frame.passes.time = 5;
    frame.passes.motionBlurPasses = 8;
    const int row = frame.height / 2;
    std::vector<int> streaks;
    for (double shutter : {1.0, 0.5, 0.0}) {
        frame.passes.motionBlurShutter = shutter;
        streaks.push_back(partial(draw(*gl), row, 0, frame.width));
    }
    EXPECT_EQ(gl->framesDrawn(), 1) << "shutter 0: no motion blur";
    EXPECT_NEAR(streaks[0], 2 * 10, 3);  // both sides of the square, 10 pixels each
    EXPECT_NEAR(streaks[1], 2 * 5, 3);
    EXPECT_EQ(streaks[2], 0);
    // The passes' mean: two passes, each drawn alone.
    frame.passes.motionBlurPasses = 2, frame.passes.motionBlurShutter = 1;
    RenderImage blurred = draw(*gl);
    EXPECT_EQ(gl->framesDrawn(), 2);
    frame.passes.motionBlurPasses = 1;
    frame.passes.playAt(5.0);
    RenderImage mean = draw(*gl);
    frame.passes.playAt(5.5);
    const RenderImage later = draw(*gl);
    for (size_t i = 0; i < later.rgba.size(); ++i) mean.rgba[i] = (mean.rgba[i] + later.rgba[i] + 1) / 2;
    EXPECT_LE(largestDifference(blurred, mean), 1);
}

TEST_F(PassFrames, DepthOfFieldKeepsTheFocusSharpAndBlursWhatLiesBehind) {
    camera->setProjection(Camera::kPerspective);
    camera->target[0] = camera->target[1] = camera->target[2] = 0;  // in focus: 10 ahead
    // Seen from 10 away the near square spans columns 14 to 71; the far one, 50 away, columns 117 to 174.
    (new test::TestBox(scene, "Near", 2, 2, 0.1))->translate[0] = -2;
    auto* farBox = new test::TestBox(scene, "Far", 10, 10, 0.1);
    farBox->translate[0] = 8, farBox->translate[2] = -40;
    const int row = frame.height / 2;
    auto widths = [&](const RenderImage& image) {
        return std::pair(partial(image, row, 0, frame.width / 2), partial(image, row, frame.width / 2, frame.width));
    };
    const auto sharp = widths(draw(*gl));
    frame.passes.depthOfField = 10;
    const auto blurred = widths(draw(*gl));
    EXPECT_EQ(gl->framesDrawn(), 100);
    EXPECT_LE(blurred.first, sharp.first + 2);
    EXPECT_GE(blurred.second, sharp.second + 3);
}

// A driver without float buffers: each pass is summed from the read buffer, alpha first.
TEST_F(PassFrames, WithoutFloatBuffersPassesAreSummedFromTheReadBufferAlphaFirst) {
    GLuint fbo = 0, colour = 0;
    glGenFramebuffers(1, &fbo);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 4, 2);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    // Two motion-blur passes, each clearing the buffer to a premultiplied colour: half covered red, then fully covered
    // blue. The mean comes out straight, which it does only if the sums keep alpha where they read it.
    MultiPassSettings settings;
    settings.motionBlurPasses = 2, settings.motionBlurShutter = 1;
    MultiPassList effects = multiPassEffects(settings);
    const float background[3] = {0, 1, 0};
    RenderImage image;
    int pass = 0;
    CpuPassSums cpu(effects, 4, 2, background,
                    [&](RenderImage&) {
                        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
                        if (pass++ == 0) glClearColor(0.5f, 0, 0, 0.5f);
                        else glClearColor(0, 0, 1, 1);
                        glClear(GL_COLOR_BUFFER_BIT);
                        return true;
                    },
                    image, true);
    PassContext context;
    ASSERT_TRUE(runPasses(effects, context, *camera, cpu));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo);
    glDeleteRenderbuffers(1, &colour);
    ASSERT_EQ(image.width, 4);
    // Red 0.5 of 1.5 coverage, blue 1 of 1.5; alpha 0.75.
    const int want[] = {85, 0, 170, 191};
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(image.pixel(1, 1)[k], want[k], k == 1 ? 0 : 1) << "channel " << k;
}

}  // namespace
}  // namespace fw
