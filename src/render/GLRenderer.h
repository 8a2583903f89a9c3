#pragma once
// The OpenGL renderer: draws the visible objects of a scene through one camera with
// the per-pixel lighting program, the lights in their slots and a shadow map for
// the first shadow-casting light, into an off-screen frame buffer. A frame is a
// sequence of passes: the draw list (gathering, materials, order), the light slots,
// the shadow pass, the lit scene through the lighting program, and the read-back.

#include <memory>
#include <string>

#include "render/DrawList.h"
#include "render/FixedLighting.h"
#include "render/FrameTargets.h"
#include "render/LightingProgram.h"
#include "render/MaterialTextures.h"
#include "render/RenderFrame.h"
#include "render/ShadowPass.h"

namespace fw {

class Camera;
class GLContext;
struct LightSlots;
class SceneX;

class GLRenderer {
public:
    using Frame = RenderFrame;
    using Image = RenderImage;

    // Seconds spent on the last frame.
    struct Timing {
        double geometry = 0;  // asking the objects' ports for their meshes
        double baking = 0;    // uploading material textures
        double drawing = 0;   // shadow map and scene
        double readBack = 0;  // resolving and reading the pixels
        Timing& operator+=(const Timing& t) {
            geometry += t.geometry, baking += t.baking, drawing += t.drawing, readBack += t.readBack;
            return *this;
        }
    };

    using MaterialLookup = DrawList::MaterialLookup;
    using StackLookup = DrawList::StackLookup;

    // The process's renderer, created with its context on first use; null with the
    // reason in `error` when OpenGL is not available.
    static GLRenderer* instance(std::string& error);
    ~GLRenderer();

    bool render(SceneX& scene, Camera& camera, const Frame& frame, Image& out, std::string& error);
    // Whether the last render failed because the driver cannot make a frame that size
    // (the picture asked for is too large for it), not because something broke.
    bool sizeRefused() const { return sizeRefused_; }
    void setMaterialLookup(MaterialLookup lookup) { materials_ = std::move(lookup); }
    // Stacks take precedence over the material lookup where they give layers.
    void setStackLookup(StackLookup lookup) { stacks_ = std::move(lookup); }
    // The largest texture side the context takes.
    int maxTextureSize() const { return maxTextureSize_; }
    const Timing& lastTiming() const { return timing_; }
    std::string description() const;
    // Forgets uploaded textures (a material was reset or the frame is done with).
    void releaseTextures();

private:
    GLRenderer() = default;
    void drawScene(DrawList& list, const LightSlots& slots, const ShadowPass::Fit* shadow, Camera& camera,
                   const Frame& frame);

    std::unique_ptr<GLContext> context_;
    // By LightingProgram::Variant; the plain one is built at start, the others the
    // first time a part needs them.
    LightingProgram programs_[LightingProgram::kVariants];
    MaterialLookup materials_;
    StackLookup stacks_;
    int maxTextureSize_ = 0;
    bool sizeRefused_ = false;
    MaterialTextures textures_;
    FixedLighting fixed_;  // lights frames drawn without shaders
    ShadowPass shadow_;
    FrameTargets targets_;
    Timing timing_;
};

}  // namespace fw
