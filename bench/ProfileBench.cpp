// Profile flattening throughput at render quality (50 steps per segment, the default
// render smoothness), in segments per second: 10,000 outlines of 40 cubic segments
// each flattened straight from the outlines, and 1,000 such profiles asked through
// their render ports after each outline changed (every port keeps its result, so the
// port run holds fewer profiles to stay small in memory).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "profile/InputProfile2.h"
#include "profile/ProfileGeometry.h"
#include "profile/ProfileI.h"
#include "scene/SceneX.h"

namespace {

constexpr int kProfiles = 10000;
constexpr int kPortProfiles = 1000;
constexpr int kSegments = 40;
constexpr int kSteps = 50;

// A closed wavy ring of cubic segments, a little different for every profile.
void buildRing(fw::InputProfile2& profile, int seed) {
    fw::CompositeCurve2& contour = profile.addContour();
    auto at = [&](int i) {
        double a = 2 * M_PI * (i % kSegments) / kSegments;
        double r = 10 + 1.5 * std::sin(5 * a + seed * 0.37) + 0.01 * (seed % 17);
        return std::pair{r * std::cos(a), r * std::sin(a)};
    };
    for (int i = 0; i < kSegments; ++i) {
        auto [x0, y0] = at(i);
        auto [x3, y3] = at(i + 1);
        fw::Curve2& c = contour.addSegment(fw::Curve2::Bezier);
        c.addPoint(fw::CurvePoint::anchor(x0, y0));
        c.addPoint(fw::CurvePoint::handle(x0 + (x3 - x0) / 3 - 0.2 * y0 / 10, y0 + (y3 - y0) / 3 + 0.2 * x0 / 10));
        c.addPoint(fw::CurvePoint::handle(x3 - (x3 - x0) / 3 - 0.2 * y3 / 10, y3 - (y3 - y0) / 3 + 0.2 * x3 / 10));
        c.addPoint(fw::CurvePoint::anchor(x3, y3));
    }
    contour.linkSegments();
    profile.normalize();
}

fw::Profile::FlattenedProfileSettings renderSettings() {
    fw::Profile::FlattenedProfileSettings s = fw::Profile::FlattenedProfileSettings::defaults(fw::Profile::kRender);
    s.steps = kSteps;
    return s;
}

void FlattenOutlines(benchmark::State& state) {
    std::vector<fw::InputProfile2> outlines(kProfiles);
    for (int i = 0; i < kProfiles; ++i) buildRing(outlines[i], i);
    fw::Profile::FlattenedProfileSettings settings = renderSettings();
    fw::ProfileGeometry geometry;
    long points = 0;
    for (auto _ : state) {
        for (const fw::InputProfile2& outline : outlines) {
            fw::Profile::flattenOutline(outline, settings, geometry);
            points += geometry.pointCount();
        }
        benchmark::DoNotOptimize(points);
    }
    state.SetItemsProcessed(state.iterations() * kProfiles * kSegments);
    state.counters["points/profile"] = static_cast<double>(points) / (state.iterations() * kProfiles);
}

void RenderPorts(benchmark::State& state) {
    fw::SceneX scene;
    std::vector<fw::ProfileI*> profiles;
    for (int i = 0; i < kPortProfiles; ++i) {
        auto* p = new fw::ProfileI(scene, nullptr);
        buildRing(p->outline(), i);
        profiles.push_back(p);
    }
    for (auto _ : state) {
        for (fw::ProfileI* p : profiles) {
            p->profileChanged();  // the outline changed: the port must recompute
            benchmark::DoNotOptimize(p->renderFlattened(true, true, kSteps, 30.0, false));
        }
    }
    state.SetItemsProcessed(state.iterations() * kPortProfiles * kSegments);
}

}  // namespace

BENCHMARK(FlattenOutlines)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RenderPorts)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
