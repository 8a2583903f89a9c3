#include "app/OrvoSceneManager.h"

#include <cstdio>
#include <cstring>

#include "app/OrvoPrefs.h"
#include "persistence/AFileIO.h"
#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "scene/AnimGlobals.h"
#include "scene/SceneX.h"
#include "surface/ImageMap.h"

namespace fw {

using ProjectSettings = OrvoSceneManager::ProjectSettings;

namespace {

std::vector<OrvoSceneManager::FixUp>& fixUps() {
    static std::vector<OrvoSceneManager::FixUp> list;
    return list;
}

std::vector<OrvoSceneManager::FixUp>& newSceneMembers() {
    static std::vector<OrvoSceneManager::FixUp> list;
    return list;
}

OrvoSceneManager& manager(CommandEnabler& r) { return static_cast<OrvoSceneManager&>(r); }

// ---- where the settings lines' fields live, for the shared field reader

ProjectSettings& settingsOf(CommandEnabler& r) { return manager(r).settings(); }
OrvoPrefs& prefsOf(CommandEnabler& r) { return manager(r).prefs(); }
// Lines that only preference files carry mark the file as one.
OrvoPrefs& preferenceLineOf(CommandEnabler& r) {
    manager(r).markPreferenceLine();
    return manager(r).prefs();
}

template <int Index>
int readOverlay(CommandIO& io, CommandEnabler& r) {
    return io.readInt(manager(r).settings().overlays[Index]);
}

// Lines that are read and accepted but no longer change anything.
int readOneIgnored(CommandIO& io, CommandEnabler&) {
    char token[CommandIO::kTokenSize];
    return io.readToken(token, sizeof token) == 0 ? 0 : -1;
}
int readTwoIgnored(CommandIO& io, CommandEnabler& r) {
    return readOneIgnored(io, r) == 0 && readOneIgnored(io, r) == 0 ? 0 : -1;
}

struct Named {
    int value;
    const char* name;
};
const Named kViewerModes[] = {{1, "OBJECT"}, {2, "GROUP"}, {3, "LIGHT"}, {0, "CAMERA"}};
const Named kViewerTools[] = {{5, "ROLL"}, {6, "TRACK"}, {8, "DOLLY"},  {9, "ZOOM"},
                              {10, "ZOOMOUT"}, {11, "SCALE"}, {12, "PICK"}, {0, "TUMBLE"}};

// Unknown values are written as the last (default) name; unknown names read as its value.
template <size_t N>
const char* nameOf(const Named (&table)[N], int value) {
    for (const Named& n : table)
        if (n.value == value) return n.name;
    return table[N - 1].name;
}
template <size_t N>
int valueOf(const Named (&table)[N], const std::string& name) {
    for (const Named& n : table)
        if (name == n.name) return n.value;
    return table[N - 1].value;
}

int readViewerMode(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    manager(r).settings().viewerMode = valueOf(kViewerModes, name);
    return 0;
}

int readViewerTool(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    manager(r).settings().viewerTool = valueOf(kViewerTools, name);
    return 0;
}

int readVersion(CommandIO& io, CommandEnabler& r) {
    OrvoSceneManager& m = manager(r);
    std::string text;
    if (io.readString(text) != 0) return -1;
    int version[3];
    if (!OrvoSceneManager::parseVersion(text, version)) return 0;  // not ours to judge
    const int* mine = OrvoSceneManager::kVersion;
    int order = 0;
    for (int i = 0; i < 3 && order == 0; ++i) order = version[i] < mine[i] ? -1 : version[i] > mine[i] ? 1 : 0;
    if (order < 0) m.setNeedsUpgrade();
    if (order > 0) {
        if (m.readingPreferences())
            Dialogs::instance().alert("\rPrefs file version error. The '" + m.loadingPath() +
                                      "' file was created with a newer version of the software.");
        else
            Dialogs::instance().alert("\rFile version error. This file was created with a newer version of the software.");
    }
    return 0;
}

// The timeline's motion blur lives in the scene's globals; reading it is not content.
int readMotionBlurPasses(CommandIO& io, CommandEnabler& r) {
    SceneX* scene = manager(r).scene();
    int passes;
    if (io.readInt(passes) != 0) return -1;
    if (scene) scene->animGlobals().motionBlurPasses = passes;
    return 0;
}

int readMotionBlurShutter(CommandIO& io, CommandEnabler& r) {
    SceneX* scene = manager(r).scene();
    double shutter;
    if (io.readDouble(shutter) != 0) return -1;
    if (scene) scene->animGlobals().motionBlurShutter = shutter;
    return 0;
}

int readInnerWindowState(CommandIO& io, CommandEnabler& r) {
    std::string state;
    if (io.readString(state) != 0) return -1;
    manager(r).settings().innerWindowMaximized = state == "MAXIMIZED";
    return 0;
}

int readTextVariableFileBatch(CommandIO& io, CommandEnabler& r) {
    std::string file;
    if (io.readString(file) != 0) return -1;
    manager(r).settings().textVariableFileBatches.push_back(file);
    return 0;
}

int readRecentProject(CommandIO& io, CommandEnabler& r) {
    std::string path;
    if (io.readString(path) != 0) return -1;
    manager(r).markPreferenceLine();
    auto& recent = manager(r).prefs().recentProjects;
    if (path.size() <= OrvoPrefs::kMaxPath) recent.push_back(path);
    return 0;
}

int beginBlock(CommandIO& io, CommandEnabler& r) {
    OrvoSceneManager& m = manager(r);
    char className[CommandIO::kTokenSize];
    if (io.readToken(className, sizeof className) != 0) return -1;
    if (std::strcmp(className, "SceneX") == 0 && m.scene()) {
        io.push(m.scene());
        return 0;
    }
    if (CommandEnabler* block = m.managerBlock(className)) {
        io.push(block);
        return 0;
    }
    if (std::strcmp(className, "TextAttr") == 0) {
        m.markPreferenceLine();
        auto& saved = m.prefs().savedTextAttrs;
        saved.push_back(std::make_unique<TextAttr>());
        io.push(saved.back().get());
        return 0;
    }
    return -1;
}

}  // namespace

// ---- the manager

OrvoSceneManager::OrvoSceneManager(OrvoPrefs& prefs) : prefs_(prefs) {
    freshScenes();
    registerCommand("Version", readVersion);
    registerCommand("ViewerMode", readViewerMode);
    registerCommand("ViewerTool", readViewerTool);
    registerCommand("ObjectAxisMode", readField<&ProjectSettings::objectAxisMode, settingsOf>);
    registerCommand("GLRenderMode", readField<&ProjectSettings::glRenderMode, settingsOf>);
    registerCommand("RenderSize", readField<&ProjectSettings::renderSize, settingsOf>);
    registerCommand("RenderResolution", readField<&ProjectSettings::renderResolution, settingsOf>);
    registerCommand("RenderMethod", readField<&ProjectSettings::renderMethod, settingsOf>);
    registerCommand("RenderWhat", readField<&ProjectSettings::renderWhat, settingsOf>);
    registerCommand("RenderFields", readField<&ProjectSettings::renderFields, settingsOf>);
    registerCommand("PixelAspect", readField<&ProjectSettings::pixelAspect, settingsOf>);
    registerCommand("MotionBlurPasses", readMotionBlurPasses);
    registerCommand("MotionBlurShutter", readMotionBlurShutter);
    registerCommand("MotionBluroffset", readOneIgnored);  // always 0
    registerCommand("MotionBlurOffset", readOneIgnored);
    registerCommand("RenderDPI", readField<&ProjectSettings::renderDPI, settingsOf>);
    registerCommand("AntiAliasLevel", readField<&ProjectSettings::antiAliasLevel, settingsOf>);
    registerCommand("RenderAlphaCheckers", readOverlay<0>);
    registerCommand("RenderActionSafe", readOverlay<1>);
    registerCommand("RenderTitleSafe", readOverlay<2>);
    registerCommand("RenderLowerThird", readOverlay<3>);
    registerCommand("RenderUpperThird", readOverlay<4>);
    registerCommand("Render12FieldGrid", readOverlay<5>);
    registerCommand("Render4x3Inside16x9", readOverlay<6>);
    registerCommand("UseAlphaMask", readField<&ProjectSettings::useAlphaMask, settingsOf>);
    registerCommand("RenderShadows", readField<&ProjectSettings::renderShadows, settingsOf>);
    registerCommand("ShadowsHaveTransparency", readField<&ProjectSettings::shadowsHaveTransparency, settingsOf>);
    registerCommand("RayTraceShadows", readField<&ProjectSettings::rayTraceShadows, settingsOf>);
    registerCommand("NumShadowRays", readField<&ProjectSettings::numShadowRays, settingsOf>);
    registerCommand("AmbientOcclusion", readField<&ProjectSettings::ambientOcclusion, settingsOf>);
    registerCommand("NumAmbientRays", readField<&ProjectSettings::numAmbientRays, settingsOf>);
    registerCommand("AmbientDistance", readField<&ProjectSettings::ambientDistance, settingsOf>);
    registerCommand("AmbientDarkness", readField<&ProjectSettings::ambientDarkness, settingsOf>);
    registerCommand("MaxBounces", readField<&ProjectSettings::maxBounces, settingsOf>);
    registerCommand("MaxShadowBounces", readField<&ProjectSettings::maxShadowBounces, settingsOf>);
    registerCommand("ReflectivityBlendingStyle", readField<&ProjectSettings::reflectivityBlendingStyle, settingsOf>);
    registerCommand("DisplayPathType", readField<&ProjectSettings::displayPathType, settingsOf>);
    registerCommand("HardShadingAngle", readField<&OrvoPrefs::hardShadingAngle, prefsOf>);
    registerCommand("BackgroundColor", readField<&ProjectSettings::backgroundColor, settingsOf>);
    registerCommand("UseBackgroundMedia", readField<&ProjectSettings::useBackgroundMedia, settingsOf>);
    registerCommand("CompBackgroundMedia", readOneIgnored);
    registerCommand("BackgroundMedia", readField<&ProjectSettings::backgroundMedia, settingsOf>);
    registerCommand("BackgroundMediaOpacity", readField<&ProjectSettings::backgroundMediaOpacity, settingsOf>);
    registerCommand("DefaultGroup", readField<&OrvoPrefs::defaultGroup, prefsOf>);
    registerCommand("ShadowQuality", readField<&OrvoPrefs::shadowQuality, prefsOf>);
    registerCommand("DuplicationOffset", readField<&OrvoPrefs::duplicationOffset, prefsOf>);
    registerCommand("GroundPlane", readField<&OrvoPrefs::groundPlane, prefsOf>);
    registerCommand("ShaderTextureWidth", readField<&OrvoPrefs::shaderTextureWidth, preferenceLineOf>);
    registerCommand("ShaderTextureHeight", readField<&OrvoPrefs::shaderTextureHeight, preferenceLineOf>);
    registerCommand("NumberUndos", readField<&OrvoPrefs::numberUndos, prefsOf>);
    registerCommand("AdvancedGLLighting", readField<&OrvoPrefs::advancedGLLighting, prefsOf>);
    registerCommand("ShowTexturesSetup", readField<&OrvoPrefs::showTexturesSetup, prefsOf>);
    registerCommand("GLSLShadowOffset", readField<&OrvoPrefs::glslShadowOffset, prefsOf>);
    registerCommand("DraftGLShaders", readField<&OrvoPrefs::draftGLShaders, prefsOf>);
    registerCommand("DraftGLShaderShadows", readField<&OrvoPrefs::draftGLShaderShadows, prefsOf>);
    registerCommand("FinalGLShaders", readField<&OrvoPrefs::finalGLShaders, prefsOf>);
    registerCommand("FinalGLShaderShadows", readField<&OrvoPrefs::finalGLShaderShadows, prefsOf>);
    registerCommand("SaveMode", readField<&OrvoPrefs::saveMode, prefsOf>);
    registerCommand("RetainTexturesBetweenRenders", readField<&ProjectSettings::retainTexturesBetweenRenders, settingsOf>);
    registerCommand("RealtimeSliders", readField<&ProjectSettings::realtimeSliders, settingsOf>);
    registerCommand("AlertUsersOfOffscreenWindows", readField<&ProjectSettings::alertUsersOfOffscreenWindows, settingsOf>);
    registerCommand("DoIAlertAboutTweaks", readField<&OrvoPrefs::doIAlertAboutTweaks, preferenceLineOf>);
    registerCommand("TimelineSync", readField<&OrvoPrefs::timelineSync, preferenceLineOf>);
    registerCommand("DoIMentionWebUpdates", readField<&OrvoPrefs::doIMentionWebUpdates, preferenceLineOf>);
    registerCommand("ShowToolTips", readField<&OrvoPrefs::showToolTips, preferenceLineOf>);
    registerCommand("ShowNativeFonts", readField<&OrvoPrefs::showNativeFonts, preferenceLineOf>);
    registerCommand("SimulationOn", readField<&ProjectSettings::simulationOn, settingsOf>);
    registerCommand("AnimationWindowIsAdvanced", readField<&ProjectSettings::animationWindowIsAdvanced, settingsOf>);
    registerCommand("MultiThreadedRendering", readField<&ProjectSettings::multiThreadedRendering, settingsOf>);
    registerCommand("Dictionary", readField<&ProjectSettings::dictionary, settingsOf>);
    registerCommand("TextVariableBatchNumber", readField<&ProjectSettings::textVariableBatchNumber, settingsOf>);
    registerCommand("TextVariableFile", readField<&ProjectSettings::textVariableFile, settingsOf>);
    registerCommand("TextVariableFileBatch", readTextVariableFileBatch);
    registerCommand("OuterWindowPos", readField<&ProjectSettings::outerWindowPos, settingsOf>);
    registerCommand("OuterWindowSize", readField<&ProjectSettings::outerWindowSize, settingsOf>);
    registerCommand("InnerWindowState", readInnerWindowState);
    registerCommand("TextDialogPos", readField<&ProjectSettings::textDialogPos, settingsOf>);
    registerCommand("TextDialogSize", readField<&ProjectSettings::textDialogSize, settingsOf>);
    registerCommand("TextDialogLastFontUsed", readField<&ProjectSettings::textDialogLastFontUsed, settingsOf>);
    registerCommand("GradientEditorPos", readField<&ProjectSettings::gradientEditorPos, settingsOf>);
    registerCommand("RecentProject", readRecentProject);
    for (const char* keyword : {"ShowPaths", "HighQualityGLTextures", "HideGLRenderWindows", "ShowTexturesECW",
                                "ShowTexturesComp", "ShowObjectStyleNamesAndNotes", "ObjectStyleSwatchScroll",
                                "MaterialSwatchScroll", "LightingSwatchScroll", "LightingStyleSwatchScroll",
                                "SaveRenderLogs", "LastVersionCheck", "BlurOption", "BlurRadius", "BlurContrast"})
        registerCommand(keyword, readOneIgnored);
    for (const char* keyword : {"OptionsWindowPos", "OptionsWindowSize", "AnimationWindowPos", "AnimationWindowSize",
                                "FragDialogPos"})
        registerCommand(keyword, readTwoIgnored);
    registerCommand("begin", beginBlock);
    registerCommand("end", CommandEnabler::endCommand);
}

OrvoSceneManager::~OrvoSceneManager() = default;

CommandTable& OrvoSceneManager::commandTable() {
    static CommandTable table;
    return table;
}

void OrvoSceneManager::freshScenes() {
    scene_ = std::make_unique<SceneX>();
    lightBin_ = std::make_unique<SceneX>();
    lightBin_->setName(kLightBinName);
}

void OrvoSceneManager::addManagerBlock(CommandEnabler* block) { managerBlocks_.push_back(block); }

CommandEnabler* OrvoSceneManager::managerBlock(const char* className) const {
    for (CommandEnabler* block : managerBlocks_)
        if (std::strcmp(block->className(), className) == 0) return block;
    return nullptr;
}

void OrvoSceneManager::addFixUp(FixUp fixUp) {
    for (FixUp f : fixUps())
        if (f == fixUp) return;
    fixUps().push_back(fixUp);
}

void OrvoSceneManager::addNewSceneMembers(FixUp add) {
    for (FixUp f : newSceneMembers())
        if (f == add) return;
    newSceneMembers().push_back(add);
}

void OrvoSceneManager::runFixUps() {
    if (!scene_ || !lightBin_) freshScenes();
    for (FixUp f : fixUps()) f(*scene_);
    scene_->postLoad();
}

std::string OrvoSceneManager::versionText() {
    char text[256];
    std::snprintf(text, sizeof text, "%s (%s %s) v%d.%d.%d", kProductFolder, "Linux", "Headless", kVersion[0],
                  kVersion[1], kVersion[2]);
    return text;
}

bool OrvoSceneManager::parseVersion(const std::string& text, int version[3]) {
    size_t at = text.find(kProductWord);
    if (at == std::string::npos) return false;
    for (size_t i = at + std::strlen(kProductWord); i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') continue;
        if (std::sscanf(text.c_str() + i, "%d.%d.%d", &version[0], &version[1], &version[2]) == 3) return true;
    }
    return false;
}

std::string OrvoSceneManager::libraryFolder(const std::string& name) const {
    return Folders::instance().documents() + "/Veltrane/Libraries/" + name;
}

std::string OrvoSceneManager::preferencesPath() const {
    return libraryFolder("Prefs") + "/" + kPreferencesName;
}

// ---- writing

int OrvoSceneManager::writeCommands(CommandIO& io) {
    const bool prefs = preferencesMode_, project = !prefs;
    const ProjectSettings& s = settings_;
    const OrvoPrefs& p = prefs_;
    // Both kinds of file start with the version, which the reader checks.
    io.writef("Version \"%s\"\n", escapeQuotes(versionText()).c_str());
    io.writef("ViewerMode \"%s\"\n", nameOf(kViewerModes, s.viewerMode));
    io.writef("ViewerTool \"%s\"\n", nameOf(kViewerTools, s.viewerTool));
    io.writef("ObjectAxisMode \"%d\"\n", s.objectAxisMode);
    io.writef("GLRenderMode \"%d\"\n", s.glRenderMode);
    io.writef("RenderSize %g %g\n", s.renderSize[0], s.renderSize[1]);
    io.writef("RenderResolution \"%d\"\n", s.renderResolution);
    io.writef("RenderMethod \"%d\"\n", s.renderMethod);
    io.writef("RenderWhat \"%d\"\n", s.renderWhat);
    io.writef("RenderFields \"%d\"\n", s.renderFields);
    io.writef("PixelAspect \"%d\"\n", s.pixelAspect);
    if (project && scene_) {
        io.writef("MotionBlurPasses %d\n", scene_->animGlobals().motionBlurPasses);
        io.writef("MotionBlurShutter %g\n", scene_->animGlobals().motionBlurShutter);
        io.writef("MotionBluroffset %g\n", 0.0);
    }
    io.writef("RenderDPI %g\n", s.renderDPI);
    io.writef("AntiAliasLevel \"%d\"\n", s.antiAliasLevel);
    static const char* const kOverlays[7] = {"RenderAlphaCheckers", "RenderActionSafe", "RenderTitleSafe",
                                             "RenderLowerThird", "RenderUpperThird", "Render12FieldGrid",
                                             "Render4x3Inside16x9"};
    for (int i = 0; i < 7; ++i) io.writef("%s \"%d\"\n", kOverlays[i], s.overlays[i] ? 1 : 0);
    if (project) {
        io.writef("UseAlphaMask \"%d\"\n", s.useAlphaMask);
        io.writef("RenderShadows \"%d\"\n", s.renderShadows);
        io.writef("ShadowsHaveTransparency \"%d\"\n", s.shadowsHaveTransparency);
        io.writef("RayTraceShadows \"%d\"\n", s.rayTraceShadows);
        io.writef("NumShadowRays \"%d\"\n", s.numShadowRays);
        io.writef("AmbientOcclusion \"%d\"\n", s.ambientOcclusion);
        io.writef("NumAmbientRays \"%d\"\n", s.numAmbientRays);
        io.writef("AmbientDistance %g\n", s.ambientDistance);
        io.writef("AmbientDarkness %g\n", s.ambientDarkness);
        io.writef("MaxBounces %d\n", s.maxBounces);
        io.writef("MaxShadowBounces %d\n", s.maxShadowBounces);
        io.writef("ReflectivityBlendingStyle %s\n", s.reflectivityBlendingStyle.c_str());
        io.writef("DisplayPathType \"%d\"\n", s.displayPathType);
    }
    io.writef("HardShadingAngle \"%g\"\n", p.hardShadingAngle);
    io.writef("BackgroundColor %g %g %g\n", s.backgroundColor[0], s.backgroundColor[1], s.backgroundColor[2]);
    if (prefs) {
        io.writef("UseBackgroundMedia %d\n", 0);
        io.writef("CompBackgroundMedia %d\n", 0);
    } else {
        std::string media;
        if (scene_ && ImageMap::backgroundMedia(*scene_, media))
            io.writef("BackgroundMedia \"%s\"\n", escapeQuotes(media).c_str());
        io.writef("UseBackgroundMedia %d\n", s.useBackgroundMedia);
        io.writef("BackgroundMediaOpacity %g\n", s.backgroundMediaOpacity);
    }
    io.writef("DefaultGroup \"%d\"\n", p.defaultGroup);
    io.writef("ShadowQuality \"%d\"\n", p.shadowQuality);
    io.writef("DuplicationOffset %lf %lf %lf\n", p.duplicationOffset[0], p.duplicationOffset[1], p.duplicationOffset[2]);
    io.writef("GroundPlane %d %d\n", p.groundPlane[0], p.groundPlane[1]);
    if (prefs) {
        io.writef("ShaderTextureWidth %d\n", p.shaderTextureWidth);
        io.writef("ShaderTextureHeight %d\n", p.shaderTextureHeight);
    }
    io.writef("NumberUndos %d\n", p.numberUndos);
    io.writef("AdvancedGLLighting %d\n", p.advancedGLLighting);
    io.writef("ShowTexturesSetup %d\n", p.showTexturesSetup);
    io.writef("GLSLShadowOffset %g\n", p.glslShadowOffset);
    io.writef("DraftGLShaders %d\n", p.draftGLShaders);
    io.writef("DraftGLShaderShadows %d\n", p.draftGLShaderShadows);
    io.writef("FinalGLShaders %d\n", p.finalGLShaders);
    io.writef("FinalGLShaderShadows %d\n", p.finalGLShaderShadows);
    io.writef("SaveMode %d\n", p.saveMode);
    io.writef("RetainTexturesBetweenRenders %d\n", 1);  // always the stand-alone program here
    io.writef("RealtimeSliders %d\n", s.realtimeSliders);
    io.writef("AlertUsersOfOffscreenWindows %d\n", s.alertUsersOfOffscreenWindows);
    if (prefs) {
        io.writef("DoIAlertAboutTweaks %d\n", p.doIAlertAboutTweaks);
        io.writef("TimelineSync %d\n", p.timelineSync);
        io.writef("DoIMentionWebUpdates %d\n", p.doIMentionWebUpdates);
        io.writef("ShowToolTips %d\n", p.showToolTips);
        io.writef("ShowNativeFonts %d\n", p.showNativeFonts);
    }
    if (project) io.writef("SimulationOn %d\n", s.simulationOn);
    io.writef("AnimationWindowIsAdvanced %d\n", s.animationWindowIsAdvanced);
    if (project) {
        io.writef("MultiThreadedRendering %d\n", s.multiThreadedRendering);
        io.writef("Dictionary \"%s\"\n", escapeQuotes(s.dictionary).c_str());
        io.writef("TextVariableBatchNumber %d\n", s.textVariableBatchNumber);
        io.writef("TextVariableFile \"%s\"\n", escapeQuotes(s.textVariableFile).c_str());
        for (const std::string& file : s.textVariableFileBatches)
            io.writef("TextVariableFileBatch \"%s\"\n", escapeQuotes(file).c_str());
    }
    io.writef("OuterWindowPos %d %d\n", s.outerWindowPos[0], s.outerWindowPos[1]);
    if (s.outerWindowSize[0] || s.outerWindowSize[1])
        io.writef("OuterWindowSize %d %d\n", s.outerWindowSize[0], s.outerWindowSize[1]);
    if (s.innerWindowMaximized) io.writef("InnerWindowState MAXIMIZED\n");
    if (s.textDialogSize[0] || s.textDialogSize[1]) {
        io.writef("TextDialogPos %d %d\n", s.textDialogPos[0], s.textDialogPos[1]);
        io.writef("TextDialogSize %d %d\n", s.textDialogSize[0], s.textDialogSize[1]);
        io.writef("TextDialogLastFontUsed \"%s\"\n", escapeQuotes(s.textDialogLastFontUsed).c_str());
    }
    io.writef("GradientEditorPos %d\n", s.gradientEditorPos);
    if (prefs) {
        for (const std::string& path : p.recentProjects) io.writef("RecentProject \"%s\"\n", escapeQuotes(path).c_str());
        for (const auto& attr : p.savedTextAttrs)
            if (io.writeBlock(*attr) != 0) return -1;
    }
    if (scene_ && io.writeBlock(*scene_) != 0) return -1;
    if (project)
        for (CommandEnabler* block : managerBlocks_)
            if (io.writeBlock(*block) != 0) return -1;
    return 0;
}

bool OrvoSceneManager::writeFile(const std::string& path, bool preferences) {
    AFileIO io(this);
    if (io.openOutput(path) != 0) return false;
    preferencesMode_ = preferences;
    if (scene_) {
        scene_->setPreferencesMode(preferences);
        scene_->markMembersInUse();
    }
    int status = writeCommands(io);
    preferencesMode_ = false;
    if (scene_) scene_->setPreferencesMode(false);
    if (status != 0) return false;
    return io.closeOutput() == 0;
}

bool OrvoSceneManager::saveProject(const std::string& path) {
    if (!writeFile(path, false)) {
        Dialogs::instance().alert("\rUnable to save '" + path + "'.");
        return false;
    }
    if (scene_) scene_->clearChanges();
    return true;
}

bool OrvoSceneManager::savePreferences() {
    std::string path = preferencesPath();
    Folders::ensureFolder(libraryFolder("Prefs"));
    if (!writeFile(path, true)) {
        Dialogs::instance().alert("\rUnable to open '" + path + "' file for writing.\r\rSettings may not be saved properly.");
        return false;
    }
    return true;
}

// ---- reading

bool OrvoSceneManager::loadProject(const std::string& path, bool replaceScene, bool readSettings) {
    lastLoad_ = LoadReport();
    readPreferenceLines_ = false;
    settings_.backgroundMedia.clear();
    if (replaceScene || !scene_) freshScenes();
    CommandEnabler* root = readSettings ? static_cast<CommandEnabler*>(this) : scene_.get();
    AFileIO io(root);
    if (io.openInput(path) != 0) {
        lastLoad_.error = io.error();
        return false;
    }
    loadingPath_ = path;
    int status = 0;
    while (io.hasInput()) {
        status = io.processNextCommand();
        ++lastLoad_.commands;
        // A file whose first line is not one of ours is not read on a guess, even
        // when a keyword of ours turns up further on.
        bool foreign = lastLoad_.commands == 1 && (status == -1 || (status == 0 && !sceneErrorText.empty()));
        if (status == 0 && !foreign) {
            if (!sceneErrorText.empty()) lastLoad_.warnings.push_back(sceneErrorText);
            continue;
        }
        if (status == -3) break;
        if (foreign) {
            lastLoad_.rejected = true;
            lastLoad_.error = std::string("\rThis doesn't seem to be a valid ") + kProductName +
                              " file.\r\rPlease check the file type and try again.";
            Dialogs::instance().alert(lastLoad_.error);
            loadingPath_.clear();
            return false;
        }
        lastLoad_.error = sceneErrorText;
        if (!sceneErrorText.empty()) Dialogs::instance().alert(sceneErrorText);
        break;
    }
    loadingPath_.clear();
    runFixUps();
    // The background line comes before the scene block: it reaches the map only now.
    if (!settings_.backgroundMedia.empty() && scene_) ImageMap::setBackgroundMedia(*scene_, settings_.backgroundMedia);
    if (scene_) scene_->clearChanges();
    lastLoad_.ok = status == 0 || status == -3;
    return lastLoad_.ok;
}

bool OrvoSceneManager::loadPreferences() {
    std::string path = preferencesPath();
    if (!Folders::exists(path)) return false;
    // The preferences hold settings and the timeline defaults, not a scene.
    readingPreferences_ = true;
    bool ok = loadProject(path, false, true);
    readingPreferences_ = false;
    return ok;
}

bool OrvoSceneManager::newScene(const std::string& path) {
    std::string startup = libraryFolder("Prefs") + "/" + kStartupSceneName;
    bool fromStartup = Folders::exists(startup) && loadProject(startup, true, false);
    if (!fromStartup) {
        freshScenes();
        for (FixUp add : newSceneMembers()) add(*scene_);
        runFixUps();
    }
    ++untitledCount_;
    scene_->setName(untitledCount_ == 1 ? "Untitled" : "Untitled " + std::to_string(untitledCount_));
    scene_->clearChanges();
    if (path.empty()) return true;
    if (!loadProject(path, true, true)) {
        if (!lastLoad_.rejected) Dialogs::instance().alert("\rUnable to open:\r" + path);
        return false;
    }
    return true;
}

}  // namespace fw
