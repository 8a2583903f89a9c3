// Cloth steps per second: the default flag, and a 50 by 50 cloth with the accurate
// self-collision (goal: under 5 ms a step), states cached every step as in playback.
#include <benchmark/benchmark.h>

#include <chrono>

#include "Summary.h"
#include "flag/kxFlag.h"

namespace {

void steps(benchmark::State& state, int across, int collision, const std::string& label) {
    fw::FlagUnit unit;
    unit.nu = unit.nv = across;
    unit.selfCollision = collision;
    unit.preRollFrames = 0;
    double seconds = 0.0;
    long count = 0;
    for (auto _ : state) {
        fw::kxFlag flag(unit);
        auto t0 = std::chrono::steady_clock::now();
        flag.simulateTo(300);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        count += flag.stepsRun;
    }
    const double perStep = seconds / static_cast<double>(count);
    state.counters["steps_per_s"] = 1.0 / perStep;
    state.counters["ms_per_step"] = perStep * 1e3;
    fw::bench::summaryRow(label, perStep * 1e3, "ms", "goal", 5.0, fw::bench::Better::lower);
}

void BM_DefaultFlagSteps(benchmark::State& state) {
    steps(state, 21, fw::FlagUnit::kCollisionNone, "flag step, 21 x 21 cloth");
}
BENCHMARK(BM_DefaultFlagSteps)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_AccurateClothSteps(benchmark::State& state) {
    steps(state, 50, fw::FlagUnit::kCollisionAccurate, "flag step, 50 x 50 cloth, accurate self-collision");
}
BENCHMARK(BM_AccurateClothSteps)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
