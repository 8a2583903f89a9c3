#include "cli/LibraryCommand.h"

#include <unistd.h>
#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Console.h"
#include "app/ContactSheet.h"
#include "app/FactoryLibrary.h"
#include "app/OrvoSceneManager.h"
#include "app/PresetApply.h"
#include "app/TitleScene.h"
#include "app/VeltraneApp.h"
#include "cli/FileTypes.h"
#include "geometry/ObjectP.h"
#include "geometry/ObjectX.h"
#include "geometry/ObjectXStyle.h"
#include "library/ImportConflicts.h"
#include "library/OrvoLightManager.h"
#include "library/OrvoLightingStyleManager.h"
#include "library/OrvoMaterialManager.h"
#include "library/OrvoObjectStyleManager.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "render/Light.h"
#include "scene/SceneX.h"
#include "surface/MaterialStack.h"
#include "surface/MaterialX.h"
#include "surface/Picture.h"

namespace fw {

namespace {

const OrvoStyleManager::Kind* const kKinds[] = {&OrvoMaterialManager::materials(), &OrvoLightManager::lights(),
                                                &OrvoObjectStyleManager::objectStyles(),
                                                &OrvoLightingStyleManager::lightingStyles()};

const OrvoStyleManager::Kind* kindOfFile(const std::string& path) {
    std::string extension = Folders::lowerExtension(path);
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
        app.initialise();
        app.loadSwatches();
    }
};

void printLoadProblems(const std::string& path, const OrvoStyleManager::Load& load) {
    for (const std::string& warning : load.warnings) printError(path, warning);
    if (!load.error.empty()) printError(path, load.error);
}

// A preset's name on a line of its own: a line feed in it is shown, not obeyed.
std::string listedName(const std::string& name) {
    std::string text = Dialogs::escaped(name), out;
    for (char c : text) out += c == '\n' ? std::string("\\x0a") : std::string(1, c);
    return out;
}

// What KIND takes: each kind's word.
std::vector<std::string> kindWords() {
    std::vector<std::string> words;
    for (const auto* kind : kKinds) words.push_back(kind->word);
    return words;
}

const OrvoStyleManager::Kind* kindOfWord(const std::string& word) {
    for (const auto* kind : kKinds)
        if (word == kind->word) return kind;
    return nullptr;
}

// "no such WHAT; the closest are "A", "B"" (or that there is none to offer).
std::string noSuch(const std::string& what, const std::string& name, const std::vector<std::string>& known) {
    std::vector<std::string> close = FactoryLibrary::closeNames(name, known);
    std::string text = "no such " + what + (close.empty() ? "; there is none" : "; the closest are");
    for (size_t i = 0; i < close.size(); ++i) text += (i ? ", \"" : " \"") + close[i] + "\"";
    return text;
}

// The names of the scene's members of a kind.
std::vector<std::string> memberNames(SceneX& scene, int kind) {
    std::vector<std::string> names;
    for (int i = 0; i < scene.memberCount(kind); ++i) names.push_back(scene.member(kind, i)->name());
    return names;
}

// The material an object shows on its face: the top of the face's stack that names one.
MaterialX* faceMaterial(SceneMember& object) {
    MaterialStack* stack = nullptr;
    if (auto* extruded = dynamic_cast<ObjectX*>(&object))
        stack = extruded->style() ? extruded->style()->partStack(0) : nullptr;
    else if (auto* primitive = dynamic_cast<ObjectP*>(&object))
        stack = primitive->materialSlotCount() > 0 ? primitive->materialStack(0) : nullptr;
    for (int i = stack ? stack->itemCount() : 0; i-- > 0;)
        if (auto* material = dynamic_cast<MaterialX*>(stack->item(i).material())) return material;
    return nullptr;
}

// A light as presets keep it: placed in units of the camera's distance from the subject,
// as the project's looks are put back by PresetApply.
Light* presetLight(SceneX& into, const Light& light, SceneX& project) {
    return &PresetApply::addLight(into, light, 1.0 / PresetApply::lightScale(project));
}

}  // namespace

