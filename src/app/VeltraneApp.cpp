#include "app/VeltraneApp.h"

#include <algorithm>
#include <cctype>

#include "app/DocumentTypes.h"
#include "app/FactoryLibrary.h"
#include "app/FrameEffects.h"
#include "app/OrvoCameraManager.h"
#include "app/OrvoForcesManager.h"
#include "app/OrvoFrameManager.h"
#include "app/OrvoPrefs.h"
#include "app/OrvoSceneManager.h"
#include "app/SwatchRenderer.h"
#include "geometry/ObjectXStyle.h"
#include "library/OrvoLightManager.h"
#include "library/OrvoLightingStyleManager.h"
#include "library/OrvoMaterialManager.h"
#include "library/OrvoObjectStyleManager.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "render/Light.h"
#include "scene/SceneX.h"
#include "surface/MaterialX.h"
#include "surface/Picture.h"

namespace fw {

VeltraneApp::VeltraneApp() = default;

VeltraneApp::~VeltraneApp() { shutdown(); }

CommandTable& VeltraneApp::commandTable() {
    static CommandTable table;
    return table;
}

std::string VeltraneApp::userLibraries() { return Folders::instance().documents() + "/Veltrane/Libraries"; }

bool VeltraneApp::installLibraries(bool force) {
    const std::string user = userLibraries();
    const std::string factory = Folders::instance().sharedData() + "/" + kFactoryFolder;
    if (!Folders::ensureFolder(user) || !Folders::isWritable(user)) return false;
    bool ok = true;
    for (const char* name : kLibraryFolders) {
        std::string target = user + "/" + name;
        if (Folders::exists(target)) {
            // A newer program brings newer factory files; the user's own stay.
            if (!force) {
                ok = Folders::refreshFiles(factory + "/" + name, target) && ok;
                continue;
            }
            Folders::removeTree(target);
        }
        ok = Folders::copyFiles(factory + "/" + name, target) && ok;
    }
    return ok;
}

namespace {

// A kind whose swatch folder has no index yet starts with the factory presets.
void seedFromFactory(OrvoStyleManager& manager, const std::string& libraries) {
    FactoryLibrary::Kind kind;
    if (Folders::exists(manager.indexPath(libraries)) || !FactoryLibrary::kindOf(manager.kind().word, kind)) return;
    SceneX scene;
    if (kind == FactoryLibrary::kMaterials) FactoryLibrary::buildMaterials(scene);
    if (kind == FactoryLibrary::kObjectStyles) FactoryLibrary::buildObjectStyles(scene);
    if (kind == FactoryLibrary::kLights) FactoryLibrary::buildLights(scene);
    for (const std::string& name : FactoryLibrary::names(kind)) {
        if (kind != FactoryLibrary::kLightingStyles) {
            if (SceneMember* member = scene.findMember(name)) manager.addFrom(scene, *member);
            continue;
        }
        auto lights = std::make_unique<SceneX>();
        if (!FactoryLibrary::buildLightingStyle(name, *lights)) continue;
        lights->setName(name);
        std::unique_ptr<OrvoStyle> preset = manager.createPreset();
        preset->adoptScene(std::move(lights));
        manager.add(std::move(preset));
    }
    manager.saveSwatches(libraries);
}

}  // namespace

std::unique_ptr<Picture> VeltraneApp::renderSwatch(const OrvoStyle& preset, int width, int height) {
    // One renderer serves the run; it is made when the first swatch is asked for.
    if (!swatchRenderer_) swatchRenderer_ = std::make_unique<SwatchRenderer>();
    SwatchRenderer& renderer = *swatchRenderer_;
    auto picture = std::make_unique<Picture>();
    std::string error;
    bool made = false;
    SceneMember* item = preset.item();
    if (auto* material = dynamic_cast<MaterialX*>(item))
        made = renderer.material(*material, width, height, *picture, error);
    else if (auto* style = dynamic_cast<ObjectXStyle*>(item))
        made = renderer.objectStyle(*style, width, height, *picture, error);
    else if (auto* light = dynamic_cast<Light*>(item))
        made = renderer.light(*light, width, height, *picture, error);
    else if (preset.itemKind() == 0)
        made = renderer.lighting(preset.scene(), width, height, *picture, error);
    return made ? std::move(picture) : nullptr;
}

std::vector<OrvoStyleManager*> VeltraneApp::styleManagers() {
    return {materialManager_.get(), objectStyleManager_.get(), lightManager_.get(), lightingStyleManager_.get()};
}

int VeltraneApp::loadSwatches() {
    const std::string libraries = userLibraries();
    int loaded = 0;
    std::vector<const OrvoStyleManager*> managers;
    std::vector<int> added;
    for (OrvoStyleManager* manager : styleManagers()) {
        if (!manager) continue;
        manager->clear();
        seedFromFactory(*manager, libraries);
        manager->clear();
        manager->setRenderHook(
            [this](const OrvoStyle& preset, int width, int height) { return renderSwatch(preset, width, height); });
        loaded += manager->loadSwatches(libraries);
        // No record says when the program was last updated, so every start looks for
        // preset files that an update put beside the index.
        int found = manager->addUnlistedSwatches(libraries);
        loaded += found;
        managers.push_back(manager);
        added.push_back(found);
    }
    std::string notice = OrvoStyleManager::newSwatchesNotice(managers, added);
    if (!notice.empty()) report(notice, false);
    return loaded;
}

bool VeltraneApp::initialise() {
    prefs_ = std::make_unique<OrvoPrefs>();
    sceneManager_ = std::make_unique<OrvoSceneManager>(*prefs_);
    sceneManager_->loadPreferences();
    sceneManager_->newScene();  // after the preferences, so it starts from the program's defaults
    cameraManager_ = std::make_unique<OrvoCameraManager>();
    objectStyleManager_ = std::make_unique<OrvoObjectStyleManager>();
    materialManager_ = std::make_unique<OrvoMaterialManager>();
    lightManager_ = std::make_unique<OrvoLightManager>();
    lightingStyleManager_ = std::make_unique<OrvoLightingStyleManager>();
    frameManager_ = std::make_unique<OrvoFrameManager>();
    forcesManager_ = std::make_unique<OrvoForcesManager>();
    // Written after the scene in this order: the cameras' blocks, the forces, the frame.
    sceneManager_->addManagerBlock(cameraManager_.get());
    sceneManager_->addManagerBlock(forcesManager_.get());
    sceneManager_->addManagerBlock(frameManager_.get());
    // Last, so projects without frame effects keep the bytes they always had.
    frameEffects_ = std::make_unique<FrameEffects>();
    sceneManager_->addManagerBlock(frameEffects_.get());
    // Movies are written and read through FFmpeg, which is always linked in, so the
    // warning about a missing movie service never applies; headless runs show no About box.
    return true;
}

void VeltraneApp::shutdown() {
    swatchRenderer_.reset();
    frameEffects_.reset();
    forcesManager_.reset();
    frameManager_.reset();
    lightingStyleManager_.reset();
    lightManager_.reset();
    materialManager_.reset();
    objectStyleManager_.reset();
    cameraManager_.reset();
    sceneManager_.reset();
    prefs_.reset();
}

bool VeltraneApp::confirmDiscard() {
    SceneX* scene = sceneManager_ ? sceneManager_->scene() : nullptr;
    if (!scene) return true;
    Dialogs& dialogs = Dialogs::instance();
    if (guardBySaving_) {
        if (scene->changeCount() == 0 && scene->settingsChangeCount() == 0) return true;
        int answer = dialogs.ask("\rWould you like to save the current scene?", {"Yes", "No", "Cancel"}, 2);
        if (answer == 2) return false;
        if (answer == 1) return true;
        return saveScene() == 0;
    }
    return dialogs.ask("\rAre you sure you want to clear the contents of this scene? This cannot be undone.",
                       {"Yes", "No"}, 1) == 0;
}

int VeltraneApp::saveScene() {
    if (currentPath_.empty()) {
        report("\rThis scene has no file yet. Save it with a file name.", false);
        return -1;
    }
    return saveSceneAs(currentPath_);
}

int VeltraneApp::saveSceneAs(const std::string& path) {
    if (!sceneManager_->saveProject(path)) return -1;
    currentPath_ = lastOpenedPath_ = path;
    prefs_->addRecentProject(path);
    return 0;
}

void VeltraneApp::report(const std::string& text, bool quit) {
    if (!prefs_ || !prefs_->alertsOff) Dialogs::instance().alert(text);
    if (quit) exit();
}

bool VeltraneApp::openAtStart(const std::string& argument) {
    if (!DocumentTypes::isProjectName(argument)) {
        Dialogs::instance().alert("\rUnable to open: " + argument +
                                  "\r\rTry opening the file inside of the application or importing the file. 0");
        return false;
    }
    if (!confirmDiscard()) return false;
    if (sceneManager_->newScene(argument)) {
        setCurrentPath(argument);
        prefs_->addRecentProject(argument);
        return true;
    }
    currentPath_.clear();
    lastOpenedPath_.clear();
    return false;
}

void VeltraneApp::exit() {
    if (!confirmDiscard()) return;
    sceneManager_->savePreferences();
    quitRequested_ = true;
}

bool VeltraneApp::dispatchCommand(int id) {
    switch (id) {
        case kNewScene:
            if (!confirmDiscard()) return true;
            sceneManager_->savePreferences();
            sceneManager_->newScene();
            currentPath_.clear();
            return true;
        case kSaveScene:
            saveScene();
            return true;
        case kRevertToSaved:
            if (Dialogs::instance().ask("\rAre you sure you want to revert to the last saved scene?\r\rAny unsaved "
                                        "changes will be lost.",
                                        {"Yes", "No"}, 1) == 0 &&
                !currentPath_.empty())
                sceneManager_->newScene(currentPath_);
            return true;
        case kExit:
            exit();
            return true;
        case kOpenScene:
        case kSaveSceneAs:
        case kCloseWindow:
            // These need a file dialog or a render window, which a headless run has not.
            report("\rThis command needs the desktop program's windows.", false);
            return true;
        default:
            return false;
    }
}

}  // namespace fw
