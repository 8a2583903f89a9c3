// `queue`: a render queue file of items added one by one, listed, and run; a run saves
// the queue after each step, so a run stopped at any point picks up where it was.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/Console.h"
#include "app/RenderQueue.h"
#include "cli/FileTypes.h"
#include "cli/RenderCommand.h"
#include "cli/Subcommand.h"
#include "output/OutputType.h"
#include "platform/StopSignal.h"

namespace fw {

namespace {

bool readQueue(RenderQueue& queue, const std::string& path) {
    std::string error;
    if (queue.read(path, error)) return true;
    printError(path, error);
    return false;
}

bool saveQueue(RenderQueue& queue, const std::string& path) {
    std::string error;
    if (queue.write(path, error)) return true;
    printError(path, error);
    return false;
}

std::string batchText(int index) {
    return index == RenderQueue::kAllBatches ? "all" : index > 0 ? std::to_string(index) : "";
}

// Renders one item as `render` would; an exit status.
int renderItem(const RenderItemUnit& item) {
    RenderQueue::Output output;
    if (!RenderQueue::outputOf(item.outputChunk, output)) {
        printError(item.projectPath(), "the queue item's output settings cannot be read");
        return kExitUserError;
    }
    RenderSequence::Request request;
    request.project = item.projectPath(), request.out = item.outputPath();
    request.size = output.size, request.range = output.frames, request.renderer = output.renderer;
    request.fps = output.fps, request.codec = output.codec;
    if (item.variableIndex != 0) return renderBatches(request, batchText(item.variableIndex));
    if (!request.range.empty()) return renderFrames(request);
    return renderProject(request.project, request.out, request.size, std::nullopt, request.renderer);
}

bool waiting(const RenderItemUnit& item) {
    return item.selected && (item.renderStatus == RenderItemUnit::kNotRendered ||
                             item.renderStatus == RenderItemUnit::kRendering ||
                             item.renderStatus == RenderItemUnit::kRenderedPartial);
}

class QueueCommand : public Subcommand {
public:
    void declare(CLI::App& app) override {
        command_ = app.add_subcommand("queue", "A render queue: add renders to a queue file, list them, run them.");
        command_->require_subcommand(1);
        add_ = command_->add_subcommand("add", "Add a render to the queue (the file is made when missing).");
        add_->add_option("QUEUE", queue_, "the queue file")->required();
        add_->add_option("PROJECT", output_.project, "the project to render")->required();
        add_->add_option("-o,--output", output_.out, "an image, a sequence's name or a movie, as `render` takes it")
            ->required();
        add_->add_option("--frames", settings_.frames, "FIRST-LAST (default: a still of the current frame)");
        add_->add_option("--size", settings_.size, "WIDTHxHEIGHT (default: the project's)");
        add_->add_option("--renderer", settings_.renderer, "gl or raytrace")->check(CLI::IsMember({"gl", "raytrace"}));
        add_->add_option("--fps", settings_.fps, "a movie's frame rate");
        add_->add_option("--codec", settings_.codec, "a movie's codec");
        add_->add_option("--batch", batch_, "N or all: text batches, as `render --batch`");
        list_ = command_->add_subcommand("list", "List the queue's renders and how far each got.");
        list_->add_option("QUEUE", queue_, "the queue file")->required();
        run_ = command_->add_subcommand(
            "run", "Render every selected item not yet rendered (an item a stopped run left \"Rendering\" or "
                   "\"RenderedPartial\" again); items that failed stay as they are.");
        run_->add_option("QUEUE", queue_, "the queue file")->required();
    }

