// `render`: a project's frame to an image, or a frame range to a movie or a sequence.
#include "cli/RenderCommand.h"

#include <cstdlib>
#include <filesystem>

#include "app/Console.h"
#include "app/OrvoSceneManager.h"
#include "app/RenderJob.h"
#include "app/RenderSequence.h"
#include "app/TextBatches.h"
#include "cli/Documents.h"
#include "cli/FileTypes.h"
#include "cli/Subcommand.h"
#include "output/OutputType.h"
#include "output/ProgressText.h"
#include "platform/Dialogs.h"
#include "platform/StopSignal.h"
#include "scene/AnimGlobals.h"
#include "scene/SceneX.h"

namespace fw {

int renderProject(const std::string& path, const std::string& out, const std::string& size,
                  std::optional<double> frameNumber, const std::string& renderer, const Looks& looks) {
    if (!FileTypes::names(FileType::kImage, out)) {
        printError(out, "unknown image type (use " + FileTypes::listed(FileType::kImage) + ")");
        return kExitUserError;
    }
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    if (!loadProjectOrReport(manager, path)) return kExitUserError;
    if (!applyLooks(session.app, looks)) return kExitUserError;
    RenderJob job(manager, printError, path);
    if (!job.configure(size, frameNumber, renderer)) return kExitUserError;
    return job.renderTo(out, path);
}

int renderFrames(const RenderSequence::Request& request, const Looks& looks) {
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    if (!loadProjectOrReport(manager, request.project)) return kExitUserError;
    if (!applyLooks(session.app, looks)) return kExitUserError;
    return RenderSequence::run(manager, request);
}

int renderTimeline(const std::string& path, const std::string& out) {
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    if (!loadProjectOrReport(manager, path)) return kExitUserError;
    const AnimGlobals& timeline = manager.scene()->animGlobals();
    RenderSequence::Request request;
    request.project = path, request.out = out;
    request.range = std::to_string(timeline.frameStart) + "-" + std::to_string(timeline.frameEnd);
    return RenderSequence::run(manager, request);
}

namespace {

// "a/b/shot.mov", batch 3 -> "a/b/shot_3.mov".
std::string batchFileName(const std::string& out, int batch) {
    std::filesystem::path path(out);
    std::filesystem::path named = path.parent_path() / (path.stem().string() + "_" + std::to_string(batch));
    return named.string() + path.extension().string();
}

}  // namespace

int renderBatches(const RenderSequence::Request& request, const std::string& batch, const Looks& looks) {
    const bool still = request.range.empty();
    if (still && (!request.fps.empty() || !request.codec.empty())) {
        printError(request.fps.empty() ? "--codec" : "--fps", "belongs to a movie: give --frames FIRST-LAST too");
        return kExitUserError;
    }
    if (still && !FileTypes::names(FileType::kImage, request.out)) {
        printError(request.out, "unknown image type (use " + FileTypes::listed(FileType::kImage) + ")");
        return kExitUserError;
    }
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    if (!loadProjectOrReport(manager, request.project)) return kExitUserError;
    applyLooks(session.app, looks);
    TextBatches batches;
    std::string subject, error;
    if (!batches.load(manager, request.project, subject, error)) {
        printError(subject, error);
        return kExitUserError;
    }
    const int count = batches.count();
    int first = 1, last = count;
    if (batch != "all") {
        char* end = nullptr;
        const long n = std::strtol(batch.c_str(), &end, 10);
        if (batch.empty() || *end != 0 || n < 1 || n > count) {
            printError("--batch", "takes a batch from 1 to " + std::to_string(count) + ", or all, not " + batch);
            return kExitUserError;
        }
        first = last = static_cast<int>(n);
    }
    // One catcher for the whole run, so a signal between two batches stops it too.
    StopSignal stopSignal;
    for (int b = first; b <= last; ++b) {
        if (int signal = StopSignal::caught()) {
            printError(request.out, std::string("stopped by ") + StopSignal::name(signal) + " before batch " +
                                        std::to_string(b) + "; the batches before it are kept");
            return StopSignal::exitStatus(signal);
        }
        const int characters = TextBatches::apply(manager, batches.values(b), error);
        if (characters < 0) {
            printError(request.project, error);
            return kExitUserError;
        }
        printNote("%s: \"%s\", %d character%s", ProgressText::batchLine(b, count).c_str(),
                  Dialogs::printable(batches.label(b)).c_str(), characters, characters == 1 ? "" : "s");
        int status;
        if (still) {
            RenderJob job(manager, printError, request.project);
            if (!job.configure(request.size, std::nullopt, request.renderer)) return kExitUserError;
            status = job.renderTo(batchFileName(request.out, b), request.project);
        } else {
            RenderSequence::Request one = request;
            one.batch = b, one.batches = count;
            if (OutputType::isMovie(OutputType::codeForPath(request.out))) one.out = batchFileName(request.out, b);
            status = RenderSequence::run(manager, one);
        }
        if (status != kExitOk) return status;
    }
    return kExitOk;
}

namespace {

class RenderCommand : public Subcommand {
public:
    void declare(CLI::App& app) override {
        command_ = app.add_subcommand("render",
                                      "Render a project's current frame, or a frame range, with OpenGL or "
                                      "by ray tracing, its animation played.");
        command_->add_option("PROJECT", in_, "project to render")->required();
        command_
            ->add_option("-o,--output", out_,
                         "image file (" + FileTypes::listed(FileType::kImage) +
                             "; with --frames, the name of a numbered sequence: shot.png gives shot_0007.png) "
                             "or, with --frames, a movie (" +
                             FileTypes::listed(FileType::kMovie, ", ") + ")")
            ->required();
        command_->add_option("--size", size_, "WIDTHxHEIGHT (default: the project's render size)");
        frameOption_ = command_->add_option("--frame", frame_, "frame to render (default: the current frame)");
        command_->add_option("--frames", sequence_.range, "FIRST-LAST: render this range of the timeline")
            ->excludes(frameOption_);
        command_->add_option("--renderer", sequence_.renderer, "gl or raytrace (default: the project's render method)")
            ->check(CLI::IsMember({"gl", "raytrace"}));
        command_->add_option("--fps", sequence_.fps,
                             "a movie's frame rate: 25, 29.97, 30000/1001 ... (default: the project's)");
        command_->add_option("--codec", sequence_.codec,
                             "a movie's codec: .mov rle (QuickTime Animation, the default), h264 or png; .mp4 "
                             "h264; .avi dib (uncompressed, the default) or mjpeg");
        command_->add_option("--batch", batch_,
                             "N or all: render text batch N (a row of the project's variable file), or every "
                             "batch; the batch number goes into each file's name (shot_3.png, shot_3_0007.png, "
                             "shot_3.mov)");
        addLookOptions(*command_, looks_);
        addDirectingOptions(*command_, looks_.directing, false);
    }

