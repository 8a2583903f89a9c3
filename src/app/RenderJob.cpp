#include "app/RenderJob.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <unistd.h>

#include "app/Console.h"
#include "app/FrameEffects.h"
#include "app/OrvoPrefs.h"
#include "app/OrvoSceneManager.h"
#include "app/SceneAnimator.h"
#include "app/SceneMaterials.h"
#include "effects/FrameEffects.h"
#include "geometry/ObjectX.h"
#include "output/ImageWriter.h"
#include "output/ProgressText.h"
#include "platform/StopSignal.h"
#include "render/Camera.h"
#include "render/GLRenderer.h"
#include "render/RayShading.h"
#include "scene/AnimGlobals.h"
#include "scene/SceneX.h"
#include "surface/BlendMode.h"
#include "surface/ImageMap.h"
#include "surface/Picture.h"

namespace fw {

bool RenderJob::parseSize(const std::string& text, int& width, int& height) {
    char x = 0;
    std::string refused;
    return std::sscanf(text.c_str(), "%d%c%d", &width, &x, &height) == 3 && (x == 'x' || x == 'X') &&
           Renderer::sizeDrawable(width, height, refused);
}

double RenderJob::pixelAspectOf(int choice) {
    static const double kRatios[] = {1.0, 10.0 / 11, 40.0 / 33, 59.0 / 54, 118.0 / 81, 4.0 / 3, 1.5, 2.0};
    return choice >= 0 && choice < 8 ? kRatios[choice] : 0.0;
}

RenderJob::RenderJob(OrvoSceneManager& manager, Reporter report, std::string project)
    : manager_(manager), report_(std::move(report)), project_(std::move(project)) {}

RenderJob::~RenderJob() = default;

Camera* RenderJob::camera(SceneX& scene) {
    Camera* fallback = nullptr;
    for (int i = 0; i < scene.memberCount(kCameraKind); ++i) {
        auto* camera = dynamic_cast<Camera*>(scene.member(kCameraKind, i));
        if (!camera) continue;
        if (camera->name().rfind("|", 0) != 0) return camera;
        if (!fallback) fallback = camera;
    }
    return fallback;
}

bool RenderJob::configure(const std::string& size, std::optional<double> frameNumber, const std::string& renderer) {
    SceneX& scene = *manager_.scene();
    const auto& s = manager_.settings();
    frame_ = RenderFrame();
    if (!size.empty()) {
        if (!parseSize(size, frame_.width, frame_.height)) {
            report_("--size", kSizeHelp);
            return false;
        }
    } else {
        // Checked as read, before it becomes a whole number: a side past an int's range
        // (or not a number) must not wrap round into one that looks drawable.
        const double w = s.renderSize[0], h = s.renderSize[1];
        if (!(w >= 1 && h >= 1 && w < kMaxSide + 1 && h < kMaxSide + 1)) {
            char text[200];
            std::snprintf(text, sizeof text,
                          "the render size %g x %g (RenderSize) cannot be drawn: each side runs from 1 to %d; "
                          "give --size, or mend the project",
                          w, h, kMaxSide);
            report_(project_, text);
            return false;
        }
        frame_.width = static_cast<int>(w);
        frame_.height = static_cast<int>(h);
    }
    if (frameNumber) {
        const AnimGlobals& timeline = scene.animGlobals();
        if (*frameNumber < timeline.frameStart || *frameNumber > timeline.frameEnd) {
            char text[160];
            std::snprintf(text, sizeof text, "frame %g is outside the project's timeline, frames %d to %d", *frameNumber,
                          timeline.frameStart, timeline.frameEnd);
            report_("--frame", text);
            return false;
        }
        scene.animGlobals().currFrame = *frameNumber;
    }
    for (int c = 0; c < 3; ++c) frame_.background[c] = static_cast<float>(s.backgroundColor[c]);
    // A project that renders alpha leaves its background clear, for compositing.
    frame_.background[3] = s.useAlphaMask != 0 ? 0.0f : 1.0f;
    if (s.useBackgroundMedia) {  // the media's frame follows the scene's time
        auto* media = dynamic_cast<ImageMap*>(scene.findMember(ImageMap::kDefaultBackgroundName));
        const Picture* picture = media ? media->picture() : nullptr;
        if (picture && !picture->empty()) {
            frame_.backgroundImage = picture->pixels().data();
            frame_.backgroundWidth = picture->width();
            frame_.backgroundHeight = picture->height();
            frame_.backgroundOpacity = static_cast<float>(s.backgroundMediaOpacity);
        } else {
            std::string path = media ? media->filePath() : "";
            report_(path.empty() ? std::string(ImageMap::kDefaultBackgroundName) : path,
                    "the background media cannot be shown; the background colour is used");
        }
    }
    configureEffects();
    // Output frames cast shadow maps only when the final OpenGL settings ask for them.
    frame_.shadows = s.renderShadows != 0 && manager_.prefs().finalGLShaders != 0 &&
                     manager_.prefs().finalGLShaderShadows != 0;
    frame_.shadowOffset = manager_.prefs().glslShadowOffset;
    frame_.pixelAspect = pixelAspectOf(s.pixelAspect);
    if (frame_.pixelAspect == 0) {
        settingNote("PixelAspect", "pixel aspect " + std::to_string(s.pixelAspect) +
                                   " is not one of 0 to 7; square pixels are used");
        frame_.pixelAspect = 1.0;
    }
    configurePasses();
    frame_.shaders = manager_.prefs().finalGLShaders != 0;
    frame_.advancedLighting = manager_.prefs().advancedGLLighting != 0;
    // Solids build on as many threads as OpenMP allows, or on this one alone when the
    // project turns multi-threaded rendering off.
    ObjectX::setBuildThreads(s.multiThreadedRendering != 0 ? 0 : 1);
    return configureTracing(renderer);
}

// Effects are laid over the title alone, so the frame is drawn over a clear background
// and put over the project's background (colour and media) once they are on.
void RenderJob::configureEffects() {
    effects_ = dynamic_cast<FrameEffects*>(manager_.managerBlock(FrameEffects::kClassName));
    if (effects_ && effects_->empty()) effects_ = nullptr;
    backdrop_.reset();
    if (!effects_ || frame_.background[3] < 1) return;
    backdrop_ = frame_;
    frame_.background[3] = 0;
    frame_.backgroundImage = nullptr;
}

void RenderJob::applyEffects(RenderImage& image) const {
    const AnimGlobals& timeline = manager_.scene()->animGlobals();
    const EffectTime time{frame_.passes.time, static_cast<double>(timeline.frameStart),
                          static_cast<double>(timeline.frameEnd)};
    SceneX& scene = *manager_.scene();
    const EffectImages images = [&scene](const std::string& name) -> const Picture* {
        auto* map = dynamic_cast<ImageMap*>(scene.findMember(name));
        return map ? map->picture() : nullptr;
    };
    for (const auto& unit : effects_->units) {
        if (auto* gradient = dynamic_cast<const GradientUnit*>(unit.get())) applyGradientUnit(*gradient, image, time);
        if (auto* glint = dynamic_cast<const GlintUnit*>(unit.get())) applyGlintUnit(*glint, image, time, images);
    }
    if (backdrop_) overBackdrop(image, *backdrop_);
}

// The layer over the background colour and, stretched over the frame, the media.
void RenderJob::overBackdrop(RenderImage& image, const RenderFrame& backdrop) {
    const int W = image.width, H = image.height;
    const bool media = backdrop.backgroundImage && backdrop.backgroundWidth > 0 && backdrop.backgroundHeight > 0;
    const float opacity = std::clamp(backdrop.backgroundOpacity, 0.0f, 1.0f);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            uint8_t* p = &image.rgba[(static_cast<size_t>(y) * W + x) * 4];
            float under[3] = {backdrop.background[0], backdrop.background[1], backdrop.background[2]};
            if (media) {
                const int mx = std::min(backdrop.backgroundWidth - 1, x * backdrop.backgroundWidth / W);
                const int my = std::min(backdrop.backgroundHeight - 1, y * backdrop.backgroundHeight / H);
                const uint8_t* m =
                    backdrop.backgroundImage + (static_cast<size_t>(my) * backdrop.backgroundWidth + mx) * 4;
                const float a = m[3] / 255.0f * opacity;
                for (int c = 0; c < 3; ++c) under[c] = m[c] / 255.0f * a + under[c] * (1 - a);
            }
            const float a = p[3] / 255.0f;
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<uint8_t>(std::clamp(p[c] / 255.0f * a + under[c] * (1 - a), 0.0f, 1.0f) * 255.0f +
                                            0.5f);
            p[3] = 255;
        }
}

