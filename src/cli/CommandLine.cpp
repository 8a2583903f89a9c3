#include "cli/CommandLine.h"

#include <unistd.h>
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "app/Console.h"
#include "app/DocumentTypes.h"
#include "app/FactoryLibrary.h"
#include "app/OrvoSceneManager.h"
#include "app/Registration.h"
#include "app/VeltraneApp.h"
#include "cli/Documents.h"
#include "cli/Subcommand.h"
#include "library/OrvoLightManager.h"
#include "library/OrvoLightingStyleManager.h"
#include "library/OrvoMaterialManager.h"
#include "library/OrvoObjectStyleManager.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"

namespace fw {

const char* versionText() { return "formwright " FW_VERSION; }

namespace {

// The options of the program itself, which apply after any command too.
struct GlobalOptions {
    std::string project, libraryFolder;
    bool yes = false, no = false, quiet = false;
};

void declareGlobals(CLI::App& app, GlobalOptions& g) {
    app.set_version_flag("--version", std::string(versionText()));
    app.require_subcommand(0, 1);
    app.fallthrough();
    app.add_option("PROJECT", g.project, "project to open (.kxp or .kxa) and summarise");
    app.add_option("--library-folder", g.libraryFolder,
                   "folder that holds Veltrane/Libraries (default: $HOME/Documents)");
    auto* yesFlag = app.add_flag("-y,--yes", g.yes,
                                 "answer the program's questions with Yes (an existing project or "
                                 "library file is replaced)");
    app.add_flag("-q,--quiet", g.quiet, "no summaries or progress, only errors");
    app.add_flag("-n,--no", g.no,
                 "answer the program's questions with No (an existing project or library file is "
                 "kept and the command fails)")
        ->excludes(yesFlag);
}

// Every command's help, its subcommands' included, names the global options.
void addFooters(CLI::App& app) {
    const std::string globals =
        "\nOptions of every command:\n"
        "  --library-folder DIR        folder that holds Veltrane/Libraries and the preferences\n"
        "                              (default: $HOME/Documents)\n"
        "  -y,--yes                    answer Yes: an existing project or library file is replaced\n"
        "  -n,--no                     answer No: an existing project or library file is kept, and\n"
        "                              the command fails\n"
        "  -q,--quiet                  no summaries or progress, only errors\n"
        "Images, movies and meshes already there are replaced; projects and library files only\n"
        "with --yes (a terminal is asked). Every command starts from the program's defaults.";
    std::vector<CLI::App*> commands = app.get_subcommands([](CLI::App*) { return true; });
    for (size_t i = 0; i < commands.size(); ++i) {
        commands[i]->footer(globals);
        for (CLI::App* inner : commands[i]->get_subcommands([](CLI::App*) { return true; })) commands.push_back(inner);
    }
}

// A first word that is neither a command nor a project is a mistyped command: say
// so, rather than letting the rest of the line look like unexpected arguments.
bool mistypedCommand(const CLI::App& app, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--library-folder") {
            ++i;
            continue;
        }
        if (word.rfind('-', 0) == 0) continue;
        std::vector<std::string> commands;
        for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; }))
            commands.push_back(command->get_name());
        if (std::find(commands.begin(), commands.end(), word) != commands.end() || DocumentTypes::isProjectName(word))
            return false;
        std::error_code failed;
        if (std::filesystem::exists(word, failed)) return false;  // opened as a project, which says what is wrong
        std::string text = "no such command; the closest are";
        std::vector<std::string> close = FactoryLibrary::closeNames(word, commands, 3);
        for (size_t k = 0; k < close.size(); ++k) text += (k ? ", " : " ") + close[k];
        printError(word, text + " (formwright --help lists them all)");
        return true;
    }
    return false;
}

// The exit status when parsing ends the run (help, version, a mistake); none otherwise.
std::optional<int> parse(CLI::App& app, int argc, char** argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion&) {
        std::printf("%s\n", versionText());
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        printError("", e.what());
        std::fprintf(stderr, "Run 'formwright --help' for usage.\n");
        return kExitUserError;
    }
    return std::nullopt;
}

