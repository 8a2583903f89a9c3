#include "output/RenderLog.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "output/Formatted.h"
#include "output/OutputType.h"
#include "persistence/AFile.h"

namespace fw {

RenderLog::RenderLog(std::string outputPath, int outputType)
    : outputPath_(std::move(outputPath)), outputType_(outputType) {}

void RenderLog::addFrame(double frame, double seconds) { frames_.push_back({frame, seconds}); }

double RenderLog::totalSeconds() const {
    double total = 0;
    for (const Frame& f : frames_) total += f.seconds;
    return total;
}

std::string RenderLog::pathFor(const std::string& outputPath, int outputType) {
    size_t slash = outputPath.find_last_of('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = outputPath.rfind('.');
    std::string stem = dot != std::string::npos && dot > nameStart ? outputPath.substr(0, dot) : outputPath;
    bool oneMovieFile = outputType == OutputType::kMOV || outputType == OutputType::kMP4;
    return stem + (oneMovieFile ? "" : "####") + ".log";
}

std::string RenderLog::text() const {
    // Ties go to the earlier frame, so the report does not depend on sort stability.
    const Frame none{0, 0};
    const Frame* fastest = frames_.empty() ? &none : &frames_[0];
    const Frame* slowest = fastest;
    for (const Frame& f : frames_) {
        if (f.seconds < fastest->seconds) fastest = &f;
        if (f.seconds > slowest->seconds) slowest = &f;
    }
    double total = totalSeconds();
    double average = frames_.empty() ? 0 : total / static_cast<double>(frames_.size());
    std::string text = formatted("*** Output File: %s\n\n", outputPath_.c_str());
    text += formatted("** Total Render Time: %s\n\n", durationText(total).c_str());
    text += formatted("* Fastest Frame: %d %s\n\n", static_cast<int>(std::lround(fastest->frame)),
                      durationText(fastest->seconds).c_str());
    text += formatted("* Slowest Frame: %d %s\n\n", static_cast<int>(std::lround(slowest->frame)),
                      durationText(slowest->seconds).c_str());
    text += formatted("* Per Frame Average: %s\n\n", durationText(average).c_str());
    for (const Frame& f : frames_) text += formatted("Frame %g - %s\n", f.frame, durationText(f.seconds).c_str());
    return text;
}

std::string RenderLog::write() const {
    std::string logPath = path();
    std::string bytes = text();
    AFile file;
    if (file.openWrite(logPath) && file.write(bytes.data(), bytes.size()) && file.close()) return std::string();
    file.abandon();
    return "Error writing render log:\r" + logPath;
}

std::string RenderLog::durationText(double seconds) {
    // Past about thirty years a time is damage; keep the arithmetic in range.
    double clamped = std::isfinite(seconds) && seconds > 0 ? std::min(seconds, 1e9) : 0.0;
    long long ms = std::llround(clamped * 1000.0);
    long long h = ms / 3600000, m = ms / 60000 % 60, s = ms / 1000 % 60;
    int milli = static_cast<int>(ms % 1000);
    if (h > 0) return formatted("%lld:%02lld:%02lld.%03d", h, m, s, milli);
    return formatted("%lld:%02lld.%03d", m, s, milli);
}

}  // namespace fw