void RenderJob::configurePasses() {
    const auto& s = manager_.settings();
    const AnimGlobals& timeline = manager_.scene()->animGlobals();
    MultiPassSettings& passes = frame_.passes;
    // Passes multiply: each is held where one more would cost far more than it shows.
    auto held = [this](const char* keyword, double asked, double most) {
        if (!(asked <= most)) {
            char text[160];
            std::snprintf(text, sizeof text, "%g is more than the %g passes a frame may draw for it; %g are drawn",
                          asked, most, most);
            settingNote(keyword, text);
            return most;
        }
        return asked;
    };
    passes.antiAliasLevel =
        s.antiAliasPasses != 0 ? static_cast<int>(held("AntiAliasLevel", s.antiAliasLevel, kMaxAntiAliasLevel)) : 1;
    passes.depthOfField = held("DepthOfField", s.depthOfField, kMaxDepthOfField);
    passes.motionBlurPasses = static_cast<int>(held("MotionBlurPasses", timeline.motionBlurPasses, kMaxMotionBlurPasses));
    // The shutter is kept as an angle: 360 degrees stay open for the whole frame.
    passes.motionBlurShutter = timeline.motionBlurShutter / 360.0;
    passes.motionBlurOffset = 0;
    passes.playAt = [this](double time) { animator_->setTime(time); };
}

