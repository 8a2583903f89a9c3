#pragma once
// Owns the current scene and reads and writes it as a project file: the version
// line, the settings lines, the scene block and the managers' blocks. The same
// writer in preferences mode produces the user's preferences file.

#include <memory>
#include <string>
#include <vector>

#include "persistence/CommandEnabler.h"

namespace fw {

class ManagerBlocks;
class OrvoPrefs;
class SceneX;

class OrvoSceneManager : public CommandEnabler {
public:
    static constexpr const char* kProductFolder = "Orvostat Formwright";
    static constexpr const char* kProductWord = "Orvostat";
    static constexpr const char* kProductName = "Formwright";
    static constexpr int kVersion[3] = {0, 1, 0};
    static constexpr const char* kStartupSceneName = "Veltrane Orvostat Startup";
    static constexpr const char* kPreferencesName = "Veltrane Orvostat Prefs";
    static constexpr const char* kLightBinName = "##Orvostat Light Bin Scene##";

    // Values of the settings lines that belong to the project (render window, views,
    // text variables, window placement).
    struct ProjectSettings {
        int viewerMode = 0;  // 1 object, 2 group, 3 light, anything else camera
        int viewerTool = 0;  // 5 roll, 6 track, 8 dolly, 9 zoom, 10 zoom out, 11 scale, 12 pick, else tumble
        int objectAxisMode = 0;
        int glRenderMode = 1;
        double renderSize[2] = {640, 480};
        int renderResolution = 0, renderMethod = 0, renderWhat = 0, renderFields = 0, pixelAspect = 0;
        double renderDPI = 72;
        int antiAliasLevel = 2;
        // OpenGL frames are anti-aliased by multisampling, which puts an edge nearer its
        // line at a fraction of the cost; on, the level also draws level x level passes
        // a fraction of a pixel apart and averages them.
        int antiAliasPasses = 0;
        // Passes per side of the depth-of-field blur, focused at the camera's target;
        // 1 or less: none.
        double depthOfField = 0;
        // The render window's overlays.
        bool alphaCheckers = false, actionSafe = false, titleSafe = false, lowerThird = false, upperThird = false,
             fieldGrid12 = false, inside4x3 = false;
        int useAlphaMask = 0, renderShadows = 1, shadowsHaveTransparency = 0, rayTraceShadows = 0;
        int numShadowRays = 16, ambientOcclusion = 0, numAmbientRays = 16;
        double ambientDistance = 1.0, ambientDarkness = 0.5;
        int maxBounces = 4, maxShadowBounces = 2;
        std::string reflectivityBlendingStyle = "Normal";
        int displayPathType = 0;
        double backgroundColor[3] = {0, 0, 0};
        std::string backgroundMedia;  // the file of "defaultBGImageMap", as last read
        int useBackgroundMedia = 0;
        double backgroundMediaOpacity = 1.0;
        int retainTexturesBetweenRenders = 1;
        int realtimeSliders = 1, alertUsersOfOffscreenWindows = 1;
        int simulationOn = 1, animationWindowIsAdvanced = 0;
        int multiThreadedRendering = 1;
        std::string dictionary;
        int textVariableBatchNumber = 0;
        std::string textVariableFile;
        std::vector<std::string> textVariableFileBatches;
        int outerWindowPos[2] = {50, 50}, outerWindowSize[2] = {0, 0};
        bool innerWindowMaximized = false;
        int textDialogPos[2] = {0, 0}, textDialogSize[2] = {0, 0};
        std::string textDialogLastFontUsed;
        int gradientEditorPos = 0;
    };

    // What happened to the last load.
    struct LoadReport {
        bool ok = false;
        bool rejected = false;  // the first line was not ours: "not a valid file"
        std::vector<std::string> warnings;
        std::string error;
        int commands = 0;
    };

    using FixUp = void (*)(SceneX& scene);

    explicit OrvoSceneManager(OrvoPrefs& prefs);
    ~OrvoSceneManager() override;

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "OrvoSceneManager"; }

    // Loads a project. replaceScene starts from an empty scene; readSettings makes the
    // manager the stream's receiver (otherwise only scene content is read).
    bool loadProject(const std::string& path, bool replaceScene = true, bool readSettings = true);
    bool saveProject(const std::string& path);
    // Writes a project, or in preferences mode a preferences file, to `path`; no alert.
    bool writeFile(const std::string& path, bool preferences);
    bool loadPreferences();
    bool savePreferences();
    std::string preferencesPath() const;
    // Releases the scene and starts from the start-up scene or a default "Untitled" one;
    // then loads `path` as a project when given.
    bool newScene(const std::string& path = std::string());

    SceneX* scene() const { return scene_.get(); }
    SceneX* lightBinScene() const { return lightBin_.get(); }
    ProjectSettings& settings() { return settings_; }
    OrvoPrefs& prefs() { return prefs_; }
    // Every setting and preference back to its default: a file read next is then
    // written back the same whatever the user's own preferences hold.
    void resetSettings();
    const LoadReport& lastLoad() const { return lastLoad_; }
    bool needsUpgrade() const { return needsUpgrade_; }
    // Whether the last stream read carried lines that only preference files have.
    bool readPreferenceLines() const { return readPreferenceLines_; }
    bool preferencesMode() const { return preferencesMode_; }

    // A manager whose blocks are written after the scene, in the order added, and read
    // by "begin" under its class name.
    void addManagerBlock(ManagerBlocks* manager);
    ManagerBlocks* managerBlock(const char* className) const;
    const std::vector<ManagerBlocks*>& managerBlocks() const { return managerBlocks_; }
    // Default members that every loaded or new scene must hold; each subsystem adds its own.
    static void addFixUp(FixUp fixUp);
    void runFixUps();
    // Members that only a new scene starts with (its camera and lights).
    static void addNewSceneMembers(FixUp add);

    // Sets one of the project's settings lines from its value as a project file gives it
    // ("2", "0.5 0.5 0.5", "\"Normal\"" or Normal); false with what is wrong in `error`.
    // What the line itself warns of (a value held to its limit) goes to `warnings`.
    bool setSetting(const std::string& keyword, const std::string& value, std::string& error,
                    std::vector<std::string>* warnings = nullptr);
    // The keywords setSetting takes, in the order a project writes them.
    static std::vector<std::string> settableKeywords();

    // The version text of this program and the version read back from one.
    static std::string versionText();
    static bool parseVersion(const std::string& text, int version[3]);

    // Library folders: the user's and the preferences folder inside them.
    std::string libraryFolder(const std::string& name) const;

    void markPreferenceLine() { readPreferenceLines_ = true; }
    void setNeedsUpgrade() { needsUpgrade_ = true; }
    bool readingPreferences() const { return readingPreferences_; }
    const std::string& loadingPath() const { return loadingPath_; }

private:
    void freshScenes();

    OrvoPrefs& prefs_;
    std::unique_ptr<SceneX> scene_;
    std::unique_ptr<SceneX> lightBin_;
    ProjectSettings settings_;
    std::vector<ManagerBlocks*> managerBlocks_;
    LoadReport lastLoad_;
    bool needsUpgrade_ = false;
    bool preferencesMode_ = false;
    bool readingPreferences_ = false;
    bool readPreferenceLines_ = false;
    std::string loadingPath_;
    int untitledCount_ = 0;
};

}  // namespace fw
