#pragma once
// The one application object of a run: owns the preferences and the managers, guards
// unsaved changes, opens the project named on the command line and runs the menu commands.
// Managers of libraries, tracks and simulations join when their subsystems do.

#include <memory>
#include <string>
#include <vector>

#include "persistence/CommandEnabler.h"

namespace fw {

class OrvoPrefs;
class FrameEffects;
class OrvoSceneManager;
class OrvoCameraManager;
class OrvoForcesManager;
class OrvoFrameManager;
class OrvoStyle;
class OrvoStyleManager;
class Picture;
class SwatchRenderer;
class OrvoObjectStyleManager;
class OrvoMaterialManager;
class OrvoLightManager;
class OrvoLightingStyleManager;

class VeltraneApp : public CommandEnabler {
public:
    // Menu command identifiers the headless program carries out.
    enum Command : int {
        kNewScene = 1001,
        kOpenScene = 1002,
        kCloseWindow = 1006,
        kSaveScene = 1007,
        kSaveSceneAs = 1008,
        kRevertToSaved = 1010,
        kExit = 1018,
    };
    static constexpr const char* kLibraryFolders[] = {
        "Veltrane Swatches", "Veltrane Environments", "Veltrane Maps",     "Custom Edges", "Veltrane Gradients",
        "Button Workspaces", "System Workspaces",     "User Workspaces",   "Prefs"};
    static constexpr const char* kFactoryFolder = "Support Files - Do not edit";

    VeltraneApp();
    ~VeltraneApp() override;

    int writeCommands(CommandIO&) override { return 0; }
    CommandTable& commandTable() override;
    const char* className() const override { return "VeltraneApp"; }

    // Installs the user's library folders that are missing (all of them when forced),
    // from the factory copy in the shared data folder, and brings installed factory
    // files up to date where the factory copy is newer.
    static bool installLibraries(bool force = false);
    static std::string userLibraries();

    // Creates the preferences, the scene manager (which loads them and starts a new
    // scene) and the managers whose blocks follow the scene in a project: the camera
    // manager, the frame manager (whose block ends every project) and the forces manager.
    bool initialise();
    void shutdown();

    // True when the current scene may be replaced or closed.
    bool confirmDiscard();
    // 0 when saved. Headless there is no file dialog: without a path, saving fails.
    int saveScene();
    int saveSceneAs(const std::string& path);
    void report(const std::string& text, bool quit);
    // The command-line argument: a project (.kxp or .kxa, any letter case) to open.
    bool openAtStart(const std::string& argument);
    // Runs a menu command; false when it is not one this program handles.
    bool dispatchCommand(int id);
    void exit();

    // How unsaved changes are guarded: by offering to save (true) or by asking to clear.
    void setGuardBySaving(bool on) { guardBySaving_ = on; }
    bool quitRequested() const { return quitRequested_; }
    const std::string& currentPath() const { return currentPath_; }
    const std::string& lastOpenedPath() const { return lastOpenedPath_; }
    void setCurrentPath(const std::string& path) { currentPath_ = lastOpenedPath_ = path; }

    OrvoPrefs& prefs() { return *prefs_; }
    OrvoSceneManager& sceneManager() { return *sceneManager_; }
    // The gradient and glint units laid over the project's frames.
    FrameEffects& frameEffects() { return *frameEffects_; }
    OrvoCameraManager& cameraManager() { return *cameraManager_; }
    OrvoFrameManager& frameManager() { return *frameManager_; }
    OrvoForcesManager& forcesManager() { return *forcesManager_; }
    OrvoObjectStyleManager& objectStyleManager() { return *objectStyleManager_; }
    OrvoMaterialManager& materialManager() { return *materialManager_; }
    OrvoLightManager& lightManager() { return *lightManager_; }
    OrvoLightingStyleManager& lightingStyleManager() { return *lightingStyleManager_; }
    // The four style libraries, in the order the new-swatches notice lists them.
    std::vector<OrvoStyleManager*> styleManagers();
    // Fills the style libraries from the user's swatch folders (a kind without an index
    // yet starts with the factory presets), adds preset files the
    // indexes do not list yet (a newer program brings some) and tells the user about
    // those; the number of presets loaded.
    int loadSwatches();
    // A preset's swatch, as the libraries' thumbnails are made; null when it cannot be drawn.
    std::unique_ptr<Picture> renderSwatch(const OrvoStyle& preset, int width, int height);

private:
    std::unique_ptr<OrvoPrefs> prefs_;
    std::unique_ptr<OrvoSceneManager> sceneManager_;
    std::unique_ptr<OrvoCameraManager> cameraManager_;
    std::unique_ptr<OrvoFrameManager> frameManager_;
    std::unique_ptr<OrvoForcesManager> forcesManager_;
    std::unique_ptr<FrameEffects> frameEffects_;
    std::unique_ptr<OrvoObjectStyleManager> objectStyleManager_;
    std::unique_ptr<OrvoMaterialManager> materialManager_;
    std::unique_ptr<OrvoLightManager> lightManager_;
    std::unique_ptr<OrvoLightingStyleManager> lightingStyleManager_;
    std::unique_ptr<SwatchRenderer> swatchRenderer_;

    std::string currentPath_;
    std::string lastOpenedPath_;
    bool guardBySaving_ = true;
    bool quitRequested_ = false;
};

}  // namespace fw
