// Mesh database throughput: a 2-million-triangle building mesh packed into the drawing
// form, and the contours of a 10,000-contour shape set sorted into outlines and holes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <vector>

#include "mesh/ObjDB.h"
#include "mesh/PackedObjDB.h"
#include "profile/PolyShape2.h"
#include "profile/Shape2DB.h"

namespace {

constexpr int kGrid = 1000;  // kGrid x kGrid quads, two triangles each
constexpr int kTriangles = 2 * kGrid * kGrid;
constexpr int kCells = 50;   // kCells x kCells cells of four nested contours
constexpr int kContours = 4 * kCells * kCells;
constexpr int kContourPoints = 32;

// A rippled sheet with one normal and one texture coordinate per grid point, the way
// smooth solids come out of the geometry builders.
const fw::ObjDB& sheet() {
    static std::unique_ptr<fw::ObjDB> db = [] {
        auto mesh = std::make_unique<fw::ObjDB>();
        for (int j = 0; j <= kGrid; ++j)
            for (int i = 0; i <= kGrid; ++i) {
                double x = i / double(kGrid), y = j / double(kGrid);
                double p[3] = {x, y, 0.01 * std::sin(40 * x) * std::cos(40 * y)};
                double n[3] = {0, 0, 1}, t[3] = {x, y, 0};
                mesh->addVertex(p);
                mesh->addNormal(n);
                mesh->addTexCoord(t);
            }
        for (int j = 0; j < kGrid; ++j)
            for (int i = 0; i < kGrid; ++i) {
                int a = j * (kGrid + 1) + i, b = a + 1, c = a + kGrid + 2, d = a + kGrid + 1;
                int t1[3] = {a, b, c}, t2[3] = {a, c, d};
                mesh->addElement(fw::ObjDB::Polygon, 0, 3, t1, 3, t1, 3, t1);
                mesh->addElement(fw::ObjDB::Polygon, 0, 3, t2, 3, t2, 3, t2);
            }
        return mesh;
    }();
    return *db;
}

void BM_PackTriangles(benchmark::State& state) {
    const fw::ObjDB& source = sheet();
    for (auto _ : state) {
        fw::PackedObjDB packed;
        if (!packed.pack(source) || packed.vertexCount() != (kGrid + 1) * (kGrid + 1)) std::abort();
        benchmark::DoNotOptimize(packed.indexData());
    }
    state.counters["triangles/s"] =
        benchmark::Counter(kTriangles, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PackTriangles)->Unit(benchmark::kMillisecond)->UseRealTime();

// Glyph-like cells: an outline, a hole, an island in the hole and a hole in that,
// each a 32-sided polygon, on a 50 x 50 grid.
void BM_ClassifyContours(benchmark::State& state) {
    fw::Shape2DB shapes;
    std::vector<int> indices(kContourPoints);
    for (int cy = 0; cy < kCells; ++cy)
        for (int cx = 0; cx < kCells; ++cx)
            for (double radius : {0.45, 0.35, 0.25, 0.15}) {
                for (int k = 0; k < kContourPoints; ++k) {
                    double a = 2 * M_PI * k / kContourPoints;
                    indices[k] = shapes.addPoint(cx + 0.5 + radius * std::cos(a), cy + 0.5 + radius * std::sin(a));
                }
                shapes.addElement(fw::Shape2DB::Closed, 1, kContourPoints, indices.data(), 0, nullptr, 0,
                                  nullptr);
            }
    fw::PolyShape2 loops;
    if (loops.addShape(shapes) != kContours) std::abort();
    for (auto _ : state) {
        std::vector<int> depth = loops.classifyLoops(true);
        // Depths 0, 1, 2, 3 in every cell.
        if (std::accumulate(depth.begin(), depth.end(), 0) != 6 * kCells * kCells) std::abort();
    }
    state.counters["contours/s"] =
        benchmark::Counter(kContours, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ClassifyContours)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
