#include "output/ProgressText.h"

#include <cstdio>

#include "output/Formatted.h"
#include "output/RenderLog.h"

namespace fw {

std::string ProgressText::projectName(const std::string& projectPath) {
    size_t slash = projectPath.find_last_of('/');
    std::string name = slash == std::string::npos ? projectPath : projectPath.substr(slash + 1);
    return name.empty() ? "Untitled" : name;
}

std::string ProgressText::timeLeft(double elapsedSeconds, int done, int total) {
    if (done <= 0) return "estimating";
    int remaining = total > done ? total - done : 0;
    return RenderLog::durationText(elapsedSeconds / done * remaining) + " left";
}

std::string ProgressText::frameTitle(const std::string& project, int frame, int frames, const std::string& left) {
    return formatted("%s - Frame %d of %d - %s", project.c_str(), frame, frames, left.c_str()) + kAbortHint;
}

std::string ProgressText::singleRenderTitle(const std::string& project, int frame, const std::string& elapsed) {
    return formatted("%s - Render %d - %s", project.c_str(), frame, elapsed.c_str()) + kAbortHint;
}

std::string ProgressText::batchTitle(const std::string& project, int batch, std::optional<int> batches, int frame,
                                     int frames, const std::string& left) {
    std::string title = batches ? formatted("%s - Text Batch %d of %d - Frame %d of %d - %s", project.c_str(), batch,
                                            *batches, frame, frames, left.c_str())
                                : formatted("%s - Text Batch %d - Frame %d of %d - %s", project.c_str(), batch, frame,
                                            frames, left.c_str());
    return title + kAbortHint;
}

std::string ProgressText::batchLine(int batch, int batches) {
    return formatted("Text Batch %d of %d", batch, batches);
}

std::string ProgressText::progressLine(int done, int total) { return formatted("Rendering %d of %d", done, total); }

std::string ProgressText::simulationLine(int done, int total) {
    return formatted("Simulating %d of %d", done, total);
}

std::string ProgressText::unableToWrite(const std::string& path) {
    return formatted("\rUnable to write to:\r  %s\r\rPlease try again.", path.c_str());
}

std::string ProgressText::unableToWriteTemporary(const std::string& path) {
    return formatted("\rUnable to write to temporary file:\r  %s\r\rPlease try again.", path.c_str());
}

}  // namespace fw
