#pragma once
// Renders a project's frame range to disk: one movie (.mov, .mp4, .avi) or an image
// sequence named frame by frame (shot.png → shot_0007.png). Progress goes to standard
// error (a bar on a terminal, the program's progress lines otherwise); Ctrl-C or
// SIGTERM stops the run (a traced frame after the rows in hand, the frame dropped),
// keeping the frames written and finishing the movie so it plays up to its last whole
// frame; the exit status is then the signal's (130, 143).

#include <string>

namespace fw {

class AnimGlobals;
class OrvoSceneManager;

class RenderSequence {
public:
    struct Request {
        std::string project;  // named in messages
        std::string out;
        std::string size;   // "WxH"; empty: the project's render size
        std::string range;  // "A-B" (or "A")
        std::string fps;    // movies: "30", "29.97", "30000/1001"; empty: the project's rate
        std::string codec;  // movies: empty for the container's default
        std::string renderer;  // "gl" or "raytrace"; empty: the project's render method
        // Text batch `batch` of `batches` (0: no batches): a sequence's files carry the
        // batch number (shot_3_0007.png); a movie is named by the caller.
        int batch = 0, batches = 0;
    };
    // The fastest frame rate a project may give its movies ("framesPerSecond");
    // --fps is not held to it.
    static constexpr double kMaxFramesPerSecond = 1000;
    // Renders the loaded project; an exit status.
    static int run(OrvoSceneManager& manager, const Request& request);
    // The range of --frames held to the timeline; false, with the error printed, when
    // it cannot be read or reaches outside.
    static bool timelineRange(const std::string& range, const AnimGlobals& globals, int& first, int& last);
    // "A-B" or "A" into first and last; false for anything else.
    static bool parseRange(const std::string& text, int& first, int& last);
};

}  // namespace fw
