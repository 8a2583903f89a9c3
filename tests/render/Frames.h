#pragma once
// Whole frames of a small scene through the renderer contract: a camera 10 in front of
// the origin looking back at it, lights added by type, drawn by either renderer.

#include <gmock/gmock.h>

#include "TestBox.h"
#include "render/CameraX.h"
#include "render/GLRenderer.h"
#include "render/LightX.h"
#include "render/Renderer.h"
#include "scene/SceneX.h"

namespace fw::test {

// Each of `got` within `tolerance` of the value in the same place of `want` (gmock's Pointwise, with braced lists).
inline void expectNear(const std::vector<double>& got, const std::vector<double>& want, double tolerance) {
    EXPECT_THAT(got, ::testing::Pointwise(::testing::DoubleNear(tolerance), want));
}

class Frames : public ::testing::Test {
protected:
    void SetUp() override {
        camera = new CameraX(scene, "Cam");
        camera->translate[2] = 10;
        frame.width = frame.height = 200;
    }

    RenderImage draw(Renderer& renderer) {
        RenderImage image;
        std::string error;
        EXPECT_TRUE(renderer.render(scene, *camera, frame, image, error)) << error;
        return image;
    }

    LightX* addLight(int type, double intensity = 1.0) {
        auto* light = new LightX(scene, nullptr);
        light->setType(type);
        light->intensity = intensity;
        return light;
    }
    void addWhiteAmbient() {
        LightX* ambient = addLight(Light::kAmbient);
        ambient->color[0] = ambient->color[1] = ambient->color[2] = 1;
    }

    // A block on a ground slab seen from above in front, under a shadow-casting sun tilted `tilt` (-90: straight down).
    LightX* addShadowScene(double tilt) {
        (new TestBox(scene, "Ground", 8, 0.2, 8))->translate[1] = -1.5;
        new TestBox(scene, "Block", 1, 1, 1);
        camera->translate[1] = 6;
        camera->rotate[0] = -35;
        LightX* sun = addLight(Light::kDirectional);
        sun->rotate[0] = tilt;
        sun->shadow = true;
        return sun;
    }

    static int grey(const RenderImage& image, int x, int y) { return image.pixel(x, y)[1]; }
    // The largest difference of any channel, and how many bytes differ at all.
    static int largestDifference(const RenderImage& a, const RenderImage& b, int* differing = nullptr) {
        int largest = 0, count = 0;
        for (size_t i = 0; i < a.rgba.size(); ++i) {
            const int d = std::abs(a.rgba[i] - b.rgba[i]);
            largest = std::max(largest, d);
            count += d > 0;
        }
        if (differing) *differing = count;
        return largest;
    }

    SceneX scene;
    CameraX* camera = nullptr;
    RenderFrame frame;
};

// The same through the process's OpenGL renderer, without materials or multisampling.
class GLFrames : public Frames {
protected:
    void SetUp() override {
        Frames::SetUp();
        std::string error;
        gl = GLRenderer::instance(error);
        ASSERT_NE(gl, nullptr) << error;
        gl->setMaterialLookup(nullptr);
        frame.samples = 1;
    }
    GLRenderer* gl = nullptr;
};

}  // namespace fw::test