void RenderJob::settingNote(const char* keyword, const std::string& text) {
    // A project's own line is the project's problem: it is named, with the line's keyword.
    if (project_.empty())
        report_(keyword, text);
    else
        report_(project_, std::string(keyword) + ": " + text);
}

bool RenderJob::configureTracing(const std::string& renderer) {
    const auto& s = manager_.settings();
    if (renderer == "gl") {
        rayTrace_ = false;
    } else if (renderer == "raytrace") {
        rayTrace_ = true;
    } else if (!renderer.empty()) {
        report_("--renderer", "takes gl or raytrace, not " + renderer);
        return false;
    } else if (s.renderMethod == kSoftwareMethod) {
        settingNote("RenderMethod", "the Orvostat Renderer is not built yet; the ray tracer renders the frame");
        rayTrace_ = true;
    } else {
        if (s.renderMethod != kOpenGLMethod && s.renderMethod != kRayTraceMethod)
            settingNote("RenderMethod", "render method " + std::to_string(s.renderMethod) +
                                        " is unknown; OpenGL renders the frame");
        rayTrace_ = s.renderMethod == kRayTraceMethod;
    }
    if (!rayTrace_) return true;
    RayTracer::Settings t;
    t.antiAlias = std::clamp(s.antiAliasLevel, 0, 5);
    if (t.antiAlias != s.antiAliasLevel)
        settingNote("AntiAliasLevel", "anti-alias level " + std::to_string(s.antiAliasLevel) + " is outside 0 to 5; " +
                                      std::to_string(t.antiAlias) + " is used");
    t.ambientOcclusion = s.ambientOcclusion == 2 || s.ambientOcclusion == 3 ? s.ambientOcclusion : 0;
    t.ambientRays = s.numAmbientRays;
    if (t.ambientOcclusion && s.numAmbientRays <= 0) {
        settingNote("NumAmbientRays", std::to_string(s.numAmbientRays) + " ambient rays cannot be traced; 16 are used");
        t.ambientRays = 16;
    }
    t.ambientDistance = s.ambientDistance;
    t.ambientDarkness = std::clamp(s.ambientDarkness, 0.0, 1.0);
    if (t.ambientOcclusion && t.ambientDarkness != s.ambientDarkness)
        settingNote("AmbientDarkness", "the ambient darkness is kept between 0 and 1");
    // Without traced shadows each light casts one hard shadow ray, standing in for
    // the OpenGL frame's shadow map.
    RayShading::Settings& shading = t.shading;
    shading.shadows = s.renderShadows != 0;
    shading.traceShadows = s.rayTraceShadows != 0;
    shading.shadowRays = s.numShadowRays;
    if (shading.shadows && shading.traceShadows && s.numShadowRays < 1) {
        settingNote("NumShadowRays", std::to_string(s.numShadowRays) + " shadow rays cannot be traced; 1 is used");
        shading.shadowRays = 1;
    }
    shading.shadowTransparency = s.shadowsHaveTransparency != 0;
    auto bounces = [this](const char* keyword, int asked, int most) {
        const int used = std::clamp(asked, 0, most);
        if (used < asked)
            report_(project_, std::string(keyword) + " " + std::to_string(asked) + " is above the most the ray tracer "
                              "follows; " + std::to_string(used) + " are traced");
        else if (used != asked)
            settingNote(keyword, "a negative bounce limit is read as 0");
        return used;
    };
    shading.maxBounces = bounces("MaxBounces", s.maxBounces, RayShading::kMaxBounces);
    shading.maxShadowBounces = bounces("MaxShadowBounces", s.maxShadowBounces, RayShading::kMaxShadowBounces);
    shading.reflectionBlend = BlendMode::value(s.reflectivityBlendingStyle.c_str());
    t.multiThreaded = s.multiThreadedRendering != 0;
    traceSettings_ = t;
    return true;
}

