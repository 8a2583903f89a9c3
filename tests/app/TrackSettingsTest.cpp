// Track settings played on real titles: segments' parent frames, a text split per segment, hard and soft groups, solo
// and ghost, the order letters were picked in, and a camera moved as a whole, aiming at its target and zooming.
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <numbers>

#include "TitleRig.h"
#include "anim/AnimPose.h"
#include "anim/AnimTrack.h"
#include "anim/AnimTransition.h"
#include "app/SceneAnimator.h"
#include "render/Camera.h"
#include "scene/DAGNode.h"

namespace fw {
namespace {

class TrackSettings : public test::AppTest {
protected:
    void title(const char16_t* text) {
        test::buildTitle(manager(), text);
        letters = test::membersOf<DAGNode>(scene(), kObjectKind);
    }
    // A track of `type` on `node`: a pose [0, 0] holding what the caller sets, a transition [1, 20] and a pose at rest
    // [21, 30]; one cache each.
    AnimTrack& track(const std::string& node = "Text", int type = AnimTrack::kObjectTrack) {
        auto* track = new AnimTrack(scene(), "Track");
        track->trackType = type;
        track->trackNode = NameReference(scene().nameDictionary(), node.c_str());
        const int start[] = {0, 1, 21}, length[] = {1, 20, 10};
        for (int k = 0; k < 3; ++k) {
            auto& s = k == 1 ? track->segments.emplace_back(std::make_unique<AnimTransition>(scene()))
                             : track->segments.emplace_back(std::make_unique<AnimPose>(scene()));
            s->startFrame = start[k], s->length = length[k];
            s->caches.push_back(std::make_unique<AnimElementCache>(scene()));
        }
        return *track;
    }
    static AnimPose& firstPose(AnimTrack& t) { return static_cast<AnimPose&>(*t.segments[0]); }
    static AnimTransition& transition(AnimTrack& t) { return static_cast<AnimTransition&>(*t.segments[1]); }
    static void move(AnimTrack& t, double x, double y) {
        AnimPoseSettings& s = firstPose(t).settings;
        s.moveDistance = std::hypot(x, y);
        s.moveDirectionVector[0] = x, s.moveDirectionVector[1] = y, s.moveDirectionVector[2] = 0;
    }
    static glm::dvec3 moved(DAGNode* node) {
        return glm::dvec3(node->worldTransform()[3]) - glm::dvec3(node->restWorldTransform()[3]);
    }
    bool sameMove(int a, int b) {
        const glm::dmat4 d = letters[a]->animatedMatrix() - letters[b]->animatedMatrix();
        return glm::length(d[0]) + glm::length(d[1]) + glm::length(d[2]) + glm::length(d[3]) < 1e-9;
    }
    std::vector<DAGNode*> letters;
};

// Authored under a node turned a quarter about Z (and moved, which a move in its frame does not feel), a move along X
// runs along the world's Y. (A parent not in the scene is AnimTracks.SegmentLookupsFollowTheTimeline's.)
TEST_F(TrackSettings, SegmentsMoveTheirElementsInTheFrameOfTheNodeTheyWereAuthoredUnder) {
    title(u"Ab");
    AnimTrack& t = track();
    move(t, 100, 0);
    for (auto& segment : t.segments) {
        segment->parentNode = NameReference(scene().nameDictionary(), "dflt_cam");
        segment->parentMatrix = glm::rotate(glm::translate(glm::dmat4(1.0), glm::dvec3(30, -40, 5)), glm::radians(90.0),
                                            glm::dvec3(0, 0, 1));
    }
    SceneAnimator(scene()).setTime(0);
    for (DAGNode* letter : letters) EXPECT_LT(glm::length(moved(letter) - glm::dvec3(0, 100, 0)), 1e-6);
}

// Spread 100 doubles each element's distance from the common centre: the letters of a word keep their places in it
// when words are the elements, and part when letters are.
TEST_F(TrackSettings, EachSegmentOfAPerSegmentTrackSplitsTheTextAsItsCacheSays) {
    title(u"Ab cd");
    ASSERT_EQ(letters.size(), 4u);
    AnimTrack& t = track();
    firstPose(t).settings.spread = 100;
    auto wordsAt = [&](double time) {
        SceneAnimator(scene()).setTime(time);
        return sameMove(0, 1);
    };
    for (int fallback : {AnimElementCache::kCharacter, AnimElementCache::kWord}) {
        SCOPED_TRACE(fallback);
        const bool byWord = fallback == AnimElementCache::kWord;
        for (auto& segment : t.segments) segment->caches.front()->animateBy = fallback;
        transition(t).caches.front()->animateBy = byWord ? AnimElementCache::kCharacter : AnimElementCache::kWord;
        t.animType = AnimTrack::kPerSegment;
        EXPECT_EQ(wordsAt(0), byWord);
        EXPECT_EQ(wordsAt(10), !byWord);
        t.animType = AnimTrack::kPerTrack;
        EXPECT_EQ(wordsAt(10), byWord);
    }
}

TEST_F(TrackSettings, AHardGroupMovesAsOneElementAndASoftGroupLaunchesTogether) {
    title(u"Abcd");
    ASSERT_EQ(letters.size(), 4u);
    AnimTrack& t = track();
    firstPose(t).settings.localCenterRotation[2] = 90;
    transition(t).sequence.overlap = 100;
    for (int type : {AnimGroup::kHard, AnimGroup::kSoft}) {
        auto g = std::make_unique<AnimGroup>(scene());
        g->groupType = type;
        const int first = type == AnimGroup::kHard ? 0 : 2;
        for (int i : {first, first + 1}) g->objects.push_back(letters[i]->nameReference());
        firstPose(t).groups.push_back(std::move(g));
    }
    SceneAnimator animator(scene());
    animator.setTime(0);
    EXPECT_EQ(animator.tracks().at(0).elements.size(), 3u);
    // A and b turn about their joint centre, as one piece; c and d each about its own.
    EXPECT_TRUE(sameMove(0, 1));
    EXPECT_FALSE(sameMove(2, 3));
    // Two launches, one after the other: the pair, then c and d together.
    animator.setTime(5);
    EXPECT_EQ(transition(t).windowStart, (std::vector<double>{0, 0.5, 0.5}));
}

// One track moves A, another b, each 100 along X.
TEST_F(TrackSettings, ASoloedTrackMutesTheOthersAndAGhostSoloShowsThemFaintly) {
    title(u"Ab");
    ASSERT_EQ(letters.size(), 2u);
    AnimTrack& first = track(letters[0]->name());
    AnimTrack& second = track(letters[1]->name());
    move(first, 100, 0);
    move(second, 100, 0);
    SceneAnimator animator(scene());
    auto check = [&](int solo, double secondMoves, double secondOpacity) {
        first.solo = solo;
        EXPECT_EQ(animator.setTime(0), secondMoves > 0 ? 2 : 1) << solo;
        EXPECT_NEAR(moved(letters[0]).x, 100, 1e-6) << solo;
        EXPECT_EQ(letters[0]->animatedOpacity(), 1.0) << solo;
        EXPECT_NEAR(moved(letters[1]).x, secondMoves, 1e-6) << solo;
        EXPECT_EQ(letters[1]->animatedOpacity(), secondOpacity) << solo;
    };
    check(1, 100, 1.0);
    check(0, 0, 1.0);
    check(2, 100, SceneAnimator::kGhostOpacity);
    second.solo = 2;  // both soloed: both in full
    check(2, 100, 1.0);
}

TEST_F(TrackSettings, SelectionLaunchesLettersInTheOrderPickedAndRevSelectionInReverse) {
    title(u"Abc");
    ASSERT_EQ(letters.size(), 3u);
    AnimTransition& tr = transition(track());
    auto order = [&](int type) {
        tr.sequence.launchType = type;
        tr.launchOrder.clear();
        SceneAnimator(scene()).setTime(5);
        return tr.launchOrder;
    };
    // The caches name c, then A, then b (the order of elements nothing picked is the launch order's own test,
    // LaunchOrder.EachTypeOnHandPlacedElements).
    tr.caches.clear();
    for (int i : {2, 0, 1}) {
        tr.caches.push_back(std::make_unique<AnimElementCache>(scene()));
        tr.caches.back()->object.name = letters[i]->nameReference();
    }
    EXPECT_EQ(order(AnimSequenceParams::kSelection), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(order(AnimSequenceParams::kRevSelection), (std::vector<int>{1, 0, 2}));
}

class CameraTrack : public TrackSettings {
protected:
    void SetUp() override {
        TrackSettings::SetUp();
        title(u"Zoom");
        camera = dynamic_cast<Camera*>(scene().findMember("dflt_cam"));
        ASSERT_NE(camera, nullptr);
    }
    glm::dvec3 looking() { return -glm::normalize(glm::dvec3(camera->cameraToWorld()[2])); }
    glm::dvec3 place() { return glm::dvec3(camera->cameraToWorld()[3]); }
    Camera* camera = nullptr;
};

// A camera track moves the title's camera, placed by its own transform, as a whole: it starts 100 units to the side,
// facing as it did, and comes to rest.
TEST_F(CameraTrack, ACameraTrackMovesTheCameraAsAWhole) {
    AnimTrack& t = track("dflt_cam", AnimTrack::kCameraTrack);
    for (auto& segment : t.segments) segment->caches.clear();
    move(t, 100, 0);
    ASSERT_EQ(camera->mode(), Camera::kTransform);
    const glm::dvec3 rest = place();
    SceneAnimator animator(scene());
    animator.setTime(0);
    EXPECT_LT(glm::length(place() - rest - glm::dvec3(100, 0, 0)), 1e-6);
    EXPECT_NEAR(looking().z, -1, 1e-9);
    animator.setTime(10);
    EXPECT_GT(place().x - rest.x, 0);
    EXPECT_LT(place().x - rest.x, 100);
    animator.setTime(30);
    EXPECT_NEAR(place().x, rest.x, 1e-9);
}

TEST_F(CameraTrack, ACameraThatLooksAtATargetKeepsLookingAtItWhileTheTrackMovesIt) {
    ASSERT_TRUE(camera->setMode(Camera::kLookAt));
    for (int a = 0; a < 3; ++a)
        camera->eye[a] = camera->translate[a], camera->target[a] = a < 2 ? camera->translate[a] : 0;
    camera->roll = 10;
    const glm::dvec3 target(camera->target[0], camera->target[1], camera->target[2]), eye(place());
    const glm::dvec3 restUp(camera->cameraToWorld()[1]);
    AnimTrack& t = track("dflt_cam", AnimTrack::kCameraTrack);
    move(t, 300, 200);
    SceneAnimator animator(scene());
    for (double time : {0.0, 7.5, 15.0}) {
        animator.setTime(time);
        EXPECT_GT(glm::length(place() - eye), 10) << time;
        EXPECT_NEAR(glm::dot(looking(), glm::normalize(target - place())), 1.0, 1e-9) << time;
    }
    animator.setTime(30);  // at rest, rolled as before
    EXPECT_LT(glm::length(glm::dvec3(camera->cameraToWorld()[1]) - restUp), 1e-9);
}

// The first pose holds the camera at half its field of view (half the tangent): the title stands twice as tall in the
// frame there as at rest, and the transition zooms out between.
TEST_F(CameraTrack, ACameraTrackZoomsToTheFieldOfViewItsPosesHold) {
    const std::unique_ptr<RenderJob> job = test::quietJob(manager(), "96x54");
    const double rest = camera->fieldOfView(), pi = std::numbers::pi;
    const double zoomed = 2 * std::atan(std::tan(rest * pi / 360) / 2) * 180 / pi;
    AnimElementCache& cache = *firstPose(track("dflt_cam", AnimTrack::kCameraTrack)).caches.front();
    cache.tweakCameraCacheUsed = true;
    cache.tweakCameraCache[7] = zoomed;
    auto heightAt = [&](double frame) {  // rows that differ from the background
        const ::test::Pixels image = test::renderFrame(*job, scene(), frame, dir.file("frame.png"));
        int top = image.height, bottom = -1;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                if (test::colourDistance(image.at(x, y), image.at(0, 0)) >= 24)
                    top = std::min(top, y), bottom = std::max(bottom, y);
        return bottom - top + 1;
    };
    const int still = heightAt(30), close = heightAt(0), between = heightAt(10);
    ASSERT_GT(still, 10);
    EXPECT_NEAR(close, 2 * still, 0.15 * still);
    EXPECT_GT(between, still + 2);
    EXPECT_LT(between, close - 2);
    SceneAnimator animator(scene());
    animator.setTime(0);
    EXPECT_NEAR(camera->fieldOfView(), zoomed, 1e-9);
    animator.clear();
    EXPECT_NEAR(camera->fieldOfView(), rest, 1e-9) << "the lens itself is left as it was";
}

}  // namespace
}  // namespace fw
