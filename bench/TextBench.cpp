// Building 3D text: a 1,000-character paragraph laid out and built into bevelled
// solids at render quality, and one preview rebuild of every character after a style
// change (the interactive case).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>
#include <malloc.h>
#include <unistd.h>

#include "Summary.h"
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

// The process's resident set in bytes, from /proc.
double residentBytes() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// Every character's display mesh, the solids built as a batch first as a frame's
// drawing does.
long buildAll(SceneX& scene, int mode) {
    std::vector<ObjectX*> objects;
    for (int i = 0; i < scene.memberCount(kObjectKind); ++i)
        if (auto* o = dynamic_cast<ObjectX*>(scene.member(kObjectKind, i))) objects.push_back(o);
    ObjectX::buildSolids(objects, mode);
    long triangles = 0;
    for (ObjectX* o : objects)
        if (PackedObjDB* mesh = o->displayGeometry(mode)) triangles += mesh->indexCount() / 3;
    return triangles;
}

// The argument is the number of threads the solids are built on.
void BM_ParagraphAtRenderQuality(benchmark::State& state) {
    ObjectX::setBuildThreads(static_cast<int>(state.range(0)));
    int characters = 0;
    double resident = 0, seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        malloc_trim(0);  // an earlier run's freed pages would hide this one's growth
        const double before = residentBytes();
        auto built = std::make_unique<Built>();
        state.ResumeTiming();
        auto t0 = std::chrono::steady_clock::now();
        buildAll(built->scene, kRenderMode);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        characters += built->objects;
        state.PauseTiming();
        // What the built paragraph keeps: outlines, objects and their solids.
        resident += residentBytes() - before;
        built.reset();
        state.ResumeTiming();
    }
    state.counters["characters_per_s"] = benchmark::Counter(characters, benchmark::Counter::kIsRate);
    state.counters["resident_bytes_per_character"] = characters > 0 ? resident / characters : 0;
    ObjectX::setBuildThreads(0);
    if (characters == 0 || seconds <= 0) return;
    const int threads = static_cast<int>(state.range(0));
    fw::bench::summaryRow("paragraph at render quality, " + std::to_string(threads) + " thread" + (threads > 1 ? "s" : ""),
                          characters / seconds, "chars/s", "goal", 2000.0 * threads, fw::bench::Better::higher);
    if (threads == 1)
        fw::bench::summaryRow("paragraph at render quality, resident per character", resident / characters / 1024, "KB",
                              "goal", 150, fw::bench::Better::lower);
}
BENCHMARK(BM_ParagraphAtRenderQuality)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

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
