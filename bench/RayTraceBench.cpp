// The ray tracer against POV-Ray on the same triangles: the demo title's render
// geometry written as a POV-Ray mesh2 scene with the same camera, lights and image
// size, both rendered on two threads without anti-aliasing and with comparable
// adaptive anti-aliasing; and our primary rays per second per core with a flat shader.
//
// POV-Ray's time is the wall time of its process less the parse time it prints
// ("Parse Time: ... (N seconds)"), so reading the text scene does not count against
// it; its own bounding and trace times are reported beside it. CPU times are reported
// too, since the machine is shared: POV-Ray's less that of a 1 x 1 frame of the same
// scene (start-up, parsing, bounding). Ours is a whole frame through
// RayTracer::render: draw list, structure build, tracing and shading.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <glm/geometric.hpp>
#include <memory>
#include <regex>
#include <sstream>
#include <string>

#include "Summary.h"
#include "app/OrvoPrefs.h"
#include "app/OrvoSceneManager.h"
#include "app/Registration.h"
#include "app/SceneMaterials.h"
#include "app/VeltraneApp.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "render/Camera.h"
#include "render/DrawList.h"
#include "render/Light.h"
#include "render/LightSlots.h"
#include "render/RayScene.h"
#include "render/RaySurface.h"
#include "render/RayTracer.h"
#include "scene/SceneX.h"

