#include "anim/ElementMotion.h"

#include <map>
#include <memory>
#include <utility>

#include "anim/AnimPose.h"
#include "anim/AnimTrack.h"
#include "anim/ElementRotation.h"
#include "anim/PoseLayout.h"
#include "anim/TrackMotion.h"

namespace fw {

namespace {

bool isStill(const double* v, double value) { return v[0] == value && v[1] == value && v[2] == value; }

// Puts the element's start transform under its state: the pose arranges the element from
// the place it started the segment in (moved, turned and scaled about its centre plus the
// start origin) rather than from its rest place.
void startFrom(const AnimElementCache& c, ElementState& st) {
    if (isStill(c.startTranslate, 0) && isStill(c.startRotate, 0) && isStill(c.startScale, 1)) return;
    const glm::dquat turn = eulerToQuat(st.rotate);
    const glm::dvec3 scale(st.scale[0], st.scale[1], st.scale[2]), startScale(c.startScale[0], c.startScale[1], c.startScale[2]);
    const glm::dquat startTurn = eulerToQuat(c.startRotate);
    const glm::dvec3 origin(c.startOrigin[0], c.startOrigin[1], c.startOrigin[2]);
    const glm::dvec3 moved = origin + glm::dvec3(c.startTranslate[0], c.startTranslate[1], c.startTranslate[2]);
    // translation: R S (o + t) - R S Rs Ss o, with the element's centre at 0
    const glm::dvec3 shift = turn * (scale * moved) - turn * (scale * (startTurn * (startScale * origin)));
    const glm::dvec3 e = quatToEuler(turn * startTurn);
    for (int a = 0; a < 3; ++a) {
        st.translate[a] += shift[a];
        st.rotate[a] = e[a];
        st.scale[a] *= c.startScale[a];
    }
}

}  // namespace

std::vector<ElementState> poseStates(const AnimPose& pose, std::span<const AnimElement> elements) {
    std::vector<ElementState> states = PoseLayout(elements).arrange(pose.settings);
    // Hand adjustments the user made to single elements in this pose, one cache per element;
    // an element the pose does not animate keeps the place it started in.
    if (pose.caches.size() != elements.size()) return states;
    for (size_t i = 0; i < states.size(); ++i) {
        const AnimElementCache& c = *pose.caches[i];
        ElementState& st = states[i];
        if (!c.isAnimated) {
            st = ElementState{};
            startFrom(c, st);
            continue;
        }
        const bool turned = c.tweakRotate[0] != 0 || c.tweakRotate[1] != 0 || c.tweakRotate[2] != 0;
        if (turned) {
            const glm::dvec3 e = quatToEuler(eulerToQuat(st.rotate) * eulerToQuat(c.tweakRotate));
            for (int a = 0; a < 3; ++a) st.rotate[a] = e[a];
        }
        for (int a = 0; a < 3; ++a) {
            st.translate[a] += c.tweakTranslate[a];
            st.scale[a] *= c.tweakScale[a];
        }
        startFrom(c, st);
    }
    return states;
}

std::vector<ElementFrame> evaluateTrack(AnimTrack& track, double time, std::span<const AnimElement> elements) {
    // One cache per track, set of elements and thread (a track may be played with its text
    // split two ways); a track that was replaced at the same address is caught by the
    // cache's own check of everything it was built from.
    thread_local std::map<std::pair<const AnimTrack*, const AnimElement*>, std::unique_ptr<TrackMotion>> motions;
    if (motions.size() > 64) motions.clear();
    auto& motion = motions[{&track, elements.data()}];
    if (!motion) motion = std::make_unique<TrackMotion>();
    std::vector<ElementFrame> out;
    motion->evaluate(track, time, elements, out);
    return out;
}

}  // namespace fw
