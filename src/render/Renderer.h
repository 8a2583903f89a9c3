#pragma once
// What every renderer of a scene answers to, whichever draws the picture: the frame
// asked for (`RenderFrame`), the pixels given back (`RenderImage`) and where the time
// went (`RenderTiming`). The OpenGL renderer and the ray tracer both implement
// `Renderer`; the size check and the gathering of what a frame draws live here, so
// both do them alike.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "render/DrawList.h"
#include "render/MultiPass.h"

namespace fw {

class Camera;
class SceneX;

// The size, background and shadow settings of one picture.
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
    // Anti-aliasing, depth of field and motion blur by passes (render/MultiPass.h).
    MultiPassSettings passes;

    // Width over height of the view the camera shows, pixels' own shape included.
    double viewAspect() const { return width * pixelAspect / height; }
};

// Pixels as the renderer leaves them: 8-bit RGBA, not premultiplied, rows bottom-up.
struct RenderImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
    const uint8_t* pixel(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// Seconds spent on the last frame.
struct RenderTiming {
    double geometry = 0;  // asking the objects' ports for their meshes
    double baking = 0;    // materials: lookups and texture uploads
    double drawing = 0;   // shadow map and scene, or the traced rays
    double readBack = 0;  // resolving and reading the pixels
    RenderTiming& operator+=(const RenderTiming& t) {
        geometry += t.geometry, baking += t.baking, drawing += t.drawing, readBack += t.readBack;
        return *this;
    }
    double total() const { return geometry + baking + drawing + readBack; }
};

class Renderer {
public:
    using MaterialLookup = DrawList::MaterialLookup;
    using StackLookup = DrawList::StackLookup;

    // The largest picture side any renderer draws.
    static constexpr int kMaxSide = 16384;

    virtual ~Renderer() = default;

    // The visible objects of `scene` seen through `camera` into `out`; false with the
    // reason in `error`.
    virtual bool render(SceneX& scene, Camera& camera, const RenderFrame& frame, RenderImage& out,
                        std::string& error) = 0;

    void setMaterialLookup(MaterialLookup lookup) { materials_ = std::move(lookup); }
    // Stacks take precedence over the material lookup where they give layers.
    void setStackLookup(StackLookup lookup) { stacks_ = std::move(lookup); }
    const RenderTiming& lastTiming() const { return timing_; }
    // Whether the last render failed because the picture asked for is too large to
    // draw (for this renderer, or any), not because something broke.
    bool sizeRefused() const { return sizeRefused_; }
    // Frames the last render drew: the product of its effects' pass counts, or 1.
    int framesDrawn() const { return framesDrawn_; }

    // Whether a frame of that size can be drawn at all; false with the reason in `error`.
    static bool sizeDrawable(int width, int height, std::string& error);

protected:
    // Starts a frame: clears the timing, refuses a size no renderer draws.
    bool begin(const RenderFrame& frame, std::string& error);
    // What the frame draws: the visible objects' meshes and the materials their parts
    // wear, timed as geometry and baking.
    void gather(SceneX& scene, DrawList& list);

    MaterialLookup materials_;
    StackLookup stacks_;
    RenderTiming timing_;
    bool sizeRefused_ = false;
    int framesDrawn_ = 0;
};

}  // namespace fw
