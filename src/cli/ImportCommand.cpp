// `import`: a mesh file's objects brought into a new or an existing project, or an
// artwork file's outlines built into bevelled solids.
#include <string>

#include "app/Console.h"
#include "app/LogoScene.h"
#include "app/MeshImport.h"
#include "artwork/ArtworkReader.h"
#include "app/OrvoSceneManager.h"
#include "cli/Documents.h"
#include "cli/FileTypes.h"
#include "cli/Looks.h"
#include "cli/SceneOutput.h"
#include "cli/Subcommand.h"

namespace fw {

namespace {

int importMesh(const std::string& file, const std::string& out, const std::string& into, const Looks& looks) {
    if (!checkLooks(looks)) return kExitUserError;
    if (into.empty() && !mayReplace(out)) return kExitUserError;
    const std::string& project = into.empty() ? out : into;
    {
        Session session;
        OrvoSceneManager& manager = session.app.sceneManager();
        if (!into.empty() && !loadProjectOrReport(manager, into)) return kExitUserError;
        int status = MeshImport::run(manager, file, project, into.empty());
        if (status != kExitOk || (!looks.any() && !looks.finish.any())) return status;
    }
    // The looks go on the project as written, so the import keeps one way of writing it.
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    if (!loadProjectOrReport(manager, project)) return kExitUserError;
    if (!applyLooks(session.app, looks)) return kExitUserError;
    return MeshImport::save(manager, project);
}

// What only artwork takes, as typed.
struct ArtworkRequest {
    std::string layer, size;
    bool layers = false;
    double depth = 0;
};

LogoScene::Options logoOptions(const std::string& file, const Looks& looks, const ArtworkRequest& art) {
    LogoScene::Options options;
    options.file = file;
    options.layer = art.layer;
    options.perLayer = art.layers;
    options.depth = art.depth;
    if (isEdgeName(looks.style)) options.edge = looks.style;
    return options;
}

int importLogo(const std::string& file, const std::string& out, const Looks& looks, const ArtworkRequest& art) {
    LogoScene::Options options = logoOptions(file, looks, art);
    SceneOutput output{out, art.size, looks, options.edge};
    return writeBuiltScene(output, [&](OrvoSceneManager& manager, int width, int height, std::string& subject,
                                       std::string& error) {
        options.width = width, options.height = height;
        return LogoScene::build(manager, options, subject, error);
    });
}

// The logo added beside what the project holds, its objects alone dressed by --material.
int addLogo(const std::string& file, const std::string& into, const Looks& looks, const ArtworkRequest& art) {
    if (!checkLooks(looks)) return kExitUserError;
    if (!looks.style.empty() && !isEdgeName(looks.style)) {
        printError("--style", "with --into, give an edge profile: the project's own objects keep their styles");
        return kExitUserError;
    }
    if (!art.size.empty()) {
        printError("--size", "the project keeps its own picture size");
        return kExitUserError;
    }
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    if (!loadProjectOrReport(manager, into)) return kExitUserError;
    LogoScene::Options options = logoOptions(file, looks, art);
    options.beside = true;
    std::string subject, error;
    std::vector<std::string> styles;
    if (!LogoScene::build(manager, options, subject, error, &styles)) {
        printError(subject, error);
        return kExitUserError;
    }
    if (!applyLooksToStyles(session.app, looks, styles)) return kExitUserError;
    return MeshImport::save(manager, into);
}

class ImportCommand : public Subcommand {
public:
    void declare(CLI::App& app) override {
        command_ = app.add_subcommand(
            "import",
            "Bring a mesh file into a project: each object of the file becomes a custom object. Or build "
            "artwork (a logo) into bevelled solids: each path, compound path or group becomes an extruded "
            "object wearing a material of its fill colour, written as a project, a mesh or an image.");
        command_
            ->add_option("FILE", in_,
                         "mesh file (" + FileTypes::listed(FileType::kMeshIn) + ") or artwork (" +
                             ArtworkReader::extensions() + ")")
            ->required();
        auto* outOption = command_->add_option(
            "-o,--output", out_, "new project (.kxp) holding the mesh; for artwork also a mesh or an image");
        command_
            ->add_option("--into", into_,
                         "existing project (.kxp) to add the mesh to, saved in place; artwork is placed to the "
                         "right of the visible objects, as tall as they are, and the default camera takes in both")
            ->excludes(outOption);
        addLookOptions(*command_, looks_);
        artOptions_.push_back(command_->add_option("--layer", art_.layer,
                                                   "artwork: only this layer's paths, as one object named after it"));
        artOptions_.push_back(command_->add_flag("--layers", art_.layers, "artwork: one object per visible layer"));
        artOptions_.push_back(
            command_->add_option("--depth", art_.depth, "artwork: depth of the solids in points (default 15% of "
                                                        "the artwork's mean side)")
                ->check(kAboveZero));
        artOptions_.push_back(command_->add_option(
            "--size", art_.size, "artwork: WIDTHxHEIGHT of the picture, kept as the project's render size"));
        artOptions_[0]->excludes(artOptions_[1]);
    }

    int run() override {
        if (ArtworkReader::isArtwork(in_)) {
            if (!into_.empty()) return addLogo(in_, into_, looks_, art_);
            if (out_.empty()) {
                printError("import", "give the project, mesh or image to write with -o OUT");
                return kExitUserError;
            }
            return importLogo(in_, out_, looks_, art_);
        }
        for (CLI::Option* option : artOptions_)
            if (option->count() > 0) {
                printError(option->get_name(), "is taken by artwork files (" + std::string(ArtworkReader::extensions()) +
                                                   "), not by meshes");
                return kExitUserError;
            }
        if (out_.empty() && into_.empty()) {
            printError("import", "give the project to write with -o OUT.kxp, or one to add to with --into P.kxp");
            return kExitUserError;
        }
        return importMesh(in_, out_, into_, looks_);
    }

private:
    std::string in_, out_, into_;
    Looks looks_;
    ArtworkRequest art_;
    std::vector<CLI::Option*> artOptions_;
};

}  // namespace

std::unique_ptr<Subcommand> makeImportCommand() { return std::make_unique<ImportCommand>(); }

}  // namespace fw
