#pragma once
// One frame of a project as the renderer draws it: the size, background colour or
// media, shadows and camera that the project's settings ask for. Every command that
// renders a project goes through it, so a title gives the same picture however it
// was made (built on the command line or loaded from its saved project).

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "render/RayTracer.h"
#include "render/Renderer.h"

namespace fw {

class Camera;
class FrameEffects;
class OrvoSceneManager;
class SceneAnimator;
class SceneMaterials;
class SceneX;

class RenderJob {
public:
    // Receives errors and warnings: the file or option they concern, and the text.
    using Reporter = std::function<void(const std::string& subject, const std::string& what)>;

    // `project` names the loaded project in what is said about its own settings.
    RenderJob(OrvoSceneManager& manager, Reporter report, std::string project = "");
    ~RenderJob();

    // The project's render method: 0 OpenGL, 1 the program's own software renderer
    // (not built: the ray tracer stands in, with a warning), 2 the ray tracer.
    enum RenderMethod { kOpenGLMethod = 0, kSoftwareMethod = 1, kRayTraceMethod = 2 };

    // Takes the frame from the project's settings; `size` ("WxH", empty: the project's),
    // `frameNumber` (none: the current frame; it must lie on the timeline) and
    // `renderer` ("gl" or "raytrace"; empty: the project's render method) override
    // them. False when an override cannot be used, or the size cannot be drawn (reported).
    bool configure(const std::string& size, std::optional<double> frameNumber, const std::string& renderer = "");
    bool rayTracing() const { return rayTrace_; }
    // The frames of one sequence: the ray tracer keeps its structure from frame to
    // frame and refits it while only transforms change.
    void setRefit(bool refit) { refit_ = refit; }
    // Renders through the project's camera, with the scene's tracks played at its
    // current frame, and writes the image; an exit status.
    // `project` names the project in messages. A traced frame stopped by SIGINT or
    // SIGTERM is written with the rows done, the rest background, and said so; the
    // status is then the signal's (130, 143).
    int renderTo(const std::string& out, const std::string& project);
    // The same into pixels, with the tracks played at `time` (frames); an exit status.
    // A traced frame stops early once a StopSignal has caught a signal: the status is
    // the signal's and frameStopped() is true.
    int renderImage(double time, RenderImage& image, const std::string& project);
    bool frameStopped() const { return stopped_; }

    // Where the last frame's time went, in seconds.
    struct Timing {
        double scene = 0;  // playing the tracks
        RenderTiming renderer;
        double effects = 0;  // the gradient and glint units
        double total() const { return scene + renderer.total() + effects; }
    };
    const Timing& lastTiming() const { return timing_; }

    // "WIDTHxHEIGHT" with both from 1 to kMaxSide; false otherwise.
    static bool parseSize(const std::string& text, int& width, int& height);
    // The largest picture side either renderer draws.
    static constexpr int kMaxSide = Renderer::kMaxSide;
    // The most passes a frame draws for each effect: level x level, depth x depth, passes.
    static constexpr int kMaxAntiAliasLevel = 5;
    static constexpr double kMaxDepthOfField = 16;
    static constexpr int kMaxMotionBlurPasses = 64;
    static constexpr const char* kSizeHelp = "takes WIDTHxHEIGHT from 1x1 to 16384x16384, for example 1920x1080";
    // The width over height of a pixel for the project's "PixelAspect" choice: 0
    // square, 1 NTSC DV 10/11, 2 NTSC DV widescreen 40/33, 3 PAL DV 59/54, 4 PAL DV
    // widescreen 118/81, 5 HDV 1080 and DVCPRO HD 720 4/3, 6 DVCPRO HD 1080 3/2,
    // 7 anamorphic 2; 0 for a choice outside these.
    static double pixelAspectOf(int choice);

    const RenderFrame& frame() const { return frame_; }
    // The camera a project renders through: the first one the user made, else the
    // first perspective view camera; null when there is none.
    static Camera* camera(SceneX& scene);

private:
    // A warning about one of the project's settings lines.
    void settingNote(const char* keyword, const std::string& text);

    OrvoSceneManager& manager_;
    Reporter report_;
    std::string project_;
    RenderFrame frame_;
    Timing timing_;
    std::unique_ptr<SceneAnimator> animator_;  // plays the tracks at the frame's time
    std::unique_ptr<SceneMaterials> materials_;  // kept across the frames of a sequence
    bool rayTrace_ = false;
    bool refit_ = false;
    bool stopped_ = false;
    RayTracer::Settings traceSettings_;
    std::unique_ptr<RayTracer> tracer_;
    std::set<std::string> untracedReported_;
    bool configureTracing(const std::string& renderer);
    // Anti-aliasing, depth of field and motion blur from the project and its timeline.
    void configurePasses();
    void configureEffects();
    // The project's gradient and glint units laid over a rendered frame.
    void applyEffects(RenderImage& image) const;
    static void overBackdrop(RenderImage& image, const RenderFrame& backdrop);
    FrameEffects* effects_ = nullptr;
    std::optional<RenderFrame> backdrop_;  // the background the effects' layer goes over
    // The renderer the frame is drawn with, the scene's materials installed on it;
    // null (reported) when OpenGL is not available.
    Renderer* prepareRenderer();
    // Shows a traced frame's rows on a terminal and stops it on a caught signal.
    void watchRows(bool terminal, std::mutex& line);
    // What a traced frame's end says: stopped, failed, or what it could not trace.
    int finishTraced(bool done, std::string& error, const std::string& project, bool terminal);
    std::string stoppedText(int signal, int height) const;
};

}  // namespace fw