// Every command but glyphs reads the libraries or the preferences: a folder that
// cannot hold them is the user's to fix, said once before any work.
bool librariesUsable(const std::string& libraryFolder) {
    const std::string libraries = VeltraneApp::userLibraries();
    if (!Folders::ensureFolder(libraries) || !Folders::isWritable(libraries)) {
        printError(libraryFolder.empty() ? libraries : libraryFolder,
                   "cannot hold the libraries and preferences: give --library-folder a folder that can be written");
        return false;
    }
    // A swatch folder that is there but cannot be read would pass for an empty library.
    for (const OrvoStyleManager::Kind* kind :
         {&OrvoMaterialManager::materials(), &OrvoLightManager::lights(), &OrvoObjectStyleManager::objectStyles(),
          &OrvoLightingStyleManager::lightingStyles()}) {
        const std::string folder = libraries + "/" + OrvoStyleManager::kSwatchRoot + "/" + kind->swatchFolder;
        std::error_code failed;
        if (!std::filesystem::exists(folder, failed)) continue;
        if (!std::filesystem::is_directory(folder, failed) || ::access(folder.c_str(), R_OK | X_OK) != 0) {
            printError(folder, std::string("the ") + kind->word +
                                   " swatch folder cannot be read: it is not a "
                                   "folder this user can read; move it aside and the factory presets come back");
            return false;
        }
    }
    return true;
}

// The desktop program's one argument: open the project, show it, and quit the usual way.
int openProject(const std::string& path) {
    if (!DocumentTypes::isProjectName(path)) {
        printError(path, "is not a project: give a .kxp or .kxa file (import brings in meshes)");
        return kExitUserError;
    }
    if (Folders::isSpecialFile(path)) {
        printError(path, "is not a regular file");
        return kExitUserError;
    }
    if (!Folders::isRegularFile(path)) {
        printError(path, "cannot be read: there is no such file");
        return kExitUserError;
    }
    Session session;
    Dialogs::instance().setSubject(path);
    bool opened = session.app.openAtStart(path);
    Dialogs::instance().setSubject("");
    if (!opened) return kExitUserError;
    for (const std::string& warning : session.app.sceneManager().lastLoad().warnings) printError(path, warning);
    printSummary(*session.app.sceneManager().scene());
    session.app.exit();
    return kExitOk;
}

int parseAndRun(int argc, char** argv) {
    CLI::App app{"Formwright: 3D titles and logos from fonts and outlines, rendered headless.", "formwright"};
    GlobalOptions globals;
    declareGlobals(app, globals);
    std::vector<std::unique_ptr<Subcommand>> commands = makeSubcommands();
    for (const auto& command : commands) command->declare(app);
    addFooters(app);
    if (mistypedCommand(app, argc, argv)) return kExitUserError;
    if (std::optional<int> status = parse(app, argc, argv)) return *status;

    if (!globals.libraryFolder.empty()) Folders::instance().setDocuments(globals.libraryFolder);
    Subcommand* chosen = nullptr;
    for (const auto& command : commands)
        if (command->parsed()) chosen = command.get();
    const bool working = chosen ? chosen->usesLibraries() : !app.get_subcommands().empty() || !globals.project.empty();
    if (working && !librariesUsable(globals.libraryFolder)) return kExitUserError;
    setQuiet(globals.quiet);
    Dialogs::instance().setPolicy(globals.yes  ? Dialogs::kAlwaysYes
                                  : globals.no ? Dialogs::kAlwaysNo
                                               : Dialogs::kSafeAnswer);
    registerAllClasses();

    if (chosen) return chosen->run();
    if (!globals.project.empty()) return openProject(globals.project);
    std::fputs(app.help().c_str(), stdout);
    return kExitOk;
}

}  // namespace

int runCommandLine(int argc, char** argv) {
    try {
        return parseAndRun(argc, argv);
    } catch (const std::bad_alloc&) {
        printError("", "out of memory");
    } catch (const std::exception& e) {
        printError("", std::string("internal error: ") + e.what());
    } catch (...) {
        printError("", "internal error");
    }
    return kExitInternal;
}

}  // namespace fw
