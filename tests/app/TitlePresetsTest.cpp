// Every ready-made animation, on short and long titles: each element moves long enough to be seen, nothing jumps across
// the frame, the in-part ends on the still and hides what it hides at frame 0. Element paths are followed through the
// animator and the camera (where rendered letters land is the animated example's test, SceneAnimatorTest).
#include <glm/glm.hpp>

#include "TitleRig.h"
#include "anim/AnimTrack.h"
#include "app/SceneAnimator.h"
#include "app/TitleAnimation.h"
#include "render/Camera.h"
#include "scene/DAGNode.h"
#include "scene/Quality.h"

namespace fw {
namespace {

constexpr int kWidth = 96, kHeight = 54;

// Where an element shows on screen at one frame, in pixels of a kWidth-wide frame.
struct Seen {
    bool visible = false;
    double x = 0, y = 0, size = 0, opacity = 0;
};

class TitlePresets : public test::AppTest {
protected:
    void build(const std::string& text, const std::string& chain) {
        ASSERT_TRUE(manager().newScene());
        test::buildTitle(manager(), TitleScene::fromUtf8(text), chain, kWidth, kHeight);
        still = scene().animGlobals().currentFrame();
        animator = std::make_unique<SceneAnimator>(scene());
        animator->setTime(0);
        camera = RenderJob::camera(scene());
        ASSERT_NE(camera, nullptr);
        camera->aspect = double(kWidth) / kHeight;
    }

    // Every element proper at `frame`: its own nodes and its fragments' together, each weighed by how much it shows, so
    // pieces fading out move the middle smoothly.
    std::vector<Seen> look(double frame) {
        animator->setTime(frame);
        const auto& t = animator->tracks().front();
        std::vector<int> slot(t.elements.size(), -1);
        int proper = 0;
        for (size_t e = 0; e < t.elements.size(); ++e)
            if (t.elements[e].owner < 0) slot[e] = proper++;
        std::vector<Seen> seen(static_cast<size_t>(proper));
        std::vector<double> weight(seen.size(), 0.0);
        const glm::dmat4 toCamera = glm::inverse(camera->cameraToWorld());
        for (size_t e = 0; e < t.elements.size(); ++e) {
            const int owner = t.elements[e].owner;
            const size_t k = static_cast<size_t>(owner < 0 ? slot[e] : slot[static_cast<size_t>(owner)]);
            Seen& s = seen[k];
            for (DAGNode* node : t.nodes[e]) {
                const double opacity = node->animatedOpacity();
                if (opacity <= 0.02) continue;
                double b[6];
                node->worldBounds(kRenderMode, b);
                if (b[0] > b[3]) continue;
                glm::dvec2 lo(1e9), hi(-1e9);
                for (int corner = 0; corner < 8; ++corner) {
                    const glm::dvec4 p =
                        toCamera * glm::dvec4(b[corner & 1 ? 3 : 0], b[corner & 2 ? 4 : 1], b[corner & 4 ? 5 : 2], 1);
                    double hw, hh;
                    camera->frustumAt(std::max(-p.z, 1e-6), hw, hh);
                    // Rows counted from the bottom, as the pictures are read.
                    const glm::dvec2 xy((0.5 + p.x / (2 * hw)) * kWidth, (0.5 + p.y / (2 * hh)) * kHeight);
                    lo = glm::min(lo, xy), hi = glm::max(hi, xy);
                }
                s.visible = s.visible || (hi[0] > 0 && lo[0] < kWidth && hi[1] > 0 && lo[1] < kHeight);
                s.opacity = std::max(s.opacity, opacity);
                s.x += opacity * (lo[0] + hi[0]) / 2, s.y += opacity * (lo[1] + hi[1]) / 2;
                s.size += opacity * (hi[0] - lo[0] + hi[1] - lo[1]);
                weight[k] += opacity;
            }
        }
        for (size_t s = 0; s < seen.size(); ++s)
            if (weight[s] > 0) seen[s].x /= weight[s], seen[s].y /= weight[s], seen[s].size /= weight[s];
        return seen;
    }

