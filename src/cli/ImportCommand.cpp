// `import`: a mesh file's objects brought into a new or an existing project.
#include <string>

#include "app/Console.h"
#include "app/MeshImport.h"
#include "app/OrvoSceneManager.h"
#include "cli/Documents.h"
#include "cli/FileTypes.h"
#include "cli/Looks.h"
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
        if (status != kExitOk || !looks.any()) return status;
    }
    // The looks go on the project as written, so the import keeps one way of writing it.
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    if (!loadProjectOrReport(manager, project)) return kExitUserError;
    applyLooks(session.app, looks);
    return MeshImport::save(manager, project);
}

class ImportCommand : public Subcommand {
public:
    void declare(CLI::App& app) override {
        command_ = app.add_subcommand(
            "import", "Bring a mesh file into a project: each object of the file becomes a custom object.");
        command_->add_option("FILE", in_, "mesh file: " + FileTypes::listed(FileType::kMeshIn))->required();
        auto* outOption = command_->add_option("-o,--output", out_, "new project (.kxp) holding the mesh");
        command_->add_option("--into", into_, "existing project (.kxp) to add the mesh to, saved in place")
            ->excludes(outOption);
        addLookOptions(*command_, looks_);
    }

    int run() override {
        if (out_.empty() && into_.empty()) {
            printError("import", "give the project to write with -o OUT.kxp, or one to add to with --into P.kxp");
            return kExitUserError;
        }
        return importMesh(in_, out_, into_, looks_);
    }

private:
    std::string in_, out_, into_;
    Looks looks_;
};

}  // namespace

std::unique_ptr<Subcommand> makeImportCommand() { return std::make_unique<ImportCommand>(); }

}  // namespace fw
