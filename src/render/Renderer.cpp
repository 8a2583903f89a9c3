#include "render/Renderer.h"

#include <chrono>

namespace fw {

namespace {

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

}  // namespace

bool Renderer::sizeDrawable(int width, int height, std::string& error) {
    if (width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide) return true;
    const std::string most = std::to_string(kMaxSide);
    error = "the image size must be between 1 x 1 and " + most + " x " + most;
    return false;
}

bool Renderer::begin(const RenderFrame& frame, std::string& error) {
    timing_ = RenderTiming();
    sizeRefused_ = !sizeDrawable(frame.width, frame.height, error);
    return !sizeRefused_;
}

void Renderer::gather(SceneX& scene, DrawList& list) {
    Clock::time_point start = Clock::now();
    list.gather(scene);
    timing_.geometry += since(start);
    start = Clock::now();
    list.assignMaterials(materials_, stacks_);
    timing_.baking += since(start);
}

}  // namespace fw
