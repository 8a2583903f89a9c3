// Logos from artwork: a drawing of about 1 MB written as Illustrator artwork by
// pstoedit (its ps2ai driver), read into outlines, then built into bevelled solids at
// render quality. Reading and building are reported apart.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "Summary.h"
#include "app/LogoScene.h"
#include "app/VeltraneApp.h"
#include "app/OrvoSceneManager.h"
#include "artwork/AIParser.h"
#include "geometry/ObjectX.h"
#include "platform/Dialogs.h"
#include "scene/SceneX.h"

namespace {

using namespace fw;

// A drawing of filled blobs, rings and stars at random, rendered by pstoedit into
// Illustrator artwork of at least 1 MB; made once per run.
const std::string& artwork() {
    static const std::string path = [] {
        std::filesystem::path dir = std::filesystem::temp_directory_path() / "formwright-artwork-bench";
        std::filesystem::create_directories(dir);
        std::filesystem::path ps = dir / "drawing.ps", ai = dir / "drawing.ai";
        std::mt19937 random(7);
        std::uniform_real_distribution<double> u(0, 1);
        std::ofstream out(ps);
        out << "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 2000 2000\n";
        for (int shape = 0; shape < 2600; ++shape) {
            double x = 100 + 1800 * u(random), y = 100 + 1800 * u(random), r = 10 + 40 * u(random);
            out << u(random) << " " << u(random) << " " << u(random) << " setrgbcolor newpath\n";
            if (shape % 3 == 0) {  // a ring, filled even-odd
                out << x << " " << y << " " << r << " 0 360 arc closepath " << x << " " << y << " " << r / 2
                    << " 360 0 arcn closepath eofill\n";
            } else if (shape % 3 == 1) {  // a five-pointed star
                for (int i = 0; i < 10; ++i) {
                    double a = M_PI / 2 + i * M_PI / 5, s = i % 2 ? r / 2.5 : r;
                    out << x + s * std::cos(a) << " " << y + s * std::sin(a) << (i ? " lineto\n" : " moveto\n");
                }
                out << "closepath fill\n";
            } else {  // a blob of four curves
                out << x + r << " " << y << " moveto\n";
                for (int q = 1; q <= 4; ++q) {
                    double a0 = (q - 1) * M_PI / 2, a1 = q * M_PI / 2, k = r * (0.4 + 0.5 * u(random));
                    out << x + r * std::cos(a0) - k * std::sin(a0) << " " << y + r * std::sin(a0) + k * std::cos(a0)
                        << " " << x + r * std::cos(a1) + k * std::sin(a1) << " " << y + r * std::sin(a1) - k * std::cos(a1)
                        << " " << x + r * std::cos(a1) << " " << y + r * std::sin(a1) << " curveto\n";
                }
                out << "closepath fill\n";
            }
        }
        out << "showpage\n";
        out.close();
        std::string command = "pstoedit -q -f ps2ai '" + ps.string() + "' '" + ai.string() + "' 2>/dev/null";
        if (std::system(command.c_str()) != 0) return std::string();
        return ai.string();
    }();
    return path;
}

void BM_ReadIllustratorArtwork(benchmark::State& state) {
    const std::string& path = artwork();
    if (path.empty()) return state.SkipWithError("pstoedit could not write the artwork");
    const double bytes = static_cast<double>(std::filesystem::file_size(path));
    size_t outlines = 0;
    for (auto _ : state) {
        AIParser parser;
        if (!parser.readFile(path)) return state.SkipWithError(parser.error().c_str());
        outlines = parser.profiles().size();
    }
    state.counters["MB"] = bytes / 1e6;
    state.counters["outlines"] = static_cast<double>(outlines);
    state.counters["MB_per_s"] = benchmark::Counter(bytes / 1e6 * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadIllustratorArtwork)->Unit(benchmark::kMillisecond)->UseRealTime();

// The logo scene built from the artwork (reading included), then every object's solid
// at render quality, timed apart.
void BM_BuildLogoSolids(benchmark::State& state) {
    const std::string& path = artwork();
    if (path.empty()) return state.SkipWithError("pstoedit could not write the artwork");
    Dialogs::instance().setQuiet(true);
    VeltraneApp::installLibraries();
    double sceneSeconds = 0, solidSeconds = 0;
    long triangles = 0;
    for (auto _ : state) {
        VeltraneApp app;
        app.initialise();
        auto t0 = std::chrono::steady_clock::now();
        LogoScene::Options options;
        options.file = path;
        std::string subject, error;
        if (!LogoScene::build(app.sceneManager(), options, subject, error)) return state.SkipWithError(error.c_str());
        auto t1 = std::chrono::steady_clock::now();
        SceneX& scene = *app.sceneManager().scene();
        std::vector<ObjectX*> objects;
        for (int i = 0; i < scene.memberCount(kObjectKind); ++i)
            if (auto* o = dynamic_cast<ObjectX*>(scene.member(kObjectKind, i))) objects.push_back(o);
        ObjectX::buildSolids(objects, kRenderMode);
        triangles = 0;
        for (ObjectX* o : objects)
            if (PackedObjDB* mesh = o->displayGeometry(kRenderMode)) triangles += mesh->indexCount() / 3;
        auto t2 = std::chrono::steady_clock::now();
        sceneSeconds += std::chrono::duration<double>(t1 - t0).count();
        solidSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["read_and_scene_ms"] = sceneSeconds * 1e3 / n;
    state.counters["solids_ms"] = solidSeconds * 1e3 / n;
    state.counters["triangles"] = static_cast<double>(triangles);
    fw::bench::summaryRow("1 MB Illustrator logo: read into a scene", sceneSeconds * 1e3 / n, "ms", "goal", 1000,
                          fw::bench::Better::lower);
    fw::bench::summaryRow("1 MB Illustrator logo: solids at render quality", solidSeconds * 1e3 / n, "ms", "goal",
                          10000, fw::bench::Better::lower);
}
BENCHMARK(BM_BuildLogoSolids)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
