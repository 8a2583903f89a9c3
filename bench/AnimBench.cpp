// Playing an animated title: a 200-letter text block flying in letter by letter,
// evaluated at one time, and stepped through 300 frames. Only the scene's evaluation
// is measured (tracks → element matrices on the nodes), not drawing; the goal is
// under 2 ms a frame.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "app/Registration.h"
#include "app/SceneAnimator.h"
#include "app/TitleAnimation.h"
#include "geometry/ObjectXStyle.h"
#include "platform/Dialogs.h"
#include "scene/AnimGlobals.h"
#include "scene/SceneX.h"
#include "text/TextBlock.h"

namespace {

using namespace fw;

struct AnimatedTitle {
    SceneX scene;
    SceneAnimator animator{scene};
    AnimatedTitle() {
        registerAllClasses();
        Dialogs::instance().setQuiet(true);
        auto* style = new ObjectXStyle(scene, "Style");
        style->setPerimeterProfile("Bevel, Medium");
        style->setDepth(18);
        auto* block = new TextBlock(scene, "Title");
        TextAttr attr;
        attr.name = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
        std::u16string text;
        const std::u16string words = u"Bright titles glide past quickly; ";
        while (text.size() < 200) text += words;
        text.resize(200);
        block->appendText(text, attr);
        block->maxWidth = 2400;
        block->layout();
        block->build("Style");
        std::string error;
        TitleAnimation::add(scene, *block, "fly-in", 2400, 400, error);
        animator.setTime(0);  // gathers the elements (and builds the solids it measures)
    }
};

AnimatedTitle& title() {
    static AnimatedTitle t;
    return t;
}

void BM_EvaluateOneTime(benchmark::State& state) {
    AnimatedTitle& t = title();
    const double middle = t.scene.animGlobals().frameEnd / 2.0;
    for (auto _ : state) benchmark::DoNotOptimize(t.animator.setTime(middle));
    state.counters["elements"] = static_cast<double>(t.animator.tracks().empty() ? 0 : t.animator.tracks()[0].elements.size());
}
BENCHMARK(BM_EvaluateOneTime)->Unit(benchmark::kMillisecond);

void BM_Step300Frames(benchmark::State& state) {
    AnimatedTitle& t = title();
    // 300 steps across the whole timeline, as a sequence with motion blur would take them.
    const double step = (t.scene.animGlobals().frameEnd + 1) / 300.0;
    double seconds = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        for (int frame = 0; frame < 300; ++frame) benchmark::DoNotOptimize(t.animator.setTime(frame * step));
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    state.counters["ms_per_frame"] = seconds * 1000 / (300.0 * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_Step300Frames)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
