#pragma once
// What a render run shows while it works: the window title of the frame being
// rendered, the progress line, and the alerts when its output cannot be written.
//
// In the titles, the first text is the project's file name without its folder
// (projectName) and the last the time still to go, from timeLeft.

#include <optional>
#include <string>

namespace fw {

class ProgressText {
public:
    static constexpr const char* kAbortHint = " (press ESCAPE to abort)";

    // "title.kxp" from "/work/titles/title.kxp"; "Untitled" for none.
    static std::string projectName(const std::string& projectPath);
    // The time left once `done` of `total` frames took `elapsed` seconds, at the
    // mean pace so far: "0:12.500 left"; "estimating" before the first frame is done.
    static std::string timeLeft(double elapsedSeconds, int done, int total);

    // Frame `frame` (1-based position in the run) of `frames`.
    static std::string frameTitle(const std::string& project, int frame, int frames, const std::string& left);
    // A render of one frame; `frame` is the frame's number on the timeline and the
    // last text the time the render has taken so far.
    static std::string singleRenderTitle(const std::string& project, int frame, const std::string& elapsed);
    // Text batch `batch` of `batches` (none while the number of batches is open),
    // frame `frame` of `frames` within it.
    static std::string batchTitle(const std::string& project, int batch, std::optional<int> batches, int frame,
                                  int frames, const std::string& left);
    // "Text Batch 3 of 20".
    static std::string batchLine(int batch, int batches);
    // "Rendering 3 of 10".
    static std::string progressLine(int done, int total);
    // "Simulating 30 of 400": steps of a simulation run (a flag's lead-in).
    static std::string simulationLine(int done, int total);

    // Alerts for an output that cannot be written, before the first frame renders.
    static std::string unableToWrite(const std::string& path);
    // The same for a movie written to a temporary file first.
    static std::string unableToWriteTemporary(const std::string& path);
};

}  // namespace fw
