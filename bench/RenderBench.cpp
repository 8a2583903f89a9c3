// The demo title rendered with OpenGL at 1920 x 1080: a first frame from a freshly
// loaded project (geometry ports, texture baking and drawing reported apart), and a
// second frame with nothing changed, which the ports' caches must keep cheap.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "Summary.h"
#include "app/OrvoPrefs.h"
#include "app/OrvoSceneManager.h"
#include "app/Registration.h"
#include "app/VeltraneApp.h"
#include "platform/Folders.h"
#include "app/SceneMaterials.h"
#include "platform/Dialogs.h"
#include "render/Camera.h"
#include "render/GLRenderer.h"
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

}  // namespace

BENCHMARK_MAIN();
