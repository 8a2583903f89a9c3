// OBJ export and import of the demo title's render geometry, against Assimp doing the
// same with the same file in the same run: ours writes the units the export command
// writes, Assimp exports the scene it imported from our file; both read that file back.
#include <benchmark/benchmark.h>

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

#include "Summary.h"
#include "app/MeshExport.h"
#include "app/OrvoSceneManager.h"
#include "app/Registration.h"
#include "app/VeltraneApp.h"
#include "output/ObjImport.h"
#include "output/ObjWriter.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "scene/SceneX.h"

namespace {

using namespace fw;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

const char* const kProject = FW_SOURCE_DIR "/examples/title.kxp";

// The title loaded once, its render geometry built, and a folder for the files.
struct Title {
    VeltraneApp app;
    std::vector<ExportUnit> units;
    std::string folder;
    bool ok = false;
    Title() {
        registerAllClasses();
        Dialogs::instance().setQuiet(true);
        char made[] = "/tmp/fw-mesh-bench-XXXXXX";
        folder = mkdtemp(made) ? made : "/tmp";
        Folders::instance().setDocuments(folder + "/Documents");
        app.initialise();
        ok = app.sceneManager().loadProject(kProject);
        if (ok) units = MeshExport::gather(*app.sceneManager().scene(), false);
        ok = ok && !units.empty() && ObjWriter::write(file("title.obj"), units, true);
    }
    std::string file(const std::string& name) const { return folder + "/" + name; }
};

Title& title() {
    static Title loaded;
    return loaded;
}

long fileSize(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fclose(f);
    return size;
}

void report(benchmark::State& state, const char* measure, double ours, double theirs, long bytes) {
    double n = static_cast<double>(state.iterations());
    state.counters["MB_per_s"] = bytes * n / ours / 1e6;
    state.counters["assimp_MB_per_s"] = bytes * n / theirs / 1e6;
    state.counters["x_assimp"] = theirs / ours;
    fw::bench::summaryRow(measure, bytes * n / ours / 1e6, "MB/s", "Assimp", bytes * n / theirs / 1e6,
                          fw::bench::Better::higher);
}

void BM_ObjExport(benchmark::State& state) {
    Title& t = title();
    if (!t.ok) {
        state.SkipWithError("examples/title.kxp did not load or export");
        return;
    }
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(t.file("title.obj"), 0);
    if (!scene) {
        state.SkipWithError("Assimp could not read the title's OBJ");
        return;
    }
    Assimp::Exporter exporter;
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        Clock::time_point t0 = Clock::now();
        if (!ObjWriter::write(t.file("ours.obj"), t.units, true)) std::abort();
        double mine = since(t0);
        ours += mine;
        state.SetIterationTime(mine);
        t0 = Clock::now();
        if (exporter.Export(scene, "objnomtl", t.file("assimp.obj")) != AI_SUCCESS) std::abort();
        theirs += since(t0);
    }
    report(state, "OBJ export, demo title", ours, theirs, fileSize(t.file("ours.obj")));
}
BENCHMARK(BM_ObjExport)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

void BM_ObjImport(benchmark::State& state) {
    Title& t = title();
    if (!t.ok) {
        state.SkipWithError("examples/title.kxp did not load or export");
        return;
    }
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        Clock::time_point t0 = Clock::now();
        ObjImport reader;
        std::vector<ImportGroup> groups;
        if (!reader.read(t.file("title.obj"), groups)) std::abort();
        double mine = since(t0);
        ours += mine;
        state.SetIterationTime(mine);
        t0 = Clock::now();
        Assimp::Importer importer;
        if (!importer.ReadFile(t.file("title.obj"), 0)) std::abort();
        theirs += since(t0);
    }
    report(state, "OBJ import, demo title", ours, theirs, fileSize(t.file("title.obj")));
}
BENCHMARK(BM_ObjImport)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
