// Playing tracks on a real title scene: what a track's elements are (letters, words, lines, the whole block), and that
// stepping through time only moves nodes. And the animated example rendered frame by frame and measured letter by
// letter: each letter travels to its place without turning back, in the order its launch type says.
#include "app/SceneAnimator.h"

#include "TitleRig.h"
#include "anim/AnimTrack.h"
#include "scene/DAGNode.h"
#include "scene/Object.h"
#include "scene/OutputPort.h"
#include "scene/Quality.h"

namespace fw {
namespace {

class Animator : public test::AppTest {
protected:
    AnimTrack& track() { return *dynamic_cast<AnimTrack*>(scene().member(kAnimTrackKind, 0)); }
};

TEST_F(Animator, ElementsAreTheLettersWordsLinesOrBlockTheTrackAnimates) {
    test::buildTitle(manager(), u"Ab cd\rEf", "fly-in");
    const std::pair<int, size_t> expected[] = {{AnimElementCache::kCharacter, 6},
                                               {AnimElementCache::kWord, 3},
                                               {AnimElementCache::kLine, 2},
                                               {AnimElementCache::kParagraph, 2},
                                               {AnimElementCache::kBlock, 1}};
    for (auto [granularity, count] : expected) {
        for (auto& segment : track().segments) segment->caches.front()->animateBy = granularity;
        SceneAnimator animator(scene());
        EXPECT_EQ(animator.setTime(0), 1);
        ASSERT_EQ(animator.tracks().size(), 1u);
        EXPECT_EQ(animator.tracks()[0].elements.size(), count) << "granularity " << granularity;
        size_t nodes = 0;
        for (auto& element : animator.tracks()[0].nodes) nodes += element.size();
        EXPECT_EQ(nodes, 6u) << "every letter moves with exactly one element";
    }
}

TEST_F(Animator, SteppingThroughTimeMovesNodesWithoutRebuildingGeometry) {
    test::buildTitle(manager(), u"Move", "drop");
    SceneAnimator animator(scene());
    animator.setTime(0);
    const std::vector<Object*> letters = test::membersOf<Object>(scene(), kObjectKind);
    ASSERT_EQ(letters.size(), 4u);
    for (Object* letter : letters) ASSERT_NE(letter->displayGeometry(kRenderMode), nullptr);
    const uint32_t built = OutputPort::counter();
    for (int frame = 0; frame <= scene().animGlobals().frameEnd; frame += 3) {
        animator.setTime(frame);
        for (Object* letter : letters) letter->displayGeometry(kRenderMode);
    }
    EXPECT_EQ(OutputPort::counter(), built) << "no port recomputed";
    animator.setTime(0);  // dropped from above (at rest at the end is every preset's test, TitlePresetsTest)
    for (Object* letter : letters) EXPECT_GT(letter->worldTransform()[3][1], letter->restWorldTransform()[3][1] + 50);
    animator.clear();
    for (Object* letter : letters) EXPECT_FALSE(letter->animated());
}

class AnimatedTitle : public test::AppTest {
protected:
    void SetUp() override {
        test::AppTest::SetUp();
        ASSERT_TRUE(manager().loadProject(FW_SOURCE_DIR "/examples/animated-title.kxp"));
        letters = test::membersOf<DAGNode>(scene(), kObjectKind);
        job = test::quietJob(manager(), "96x54");
    }

    // The frame with only `shown` visible (null: no letter).
    ::test::Pixels render(double frame, DAGNode* shown) {
        for (DAGNode* letter : letters) letter->setFlag(DAGNode::kVisible, letter == shown);
        return test::renderFrame(*job, scene(), frame, dir.file("frame.png"));
    }
    std::unique_ptr<RenderJob> job;
    std::vector<DAGNode*> letters;
};

// The centroid of the pixels that differ from `background`; false when none do.
bool centroid(const ::test::Pixels& image, const ::test::Pixels& background, double& x, double& y) {
    double sx = 0, sy = 0;
    int n = 0;
    for (int py = 0; py < image.height; ++py)
        for (int px = 0; px < image.width; ++px)
            if (test::colourDistance(image.at(px, py), background.at(px, py)) >= 24) sx += px, sy += py, ++n;
    if (n < 2) return false;
    x = sx / n, y = sy / n;
    return true;
}

// That the last frame is the still is every preset's test (TitlePresetsTest).
TEST_F(AnimatedTitle, LettersTravelToTheirPlacesOneAfterAnother) {
    ASSERT_GE(letters.size(), 4u);
    const int last = scene().animGlobals().frameEnd;
    ASSERT_GT(last, 20);
    const ::test::Pixels background = render(0, nullptr);
    ASSERT_GT(background.width, 0);
    std::vector<int> arrival;
    std::vector<double> finalX;
    for (DAGNode* letter : letters) {
        SCOPED_TRACE(letter->name());
        double fx, fy, x, y;
        ASSERT_TRUE(centroid(render(last, letter), background, fx, fy));
        finalX.push_back(fx);
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
    for (size_t i = 1; i < letters.size(); ++i)
        EXPECT_TRUE(finalX[i] <= finalX[i - 1] || arrival[i] >= arrival[i - 1])
            << letters[i]->name() << " settles at " << arrival[i] << ", before " << arrival[i - 1];
    EXPECT_LT(arrival.front(), arrival.back());
}

}  // namespace
}  // namespace fw
