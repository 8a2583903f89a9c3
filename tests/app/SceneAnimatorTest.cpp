// Playing tracks on a real title scene: what a track's elements are (letters, words,
// lines, the whole block, a camera), that stepping through time only moves nodes, and
// that the last frame of a preset leaves every letter where the layout put it.
#include "app/SceneAnimator.h"

#include <glm/gtc/matrix_access.hpp>

#include "AppFixture.h"
#include "anim/AnimPose.h"
#include "anim/AnimTrack.h"
#include "anim/AnimTransition.h"
#include "app/TitleScene.h"
#include "render/Camera.h"
#include "scene/AnimGlobals.h"
#include "scene/Object.h"
#include "scene/OutputPort.h"
#include "scene/Quality.h"

namespace fw {
namespace {

class Animator : public test::AppTest {
protected:
    void title(const char16_t* text, const char* preset) {
        TitleScene::Options options;
        options.text = text;
        options.animate = preset;
        std::string subject, error;
        ASSERT_TRUE(TitleScene::build(app.sceneManager(), options, subject, error)) << subject << ": " << error;
    }
    AnimTrack& track() { return *dynamic_cast<AnimTrack*>(scene().member(kAnimTrackKind, 0)); }
    void animateBy(int granularity) {
        for (auto& segment : track().segments) segment->caches.front()->animateBy = granularity;
    }
};

TEST_F(Animator, ElementsAreTheLettersWordsLinesOrBlockTheTrackAnimates) {
    title(u"Ab cd\rEf", "fly-in");
    const std::pair<int, size_t> expected[] = {{AnimElementCache::kCharacter, 6},
                                               {AnimElementCache::kWord, 3},
                                               {AnimElementCache::kLine, 2},
                                               {AnimElementCache::kParagraph, 2},
                                               {AnimElementCache::kBlock, 1}};
    for (auto [granularity, count] : expected) {
        animateBy(granularity);
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
    title(u"Move", "drop");
    SceneAnimator animator(scene());
    animator.setTime(0);
    std::vector<Object*> letters;
    for (int i = 0; i < scene().memberCount(kObjectKind); ++i) {
        auto* object = dynamic_cast<Object*>(scene().member(kObjectKind, i));
        ASSERT_NE(object->displayGeometry(kRenderMode), nullptr);
        letters.push_back(object);
    }
    ASSERT_EQ(letters.size(), 4u);
    const uint32_t built = OutputPort::counter();
    const int last = scene().animGlobals().frameEnd;
    for (int frame = 0; frame <= last; frame += 3) {
        animator.setTime(frame);
        for (Object* letter : letters) letter->displayGeometry(kRenderMode);
    }
    EXPECT_EQ(OutputPort::counter(), built) << "no port recomputed";
    // Dropped from above at the start, at rest at the end.
    animator.setTime(0);
    for (Object* letter : letters)
        EXPECT_GT(letter->worldTransform()[3][1], letter->restWorldTransform()[3][1] + 50) << letter->name();
    animator.setTime(last);
    for (Object* letter : letters) EXPECT_EQ(letter->worldTransform(), letter->restWorldTransform()) << letter->name();
    animator.clear();
    for (Object* letter : letters) EXPECT_FALSE(letter->animated());
}

// A camera track moves the camera as a whole: it starts 100 units to the side and
// comes to rest, and the view follows.
TEST_F(Animator, ACameraTrackMovesTheCameraAsAWhole) {
    title(u"Cam", "");
    auto* camera = dynamic_cast<Camera*>(scene().findMember("dflt_cam"));
    ASSERT_NE(camera, nullptr);
    auto* track = new AnimTrack(scene(), "Camera Track");
    track->trackType = AnimTrack::kCameraTrack;
    track->trackNode = NameReference(scene().nameDictionary(), "dflt_cam");
    auto from = std::make_unique<AnimPose>(scene());
    from->length = 1;
    from->settings.moveDistance = 100;
    from->settings.moveDirectionVector[0] = 1, from->settings.moveDirectionVector[2] = 0;
    auto move = std::make_unique<AnimTransition>(scene());
    move->startFrame = 1, move->length = 20;
    auto to = std::make_unique<AnimPose>(scene());
    to->startFrame = 21, to->length = 10;
    track->segments.push_back(std::move(from));
    track->segments.push_back(std::move(move));
    track->segments.push_back(std::move(to));
    const glm::dvec3 rest(glm::column(camera->cameraToWorld(), 3));
    SceneAnimator animator(scene());
    animator.setTime(0);
    const glm::dvec3 start(glm::column(camera->cameraToWorld(), 3));
    EXPECT_NEAR(start.x - rest.x, 100, 1e-6);
    EXPECT_NEAR(start.y, rest.y, 1e-6);
    animator.setTime(10);
    const double middle = glm::column(camera->cameraToWorld(), 3).x - rest.x;
    EXPECT_GT(middle, 0);
    EXPECT_LT(middle, 100);
    animator.setTime(30);
    EXPECT_NEAR(glm::column(camera->cameraToWorld(), 3).x, rest.x, 1e-9);
}

}  // namespace
}  // namespace fw
