#include "app/SceneAnimator.h"

#include <algorithm>
#include <glm/geometric.hpp>
#include <glm/mat3x3.hpp>
#include <glm/matrix.hpp>
#include <set>

#include "anim/AnimElementCache.h"
#include "anim/AnimTrack.h"
#include "anim/AnimTransition.h"
#include "anim/ElementTiming.h"
#include "anim/WarpMotion.h"
#include "app/FragmentObjects.h"
#include "flag/FlagCluster.h"
#include "geometry/ObjectX.h"
#include "render/Camera.h"
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

// The text split a segment animates by: its own first cache on a per-segment track,
// the track's otherwise.
int granularityOfSegment(AnimTrack& track, AnimTrackSegment& segment) {
    if (track.animType == AnimTrack::kPerSegment && !segment.caches.empty()) return segment.caches.front()->animateBy;
    return granularityOf(track);
}

// Groups of the first segment that has any: a hard group's objects become one element,
// a soft group's elements launch together. Elements broken into fragments keep their own.
void applyGroups(AnimTrack& track, SceneAnimator::TrackElements& t) {
    for (const AnimElement& e : t.elements)
        if (e.owner >= 0) return;
    for (auto& segment : track.segments) {
        if (segment->groups.empty()) continue;
        int soft = 0;
        for (auto& group : segment->groups) {
            std::set<SceneMember*> members;
            for (NameReference& ref : group->objects)
                if (SceneMember* m = ref.resolve()) members.insert(m);
            std::vector<size_t> inside;
            for (size_t e = 0; e < t.nodes.size(); ++e)
                if (std::all_of(t.nodes[e].begin(), t.nodes[e].end(), [&](DAGNode* n) { return members.count(n) > 0; }))
                    inside.push_back(e);
            if (inside.empty()) continue;
            if (group->groupType == AnimGroup::kSoft) {
                for (size_t e : inside) t.elements[e].softGroup = soft;
                ++soft;
                continue;
            }
            AnimElement& first = t.elements[inside.front()];
            for (size_t j = inside.size(); j-- > 1;) {
                const size_t e = inside[j];
                growBox(first.bounds, t.elements[e].bounds);
                growBox(first.bounds, t.elements[e].bounds + 3);
                auto& into = t.nodes[inside.front()];
                into.insert(into.end(), t.nodes[e].begin(), t.nodes[e].end());
                t.elements.erase(t.elements.begin() + static_cast<std::ptrdiff_t>(e));
                t.nodes.erase(t.nodes.begin() + static_cast<std::ptrdiff_t>(e));
            }
            for (int c = 0; c < 3; ++c) first.center[c] = (first.bounds[c] + first.bounds[c + 3]) / 2;
        }
        break;
    }
    for (size_t e = 0; e < t.elements.size(); ++e) t.elements[e].creationIndex = static_cast<int>(e);
}

// The order the user picked the elements in: the objects the caches of the first segment
// that names any list, in their order; without such caches, the order the text or the
// associated objects were given in, which is the creation order.
void assignSelection(AnimTrack& track, SceneAnimator::TrackElements& t) {
    std::vector<SceneMember*> picked;
    for (auto& segment : track.segments) {
        for (auto& cache : segment->caches)
            if (SceneMember* m = cache->element()) picked.push_back(m);
        if (!picked.empty()) break;
    }
    for (size_t e = 0; e < t.elements.size(); ++e) {
        AnimElement& element = t.elements[e];
        if (picked.empty() || element.owner >= 0) {
            element.selectionIndex = element.creationIndex;
            continue;
        }
        element.selectionIndex = -1;
        for (size_t j = 0; j < picked.size() && element.selectionIndex < 0; ++j)
            if (std::find(t.nodes[e].begin(), t.nodes[e].end(), picked[j]) != t.nodes[e].end())
                element.selectionIndex = static_cast<int>(j);
    }
}

