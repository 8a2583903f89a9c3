// What both renderers answer alike through the Renderer contract: light on faces,
// shadows, and the sizes no renderer draws.
#include "render/Renderer.h"

#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "Frames.h"
#include "render/GLRenderer.h"
#include "render/RayTracer.h"

namespace fw {
namespace {

class Renderers : public test::Frames {
protected:
    void SetUp() override {
        Frames::SetUp();
        std::string error;
        gl = GLRenderer::instance(error);
        ASSERT_NE(gl, nullptr) << error;
        gl->setMaterialLookup(nullptr);
        frame.samples = 1;
    }
    std::vector<std::pair<const char*, Renderer*>> both() { return {{"OpenGL", gl}, {"ray tracer", &tracer}}; }

    GLRenderer* gl = nullptr;
    RayTracer tracer;
};

}  // namespace

TEST_F(Renderers, FacesTowardsALightAreBrighterAndNeverPassTheirTexture) {
    (new test::TestBox(scene, "Box"))->rotate[1] = 45;  // a face towards the camera on each side
    addLight(Light::kAmbient)->color[0] = 0;
    LightX* sun = addLight(Light::kDirectional);
    sun->rotate[1] = 90;  // shining along -X: the light comes from the right
    LightX* bright = addLight(Light::kAmbient, 3.0);
    const int x = frame.width / 2, y = frame.height / 2;
    for (auto [name, renderer] : both()) {
        SCOPED_TRACE(name);
        sun->setFlag(DAGNode::kVisible, true);
        bright->setFlag(DAGNode::kVisible, false);
        RenderImage lit = draw(*renderer);
        EXPECT_GT(grey(lit, x + 20, y), grey(lit, x - 20, y) + 50);
        if (renderer == &tracer) {
            EXPECT_EQ(tracer.statistics().shadowFeelers, 0);  // no light casts shadows
        }
        // Ambient only, however strong, stops at the fallback material's 0.8 grey.
        sun->setFlag(DAGNode::kVisible, false);
        bright->setFlag(DAGNode::kVisible, true);
        RenderImage ambient = draw(*renderer);
        EXPECT_NEAR(grey(ambient, x + 20, y), 204, 1);
        EXPECT_NEAR(grey(ambient, x - 20, y), 204, 1);
        EXPECT_EQ(grey(ambient, 2, 2), 0);  // the background
    }
}

TEST_F(Renderers, ShadowsDarkenWhatTheyFallOn) {
    LightX* sun = addShadowScene(-90);
    sun->shadowDarkness = 0.8;
    RenderImage shadowed, plain;
    for (auto [name, renderer] : both()) {
        SCOPED_TRACE(name);
        sun->shadow = true;
        shadowed = draw(*renderer);
        if (renderer == &tracer) {
            EXPECT_GT(tracer.statistics().shadowFeelers, 0);
        }
        sun->shadow = false;
        plain = draw(*renderer);
        // Somewhere on the ground below the block it is darker with the shadow on, and
        // far from it the ground is the same either way.
        int darker = 0;
        for (size_t i = 1; i < plain.rgba.size(); i += 4) darker += plain.rgba[i] > shadowed.rgba[i] + 40;
        EXPECT_GT(darker, 50);
        EXPECT_EQ(grey(plain, 5, 100), grey(shadowed, 5, 100));
    }
    // Traced, the ground under the block keeps a fifth of its light; elsewhere it is unchanged.
    int dark = 0, other = 0;
    for (size_t i = 1; i < plain.rgba.size(); i += 4) {
        if (plain.rgba[i] == shadowed.rgba[i]) continue;
        const bool fifth = std::abs(shadowed.rgba[i] - static_cast<int>(std::lround(plain.rgba[i] * 0.2))) <= 1;
        (fifth ? dark : other)++;
    }
    EXPECT_GT(dark, 50);
    EXPECT_LT(other, dark / 10);  // only the shadow's edge falls between
    // The tracer's settings switch the feelers off.
    sun->shadow = true;
    RayTracer::Settings s;
    s.shading.shadows = false;
    tracer.setSettings(s);
    EXPECT_EQ(draw(tracer).rgba, plain.rgba);
    EXPECT_EQ(tracer.statistics().shadowFeelers, 0);
}

TEST_F(Renderers, RefuseSizesNoRendererDraws) {
    for (auto [name, renderer] : both())
        for (auto [width, height] : {std::pair{0, 10}, std::pair{10, 16385}}) {
            SCOPED_TRACE(name);
            frame.width = width, frame.height = height;
            RenderImage image;
            std::string error;
            EXPECT_FALSE(renderer->render(scene, *camera, frame, image, error));
            EXPECT_EQ(error, "the image size must be between 1 x 1 and 16384 x 16384");
            EXPECT_TRUE(renderer->sizeRefused());
        }
}

}  // namespace fw
