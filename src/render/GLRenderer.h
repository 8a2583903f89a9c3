#pragma once
// The OpenGL renderer: draws the visible objects of a scene through one camera with
// the per-pixel lighting program, the lights in their slots and a shadow map for
// the first shadow-casting light, into an off-screen frame buffer. A frame is a
// sequence of passes: the draw list (gathering, materials, order), the light slots,
// the shadow pass, the lit scene through the lighting program, and the read-back.
// It is one `Renderer`, as the ray tracer is the other.

#include <memory>
#include <string>

#include "render/DrawList.h"
#include "render/FixedLighting.h"
#include "render/FrameTargets.h"
#include "render/LightingProgram.h"
#include "render/MaterialTextures.h"
#include "render/Renderer.h"
#include "render/ShadowPass.h"

namespace fw {

class Camera;
class GLContext;
struct LightSlots;
class SceneX;

class GLRenderer : public Renderer {
public:
    // The process's renderer, created with its context on first use; null with the
    // reason in `error` when OpenGL is not available.
    static GLRenderer* instance(std::string& error);
    ~GLRenderer() override;

    // Fails with sizeRefused() when the driver cannot make a frame that size.
    bool render(SceneX& scene, Camera& camera, const RenderFrame& frame, RenderImage& out,
                std::string& error) override;
    // The largest texture side the context takes.
    int maxTextureSize() const { return maxTextureSize_; }
    std::string description() const;
    // Forgets uploaded textures (a material was reset or the frame is done with).
    void releaseTextures();

private:
    // The lit scene of one frame, drawn in named steps (ScenePass in the source).
    class ScenePass;

    // Sums passes in float frame buffers (in the source).
    class GLPassSums;

    GLRenderer() = default;
    void uploadTextures(const DrawList& list);
    // One frame drawn into the multisampled target and resolved into `framebuffer`.
    bool drawFrame(SceneX& scene, Camera& camera, const RenderFrame& frame, unsigned framebuffer, std::string& error);
    // The frame through its effects' passes; false with the reason.
    bool drawPasses(SceneX& scene, Camera& camera, const RenderFrame& frame, MultiPassList& effects, RenderImage& out,
                    std::string& error);
    // A failed draw's OpenGL error as a text; empty when there is none.
    static std::string glFailure();

    std::unique_ptr<GLContext> context_;
    // By LightingProgram::Variant; the plain one is built at start, the others the
    // first time a part needs them.
    LightingProgram programs_[LightingProgram::kVariants];
    int maxTextureSize_ = 0;
    MaterialTextures textures_;
    FixedLighting fixed_;  // lights frames drawn without shaders
    ShadowPass shadow_;
    FrameTargets targets_;
    const PassContext* passes_ = nullptr;  // while passes run: the projection's shift
    // The shadow map drawn for the last pass, and the time and view it was drawn for.
    bool shadowKept_ = false;
    const ShadowPass::Fit* keptShadow_ = nullptr;
    double keptShadowTime_ = 0;
    glm::dmat4 keptShadowView_{1.0};
};

}  // namespace fw