// An element measured in the frame `toLocal` takes world space to.
AnimElement inFrame(const AnimElement& e, const glm::dmat4& toLocal) {
    AnimElement out = e;
    emptyBox(out.bounds);
    for (int corner = 0; corner < 8; ++corner) {
        const glm::dvec4 p(e.bounds[corner & 1 ? 3 : 0], e.bounds[corner & 2 ? 4 : 1], e.bounds[corner & 4 ? 5 : 2], 1);
        const glm::dvec3 q(toLocal * p);
        const double v[3] = {q.x, q.y, q.z};
        growBox(out.bounds, v);
    }
    const glm::dvec3 c(toLocal * glm::dvec4(e.center[0], e.center[1], e.center[2], 1));
    out.center[0] = c.x, out.center[1] = c.y, out.center[2] = c.z;
    return out;
}

// Right, up and back axes of a view looking along -back, kept level with the world's Y.
glm::dmat3 levelBasis(const glm::dvec3& back) {
    glm::dvec3 right = glm::cross(glm::dvec3(0, 1, 0), back);
    right = glm::dot(right, right) < 1e-10 ? glm::dvec3(1, 0, 0) : glm::normalize(right);
    return glm::dmat3(right, glm::cross(back, right), back);
}

// A camera that looks at a target keeps looking at it wherever the track moves it: its
// place comes from `move`, its facing from the target, and its roll is kept.
glm::dmat4 aimedMove(Camera& camera, const glm::dmat4& move) {
    camera.clearAnimated();
    // Measured without the depth-of-field passes' turn, which still applies over the aim.
    const double turn[2] = {camera.focusTurn[0], camera.focusTurn[1]};
    camera.focusTurn[0] = camera.focusTurn[1] = 0;
    const glm::dmat4 rest = camera.cameraToWorld();
    camera.focusTurn[0] = turn[0], camera.focusTurn[1] = turn[1];
    const glm::dvec3 back = glm::normalize(glm::dvec3(rest[2]));
    const glm::dvec3 target = glm::dvec3(rest[3]) - back * camera.focusDistance();
    const glm::dvec3 eye(move * rest[3]);
    if (glm::length(eye - target) < 1e-9) return move;
    const glm::dmat3 roll = glm::transpose(levelBasis(back)) * glm::dmat3(rest);
    glm::dmat4 aimed(levelBasis(glm::normalize(eye - target)) * roll);
    aimed[3] = glm::dvec4(eye, 1);
    return aimed * glm::inverse(rest);
}

// The field of view a pose holds the camera at: the one set by hand in its cache, or 0.
double poseFieldOfView(const AnimTrackSegment& segment) {
    if (segment.segmentType() != AnimTrackSegment::kPose || segment.caches.empty()) return 0;
    const AnimElementCache& c = *segment.caches.front();
    return c.tweakCameraCacheUsed && c.tweakCameraCache[7] > 0 ? c.tweakCameraCache[7] : 0;
}

// The camera's field of view at `time`: a pose's own, or, in a transition, carried from
// the pose before to the pose after at the element's progress. 0: the camera's own lens.
double fieldOfViewAt(AnimTrack& track, double time, double restFov) {
    AnimTrackSegment* segment = track.segmentAt(time);
    if (!segment) return 0;
    if (segment->segmentType() == AnimTrackSegment::kPose) return poseFieldOfView(*segment);
    size_t i = 0;
    while (i < track.segments.size() && track.segments[i].get() != segment) ++i;
    const double from = i > 0 ? poseFieldOfView(*track.segments[i - 1]) : 0;
    const double to = i + 1 < track.segments.size() ? poseFieldOfView(*track.segments[i + 1]) : 0;
    if (from <= 0 && to <= 0) return 0;
    const double u = elementProgress(static_cast<AnimTransition&>(*segment), 0, time).u;
    return (from > 0 ? from : restFov) * (1 - u) + (to > 0 ? to : restFov) * u;
}

}  // namespace

