#include "anim/AnimTrack.h"

#include <algorithm>
#include <cstring>

#include "anim/AnimPose.h"
#include "anim/AnimTransition.h"
#include "anim/RecordLines.h"
#include "scene/Scene.h"

namespace fw {

namespace {

const char* const kTrackTypes[] = {"object", "camera", "light", "warp"};
const char* const kOnOff[] = {"on", "off"};
const char* const kSolo[] = {"on", "off", "ghost"};
const char* const kAnimTypes[] = {"per_track", "per_segment"};

int trackTypeOf(const char* word) { return wordIndex(kTrackTypes, 4, word); }
const char* onOffName(int value) { return value == 0 ? "on" : "off"; }
int onOffOf(const char* word) { return wordIndex(kOnOff, 2, word); }
const char* soloName(int value) { return value >= 0 && value <= 2 ? kSolo[value] : "off"; }
int soloOf(const char* word) { return wordIndex(kSolo, 3, word); }
const char* animTypeName(int value) { return value == AnimTrack::kPerSegment ? "per_segment" : "per_track"; }
int animTypeOf(const char* word) {
    int i = wordIndex(kAnimTypes, 2, word);
    return i < 0 ? -1 : AnimTrack::kPerTrack + i;
}

int readTrackNode(CommandIO& io, CommandEnabler& r) {
    AnimTrack& t = receiverAs<AnimTrack>(r);
    std::string name;
    if (io.readString(name) != 0) return -1;
    t.trackNode = name.empty() ? NameReference() : NameReference(t.scene().nameDictionary(), name.c_str());
    return 0;
}

int writeTrackNode(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, escapeQuotes(receiverAs<AnimTrack>(r).trackNode.name()).c_str());
}

// Only an object already in the scene is taken. Objects are read before tracks, so a
// name not found is not an object of this scene; the placeholder primitive that could
// stand for it cannot be made yet, so the line is dropped.
int readAssociatedObject(CommandIO& io, CommandEnabler& r) {
    AnimTrack& t = receiverAs<AnimTrack>(r);
    std::string name;
    if (io.readString(name) != 0) return -1;
    SceneMember* m = name.empty() ? nullptr : t.scene().findMember(name);
    if (m && m->kind() == kObjectKind) t.associatedObjects.push_back(m->nameReference());
    return 0;
}

int writeAssociatedObjects(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    for (NameReference& object : receiverAs<AnimTrack>(r).associatedObjects)
        if (object.resolve() && io.writef("%s \"%s\"\n", keyword, escapeQuotes(object.name()).c_str()) != 0)
            return -1;
    return 0;
}

int beginSegment(CommandIO& io, CommandEnabler& r) {
    AnimTrack& t = receiverAs<AnimTrack>(r);
    char name[64];
    if (io.readToken(name, sizeof name) != 0) return -1;
    std::unique_ptr<AnimTrackSegment> segment;
    if (std::strcmp(name, "AnimPose") == 0) {
        segment = std::make_unique<AnimPose>(t.scene());
    } else if (std::strcmp(name, "AnimTransition") == 0) {
        auto transition = std::make_unique<AnimTransition>(t.scene());
        // A warp track's transitions carry the warp they interpolate, built from the
        // poses around them when the render effects can read warps.
        if (t.trackType == AnimTrack::kWarpTrack) transition->warp = std::make_unique<KeptLines>();
        segment = std::move(transition);
    } else {
        return -1;
    }
    // Data older than the version line reads as the version before it was written.
    segment->versionMajor = 3;
    segment->versionMinor = 0;
    t.segments.push_back(std::move(segment));
    io.push(t.segments.back().get());
    return 0;
}

int writeSegments(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    for (auto& segment : receiverAs<AnimTrack>(r).segments)
        if (io.writeBlock(*segment) != 0) return -1;
    return 0;
}

constexpr FieldTable::Line kAnimTrackLines[] = {
    wordField<&AnimTrack::trackType, AnimTrack::trackTypeName, trackTypeOf>("trackType", Spelling::quoted),
    wordField<&AnimTrack::vis, onOffName, onOffOf>("vis", Spelling::quoted),
    wordField<&AnimTrack::solo, soloName, soloOf>("solo", Spelling::quoted),
    wordField<&AnimTrack::lock, onOffName, onOffOf>("lock", Spelling::quoted),
    wordField<&AnimTrack::animType, animTypeName, animTypeOf>("animType", Spelling::quoted),
    {"trackNode", readTrackNode, writeTrackNode},
    {"associatedObject", readAssociatedObject, writeAssociatedObjects},
    {"member", readAssociatedObject},
    {"begin", beginSegment, writeSegments},
};
constexpr FieldTable kAnimTrackFields(kAnimTrackLines);

}  // namespace

const char* AnimTrack::trackTypeName(int type) { return type >= 0 && type <= kWarpTrack ? kTrackTypes[type] : "object"; }

AnimTrack::AnimTrack(Scene& scene, const char* name) : SceneMember(scene, kAnimTrackKind, name) { registerCommands(); }

AnimTrack::~AnimTrack() = default;

CommandTable& AnimTrack::commandTable() {
    static CommandTable table;
    return table;
}

void AnimTrack::registerCommands() {
    SceneMember::registerCommands();
    kAnimTrackFields.registerInto(*this);
}

int AnimTrack::writeCommands(CommandIO& io) {
    if (SceneMember::writeCommands(io) != 0) return -1;
    return kAnimTrackFields.write(io, *this);
}

void AnimTrack::markUsed() {
    if (used()) return;
    setUsed(true);
    if (animType != kPerSegment) return;
    for (auto& segment : segments)
        for (auto& cache : segment->caches)
            if (SceneMember* m = cache->element(); m && !m->used()) m->markUsed();
}

AnimTrackSegment* AnimTrack::segmentForEditing(int frame) {
    if (segments.empty() || locked()) return nullptr;
    if (segments.front()->startFrame > frame) return segments.front().get();
    for (size_t i = 0; i < segments.size(); ++i) {
        if (!segments[i]->covers(frame)) continue;
        // Editing inside a transition edits the pose it leaves.
        if (segments[i]->segmentType() == AnimTrackSegment::kTransition && i > 0) return segments[i - 1].get();
        return segments[i].get();
    }
    return segments.back().get();
}

AnimTrackSegment* AnimTrack::segmentAt(double time) {
    if (segments.empty()) return nullptr;
    const int frame = frameOfTime(time);
    if (segments.front()->startFrame > frame) return segments.front().get();
    for (size_t i = 0; i < segments.size(); ++i) {
        AnimTrackSegment* s = segments[i].get();
        if (s->covers(frame)) return s;
        if (s->startFrame > frame) {
            // In a gap: the segment the timeline last passed through holds.
            for (size_t j = i; j-- > 0;)
                if (segments[j]->lastFrame() < frame) return segments[j].get();
            return nullptr;
        }
    }
    return segments.back()->lastFrame() < frame ? segments.back().get() : nullptr;
}

glm::dmat4 AnimTrack::parentMatrixAt(double time) {
    AnimTrackSegment* s = segmentAt(time);
    if (s && s->startFrame <= time && s->parentNode.resolve()) return s->parentMatrix;
    return glm::dmat4(1.0);
}

bool AnimTrack::removeSegment(AnimTrackSegment* segment) {
    if (locked()) return false;
    auto it = std::find_if(segments.begin(), segments.end(), [&](const auto& s) { return s.get() == segment; });
    if (it == segments.end()) return false;
    segments.erase(it);
    return true;
}

}  // namespace fw
