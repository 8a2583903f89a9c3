#include "cli/SceneOutput.h"

#include <unistd.h>

#include <filesystem>
#include <optional>

#include "app/Console.h"
#include "app/MeshExport.h"
#include "app/OrvoSceneManager.h"
#include "app/RenderJob.h"
#include "cli/Documents.h"
#include "cli/FileTypes.h"
#include "cli/RenderCommand.h"

namespace fw {

namespace {

int writeScene(const SceneOutput& output, const std::string& out, bool project, int width, int height,
               const SceneBuild& build) {
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    std::string subject, error;
    if (!build(manager, width, height, subject, error)) {
        printError(subject, error);
        return kExitUserError;
    }
    if (!applyLooks(session.app, output.looks, output.looks.style == output.builtEdge)) return kExitUserError;
    if (project) {
        if (!manager.writeFile(out, false)) {
            printError(out, "cannot be written");
            return kExitUserError;
        }
        return kExitOk;
    }
    MeshExport::Request request;
    request.out = out;
    return MeshExport::run(manager, request);
}

}  // namespace

int writeBuiltScene(const SceneOutput& output, const SceneBuild& build) {
    const std::string& out = output.out;
    bool image = FileTypes::names(FileType::kImage, out);
    const bool movie = FileTypes::names(FileType::kMovie, out);
    bool project = FileTypes::names(FileType::kProject, out);
    bool mesh = FileTypes::names(FileType::kMesh, out);
    if (!image && !movie && !project && !mesh) {
        printError(out, "write a project (.kxp), a mesh (" + FileTypes::listed(FileType::kMesh, ", ", false) +
                            "), an image (" + FileTypes::listed(FileType::kImage) + ") or a movie (" +
                            FileTypes::listed(FileType::kMovie, ", ") + ")");
        return kExitUserError;
    }
    if (!checkLooks(output.looks)) return kExitUserError;
    if (project && !mayReplace(out)) return kExitUserError;
    int width = 0, height = 0;
    if (!output.size.empty()) {
        if (mesh) {
            printError("--size", "a mesh has no picture size (give it with an image or a project)");
            return kExitUserError;
        }
        if (!RenderJob::parseSize(output.size, width, height)) {
            printError("--size", RenderJob::kSizeHelp);
            return kExitUserError;
        }
    }
    if (!image && !movie) return writeScene(output, out, project, width, height, build);
    // The picture is the one `render` gives of the saved project: the file keeps fewer
    // digits than the scene in memory, so the scene is rendered from its file. A movie
    // is its whole timeline.
    std::error_code failed;
    std::filesystem::path saved =
        std::filesystem::temp_directory_path(failed) / ("formwright-scene-" + std::to_string(getpid()) + ".kxp");
    int status = writeScene(output, saved.string(), true, width, height, build);
    if (status == kExitOk)
        status = movie ? renderTimeline(saved.string(), out) : renderProject(saved.string(), out, "", std::nullopt);
    std::filesystem::remove(saved, failed);
    return status;
}

}  // namespace fw