void LibraryCommand::declare(CLI::App& app) {
    command_ = app.add_subcommand("library",
                                  "The style libraries in the user's swatch folders: materials, lights, "
                                  "object styles and lighting styles.");
    command_->require_subcommand(1, 1);
    list_ = command_->add_subcommand("list", "Print the presets' names, one per line.");
    std::vector<std::string> listable = kindWords();
    listable.push_back("edges");
    list_
        ->add_option("KIND", listKind_,
                     "materials, lights, styles, lighting or edges (the built-in edge profiles, "
                     "which a style option also takes; default: all five, each under its heading)")
        ->check(CLI::IsMember(listable));
    import_ = command_->add_subcommand("import", "Add a library file's presets to the swatch folders.");
    import_
        ->add_option("FILE", importPath_,
                     "library file: .kxm (materials), .kxl (lights), .kxs (object "
                     "styles) or .kxi (lighting styles)")
        ->required();
    import_
        ->add_option("--on-conflict", onConflict_,
                     "what to do with a preset whose name is taken: replace, "
                     "rename or ignore (default: ask; headless, --yes replaces, "
                     "--no ignores, otherwise the new one is renamed)")
        ->check(CLI::IsMember({"replace", "rename", "ignore"}));
    export_ = command_->add_subcommand("export", "Write one library as a library file.");
    export_->add_option("KIND", exportKind_, "materials, lights, styles or lighting")
        ->required()
        ->check(CLI::IsMember(kindWords()));
    export_->add_option("-o,--output", exportPath_, "library file with the kind's extension (.kxm, .kxl, .kxs, .kxi)")
        ->required();
    sheet_ = command_->add_subcommand("sheet", "Write a contact sheet: every preset's swatch with its name.");
    sheet_->add_option("KIND", sheetKind_, "materials, lights, styles or lighting")
        ->required()
        ->check(CLI::IsMember(kindWords()));
    sheet_->add_option("-o,--output", sheetPath_, "image file (" + FileTypes::listed(FileType::kImage) + ")")
        ->required();
    add_ = command_->add_subcommand("add",
                                    "Keep a look of a project as a preset of the user's library: an object's "
                                    "material or object style, a light, or the project's lights as a "
                                    "lighting style.");
    add_->add_option("KIND", addKind_,
                     "materials (the object's material), lights (the named light), styles (the "
                     "object's object style) or lighting (every light of the project)")
        ->required()
        ->check(CLI::IsMember(kindWords()));
    add_->add_option("--from", addProject_, "the project (.kxp or .kxa) that has the look")->required();
    add_->add_option("--object", addObject_,
                     "the object (materials, styles) or light (lights) whose look is kept; "
                     "not for lighting");
    add_->add_option("--as", addName_,
                     "the preset's name; a name the library holds already is replaced only "
                     "with --yes")
        ->required();
    remove_ = command_->add_subcommand("remove", "Remove a preset from the user's library.");
    remove_->add_option("KIND", removeKind_, "materials, lights, styles or lighting")
        ->required()
        ->check(CLI::IsMember(kindWords()));
    remove_->add_option("NAME", removeName_, "the preset's name, as `library list` prints it")->required();
    rename_ = command_->add_subcommand("rename", "Give a preset of the user's library another name.");
    rename_->add_option("KIND", renameKind_, "materials, lights, styles or lighting")
        ->required()
        ->check(CLI::IsMember(kindWords()));
    rename_->add_option("OLD", renameFrom_, "the preset's name, as `library list` prints it")->required();
    rename_->add_option("NEW", renameTo_, "its new name, one the library does not hold")->required();
    export_->add_flag("--text-thumbnails", textThumbnails_, "thumbnails as hexadecimal text instead of raw bytes");
    export_->add_option("--thumbnails", thumbnailSize_,
                        "WIDTHxHEIGHT: render each preset's swatch at this size "
                        "first where the one kept is stale or of another size "
                        "(default: the thumbnails as kept)");
}

bool LibraryCommand::parsed() const {
    return command_->parsed() && (list_->parsed() || import_->parsed() || export_->parsed() || sheet_->parsed() ||
                                  add_->parsed() || remove_->parsed() || rename_->parsed());
}

