#include "cli/Subcommand.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace fw {

namespace {

using Maker = std::unique_ptr<Subcommand> (*)();

const Maker kSubcommands[] = {makeResaveCommand, makeSetCommand, makeRenderCommand, makeTextCommand,
                              makeExportCommand, makeImportCommand,  makeGlyphsCommand,
                              makeInfoCommand,   makeLibraryCommand, makePrefsCommand,
                              makeQueueCommand, makeJoinCommand};

}  // namespace

std::vector<std::unique_ptr<Subcommand>> makeSubcommands() {
    std::vector<std::unique_ptr<Subcommand>> commands;
    for (Maker make : kSubcommands) commands.push_back(make());
    return commands;
}

const CLI::Validator kAboveZero(
    [](std::string& text) {
        char* end = nullptr;
        double value = std::strtod(text.c_str(), &end);
        if (end != text.c_str() && *end == 0 && value > 0 && std::isfinite(value)) return std::string();
        return "takes a number above 0, not " + text;
    },
    "NUMBER>0");

}  // namespace fw
