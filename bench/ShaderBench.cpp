// Baking each shader kind into a 1024 x 1024 texture of float RGBA, on one thread
// and on two. The image shader reads a 1024 x 1024 PNG written for the run; the
// layer-map shader samples a picture of the same size held in memory.
#include <FreeImage.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "scene/SceneX.h"
#include "surface/ImageFile.h"
#include "surface/ImageMap.h"
#include "surface/LayerMapSource.h"
#include "surface/Picture.h"
#include "surface/ShaderColor.h"
#include "surface/ShaderGradient.h"
#include "surface/ShaderGrid.h"
#include "surface/ShaderImage.h"
#include "surface/ShaderLayerMap.h"
#include "surface/ShaderNoisePerlin.h"
#include "surface/ShaderNoiseWorley.h"

namespace {

constexpr int kSize = 1024;

uint8_t wave(int x, int y, int k) { return static_cast<uint8_t>(127.5 + 127.5 * std::sin((x * k + y) * 0.01)); }

struct Layers : fw::LayerMapSource {
    const fw::Picture* layerMap(int) override { return &picture; }
    fw::Picture picture{kSize, kSize};
};

struct Fixture {
    Fixture() {
        path = (std::filesystem::temp_directory_path() / ("fw-bench-shader-" + std::to_string(getpid()) + ".png"))
                   .string();
        FIBITMAP* dib = FreeImage_Allocate(kSize, kSize, 32);
        for (int y = 0; y < kSize; ++y) {
            BYTE* line = FreeImage_GetScanLine(dib, y);
            uint8_t* pic = layers.picture.row(y);
            for (int x = 0; x < kSize; ++x) {
                line[x * 4 + FI_RGBA_RED] = pic[x * 4] = wave(x, y, 1);
                line[x * 4 + FI_RGBA_GREEN] = pic[x * 4 + 1] = wave(x, y, 2);
                line[x * 4 + FI_RGBA_BLUE] = pic[x * 4 + 2] = wave(x, y, 3);
                line[x * 4 + FI_RGBA_ALPHA] = pic[x * 4 + 3] = 255;
            }
        }
        FreeImage_Save(FIF_PNG, dib, path.c_str(), 0);
        FreeImage_Unload(dib);
        auto* file = new fw::ImageFile(scene, "BenchImage");
        file->setPath(path);
        auto* map = new fw::ImageMap(scene, "BenchMap");
        map->setImageFile("BenchImage");
        fw::ShaderLayerMap::setSource(&layers);

        shaders.push_back(std::make_unique<fw::ShaderColor>(0.8f, 0.4f, 0.2f, 1.0f));
        auto gradient = std::make_unique<fw::ShaderGradient>();
        gradient->unit.gradient.interpType = fw::Gradient::kHSV;
        gradient->unit.gradient.addColorStop(0.0, fw::kxColor::fromRGB(65535, 0, 0));
        gradient->unit.gradient.addColorStop(0.5, fw::kxColor::fromRGB(0, 65535, 0));
        gradient->unit.gradient.addColorStop(1.0, fw::kxColor::fromRGB(0, 0, 65535));
        gradient->unit.gradient.type = fw::Gradient::kCircle;
        shaders.push_back(std::move(gradient));
        shaders.push_back(std::make_unique<fw::ShaderGrid>());
        auto image = std::make_unique<fw::ShaderImage>(&scene);
        image->setImage("BenchMap");
        shaders.push_back(std::move(image));
        shaders.push_back(std::make_unique<fw::ShaderLayerMap>());
        shaders.push_back(std::make_unique<fw::ShaderNoisePerlin>());
        shaders.push_back(std::make_unique<fw::ShaderNoiseWorley>());
    }
    ~Fixture() {
        fw::ShaderLayerMap::setSource(nullptr);
        std::filesystem::remove(path);
    }

    std::string path;
    fw::SceneX scene;
    Layers layers;
    std::vector<std::unique_ptr<fw::Shader>> shaders;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_Bake(benchmark::State& state) {
    const fw::Shader& shader = *fixture().shaders[state.range(0)];
    int threads = static_cast<int>(state.range(1));
    std::vector<float> texels(size_t(kSize) * kSize * 4);
    shader.bake(8, 8, false, texels.data(), 1);  // the image is read on first use, not timed
    for (auto _ : state) {
        shader.bake(kSize, kSize, false, texels.data(), threads);
        benchmark::DoNotOptimize(texels.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::string(shader.className()) + (threads == 1 ? ", 1 thread" : ", 2 threads"));
    state.counters["Mtexels/s"] =
        benchmark::Counter(double(kSize) * kSize / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_Bake)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {1, 2}})
    ->ArgNames({"kind", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
