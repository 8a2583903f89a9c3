// Command-stream throughput: a generated ~100 MB stream of nested blocks, quoted
// strings and numbers, read and dispatched through the disk endpoint and written
// back, each compared with `wc -l` over the same file in the same run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "SampleRecord.h"
#include "Summary.h"
#include "persistence/AFileIO.h"

namespace {

using fw::AFileIO;
using fw::test::SampleRecord;

constexpr size_t kTargetBytes = 100u << 20;

std::string scratch(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string("fw-bench-") + name + "-" +
                                                      std::to_string(getpid())))
        .string();
}

struct Stream {
    std::string path = scratch("stream.kxp");
    std::string copy = scratch("copy.kxp");
    size_t bytes = 0;
    double wcSeconds = 0;

    Stream() {
        // A record with two nested levels and an indexed slot, repeated until ~100 MB.
        SampleRecord holder, root;
        for (int i = 0; i < 200; ++i) {
            auto r = std::make_unique<SampleRecord>();
            SampleRecord::fill(*r, i);
            r->children.push_back(std::make_unique<SampleRecord>());
            SampleRecord::fill(*r->children[0], -i);
            r->slots[i % 4] = std::make_unique<fw::test::SampleSlot>();
            root.children.push_back(std::move(r));
        }
        auto write = [&](size_t blocks) {
            AFileIO io(&holder);
            if (io.openOutput(path) != 0) std::abort();
            for (size_t b = 0; b < blocks; ++b) io.writeBlock(root);
            if (io.closeOutput() != 0) std::abort();
        };
        write(1);
        write((kTargetBytes + std::filesystem::file_size(path) - 1) / std::filesystem::file_size(path));
        bytes = std::filesystem::file_size(path);
        std::string wc = "wc -l " + path + " > /dev/null";
        wcSeconds = 1e9;
        for (int i = 0; i < 3; ++i) {
            auto t0 = std::chrono::steady_clock::now();
            if (std::system(wc.c_str()) != 0) std::abort();
            double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            if (s < wcSeconds) wcSeconds = s;
        }
    }
    ~Stream() {
        std::remove(path.c_str());
        std::remove(copy.c_str());
    }
};

Stream& stream() {
    static Stream s;
    return s;
}

std::unique_ptr<SampleRecord> load(const std::string& path) {
    auto root = std::make_unique<SampleRecord>();
    AFileIO io(root.get());
    if (io.openInput(path) != 0) std::abort();
    while (io.hasInput())
        if (io.processNextCommand() != 0) std::abort();
    return root;
}

void BM_ReadAndDispatch(benchmark::State& state) {
    Stream& s = stream();
    double seconds = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        auto root = load(s.path);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        benchmark::DoNotOptimize(root.get());
        state.PauseTiming();
        root.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(s.bytes) * state.iterations());
    state.counters["MB"] = static_cast<double>(s.bytes) / 1e6;
    double perRead = seconds / static_cast<double>(state.iterations());
    state.counters["x_wc_l"] = perRead / s.wcSeconds;
    fw::bench::summaryRow("command-stream reading", static_cast<double>(s.bytes) / perRead / 1e6, "MB/s", "goal", 200,
                          fw::bench::Better::higher);
    fw::bench::summaryRow("command-stream reading", static_cast<double>(s.bytes) / perRead / 1e6, "MB/s", "wc -l",
                          static_cast<double>(s.bytes) / s.wcSeconds / 1e6, fw::bench::Better::higher);
}
BENCHMARK(BM_ReadAndDispatch)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_WriteBack(benchmark::State& state) {
    Stream& s = stream();
    auto root = load(s.path);
    double seconds = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        SampleRecord holder;
        AFileIO io(&holder);
        if (io.openOutput(s.copy) != 0) std::abort();
        for (auto& child : root->children)
            if (io.writeBlock(*child) != 0) std::abort();
        if (io.closeOutput() != 0) std::abort();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    if (std::filesystem::file_size(s.copy) != s.bytes) state.SkipWithError("written size differs");
    state.SetBytesProcessed(static_cast<int64_t>(s.bytes) * state.iterations());
    state.counters["x_wc_l"] = seconds / static_cast<double>(state.iterations()) / s.wcSeconds;
}
BENCHMARK(BM_WriteBack)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
