// The demo title rendered with OpenGL at 1920 x 1080: a first frame from a freshly
// loaded project (geometry ports, texture baking and drawing reported apart), a second
// frame with nothing changed, which the ports' caches must keep cheap, and the same
// frame through each anti-alias level, with motion blur and with a glint. Then the
// ways of anti-aliasing an edge against their cost: multisampling, the accumulated
// passes, and both, measured by how far a slanted edge strays from its line.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "EdgeMeasure.h"
#include "Summary.h"
#include "TestBox.h"
#include "app/FrameEffects.h"
#include "app/OrvoPrefs.h"
#include "app/OrvoSceneManager.h"
#include "app/Registration.h"
#include "app/SceneMaterials.h"
#include "app/VeltraneApp.h"
#include "effects/FrameEffects.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "platform/MathConstants.h"
#include "render/Camera.h"
#include "render/CameraX.h"
#include "render/GLRenderer.h"
#include "render/LightX.h"
#include "scene/SceneX.h"

namespace {

using namespace fw;

const char* const kProject = FW_SOURCE_DIR "/examples/title.kxp";

// Preferences and libraries of a throwaway user, so the benchmark leaves $HOME alone.
void init(VeltraneApp& app) {
    registerAllClasses();
    Dialogs::instance().setQuiet(true);
    static const std::string documents = [] {
        char folder[] = "/tmp/fw-render-bench-XXXXXX";
        return std::string(mkdtemp(folder) ? folder : "/tmp") + "/Documents";
    }();
    Folders::instance().setDocuments(documents);
    app.initialise();
}

struct Loaded {
    VeltraneApp app;
    OrvoSceneManager& manager;
    OrvoPrefs& prefs;
    Camera* camera = nullptr;
    bool ok = false;
    Loaded() : manager((init(app), app.sceneManager())), prefs(app.prefs()) {
        ok = manager.loadProject(kProject);
        if (ok) camera = dynamic_cast<Camera*>(manager.scene()->findMember("dflt_cam"));
        ok = ok && camera;
        if (!ok) std::fprintf(stderr, "%s: %s\n", kProject, manager.lastLoad().error.c_str());
    }
};

RenderFrame fullHd(Loaded& loaded) {
    RenderFrame frame;
    frame.width = 1920;
    frame.height = 1080;
    for (int c = 0; c < 3; ++c) frame.background[c] = static_cast<float>(loaded.manager.settings().backgroundColor[c]);
    return frame;
}

GLRenderer* rendererOrSkip(benchmark::State& state) {
    std::string error;
    GLRenderer* renderer = GLRenderer::instance(error);
    if (!renderer) state.SkipWithError(("no OpenGL: " + error).c_str());
    return renderer;
}

void report(benchmark::State& state, const RenderTiming& sum, int frames, const char* measure) {
    double total = sum.total() * 1000 / frames;
    fw::bench::summaryRow(measure, total, "ms", "goal", 400, fw::bench::Better::lower);
    state.counters["geometry_ms"] = sum.geometry * 1000 / frames;
    state.counters["baking_ms"] = sum.baking * 1000 / frames;
    state.counters["drawing_ms"] = sum.drawing * 1000 / frames;
    state.counters["readback_ms"] = sum.readBack * 1000 / frames;
}

void BM_TitleFirstFrame(benchmark::State& state) {
    GLRenderer* renderer = rendererOrSkip(state);
    if (!renderer) return;
    RenderTiming sum{};
    int frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto loaded = std::make_unique<Loaded>();
        if (!loaded->ok) {
            state.SkipWithError("examples/title.kxp did not load");
            return;
        }
        SceneMaterials materials(*renderer, loaded->prefs.shaderTextureWidth, loaded->prefs.shaderTextureHeight);
        RenderImage image;
        std::string error;
        state.ResumeTiming();
        if (!renderer->render(*loaded->manager.scene(), *loaded->camera, fullHd(*loaded), image, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        sum += renderer->lastTiming();
        ++frames;
        state.PauseTiming();
        loaded.reset();
        state.ResumeTiming();
    }
    report(state, sum, frames, "demo title 1920 x 1080, first frame");
}
BENCHMARK(BM_TitleFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TitleSecondFrame(benchmark::State& state) {
    GLRenderer* renderer = rendererOrSkip(state);
    if (!renderer) return;
    Loaded loaded;
    if (!loaded.ok) {
        state.SkipWithError("examples/title.kxp did not load");
        return;
    }
    SceneMaterials materials(*renderer, loaded.prefs.shaderTextureWidth, loaded.prefs.shaderTextureHeight);
    RenderImage image;
    std::string error;
    if (!renderer->render(*loaded.manager.scene(), *loaded.camera, fullHd(loaded), image, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    RenderTiming sum{};
    int frames = 0;
    for (auto _ : state) {
        renderer->render(*loaded.manager.scene(), *loaded.camera, fullHd(loaded), image, error);
        sum += renderer->lastTiming();
        ++frames;
    }
    report(state, sum, frames, "demo title 1920 x 1080, second frame");
}
BENCHMARK(BM_TitleSecondFrame)->Unit(benchmark::kMillisecond);

// The second frame again with passes or a glint: anti-alias level (1 none), motion blur
// passes (1 none), glint (0 none).
void BM_TitleFinished(benchmark::State& state) {
    GLRenderer* renderer = rendererOrSkip(state);
    if (!renderer) return;
    Loaded loaded;
    if (!loaded.ok) {
        state.SkipWithError("examples/title.kxp did not load");
        return;
    }
    SceneMaterials materials(*renderer, loaded.prefs.shaderTextureWidth, loaded.prefs.shaderTextureHeight);
    RenderFrame frame = fullHd(loaded);
    frame.passes.antiAliasLevel = static_cast<int>(state.range(0));
    frame.passes.motionBlurPasses = static_cast<int>(state.range(1));
    frame.passes.motionBlurShutter = 0.5;
    frame.passes.playAt = [](double) {};
    const bool glint = state.range(2) != 0;
    std::unique_ptr<GlintUnit> sweep = FrameEffects::sweep();
    RenderImage image;
    std::string error;
    renderer->render(*loaded.manager.scene(), *loaded.camera, frame, image, error);
    int frames = 0;
    for (auto _ : state) {
        if (!renderer->render(*loaded.manager.scene(), *loaded.camera, frame, image, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        if (glint) applyGlintUnit(*sweep, image, EffectTime{150, 0, 300}, [](const std::string&) { return nullptr; });
        ++frames;
    }
    state.counters["passes"] = renderer->framesDrawn();
}
BENCHMARK(BM_TitleFinished)
    ->Args({1, 1, 0})
    ->Args({2, 1, 0})
    ->Args({3, 1, 0})
    ->Args({4, 1, 0})
    ->Args({1, 8, 0})
    ->Args({1, 1, 1})
    ->Unit(benchmark::kMillisecond);

// A bright square whose right edge leans 8 degrees, seen straight on at 640 x 480 through
// a parallel view: multisampling (samples) and the accumulated passes (level), alone and
// together. rms_px is how far the edge's coverage strays from the analytic line.
void BM_AntiAliasedEdge(benchmark::State& state) {
    GLRenderer* renderer = rendererOrSkip(state);
    if (!renderer) return;
    renderer->setMaterialLookup(nullptr);
    SceneX scene;
    auto* camera = new CameraX(scene, "Cam");
    camera->translate[2] = 10;
    camera->setProjection(Camera::kOrthographic);
    camera->orthoWidth = 64;
    auto* ambient = new LightX(scene, nullptr);
    ambient->setType(Light::kAmbient);
    ambient->color[0] = ambient->color[1] = ambient->color[2] = 1;
    const double degrees = 8, a = std::cos(degrees * kPi / 180), b = std::sin(degrees * kPi / 180);
    auto* box = new test::TestBox(scene, "Square", 40, 40, 1);
    box->rotate[2] = degrees;
    box->translate[0] = -20 * a, box->translate[1] = -20 * b;
    RenderFrame frame;
    frame.width = 640, frame.height = 480;
    frame.shadows = false;
    frame.samples = static_cast<int>(state.range(0));
    frame.passes.antiAliasLevel = static_cast<int>(state.range(1));
    RenderImage image;
    std::string error;
    for (auto _ : state) {
        if (!renderer->render(scene, *camera, frame, image, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    const test::EdgeMeasure m = test::measureEdge(image, a, b, a * frame.width / 2 + b * frame.height / 2, 60, 420);
    state.counters["rms_px"] = m.rmsError;
    state.counters["soft_pixels"] = m.intermediatePixels;
    state.counters["frames"] = renderer->framesDrawn();
}
BENCHMARK(BM_AntiAliasedEdge)->ArgsProduct({{1, 4, 8}, {1, 2, 3, 4}})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
