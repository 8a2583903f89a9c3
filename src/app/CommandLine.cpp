#include "app/CommandLine.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <new>
#include <string>

namespace fw {

const char* versionText() { return "formwright " FW_VERSION; }

namespace {

void printError(const std::string& subject, const std::string& what) {
    if (subject.empty())
        std::fprintf(stderr, "formwright: %s\n", what.c_str());
    else
        std::fprintf(stderr, "formwright: %s: %s\n", subject.c_str(), what.c_str());
}

int parseAndRun(int argc, char** argv) {
    CLI::App app{"Formwright: 3D titles and logos from fonts and outlines, rendered headless.",
                 "formwright"};
    app.set_version_flag("--version", std::string(versionText()));
    app.require_subcommand(0, 1);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        std::printf("%s\n", versionText());
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        printError("", e.what());
        std::fprintf(stderr, "Run 'formwright --help' for usage.\n");
        return kExitUserError;
    }
    if (argc <= 1) std::fputs(app.help().c_str(), stdout);
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
