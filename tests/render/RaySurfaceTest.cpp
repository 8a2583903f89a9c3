// The ray tracer's surfaces against the OpenGL frame pixel by pixel: an unlit square wearing material stacks, projected
// and tiled mappings, turned coordinates, bumps under an environment map and Fresnel surfaces.
#include "render/RaySurface.h"

#include <glm/gtc/matrix_transform.hpp>

#include "Frames.h"
#include "render/RayTracer.h"
#include "surface/BlendMode.h"
#include "surface/MaterialStackItem.h"

namespace fw {
namespace {

using Texel = std::function<glm::vec4(double x, double y)>;  // x, y in 0..1 over the texture

BakedMaterial::Texture painted(int w, int h, const Texel& paint) {
    BakedMaterial::Texture t;
    t.width = w, t.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            glm::vec4 c = paint((x + 0.5) / w, (y + 0.5) / h);
            for (int k = 0; k < 4; ++k) t.rgba.push_back(BakedMaterial::Texture::byte(c[k]));
        }
    return t;
}

BakedMaterial unlit(const BakedMaterial::Texture& colour) {
    BakedMaterial m;
    m.lighting = false;
    m.surface[0].color = colour;
    return m;
}

// The OpenGL program's unlit colour of a point: each surface's colour at its opacity
// with its share of the environment, the two mixed by the view angle.
bool unlitColour(const RaySurface::Point& p, glm::vec4& colour) {
    glm::vec4 result[2];
    for (int i = 0; i < p.coats; ++i) {
        const RaySurface::Coat& l = p.coat[i];
        glm::vec4 c = l.colour * l.opacity;
        if (l.reflectionAmount > 0)
            c = glm::clamp(c + l.environment * l.reflectionAmount * p.visibility * l.specularTexel.a, 0.0f, 0.999999f);
        result[i] = c;
    }
    colour = p.coats == 2 ? result[0] * (1 - p.fresnelMix) + result[1] * p.fresnelMix : result[0];
    colour = glm::clamp(colour, 0.0f, 0.999999f);
    return true;
}

struct Agreement {
    double meanDifference = 0;  // per channel, in 1/255 steps
    double within = 0;          // the share of channels within 4/255
    long pixels = 0;
};

class TracedAgainstGL : public test::GLFrames {
protected:
    void SetUp() override {
        GLFrames::SetUp();
        square = new test::TestBox(scene, "Square", 4, 4, 0.01);
        frame.width = frame.height = 160;
        frame.shadows = false;
    }
    void TearDown() override { if (gl) gl->setMaterialLookup(nullptr), gl->setStackLookup(nullptr); }
    // Both frames of the square wearing `layers` (the bottom one's material everywhere), the traced one left in `b`,
    // compared where the square covers a pixel and its neighbours.
    Agreement compare(const std::vector<DrawList::Layer>& layers, RenderImage& b) {
        DrawList::MaterialLookup material = [&](Object&, int) { return layers[0].material; };
        DrawList::StackLookup stack = [&](Object&, int) { return layers; };
        gl->setMaterialLookup(material);
        gl->setStackLookup(stack);
        const RenderImage a = draw(*gl);
        std::string error;
        DrawList list;
        list.gather(scene);
        list.assignMaterials(material, stack);
        RayScene rays;
        EXPECT_TRUE(rays.build(list, error)) << error;
        RayTracer tracer;
        RayTracer::Shader shade = [&](const RayScene::Hit& hit, const glm::vec3& direction, glm::vec4& colour) {
            const DrawList::Item& item = list.items()[static_cast<size_t>(hit.item)];
            RaySurface::Point point;
            return RaySurface::evaluate(item, item.parts[static_cast<size_t>(hit.part)], hit, direction, point) &&
                   unlitColour(point, colour);
        };
        EXPECT_TRUE(tracer.trace(rays, RayTracer::View::of(*camera, 1.0), frame, shade, b, error)) << error;
        Agreement result;
        const int W = frame.width, H = frame.height;
        auto covered = [&](int x, int y) { return tracer.hitBuffer()[static_cast<size_t>(H - 1 - y) * W + x] >= 0; };
        long close = 0;
        for (int y = 1; y < H - 1; ++y)
            for (int x = 1; x < W - 1; ++x) {
                bool inside = true;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) inside = inside && covered(x + dx, y + dy);
                if (!inside) continue;
                ++result.pixels;
                // Traced points without anti-aliasing spread over one pixel less than the
                // frame: read the OpenGL frame where the ray went.
                const double gx = (x + 0.5) * W / (W - 1) - 0.5, gy = H - (H - 0.5 - y) * H / (H - 1) - 0.5;
                const int x0 = static_cast<int>(gx), y0 = static_cast<int>(gy);
                const double fx = gx - x0, fy = gy - y0;
                for (int k = 0; k < 4; ++k) {
                    auto at = [&](int px, int py) { return a.pixel(std::min(px, W - 1), std::min(py, H - 1))[k]; };
                    const double seen = (at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx) * (1 - fy) +
                                        (at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx) * fy;
                    const double d = std::fabs(seen - b.pixel(x, y)[k]);
                    result.meanDifference += d;
                    close += d <= 4;
                }
            }
        const double channels = 4.0 * std::max(result.pixels, 1L);
        result.meanDifference /= channels;
        result.within = close / channels;
        return result;
    }

