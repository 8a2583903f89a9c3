// The "shatter" title: its letters broken into fragment objects that are closed solids in the letters' places, wearing
// their materials, kept by the project; the animation shows each letter whole until the fragmentation's frame, then
// its fragments, which fly apart and fade, each letter's fragments inside the letter's window.
#include <numeric>

#include "SolidCheck.h"
#include "TitleRig.h"
#include "anim/AnimTrack.h"
#include "app/FragmentObjects.h"
#include "app/SceneAnimator.h"
#include "geometry/ObjectP.h"
#include "geometry/ObjectX.h"
#include "geometry/ObjectXStyle.h"
#include "scene/Quality.h"
#include "surface/MaterialStack.h"
#include "surface/MaterialStackItem.h"

namespace fw {
namespace {

class ShatterTitle : public test::AppTest {
protected:
    void SetUp() override {
        test::AppTest::SetUp();
        test::buildTitle(manager(), u"Breaking", "shatter");
        letters = test::membersOf<ObjectX>(scene(), kObjectKind);
        // The title keeps only the record: the letters break when the track first plays.
        for (ObjectX* letter : letters) EXPECT_FALSE(letter->testObjectFlags(Object::kHasFragments));
        ASSERT_TRUE(manager().saveProject(fresh));
        SceneAnimator(scene()).setTime(0);
    }
    // Each letter's fragment count, the letters gathered again.
    std::vector<int> counts() {
        letters = test::membersOf<ObjectX>(scene(), kObjectKind);
        std::vector<int> out;
        for (ObjectX* letter : letters) out.push_back(letter->fragmentCount);
        return out;
    }
    std::vector<ObjectX*> letters;
    const std::string fresh = dir.file("fresh.kxp");  // the project as built, before it played
};

// Played once, every letter breaks into fragments in its place, which the project keeps; the project as built holds
// only the record and, played again, breaks the same way. Rendered, the fragments at rest cover the letters (only seams
// along the cuts may differ) and the last frame is the background alone.
TEST_F(ShatterTitle, LettersBreakIntoClosedFragmentsTheProjectKeepsThatShowAtTheBreakThenFlyAndFade) {
    double at = -1;  // the fragmentation's frame
    for (auto& segment : dynamic_cast<AnimTrack*>(scene().member(kAnimTrackKind, 0))->segments)
        if (segment->fragmentation.enabled && at < 0) at = segment->fragmentation.trackFrame;
    ASSERT_GT(at, 1);
    {
        const std::unique_ptr<RenderJob> job = test::quietJob(manager(), "160x90");
        auto render = [&](double frame) { return test::renderFrame(*job, scene(), frame, dir.file("frame.png")); };
        const ::test::Pixels whole = render(at - 1), broken = render(at), last = render(scene().animGlobals().frameEnd);
        int lit = 0, changed = 0, drawn = 0;
        for (size_t i = 0; i + 2 < whole.rgb.size(); i += 3) {
            lit += test::colourDistance(&whole.rgb[i], &last.rgb[i]) > 24;
            changed += test::colourDistance(&whole.rgb[i], &broken.rgb[i]) > 24;
        }
        EXPECT_GT(lit, 500);
        EXPECT_LT(changed, lit / 20) << changed << " of " << lit;
        for (size_t i = 3; i < last.rgb.size(); ++i) drawn += last.rgb[i] != last.rgb[i % 3];
        EXPECT_EQ(drawn, 0);
    }
    ASSERT_EQ(letters.size(), 8u);
    for (ObjectX* letter : letters) {
        SCOPED_TRACE(letter->name());
        const std::vector<Object*> fragments = FragmentObjects::of(scene(), *letter);
        ASSERT_GT(fragments.size(), 3u);
        EXPECT_EQ(static_cast<int>(fragments.size()), letter->fragmentCount);
        // Closed fragments are the fragmenter's own tests'; here each object holds its own piece.
        const double whole = test::checkSolid(*letter->displayGeometry(kRenderMode)).volume;
        double sum = 0;
        for (size_t k = 0; k < fragments.size(); ++k) {
            auto* fragment = dynamic_cast<ObjectP*>(fragments[k]);
            ASSERT_NE(fragment, nullptr);
            EXPECT_EQ(fragment->name(), letter->name() + "-Frag " + std::to_string(k + 1));
            EXPECT_EQ(fragment->fragmentIndex, static_cast<int>(k));
            EXPECT_EQ(fragment->parentName(), letter->parentName());
            EXPECT_EQ(fragment->restWorldTransform(), letter->restWorldTransform());
            sum += test::checkSolid(fragment->customMesh()).volume;
            // The front wears the letter's front material.
            EXPECT_EQ(fragment->materialStack(0)->item(0).materialName(),
                      letter->style()->partStack(0)->item(0).materialName());
        }
        EXPECT_NEAR(sum, whole, whole * 1e-3);
    }
    const std::string path = dir.file("shatter.kxp");
    ASSERT_TRUE(manager().saveProject(path));
    const std::vector<int> broken = counts();
    EXPECT_LT(std::filesystem::file_size(fresh), 200000u);
    ASSERT_TRUE(manager().loadProject(fresh));
    SceneAnimator(scene()).setTime(0);
    EXPECT_EQ(counts(), broken);
    ASSERT_TRUE(manager().loadProject(path));
    ASSERT_EQ(counts(), broken);
    for (size_t i = 0; i < letters.size(); ++i)
        EXPECT_EQ(FragmentObjects::of(scene(), *letters[i]).size(), static_cast<size_t>(broken[i]));
    SceneAnimator animator(scene());
    animator.setTime(0);
    ASSERT_EQ(animator.tracks().size(), 1u);
    const SceneAnimator::TrackElements& t = animator.tracks()[0];
    const int fragments = std::accumulate(broken.begin(), broken.end(), 0);
    EXPECT_EQ(std::count_if(t.elements.begin(), t.elements.end(), [](const AnimElement& e) { return e.owner >= 0; }),
              fragments);
    EXPECT_EQ(t.elements.size(), letters.size() + fragments);
    // Whether every letter (or every fragment) shows at `opacity`.
    auto all = [&](bool fragment, double opacity) {
        for (size_t e = 0; e < t.elements.size(); ++e)
            if ((t.elements[e].owner >= 0) == fragment)
                for (DAGNode* node : t.nodes[e])
                    if (node->animatedOpacity() != opacity) return false;
        return true;
    };
    animator.setTime(at - 1);
    EXPECT_TRUE(all(false, 1.0) && all(true, 0.0));
    animator.setTime(at);
    EXPECT_TRUE(all(false, 0.0));
    EXPECT_TRUE(all(true, 1.0));  // still at rest: no fragment has started to fade
    animator.setTime(scene().animGlobals().frameEnd);
    EXPECT_TRUE(all(true, 0.0));  // all faded
}

}  // namespace
}  // namespace fw