    int run() override {
        if (add_->parsed()) return add();
        if (list_->parsed()) return list();
        return runQueue();
    }

private:
    int add() {
        std::error_code failed;
        if (!std::filesystem::is_regular_file(output_.project, failed)) {
            printError(output_.project, "no such project");
            return kExitUserError;
        }
        const int code = OutputType::codeForPath(output_.out);
        if (code < 0) {
            printError(output_.out, "write a movie (.mov, .mp4, .avi) or an image (" +
                                        FileTypes::listed(FileType::kImage) + ")");
            return kExitUserError;
        }
        auto item = std::make_unique<RenderItemUnit>();
        const std::string project = std::filesystem::absolute(output_.project).lexically_normal().string(),
                          out = std::filesystem::absolute(output_.out).lexically_normal().string();
        if (!item->setProjectPath(project) || !item->setOutputPath(out)) {
            printError(output_.out, "the path is too long for a queue item");
            return kExitUserError;
        }
        if (!batch_.empty()) {
            char* end = nullptr;
            const long n = std::strtol(batch_.c_str(), &end, 10);
            if (batch_ != "all" && (*end != 0 || n < 1)) {
                printError("--batch", "takes a batch number from 1, or all, not " + batch_);
                return kExitUserError;
            }
            item->variableIndex = batch_ == "all" ? RenderQueue::kAllBatches : static_cast<int>(n);
        }
        item->selected = true;
        item->outputType = code;
        item->outputChunk = RenderQueue::chunkOf(settings_);
        RenderQueue queue;
        if (!readQueue(queue, queue_)) return kExitUserError;
        queue.items.push_back(std::move(item));
        return saveQueue(queue, queue_) ? kExitOk : kExitUserError;
    }

    int list() {
        RenderQueue queue;
        if (!readQueue(queue, queue_)) return kExitUserError;
        int n = 0;
        for (const auto& item : queue.items) {
            RenderQueue::Output output;
            RenderQueue::outputOf(item->outputChunk, output);
            std::printf("%d %s %s -> %s", ++n, item->selected ? "*" : "-", RenderItemUnit::statusName(item->renderStatus),
                        item->outputPath().c_str());
            std::printf("  (%s", item->projectPath().c_str());
            if (!output.frames.empty()) std::printf(", frames %s", output.frames.c_str());
            if (item->variableIndex != 0) std::printf(", batch %s", batchText(item->variableIndex).c_str());
            if (!output.size.empty()) std::printf(", %s", output.size.c_str());
            std::printf(")\n");
        }
        return kExitOk;
    }

    int runQueue() {
        RenderQueue queue;
        if (!readQueue(queue, queue_)) return kExitUserError;
        // Caught for the whole run: a signal between items stops it before the next.
        StopSignal stopSignal;
        const int total = static_cast<int>(queue.items.size());
        bool failed = false;
        for (int i = 0; i < total; ++i) {
            RenderItemUnit& item = *queue.items[static_cast<size_t>(i)];
            if (!waiting(item)) continue;
            if (int signal = StopSignal::caught()) return StopSignal::exitStatus(signal);
            printNote("Queue item %d of %d: %s", i + 1, total, item.outputPath().c_str());
            item.renderStatus = RenderItemUnit::kRendering;
            if (!saveQueue(queue, queue_)) return kExitUserError;
            const int status = renderItem(item);
            const int signal = StopSignal::caught();
            item.renderStatus = status == kExitOk ? RenderItemUnit::kRenderedOK
                                : signal != 0     ? RenderItemUnit::kRenderedPartial
                                                  : RenderItemUnit::kRenderedError;
            item.completedRenderStatus = item.renderStatus;
            if (!saveQueue(queue, queue_)) return kExitUserError;
            if (signal != 0) return StopSignal::exitStatus(signal);
            failed |= status != kExitOk;
        }
        return failed ? kExitUserError : kExitOk;
    }

    CLI::App *add_ = nullptr, *list_ = nullptr, *run_ = nullptr;
    std::string queue_, batch_;
    RenderSequence::Request output_;
    RenderQueue::Output settings_;
};

}  // namespace

std::unique_ptr<Subcommand> makeQueueCommand() { return std::make_unique<QueueCommand>(); }

}  // namespace fw
