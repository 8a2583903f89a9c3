#pragma once
// One frame of a project as the renderer draws it: the size, background colour or
// media, shadows and camera that the project's settings ask for. Every command that
// renders a project goes through it, so a title gives the same picture however it
// was made (built on the command line or loaded from its saved project).

#include <functional>
#include <memory>
#include <string>

#include "render/GLRenderer.h"

namespace fw {

class Camera;
class OrvoSceneManager;
class SceneAnimator;
class SceneMaterials;
class SceneX;

class RenderJob {
public:
    // Receives errors and warnings: the file or option they concern, and the text.
    using Reporter = std::function<void(const std::string& subject, const std::string& what)>;

    RenderJob(OrvoSceneManager& manager, Reporter report);
    ~RenderJob();

    // Takes the frame from the project's settings; `size` ("WxH", empty: the project's)
    // and `frameNumber` (negative: the current frame) override them. False when the
    // size cannot be read (reported).
    bool configure(const std::string& size, double frameNumber);
    // Renders through the project's camera, with the scene's tracks played at its
    // current frame, and writes the image; an exit status.
    // `project` names the project in messages.
    int renderTo(const std::string& out, const std::string& project);
    // The same into pixels, with the tracks played at `time` (frames); an exit status.
    int renderImage(double time, GLRenderer::Image& image, const std::string& project);

    // Where the last frame's time went, in seconds.
    struct Timing {
        double scene = 0;  // playing the tracks
        GLRenderer::Timing renderer;
        double total() const { return scene + renderer.geometry + renderer.baking + renderer.drawing + renderer.readBack; }
    };
    const Timing& lastTiming() const { return timing_; }

    // "WIDTHxHEIGHT" with both positive; false otherwise.
    static bool parseSize(const std::string& text, int& width, int& height);

    const GLRenderer::Frame& frame() const { return frame_; }
    // The camera a project renders through: the first one the user made, else the
    // first perspective view camera; null when there is none.
    static Camera* camera(SceneX& scene);

private:
    OrvoSceneManager& manager_;
    Reporter report_;
    GLRenderer::Frame frame_;
    Timing timing_;
    std::unique_ptr<SceneAnimator> animator_;  // plays the tracks at the frame's time
    std::unique_ptr<SceneMaterials> materials_;  // kept across the frames of a sequence
};

}  // namespace fw
