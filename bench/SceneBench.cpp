// Scene load and save throughput: N groups, each below an earlier one, read from a
// scene file and written back. Run at 10,000 and 100,000 members: the name
// dictionary should keep the cost per member flat.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "scene/SceneFile.h"
#include "scene/MemberFactory.h"
#include "scene/SceneX.h"

namespace {

using fw::SceneFile;

std::string scratch(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("fw-bench-" + name + "-" + std::to_string(getpid()))).string();
}

std::string makeSceneFile(int members) {
    std::string path = scratch("scene" + std::to_string(members));
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::fprintf(f, " begin SceneX\n  name \"Bench\"\n");
    for (int i = 0; i < members; ++i) {
        std::fprintf(f, "  begin Group\n   name \"Group %d\"\n   translate %d 0 0\n", i, i % 17);
        if (i > 0) std::fprintf(f, "   parent \"Group %d\"\n", (i * 7919) % i);
        std::fprintf(f, "  end Group\n");
    }
    std::fprintf(f, " end SceneX\n");
    std::fclose(f);
    return path;
}

void BM_LoadScene(benchmark::State& state) {
    fw::registerSceneClasses();
    const int members = static_cast<int>(state.range(0));
    std::string path = makeSceneFile(members);
    for (auto _ : state) {
        SceneFile::Loaded loaded = SceneFile::load(path);
        if (!loaded.scene || loaded.scene->memberCount(fw::kGroupKind) != members) state.SkipWithError("load failed");
        state.PauseTiming();
        loaded.scene.reset();
        state.ResumeTiming();
    }
    std::remove(path.c_str());
    state.counters["members_per_s"] = benchmark::Counter(static_cast<double>(members) * state.iterations(),
                                                         benchmark::Counter::kIsRate);
    state.counters["us_per_member"] = benchmark::Counter(static_cast<double>(members) * state.iterations(),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["us_per_member"] = state.counters["us_per_member"].value * 1e6;
}
BENCHMARK(BM_LoadScene)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveScene(benchmark::State& state) {
    fw::registerSceneClasses();
    const int members = static_cast<int>(state.range(0));
    std::string path = makeSceneFile(members), out = scratch("saved");
    SceneFile::Loaded loaded = SceneFile::load(path);
    std::string error;
    for (auto _ : state)
        if (!SceneFile::save(*loaded.scene, out, error)) state.SkipWithError(error.c_str());
    std::remove(path.c_str());
    std::remove(out.c_str());
    state.counters["members_per_s"] = benchmark::Counter(static_cast<double>(members) * state.iterations(),
                                                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SaveScene)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
