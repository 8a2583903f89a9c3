#include "app/TitleAnimation.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>

#include "anim/AnimPose.h"
#include "anim/AnimTrack.h"
#include "anim/AnimTransition.h"
#include "app/SceneAnimator.h"
#include "app/TitleScene.h"
#include "scene/AnimGlobals.h"
#include "scene/FragmentationParams.h"
#include "scene/SceneX.h"
#include "text/TextBlock.h"

namespace fw {

namespace {

enum class Role { kIn, kOut, kHold };

// Where an element is away from its rest place: before an in-part, after an out-part.
struct Away {
    double direction[3] = {0, 0, 0};
    double distance = 0;         // times the title's larger side
    double lift = 0;             // times the text size, added along the direction
    double scale = 100;          // percent
    double spread = 0;           // percent, across only
    double turn[3] = {0, 0, 0};  // degrees about the element's own centre
    bool gather = false;         // every element starts (or ends) at one point
};

struct Preset {
    const char* name;
    Role role;
    int by;
    double seconds;       // each element's own motion
    double staggerScale;  // of the default stagger; 0: every element together
    double fixedStagger;  // seconds; 0: the default stagger scaled
    int launch;
    double fadeStart, fadeEnd;  // percent of the element's own progress
    double easeStart, easeEnd;  // percent
    double overshoot;           // percent, at the end of an in-part
    double spin;                // turns about the upright axis on the way
    Away away;
};

using Seq = AnimSequenceParams;
using Cache = AnimElementCache;
constexpr double kRight[3] = {1, 0, 0}, kLeft[3] = {-1, 0, 0}, kUp[3] = {0, 1, 0}, kDown[3] = {0, -1, 0};

Away moved(const double (&direction)[3], double distance, double lift = 0) {
    Away a;
    std::copy(direction, direction + 3, a.direction);
    a.distance = distance, a.lift = lift;
    return a;
}
// From (or to) one point just beyond the frame's edge, so every element is seen for the
// whole of its travel rather than only its last part.
Away edge(const double (&direction)[3]) {
    Away a = moved(direction, 0.7, 1.0);
    a.gather = true;
    return a;
}
Away scaled(double percent) {
    Away a;
    a.scale = percent;
    return a;
}
Away spreadOut(double percent) {
    Away a;
    a.spread = percent;
    return a;
}
Away fallen(const double (&direction)[3], double lift, double tilt) {
    Away a = moved(direction, 0, lift);
    a.turn[2] = tilt;
    return a;
}

// clang-format off
const Preset kPresets[] = {
    //  name            role        by               secs stagger fixed launch            fade       ease      over spin away
    {"fly-in",         Role::kIn,  Cache::kCharacter, 0.8, 1.0, 0,    Seq::kLeftRight,  0, 35,     0, 60,    0,  0, edge(kRight)},
    {"drop",           Role::kIn,  Cache::kCharacter, 0.9, 1.0, 0,    Seq::kBirth,      0, 30,     0, 0,     20, 0, moved(kUp, 0.5, 1.5)},
    {"spin-in",        Role::kIn,  Cache::kWord,      1.0, 1.0, 0,    Seq::kLeftRight,  0, 30,     30, 60,   0,  1, scaled(1)},
    {"fade-in",        Role::kIn,  Cache::kCharacter, 0.8, 1.0, 0,    Seq::kLeftRight,  0, 100,    0, 0,     0,  0, Away{}},
    {"typewriter",     Role::kIn,  Cache::kCharacter, 0.5, 0,   0.07, Seq::kBirth,      0, 15,     0, 70,    0,  0, scaled(160)},
    {"cascade",        Role::kIn,  Cache::kCharacter, 0.9, 1.5, 0,    Seq::kLeftRight,  0, 25,     0, 40,    12, 0, fallen(kUp, 1.2, -25)},
    {"slide-up",       Role::kIn,  Cache::kLine,      0.7, 1.0, 0,    Seq::kTopBottom,  0, 50,     0, 70,    0,  0, moved(kDown, 0, 0.8)},
    {"zoom-in",        Role::kIn,  Cache::kCharacter, 0.8, 1.0, 0,    Seq::kInOut,      0, 50,     0, 60,    0,  0, scaled(400)},
    {"tracking-in",    Role::kIn,  Cache::kCharacter, 1.5, 0,   0,    Seq::kBirth,      0, 60,     0, 80,    0,  0, spreadOut(150)},
    {"hold",           Role::kHold, Cache::kCharacter, 1.5, 0,  0,    Seq::kBirth,      0, 0,      0, 0,     0,  0, Away{}},
    {"fly-out",        Role::kOut, Cache::kCharacter, 0.8, 1.0, 0,    Seq::kLeftRight,  65, 100,   60, 0,    0,  0, edge(kLeft)},
    {"drop-out",       Role::kOut, Cache::kCharacter, 0.8, 1.0, 0,    Seq::kBirth,      50, 100,   60, 0,    0,  0, moved(kDown, 0.5, 1.5)},
    {"spin-out",       Role::kOut, Cache::kWord,      1.0, 1.0, 0,    Seq::kLeftRight,  70, 100,   60, 30,   0,  1, scaled(1)},
    {"fade-out",       Role::kOut, Cache::kCharacter, 0.8, 1.0, 0,    Seq::kLeftRight,  0, 100,    0, 0,     0,  0, Away{}},
    {"typewriter-out", Role::kOut, Cache::kCharacter, 0.5, 0,   0.05, Seq::kRevBirth,   85, 100,   70, 0,    0,  0, scaled(60)},
    {"cascade-out",    Role::kOut, Cache::kCharacter, 0.9, 1.5, 0,    Seq::kLeftRight,  60, 100,   60, 0,    0,  0, fallen(kDown, 1.2, 25)},
    {"slide-down",     Role::kOut, Cache::kLine,      0.7, 1.0, 0,    Seq::kBottomTop,  0, 60,     70, 0,    0,  0, moved(kDown, 0, 0.8)},
    {"zoom-out",       Role::kOut, Cache::kCharacter, 0.8, 1.0, 0,    Seq::kOutIn,      30, 100,   60, 0,    0,  0, scaled(400)},
    {"tracking-out",   Role::kOut, Cache::kCharacter, 1.5, 0,   0,    Seq::kBirth,      40, 100,   80, 0,    0,  0, spreadOut(150)},
    {"shatter",        Role::kOut, Cache::kCharacter, 1.3, 1.0, 0,    Seq::kLeftRight,  45, 100,   0, 40,    0,  0, Away{}},
};
// clang-format on

const Preset* findPreset(const std::string& name) {
    const std::string n = name == "fade" ? "fade-in" : name;
    for (const Preset& p : kPresets)
        if (n == p.name) return &p;
    return nullptr;
}

std::vector<std::string> split(const std::string& chain) {
    std::vector<std::string> parts;
    size_t at = 0;
    while (true) {
        const size_t comma = chain.find(',', at);
        std::string part = chain.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        part.erase(0, part.find_first_not_of(' '));
        part.erase(part.find_last_not_of(' ') + 1);
        parts.push_back(part);
        if (comma == std::string::npos) return parts;
        at = comma + 1;
    }
}

// The chain's presets: an in-part, holds, an out-part, each optional but in that order.
bool parse(const std::string& chain, std::vector<const Preset*>& parts, std::string& error) {
    parts.clear();
    int stage = 0;  // 0 before anything, 1 after the in-part or a hold, 2 after the out-part
    for (const std::string& name : split(chain)) {
        const Preset* p = findPreset(name);
        if (!p) return TitleScene::checkName(name, TitleAnimation::names(), "animation", error);
        const int at = p->role == Role::kIn ? 0 : p->role == Role::kHold ? 1 : 2;
        if (at < stage || (at == 0 && !parts.empty()) || (at == 2 && stage == 2)) {
            error = "\"" + chain +
                    "\" is not a chain of at most one in-animation, holds, and at most one "
                    "out-animation, in that order (say fly-in,hold,fade-out)";
            return false;
        }
        stage = std::max(stage, at == 0 ? 1 : at);
        parts.push_back(p);
    }
    return true;
}

// Frames start..start + length - 1.
template <class Segment>
Segment& append(AnimTrack& track, int length) {
    auto segment = std::make_unique<Segment>(track.scene());
    const auto& last = track.segments;
    segment->startFrame = last.empty() ? 0 : last.back()->lastFrame() + 1;
    segment->length = std::max(1, length);
    segment->versionMajor = 5, segment->versionMinor = 5;
    Segment& s = *segment;
    track.segments.push_back(std::move(segment));
    return s;
}

void setBy(AnimTrackSegment& segment, int granularity, bool byFragment) {
    if (segment.caches.empty()) segment.caches.push_back(std::make_unique<AnimElementCache>(segment.scene()));
    segment.caches.front()->animateBy = granularity;
    if (byFragment) segment.caches.front()->animateFragmentsBy = AnimElementCache::kByFragment;
}

void placeAway(AnimPose& pose, const Away& a, double width, double height) {
    AnimPoseSettings& s = pose.settings;
    s.moveToCenter = a.gather;
    const double distance = a.distance * std::max(width, height) + a.lift * TitleScene::kTextSize;
    if (distance > 0) {
        s.moveDistance = distance;
        std::copy(a.direction, a.direction + 3, s.moveDirectionVector);
    }
    std::fill(s.localScale, s.localScale + 3, a.scale);
    if (a.spread > 0) {
        s.spread = a.spread;
        s.spreadXYZ[0] = 1, s.spreadXYZ[1] = 0, s.spreadXYZ[2] = 0;
    }
    std::copy(a.turn, a.turn + 3, s.localCenterRotation);
}

// An element's window over a transition of `length` frames with `m` elements
// launched one after another: (length + 1) / den frames, den = o m + 1 - o.
double den(double overlapPercent, int m) {
    const double o = std::clamp(overlapPercent * 0.01, 0.0, 1.0);
    return o * m + 1 - o;
}

// The default stagger for m elements: launches a tenth of a second apart for a few,
// closer for many, so a long title takes a few seconds, not a minute.
double defaultStagger(const Preset& p, int m, double fps) {
    if (p.fixedStagger > 0) return p.fixedStagger * fps;
    return p.staggerScale * std::clamp(1.2 / std::max(m, 1), 0.05, 0.15) * fps;
}

bool isPose(const AnimTrackSegment& s) { return s.segmentType() == AnimTrackSegment::kPose; }

// Moves every segment from `index` on by `frames`, with the frame its fragmentation breaks at.
void shiftFrom(AnimTrack& track, size_t index, int frames) {
    for (size_t i = index; i < track.segments.size(); ++i) {
        AnimTrackSegment& s = *track.segments[i];
        s.startFrame += frames;
        if (s.fragmentation.enabled) s.fragmentation.trackFrame += frames;
    }
}

// Sizes a transition of the track so that each of `m` elements moves for `motion` frames
// and each launches `stagger` frames after the one before (a stagger beyond the motion
// runs them one after another); the segments after it move with its end. Returns the
// frames it grew by.
int lay(AnimTrack& track, AnimTransition& t, int m, double motion, double stagger) {
    const int before = t.length;
    motion = std::max(motion, 1.0);
    stagger = std::clamp(stagger, 0.0, motion);
    t.length = std::max(1, static_cast<int>(std::lround(motion + (m - 1) * stagger)) - 1);
    t.sequence.overlap = m > 1 ? 100 * stagger / motion : 0;
    size_t index = 0;
    while (track.segments[index].get() != &t) ++index;
    shiftFrom(track, index + 1, t.length - before);
    return t.length - before;
}

int trackEnd(const AnimTrack& track) { return track.segments.empty() ? 0 : track.segments.back()->lastFrame() + 1; }

// Stretches or shortens the track's longest pose so the track ends at `frames`.
bool stretchTo(AnimTrack& track, int frames, double fps, std::string& error) {
    size_t longest = track.segments.size();
    for (size_t i = 0; i < track.segments.size(); ++i)
        if (isPose(*track.segments[i]) &&
            (longest == track.segments.size() || track.segments[i]->length > track.segments[longest]->length))
            longest = i;
    const int change = frames - trackEnd(track);
    if (longest == track.segments.size() || change == 0) return true;
    AnimTrackSegment& pose = *track.segments[longest];
    if (pose.length + change < 1) {
        char text[160];
        std::snprintf(text, sizeof text, "the animation needs at least %.2f s at %g frames per second",
                      (trackEnd(track) - pose.length + 1) / fps, fps);
        error = text;
        return false;
    }
    pose.length += change;
    shiftFrom(track, longest + 1, change);
    return true;
}

// How many elements (not counting fragments) each track moves, from the animator's own gathering.
std::vector<std::pair<AnimTrack*, int>> elementCounts(SceneX& scene) {
    SceneAnimator animator(scene);
    animator.setTime(scene.animGlobals().currentFrame());
    std::vector<std::pair<AnimTrack*, int>> counts;
    for (const SceneAnimator::TrackElements& t : animator.tracks())
        counts.emplace_back(t.track, static_cast<int>(std::count_if(t.elements.begin(), t.elements.end(),
                                                                    [](const AnimElement& e) { return e.owner < 0; })));
    animator.clear();
    return counts;
}

void applyEase(AnimTransition& t, const TitleAnimation::Direction::Ease& e) {
    t.sequence.startEase = e.start, t.sequence.endEase = e.end, t.sequence.easeAmount = e.amount;
}

void setTimeline(AnimGlobals& globals, int frames) {
    globals.setFrameRange(0, std::max(frames, 1) - 1);
    globals.visibleFrameStart = 0;
    globals.visibleFrameEnd = globals.frameEnd;
}

std::string lower(std::string word) {
    word.erase(std::remove(word.begin(), word.end(), '-'), word.end());
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return word;
}

}  // namespace

std::vector<std::string> TitleAnimation::names() {
    std::vector<std::string> names;
    for (const Preset& p : kPresets) names.push_back(p.name);
    return names;
}

bool TitleAnimation::check(const std::string& chain, std::string& error) {
    std::vector<const Preset*> parts;
    return parse(chain, parts, error);
}

int TitleAnimation::launchOf(const std::string& word) {
    for (int t = 0; t < AnimSequenceParams::kLaunchTypes; ++t)
        if (lower(AnimSequenceParams::launchTypeName(t)) == lower(word)) return t;
    return -1;
}

int TitleAnimation::granularityOf(const std::string& word) {
    if (word == "letter") return AnimElementCache::kCharacter;
    if (word == "word") return AnimElementCache::kWord;
    if (word == "line") return AnimElementCache::kLine;
    return -1;
}

bool TitleAnimation::add(SceneX& scene, TextBlock& block, const std::string& chain, double width, double height,
                         const Direction& direction, std::string& error) {
    std::vector<const Preset*> parts;
    if (!parse(chain, parts, error)) return false;
    const Preset* in = parts.front()->role == Role::kIn ? parts.front() : nullptr;
    const Preset* out = parts.back()->role == Role::kOut ? parts.back() : nullptr;
    const bool shatter = out && std::string(out->name) == "shatter";
    if (shatter && direction.by && *direction.by != AnimElementCache::kCharacter) {
        error = "a shatter breaks the title letter by letter; it cannot go by word or line";
        return false;
    }
    AnimGlobals& globals = scene.animGlobals();
    if (direction.fps) globals.framesPerSecond = static_cast<float>(*direction.fps);
    const double fps = globals.framesPerSecond;
    const auto frames = [fps](double seconds) { return static_cast<int>(std::lround(seconds * fps)); };
    // Rest between the parts: the chain's holds, else half a second after an in-part
    // and a second before an out-part alone.
    double holdSeconds = 0;
    for (const Preset* p : parts)
        if (p->role == Role::kHold) holdSeconds += p->seconds;
    if (holdSeconds == 0) holdSeconds = in ? 0.5 : shatter ? 0.67 : 1.0;

    auto* track = new AnimTrack(scene, (block.name() + " Track").c_str());
    track->trackNode = NameReference(scene.nameDictionary(), block.name().c_str());
    struct Part {
        const Preset* preset;
        AnimTransition* move;
    };
    std::vector<Part> moves;
    if (in) {
        AnimPose& from = append<AnimPose>(*track, 1);
        placeAway(from, in->away, width, height);
        // Hidden until each element's own window opens: a fade that never starts.
        from.vis.visType = AnimVis::kFadeOn;
        from.vis.startTime = from.vis.endTime = 100;
        moves.push_back({in, &append<AnimTransition>(*track, 1)});
    }
    AnimPose& rest = append<AnimPose>(*track, frames(holdSeconds));
    if (out) {
        moves.push_back({out, &append<AnimTransition>(*track, 1)});
        AnimPose& to = append<AnimPose>(*track, 1);
        placeAway(to, out->away, width, height);
    }
    for (const Part& part : moves) {
        const Preset& p = *part.preset;
        AnimTransition& t = *part.move;
        t.vis.visType = p.role == Role::kIn ? AnimVis::kFadeOn : AnimVis::kFadeOff;
        t.vis.startTime = p.fadeStart, t.vis.endTime = p.fadeEnd;
        t.sequence.launchType = direction.launch.value_or(p.launch);
        t.sequence.startEase = p.easeStart, t.sequence.endEase = p.easeEnd;
        t.sequence.easeAmount = 50;
        if (direction.ease) applyEase(t, *direction.ease);
        if (p.role == Role::kIn) t.path.endOvershoot = p.overshoot;
        if (p.spin != 0) {
            t.action.actionType = AnimPathAction::kSpin;
            t.action.amount[0] = p.spin;
        }
    }
    // Every segment moves the same elements: the in-part's granularity, else the out-part's.
    const int by = direction.by.value_or((in ? in : out ? out : parts.front())->by);
    for (auto& s : track->segments) setBy(*s, by, shatter);
    // Elements counted before anything breaks, so the project is saved whole.
    int m = 1;
    for (const auto& [counted, count] : elementCounts(scene))
        if (counted == track) m = std::max(1, count);
    for (const Part& part : moves) {
        part.move->launchOrder.clear();  // worked out again when played
        const double stagger = direction.stagger ? *direction.stagger * fps : defaultStagger(*part.preset, m, fps);
        lay(*track, *part.move, m, part.preset->seconds * fps, stagger);
    }
    if (shatter) {
        AnimTransition& burst = *moves.back().move;
        AnimPose& apart = static_cast<AnimPose&>(*track->segments.back());
        // Two tilted passes across each letter, the pieces closed with the bevel's material;
        // the pieces take over at rest, a frame before they move.
        FragmentationParams& f = burst.fragmentation;
        f.enabled = true;
        f.trackFrame = burst.startFrame - 1;
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
        burst.sequence.fragOverlapCheck = true;
        burst.sequence.fragOverlap = 40;
    }
    if (direction.duration && !stretchTo(*track, frames(*direction.duration), fps, error)) return false;
    setTimeline(globals, trackEnd(*track));
    // A still shows the settled title, or the title breaking when that is all there is.
    if (shatter && !in && parts.size() == 1)
        globals.setCurrentFrame(moves.back().move->startFrame + moves.back().move->length / 4);
    else
        globals.setCurrentFrame(rest.lastFrame());
    return true;
}

bool TitleAnimation::direct(SceneX& scene, const Direction& direction, std::string& error,
                            const std::function<void()>& rebuild) {
    AnimGlobals& globals = scene.animGlobals();
    if (direction.fps) globals.framesPerSecond = static_cast<float>(*direction.fps);
    const double fps = globals.framesPerSecond;
    // Before any granularity changes: each transition's motion and stagger as laid now.
    std::vector<std::pair<AnimTrack*, int>> before = elementCounts(scene);
    struct Timing {
        AnimTransition* t;
        double motion, stagger;
    };
    std::vector<std::vector<Timing>> timings;
    for (const auto& [track, m] : before) {
        std::vector<Timing> list;
        for (auto& s : track->segments)
            if (!isPose(*s)) {
                auto& t = static_cast<AnimTransition&>(*s);
                const double motion = (t.length + 1) / den(t.sequence.overlap, m);
                list.push_back({&t, motion, std::clamp(t.sequence.overlap * 0.01, 0.0, 1.0) * motion});
            }
        timings.push_back(std::move(list));
    }
    for (const auto& [track, m] : before)
        for (auto& s : track->segments) {
            if (direction.by) setBy(*s, *direction.by, false);
            if (isPose(*s)) continue;
            auto& t = static_cast<AnimTransition&>(*s);
            if (direction.launch) t.sequence.launchType = *direction.launch, t.launchOrder.clear();
            if (direction.ease) applyEase(t, *direction.ease);
        }
    if (rebuild) rebuild();
    const bool recount = direction.by || rebuild;
    std::vector<std::pair<AnimTrack*, int>> after = recount ? elementCounts(scene) : before;
    int end = 0;
    // A still stays where it was in the animation: after a transition that grows, later.
    const double current = globals.currentFrame();
    double moved = 0;
    for (size_t k = 0; k < before.size(); ++k) {
        AnimTrack& track = *before[k].first;
        int m = before[k].second;
        for (const auto& [t, count] : after)
            if (t == &track) m = count;
        if (direction.stagger || recount)
            for (const Timing& timing : timings[k]) {
                const bool beforeStill = timing.t->lastFrame() < current;
                const int grown = lay(track, *timing.t, std::max(m, 1), timing.motion,
                                      direction.stagger ? *direction.stagger * fps : timing.stagger);
                if (beforeStill && k == 0) moved += grown;
            }
        if (direction.duration &&
            !stretchTo(track, static_cast<int>(std::lround(*direction.duration * fps)), fps, error))
            return false;
        end = std::max(end, trackEnd(track));
    }
    if (!direction.duration && !direction.stagger && !recount) return true;
    // A duration sets the timeline; otherwise its end only grows to hold the re-timed
    // tracks, and where it starts is the project's own.
    if (direction.duration)
        setTimeline(globals, static_cast<int>(std::lround(*direction.duration * fps)));
    else if (end - 1 > globals.frameEnd)
        globals.setFrameRange(globals.frameStart, end - 1), globals.visibleFrameEnd = globals.frameEnd;
    globals.setCurrentFrame(std::clamp(current + moved, double(globals.frameStart), double(globals.frameEnd)));
    return true;
}

}  // namespace fw
