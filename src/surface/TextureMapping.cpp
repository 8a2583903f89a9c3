#include "surface/TextureMapping.h"

#include <algorithm>
#include <glm/common.hpp>

#include "platform/MathConstants.h"
#include "surface/BlendMode.h"

namespace fw {

namespace {

constexpr float kTwoPiF = static_cast<float>(2 * kPi);

}  // namespace

float TextureMapping::Angles::turn(float y, float x) {
    float a = std::atan2(y, x);
    if (a < 0) a += kTwoPiF;
    return a / kTwoPiF;
}

float TextureMapping::Angles::latitude(float dy) { return (std::asin(dy) + kTwoPiF / 4) / (kTwoPiF / 2); }

glm::vec2 TextureMapping::withinPeriod(glm::vec2 uv, int tiling) {
    if (tiling == kRepeat) uv -= glm::floor(uv);
    if (tiling == kMirror) uv -= 2.0f * glm::floor(uv * 0.5f);
    return uv;
}

int TextureMapping::wrapTexel(int i, int n, int tiling) {
    switch (tiling) {
        case kNone: return std::clamp(i, 0, n - 1);
        case kMirror: {
            int m = ((i % (2 * n)) + 2 * n) % (2 * n);
            return m < n ? m : 2 * n - 1 - m;
        }
        case kNoneClip: return i >= 0 && i < n ? i : -1;
        default: return ((i % n) + n) % n;
    }
}

// The share grows with the angle between the view and the normal, a right angle
// giving all of it, stretched over the falloff range and tightened by a power.
float TextureMapping::fresnelMix(float cosine, float start, float end, float tightness) {
    const float a = std::clamp(cosine, -1.0f, 1.0f);
    float angle = std::acos(a) * 360.0f / kTwoPiF;
    if (angle > 90) angle = 180 - angle;
    float mix = angle / 90;
    const float range = end - start;
    if (range > 0 && range != 1) mix = std::clamp((mix - start) / range, 0.0f, 1.0f);
    if (tightness > 0) mix = std::pow(mix, 10 * tightness);
    return mix;
}

std::string TextureMapping::glslConstants() {
    const struct {
        const char* name;
        int value;
    } constants[] = {
        {"MAPPING_SPHERICAL", kSpherical},
        {"MAPPING_PLANAR_X", kPlanarX},
        {"MAPPING_PLANAR_Y", kPlanarY},
        {"MAPPING_PLANAR_Z", kPlanarZ},
        {"MAPPING_PLANAR_NX", kPlanarNX},
        {"MAPPING_PLANAR_NY", kPlanarNY},
        {"MAPPING_PLANAR_NZ", kPlanarNZ},
        {"MAPPING_CYLINDRICAL_X", kCylindricalX},
        {"MAPPING_CYLINDRICAL_Y", kCylindricalY},
        {"MAPPING_CYLINDRICAL_Z", kCylindricalZ},
        {"MAPPING_CUBIC", kCubic},
        {"MAPPING_CAMERA", kCamera},
        {"MAPPING_DRAWING", kDrawing},
        {"TILING_NONE", kNone},
        {"BLEND_SCREEN", BlendMode::kScreen},
        {"BLEND_MULTIPLY", BlendMode::kMultiply},
        {"BLEND_OVERLAY", BlendMode::kOverlay},
        {"BLEND_SOFT_LIGHT", BlendMode::kSoftLight},
        {"BLEND_ADD", BlendMode::kAdd},
        {"BLEND_MAGIC_GLUE_1", BlendMode::kMagicGlue1},
        {"BLEND_MAGIC_GLUE_2", BlendMode::kMagicGlue2},
        {"BLEND_MAGIC_GLUE_3", BlendMode::kMagicGlue3},
    };
    std::string text;
    for (const auto& c : constants) text += std::string("#define ") + c.name + " " + std::to_string(c.value) + "\n";
    return text;
}

}  // namespace fw
