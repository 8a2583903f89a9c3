#include "anim/ElementMotion.h"

#include <map>
#include <memory>

#include "anim/AnimPose.h"
#include "anim/AnimTrack.h"
#include "anim/ElementRotation.h"
#include "anim/PoseLayout.h"
#include "anim/TrackMotion.h"

namespace fw {

std::vector<ElementState> poseStates(const AnimPose& pose, std::span<const AnimElement> elements) {
    std::vector<ElementState> states = PoseLayout(elements).arrange(pose.settings);
    // Hand adjustments the user made to single elements in this pose, one cache per element.
    if (pose.caches.size() != elements.size()) return states;
    for (size_t i = 0; i < states.size(); ++i) {
        const AnimElementCache& c = *pose.caches[i];
        ElementState& st = states[i];
        const bool turned = c.tweakRotate[0] != 0 || c.tweakRotate[1] != 0 || c.tweakRotate[2] != 0;
        if (turned) {
            const glm::dvec3 e = quatToEuler(eulerToQuat(st.rotate) * eulerToQuat(c.tweakRotate));
            for (int a = 0; a < 3; ++a) st.rotate[a] = e[a];
        }
        for (int a = 0; a < 3; ++a) {
            st.translate[a] += c.tweakTranslate[a];
            st.scale[a] *= c.tweakScale[a];
        }
    }
    return states;
}

std::vector<ElementFrame> evaluateTrack(AnimTrack& track, double time, std::span<const AnimElement> elements) {
    // One cache per track and thread; a track that was replaced at the same address is
    // caught by the cache's own check of everything it was built from.
    thread_local std::map<const AnimTrack*, std::unique_ptr<TrackMotion>> motions;
    if (motions.size() > 64) motions.clear();
    auto& motion = motions[&track];
    if (!motion) motion = std::make_unique<TrackMotion>();
    std::vector<ElementFrame> out;
    motion->evaluate(track, time, elements, out);
    return out;
}

}  // namespace fw