int LibraryCommand::run() {
    if (list_->parsed()) return list();
    if (import_->parsed()) return importFile();
    if (export_->parsed()) return exportKind();
    if (sheet_->parsed()) return sheet();
    if (add_->parsed()) return add();
    if (remove_->parsed()) return remove();
    if (rename_->parsed()) return rename();
    return kExitUserError;
}

int LibraryCommand::list() {
    LibrarySession session;
    for (const auto* kind : kKinds) {
        if (!listKind_.empty() && listKind_ != kind->word) continue;
        OrvoStyleManager* manager = managerOf(session.app, kind);
        if (listKind_.empty()) std::printf("%s:\n", kind->word);
        for (const std::string& name : manager->names())
            std::printf("%s%s\n", listKind_.empty() ? "  " : "", listedName(name).c_str());
    }
    if (listKind_.empty() || listKind_ == "edges") {
        if (listKind_.empty()) std::printf("edges:\n");
        for (const std::string& name : TitleScene::edgeNames())
            std::printf("%s%s\n", listKind_.empty() ? "  " : "", name.c_str());
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
    if (!quiet())
        std::printf("%d %s imported; the library holds %d\n", load.presets, kind->word, manager->presetCount());
    return kExitOk;
}

int LibraryCommand::exportKind() {
    const OrvoStyleManager::Kind* kind = nullptr;
    for (const auto* k : kKinds)
        if (exportKind_ == k->word) kind = k;
    if (Folders::lowerExtension(exportPath_) != kind->extension) {
        printError(exportPath_, std::string("a library of ") + kind->word + " is a " + kind->extension + " file");
        return kExitUserError;
    }
    int width = 0, height = 0;
    char tail = 0;
    if (!thumbnailSize_.empty() &&
        (std::sscanf(thumbnailSize_.c_str(), "%dx%d%c", &width, &height, &tail) != 2 || width <= 0 || height <= 0)) {
        printError("--thumbnails", "give WIDTHxHEIGHT, as in 64x48");
        return kExitUserError;
    }
    if (width > 0 && !ThumbnailRecord::holdableSize(width, height)) {
        printError("--thumbnails",
                   thumbnailSize_ + " cannot be kept in a library file: each side must be " +
                       std::to_string(ThumbnailRecord::kMinSide) + " to " + std::to_string(ThumbnailRecord::kMaxSide) +
                       " and the picture at least " + std::to_string(ThumbnailRecord::kMinPixels) +
                       " pixels (32x32), as a thumbnail is kept as a JPEG of at most WIDTH x HEIGHT x 3 bytes");
        return kExitUserError;
    }
    if (!mayReplace(exportPath_)) return kExitUserError;
    LibrarySession session;
    OrvoStyleManager* manager = managerOf(session.app, kind);
    manager->setTextOnly(textThumbnails_);
    std::vector<std::string> unkept;
    for (int i = 0; width > 0 && i < manager->presetCount(); ++i) {
        OrvoStyle& preset = manager->preset(i);
        preset.setRequestedThumbnailSize(width, height);
        if (!preset.thumbnail(width, height))
            printError(preset.name(), "its swatch could not be rendered");
        else if (!preset.thumbnailStorable())
            unkept.push_back(preset.name());
    }
    // A thumbnail left out without a word is a thumbnail lost: nothing is written.
    if (!unkept.empty()) {
        std::string others = unkept.size() > 1 ? " (and " + std::to_string(unkept.size() - 1) + " more)" : "";
        printError("--thumbnails", "the " + thumbnailSize_ + " swatch of \"" + unkept[0] + "\"" + others +
                                       " does not fit a library file's thumbnail (a JPEG of at most WIDTH x "
                                       "HEIGHT x 3 bytes); give a larger size");
        return kExitUserError;
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
    // Drawing every swatch takes a while the first time: a terminal is shown how far it is.
    const bool terminal = isatty(STDERR_FILENO) == 1 && !quiet();
    for (int i = 0; i < manager->presetCount(); ++i) {
        OrvoStyle& preset = manager->preset(i);
        const int w = ContactSheet::kSwatchWidth, h = ContactSheet::kSwatchHeight;
        const bool stale = preset.thumbnailStale() || !preset.currentThumbnail() ||
                           preset.currentThumbnail()->width() != w || preset.currentThumbnail()->height() != h;
        rendered = rendered || stale;
        if (terminal && stale)
            std::fprintf(stderr, "\rformwright: drawing swatch %d of %d   ", i + 1, manager->presetCount()),
                std::fflush(stderr);
        preset.setRequestedThumbnailSize(w, h);
        const Picture* picture = preset.thumbnail(w, h);
        if (!picture) printError(preset.name(), "its swatch could not be rendered");
        swatches.push_back({preset.name(), picture});
    }
    if (terminal && rendered) std::fprintf(stderr, "\r%*s\r", 40, "");
    // Swatches drawn for the sheet are kept with the presets, so the next sheet is quick.
    if (rendered) manager->saveSwatches(VeltraneApp::userLibraries());
    std::string error;
    if (!ContactSheet::write(swatches, sheetPath_, error)) {
        printError(sheetPath_, error);
        return kExitUserError;
    }
    return kExitOk;
}

int LibraryCommand::add() {
    const OrvoStyleManager::Kind* kind = kindOfWord(addKind_);
    const bool lighting = kind == &OrvoLightingStyleManager::lightingStyles();
    if (lighting && !addObject_.empty()) {
        printError("--object", "a lighting style takes every light of the project: leave --object out");
        return kExitUserError;
    }
    if (!lighting && addObject_.empty()) {
        printError("--object", std::string("name the ") + (kind == &OrvoLightManager::lights() ? "light" : "object") +
                                   " whose look " + kind->word + " keep");
        return kExitUserError;
    }
    std::error_code failed;
    if (!std::filesystem::is_regular_file(addProject_, failed)) {
        printError(addProject_, "no such project");
        return kExitUserError;
    }
    LibrarySession session;
    OrvoStyleManager* manager = managerOf(session.app, kind);
    OrvoSceneManager& scenes = session.app.sceneManager();
    Dialogs::instance().setSubject(addProject_);
    bool loaded = scenes.loadProject(addProject_);
    Dialogs::instance().setSubject("");
    for (const std::string& warning : scenes.lastLoad().warnings) printError(addProject_, warning);
    if (!loaded) {
        if (scenes.lastLoad().commands == 0)
            printError(addProject_, scenes.lastLoad().error.empty() ? "cannot be read" : scenes.lastLoad().error);
        return kExitUserError;
    }
    std::unique_ptr<OrvoStyle> preset = manager->createPreset();
    if (int status = wrapLook(*preset, *scenes.scene()); status != kExitOk) return status;
    return keep(*manager, std::move(preset));
}

int LibraryCommand::wrapLook(OrvoStyle& preset, SceneX& project) {
    const OrvoStyleManager::Kind* kind = kindOfWord(addKind_);
    if (kind == &OrvoLightingStyleManager::lightingStyles()) {
        auto lights = std::make_unique<SceneX>();
        for (int i = 0; i < project.memberCount(kLightKind); ++i)
            if (auto* light = dynamic_cast<Light*>(project.member(kLightKind, i)))
                presetLight(*lights, *light, project);
        if (lights->memberCount(kLightKind) == 0) {
            printError(addProject_, "has no lights to keep as a lighting style");
            return kExitUserError;
        }
        lights->postLoad();
        preset.adoptScene(std::move(lights));
        return kExitOk;
    }
    const int memberKind = kind == &OrvoLightManager::lights() ? kLightKind : kObjectKind;
    SceneMember* member = project.findMember(addObject_);
    if (!member || member->kind() != memberKind) {
        printError(addProject_,
                   noSuch(std::string(memberKind == kLightKind ? "light" : "object") + " \"" + addObject_ + "\" here",
                          addObject_, memberNames(project, memberKind)));
        return kExitUserError;
    }
    SceneMember* item = nullptr;
    SceneX lightScene;
    if (memberKind == kLightKind) {
        item = presetLight(lightScene, *dynamic_cast<Light*>(member), project);
        lightScene.postLoad();
    } else if (kind == &OrvoMaterialManager::materials()) {
        item = faceMaterial(*member);
        if (!item) printError(addObject_, "wears no material");
    } else {
        auto* extruded = dynamic_cast<ObjectX*>(member);
        item = extruded ? extruded->style() : nullptr;
        if (!item) printError(addObject_, "is not an extruded object, so it has no object style");
    }
    if (!item) return kExitUserError;
    if (!preset.wrap(memberKind == kLightKind ? static_cast<Scene&>(lightScene) : project, *item)) {
        printError(addObject_, "its look could not be copied");
        return kExitInternal;
    }
    return kExitOk;
}

int LibraryCommand::keep(OrvoStyleManager& manager, std::unique_ptr<OrvoStyle> preset) {
    // The name it is kept under: one held already is replaced only when the user says so.
    const std::string libraries = VeltraneApp::userLibraries();
    bool replace = false;
    if (std::string bad = OrvoStyleManager::badName(addName_); !bad.empty()) {
        printError(addName_, bad);
        return kExitUserError;
    }
    if (const OrvoStyle* held = manager.holding(addName_)) {
        std::string file = manager.swatchPath(libraries, held->name());
        std::error_code failed;
        if (!std::filesystem::exists(file, failed) && Dialogs::instance().policy() != Dialogs::kAlwaysYes) {
            printError(addName_, "the library holds \"" + held->name() + "\" already; give --yes (-y) to replace it");
            return kExitUserError;
        }
        if (!mayReplace(file)) return kExitUserError;
        replace = true;
    }
    if (!preset->rename(addName_) || preset->name() != addName_) {
        printError(addName_, "cannot name a preset");
        return kExitUserError;
    }
    std::string error;
    if (!manager.addSwatch(libraries, std::move(preset), replace, error)) {
        printError(manager.swatchFolder(libraries), error);
        return kExitUserError;
    }
    if (!quiet())
        std::printf("%s \"%s\" %s; the library holds %d\n", manager.kind().word, Dialogs::escaped(addName_).c_str(),
                    replace ? "replaced" : "added", manager.presetCount());
    return kExitOk;
}

int LibraryCommand::remove() {
    const OrvoStyleManager::Kind* kind = kindOfWord(removeKind_);
    LibrarySession session;
    OrvoStyleManager* manager = managerOf(session.app, kind);
    if (!manager->find(removeName_)) {
        printError(removeName_, noSuch(std::string("preset among the ") + kind->word, removeName_, manager->names()));
        return kExitUserError;
    }
    std::string error;
    if (!manager->removeSwatch(VeltraneApp::userLibraries(), removeName_, error)) {
        printError(manager->swatchFolder(VeltraneApp::userLibraries()), error);
        return kExitUserError;
    }
    if (!quiet())
        std::printf("%s \"%s\" removed; the library holds %d\n", kind->word, Dialogs::escaped(removeName_).c_str(),
                    manager->presetCount());
    return kExitOk;
}

int LibraryCommand::rename() {
    const OrvoStyleManager::Kind* kind = kindOfWord(renameKind_);
    LibrarySession session;
    OrvoStyleManager* manager = managerOf(session.app, kind);
    OrvoStyle* preset = manager->find(renameFrom_);
    if (!preset) {
        printError(renameFrom_, noSuch(std::string("preset among the ") + kind->word, renameFrom_, manager->names()));
        return kExitUserError;
    }
    if (std::string problem = manager->nameProblem(renameTo_, preset); !problem.empty()) {
        printError(renameTo_, problem);
        return kExitUserError;
    }
    std::string error;
    if (!manager->renameSwatch(VeltraneApp::userLibraries(), renameFrom_, renameTo_, error)) {
        printError(manager->swatchFolder(VeltraneApp::userLibraries()), error);
        return kExitUserError;
    }
    if (!quiet())
        std::printf("%s \"%s\" renamed \"%s\"\n", kind->word, Dialogs::escaped(renameFrom_).c_str(),
                    Dialogs::escaped(renameTo_).c_str());
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

std::unique_ptr<Subcommand> makeLibraryCommand() { return std::make_unique<LibraryCommand>(); }

}  // namespace fw
