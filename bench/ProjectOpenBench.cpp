// Opening a project that holds an imported mesh: a dense sphere of unshared triangles
// with normals (an STL-style mesh), imported from OBJ into a project of about 9 MB,
// then opened again and again. Measured against the goal of 50 MB/s and against
// importing the same mesh from its OBJ file in the same run: a project stores the
// mesh as OBJ lines, so opening it should cost about what importing it did.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Summary.h"
#include "app/MeshImport.h"
#include "app/OrvoSceneManager.h"
#include "app/Registration.h"
#include "app/VeltraneApp.h"
#include "geometry/ObjectP.h"
#include "output/ObjImport.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "scene/SceneX.h"

namespace {

using namespace fw;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

constexpr double kPi = 3.14159265358979323846;

// Every triangle with its own three positions and normals, as STL files hold them.
void writeSphere(const std::string& path, int rings, int segments) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) std::abort();
    auto corner = [&](int i, int j) {
        double theta = kPi * i / rings, phi = 2 * kPi * j / segments;
        double p[3] = {std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
        std::fprintf(f, "v %.6f %.6f %.6f\nvn %.6f %.6f %.6f\n", p[0], p[1], p[2], p[0], p[1], p[2]);
    };
    int triangles = 0;
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            if (i + 1 < rings) corner(i, j), corner(i + 1, j + 1), corner(i + 1, j), ++triangles;
            if (i > 0) corner(i, j), corner(i, j + 1), corner(i + 1, j + 1), ++triangles;
        }
    for (int t = 0; t < triangles; ++t) {
        int a = 3 * t + 1;
        std::fprintf(f, "f %d//%d %d//%d %d//%d\n", a, a, a + 1, a + 1, a + 2, a + 2);
    }
    std::fclose(f);
}

struct Sphere {
    VeltraneApp app;
    std::string folder, mesh, project;
    long bytes = 0;
    bool ok = false;
    Sphere() {
        registerAllClasses();
        Dialogs::instance().setQuiet(true);
        char made[] = "/tmp/fw-open-bench-XXXXXX";
        folder = mkdtemp(made) ? made : "/tmp";
        Folders::instance().setDocuments(folder + "/Documents");
        app.initialise();
        mesh = folder + "/sphere.obj";
        project = folder + "/sphere.kxp";
        writeSphere(mesh, 75, 238);
        ok = MeshImport::run(app.sceneManager(), mesh, project, true) == 0;
        bytes = ok ? static_cast<long>(std::filesystem::file_size(project)) : 0;
    }
    ~Sphere() { std::filesystem::remove_all(folder); }
};

Sphere& sphere() {
    static Sphere made;
    return made;
}

void BM_OpenProjectWithImportedMesh(benchmark::State& state) {
    Sphere& s = sphere();
    if (!s.ok) {
        state.SkipWithError("the sphere could not be imported");
        return;
    }
    double open = 0, import = 0;
    for (auto _ : state) {
        Clock::time_point t0 = Clock::now();
        bool loaded = s.app.sceneManager().loadProject(s.project);
        double mine = since(t0);
        auto* object = loaded ? dynamic_cast<ObjectP*>(s.app.sceneManager().scene()->member(kObjectKind, 0)) : nullptr;
        if (!object || object->customMesh().elementCount() == 0) {
            state.SkipWithError("the project did not open with its mesh");
            return;
        }
        open += mine;
        state.SetIterationTime(mine);
        t0 = Clock::now();
        ObjImport reader;
        std::vector<ImportGroup> groups;
        if (!reader.read(s.mesh, groups)) std::abort();
        import += since(t0);
    }
    const double n = static_cast<double>(state.iterations());
    const double rate = static_cast<double>(s.bytes) * n / open / 1e6;
    state.counters["MB"] = static_cast<double>(s.bytes) / 1e6;
    state.counters["MB_per_s"] = rate;
    state.counters["x_import"] = open / import;
    fw::bench::summaryRow("project open, 9 MB imported mesh", rate, "MB/s", "goal", 50, fw::bench::Better::higher);
    fw::bench::summaryRow("project open, 9 MB imported mesh", open / n * 1e3, "ms", "OBJ import of the mesh",
                          import / n * 1e3, fw::bench::Better::lower);
}
BENCHMARK(BM_OpenProjectWithImportedMesh)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
