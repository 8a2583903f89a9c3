#pragma once
// What a renderer is asked for and what it hands back, whichever renderer draws:
// `RenderFrame` is the size, background and shadow settings of one picture,
// `RenderImage` its pixels.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fw {

struct RenderFrame {
    int width = 640;
    int height = 480;
    float background[4] = {0, 0, 0, 1};
    bool shadows = true;
    // Without shaders the frame is lit by OpenGL's own per-vertex lighting (no
    // shadows, stacks, bumps or reflections); advanced lighting aims its highlights
    // from the eye and adds them after the texture.
    bool shaders = true;
    bool advancedLighting = true;
    double shadowOffset = 0.002;  // depth bias against self-shadowing
    // Width over height of one pixel as the picture will be shown: the camera sees a
    // view width x pixelAspect / height wide, which the display stretches back.
    double pixelAspect = 1.0;
    int samples = 4;              // multisampling of the frame buffer (1: none)
    // Background media: 8-bit RGBA rows bottom-up, stretched over the whole frame
    // and laid over the background colour at `backgroundOpacity`.
    const uint8_t* backgroundImage = nullptr;
    int backgroundWidth = 0, backgroundHeight = 0;
    float backgroundOpacity = 1;
};

// Pixels as the renderer leaves them: 8-bit RGBA, not premultiplied, rows bottom-up.
struct RenderImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
    const uint8_t* pixel(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

}  // namespace fw
