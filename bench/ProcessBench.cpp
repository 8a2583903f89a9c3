// Whole processes, from start to exit, as a user runs them: the version check, the
// glyph listing against a FreeType program printing the same records, a title
// rendered to a picture, and the demo movie. Times are wall-clock; "peak_MB" is the
// child's maximum resident size.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Summary.h"

extern char** environ;

namespace {

using fw::bench::Better;
using fw::bench::summaryRow;

const char* const kFreeSerif = "/usr/share/fonts/opentype/freefont/FreeSerif.otf";

struct Run {
    double seconds = 0;
    double peakMB = 0;
    bool ok = false;
};

// Runs a program with its standard output and error thrown away.
Run run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Run result;
    auto t0 = std::chrono::steady_clock::now();
    pid_t pid;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid) {
            result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            result.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
            result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return result;
}

// A library folder of the benchmark's own, so that $HOME is left alone; installed by
// a first run that is not measured, as a user's has been long before.
const std::string& libraryFolder() {
    static const std::string folder = [] {
        char name[] = "/tmp/fw-process-bench-XXXXXX";
        std::string made = mkdtemp(name) ? name : "/tmp";
        run({FW_EXECUTABLE, "--library-folder", made, "info", FW_SOURCE_DIR "/examples/title.kxp"});
        return made;
    }();
    return folder;
}

// Measures one command per iteration; the iteration time is the child's wall time.
Run measure(benchmark::State& state, const std::vector<std::string>& args, double& peak) {
    Run total;
    for (auto _ : state) {
        Run r = run(args);
        if (!r.ok) {
            state.SkipWithError(("failed: " + args[1]).c_str());
            return total;
        }
        state.SetIterationTime(r.seconds);
        total.seconds += r.seconds;
        if (r.peakMB > peak) peak = r.peakMB;
    }
    total.ok = true;
    total.seconds /= static_cast<double>(state.iterations());
    state.counters["peak_MB"] = peak;
    return total;
}

void BM_Version(benchmark::State& state) {
    double peak = 0;
    Run r = measure(state, {FW_EXECUTABLE, "--version"}, peak);
    if (r.ok) summaryRow("formwright --version, whole process", r.seconds * 1e3, "ms", "goal", 10, Better::lower);
}
BENCHMARK(BM_Version)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_GlyphListing(benchmark::State& state) {
    double ours = 0, theirs = 0, peak = 0;
    for (auto _ : state) {
        Run a = run({FW_EXECUTABLE, "glyphs", kFreeSerif});
        Run b = run({FW_PEER_GLYPHS, kFreeSerif});
        if (!a.ok || !b.ok) {
            state.SkipWithError("a glyph listing failed");
            return;
        }
        state.SetIterationTime(a.seconds);
        ours += a.seconds;
        theirs += b.seconds;
        if (a.peakMB > peak) peak = a.peakMB;
    }
    double n = static_cast<double>(state.iterations());
    state.counters["freetype_ms"] = theirs / n * 1e3;
    state.counters["x_freetype"] = theirs / ours;
    state.counters["peak_MB"] = peak;
    summaryRow("formwright glyphs FreeSerif.otf, whole process", ours / n * 1e3, "ms", "FreeType program",
               theirs / n * 1e3, Better::lower);
}
BENCHMARK(BM_GlyphListing)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_TextToPicture(benchmark::State& state) {
    double peak = 0;
    const std::string out = libraryFolder() + "/title.png";
    Run r = measure(state, {FW_EXECUTABLE, "--library-folder", libraryFolder(), "text", "Formwright", "-o", out}, peak);
    if (r.ok) summaryRow("formwright text \"Formwright\" -o title.png", r.seconds * 1e3, "ms", "whole process", 0,
                         Better::lower);
}
BENCHMARK(BM_TextToPicture)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DemoMovie(benchmark::State& state) {
    double peak = 0;
    const std::string out = libraryFolder() + "/animated-title.mp4";
    Run r = measure(state,
                    {FW_EXECUTABLE, "--library-folder", libraryFolder(), "render",
                     FW_SOURCE_DIR "/examples/animated-title.kxp", "--frames", "0-60", "--size", "640x360", "-o", out},
                    peak);
    if (r.ok) summaryRow("demo movie, 61 frames at 640 x 360", r.seconds, "s", "whole process", 0, Better::lower);
}
BENCHMARK(BM_DemoMovie)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
