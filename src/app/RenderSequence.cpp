#include "app/RenderSequence.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "app/Console.h"
#include "app/OrvoPrefs.h"
#include "app/OrvoSceneManager.h"
#include "app/RenderJob.h"
#include "output/ImageWriter.h"
#include "output/OutputType.h"
#include "output/ProgressText.h"
#include "output/RenderLog.h"
#include "platform/Dialogs.h"
#include "platform/FrameRate.h"
#include "platform/MovieWriter.h"
#include "platform/StopSignal.h"
#include "scene/AnimGlobals.h"
#include "scene/SceneX.h"

namespace fw {

namespace {

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A bar on a terminal, redrawn in place; the program's progress lines otherwise.
class Progress {
public:
    explicit Progress(int total) : total_(total), terminal_(isatty(STDERR_FILENO) == 1) {}
    void frameDone(int done, double elapsed) {
        if (!terminal_) {
            printNote("%s", ProgressText::progressLine(done, total_).c_str());
            return;
        }
        if (quiet()) return;
        const int width = 30, filled = total_ > 0 ? done * width / total_ : width;
        const double rate = elapsed > 0 ? done / elapsed : 0;
        const double left = rate > 0 ? (total_ - done) / rate : 0;
        std::fprintf(stderr, "\r[%s%s] frame %d of %d, %.1f frames/s, %s left  ", std::string(filled, '#').c_str(),
                     std::string(width - filled, '.').c_str(), done, total_, rate,
                     RenderLog::durationText(left).c_str());
        if (done == total_) std::fputc('\n', stderr);
        std::fflush(stderr);
    }
    void stop() {
        if (terminal_) std::fputc('\n', stderr);
    }

private:
    int total_;
    bool terminal_;
};

bool folderWritable(const std::string& out) {
    std::filesystem::path folder = std::filesystem::path(out).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code failed;
    return std::filesystem::is_directory(folder, failed) && access(folder.c_str(), W_OK) == 0;
}

std::string extensionOf(const std::string& path) { return std::filesystem::path(path).extension().string(); }

}  // namespace

bool RenderSequence::timelineRange(const std::string& range, const AnimGlobals& globals, int& first, int& last) {
    if (!parseRange(range, first, last)) {
        printError("--frames", "takes FIRST-LAST, for example 0-59, not " + range);
        return false;
    }
    if (first > last) {
        printError("--frames", "the range " + range + " runs backwards: give the first frame first");
        return false;
    }
    if (first < globals.frameStart || last > globals.frameEnd) {
        printError("--frames", "frames " + range + " reach outside the project's timeline, frames " +
                                   std::to_string(globals.frameStart) + " to " + std::to_string(globals.frameEnd));
        return false;
    }
    return true;
}

bool RenderSequence::parseRange(const std::string& text, int& first, int& last) {
    char dash = 0, rest = 0;
    int n = std::sscanf(text.c_str(), "%d%c%d%c", &first, &dash, &last, &rest);
    if (n == 1) {
        last = first;
        return text.find_first_not_of("-0123456789") == std::string::npos;
    }
    return n == 3 && dash == '-';
}

namespace {

// A movie's rate and codec from the options or the project; an exit status.
int movieSettings(const RenderSequence::Request& request, const AnimGlobals& globals, MovieWriter::Settings& settings) {
    std::error_code failed;
    if (std::filesystem::is_directory(request.out, failed)) {
        printError(request.out, "is a folder: a movie is written to a file, for example " +
                                    (std::filesystem::path(request.out) / ("movie" + extensionOf(request.out))).string());
        return kExitUserError;
    }
    if (request.fps.empty()) {
        // The project's own rate: a fault of the file, not of an option never given.
        const double fps = globals.framesPerSecond;
        settings.rate = FrameRate::fromFramesPerSecond(fps);
        if (!(fps > 0 && fps <= RenderSequence::kMaxFramesPerSecond) || !settings.rate.valid()) {
            char text[200];
            std::snprintf(text, sizeof text,
                          "framesPerSecond %g is not a movie's frame rate (above 0, at most %g); give --fps, "
                          "or mend the project",
                          fps, RenderSequence::kMaxFramesPerSecond);
            printError(request.project, text);
            return kExitUserError;
        }
    } else {
        std::optional<FrameRate> rate = FrameRate::parse(request.fps);
        if (!rate || !rate->valid()) {
            printError("--fps", "takes frames per second, for example 25, 29.97 or 30000/1001, not " + request.fps);
            return kExitUserError;
        }
        settings.rate = *rate;
    }
    const std::vector<std::string> codecs = MovieWriter::codecs(extensionOf(request.out));
    settings.codec = request.codec.empty() ? codecs.front() : request.codec;
    if (std::find(codecs.begin(), codecs.end(), settings.codec) == codecs.end()) {
        std::string known;
        for (const std::string& c : codecs) known += (known.empty() ? "" : ", ") + c;
        printError("--codec", "a " + extensionOf(request.out) + " movie takes " + known + ", not " + settings.codec);
        return kExitUserError;
    }
    return kExitOk;
}

}  // namespace

int RenderSequence::run(OrvoSceneManager& manager, const Request& request) {
    int first = 0, last = 0;
    const AnimGlobals& globals = manager.scene()->animGlobals();
    if (!timelineRange(request.range, globals, first, last)) return kExitUserError;
    const int code = OutputType::codeForPath(request.out);
    const bool movie = OutputType::isMovie(code);
    if (code < 0 || (!movie && !ImageWriter::supports(request.out))) {
        printError(request.out, "write a movie (.mov, .mp4, .avi) or an image sequence (" + ImageWriter::extensions() + ")");
        return kExitUserError;
    }
    if (!movie && (!request.fps.empty() || !request.codec.empty())) {
        printError(!request.fps.empty() ? "--fps" : "--codec", "only movies have a frame rate and a codec");
        return kExitUserError;
    }
    MovieWriter::Settings settings;
    if (movie)
        if (int status = movieSettings(request, globals, settings); status != kExitOk) return status;
    RenderJob job(manager, printError, request.project);
    if (!job.configure(request.size, std::nullopt, request.renderer)) return kExitUserError;
    job.setRefit(true);
    // The output is checked before the first frame, so a long render never fails at its end.
    if (!folderWritable(request.out)) {
        Dialogs::instance().alert(ProgressText::unableToWrite(request.out));
        return kExitUserError;
    }
    settings.width = job.frame().width;
    settings.height = job.frame().height;
    settings.alpha = manager.settings().useAlphaMask != 0;
    // Ctrl-C (or SIGTERM) stands in for Escape while frames render: an OpenGL frame is
    // finished, a traced one stops after the rows in hand and is dropped; the frames
    // done are kept and a movie is finished so it plays up to its last whole frame.
    // Caught from before the movie opens, so no signal leaves its temporary file.
    StopSignal stopSignal;
    MovieWriter writer;
    if (movie && !writer.open(request.out, settings)) {
        Dialogs::instance().alert(writer.error());
        return kExitUserError;
    }

    const int total = last - first + 1;
    Progress progress(total);
    RenderLog log(request.out, code);
    RenderJob::Timing sum;
    double encoding = 0;
    const auto start = std::chrono::steady_clock::now();
    int done = 0;
    bool dropped = false;  // the frame in hand was stopped unfinished
    for (int frame = first; frame <= last && StopSignal::caught() == 0; ++frame) {
        const auto frameStart = std::chrono::steady_clock::now();
        RenderImage image;
        if (int status = job.renderImage(frame, image, request.project); status != kExitOk) {
            if (job.frameStopped()) {
                dropped = true;
                break;
            }
            progress.stop();
            if (movie) writer.discard();
            return status;
        }
        const RenderJob::Timing& t = job.lastTiming();
        sum.scene += t.scene;
        sum.renderer += t.renderer;
        sum.effects += t.effects;
        const auto encodeStart = std::chrono::steady_clock::now();
        if (movie) {
            if (!writer.addFrame(image.rgba.data())) {
                progress.stop();
                writer.discard();
                Dialogs::instance().alert(writer.error());
                return kExitUserError;
            }
        } else {
            std::string error, name = OutputType::frameFileName(
                                         request.out, code, frame,
                                         request.batch > 0 ? std::optional<int>(request.batch) : std::nullopt);
            if (!ImageWriter::write(name, {image.width, image.height, image.rgba.data()}, settings.alpha, error)) {
                progress.stop();
                printError(name, error);
                return kExitUserError;
            }
        }
        encoding += seconds(encodeStart);
        log.addFrame(frame, seconds(frameStart));
        progress.frameDone(++done, seconds(start));
    }
    const int signal = StopSignal::caught();
    if (signal != 0 && done < total) progress.stop();
    const std::string stoppedBy = std::string("stopped by ") + StopSignal::name(signal);
    if (signal != 0 && done == 0) {
        // An empty movie would not play: the destination is left as it was.
        if (movie) writer.discard();
        printError(request.out, stoppedBy + " before the first frame was finished; nothing is written");
        return StopSignal::exitStatus(signal);
    }
    if (movie && !writer.finish()) {
        Dialogs::instance().alert(writer.error());
        return kExitUserError;
    }
    if (manager.prefs().saveRenderLogs) {
        if (std::string error = log.write(); !error.empty()) Dialogs::instance().alert(error);
    }
    const double total_s = seconds(start);
    char effects[48] = "";
    if (sum.effects > 0) std::snprintf(effects, sizeof effects, ", effects %.2f s", sum.effects);
    printNote("%s: %d frame%s (%d-%d) at %d x %d in %.2f s, %.1f frames/s (scene %.2f s, geometry "
              "%.2f s, textures %.2f s, drawing %.2f s, read-back %.2f s%s, %s %.2f s)",
              request.out.c_str(), done, done == 1 ? "" : "s", first, first + done - 1, settings.width,
              settings.height, total_s, total_s > 0 ? done / total_s : 0.0, sum.scene, sum.renderer.geometry,
              sum.renderer.baking, sum.renderer.drawing, sum.renderer.readBack, effects, movie ? "encoding" : "writing",
              encoding);
    if (signal != 0) {
        printError(request.out, stoppedBy + " after " + std::to_string(done) + " of " + std::to_string(total) +
                                    " frames; " +
                                    (dropped ? "frame " + std::to_string(first + done) + " was left unfinished, " : "") +
                                    "what was rendered is kept");
        return StopSignal::exitStatus(signal);
    }
    return kExitOk;
}

}  // namespace fw
