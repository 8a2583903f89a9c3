#pragma once
// What the in-process title tests share: the scene's members of a kind, and frames
// rendered through a render job and read back.
#include <cstdlib>
#include <optional>

#include "AppFixture.h"
#include "FilesAndImages.h"
#include "app/RenderJob.h"
#include "scene/AnimGlobals.h"

namespace fw::test {

// The scene's members of `kind` that are `T`s, in the scene's order.
template <class T>
std::vector<T*> membersOf(SceneX& scene, int kind) {
    std::vector<T*> out;
    for (int i = 0; i < scene.memberCount(kind); ++i)
        if (auto* member = dynamic_cast<T*>(scene.member(kind, i))) out.push_back(member);
    return out;
}

// A job rendering the manager's scene at `size` ("WxH") that reports nothing.
inline std::unique_ptr<RenderJob> quietJob(OrvoSceneManager& manager, const std::string& size,
                                           std::optional<double> frame = std::nullopt) {
    auto job = std::make_unique<RenderJob>(manager, [](const std::string&, const std::string&) {});
    EXPECT_TRUE(job->configure(size, frame)) << size;
    return job;
}

// The scene at `frame` as `job` draws it into `out`.
inline ::test::Pixels renderFrame(RenderJob& job, SceneX& scene, double frame, const std::string& out) {
    scene.animGlobals().currFrame = frame;
    EXPECT_EQ(job.renderTo(out, "title"), 0);
    return ::test::readImage(out);
}

// How far apart two RGB pixels are: the channels' differences summed.
inline int colourDistance(const int* a, const int* b) {
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

}  // namespace fw::test