namespace {

using namespace fw;

const char* const kProject = FW_SOURCE_DIR "/examples/title.kxp";
constexpr int kThreads = 2;

std::string scratch() {
    static const std::string folder = [] {
        char name[] = "/tmp/fw-raytrace-bench-XXXXXX";
        return std::string(mkdtemp(name) ? name : "/tmp");
    }();
    return folder;
}

void init(VeltraneApp& app) {
    registerAllClasses();
    Dialogs::instance().setQuiet(true);
    Folders::instance().setDocuments(scratch() + "/Documents");
    app.initialise();
}

struct Loaded {
    VeltraneApp app;
    OrvoSceneManager& manager;
    Camera* camera = nullptr;
    std::unique_ptr<SceneMaterials> materials;
    bool ok = false;
    int width = 0, height = 0;
    Loaded() : manager((init(app), app.sceneManager())) {
        ok = manager.loadProject(kProject);
        if (ok) camera = dynamic_cast<Camera*>(manager.scene()->findMember("dflt_cam"));
        ok = ok && camera;
        if (!ok) std::fprintf(stderr, "%s: %s\n", kProject, manager.lastLoad().error.c_str());
        width = static_cast<int>(manager.settings().renderSize[0]);
        height = static_cast<int>(manager.settings().renderSize[1]);
        materials = std::make_unique<SceneMaterials>(app.prefs().shaderTextureWidth,
                                                     app.prefs().shaderTextureHeight, nullptr);
    }
    SceneX& scene() { return *manager.scene(); }
    RenderFrame frame() const {
        RenderFrame f;
        f.width = width;
        f.height = height;
        for (int c = 0; c < 3; ++c) f.background[c] = static_cast<float>(manager.settings().backgroundColor[c]);
        return f;
    }
    // The tracer set up with these settings and the project's materials, after a first
    // frame that built the solids and baked the materials (which POV-Ray is spared);
    // false, with the benchmark skipped, when that frame failed.
    bool prepare(RayTracer& tracer, const RayTracer::Settings& settings, RenderImage& image,
                 benchmark::State& state) {
        tracer.setSettings(settings);
        tracer.setStackLookup([this](Object& object, int part) { return materials->stack(object, part); });
        std::string error;
        if (tracer.render(scene(), *camera, frame(), image, error)) return true;
        state.SkipWithError(error.c_str());
        return false;
    }
};

Loaded& loaded() {
    static Loaded instance;
    return instance;
}

// POV-Ray's axes are left-handed with y up: every point and vector has its z negated,
// which mirrors the scene and the camera together and so leaves the picture as it is.
std::string pov(const glm::dvec3& v) {
    char text[96];
    std::snprintf(text, sizeof text, "<%.7g,%.7g,%.7g>", v.x, v.y, -v.z);
    return text;
}

std::string colour(const glm::dvec3& c) {
    char text[96];
    std::snprintf(text, sizeof text, "rgb <%.5g,%.5g,%.5g>", c.x, c.y, c.z);
    return text;
}

// The frame's draw list as POV-Ray sees it: one mesh2 per part with a plain pigment
// (the part's colour texture at its middle), the camera, the lights. Triangles count.
size_t writePovScene(Loaded& l, const std::string& path) {
    DrawList list;
    list.gather(l.scene());
    list.assignMaterials(nullptr, [&l](Object& object, int part) { return l.materials->stack(object, part); });
    RayScene rays;
    std::string error;
    if (!rays.build(list, error)) return 0;
    std::ofstream out(path);
    out << "#version 3.7;\n";
    LightSlots slots = LightSlots::assign(l.scene());
    const glm::dvec3 ambient(slots.ambient[0], slots.ambient[1], slots.ambient[2]);
    out << "global_settings { assumed_gamma 1.0 ambient_light " << colour(ambient) << " }\n";
    const auto& bg = l.manager.settings().backgroundColor;
    out << "background { " << colour({bg[0], bg[1], bg[2]}) << " }\n";

    Camera& camera = *l.camera;
    const double aspect = static_cast<double>(l.width) / l.height;
    const RayTracer::View view = RayTracer::View::of(camera, aspect);
    const glm::dmat4& m = view.toWorld;
    const glm::dvec3 eye(m * glm::dvec4(0, 0, 0, 1)), right = glm::normalize(glm::dvec3(m[0])),
        up = glm::normalize(glm::dvec3(m[1])), forward = -glm::normalize(glm::dvec3(m[2]));
    // The horizontal field of view of the near plane's half width.
    const double angle = 2 * std::atan(view.nearHalf[0] / view.clipNear) * 180 / 3.14159265358979323846;
    out << "camera { perspective location " << pov(eye) << " direction " << pov(forward) << " right "
        << pov(right * aspect) << " up " << pov(up) << " angle " << angle << " }\n";

    for (Light* light : slots.direct) {
        const glm::dmat4 lm = light->cameraToWorld();
        const glm::dvec3 c = glm::dvec3(light->color[0], light->color[1], light->color[2]) * light->intensity;
        const glm::dvec3 at(lm * glm::dvec4(0, 0, 0, 1)), toward = glm::normalize(glm::dvec3(lm[2]));
        out << "light_source { ";
        if (light->type() == Light::kDirectional)  // from far along its direction, rays parallel
            out << pov(at + toward * 1e5) << " color " << colour(c) << " parallel point_at " << pov(at);
        else
            out << pov(glm::dvec3(lm * glm::dvec4(0, 0, 1, 1))) << " color " << colour(c);
        if (!light->shadow) out << " shadowless";
        out << " }\n";
    }

    size_t triangles = 0;
    const auto& items = list.items();
    for (size_t i = 0; i < items.size(); ++i) {
        const int count = rays.vertexCount(static_cast<int>(i));
        bool normals = true;
        for (int k = 0; k < count && normals; ++k)
            normals = rays.vertexNormal(static_cast<int>(i), k) != glm::vec3(0);
        for (const DrawList::Part& part : items[i].parts) {
            if (part.triangles.empty()) continue;
            out << "mesh2 {\n vertex_vectors { " << count;
            for (int k = 0; k < count; ++k) out << ",\n  " << pov(rays.vertexPosition(static_cast<int>(i), k));
            out << " }\n";
            if (normals) {
                out << " normal_vectors { " << count;
                for (int k = 0; k < count; ++k) out << ",\n  " << pov(rays.vertexNormal(static_cast<int>(i), k));
                out << " }\n";
            }
            out << " face_indices { " << part.triangles.size() / 3;
            for (size_t t = 0; t + 2 < part.triangles.size(); t += 3)
                out << ",\n  <" << part.triangles[t] << "," << part.triangles[t + 1] << "," << part.triangles[t + 2]
                    << ">";
            triangles += part.triangles.size() / 3;
            const glm::vec4 tex = RaySurface::texel(part.material->surface[0].color, {0.5f, 0.5f});
            out << " }\n pigment { " << colour(glm::dvec3(tex)) << " }\n finish { ambient 1 diffuse 1 }\n}\n";
        }
    }
    return out.good() ? triangles : 0;
}

// CPU seconds of this process, and of its finished children: on a shared machine the
// time the cores actually spent, where wall time also counts other people's work.
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

double childCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// POV-Ray's render of `scene`: wall seconds less parse seconds, its own bounding plus
// trace seconds, and its CPU seconds. False when it did not run.
bool runPovRay(const std::string& scene, int width, int height, const std::string& antiAlias, double& seconds,
               double& ownSeconds, double& cpu) {
    const std::string log = scratch() + "/povray.log";
    const std::string command = "povray +I" + scene + " +O" + scratch() + "/pov.png +W" + std::to_string(width) +
                                " +H" + std::to_string(height) + " -D -V +WT" + std::to_string(kThreads) + " " +
                                antiAlias + " >" + log + " 2>&1";
    const double cpuBefore = childCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpu = childCpuSeconds() - cpuBefore;
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    auto timeOf = [&](const char* label) {
        std::smatch match;
        const std::string all = text.str();
        return std::regex_search(all, match, std::regex(std::string(label) + R"(:[^(]*\(([0-9.]+) seconds\))"))
                   ? std::stod(match[1])
                   : 0.0;
    };
    seconds = wall - timeOf("Parse Time");
    ownSeconds = timeOf("Bounding Time") + timeOf("Trace Time");
    return true;
}

void compare(benchmark::State& state, int level, const char* povAntiAlias, const char* measure) {
    Loaded& l = loaded();
    if (!l.ok) {
        state.SkipWithError("examples/title.kxp did not load");
        return;
    }
    const std::string scene = scratch() + "/title.pov";
    const size_t triangles = writePovScene(l, scene);
    if (triangles == 0) {
        state.SkipWithError("the POV-Ray scene could not be written");
        return;
    }
    RayTracer tracer;
    RayTracer::Settings settings;
    settings.antiAlias = level;
    settings.multiThreaded = true;
    RenderImage image;
    if (!l.prepare(tracer, settings, image, state)) return;
    std::string error;
    double ours = 0, theirs = 0, theirsOwn = 0, oursCpu = 0, theirsCpu = 0;
    int runs = 0;
    for (auto _ : state) {
        const double cpu = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        tracer.render(l.scene(), *l.camera, l.frame(), image, error);
        ours += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        oursCpu += cpuSeconds() - cpu;
        state.PauseTiming();
        double wall = 0, own = 0, povCpu = 0, baseWall = 0, baseOwn = 0, baseCpu = 0;
        // The CPU time of a 1 x 1 frame of the same scene (start-up, parsing, bounding)
        // is taken off, since wall-clock parse times say little about CPU on a busy machine.
        if (!runPovRay(scene, l.width, l.height, povAntiAlias, wall, own, povCpu) ||
            !runPovRay(scene, 1, 1, povAntiAlias, baseWall, baseOwn, baseCpu)) {
            state.SkipWithError("povray did not run (Debian package povray)");
            return;
        }
        theirs += wall;
        theirsOwn += own;
        theirsCpu += povCpu - baseCpu;
        ++runs;
        state.ResumeTiming();
    }
    ours /= runs, theirs /= runs, theirsOwn /= runs, oursCpu /= runs, theirsCpu /= runs;
    state.counters["ours_ms"] = ours * 1000;
    state.counters["povray_ms"] = theirs * 1000;
    state.counters["povray_trace_ms"] = theirsOwn * 1000;
    state.counters["ratio"] = theirs / ours;
    state.counters["ratio_trace"] = theirsOwn / ours;
    state.counters["ours_cpu_ms"] = oursCpu * 1000;
    state.counters["povray_cpu_ms"] = theirsCpu * 1000;
    state.counters["ratio_cpu"] = theirsCpu / oursCpu;
    state.counters["triangles"] = static_cast<double>(triangles);
    state.counters["rays"] = static_cast<double>(tracer.statistics().raysTraced());
    fw::bench::summaryRow(measure, ours * 1000, "ms", "POV-Ray 3.7, goal ratio 2", theirs * 1000,
                          fw::bench::Better::lower);
    fw::bench::summaryRow(std::string(measure) + ", CPU time", oursCpu * 1000, "ms", "POV-Ray 3.7, goal ratio 2",
                          theirsCpu * 1000, fw::bench::Better::lower);
}

void BM_TitleAgainstPovRayNoAntiAlias(benchmark::State& state) {
    compare(state, 0, "-A", "ray traced demo title, no anti-aliasing");
}
BENCHMARK(BM_TitleAgainstPovRayNoAntiAlias)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TitleAgainstPovRayAntiAlias(benchmark::State& state) {
    compare(state, 3, "+A0.1 +R3", "ray traced demo title, anti-alias 3");
}
BENCHMARK(BM_TitleAgainstPovRayAntiAlias)->Unit(benchmark::kMillisecond)->Iterations(3);

// The frames of a sequence where nothing but transforms change: the structure built
// again each frame (argument 0) or kept and refitted (1). Whole frames at anti-alias 0.
void BM_TitleSequenceFrame(benchmark::State& state) {
    Loaded& l = loaded();
    if (!l.ok) {
        state.SkipWithError("examples/title.kxp did not load");
        return;
    }
    RayTracer tracer;
    RayTracer::Settings settings;
    settings.refit = state.range(0) != 0;
    RenderImage image;
    if (!l.prepare(tracer, settings, image, state)) return;
    std::string error;
    double cpu = 0;
    int frames = 0;
    for (auto _ : state) {
        const double start = cpuSeconds();
        tracer.render(l.scene(), *l.camera, l.frame(), image, error);
        cpu += cpuSeconds() - start;
        ++frames;
    }
    state.counters["cpu_ms"] = cpu * 1000 / frames;
    state.counters["refitted"] = tracer.statistics().refitted ? 1 : 0;
}
BENCHMARK(BM_TitleSequenceFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Primary rays alone: every hit one constant colour, no shadows; argument: threads.
void BM_PrimaryRaysFlat(benchmark::State& state) {
    Loaded& l = loaded();
    if (!l.ok) {
        state.SkipWithError("examples/title.kxp did not load");
        return;
    }
    const int threads = static_cast<int>(state.range(0));
    DrawList list;
    list.gather(l.scene());
    RayScene rays;
    std::string error;
    const double buildStart = cpuSeconds();
    if (!rays.build(list, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    state.counters["build_cpu_ms"] = (cpuSeconds() - buildStart) * 1000;
    RayTracer tracer;
    RayTracer::Settings settings;
    settings.multiThreaded = threads > 1;
    tracer.setSettings(settings);
    const RayTracer::Shader flat = [](const RayScene::Hit&, const glm::vec3&, glm::vec4& c) {
        c = glm::vec4(0.8f, 0.2f, 0.1f, 1.0f);
        return true;
    };
    const RenderFrame frame = l.frame();
    const RayTracer::View view = RayTracer::View::of(*l.camera, static_cast<double>(frame.width) / frame.height);
    RenderImage image;
    long primary = 0;
    double seconds = 0, cpu = 0;
    for (auto _ : state) {
        const double cpuStart = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        tracer.trace(rays, view, frame, flat, image, error);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += cpuSeconds() - cpuStart;
        primary += tracer.statistics().primaryRays;
    }
    const double perCore = primary / seconds / threads, perCpuSecond = primary / cpu;
    state.counters["primary_rays_per_s_per_core"] = perCore;
    state.counters["primary_rays_per_cpu_s"] = perCpuSecond;
    const std::string label = "primary rays, flat, " + std::to_string(threads) + " thread" + (threads > 1 ? "s" : "");
    fw::bench::summaryRow(label + ", per core", perCore / 1e6, "M rays/s", "goal", 10, fw::bench::Better::higher);
    fw::bench::summaryRow(label + ", per CPU second", perCpuSecond / 1e6, "M rays/s", "goal", 10,
                          fw::bench::Better::higher);
}
BENCHMARK(BM_PrimaryRaysFlat)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
