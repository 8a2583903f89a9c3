// `set`: settings lines of a saved project changed in place, all or none.
#include <string>
#include <vector>

#include "app/Console.h"
#include "app/OrvoSceneManager.h"
#include "cli/Documents.h"
#include "cli/Finish.h"
#include "cli/Subcommand.h"

namespace fw {

namespace {

class SetCommand : public Subcommand {
public:
    void declare(CLI::App& app) override {
        command_ = app.add_subcommand("set",
                                      "Change settings lines of a saved project (KEYWORD=VALUE, as the project "
                                      "file writes them); the project is written back only when every one is "
                                      "taken, atomically.");
        command_->add_option("PROJECT", project_, "the project (.kxp) to change")->required();
        command_->add_option("SETTING", settings_, "KEYWORD=VALUE, for example AntiAliasLevel=3")->required();
    }
    int run() override {
        Session session;
        OrvoSceneManager& manager = session.app.sceneManager();
        manager.resetSettings();  // the file alone decides what is kept
        if (!loadProjectOrReport(manager, project_)) return kExitUserError;
        for (const std::string& assignment : settings_)
            if (!applySetting(manager, assignment, project_)) return kExitUserError;
        if (!manager.writeFile(project_, false)) {
            printError(project_, "cannot be written");
            return kExitUserError;
        }
        return kExitOk;
    }

private:
    std::string project_;
    std::vector<std::string> settings_;
};

}  // namespace

std::unique_ptr<Subcommand> makeSetCommand() { return std::make_unique<SetCommand>(); }

}  // namespace fw
