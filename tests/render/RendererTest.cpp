// Frames through the renderer contract: what both renderers answer alike (light on faces, shadows, the sizes no
// renderer draws), then what the OpenGL one does through the real headless context (Mesa's llvmpipe here).
#include "render/Renderer.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdlib>

#include "Frames.h"
#include "render/LightSlots.h"
#include "render/LightingProgram.h"
#include "render/MaterialTextures.h"
#include "render/RayTracer.h"

namespace fw {
namespace {

class Render : public test::GLFrames {
protected:
    using Frames::draw;
    RenderImage draw() { return Frames::draw(*gl); }
    RayTracer tracer;
};
class Renderers : public Render {};

}  // namespace

TEST_F(Renderers, FacesTowardsALightAreBrighterNeverPassTheirTextureAndSizesOutOfRangeAreRefused) {
    (new test::TestBox(scene, "Box"))->rotate[1] = 45;  // a face towards the camera on each side
    addLight(Light::kAmbient)->color[0] = 0;
    LightX* sun = addLight(Light::kDirectional);
    sun->rotate[1] = 90;  // shining along -X: the light comes from the right
    LightX* bright = addLight(Light::kAmbient, 3.0);
    const int x = frame.width / 2, y = frame.height / 2;
    const std::pair<const char*, Renderer*> renderers[] = {{"OpenGL", gl}, {"ray tracer", &tracer}};
    for (auto [name, renderer] : renderers) {
        SCOPED_TRACE(name);
        sun->setFlag(DAGNode::kVisible, true);
        bright->setFlag(DAGNode::kVisible, false);
        RenderImage lit = draw(*renderer);
        EXPECT_GT(grey(lit, x + 20, y), grey(lit, x - 20, y) + 50);
        EXPECT_TRUE(renderer != &tracer || tracer.statistics().shadowFeelers == 0);  // no light casts shadows
        // Ambient only, however strong, stops at the fallback material's 0.8 grey.
        sun->setFlag(DAGNode::kVisible, false);
        bright->setFlag(DAGNode::kVisible, true);
        RenderImage ambient = draw(*renderer);
        EXPECT_NEAR(grey(ambient, x + 20, y), 204, 1);
        for (auto [width, height] : {std::pair{0, 10}, std::pair{10, 16385}}) {
            RenderFrame refused = frame;
            refused.width = width, refused.height = height;
            std::string error;
            EXPECT_FALSE(renderer->render(scene, *camera, refused, ambient, error));
            EXPECT_EQ(error, "the image size must be between 1 x 1 and 16384 x 16384");
            EXPECT_TRUE(renderer->sizeRefused());
        }
    }
}

// Where the OpenGL shadow falls against the traced one: ShadowPlacement in tests/app/RayTraceRenderTest.cpp.
TEST_F(Render, TracedShadowsKeepWhatTheirDarknessLeaves) {
    LightX* sun = addShadowScene(-90);
    sun->shadowDarkness = 0.8;
    const RenderImage shadowed = draw(tracer);
    EXPECT_GT(tracer.statistics().shadowFeelers, 0);
    sun->shadow = false;
    const RenderImage plain = draw(tracer);
    // The ground under the block keeps a fifth of its light; elsewhere it is unchanged.
    int dark = 0, other = 0;
    for (size_t i = 1; i < plain.rgba.size(); i += 4) {
        if (plain.rgba[i] == shadowed.rgba[i]) continue;
        const bool fifth = std::abs(shadowed.rgba[i] - static_cast<int>(std::lround(plain.rgba[i] * 0.2))) <= 1;
        (fifth ? dark : other)++;
    }
    EXPECT_GT(dark, 50);
    EXPECT_LT(other, dark / 10);  // only the shadow's edge falls between
    EXPECT_EQ(grey(plain, 5, 100), grey(shadowed, 5, 100));
    // The tracer's settings switch the feelers off.
    sun->shadow = true;
    tracer.setSettings({.shading = {.shadows = false}});
    EXPECT_EQ(draw(tracer).rgba, plain.rgba);
    EXPECT_EQ(tracer.statistics().shadowFeelers, 0);
}

// Multisampled frames are averaged into the picture: a slanted edge leaves pixels part
// way between the face and the background, where a frame of one sample has none.
TEST_F(Render, TheSilhouetteFollowsTheProjectionEdgesAreAveragedAndMediaFillsTheBackground) {
    auto* box = new test::TestBox(scene, "Box");  // 2 x 2 x 2 at the origin
    addWhiteAmbient();
    // The front face (z = 1) is 9 in front of the camera; its edge x = 1 lands at this fraction of the image width.
    double hw, hh;
    camera->frustumAt(9, hw, hh);
    const double edge = (1.0 / hw + 1) / 2 * frame.width;
    const RenderImage square = draw();
    EXPECT_GT(grey(square, static_cast<int>(std::floor(edge)) - 1, frame.height / 2), 100);
    EXPECT_EQ(grey(square, static_cast<int>(std::ceil(edge)) + 1, frame.height / 2), 0);
    box->rotate[2] = 17;
    for (int samples : {1, 4}) {
        frame.samples = samples;
        RenderImage image = draw();
        const int inside = grey(image, frame.width / 2, frame.height / 2);
        ASSERT_GT(inside, 100);
        int between = 0;
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x) {
                const int g = grey(image, x, y);
                between += g > 0 && g < inside - 8;
            }
        EXPECT_TRUE(samples == 1 ? between == 0 : between > 100) << between;  // 4: the square's slanted sides
    }
    // Two by two, bottom row first: red, green; then blue, white.
    frame.samples = 1;
    const uint8_t media[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    frame.backgroundImage = media;
    frame.backgroundWidth = frame.backgroundHeight = 2;
    const RenderImage full = draw();
    auto rgb = [&](int x, int y) { return std::vector<int>(full.pixel(x, y), full.pixel(x, y) + 3); };
    // Stretched: corners are the texels, these two telling a flip either way or a swap of the axes; the box in front.
    EXPECT_EQ((std::vector{rgb(199, 0), rgb(0, 199), rgb(100, 100)}),
              (std::vector<std::vector<int>>{{0, 255, 0}, {0, 0, 255}, {204, 204, 204}}));
    frame.backgroundOpacity = 0.5f;  // half over the black background colour
    EXPECT_NEAR(draw().pixel(199, 199)[0], 128, 2);
}

TEST_F(Render, AnEighthDirectLightIsNotDrawnAndFramesRepeat) {
    new test::TestBox(scene, "Box");
    for (int i = 0; i < 7; ++i) {
        LightX* dim = addLight(Light::kPoint, 0.05);
        dim->translate[1] = -50, dim->translate[2] = 10 + i;
    }
    const RenderImage seven = draw();
    addLight(Light::kPoint, 5.0)->translate[2] = 50;
    EXPECT_EQ(LightSlots::assign(scene).direct.size(), 7u);
    EXPECT_EQ(draw().rgba, seven.rgba);
}

TEST_F(Render, TheShadowMapIsKeptAcrossFramesAndRemadeForANewSize) {
    LightX* sun = addShadowScene(-70);
    RenderImage fine = draw();
    EXPECT_EQ(draw().rgba, fine.rgba);
    sun->shadowMapXRes = sun->shadowMapYRes = 256;
    RenderImage coarse = draw();
    EXPECT_NE(coarse.rgba, fine.rgba);  // a coarser map moves the shadow's edge
    sun->shadowMapXRes = sun->shadowMapYRes = 512;
    EXPECT_EQ(draw().rgba, fine.rgba);
    // The coarse map still covers the scene: its shadow falls where the fine one does.
    sun->shadow = false;
    RenderImage plain = draw();
    int shadowed = 0, both = 0;
    for (size_t i = 1; i < plain.rgba.size(); i += 4) {
        bool inFine = plain.rgba[i] > fine.rgba[i] + 40, inCoarse = plain.rgba[i] > coarse.rgba[i] + 40;
        shadowed += inFine;
        both += inFine && inCoarse;
    }
    EXPECT_GT(shadowed, 50);
    EXPECT_GT(both, shadowed * 8 / 10) << both << " of " << shadowed;
}

// Uploaded textures carry a mipmap chain made on our side; it must be the chain the driver's own generation makes,
// level by level, odd sizes included (llvmpipe's to the byte; another driver may round a step apart).
TEST_F(Render, UploadedMipmapsAreTheDriversOwn) {
    for (auto size : {std::pair{64, 32}, std::pair{37, 19}, std::pair{1, 9}}) {
        BakedMaterial material;
        BakedMaterial::Texture& color = material.surface[0].color;
        color.width = size.first, color.height = size.second;
        std::srand(7);
        for (int i = 0; i < color.width * color.height * 4; ++i)
            color.rgba.push_back(static_cast<uint8_t>(std::rand()));
        MaterialTextures textures;
        const unsigned ours = textures.upload(material).ids[0][0];
        GLuint theirs = 0;
        glGenTextures(1, &theirs);
        glBindTexture(GL_TEXTURE_2D, theirs);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, color.width, color.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     color.rgba.data());
        glGenerateMipmap(GL_TEXTURE_2D);
        auto level = [](unsigned texture, int l, int& w, int& h) {
            glBindTexture(GL_TEXTURE_2D, texture);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, l, GL_TEXTURE_WIDTH, &w);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, l, GL_TEXTURE_HEIGHT, &h);
            std::vector<uint8_t> texels(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            if (!texels.empty()) glGetTexImage(GL_TEXTURE_2D, l, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
            return texels;
        };
        // Level by level to the first the driver does not have, which ours must not have either.
        int largest = 0;
        for (int l = 0;; ++l) {
            int w = 0, h = 0, tw = 0, th = 0;
            std::vector<uint8_t> a = level(ours, l, w, h), b = level(theirs, l, tw, th);
            ASSERT_EQ(std::pair(w, h), std::pair(tw, th)) << size.first << " x " << size.second << " level " << l;
            if (w == 0) break;
            for (size_t i = 0; i < a.size(); ++i) largest = std::max(largest, std::abs(a[i] - b[i]));
        }
        const bool llvmpipe = gl->description().find("llvmpipe") != std::string::npos;
        EXPECT_LE(largest, llvmpipe ? 0 : 1) << size.first << " x " << size.second << " on " << gl->description();
        glDeleteTextures(1, &theirs);
        textures.release();
    }
}

TEST_F(Render, BrokenProgramsAreReportedNotCrashed) {
    LightingProgram program;
    std::string error;
    EXPECT_FALSE(program.build(error, false, LightingProgram::kVertexText,
                               "#version 120\nvoid main() { gl_FragColor = nope; }\n"));
    EXPECT_NE(error.find("the lighting fragment program does not compile"), std::string::npos) << error;
}

}  // namespace fw