Renderer* RenderJob::prepareRenderer() {
    const auto warn = [this](const std::string& material, const std::string& what) { report_(material, what); };
    const int textureWidth = manager_.prefs().shaderTextureWidth, textureHeight = manager_.prefs().shaderTextureHeight;
    if (rayTrace_) {
        // The materials baked as for OpenGL, without its size limit, and sampled per ray.
        if (!materials_) materials_ = std::make_unique<SceneMaterials>(textureWidth, textureHeight, warn);
        if (!tracer_) tracer_ = std::make_unique<RayTracer>();
        RayTracer::Settings settings = traceSettings_;
        settings.refit = refit_;
        tracer_->setSettings(settings);
        tracer_->setStackLookup([this](Object& object, int part) { return materials_->stack(object, part); });
        return tracer_.get();
    }
    std::string error;
    GLRenderer* renderer = GLRenderer::instance(error);
    if (!renderer) {
        report_("", "OpenGL rendering is not available: " + error);
        return nullptr;
    }
    if (!materials_) materials_ = std::make_unique<SceneMaterials>(*renderer, textureWidth, textureHeight, warn);
    return renderer;
}

// A long traced frame shows its rows and the time left on a terminal, every 50 rows. A
// caught SIGINT or SIGTERM stops it once the rows in hand are done.
void RenderJob::watchRows(bool terminal, std::mutex& line) {
    RayTracer* tracer = tracer_.get();
    const int height = frame_.height;
    const auto start = std::chrono::steady_clock::now();
    tracer_->setProgress([&line, start, terminal, tracer, height](int rows, int total) {
        if (StopSignal::caught() != 0) tracer->abort();
        if (!terminal || rows % 50 != 0) return;
        const double spent = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // The tracer counts rows of its sample grid, finer than the picture's when
        // anti-aliasing: the user is shown picture rows.
        const int shown = static_cast<int>(static_cast<long long>(rows) * height / std::max(1, total));
        std::lock_guard<std::mutex> lock(line);
        std::fprintf(stderr, "\rformwright: ray tracing, %d of %d rows, %.0f s left   ", shown, height,
                     spent * (total - rows) / rows);
    });
}

int RenderJob::renderImage(double time, RenderImage& image, const std::string& project) {
    stopped_ = false;
    SceneX& scene = *manager_.scene();
    Camera* through = camera(scene);
    if (!through) {
        report_(project, "the scene has no camera to render through");
        return kExitUserError;
    }
    Renderer* renderer = prepareRenderer();
    if (!renderer) return kExitInternal;
    const auto start = std::chrono::steady_clock::now();
    if (!animator_) {
        animator_ = std::make_unique<SceneAnimator>(scene);
        // A flag's lead-in may run long before the first frame shows anything.
        animator_->simulationProgress = [](int done, int total) {
            printNote("%s", ProgressText::simulationLine(done, total).c_str());
        };
    }
    animator_->setTime(time);
    frame_.passes.time = time;
    timing_.scene = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const bool terminal = rayTrace_ && isatty(fileno(stderr)) != 0 && !quiet();
    std::mutex line;
    if (rayTrace_) watchRows(terminal, line);
    std::string error;
    const bool done = renderer->render(scene, *through, frame_, image, error);
    if (terminal) std::fprintf(stderr, "\r%*s\r", 60, "");
    timing_.renderer = renderer->lastTiming();
    if (done && effects_) {
        const auto effectsStart = std::chrono::steady_clock::now();
        applyEffects(image);
        timing_.effects = std::chrono::duration<double>(std::chrono::steady_clock::now() - effectsStart).count();
    }
    if (rayTrace_) return finishTraced(done, error, project, terminal);
    if (!done) {
        // A picture larger than the driver can draw is the user's to change.
        if (renderer->sizeRefused()) {
            report_(project, error + "; render it smaller (--size) or ray traced (--renderer raytrace)");
            return kExitUserError;
        }
        report_(project, error);
        return kExitInternal;
    }
    return kExitOk;
}

