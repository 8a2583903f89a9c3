#pragma once
// The OpenGL renderer: draws the visible objects of a scene through one camera with
// the per-pixel lighting program, the lights in their slots and a shadow map for
// the first shadow-casting light, into an off-screen frame buffer.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "render/LightingProgram.h"
#include "render/RenderMaterial.h"

namespace fw {

class Camera;
class GLContext;
class Light;
class Object;
class SceneX;

class GLRenderer {
public:
    struct Frame {
        int width = 640;
        int height = 480;
        float background[4] = {0, 0, 0, 1};
        bool shadows = true;
        double shadowOffset = 0.002;  // depth bias against self-shadowing
        int samples = 4;              // multisampling of the frame buffer (1: none)
        // Background media: 8-bit RGBA rows bottom-up, stretched over the whole frame
        // and laid over the background colour at `backgroundOpacity`.
        const uint8_t* backgroundImage = nullptr;
        int backgroundWidth = 0, backgroundHeight = 0;
        float backgroundOpacity = 1;
    };

    // Pixels as the renderer leaves them: 8-bit RGBA, not premultiplied, rows bottom-up.
    struct Image {
        int width = 0;
        int height = 0;
        std::vector<uint8_t> rgba;
        const uint8_t* pixel(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    };

    // Seconds spent on the last frame.
    struct Timing {
        double geometry = 0;  // asking the objects' ports for their meshes
        double baking = 0;    // uploading material textures
        double drawing = 0;   // shadow map, scene and read-back
    };

    // The material an object wears on one part of its mesh; null: the fallback.
    using MaterialLookup = std::function<const RenderMaterial*(Object& object, int part)>;

    // The process's renderer, created with its context on first use; null with the
    // reason in `error` when OpenGL is not available.
    static GLRenderer* instance(std::string& error);
    ~GLRenderer();

    bool render(SceneX& scene, Camera& camera, const Frame& frame, Image& out, std::string& error);
    void setMaterialLookup(MaterialLookup lookup) { materials_ = std::move(lookup); }
    const Timing& lastTiming() const { return timing_; }
    std::string description() const;
    // Forgets uploaded textures (a material was reset or the frame is done with).
    void releaseTextures();

    // How lights map onto the program's eight slots: slot 0 holds the ambient light
    // (every ambient light's colour is summed into it), slots 1..7 the first seven
    // other visible lights in scene order; later lights are not drawn.
    struct Slots {
        std::vector<Light*> direct;  // at most 7
        float ambient[4] = {0, 0, 0, 1};
    };
    static Slots assignSlots(SceneX& scene);

private:
    GLRenderer() = default;
    struct Textures {
        uint64_t version = 0;
        unsigned ids[2][4] = {};
    };
    struct Shadow;
    const Textures& texturesFor(const RenderMaterial& material);
    bool ensureTargets(int width, int height, int samples, std::string& error);
    void drawBackground(const Frame& frame);

    std::unique_ptr<GLContext> context_;
    LightingProgram program_;
    MaterialLookup materials_;
    std::unordered_map<const RenderMaterial*, Textures> textures_;
    Timing timing_;
    unsigned fbo_ = 0, colorBuffer_ = 0, depthBuffer_ = 0;
    unsigned resolveFbo_ = 0, resolveColor_ = 0;
    int targetWidth_ = 0, targetHeight_ = 0, targetSamples_ = 0;
};

}  // namespace fw
