#pragma once
// One subcommand of the command line: it declares its options and, when the user
// gave it, runs. The program's subcommands are one table (Subcommand.cpp), in the
// order --help lists them.

#include <CLI/CLI.hpp>
#include <memory>
#include <vector>

namespace fw {

class Subcommand {
public:
    virtual ~Subcommand() = default;
    // Adds the subcommand and its options to the program's command line.
    virtual void declare(CLI::App& app) = 0;
    // Whether the user gave this subcommand; run() carries it out.
    virtual bool parsed() const { return command_ && command_->parsed(); }
    virtual int run() = 0;
    // Every subcommand but glyphs reads the libraries or the preferences.
    virtual bool usesLibraries() const { return true; }

protected:
    CLI::App* command_ = nullptr;
};

// Every subcommand, in the order they are declared and listed.
std::vector<std::unique_ptr<Subcommand>> makeSubcommands();

std::unique_ptr<Subcommand> makeResaveCommand();
std::unique_ptr<Subcommand> makeSetCommand();
std::unique_ptr<Subcommand> makeRenderCommand();
std::unique_ptr<Subcommand> makeTextCommand();
std::unique_ptr<Subcommand> makeExportCommand();
std::unique_ptr<Subcommand> makeImportCommand();
std::unique_ptr<Subcommand> makeGlyphsCommand();
std::unique_ptr<Subcommand> makeInfoCommand();
std::unique_ptr<Subcommand> makeLibraryCommand();
std::unique_ptr<Subcommand> makePrefsCommand();
std::unique_ptr<Subcommand> makeQueueCommand();
std::unique_ptr<Subcommand> makeJoinCommand();

// A length that must be above zero; CLI11's own check prints its whole range.
extern const CLI::Validator kAboveZero;

}  // namespace fw
