#pragma once
// Ready-made animations for a title, so that `text --animate` gives a moving title
// without a track written by hand. A preset brings the title in (letters fly in, drop,
// cascade, type on...), takes it out (fly out, fade out, shatter...), or both, chained
// as "fly-in,hold,fade-out". Each is an ordinary track of poses and transitions that the
// project keeps and a user can edit like any other; nothing of it lives only in code.
//
// Timing is in seconds and follows the element count: every element moves for a time
// that reads at the project's frame rate, and the launches stagger closer together as
// the title grows, so a long title does not teleport its letters.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fw {

class AnimTrack;
class SceneX;
class TextBlock;

class TitleAnimation {
public:
    // What the user directs over a preset's own timing; every value is optional.
    struct Direction {
        std::optional<double> duration;  // seconds of the whole timeline
        std::optional<double> fps;       // frames per second of the timeline
        std::optional<double> stagger;   // seconds between one element's launch and the next's
        std::optional<int> launch;       // AnimSequenceParams::LaunchType
        std::optional<int> by;           // AnimElementCache::TextGranularity
        struct Ease {
            double start = 0, end = 0, amount = 50;  // percent, as the sequencing keeps them
        };
        std::optional<Ease> ease;
        bool any() const { return duration || fps || stagger || launch || by || ease; }
    };

    // Every preset name, in-animations first; "hold" joins a chain.
    static std::vector<std::string> names();
    // False with the reason (naming the known presets) for an unknown name or a chain
    // that is not in-part, holds, out-part in that order.
    static bool check(const std::string& chain, std::string& error);
    // Adds the chain's track for `block` (whose laid-out size is width x height points),
    // timed for its element count and the direction, and sets the scene's timeline to
    // it, the current frame where a still shows the title settled (or breaking, for a
    // chain that is only a shatter). False with the reason.
    static bool add(SceneX& scene, TextBlock& block, const std::string& chain, double width, double height,
                    const Direction& direction, std::string& error);
    static bool add(SceneX& scene, TextBlock& block, const std::string& chain, double width, double height,
                    std::string& error) {
        return add(scene, block, chain, width, height, Direction{}, error);
    }
    // Directs the animation a project already has: the launch order, ease and
    // granularity of every transition, each track re-timed for the stagger, and the
    // timeline stretched or shortened to the duration (its longest pose takes the
    // difference). False with the reason when the duration cannot hold the motion.
    // `rebuild`, when given, changes the elements (a batch's new text) between measuring
    // each transition's motion and stagger and laying them out again for the new count.
    static bool direct(SceneX& scene, const Direction& direction, std::string& error,
                       const std::function<void()>& rebuild = {});

    // Launch order names as stored ("LeftRight"); `word` may also be written
    // "left-right" in any letter case. -1 for an unknown word.
    static int launchOf(const std::string& word);
    static int granularityOf(const std::string& word);  // letter, word, line; -1 otherwise
};

}  // namespace fw
