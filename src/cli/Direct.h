#pragma once
// The directing options of `text` and `render`: --duration, --fps, --stagger, --ease,
// --launch and --by over the animation's timing, --camera, and --colour for a word or a
// range of characters (--material takes the same ranges, through the look options).

#include <optional>
#include <string>
#include <vector>

#include "app/TextRanges.h"
#include "app/TitleAnimation.h"

namespace CLI {
class App;
}

namespace fw {

class SceneX;

// "WHAT@RANGE" split; false when there is no @ (the whole title) or the range is bad.
bool splitRanged(const std::string& text, std::string& what, TextRange& range, std::string& error);

// As typed, then read by checkDirecting.
struct Directing {
    double duration = -1, fps = -1, stagger = -1;
    std::string ease, launch, by, camera;
    std::vector<std::string> colours;  // COLOUR@RANGE
    bool timingOnly() const {
        return duration >= 0 || fps >= 0 || stagger >= 0 || !ease.empty() || !launch.empty() || !by.empty();
    }
    bool any() const { return timingOnly() || !camera.empty() || !colours.empty(); }
    // Set by `text` when the title was built with the timing already in it.
    bool timingBuilt = false;
};

// `withFps`: the command has no --fps of its own (render's names a movie's rate).
void addDirectingOptions(CLI::App& command, Directing& directing, bool withFps);
// Reads every option, reporting the first that is wrong.
bool checkDirecting(const Directing& directing);
// The timing options read; the options must have been checked.
TitleAnimation::Direction directionOf(const Directing& directing);
// Puts the camera and the colours on the scene, and the timing too unless the scene was
// built with it. False (reported) when something cannot be done.
bool applyDirecting(SceneX& scene, const Directing& directing);
}  // namespace fw
