#pragma once
// The `library` command: list, import and export the style libraries kept in the
// user's swatch folders, and add looks of a project to them, remove and rename presets.

#include <string>

namespace CLI {
class App;
}

namespace fw {

class LibraryCommand {
public:
    // Adds "library" and its subcommands to the program's command line.
    explicit LibraryCommand(CLI::App& app);

    // The "library" command itself, for more subcommands to join.
    CLI::App* command() const { return library_; }
    // Whether one of this command's subcommands was given; run() carries it out.
    bool parsed() const;
    int run();

    // A library file (by extension) loaded and written back; -1 when `in` is not one.
    static int resave(const std::string& in, const std::string& out);

private:
    int list();
    int importFile();
    int exportKind();
    int sheet();
    int add();
    int remove();
    int rename();

    CLI::App* library_ = nullptr;
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
