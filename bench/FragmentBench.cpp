// Breaking a 20-letter title into about 35 fragments a letter: real DejaVu Sans glyphs with
// "Bevel, Medium" edges, two tilted linear passes, every cut closed. The figure is
// milliseconds per letter (goal: under 20; a Voronoi fracture through a robust boolean
// library takes about 70).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "EdgeProfile.h"
#include "GlyphOutline.h"
#include "geometry/Fragmenter.h"
#include "geometry/SolidBuilder.h"
#include "scene/FragmentationParams.h"

namespace {

std::vector<std::unique_ptr<fw::PackedObjDB>> title() {
    std::vector<std::unique_ptr<fw::PackedObjDB>> letters;
    const fw::SolidBuilder::Contour edge = fw::test::libraryEdgeProfile("Bevel, Medium");
    for (char16_t code : std::u16string(u"Fragments&Shards@20!")) {
        auto mesh = std::make_unique<fw::PackedObjDB>();
        fw::SolidBuilder::build(fw::test::glyphOutline(fw::test::kDejaVuSans, code, 0.01, 6), edge, {}, {}, *mesh);
        mesh->finish();
        letters.push_back(std::move(mesh));
    }
    return letters;
}

void BM_FragmentTitle(benchmark::State& state) {
    const auto letters = title();
    fw::FragmentationParams params;
    params.enabled = true;
    params.chops[0].sliceCount = 4;
    params.chops[1].sliceCount = 3;
    for (int k = 0; k < 2; ++k) {
        params.chops[k].rotationOffsetStyle = fw::ChopParams::kRandom;
        params.chops[k].rotationOffset2 = 20;
    }
    long fragments = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < letters.size(); ++i) {
            std::vector<std::unique_ptr<fw::PackedObjDB>> out;
            fw::Fragmenter::fragment(params, *letters[i], glm::dmat4(1), static_cast<int>(i), out);
            fragments += static_cast<long>(out.size());
        }
    }
    const double perLetter = static_cast<double>(letters.size() * state.iterations());
    state.counters["fragments_per_letter"] = static_cast<double>(fragments) / perLetter;
    state.counters["ms_per_letter"] =
        benchmark::Counter(perLetter * 1e-3, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_FragmentTitle)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
