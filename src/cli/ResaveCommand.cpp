// `resave`: a project, preferences, scene or library file loaded and written back.
#include <string>

#include "app/Console.h"
#include "app/OrvoSceneManager.h"
#include "cli/Documents.h"
#include "cli/LibraryCommand.h"
#include "cli/Subcommand.h"
#include "scene/SceneFile.h"
#include "scene/SceneX.h"

namespace fw {

namespace {

int resaveScene(const std::string& in, const std::string& out) {
    SceneFile::Loaded loaded = SceneFile::load(in);
    for (const std::string& warning : loaded.warnings) printError(in, warning);
    if (!loaded.scene) {
        printError(in, loaded.error);
        return kExitUserError;
    }
    std::string error;
    if (!SceneFile::save(*loaded.scene, out, error)) {
        printError(out, error);
        return kExitUserError;
    }
    return kExitOk;
}

int resave(const std::string& in, const std::string& out) {
    DocumentKind kind = documentKind(in);
    if (kind == DocumentKind::kScene) return resaveScene(in, out);
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    manager.resetSettings();  // the file alone decides what is written
    if (!loadProjectOrReport(manager, in)) return kExitUserError;
    bool preferences = isPreferences(kind, manager);
    if (!preferences && manager.readPreferenceLines())
        printError(in,
                   "holds lines of the preferences file (recent projects, saved text styles, user settings); "
                   "a project does not keep them, so they are not written to " +
                       out);
    if (!manager.writeFile(out, preferences)) {
        printError(out, "cannot be written");
        return kExitUserError;
    }
    return kExitOk;
}

class ResaveCommand : public Subcommand {
public:
    void declare(CLI::App& app) override {
        command_ =
            app.add_subcommand("resave", "Load a project, preferences or scene file and write it back (atomically).");
        command_->add_option("IN", in_, "file to load")->required();
        command_->add_option("OUT", out_, "file to write")->required();
    }
    int run() override {
        int status = LibraryCommand::resave(in_, out_);
        return status >= 0 ? status : resave(in_, out_);
    }

private:
    std::string in_, out_;
};

}  // namespace

std::unique_ptr<Subcommand> makeResaveCommand() { return std::make_unique<ResaveCommand>(); }

}  // namespace fw
