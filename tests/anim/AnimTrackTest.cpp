// Tracks in scenes: stored through scene files, their timeline lookups, and damaged data.
#include "anim/AnimTrack.h"

#include "AnimFuzzTargets.h"
#include "AnimTestScene.h"
#include "FuzzReplay.h"
#include "GeometryText.h"

namespace fw {
namespace {

struct AnimTracks : ::testing::Test {
    static void SetUpTestSuite() {
        registerSceneClasses();
        registerAnimClasses();
        StandInMember::registerMissing();
    }
    test::TempDir dir;
};

// A track with every record away from its defaults. The lines each record writes are checked in
// AnimTrackSegmentTest; here, the lines only a track's records write, and that the whole comes back.
AnimTrack& fullTrack(SceneX& scene) {
    SceneMember *title = test::addObject(scene, "Title"), *badge = test::addObject(scene, "Badge");
    auto* track = new AnimTrack(scene, "Title Track");
    track->trackType = AnimTrack::kCameraTrack, track->vis = 1, track->solo = 2, track->lock = 0;
    track->animType = AnimTrack::kPerSegment, track->trackNode = title->nameReference();
    track->associatedObjects = {title->nameReference(), badge->nameReference()};
    AnimPose& first = test::addSegment<AnimPose>(*track, 0, 10);
    first.versionMajor = first.versionMinor = 5, first.description = "start \"here\"";
    first.parentNode = title->nameReference(), first.parentFlag = true, first.parentMatrix[3][0] = 12.5;
    FragmentationParams& f = first.fragmentation;
    f.enabled = true, f.style = FragmentationParams::kRadial, f.shellSolid = FragmentationParams::kShell;
    f.chops[2].positionOffsetStyle = ChopParams::kAlternating, f.chops[2].sliceSkipSeed = 4000000000UL;
    first.startCenter[1] = -4, first.startBounds[5] = 8.25;
    first.settings.distributeType = AnimPoseSettings::kCylinder, first.settings.distributeParam2 = 30;
    first.settings.randomizeXYZ[2] = 0, first.action.actionType = AnimPathAction::kPoseWander;
    first.vis.visType = AnimVis::kFadeOff, first.vis.endTime = 50;
    AnimGroup& group = *first.groups.emplace_back(std::make_unique<AnimGroup>(scene));
    group.groupType = AnimGroup::kHard, group.objects.push_back(badge->nameReference());
    AnimElementCache& cache = *first.caches.emplace_back(std::make_unique<AnimElementCache>(scene));
    cache.object.name = badge->nameReference(), cache.animateBy = AnimElementCache::kLine, cache.cameraCache[7] = 45;
    AnimTransition& move = test::addSegment<AnimTransition>(*track, 10, 30);
    move.launchOrder = {2, 0, 1}, move.doAutoSmooth = true, move.smoothing.endSmooth = 0;
    move.path.bowAmount = 25, move.path.bowDirectionStyle = AnimPath::kRandom, move.path.bowDirectionStyleSeed = 99;
    move.sequence.launchType = AnimSequenceParams::kLeftRight, move.sequence.overlap = 62.5;
    move.action.actionType = AnimPathAction::kSpin, move.action.amount[0] = 2;
    test::addSegment<AnimPose>(*track, 40, 20).settings.moveToCenter = true;
    return *track;
}

TEST_F(AnimTracks, ATrackWithEveryRecordResavesByteForByte) {
    SceneX scene;
    fullTrack(scene);
    const std::string first = test::savedScene(scene, dir, "first.scene");
    test::expectContains(first,
         {"  begin AnimTrack\n   name \"Title Track\"\n   trackType \"camera\"\n   vis \"off\"\n   solo \"ghost\"\n"
          "   lock \"on\"\n   animType \"per_segment\"\n   trackNode \"Title\"\n   associatedObject \"Title\"\n"
          "   associatedObject \"Badge\"\n   begin AnimPose\n    animVersion \"5.5\"\n",
          "     Style Radial\n", "     ShellSolid Shell\n", "      PositionOffsetStyle Alternating\n",
          "      SliceSkipSeed 4000000000\n", "     visType FadeOff\n     startTime 0.000000\n     endTime 50.000000\n",
          "     overlap 62.5\n"});
    SceneFile::Loaded loaded = SceneFile::load(dir.file("first.scene"));
    ASSERT_TRUE(loaded.scene) << loaded.error;
    EXPECT_EQ(test::savedScene(*loaded.scene, dir, "second.scene"), first);
}

// Poses 0-9, a transition 10-39, a pose 40-59, a gap, a pose 70-79.
TEST_F(AnimTracks, SegmentLookupsFollowTheTimeline) {
    SceneX scene;
    SceneMember* parent = test::addObject(scene, "Parent");
    AnimTrack track(scene, "Timeline");
    EXPECT_EQ(std::tuple(track.segmentForEditing(0), track.segmentAt(0)), std::tuple(nullptr, nullptr));
    EXPECT_EQ(track.parentMatrixAt(3), glm::dmat4(1.0));
    AnimPose& a = test::addSegment<AnimPose>(track, 0, 10);
    AnimTransition& t = test::addSegment<AnimTransition>(track, 10, 30);
    AnimPose& b = test::addSegment<AnimPose>(track, 40, 20);
    AnimPose& c = test::addSegment<AnimPose>(track, 70, 10);
    // Inside a transition the pose it leaves is edited; a gap edits the last.
    for (auto [frame, segment] : {std::pair<int, AnimTrackSegment*>{-5, &a}, {9, &a}, {10, &a}, {39, &a}, {40, &b},
                                  {65, &c}, {500, &c}})
        EXPECT_EQ(track.segmentForEditing(frame), segment) << frame;
    // A gap holds what came before it.
    for (auto [time, segment] : {std::pair<double, AnimTrackSegment*>{-5.5, &a}, {9.99, &a}, {10.0, &t}, {39.5, &t},
                                 {60, &b}, {69.9, &b}, {70, &c}, {1000, &c}})
        EXPECT_EQ(track.segmentAt(time), segment) << time;
    b.parentNode = parent->nameReference(), b.parentMatrix[3][1] = 7;
    for (int frame : {45, 65}) EXPECT_EQ(track.parentMatrixAt(frame)[3][1], 7.0) << frame;
    EXPECT_EQ(track.parentMatrixAt(20), glm::dmat4(1.0));  // the transition has no parent
    a.parentNode = parent->nameReference(), a.parentMatrix[0][0] = 3;
    EXPECT_EQ(track.parentMatrixAt(-2), glm::dmat4(1.0));  // before the first segment begins
    EXPECT_EQ(track.parentMatrixAt(2)[0][0], 3.0);  // a parent not in the scene: TrackSettings (tests/app)
    track.removeSegment(&t);
    ASSERT_EQ(track.segments.size(), 3u);
    EXPECT_EQ(std::pair(track.segments[1].get(), b.startFrame), std::pair(static_cast<AnimTrackSegment*>(&b), 40));
    EXPECT_EQ(std::tuple(track.segmentForEditing(20), track.segmentAt(20)), std::tuple(&c, &a));  // now a gap
    // Only a per-segment track marks what its segments' caches name.
    SceneMember* named = test::addObject(scene, "Named");
    c.caches.emplace_back(std::make_unique<AnimElementCache>(scene))->object.name = named->nameReference();
    track.markUsed();
    EXPECT_EQ(std::pair(track.used(), named->used()), std::pair(true, false));
    track.setUsed(false), track.animType = AnimTrack::kPerSegment, track.markUsed();
    EXPECT_TRUE(named->used());
}

// A node that is not there is still named: it may be made later. Damaged tracks end the load with the stream's message
// (a newer version's: tests/cli/CommandLineTest.cpp).
TEST_F(AnimTracks, ReadTracksAssociateOnlyObjectsTheSceneHasAndDamagedOnesEndTheLoad) {
    const std::string text = " begin SceneX\n  begin ObjectP\n   name \"Here\"\n  end ObjectP\n"
                             "  begin AnimTrack\n   name \"T\"\n   trackNode \"Elsewhere\"\n"
                             "   associatedObject \"Here\"\n   member \"Here\"\n   associatedObject \"Missing\"\n"
                             "   member \"T\"\n  end AnimTrack\n end SceneX\n";
    SceneFile::Loaded loaded = test::loadText(dir, text);
    ASSERT_TRUE(loaded.scene) << loaded.error;
    test::expectContains(test::savedScene(*loaded.scene, dir),
                         {"   trackNode \"Elsewhere\"\n   associatedObject \"Here\"\n   associatedObject \"Here\"\n"
                          "  end AnimTrack\n"});
    const std::string head = " begin SceneX\n  begin AnimTrack\n   name \"Bad\"\n";
    // The class name is read as a token of 64 characters at most.
    const std::string bodies[] = {"   begin AnimKeyframe\n   end AnimKeyframe\n", "   trackType \"transform\"\n",
                                  "   begin AnimPose" + std::string(200, 'x') + "\n"};
    for (const std::string& body : bodies) {
        SceneFile::Loaded damaged = test::loadText(dir, head + body + "  end AnimTrack\n end SceneX\n");
        EXPECT_FALSE(damaged.scene) << body;
        EXPECT_EQ(damaged.error.rfind("Error processing scene command <<", 0), 0u) << damaged.error;
    }
    // A cut track keeps what it held.
    auto cut = test::loadText(dir, head + "   solo \"ghost\"\n   begin AnimTransition\n    frameStart 8\n");
    auto* track = cut.scene ? dynamic_cast<AnimTrack*>(cut.scene->findMember("Bad")) : nullptr;
    ASSERT_NE(track, nullptr) << cut.error;
    EXPECT_EQ(track->solo, 2);
    ASSERT_EQ(track->segments.size(), 1u);
    // Segments made while reading start from the oldest version until they say theirs.
    EXPECT_EQ(std::pair(track->segments[0]->startFrame, track->segments[0]->versionMajor), std::pair(8, 3));
}

// The track fuzzer's seed corpus and every input that once crashed it.
TEST(AnimFuzzReplay, TrackBlocks) { EXPECT_GT(test::replayFuzzInputs("animtrack", fuzz::readAnimTrack), 0); }

}  // namespace
}  // namespace fw
