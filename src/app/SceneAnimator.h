#pragma once
// Plays the scene's tracks at a time: gathers each track's elements once (the
// letters, words, lines or paragraphs of a text block; an object, camera or light as
// a whole; or the track's associated objects), evaluates the track, and puts each
// element's matrix and opacity on its nodes. An object broken into fragments is an
// element whose fragments are elements timed inside it. Only transforms and opacities change
// with time, so no geometry is rebuilt from one frame to the next.

#include <functional>
#include <glm/mat4x4.hpp>
#include <vector>

#include "anim/ElementMotion.h"

namespace fw {

class AnimTrack;
class DAGNode;
class SceneX;

class SceneAnimator {
public:
    explicit SceneAnimator(SceneX& scene) : scene_(scene) {}

    // Sets every tracked node for `time` (frames) and the scene's current frame;
    // answers how many tracks played.
    int setTime(double time);
    // Takes every track's animation off its nodes.
    void clear();
    // Elements are gathered again on the next setTime (after the scene was edited).
    void invalidate() { gathered_ = false; }

    // Handed to every flag: how its long simulation runs are getting on.
    std::function<void(int done, int total)> simulationProgress;

    // A track's elements at one text granularity. A per-segment track whose segments
    // split its text differently has one of these per granularity, each played only
    // while a segment of its granularity stands for the time.
    struct TrackElements {
        AnimTrack* track = nullptr;
        int granularity = -1;  // the text's split; -1 when the track does not animate a text
        std::vector<AnimElement> elements;
        std::vector<std::vector<DAGNode*>> nodes;  // per element, the nodes it moves
        double fragmentFrame = -1e300;  // fragments show from this frame, what they broke from until it
        // The elements in the frame of the node the segments were authored under, and that frame.
        std::vector<AnimElement> local;
        glm::dmat4 localFrame{1.0};
    };
    const std::vector<TrackElements>& tracks() const { return tracks_; }

    // The ghost opacity of the tracks that are not soloed while another track is soloed as a ghost.
    static constexpr double kGhostOpacity = 0.25;

private:
    // Every tracked node at `time`, flags aside; how many tracks played.
    int pose(double time);
    void gather();
    void play(TrackElements& t, double time, double opacity);

    SceneX& scene_;
    std::vector<TrackElements> tracks_;
    bool gathered_ = false;
};

}  // namespace fw
