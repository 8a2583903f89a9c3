// `render`: a project's frame to an image, or a frame range to a movie or a sequence.
#include "cli/RenderCommand.h"

#include "app/Console.h"
#include "app/OrvoSceneManager.h"
#include "app/RenderJob.h"
#include "app/RenderSequence.h"
#include "cli/Documents.h"
#include "cli/FileTypes.h"
#include "cli/Subcommand.h"
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

namespace {

int renderRange(const RenderSequence::Request& request, const Looks& looks) {
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    if (!loadProjectOrReport(manager, request.project)) return kExitUserError;
    if (!applyLooks(session.app, looks)) return kExitUserError;
    return RenderSequence::run(manager, request);
}

}  // namespace

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
        addLookOptions(*command_, looks_);
        addDirectingOptions(*command_, looks_.directing, false);
    }

    int run() override {
        if (!sequence_.range.empty()) {
            sequence_.project = in_, sequence_.out = out_, sequence_.size = size_;
            if (!checkLooks(looks_)) return kExitUserError;
            return renderRange(sequence_, looks_);
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
    std::string in_, out_, size_;
    double frame_ = -1;
    CLI::Option* frameOption_ = nullptr;
    RenderSequence::Request sequence_;
    Looks looks_;
};

}  // namespace

std::unique_ptr<Subcommand> makeRenderCommand() { return std::make_unique<RenderCommand>(); }

}  // namespace fw
