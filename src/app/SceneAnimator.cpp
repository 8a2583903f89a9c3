#include "app/SceneAnimator.h"

#include <algorithm>

#include "anim/AnimElementCache.h"
#include "anim/AnimTrack.h"
#include "app/FragmentObjects.h"
#include "flag/FlagCluster.h"
#include "geometry/ObjectX.h"
#include "scene/AnimGlobals.h"
#include "scene/Quality.h"
#include "scene/SceneX.h"
#include "text/ProfileT.h"
#include "text/TextBlock.h"

namespace fw {

namespace {

// How a text track splits its block: the first element cache of its first segment
// says; a track without caches animates letter by letter.
int granularityOf(AnimTrack& track) {
    for (auto& segment : track.segments)
        if (!segment->caches.empty()) return segment->caches.front()->animateBy;
    return AnimElementCache::kCharacter;
}

bool isBreak(int code) { return code == ' ' || code == '\t' || code == '\r' || code == '\n'; }

// Which element each character of the block belongs to (-1: none, a space between words).
std::vector<int> elementOfCharacters(const TextBlock& block, int granularity) {
    const size_t n = block.chars.size();
    std::vector<int> element(n, -1);
    int current = -1;
    bool open = false;
    size_t line = 0;
    for (size_t i = 0; i < n; ++i) {
        const int code = block.chars[i]->code;
        switch (granularity) {
            case AnimElementCache::kBlock:
                element[i] = 0;
                break;
            case AnimElementCache::kParagraph:
                if (!open) ++current, open = true;
                element[i] = current;
                if (code == '\r' || code == '\n') open = false;
                break;
            case AnimElementCache::kLine:
                while (line < block.lineCharStart.size() && static_cast<int>(i) >= block.lineCharStart[line]) {
                    ++line;
                    open = false;
                }
                if (!open) ++current, open = true;
                element[i] = current;
                break;
            case AnimElementCache::kWord:
                if (isBreak(code)) {
                    open = false;
                } else {
                    if (!open) ++current, open = true;
                    element[i] = current;
                }
                break;
            default:
                element[i] = static_cast<int>(i);
                break;
        }
    }
    return element;
}

// The objects built for a block's characters, by character index.
std::vector<DAGNode*> characterObjects(SceneX& scene, const TextBlock& block) {
    std::vector<DAGNode*> objects(block.chars.size(), nullptr);
    for (int i = 0; i < scene.memberCount(kObjectKind); ++i) {
        auto* object = dynamic_cast<ObjectX*>(scene.member(kObjectKind, i));
        if (!object) continue;
        auto* face = dynamic_cast<ProfileT*>(scene.findMember(object->faceName()));
        if (!face || face->textBlock != block.name() || face->charIndex < 0) continue;
        const auto index = static_cast<size_t>(face->charIndex);
        if (index < objects.size() && !objects[index]) objects[index] = object;
    }
    return objects;
}

void addElement(SceneAnimator::TrackElements& t, std::vector<DAGNode*> nodes) {
    if (nodes.empty()) return;
    AnimElement e;
    double box[6];
    emptyBox(box);
    for (DAGNode* node : nodes) {
        double b[6];
        node->worldBounds(kRenderMode, b);
        if (b[0] > b[3]) {  // nothing to measure (a camera, a light): its place
            glm::dvec4 p = node->worldTransform() * glm::dvec4(0, 0, 0, 1);
            b[0] = b[3] = p.x, b[1] = b[4] = p.y, b[2] = b[5] = p.z;
        }
        growBox(box, b);
        growBox(box, b + 3);
    }
    std::copy(box, box + 6, e.bounds);
    for (int c = 0; c < 3; ++c) e.center[c] = (box[c] + box[c + 3]) / 2;
    e.creationIndex = static_cast<int>(t.elements.size());
    t.elements.push_back(e);
    t.nodes.push_back(std::move(nodes));
}

// Whether the track moves fragments one by one: its caches say, as they say the granularity.
bool byFragment(AnimTrack& track) {
    for (auto& segment : track.segments)
        if (!segment->caches.empty()) return segment->caches.front()->animateFragmentsBy == AnimElementCache::kByFragment;
    return false;
}

// The fragmentation the track's segments switch on first, or null.
const FragmentationParams* fragmentationOf(AnimTrack& track) {
    for (auto& segment : track.segments)
        if (segment->fragmentation.enabled) return &segment->fragmentation;
    return nullptr;
}

// How many elements proper (not fragments) the track has so far.
int outerIndex(const SceneAnimator::TrackElements& t) {
    return static_cast<int>(std::count_if(t.elements.begin(), t.elements.end(),
                                          [](const AnimElement& e) { return e.owner < 0; }));
}

// The element and, when the track moves fragments, one element per fragment of its
// objects, timed inside it. An extruded object that has none yet is broken here by the
// track's fragmentation, each element's objects seeded by the element's place.
void addWithFragments(SceneX& scene, SceneAnimator::TrackElements& t, std::vector<DAGNode*> nodes, bool fragmented,
                      const FragmentationParams* breaking) {
    if (nodes.empty()) return;
    std::vector<Object*> fragments;
    for (DAGNode* node : nodes) {
        auto* object = dynamic_cast<Object*>(node);
        if (!object || !fragmented) continue;
        std::string why;
        if (auto* solid = dynamic_cast<ObjectX*>(object); solid && breaking && !solid->testObjectFlags(Object::kHasFragments))
            FragmentObjects::make(scene, *solid, *breaking, outerIndex(t), why);
        for (Object* fragment : FragmentObjects::of(scene, *object)) fragments.push_back(fragment);
    }
    addElement(t, std::move(nodes));
    const int owner = static_cast<int>(t.elements.size()) - 1;
    for (Object* fragment : fragments) {
        addElement(t, {fragment});
        t.elements.back().owner = owner;
    }
}

}  // namespace

void SceneAnimator::gather() {
    // Rest places are measured without any animation.
    for (int kind : {kObjectKind, kCameraKind, kLightKind, kGroupKind})
        for (int i = 0; i < scene_.memberCount(kind); ++i)
            if (auto* node = dynamic_cast<DAGNode*>(scene_.member(kind, i))) node->clearAnimated();
    tracks_.clear();
    for (int i = 0; i < scene_.memberCount(kAnimTrackKind); ++i) {
        auto* track = dynamic_cast<AnimTrack*>(scene_.member(kAnimTrackKind, i));
        if (!track || track->segments.empty()) continue;
        TrackElements t;
        t.track = track;
        SceneMember* tracked = track->trackNode.resolve();
        const bool fragmented = byFragment(*track);
        const FragmentationParams* breaking = fragmentationOf(*track);
        if (auto* block = dynamic_cast<TextBlock*>(tracked)) {
            const std::vector<int> element = elementOfCharacters(*block, granularityOf(*track));
            const std::vector<DAGNode*> objects = characterObjects(scene_, *block);
            std::vector<std::vector<DAGNode*>> groups;
            for (size_t c = 0; c < element.size(); ++c) {
                if (element[c] < 0 || !objects[c]) continue;
                const auto e = static_cast<size_t>(element[c]);
                if (groups.size() <= e) groups.resize(e + 1);
                groups[e].push_back(objects[c]);
            }
            for (auto& nodes : groups) addWithFragments(scene_, t, std::move(nodes), fragmented, breaking);
        } else if (!track->associatedObjects.empty()) {
            for (NameReference& ref : track->associatedObjects)
                if (auto* node = dynamic_cast<DAGNode*>(ref.resolve())) addWithFragments(scene_, t, {node}, fragmented, breaking);
        } else if (auto* node = dynamic_cast<DAGNode*>(tracked)) {
            addWithFragments(scene_, t, {node}, fragmented, breaking);
        }
        // Fragments show from the fragmentation's frame on, what they broke from until then;
        // without one, fragments show throughout.
        t.fragmentFrame = breaking ? breaking->trackFrame : -1e300;
        if (!t.elements.empty()) tracks_.push_back(std::move(t));
    }
    gathered_ = true;
}

void SceneAnimator::clear() {
    for (TrackElements& t : tracks_)
        for (auto& nodes : t.nodes)
            for (DAGNode* node : nodes) node->clearAnimated();
}

int SceneAnimator::setTime(double time) {
    if (!gathered_) gather();
    scene_.animGlobals().currFrame = time;
    int played = 0;
    for (TrackElements& t : tracks_) {
        if (t.track->vis != 0) {  // a hidden track leaves its nodes at rest, whole: no fragment shows
            for (size_t e = 0; e < t.nodes.size(); ++e)
                for (DAGNode* node : t.nodes[e]) {
                    node->clearAnimated();
                    if (t.elements[e].owner >= 0) node->setAnimated(glm::dmat4(1.0), 0.0);
                }
            continue;
        }
        std::vector<ElementFrame> frames = evaluateTrack(*t.track, time, t.elements);
        // An element that broke shows whole until the fragmentation's frame, its fragments from then on.
        const bool broken = time >= t.fragmentFrame;
        for (size_t e = 0; e < frames.size() && e < t.elements.size(); ++e) {
            const int owner = t.elements[e].owner;
            if (owner >= 0 && !broken) frames[e].opacity = 0;
            if (owner >= 0 && broken && static_cast<size_t>(owner) < frames.size()) frames[owner].opacity = 0;
        }
        for (size_t e = 0; e < frames.size() && e < t.nodes.size(); ++e)
            for (DAGNode* node : t.nodes[e]) node->setAnimated(frames[e].matrix, frames[e].opacity);
        ++played;
    }
    // Cloth is the one geometry that changes with time: each flag shows its state now.
    for (int i = 0; i < scene_.memberCount(kObjectKind); ++i)
        if (auto* flag = dynamic_cast<FlagCluster*>(scene_.member(kObjectKind, i))) {
            flag->progress = simulationProgress;
            flag->showTime(time);
        }
    return played;
}

}  // namespace fw
