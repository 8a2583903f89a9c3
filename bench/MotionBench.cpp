// Evaluating a track's elements per frame in the animation layer alone (no scene nodes): 200 letters crossing a transition with a
// bow, an overshoot, a following action and a fade, and holding in a spinning pose.
#include <benchmark/benchmark.h>

#include "anim/AnimPose.h"
#include "anim/AnimTrack.h"
#include "anim/AnimTransition.h"
#include "anim/ElementMotion.h"
#include "scene/SceneX.h"

namespace {

std::vector<fw::AnimElement> letters(int count) {
    std::vector<fw::AnimElement> out(count);
    for (int i = 0; i < count; ++i) {
        const double c[3] = {(i % 20) * 50.0, -(i / 20) * 90.0, 0};
        for (int a = 0; a < 3; ++a) {
            out[i].center[a] = c[a];
            out[i].bounds[a] = c[a] - 20;
            out[i].bounds[a + 3] = c[a] + 20;
        }
        out[i].creationIndex = i;
    }
    return out;
}

struct Title {
    fw::SceneX scene;
    fw::AnimTrack track{scene, "title"};
    Title() {
        auto from = std::make_unique<fw::AnimPose>(scene);
        from->length = 10;
        from->settings.distributeType = fw::AnimPoseSettings::kSphereShell;
        from->action.actionType = fw::AnimPathAction::kPoseFreeWander;
        from->action.amount[0] = 20;
        auto tr = std::make_unique<fw::AnimTransition>(scene);
        tr->startFrame = 10;
        tr->length = 60;
        tr->sequence.overlap = 70;
        tr->sequence.startEase = tr->sequence.endEase = 30;
        tr->path.bowAmount = 30;
        tr->path.bowDirectionStyle = fw::AnimPath::kRandom;
        tr->path.endOvershoot = 15;
        tr->path.twist = 45;
        tr->action.actionType = fw::AnimPathAction::kFollow3D;
        tr->vis.endTime = 30;
        auto to = std::make_unique<fw::AnimPose>(scene);
        to->startFrame = 70;
        to->length = 30;
        to->action.actionType = fw::AnimPathAction::kPoseSpin;
        to->action.amount[0] = 2;
        track.segments.push_back(std::move(from));
        track.segments.push_back(std::move(tr));
        track.segments.push_back(std::move(to));
    }
};

void frames(benchmark::State& state, double first, double last) {
    Title title;
    const auto elements = letters(200);
    double time = first;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fw::evaluateTrack(title.track, time, elements));
        time = time + 1 > last ? first : time + 1;
    }
    state.SetItemsProcessed(state.iterations() * 200);
}

void BM_TransitionFrame200(benchmark::State& state) { frames(state, 10, 69); }
void BM_PoseFrame200(benchmark::State& state) { frames(state, 70, 99); }
BENCHMARK(BM_TransitionFrame200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PoseFrame200)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
