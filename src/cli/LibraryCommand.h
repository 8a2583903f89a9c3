#pragma once
// The `library` command: list, import and export the style libraries kept in the
// user's swatch folders, and add looks of a project to them, remove and rename presets.

#include <memory>
#include <string>

#include "cli/Subcommand.h"

namespace fw {

class OrvoStyle;
class OrvoStyleManager;
class SceneX;

class LibraryCommand : public Subcommand {
public:
    // Adds "library" and its subcommands to the program's command line.
    void declare(CLI::App& app) override;

    // The "library" command itself, for more subcommands to join.
    CLI::App* command() const { return command_; }
    // Whether one of this command's subcommands was given; run() carries it out.
    bool parsed() const override;
    int run() override;

    // A library file (by extension) loaded and written back; -1 when `in` is not one.
    static int resave(const std::string& in, const std::string& out);

private:
    int list();
    int importFile();
    int exportKind();
    int sheet();
    int add();
    // The look `add` keeps, copied out of the project into `preset`; an exit status.
    int wrapLook(OrvoStyle& preset, SceneX& project);
    // `preset` kept under the name --as gives; an exit status.
    int keep(OrvoStyleManager& manager, std::unique_ptr<OrvoStyle> preset);
    int remove();
    int rename();

    CLI::App* list_ = nullptr;
    CLI::App* import_ = nullptr;
    CLI::App* export_ = nullptr;
    CLI::App* sheet_ = nullptr;
    CLI::App* add_ = nullptr;
    CLI::App* remove_ = nullptr;
    CLI::App* rename_ = nullptr;
    std::string listKind_;
    std::string importPath_;
    std::string onConflict_;
    std::string exportKind_;
    std::string exportPath_;
    bool textThumbnails_ = false;
    std::string thumbnailSize_;
    std::string sheetKind_;
    std::string sheetPath_;
    std::string addKind_, addProject_, addObject_, addName_;
    std::string removeKind_, removeName_;
    std::string renameKind_, renameFrom_, renameTo_;
};

}  // namespace fw