    ::test::Pixels render(double frame, bool trackOn = true) {
        animator->clear();
        auto* track = dynamic_cast<AnimTrack*>(scene().member(kAnimTrackKind, 0));
        track->vis = trackOn ? 0 : 1;
        const ::test::Pixels p =
            test::renderFrame(*test::quietJob(manager(), std::to_string(kWidth) + "x" + std::to_string(kHeight), frame),
                              scene(), frame, dir.file("frame.png"));
        track->vis = 0;
        return p;
    }
    std::unique_ptr<SceneAnimator> animator;
    Camera* camera = nullptr;
    double still = 0;  // the frame a still of the title shows
};

// The pixels that differ from black.
int lit(const ::test::Pixels& p) {
    int n = 0;
    for (size_t i = 0; i + 2 < p.rgb.size(); i += 3) n += p.rgb[i] + p.rgb[i + 1] + p.rgb[i + 2] > 24;
    return n;
}

TEST_F(TitlePresets, EveryPresetMovesEachElementLongEnoughWithoutJumpsAndEndsOnTheStill) {
    std::vector<std::string> chains;
    for (const std::string& name : TitleAnimation::names())
        if (name != "hold") chains.push_back(name);
    chains.emplace_back("slide-up,hold,slide-down");
    for (const std::string& chain : chains)
        for (unsigned letters : {4u, 12u, 40u}) {
            SCOPED_TRACE(chain + ", " + std::to_string(letters) + " letters");
            // A title of that many letters: the words below over and over, the last one cut short.
            const std::string words = "Late Night News Live From Town ";
            std::string text;
            for (size_t i = 0; text.size() - std::count(text.begin(), text.end(), ' ') < letters; ++i)
                text += words[i % words.size()];
            build(text, chain);
            if (HasFatalFailure()) return;
            const AnimGlobals& globals = scene().animGlobals();
            ASSERT_EQ(globals.framesPerSecond, 30.0f);
            std::vector<Seen> before = look(0);
            std::vector<int> moving(before.size(), 0);
            double worstJump = 0;
            for (int frame = 1; frame <= globals.frameEnd; ++frame) {
                const std::vector<Seen> now = look(frame);
                for (size_t e = 0; e < now.size(); ++e) {
                    const Seen &a = before[e], &b = now[e];
                    if (!a.visible || !b.visible) continue;
                    worstJump = std::max({worstJump, std::abs(b.x - a.x), std::abs(b.y - a.y)});
                    if (std::abs(b.x - a.x) + std::abs(b.y - a.y) + std::abs(b.size - a.size) > 0.02 ||
                        std::abs(b.opacity - a.opacity) > 0.004)
                        ++moving[e];
                }
                before = now;
            }
            EXPECT_GE(*std::min_element(moving.begin(), moving.end()), 12);
            EXPECT_LE(worstJump, 0.15 * kWidth);
            // The names list the in-animations before "hold".
            const std::vector<std::string> names = TitleAnimation::names();
            const auto hold = std::find(names.begin(), names.end(), "hold");
            const bool in = std::find(names.begin(), hold, chain.substr(0, chain.find(','))) != hold;
            const ::test::Pixels first = render(0);
            if (in) {
                EXPECT_EQ(lit(first), 0) << "something shows at frame 0";
                // The frame the in-part ends on is the still.
                const int settled = static_cast<int>(still);
                EXPECT_TRUE(chain.find(',') != std::string::npos || settled == globals.frameEnd) << settled;
                EXPECT_EQ(render(settled).rgb, render(settled, false).rgb);
            } else {
                EXPECT_EQ(first.rgb, render(0, false).rgb) << "an out-part starts from the still";
            }
            EXPECT_TRUE((in && chain.find(',') == std::string::npos) || lit(render(globals.frameEnd)) == 0)
                << "something is left at the end";
        }
}

}  // namespace
}  // namespace fw