    int run() override {
        if (!batch_.empty()) {
            if (frameOption_->count()) {
                printError("--frame", "takes no --batch: give --frames N-N for one frame of each batch");
                return kExitUserError;
            }
            sequence_.project = in_, sequence_.out = out_, sequence_.size = size_;
            if (!checkLooks(looks_)) return kExitUserError;
            return renderBatches(sequence_, batch_, looks_);
        }
        if (!sequence_.range.empty()) {
            sequence_.project = in_, sequence_.out = out_, sequence_.size = size_;
            if (!checkLooks(looks_)) return kExitUserError;
            return renderFrames(sequence_, looks_);
        }
        if (!sequence_.fps.empty() || !sequence_.codec.empty()) {
            printError(sequence_.fps.empty() ? "--codec" : "--fps", "belongs to a movie: give --frames FIRST-LAST too");
            return kExitUserError;
        }
        if (!checkLooks(looks_)) return kExitUserError;
        return renderProject(in_, out_, size_, frameOption_->count() ? std::optional<double>(frame_) : std::nullopt,
                             sequence_.renderer, looks_);
    }

private:
    std::string in_, out_, size_, batch_;
    double frame_ = -1;
    CLI::Option* frameOption_ = nullptr;
    RenderSequence::Request sequence_;
    Looks looks_;
};

}  // namespace

std::unique_ptr<Subcommand> makeRenderCommand() { return std::make_unique<RenderCommand>(); }

}  // namespace fw
