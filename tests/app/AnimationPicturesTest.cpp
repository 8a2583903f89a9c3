// The animated example rendered frame by frame at a small size and measured letter by
// letter: each letter travels from its start pose to its place without turning back,
// the letters arrive in the order their launch type says, and the last frame is the
// still of the settled title pixel for pixel.

#include <cmath>

#include "AppFixture.h"
#include "FilesAndImages.h"
#include "anim/AnimTrack.h"
#include "app/RenderJob.h"
#include "scene/AnimGlobals.h"
#include "scene/DAGNode.h"

namespace fw {
namespace {

class AnimatedTitle : public test::AppTest {
protected:
    void SetUp() override {
        test::AppTest::SetUp();
        ASSERT_TRUE(manager().loadProject(FW_SOURCE_DIR "/examples/animated-title.kxp"));
        for (int i = 0; i < scene().memberCount(kObjectKind); ++i)
            if (auto* node = dynamic_cast<DAGNode*>(scene().member(kObjectKind, i))) letters.push_back(node);
        job = std::make_unique<RenderJob>(manager(), [](const std::string&, const std::string&) {});
        ASSERT_TRUE(job->configure("96x54", std::nullopt));
    }

    // The frame with only `shown` visible (null: every letter).
    ::test::Pixels render(double frame, DAGNode* shown) {
        for (DAGNode* letter : letters) letter->setFlag(DAGNode::kVisible, !shown || letter == shown);
        manager().scene()->animGlobals().currFrame = frame;
        const std::string out = dir.file("frame.png");
        EXPECT_EQ(job->renderTo(out, "example"), 0);
        return ::test::readImage(out);
    }

    std::unique_ptr<RenderJob> job;
    std::vector<DAGNode*> letters;
};

// The centroid of the pixels that differ from `background`; false when none do.
bool centroid(const ::test::Pixels& image, const ::test::Pixels& background, double& x, double& y) {
    double sx = 0, sy = 0;
    int n = 0;
    for (int py = 0; py < image.height; ++py)
        for (int px = 0; px < image.width; ++px) {
            const int* a = image.at(px, py);
            const int* b = background.at(px, py);
            if (std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) < 24) continue;
            sx += px, sy += py, ++n;
        }
    if (n < 2) return false;
    x = sx / n, y = sy / n;
    return true;
}

TEST_F(AnimatedTitle, LettersTravelToTheirPlacesOneAfterAnotherAndSettleIntoTheStill) {
    ASSERT_GE(letters.size(), 4u);
    const AnimGlobals& globals = manager().scene()->animGlobals();
    const int last = globals.frameEnd;
    ASSERT_GT(last, 20);
    // The background alone: no letter drawn.
    for (DAGNode* letter : letters) letter->setFlag(DAGNode::kVisible, false);
    manager().scene()->animGlobals().currFrame = 0;
    ASSERT_EQ(job->renderTo(dir.file("empty.png"), "example"), 0);
    const ::test::Pixels background = ::test::readImage(dir.file("empty.png"));
    ASSERT_GT(background.width, 0);

    std::vector<int> arrival;
    std::vector<double> finalX;
    for (DAGNode* letter : letters) {
        SCOPED_TRACE(letter->name());
        double fx, fy;
        ASSERT_TRUE(centroid(render(last, letter), background, fx, fy));
        finalX.push_back(fx);
        double x, y;
        EXPECT_FALSE(centroid(render(0, letter), background, x, y)) << "the first pose is outside the frame";
        double previous = 1e9;
        int arrived = -1;
        for (int frame = 1; frame <= last; frame += 2) {
            if (!centroid(render(frame, letter), background, x, y)) continue;
            // From the right towards its place, never back.
            EXPECT_LE(x, previous + 0.75) << "frame " << frame;
            EXPECT_GE(x, fx - 0.75) << "frame " << frame;
            previous = x;
            if (arrived < 0 && std::fabs(x - fx) < 0.5 && std::fabs(y - fy) < 0.5) arrived = frame;
        }
        EXPECT_GE(arrived, 0);
        arrival.push_back(arrived);
    }
    // Launched left to right: each letter settles no earlier than the one on its left.
    for (size_t i = 1; i < letters.size(); ++i) {
        if (finalX[i] > finalX[i - 1]) {
            EXPECT_GE(arrival[i], arrival[i - 1]) << letters[i]->name();
        }
    }
    EXPECT_LT(arrival.front(), arrival.back());

    // The last frame is the settled title: the same pixels as with the track switched off.
    const ::test::Pixels settled = render(last, nullptr);
    auto* track = dynamic_cast<AnimTrack*>(manager().scene()->member(kAnimTrackKind, 0));
    ASSERT_NE(track, nullptr);
    track->vis = 1;
    const ::test::Pixels still = render(last, nullptr);
    EXPECT_EQ(settled.rgb, still.rgb);
}

}  // namespace
}  // namespace fw