void SceneAnimator::gather() {
    // Rest places are measured without any animation.
    for (int kind : {kObjectKind, kCameraKind, kLightKind, kGroupKind})
        for (int i = 0; i < scene_.memberCount(kind); ++i)
            if (auto* node = dynamic_cast<DAGNode*>(scene_.member(kind, i))) node->clearAnimated();
    for (int i = 0; i < scene_.memberCount(kCameraKind); ++i)
        if (auto* camera = dynamic_cast<Camera*>(scene_.member(kCameraKind, i))) camera->setAnimatedFieldOfView(0);
    tracks_.clear();
    for (int i = 0; i < scene_.memberCount(kAnimTrackKind); ++i) {
        auto* track = dynamic_cast<AnimTrack*>(scene_.member(kAnimTrackKind, i));
        if (!track || track->segments.empty()) continue;
        SceneMember* tracked = track->trackNode.resolve();
        const bool fragmented = byFragment(*track);
        const FragmentationParams* breaking = fragmentationOf(*track);
        std::vector<int> granularities{-1};
        if (dynamic_cast<TextBlock*>(tracked)) {
            granularities = {granularityOf(*track)};
            for (auto& segment : track->segments) {
                const int g = granularityOfSegment(*track, *segment);
                if (std::find(granularities.begin(), granularities.end(), g) == granularities.end())
                    granularities.push_back(g);
            }
        }
        for (int granularity : granularities) {
            TrackElements t;
            t.track = track;
            t.granularity = granularity;
            if (auto* block = dynamic_cast<TextBlock*>(tracked)) {
                const std::vector<int> element = elementOfCharacters(*block, granularity);
                const std::vector<ObjectX*> objects = block->builtObjects();
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
                    if (auto* node = dynamic_cast<DAGNode*>(ref.resolve()))
                        addWithFragments(scene_, t, {node}, fragmented, breaking);
            } else if (auto* node = dynamic_cast<DAGNode*>(tracked)) {
                addWithFragments(scene_, t, {node}, fragmented, breaking);
            }
            applyGroups(*track, t);
            assignSelection(*track, t);
            // Fragments show from the fragmentation's frame on, what they broke from until then;
            // without one, fragments show throughout.
            t.fragmentFrame = breaking ? breaking->trackFrame : -1e300;
            if (!t.elements.empty()) tracks_.push_back(std::move(t));
        }
    }
    gathered_ = true;
}

void SceneAnimator::clear() {
    for (TrackElements& t : tracks_) {
        for (auto& nodes : t.nodes)
            for (DAGNode* node : nodes) node->clearAnimated();
        if (auto* camera = dynamic_cast<Camera*>(t.track->trackNode.resolve())) camera->setAnimatedFieldOfView(0);
    }
}

void SceneAnimator::play(TrackElements& t, double time, double opacity) {
    AnimTrack& track = *t.track;
    // A segment authored under a node moves its elements in that node's frame.
    const glm::dmat4 frame = track.parentMatrixAt(time);
    const bool framed = frame != glm::dmat4(1.0);
    if (framed && (frame != t.localFrame || t.local.size() != t.elements.size())) {
        const glm::dmat4 toLocal = glm::inverse(frame);
        t.local.clear();
        for (const AnimElement& e : t.elements) t.local.push_back(inFrame(e, toLocal));
        t.localFrame = frame;
    }
    std::vector<ElementFrame> frames = evaluateTrack(track, time, framed ? t.local : t.elements);
    if (framed) {
        const glm::dmat4 toLocal = glm::inverse(frame);
        for (ElementFrame& f : frames) f.matrix = frame * f.matrix * toLocal;
    }
    // An element that broke shows whole until the fragmentation's frame, its fragments from then on.
    const bool broken = time >= t.fragmentFrame;
    for (size_t e = 0; e < frames.size() && e < t.elements.size(); ++e) {
        const int owner = t.elements[e].owner;
        if (owner >= 0 && !broken) frames[e].opacity = 0;
        if (owner >= 0 && broken && static_cast<size_t>(owner) < frames.size()) frames[owner].opacity = 0;
    }
    auto* camera = track.trackType == AnimTrack::kCameraTrack ? dynamic_cast<Camera*>(track.trackNode.resolve()) : nullptr;
    const bool aims = camera && (camera->mode() == Camera::kOrbit || camera->mode() == Camera::kLookAt);
    for (size_t e = 0; e < frames.size() && e < t.nodes.size(); ++e)
        for (DAGNode* node : t.nodes[e]) {
            const glm::dmat4 move = aims && node == camera ? aimedMove(*camera, frames[e].matrix) : frames[e].matrix;
            node->setAnimated(move, frames[e].opacity * opacity);
        }
    if (camera) {
        camera->setAnimatedFieldOfView(0);
        camera->setAnimatedFieldOfView(fieldOfViewAt(track, time, camera->fieldOfView()));
    }
}

