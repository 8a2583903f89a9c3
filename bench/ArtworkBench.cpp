// Logos from artwork: a drawing of about 1 MB written as Illustrator artwork by
// pstoedit (its ps2ai driver) and as SVG, read into outlines, then built into bevelled
// solids at render quality. Reading and building are reported apart.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Summary.h"
#include "app/LogoScene.h"
#include "app/VeltraneApp.h"
#include "app/OrvoSceneManager.h"
#include "artwork/ArtworkReader.h"
#include "geometry/ObjectX.h"
#include "platform/Dialogs.h"
#include "scene/SceneX.h"

namespace {

using namespace fw;

// A drawing of filled blobs, rings and stars at random, written as PostScript (which
// pstoedit turns into Illustrator artwork) and as SVG, each at least 1 MB; made once per run.
struct Drawing {
    std::string illustrator, svg;
};

const Drawing& drawing() {
    static const Drawing made = [] {
        Drawing d;
        std::filesystem::path dir = std::filesystem::temp_directory_path() / "formwright-artwork-bench";
        std::filesystem::create_directories(dir);
        std::filesystem::path ps = dir / "drawing.ps", ai = dir / "drawing.ai", svg = dir / "drawing.svg";
        std::mt19937 random(7);
        std::uniform_real_distribution<double> u(0, 1);
        std::ofstream postScript(ps), vector(svg);
        postScript << "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 2000 2000\n";
        vector << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"2000\" height=\"2000\" viewBox=\"0 0 2000 2000\">\n";
        // SVG runs y down: the same shapes mirrored, which costs the reader the same.
        // 2,600 shapes make about 1 MB of Illustrator artwork; the SVG goes on to 1 MB too.
        std::ostringstream unused;
        for (int n = 0; n < 2600 || vector.tellp() < 1000000; ++n) {
            const int shape = n % 3;
            std::ostream& out = n < 2600 ? static_cast<std::ostream&>(postScript) : unused;
            double x = 100 + 1800 * u(random), y = 100 + 1800 * u(random), r = 10 + 40 * u(random);
            double red = u(random), green = u(random), blue = u(random);
            out << red << " " << green << " " << blue << " setrgbcolor newpath\n";
            char colour[8];
            std::snprintf(colour, sizeof colour, "#%02x%02x%02x", static_cast<int>(red * 255),
                          static_cast<int>(green * 255), static_cast<int>(blue * 255));
            vector << "<path fill=\"" << colour << "\"";
            if (shape == 0) {  // a ring, filled even-odd
                out << x << " " << y << " " << r << " 0 360 arc closepath " << x << " " << y << " " << r / 2
                    << " 360 0 arcn closepath eofill\n";
                vector << " fill-rule=\"evenodd\" d=\"M" << x + r << " " << y << "A" << r << " " << r << " 0 1 0 "
                       << x - r << " " << y << "A" << r << " " << r << " 0 1 0 " << x + r << " " << y << "ZM"
                       << x + r / 2 << " " << y << "A" << r / 2 << " " << r / 2 << " 0 1 0 " << x - r / 2 << " " << y
                       << "A" << r / 2 << " " << r / 2 << " 0 1 0 " << x + r / 2 << " " << y << "Z\"/>\n";
            } else if (shape == 1) {  // a five-pointed star
                vector << " d=\"";
                for (int i = 0; i < 10; ++i) {
                    double a = M_PI / 2 + i * M_PI / 5, s = i % 2 ? r / 2.5 : r;
                    out << x + s * std::cos(a) << " " << y + s * std::sin(a) << (i ? " lineto\n" : " moveto\n");
                    vector << (i ? "L" : "M") << x + s * std::cos(a) << " " << y + s * std::sin(a);
                }
                out << "closepath fill\n";
                vector << "Z\"/>\n";
            } else {  // a blob of four curves
                out << x + r << " " << y << " moveto\n";
                vector << " d=\"M" << x + r << " " << y;
                for (int q = 1; q <= 4; ++q) {
                    double a0 = (q - 1) * M_PI / 2, a1 = q * M_PI / 2, k = r * (0.4 + 0.5 * u(random));
                    double c[6] = {x + r * std::cos(a0) - k * std::sin(a0), y + r * std::sin(a0) + k * std::cos(a0),
                                   x + r * std::cos(a1) + k * std::sin(a1), y + r * std::sin(a1) - k * std::cos(a1),
                                   x + r * std::cos(a1),                    y + r * std::sin(a1)};
                    out << c[0] << " " << c[1] << " " << c[2] << " " << c[3] << " " << c[4] << " " << c[5]
                        << " curveto\n";
                    vector << "C" << c[0] << " " << c[1] << " " << c[2] << " " << c[3] << " " << c[4] << " " << c[5];
                }
                out << "closepath fill\n";
                vector << "Z\"/>\n";
            }
        }
        postScript << "showpage\n";
        vector << "</svg>\n";
        postScript.close();
        vector.close();
        d.svg = svg.string();
        std::string command = "pstoedit -q -f ps2ai '" + ps.string() + "' '" + ai.string() + "' 2>/dev/null";
        if (std::system(command.c_str()) == 0) d.illustrator = ai.string();
        return d;
    }();
    return made;
}

// Reads the file into outlines; the row says which kind.
void readArtwork(benchmark::State& state, const std::string& path) {
    if (path.empty()) return state.SkipWithError("pstoedit could not write the artwork");
    const double bytes = static_cast<double>(std::filesystem::file_size(path));
    size_t outlines = 0;
    for (auto _ : state) {
        std::string why;
        auto reader = ArtworkReader::forPath(path, ArtworkReader::LayerMode::kObjects, "", why);
        if (!reader || !reader->readFile(path)) return state.SkipWithError("the artwork could not be read");
        outlines = reader->profiles().size();
    }
    state.counters["MB"] = bytes / 1e6;
    state.counters["outlines"] = static_cast<double>(outlines);
    state.counters["MB_per_s"] = benchmark::Counter(bytes / 1e6 * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_ReadIllustratorArtwork(benchmark::State& state) { readArtwork(state, drawing().illustrator); }
BENCHMARK(BM_ReadIllustratorArtwork)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadSvgArtwork(benchmark::State& state) { readArtwork(state, drawing().svg); }
BENCHMARK(BM_ReadSvgArtwork)->Unit(benchmark::kMillisecond)->UseRealTime();


// The logo scene built from the artwork (reading included), then every object's solid
// at render quality, timed apart.
void buildLogoSolids(benchmark::State& state, const std::string& path, const std::string& kind) {
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
    fw::bench::summaryRow("1 MB " + kind + " logo: read into a scene", sceneSeconds * 1e3 / n, "ms", "goal", 1000,
                          fw::bench::Better::lower);
    fw::bench::summaryRow("1 MB " + kind + " logo: solids at render quality", solidSeconds * 1e3 / n, "ms", "goal",
                          10000, fw::bench::Better::lower);
}

void BM_BuildIllustratorLogoSolids(benchmark::State& state) {
    buildLogoSolids(state, drawing().illustrator, "Illustrator");
}
BENCHMARK(BM_BuildIllustratorLogoSolids)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_BuildSvgLogoSolids(benchmark::State& state) { buildLogoSolids(state, drawing().svg, "SVG"); }
BENCHMARK(BM_BuildSvgLogoSolids)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