    test::TestBox* square = nullptr;
};

}  // namespace

TEST_F(TracedAgainstGL, StacksMappingsTilingBumpsAndFresnelMatchTheOpenGLFrame) {
    auto layerOf = [](const BakedMaterial& m, int mapping = 2, int tiling = 2, glm::vec2 tile = {1, 1}) {
        return DrawList::Layer{.material = &m, .mapping = mapping, .tiling = tiling, .tile = tile};
    };
    auto plain = [](glm::vec4 c) { return [c](double, double) { return c; }; };
    BakedMaterial base = unlit(painted(6, 6, [](double x, double y) { return glm::vec4(x, y, 1 - x, 1); }));
    BakedMaterial top = unlit(painted(2, 2, [](double x, double y) {
        return x < 0.5 ? glm::vec4(1, y < 0.5 ? 0.2 : 0.9, 0.3, 1) : glm::vec4(0.1, 0.6, y < 0.5 ? 1 : 0.4, 0.7);
    }));
    top.surface[0].opacity = 0.9f;
    BakedMaterial overlay = unlit(painted(3, 3, [](double x, double y) { return glm::vec4(y, 0.5, x, 0.8); }));
    // A second item multiplied on at 0.8.
    const DrawList::Layer multiply{.material = &top, .blend = BlendMode::kMultiply, .amount = 0.8f};
    // Along Z over the square's width, tiled 3 x 2; under the camera's view screened on and clear outside one copy.
    DrawList::Layer planar = layerOf(base, MaterialStackItem::kPlanarZ, 2, {3, 2});
    planar.scale = glm::vec2(0.25f);
    DrawList::Layer camera = layerOf(overlay, MaterialStackItem::kCamera, MaterialStackItem::kNoneClip);
    camera.blend = BlendMode::kScreen, camera.amount = 0.8f;
    camera.uvTransform = glm::translate(glm::scale(glm::mat4(1), glm::vec3(1.5f, 1.5f, 1)), glm::vec3(-0.2f, -0.2f, 0));
    // The mesh's coordinates turned by 30 degrees, mirrored twice each way.
    DrawList::Layer turned = layerOf(base, 2, MaterialStackItem::kMirror, {2, 2});
    turned.uvTransform = glm::rotate(glm::mat4(1), glm::radians(30.0f), glm::vec3(0, 0, 1));
    // Bumps bend the normal that mirrors the view into an environment map.
    BakedMaterial shiny = unlit(painted(2, 2, plain({0.3, 0.3, 0.3, 1})));
    shiny.surface[0].reflection = painted(16, 8, [](double x, double y) { return glm::vec4(y, x, 0.5, 1); });
    shiny.surface[0].reflectionAmount = 0.7f;
    shiny.surface[0].bump =
        painted(16, 16, [](double x, double y) { return glm::vec4(1, 1, 1, 0.5 + 0.4 * std::sin(6 * x + 3 * y)); });
    shiny.surface[0].bumpAmount = 0.15f;
    // Red facing the view, blue at grazing angles.
    BakedMaterial fresnel = unlit(painted(2, 2, plain({1, 0, 0, 1})));
    fresnel.fresnel = true;
    fresnel.surface[1].color = painted(2, 2, plain({0, 0, 1, 1}));
    fresnel.fresnelStart = 0.1f, fresnel.fresnelEnd = 0.9f, fresnel.fresnelBlend = 0.05f;
    // Each case's name, layers and the square's turn about Y in degrees.
    const std::tuple<const char*, std::vector<DrawList::Layer>, double> cases[] = {
        {"multiply", {layerOf(base), multiply}, 0}, {"planar and camera", {planar, camera}, 0},
        {"turned", {turned}, 0},                    {"bumps", {layerOf(shiny)}, 25},
        {"fresnel head-on", {layerOf(fresnel)}, 0}, {"fresnel slanted", {layerOf(fresnel)}, 60}};
    RenderImage traced[std::size(cases)];
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [name, layers, turn] = cases[i];
        square->rotate[1] = turn;
        const Agreement agreement = compare(layers, traced[i]);
        SCOPED_TRACE(name);
        ASSERT_GT(agreement.pixels, 4000);
        EXPECT_LT(agreement.meanDifference, 1.0);
        EXPECT_GT(agreement.within, 0.98);
    }
    // The bumps show in the environment (it varies along the bumps' slope), and the slant turns red to blue.
    int low = 255, high = 0;
    for (int x = 50; x < 110; ++x)
        low = std::min<int>(low, traced[3].pixel(x, 80)[0]), high = std::max<int>(high, traced[3].pixel(x, 80)[0]);
    EXPECT_GT(high - low, 40);
    EXPECT_GT(traced[4].pixel(80, 80)[0], 240);
    EXPECT_GT(traced[5].pixel(80, 80)[2], 180);
}

}  // namespace fw
