// Building bevelled solids from letter-like outlines: an outer contour with curved
// runs and two holes, at render-like point counts, with a medium bevel.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/SolidBuilder.h"
#include "mesh/ObjDB.h"

namespace {

using fw::SolidBuilder;
using Contour = SolidBuilder::Contour;

// A "B"-like glyph: a rounded outline and two rounded counters, `steps` points per
// quarter circle (smoothness 50 gives about this many).
std::vector<Contour> letter(int variant, int steps) {
    auto roundRect = [&](double x0, double y0, double x1, double y1, double r, bool hole) {
        Contour c;
        const double cx[4] = {x1 - r, x0 + r, x0 + r, x1 - r}, cy[4] = {y1 - r, y1 - r, y0 + r, y0 + r};
        for (int q = 0; q < 4; ++q)
            for (int i = 0; i <= steps; ++i) {
                double a = (q + static_cast<double>(i) / steps) * M_PI / 2;
                c.push_back({cx[q] + r * std::cos(a), cy[q] + r * std::sin(a)});
            }
        if (hole) std::reverse(c.begin(), c.end());
        return c;
    };
    double w = 6 + (variant % 7) * 0.2;
    return {roundRect(0, 0, w, 10, 1.5, false), roundRect(1.2, 1.2, w - 1.2, 4.6, 0.8, true),
            roundRect(1.2, 5.4, w - 1.2, 8.8, 0.8, true)};
}

const Contour kBevelMedium = {{-12, 0}, {0, 12}, {0, 88}, {-12, 100}};

void BM_BuildSolids(benchmark::State& state) {
    const int steps = static_cast<int>(state.range(0));
    std::vector<std::vector<Contour>> letters;
    for (int i = 0; i < 500; ++i) letters.push_back(letter(i, steps));
    SolidBuilder::Options options;
    options.depth = 2;
    long triangles = 0;
    for (auto _ : state) {
        for (const auto& face : letters) {
            fw::ObjDB db;
            SolidBuilder::build(face, kBevelMedium, {}, options, db);
            for (int e = 0; e < db.elementCount(); ++e) {
                fw::GeometryInterface::ElementInfo info;
                const int *p, *t, *n;
                db.getElementRefs(e, info, &p, &t, &n);
                triangles += info.count - 2;
            }
        }
    }
    state.counters["solids_per_s"] = benchmark::Counter(500.0 * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["triangles_per_s"] = benchmark::Counter(static_cast<double>(triangles), benchmark::Counter::kIsRate);
    state.counters["ms_per_solid"] = benchmark::Counter(500.0 * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["ms_per_solid"] = state.counters["ms_per_solid"].value * 1e3;
}
// 5 points a quarter circle for preview quality, 25 for render quality.
BENCHMARK(BM_BuildSolids)->Arg(5)->Arg(25)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
