// The "shatter" title: its letters broken into fragment objects that are closed solids in
// the letters' places, wearing their materials, kept by the project; the animation shows
// each letter whole until the fragmentation's frame, then its fragments, which fly apart
// and fade, each letter's fragments inside the letter's window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "AppFixture.h"
#include "FilesAndImages.h"
#include "SolidCheck.h"
#include "anim/AnimTrack.h"
#include "anim/AnimTransition.h"
#include "app/FragmentObjects.h"
#include "app/RenderJob.h"
#include "app/SceneAnimator.h"
#include "app/TitleScene.h"
#include "geometry/ObjectP.h"
#include "geometry/ObjectX.h"
#include "geometry/ObjectXStyle.h"
#include "scene/AnimGlobals.h"
#include "scene/Quality.h"
#include "surface/MaterialStack.h"
#include "surface/MaterialStackItem.h"

namespace fw {
namespace {

class ShatterTitle : public test::AppTest {
protected:
    void SetUp() override {
        test::AppTest::SetUp();
        build(u"Breaking", "shatter");
    }
    void build(const char16_t* text, const char* preset) {
        TitleScene::Options options;
        options.text = text;
        options.animate = preset;
        std::string subject, error;
        ASSERT_TRUE(TitleScene::build(manager(), options, subject, error)) << subject << ": " << error;
        gather();
        // The title keeps only the record: the letters break when the track first plays.
        for (ObjectX* letter : letters) EXPECT_FALSE(letter->testObjectFlags(Object::kHasFragments));
        fresh = dir.file("fresh.kxp");
        ASSERT_TRUE(manager().saveProject(fresh));
        SceneAnimator(scene()).setTime(0);
    }
    void gather() {
        letters.clear();
        for (int i = 0; i < scene().memberCount(kObjectKind); ++i)
            if (auto* letter = dynamic_cast<ObjectX*>(scene().member(kObjectKind, i))) letters.push_back(letter);
    }
    AnimTrack& track() { return *dynamic_cast<AnimTrack*>(scene().member(kAnimTrackKind, 0)); }
    double breakFrame() {
        for (auto& segment : track().segments)
            if (segment->fragmentation.enabled) return segment->fragmentation.trackFrame;
        return -1;
    }

