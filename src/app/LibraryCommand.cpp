#include "app/LibraryCommand.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ContactSheet.h"
#include "app/VeltraneApp.h"
#include "library/ImportConflicts.h"
#include "library/OrvoLightManager.h"
#include "library/OrvoLightingStyleManager.h"
#include "library/OrvoMaterialManager.h"
#include "library/OrvoObjectStyleManager.h"
#include "platform/Dialogs.h"
#include "surface/Picture.h"

namespace fw {

namespace {

const OrvoStyleManager::Kind* const kKinds[] = {
    &OrvoMaterialManager::materials(), &OrvoLightManager::lights(), &OrvoObjectStyleManager::objectStyles(),
    &OrvoLightingStyleManager::lightingStyles()};

std::string lowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

const OrvoStyleManager::Kind* kindOfFile(const std::string& path) {
    std::string extension = lowerExtension(path);
    for (const auto* kind : kKinds)
        if (extension == kind->extension) return kind;
    return nullptr;
}

OrvoStyleManager* managerOf(VeltraneApp& app, const OrvoStyleManager::Kind* kind) {
    for (OrvoStyleManager* manager : app.styleManagers())
        if (&manager->kind() == kind) return manager;
    return nullptr;
}

// The program with its libraries installed and the swatch folders loaded.
struct LibrarySession {
    VeltraneApp app;
    LibrarySession() {
        VeltraneApp::installLibraries();
        app.initialise(true, false);
        app.loadSwatches();
    }
};

void printLoadProblems(const std::string& path, const OrvoStyleManager::Load& load) {
    for (const std::string& warning : load.warnings) printError(path, warning);
    if (!load.error.empty()) printError(path, load.error);
}

// What KIND takes: each kind's word.
std::vector<std::string> kindWords() {
    std::vector<std::string> words;
    for (const auto* kind : kKinds) words.push_back(kind->word);
    return words;
}

}  // namespace

LibraryCommand::LibraryCommand(CLI::App& app) {
    library_ = app.add_subcommand("library", "The style libraries in the user's swatch folders: materials, lights, "
                                             "object styles and lighting styles.");
    library_->require_subcommand(1, 1);
    list_ = library_->add_subcommand("list", "Print the presets' names, one per line.");
    list_->add_option("KIND", listKind_, "materials, lights, styles or lighting (default: all four, each under "
                                         "its heading)")
        ->check(CLI::IsMember(kindWords()));
    import_ = library_->add_subcommand("import", "Add a library file's presets to the swatch folders.");
    import_->add_option("FILE", importPath_, "library file: .kxm (materials), .kxl (lights), .kxs (object "
                                             "styles) or .kxi (lighting styles)")
        ->required();
    import_->add_option("--on-conflict", onConflict_, "what to do with a preset whose name is taken: replace, "
                                                      "rename or ignore (default: ask; headless, --yes replaces, "
                                                      "--no ignores, otherwise the new one is renamed)")
        ->check(CLI::IsMember({"replace", "rename", "ignore"}));
    export_ = library_->add_subcommand("export", "Write one library as a library file.");
    export_->add_option("KIND", exportKind_, "materials, lights, styles or lighting")
        ->required()
        ->check(CLI::IsMember(kindWords()));
    export_->add_option("-o,--output", exportPath_, "library file with the kind's extension (.kxm, .kxl, .kxs, .kxi)")
        ->required();
    sheet_ = library_->add_subcommand("sheet", "Write a contact sheet: every preset's swatch with its name.");
    sheet_->add_option("KIND", sheetKind_, "materials, lights, styles or lighting")
        ->required()
        ->check(CLI::IsMember(kindWords()));
    sheet_->add_option("-o,--output", sheetPath_, "image file (.png, .tga, .jpg, .tif, .bmp, .jp2 or .exr)")
        ->required();
    export_->add_flag("--text-thumbnails", textThumbnails_, "thumbnails as hexadecimal text instead of raw bytes");
    export_->add_option("--thumbnails", thumbnailSize_, "WIDTHxHEIGHT: render each preset's swatch at this size "
                                                       "first where the one kept is stale or of another size "
                                                       "(default: the thumbnails as kept)");
}

bool LibraryCommand::parsed() const {
    return library_->parsed() && (list_->parsed() || import_->parsed() || export_->parsed() || sheet_->parsed());
}

int LibraryCommand::run() {
    if (list_->parsed()) return list();
    if (import_->parsed()) return importFile();
    if (export_->parsed()) return exportKind();
    if (sheet_->parsed()) return sheet();
    return kExitUserError;
}

int LibraryCommand::list() {
    LibrarySession session;
    for (const auto* kind : kKinds) {
        if (!listKind_.empty() && listKind_ != kind->word) continue;
        OrvoStyleManager* manager = managerOf(session.app, kind);
        if (listKind_.empty()) std::printf("%s:\n", kind->word);
        for (const std::string& name : manager->names())
            std::printf("%s%s\n", listKind_.empty() ? "  " : "", Dialogs::escaped(name).c_str());
    }
    return kExitOk;
}

int LibraryCommand::importFile() {
    const OrvoStyleManager::Kind* kind = kindOfFile(importPath_);
    if (!kind) {
        printError(importPath_, "is not a library file: give a .kxm, .kxl, .kxs or .kxi file");
        return kExitUserError;
    }
    LibrarySession session;
    OrvoStyleManager* manager = managerOf(session.app, kind);
    ImportConflicts::Answer answer;
    ImportConflicts conflicts =
        ImportConflicts::parse(onConflict_, answer) ? ImportConflicts(answer) : ImportConflicts();
    OrvoStyleManager::Load load = manager->import(importPath_, conflicts);
    printLoadProblems(importPath_, load);
    if (!load.ok && load.presets == 0) {
        if (load.error.empty()) printError(importPath_, "cannot be read");
        return kExitUserError;
    }
    if (load.found == 0) {  // empty, or not a library at all: nothing to take in is a mistake
        printError(importPath_, std::string("holds no ") + kind->word + "; it is empty or not a library file");
        return kExitUserError;
    }
    if (!manager->saveSwatches(VeltraneApp::userLibraries())) {
        printError(manager->swatchFolder(VeltraneApp::userLibraries()), "cannot be written");
        return kExitUserError;
    }
    std::printf("%d %s imported; the library holds %d\n", load.presets, kind->word, manager->presetCount());
    return kExitOk;
}

int LibraryCommand::exportKind() {
    const OrvoStyleManager::Kind* kind = nullptr;
    for (const auto* k : kKinds)
        if (exportKind_ == k->word) kind = k;
    if (lowerExtension(exportPath_) != kind->extension) {
        printError(exportPath_, std::string("a library of ") + kind->word + " is a " + kind->extension + " file");
        return kExitUserError;
    }
    int width = 0, height = 0;
    char tail = 0;
    if (!thumbnailSize_.empty() &&
        (std::sscanf(thumbnailSize_.c_str(), "%dx%d%c", &width, &height, &tail) != 2 || width <= 0 || height <= 0 ||
         width > ThumbnailRecord::kMaxSide || height > ThumbnailRecord::kMaxSide)) {
        printError("--thumbnails", "give WIDTHxHEIGHT, each side 1 to " + std::to_string(ThumbnailRecord::kMaxSide));
        return kExitUserError;
    }
    if (!mayReplace(exportPath_)) return kExitUserError;
    LibrarySession session;
    OrvoStyleManager* manager = managerOf(session.app, kind);
    manager->setTextOnly(textThumbnails_);
    for (int i = 0; width > 0 && i < manager->presetCount(); ++i) {
        OrvoStyle& preset = manager->preset(i);
        preset.setRequestedThumbnailSize(width, height);
        if (!preset.thumbnail(width, height)) printError(preset.name(), "its swatch could not be rendered");
    }
    // Rendered swatches are kept with the presets, so the next run need not draw them.
    if (width > 0) manager->saveSwatches(VeltraneApp::userLibraries());
    std::string error;
    if (!manager->writeLibrary(exportPath_, error)) {
        printError(exportPath_, error);
        return kExitUserError;
    }
    return kExitOk;
}

int LibraryCommand::sheet() {
    const OrvoStyleManager::Kind* kind = nullptr;
    for (const auto* k : kKinds)
        if (sheetKind_ == k->word) kind = k;
    LibrarySession session;
    OrvoStyleManager* manager = managerOf(session.app, kind);
    std::vector<ContactSheet::Swatch> swatches;
    bool rendered = false;
    for (int i = 0; i < manager->presetCount(); ++i) {
        OrvoStyle& preset = manager->preset(i);
        const int w = ContactSheet::kSwatchWidth, h = ContactSheet::kSwatchHeight;
        rendered = rendered || preset.thumbnailStale() || !preset.currentThumbnail() ||
                   preset.currentThumbnail()->width() != w || preset.currentThumbnail()->height() != h;
        preset.setRequestedThumbnailSize(w, h);
        const Picture* picture = preset.thumbnail(w, h);
        if (!picture) printError(preset.name(), "its swatch could not be rendered");
        swatches.push_back({preset.name(), picture});
    }
    // Swatches drawn for the sheet are kept with the presets, so the next sheet is quick.
    if (rendered) manager->saveSwatches(VeltraneApp::userLibraries());
    std::string error;
    if (!ContactSheet::write(swatches, sheetPath_, error)) {
        printError(sheetPath_, error);
        return kExitUserError;
    }
    return kExitOk;
}

int LibraryCommand::resave(const std::string& in, const std::string& out) {
    const OrvoStyleManager::Kind* kind = kindOfFile(in);
    if (!kind) return -1;
    OrvoStyleManager manager(*kind);
    OrvoStyleManager::Load load = manager.readLibrary(in);
    printLoadProblems(in, load);
    if (!load.ok && load.presets == 0) {
        if (load.error.empty()) printError(in, "cannot be read");
        return kExitUserError;
    }
    std::string error;
    if (!manager.writeLibrary(out, error)) {
        printError(out, error);
        return kExitUserError;
    }
    return kExitOk;
}

}  // namespace fw
