// Building 3D text: a 1,000-character paragraph laid out and built into bevelled
// solids at render quality, and one preview rebuild of every character after a style
// change (the interactive case).
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "app/Registration.h"
#include "geometry/ObjectX.h"
#include "geometry/ObjectXStyle.h"
#include "platform/Dialogs.h"
#include "scene/SceneX.h"
#include "text/TextBlock.h"

namespace {

using namespace fw;

std::u16string paragraph() {
    const std::u16string words = u"Quick brown foxes jump over lazy dogs while bright titles glide past. ";
    std::u16string text;
    while (text.size() < 1000) text += words;
    text.resize(1000);
    return text;
}

struct Built {
    SceneX scene;
    TextBlock* block = nullptr;
    ObjectXStyle* style = nullptr;
    int objects = 0;
    Built() {
        registerAllClasses();
        Dialogs::instance().setQuiet(true);
        style = new ObjectXStyle(scene, "Style");
        style->setPerimeterProfile("Bevel, Medium");
        style->setDepth(18);
        block = new TextBlock(scene, "Para");
        TextAttr attr;
        attr.name = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
        block->appendText(paragraph(), attr);
        block->maxWidth = 4000;
        block->layout();
        objects = block->build("Style");
    }
};

long buildAll(SceneX& scene, int mode) {
    long triangles = 0;
    for (int i = 0; i < scene.memberCount(kObjectKind); ++i)
        if (auto* o = dynamic_cast<ObjectX*>(scene.member(kObjectKind, i)))
            if (PackedObjDB* mesh = o->displayGeometry(mode)) triangles += mesh->indexCount() / 3;
    return triangles;
}

void BM_ParagraphAtRenderQuality(benchmark::State& state) {
    int characters = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto built = std::make_unique<Built>();
        state.ResumeTiming();
        buildAll(built->scene, kRenderMode);
        characters += built->objects;
        state.PauseTiming();
        built.reset();
        state.ResumeTiming();
    }
    state.counters["characters_per_s"] = benchmark::Counter(characters, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ParagraphAtRenderQuality)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_PreviewRebuildAfterStyleChange(benchmark::State& state) {
    Built built;
    buildAll(built.scene, kPreviewMode);
    double depth = 18, seconds = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        built.style->setDepth(depth += 0.5);
        buildAll(built.scene, kPreviewMode);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    state.counters["characters"] = built.objects;
    state.counters["ms_per_character"] = seconds * 1e3 / (static_cast<double>(built.objects) * state.iterations());
}
BENCHMARK(BM_PreviewRebuildAfterStyleChange)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
