#pragma once
// Evaluates a track's elements frame after frame. Everything that does not change with
// time (pose arrangements, the smoothing curves, bows, seeded actions, element windows)
// is built once and kept until the track, its segments or the elements change.

#include <glm/gtc/quaternion.hpp>
#include <glm/vec3.hpp>
#include <span>
#include <vector>

#include "anim/ElementMotion.h"
#include "anim/PathAction.h"
#include "anim/PathShape.h"
#include "anim/TrackCurve.h"

namespace fw {

class AnimTrack;
class AnimTrackSegment;
class AnimTransition;
class AnimVis;

class TrackMotion {
public:
    // Fills `out` (one frame per element) for `time` in frames.
    void evaluate(AnimTrack& track, double time, std::span<const AnimElement> elements, std::vector<ElementFrame>& out);

private:
    // Where each element stands at one pose (or at rest, where a transition has no
    // pose on one side): as it arrives, and as it leaves after the pose's action.
    struct Station {
        int segment = -1;  // -1: the rest place
        std::vector<glm::dvec3> arrive, leave, arriveEuler, leaveEuler, scale;
        std::vector<glm::dquat> arriveTurn, leaveTurn;
        glm::dvec3 center{0.0};
        PathAction action;
        std::vector<char> still;  // per element: left out of the pose (it holds its start place)
    };
    struct Passage {
        int from = 0, to = 0;  // stations; the curves' span is `from`
        PathShape shape;
        PathAction action;
        std::vector<glm::dvec3> bow;
        std::vector<glm::dquat> toTurn;  // the arriving rotations on the short way round
        glm::dvec3 centerFrom{0.0}, centerTo{0.0}, twistAxis{0, 1, 0};
        bool shortWay = true;
    };

    void fingerprint(const AnimTrack& track, std::span<const AnimElement> elements);
    void rebuild(AnimTrack& track, std::span<const AnimElement> elements);
    void buildStation(Station& station, const AnimTrackSegment* pose, std::span<const AnimElement> elements);
    void evaluatePose(int segment, double time, std::vector<ElementFrame>& out) const;
    void evaluatePassage(int segment, double time, std::vector<ElementFrame>& out) const;
    glm::dvec3 passagePlace(const Passage& p, int e, double u, glm::dquat* twist) const;
    static double fade(const AnimVis& vis, double v, double carried);

    std::vector<double> key_, scratch_;
    std::vector<glm::dvec3> rest_;
    AnimTrack* track_ = nullptr;
    std::vector<Station> stations_;
    std::vector<Passage> passages_;
    std::vector<int> stationOf_, passageOf_;  // per segment, -1 when not one
    std::vector<double> opacityIn_;           // per segment: the opacity the fades before it left
    std::vector<TrackCurve> curves_;          // per element, through the stations
};

}  // namespace fw