    std::vector<ObjectX*> letters;
    std::string fresh;  // the project as built, before it played
};

TEST_F(ShatterTitle, EveryLetterBreaksIntoClosedFragmentsInItsPlace) {
    ASSERT_EQ(letters.size(), 8u);
    for (ObjectX* letter : letters) {
        SCOPED_TRACE(letter->name());
        EXPECT_TRUE(letter->testObjectFlags(Object::kHasFragments));
        const std::vector<Object*> fragments = FragmentObjects::of(scene(), *letter);
        ASSERT_GT(fragments.size(), 3u);
        EXPECT_EQ(static_cast<int>(fragments.size()), letter->fragmentCount);
        const double whole = test::checkSolid(*letter->displayGeometry(kRenderMode)).volume;
        double sum = 0;
        for (size_t k = 0; k < fragments.size(); ++k) {
            auto* fragment = dynamic_cast<ObjectP*>(fragments[k]);
            ASSERT_NE(fragment, nullptr);
            EXPECT_EQ(fragment->name(), letter->name() + "-Frag " + std::to_string(k + 1));
            EXPECT_TRUE(fragment->testObjectFlags(Object::kIsFragment));
            EXPECT_EQ(fragment->fragmentIndex, static_cast<int>(k));
            EXPECT_EQ(fragment->parentName(), letter->parentName());
            EXPECT_EQ(fragment->restWorldTransform(), letter->restWorldTransform());
            const test::SolidCheck r = test::checkSolid(fragment->customMesh());
            EXPECT_TRUE(r.openEdges == 0 && r.overusedEdges == 0 && r.flippedEdges == 0 && r.volume > 0)
                << fragment->name() << ": " << r.summary();
            sum += r.volume;
            // The front wears the letter's front material.
            EXPECT_EQ(fragment->materialStack(0)->item(0).materialName(),
                      letter->style()->partStack(0)->item(0).materialName());
        }
        EXPECT_NEAR(sum, whole, whole * 1e-3);
    }
}

TEST_F(ShatterTitle, LettersShowWholeUntilTheBreakThenTheirFragmentsFlyAndFade) {
    SceneAnimator animator(scene());
    animator.setTime(0);
    ASSERT_EQ(animator.tracks().size(), 1u);
    const SceneAnimator::TrackElements& t = animator.tracks()[0];
    size_t fragments = 0;
    for (const AnimElement& e : t.elements) fragments += e.owner >= 0;
    EXPECT_EQ(t.elements.size(), letters.size() + fragments);
    const double at = breakFrame();
    ASSERT_GT(at, 1);
    auto opacities = [&](bool fragment) {
        std::vector<double> out;
        for (size_t e = 0; e < t.elements.size(); ++e)
            if ((t.elements[e].owner >= 0) == fragment)
                for (DAGNode* node : t.nodes[e]) out.push_back(node->animatedOpacity());
        return out;
    };
    auto all = [](const std::vector<double>& v, double value) {
        return std::all_of(v.begin(), v.end(), [&](double o) { return o == value; });
    };
    animator.setTime(at - 1);
    EXPECT_TRUE(all(opacities(false), 1.0));
    EXPECT_TRUE(all(opacities(true), 0.0));
    animator.setTime(at);
    EXPECT_TRUE(all(opacities(false), 0.0));
    EXPECT_TRUE(all(opacities(true), 1.0));  // still at rest: no fragment has started to fade
    animator.setTime(scene().animGlobals().frameEnd);
    EXPECT_TRUE(all(opacities(true), 0.0));  // all faded
}

TEST_F(ShatterTitle, TheProjectKeepsTheFragmentsAndTheirTrack) {
    const std::string path = dir.file("shatter.kxp");
    ASSERT_TRUE(manager().saveProject(path));
    std::vector<int> counts;
    for (ObjectX* letter : letters) counts.push_back(letter->fragmentCount);
    // The project as built holds only the record; played again, it breaks the same way.
    EXPECT_LT(std::filesystem::file_size(fresh), 200000u);
    ASSERT_TRUE(manager().loadProject(fresh));
    SceneAnimator(scene()).setTime(0);
    gather();
    std::vector<int> again;
    for (ObjectX* letter : letters) again.push_back(letter->fragmentCount);
    EXPECT_EQ(again, counts);
    ASSERT_TRUE(manager().loadProject(path));
    gather();
    ASSERT_EQ(letters.size(), counts.size());
    for (size_t i = 0; i < letters.size(); ++i) {
        EXPECT_EQ(letters[i]->fragmentCount, counts[i]);
        EXPECT_EQ(FragmentObjects::of(scene(), *letters[i]).size(), static_cast<size_t>(counts[i]));
    }
    SceneAnimator animator(scene());
    animator.setTime(0);
    size_t fragments = 0;
    for (const AnimElement& e : animator.tracks().at(0).elements) fragments += e.owner >= 0;
    int total = 0;
    for (int count : counts) total += count;
    EXPECT_EQ(static_cast<int>(fragments), total);
}

TEST_F(ShatterTitle, TheBrokenTitleAtRestLooksWholeAndTheLastFrameIsEmpty) {
    RenderJob job(manager(), [](const std::string&, const std::string&) {});
    ASSERT_TRUE(job.configure("160x90", std::nullopt));
    auto render = [&](double frame) {
        scene().animGlobals().currFrame = frame;
        const std::string out = dir.file("frame.png");
        EXPECT_EQ(job.renderTo(out, "shatter"), 0);
        return ::test::readImage(out);
    };
    const double at = breakFrame();
    const ::test::Pixels whole = render(at - 1), broken = render(at), last = render(scene().animGlobals().frameEnd);
    ASSERT_EQ(whole.rgb.size(), broken.rgb.size());
    // The fragments at rest cover the letters: only seams along the cuts may differ.
    int lit = 0, changed = 0;
    for (int y = 0; y < whole.height; ++y)
        for (int x = 0; x < whole.width; ++x) {
            const int *a = whole.at(x, y), *b = broken.at(x, y), *c = last.at(x, y);
            const int background = std::abs(a[0] - c[0]) + std::abs(a[1] - c[1]) + std::abs(a[2] - c[2]);
            lit += background > 24;
            changed += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 24;
        }
    EXPECT_GT(lit, 500);
    EXPECT_LT(changed, lit / 20) << changed << " of " << lit;
    // Every fragment has faded: the last frame is the background alone.
    int drawn = 0;
    for (size_t i = 3; i < last.rgb.size(); ++i) drawn += last.rgb[i] != last.rgb[i % 3];
    EXPECT_EQ(drawn, 0);
}

}  // namespace
}  // namespace fw