int RenderJob::finishTraced(bool done, std::string& error, const std::string& project, bool terminal) {
    const RayTracer::Statistics& stats = tracer_->statistics();
    if (!done && stats.stopped) {
        stopped_ = true;
        return StopSignal::exitStatus(StopSignal::caught());
    }
    if (!done) {
        // The structure's own messages end their line.
        if (!error.empty() && error.back() == '\n') error.pop_back();
        report_(project, error);
        return kExitInternal;
    }
    // Said once per run, not once per frame of a sequence.
    for (const std::string& what : tracer_->untraced())
        if (untracedReported_.insert(what).second)
            report_(project, "not ray traced yet, the frame is drawn without it: " + what);
    // Embree keeps its tree to itself: of the structure's figures only the number of
    // its objects (Embree geometries, one per part) is known, shown to someone watching.
    if (terminal) {
        std::fprintf(stderr, "KdTree statistics:\n");
        std::fprintf(stderr, "       Number of objects: %ld.\n", stats.objects);
    }
    if (!quiet()) {  // the tracer's own summary
        std::fprintf(stderr, "  Number of rays traced = %ld.\n", stats.raysTraced());
        std::fprintf(stderr, "  Number of shadow feelers = %ld.\n", stats.shadowFeelers);
    }
    return kExitOk;
}

int RenderJob::renderTo(const std::string& out, const std::string& project) {
    // A traced still can take minutes: Ctrl-C or SIGTERM keeps the rows done so far.
    std::optional<StopSignal> stopSignal;
    if (rayTrace_) stopSignal.emplace();
    RenderImage image;
    int status = renderImage(manager_.scene()->animGlobals().currFrame, image, project);
    if (status != kExitOk && !stopped_) return status;
    std::string error;
    if (!ImageWriter::write(out, {image.width, image.height, image.rgba.data()}, manager_.settings().useAlphaMask != 0,
                            error)) {
        report_(out, error);
        return kExitUserError;
    }
    if (const int signal = stopSignal ? StopSignal::caught() : 0; signal != 0) {
        report_(out, stoppedText(signal, image.height));
        return StopSignal::exitStatus(signal);
    }
    const RenderTiming& t = timing_.renderer;
    char effects[48] = "";
    if (effects_) std::snprintf(effects, sizeof effects, ", effects %.3f s", timing_.effects);
    printNote(
        "%s: %d x %d in %.3f s (scene %.3f s, geometry %.3f s, textures %.3f s, drawing %.3f s, read-back %.3f s%s)",
        out.c_str(), image.width, image.height, timing_.total(), timing_.scene, t.geometry, t.baking, t.drawing,
        t.readBack, effects);
    return kExitOk;
}

// What a stopped still holds: the rows traced, then background; or, stopped while
// anti-aliasing, every row traced and some smoothed.
std::string RenderJob::stoppedText(int signal, int height) const {
    const std::string by = std::string("stopped by ") + StopSignal::name(signal);
    const RayTracer::Statistics& stats = tracer_->statistics();
    const std::string of = " of " + std::to_string(height) + " rows";
    if (!stopped_ || (stats.rowsTraced == height && (traceSettings_.antiAlias < 2 || stats.rowsSmoothed == height)))
        return by + " after the frame was finished; it is written whole";
    if (stats.rowsTraced < height)
        return by + " after " + std::to_string(stats.rowsTraced) + of + "; the rest is background";
    return by + " while anti-aliasing, after " + std::to_string(stats.rowsSmoothed) + of +
           "; the rest is not anti-aliased";
}

}  // namespace fw
