#include "app/TitleAnimation.h"

#include <algorithm>
#include <memory>

#include "anim/AnimPose.h"
#include "anim/AnimTrack.h"
#include "anim/AnimTransition.h"
#include "app/TitleScene.h"
#include "scene/FragmentationParams.h"
#include "scene/AnimGlobals.h"
#include "scene/SceneX.h"
#include "text/TextBlock.h"

namespace fw {

namespace {

struct Timeline {
    int lead = 1;        // frames the first pose holds
    int travel = 45;     // frames of the transition
    int hold = 15;       // frames the settled title holds

    // The scene's timeline runs over the three, all of it visible, at frame `current`.
    void applyTo(AnimGlobals& globals, double current) const {
        globals.setFrameRange(0, lead + travel + hold - 1);
        globals.visibleFrameStart = 0;
        globals.visibleFrameEnd = globals.frameEnd;
        globals.setCurrentFrame(current);
    }
};

// Frames start..start + length - 1.
template <class Segment>
Segment& append(AnimTrack& track, int start, int length) {
    auto segment = std::make_unique<Segment>(track.scene());
    segment->startFrame = start;
    segment->length = length;
    segment->versionMajor = 5, segment->versionMinor = 5;
    Segment& s = *segment;
    track.segments.push_back(std::move(segment));
    return s;
}

// Every segment animates the block at the same granularity: its caches say which.
void animateBy(AnimTrackSegment& segment, int granularity) {
    auto cache = std::make_unique<AnimElementCache>(segment.scene());
    cache->animateBy = granularity;
    segment.caches.push_back(std::move(cache));
}

// The title holds, then every letter breaks along tilted cuts and its pieces fly apart,
// tumbling, and fade; letters go from left to right, each letter's pieces close together.
// The letters break when the track is first played (SceneAnimator), so the project
// keeps only the record.
bool addShatter(SceneX& scene, AnimTrack& track, double width, double height) {
    Timeline t;
    t.lead = 20, t.travel = 40, t.hold = 10;
    AnimPose& whole = append<AnimPose>(track, 0, t.lead);
    AnimTransition& burst = append<AnimTransition>(track, t.lead, t.travel);
    AnimPose& apart = append<AnimPose>(track, t.lead + t.travel, t.hold);
    for (AnimTrackSegment* s : {static_cast<AnimTrackSegment*>(&whole), static_cast<AnimTrackSegment*>(&burst),
                                static_cast<AnimTrackSegment*>(&apart)}) {
        animateBy(*s, AnimElementCache::kCharacter);
        s->caches.front()->animateFragmentsBy = AnimElementCache::kByFragment;
    }
    // Two tilted passes across each letter, the pieces closed with the bevel's material.
    FragmentationParams& f = burst.fragmentation;
    f.enabled = true;
    f.trackFrame = t.lead - 1;  // the pieces take over at rest, a frame before they move
    f.solidMaterialIndex = 2;
    for (int k = 0; k < 3; ++k) {
        ChopParams& c = f.chops[k];
        c.enabled = k < 2;
        c.sliceCount = 3;
        c.rotationOffsetStyle = ChopParams::kRandom;
        c.rotationOffset2 = 25;
        c.positionOffsetStyle = ChopParams::kRandom;
        c.positionOffset2 = 0.3;
    }
    apart.settings.spread = 60;
    apart.settings.randomizeSeed = 7;
    apart.settings.randomizeDistance = std::max(width, height) * 0.15;
    apart.settings.moveDistance = std::max(width, height) * 0.3;  // towards the camera
    apart.settings.moveDirectionVector[0] = 0, apart.settings.moveDirectionVector[1] = 0;
    apart.settings.moveDirectionVector[2] = 1;
    apart.settings.localCenterRotation[0] = 200, apart.settings.localCenterRotation[1] = 140;
    apart.settings.localCenterRotation[2] = 60;
    burst.vis.visType = AnimVis::kFadeOff;
    burst.vis.startTime = 45;
    burst.vis.endTime = 100;
    burst.sequence.launchType = AnimSequenceParams::kLeftRight;
    burst.sequence.overlap = 50;
    burst.sequence.fragOverlapCheck = true;
    burst.sequence.fragOverlap = 40;
    burst.sequence.startEase = 0;
    burst.sequence.endEase = 40;
    burst.sequence.easeAmount = 50;
    // A still shows the title breaking.
    t.applyTo(scene.animGlobals(), t.lead + t.travel / 4);
    return true;
}

}  // namespace

std::vector<std::string> TitleAnimation::names() { return {"fly-in", "drop", "spin-in", "shatter"}; }

bool TitleAnimation::check(const std::string& preset, std::string& error) {
    return TitleScene::checkName(preset, names(), "animation", error);
}

bool TitleAnimation::add(SceneX& scene, TextBlock& block, const std::string& preset, double width, double height,
                         std::string& error) {
    if (!check(preset, error)) return false;
    auto* track = new AnimTrack(scene, (block.name() + " Track").c_str());
    track->trackNode = NameReference(scene.nameDictionary(), block.name().c_str());
    if (preset == "shatter") return addShatter(scene, *track, width, height);
    Timeline t;
    int granularity = AnimElementCache::kCharacter;
    if (preset == "drop") t.travel = 40;
    if (preset == "spin-in") t.travel = 50, granularity = AnimElementCache::kWord;

    AnimPose& from = append<AnimPose>(*track, 0, t.lead);
    AnimTransition& move = append<AnimTransition>(*track, t.lead, t.travel);
    AnimPose& to = append<AnimPose>(*track, t.lead + t.travel, t.hold);
    for (AnimTrackSegment* s : {static_cast<AnimTrackSegment*>(&from), static_cast<AnimTrackSegment*>(&move),
                                static_cast<AnimTrackSegment*>(&to)})
        animateBy(*s, granularity);
    // Every letter fades on over the first part of its own travel.
    move.vis.visType = AnimVis::kFadeOn;
    move.vis.startTime = 0;
    move.vis.endTime = 35;
    if (preset == "fly-in") {
        // From beyond the right edge of the frame, one after another from the left.
        from.settings.moveDistance = std::max(width, height) * 1.5;
        from.settings.moveDirectionVector[0] = 1, from.settings.moveDirectionVector[1] = 0;
        from.settings.moveDirectionVector[2] = 0;
        move.sequence.launchType = AnimSequenceParams::kLeftRight;
        move.sequence.overlap = 75;
        move.sequence.endEase = 60;
        move.sequence.easeAmount = 50;
    } else if (preset == "drop") {
        // From above the frame, falling past their places and settling back.
        from.settings.moveDistance = std::max(width * 0.6, height * 3);
        from.settings.moveDirectionVector[0] = 0, from.settings.moveDirectionVector[1] = 1;
        from.settings.moveDirectionVector[2] = 0;
        move.sequence.launchType = AnimSequenceParams::kBirth;
        move.sequence.overlap = 80;
        move.path.endOvershoot = 20;
    } else {
        // Each word grows from nothing while it turns about its own upright axis.
        from.settings.localScale[0] = from.settings.localScale[1] = from.settings.localScale[2] = 1;
        move.action.actionType = AnimPathAction::kSpin;
        move.action.amount[0] = 1;  // turns
        move.sequence.launchType = AnimSequenceParams::kLeftRight;
        move.sequence.overlap = 60;
        move.sequence.startEase = 30;
        move.sequence.endEase = 60;
    }
    t.applyTo(scene.animGlobals(), t.lead + t.travel + t.hold - 1);
    return true;
}

}  // namespace fw