int SceneAnimator::setTime(double time) {
    scene_.animGlobals().currFrame = time;
    const int played = pose(time);
    // Cloth is the one geometry that changes with time: each flag shows its state now,
    // simulated under the cluster's place at each step, which posing at that step finds.
    bool posedElsewhere = false;
    for (int i = 0; i < scene_.memberCount(kObjectKind); ++i)
        if (auto* flag = dynamic_cast<FlagCluster*>(scene_.member(kObjectKind, i))) {
            flag->progress = simulationProgress;
            flag->worldAt = [this, flag, &posedElsewhere](double at) {
                posedElsewhere = true;
                pose(at);
                return flag->worldTransform();
            };
            flag->showTime(time);
            flag->worldAt = nullptr;
        }
    if (posedElsewhere) pose(time);
    return played;
}

int SceneAnimator::pose(double time) {
    if (!gathered_) gather();
    // A soloed track mutes the others; soloed as a ghost, the others play faintly.
    bool soloOn = false, soloGhost = false;
    for (const TrackElements& t : tracks_) {
        if (t.track->vis != 0) continue;
        soloOn |= t.track->solo == 0;
        soloGhost |= t.track->solo == 2;
    }
    // Warp tracks carry their transitions' warp records between the poses' warps; nothing
    // is deformed by those records yet.
    for (int i = 0; i < scene_.memberCount(kAnimTrackKind); ++i)
        if (auto* track = dynamic_cast<AnimTrack*>(scene_.member(kAnimTrackKind, i)); track && track->vis == 0)
            updateWarp(*track, time);
    int played = 0;
    const AnimTrack* last = nullptr;
    for (TrackElements& t : tracks_) {
        AnimTrack& track = *t.track;
        const bool soloed = track.solo == 0 || track.solo == 2;
        // A hidden or muted track leaves its nodes at rest, whole: no fragment shows.
        if (track.vis != 0 || (soloOn && !soloed)) {
            for (size_t e = 0; e < t.nodes.size(); ++e)
                for (DAGNode* node : t.nodes[e]) {
                    node->clearAnimated();
                    if (t.elements[e].owner >= 0) node->setAnimated(glm::dmat4(1.0), 0.0);
                }
            if (auto* camera = dynamic_cast<Camera*>(track.trackNode.resolve())) camera->setAnimatedFieldOfView(0);
            continue;
        }
        // Of a track split differently by its segments, the split of the segment at the time plays.
        if (t.granularity >= 0 && track.animType == AnimTrack::kPerSegment) {
            AnimTrackSegment* segment = track.segmentAt(time);
            if (segment && granularityOfSegment(track, *segment) != t.granularity) continue;
        }
        play(t, time, soloGhost && !soloed ? kGhostOpacity : 1.0);
        if (&track != last) ++played;
        last = &track;
    }
    return played;
}

}  // namespace fw
