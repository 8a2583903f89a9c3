#include "app/OrvoSceneManager.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/ManagerBlocks.h"
#include "app/OrvoPrefs.h"
#include "persistence/AFileIO.h"
#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "persistence/MemCmdIO.h"
#include "persistence/StringsIO.h"
#include "platform/MemoryBlock.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "scene/AnimGlobals.h"
#include "scene/SceneX.h"
#include "scene/StandInMember.h"
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

// ---- where the settings lines' fields live, for the shared field readers and writers

ProjectSettings& settingsOf(CommandEnabler& r) { return receiverAs<OrvoSceneManager>(r).settings(); }
OrvoPrefs& prefsOf(CommandEnabler& r) { return receiverAs<OrvoSceneManager>(r).prefs(); }
// Reading a line that only preference files carry marks the file as one; writing it,
// in preferences mode, does not.
OrvoPrefs& preferenceLineOf(CommandEnabler& r) {
    auto& m = receiverAs<OrvoSceneManager>(r);
    if (!m.preferencesMode()) m.markPreferenceLine();
    return m.prefs();
}
// The scene manager always holds a scene: it makes one before anything is read.
AnimGlobals& timelineOf(CommandEnabler& r) { return receiverAs<OrvoSceneManager>(r).scene()->animGlobals(); }

// ---- when a line is written

bool inProject(CommandEnabler& r) { return !receiverAs<OrvoSceneManager>(r).preferencesMode(); }
bool inPreferences(CommandEnabler& r) { return receiverAs<OrvoSceneManager>(r).preferencesMode(); }
bool outerWindowSized(CommandEnabler& r) {
    const ProjectSettings& s = settingsOf(r);
    return s.outerWindowSize[0] || s.outerWindowSize[1];
}
// Files that never turned render logs on keep the bytes they always had.
bool renderLogsOn(CommandEnabler& r) { return inPreferences(r) && prefsOf(r).saveRenderLogs != 0; }
// Projects without these keep the bytes they always had.
bool depthOfFieldOn(CommandEnabler& r) { return inProject(r) && settingsOf(r).depthOfField > 1; }
bool antiAliasPassesOn(CommandEnabler& r) { return inProject(r) && settingsOf(r).antiAliasPasses != 0; }
bool textDialogSized(CommandEnabler& r) {
    const ProjectSettings& s = settingsOf(r);
    return s.textDialogSize[0] || s.textDialogSize[1];
}

// Lines that are read and accepted but no longer change anything.
int readOneIgnored(CommandIO& io, CommandEnabler&) {
    char token[CommandIO::kTokenSize];
    return io.readToken(token, sizeof token) == 0 ? 0 : -1;
}
int readTwoIgnored(CommandIO& io, CommandEnabler& r) {
    return readOneIgnored(io, r) == 0 && readOneIgnored(io, r) == 0 ? 0 : -1;
}

// Lines whose value is always the same here.
template <int Value>
int writeConstant(CommandIO& io, CommandEnabler&, const char* keyword, Spelling) {
    return io.writef("%s %d\n", keyword, Value);
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
    settingsOf(r).viewerMode = valueOf(kViewerModes, name);
    return 0;
}
int writeViewerMode(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, nameOf(kViewerModes, settingsOf(r).viewerMode));
}

int readViewerTool(CommandIO& io, CommandEnabler& r) {
    std::string name;
    if (io.readString(name) != 0) return -1;
    settingsOf(r).viewerTool = valueOf(kViewerTools, name);
    return 0;
}
int writeViewerTool(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, nameOf(kViewerTools, settingsOf(r).viewerTool));
}

int readVersion(CommandIO& io, CommandEnabler& r) {
    auto& m = receiverAs<OrvoSceneManager>(r);
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
// Both kinds of file start with the version, which the reader checks.
int writeVersion(CommandIO& io, CommandEnabler&, const char* keyword, Spelling) {
    return io.writef("%s \"%s\"\n", keyword, escapeQuotes(OrvoSceneManager::versionText()).c_str());
}

// The file of the scene's background map; read into the settings, which hand it to
// the map once the scene is loaded.
int writeBackgroundMedia(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    SceneX* scene = receiverAs<OrvoSceneManager>(r).scene();
    std::string media;
    if (!scene || !ImageMap::backgroundMedia(*scene, media)) return 0;
    return io.writef("%s \"%s\"\n", keyword, escapeQuotes(media).c_str());
}

// Preferences never switch the background on.
int writeUseBackgroundMedia(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return io.writef("%s %d\n", keyword, inPreferences(r) ? 0 : settingsOf(r).useBackgroundMedia);
}

int readInnerWindowState(CommandIO& io, CommandEnabler& r) {
    std::string state;
    if (io.readString(state) != 0) return -1;
    settingsOf(r).innerWindowMaximized = state == "MAXIMIZED";
    return 0;
}
int writeInnerWindowState(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    return settingsOf(r).innerWindowMaximized ? io.writef("%s MAXIMIZED\n", keyword) : 0;
}

int readTextVariableFileBatch(CommandIO& io, CommandEnabler& r) {
    std::string file;
    if (io.readString(file) != 0) return -1;
    settingsOf(r).textVariableFileBatches.push_back(file);
    return 0;
}
int writeTextVariableFileBatches(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    for (const std::string& file : settingsOf(r).textVariableFileBatches)
        if (io.writef("%s \"%s\"\n", keyword, escapeQuotes(file).c_str()) != 0) return -1;
    return 0;
}

int readRecentProject(CommandIO& io, CommandEnabler& r) {
    // Recent paths may be as long as any path; one longer than that is cut on reading
    // and then no longer a path that was kept, so it is dropped.
    char path[kMaxPath + 2];
    if (io.readToken(path, sizeof path) != 0) return -1;
    auto& recent = preferenceLineOf(r).recentProjects;
    // The list as the program keeps it: ten at most, each path once.
    bool kept = std::find(recent.begin(), recent.end(), std::string(path)) != recent.end();
    if (std::strlen(path) <= kMaxPath && !kept && recent.size() < OrvoPrefs::kMaxRecent) recent.push_back(path);
    return 0;
}
int writeRecentProjects(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    for (const std::string& path : prefsOf(r).recentProjects)
        if (io.writef("%s \"%s\"\n", keyword, escapeQuotes(path).c_str()) != 0) return -1;
    return 0;
}

int beginBlock(CommandIO& io, CommandEnabler& r) {
    auto& m = receiverAs<OrvoSceneManager>(r);
    char className[CommandIO::kTokenSize];
    if (io.readToken(className, sizeof className) != 0) return -1;
    if (std::strcmp(className, "SceneX") == 0 && m.scene()) {
        io.push(m.scene());
        return 0;
    }
    if (ManagerBlocks* manager = m.managerBlock(className)) return manager->readBlock(io);
    if (std::strcmp(className, "TextAttr") == 0) {
        auto& saved = preferenceLineOf(r).savedTextAttrs;
        saved.push_back(std::make_unique<TextAttr>());
        io.push(saved.back().get());
        return 0;
    }
    return -1;
}
// The blocks: preferences' saved text attributes, the scene, a project's managers.
int writeBlocks(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    auto& m = receiverAs<OrvoSceneManager>(r);
    if (m.preferencesMode())
        for (const auto& attr : m.prefs().savedTextAttrs)
            if (io.writeBlock(*attr) != 0) return -1;
    if (m.scene() && io.writeBlock(*m.scene()) != 0) return -1;
    if (!m.preferencesMode())
        for (ManagerBlocks* manager : m.managerBlocks())
            if (manager->writeBlocks(io) != 0) return -1;
    return 0;
}

template <auto Field>
constexpr FieldTable::Line setting(const char* keyword, Spelling spelling = Spelling::bare,
                                   FieldTable::When when = nullptr) {
    return field<Field, settingsOf>(keyword, spelling, when);
}
template <auto Field>
constexpr FieldTable::Line pref(const char* keyword, Spelling spelling = Spelling::bare,
                                FieldTable::When when = nullptr) {
    return field<Field, prefsOf>(keyword, spelling, when);
}
// A preference that only preference files carry.
template <auto Field>
constexpr FieldTable::Line prefOnly(const char* keyword) {
    return field<Field, preferenceLineOf>(keyword, Spelling::bare, inPreferences);
}

using enum Spelling;
using S = ProjectSettings;
using P = OrvoPrefs;

// The settings lines of projects and preferences, in the order they are written.
constexpr FieldTable::Line kOrvoSceneManagerLines[] = {
    {"Version", readVersion, writeVersion},
    {"ViewerMode", readViewerMode, writeViewerMode},
    {"ViewerTool", readViewerTool, writeViewerTool},
    setting<&S::objectAxisMode>("ObjectAxisMode", quoted),
    setting<&S::glRenderMode>("GLRenderMode", quoted),
    setting<&S::renderSize>("RenderSize"),
    setting<&S::renderResolution>("RenderResolution", quoted),
    setting<&S::renderMethod>("RenderMethod", quoted),
    setting<&S::renderWhat>("RenderWhat", quoted),
    setting<&S::renderFields>("RenderFields", quoted),
    setting<&S::pixelAspect>("PixelAspect", quoted),
    // The timeline's motion blur lives in the scene's globals; reading it is not content.
    field<&AnimGlobals::motionBlurPasses, timelineOf>("MotionBlurPasses", bare, inProject),
    field<&AnimGlobals::motionBlurShutter, timelineOf>("MotionBlurShutter", bare, inProject),
    {"MotionBluroffset", readOneIgnored, writeConstant<0>, bare, inProject},
    {"MotionBlurOffset", readOneIgnored},
    setting<&S::renderDPI>("RenderDPI"),
    setting<&S::antiAliasLevel>("AntiAliasLevel", quoted),
    setting<&S::antiAliasPasses>("AntiAliasPasses", bare, antiAliasPassesOn),
    setting<&S::depthOfField>("DepthOfField", bare, depthOfFieldOn),
    setting<&S::alphaCheckers>("RenderAlphaCheckers", quoted),
    setting<&S::actionSafe>("RenderActionSafe", quoted),
    setting<&S::titleSafe>("RenderTitleSafe", quoted),
    setting<&S::lowerThird>("RenderLowerThird", quoted),
    setting<&S::upperThird>("RenderUpperThird", quoted),
    setting<&S::fieldGrid12>("Render12FieldGrid", quoted),
    setting<&S::inside4x3>("Render4x3Inside16x9", quoted),
    setting<&S::useAlphaMask>("UseAlphaMask", quoted, inProject),
    setting<&S::renderShadows>("RenderShadows", quoted, inProject),
    setting<&S::shadowsHaveTransparency>("ShadowsHaveTransparency", quoted, inProject),
    setting<&S::rayTraceShadows>("RayTraceShadows", quoted, inProject),
    setting<&S::numShadowRays>("NumShadowRays", quoted, inProject),
    setting<&S::ambientOcclusion>("AmbientOcclusion", quoted, inProject),
    setting<&S::numAmbientRays>("NumAmbientRays", quoted, inProject),
    setting<&S::ambientDistance>("AmbientDistance", bare, inProject),
    setting<&S::ambientDarkness>("AmbientDarkness", bare, inProject),
    setting<&S::maxBounces>("MaxBounces", bare, inProject),
    setting<&S::maxShadowBounces>("MaxShadowBounces", bare, inProject),
    setting<&S::reflectivityBlendingStyle>("ReflectivityBlendingStyle", bare, inProject),
    setting<&S::displayPathType>("DisplayPathType", quoted, inProject),
    pref<&P::hardShadingAngle>("HardShadingAngle", quoted),
    setting<&S::backgroundColor>("BackgroundColor"),
    {"BackgroundMedia", readField<&S::backgroundMedia, settingsOf>, writeBackgroundMedia, bare, inProject},
    {"UseBackgroundMedia", readField<&S::useBackgroundMedia, settingsOf>, writeUseBackgroundMedia},
    {"CompBackgroundMedia", readOneIgnored, writeConstant<0>, bare, inPreferences},
    setting<&S::backgroundMediaOpacity>("BackgroundMediaOpacity", bare, inProject),
    pref<&P::defaultGroup>("DefaultGroup", quoted),
    pref<&P::shadowQuality>("ShadowQuality", quoted),
    pref<&P::duplicationOffset>("DuplicationOffset", fixed),
    pref<&P::groundPlane>("GroundPlane"),
    prefOnly<&P::shaderTextureWidth>("ShaderTextureWidth"),
    prefOnly<&P::shaderTextureHeight>("ShaderTextureHeight"),
    pref<&P::numberUndos>("NumberUndos"),
    pref<&P::advancedGLLighting>("AdvancedGLLighting"),
    pref<&P::showTexturesSetup>("ShowTexturesSetup"),
    pref<&P::glslShadowOffset>("GLSLShadowOffset"),
    pref<&P::draftGLShaders>("DraftGLShaders"),
    pref<&P::draftGLShaderShadows>("DraftGLShaderShadows"),
    pref<&P::finalGLShaders>("FinalGLShaders"),
    pref<&P::finalGLShaderShadows>("FinalGLShaderShadows"),
    pref<&P::saveMode>("SaveMode"),
    // Always the stand-alone program here.
    {"RetainTexturesBetweenRenders", readField<&S::retainTexturesBetweenRenders, settingsOf>, writeConstant<1>},
    setting<&S::realtimeSliders>("RealtimeSliders"),
    setting<&S::alertUsersOfOffscreenWindows>("AlertUsersOfOffscreenWindows"),
    prefOnly<&P::doIAlertAboutTweaks>("DoIAlertAboutTweaks"),
    prefOnly<&P::timelineSync>("TimelineSync"),
    prefOnly<&P::doIMentionWebUpdates>("DoIMentionWebUpdates"),
    prefOnly<&P::showToolTips>("ShowToolTips"),
    prefOnly<&P::showNativeFonts>("ShowNativeFonts"),
    pref<&P::saveRenderLogs>("SaveRenderLogs", bare, renderLogsOn),
    setting<&S::simulationOn>("SimulationOn", bare, inProject),
    setting<&S::animationWindowIsAdvanced>("AnimationWindowIsAdvanced"),
    setting<&S::multiThreadedRendering>("MultiThreadedRendering", bare, inProject),
    setting<&S::dictionary>("Dictionary", quoted, inProject),
    setting<&S::textVariableBatchNumber>("TextVariableBatchNumber", bare, inProject),
    setting<&S::textVariableFile>("TextVariableFile", quoted, inProject),
    {"TextVariableFileBatch", readTextVariableFileBatch, writeTextVariableFileBatches, bare, inProject},
    setting<&S::outerWindowPos>("OuterWindowPos"),
    setting<&S::outerWindowSize>("OuterWindowSize", bare, outerWindowSized),
    {"InnerWindowState", readInnerWindowState, writeInnerWindowState},
    setting<&S::textDialogPos>("TextDialogPos", bare, textDialogSized),
    setting<&S::textDialogSize>("TextDialogSize", bare, textDialogSized),
    setting<&S::textDialogLastFontUsed>("TextDialogLastFontUsed", quoted, textDialogSized),
    setting<&S::gradientEditorPos>("GradientEditorPos"),
    {"RecentProject", readRecentProject, writeRecentProjects, bare, inPreferences},
    {"begin", beginBlock, writeBlocks},
    {"end", CommandEnabler::endCommand},
    // Retired lines that older files still carry.
    {"ShowPaths", readOneIgnored},
    {"HighQualityGLTextures", readOneIgnored},
    {"HideGLRenderWindows", readOneIgnored},
    {"ShowTexturesECW", readOneIgnored},
    {"ShowTexturesComp", readOneIgnored},
    {"ShowObjectStyleNamesAndNotes", readOneIgnored},
    {"ObjectStyleSwatchScroll", readOneIgnored},
    {"MaterialSwatchScroll", readOneIgnored},
    {"LightingSwatchScroll", readOneIgnored},
    {"LightingStyleSwatchScroll", readOneIgnored},
    {"LastVersionCheck", readOneIgnored},
    {"BlurOption", readOneIgnored},
    {"BlurRadius", readOneIgnored},
    {"BlurContrast", readOneIgnored},
    {"OptionsWindowPos", readTwoIgnored},
    {"OptionsWindowSize", readTwoIgnored},
    {"AnimationWindowPos", readTwoIgnored},
    {"AnimationWindowSize", readTwoIgnored},
    {"FragDialogPos", readTwoIgnored},
};
constexpr FieldTable kSettingsLines{kOrvoSceneManagerLines};

// A line a project writes and reads that holds a setting, not a block, the version or
// a preference.
const FieldTable::Line* settableLine(const std::string& keyword) {
    for (const FieldTable::Line& line : kOrvoSceneManagerLines) {
        // Lines read and ignored, or kept in preference files only, set nothing here.
        if (keyword != line.keyword || !line.write || !line.read || line.read == readOneIgnored ||
            line.write == writeConstant<0> || line.write == writeConstant<1> || line.when == inPreferences ||
            line.when == renderLogsOn)
            continue;
        if (keyword == "Version" || keyword == "begin") return nullptr;
        return &line;
    }
    return nullptr;
}

}  // namespace

// ---- the manager

std::vector<std::string> OrvoSceneManager::settableKeywords() {
    std::vector<std::string> keywords;
    for (const FieldTable::Line& line : kOrvoSceneManagerLines)
        if (settableLine(line.keyword) == &line) keywords.push_back(line.keyword);
    return keywords;
}

bool OrvoSceneManager::setSetting(const std::string& keyword, const std::string& value, std::string& error,
                                  std::vector<std::string>* warnings) {
    const FieldTable::Line* line = settableLine(keyword);
    if (!line) {
        error = "is not a project setting; the settings are:";
        for (const std::string& k : settableKeywords()) error += " " + k;
        return false;
    }
    // The line as the project itself writes it, to show its form.
    std::string form;
    {
        MemoryBlock block(0);
        MemCmdIO out(this);
        out.attachOutput(block);
        const bool written = line->write(out, *this, line->keyword, line->spelling) == 0;
        if (written && out.writePosition() > 0) {
            form.assign(reinterpret_cast<const char*>(block.lock()), out.writePosition());
            block.unlock();
            while (!form.empty() && (form.back() == '\n' || form.back() == '\r')) form.pop_back();
            form.erase(0, form.find_first_not_of(' '));
        }
    }
    const std::string text = keyword + " " + value;
    const char* lines[] = {text.c_str(), nullptr};
    StringsIO in(this);
    in.attach(lines);
    const StreamRead read = in.readAll();
    if (!read.ok() || read.commands != 1 || value.empty()) {
        error = "cannot take \"" + value + "\"";
        if (!form.empty()) error += "; it is written like this: " + form;
        return false;
    }
    if (warnings) warnings->insert(warnings->end(), read.warnings.begin(), read.warnings.end());
    return true;
}

OrvoSceneManager::OrvoSceneManager(OrvoPrefs& prefs) : prefs_(prefs) {
    freshScenes();
    kSettingsLines.registerInto(*this);
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
    for (ManagerBlocks* manager : managerBlocks_) manager->clearBlocks();
}

void OrvoSceneManager::addManagerBlock(ManagerBlocks* manager) { managerBlocks_.push_back(manager); }

ManagerBlocks* OrvoSceneManager::managerBlock(const char* className) const {
    for (ManagerBlocks* manager : managerBlocks_)
        if (std::strcmp(manager->blockClass(), className) == 0) return manager;
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

int OrvoSceneManager::writeCommands(CommandIO& io) { return kSettingsLines.write(io, *this); }

bool OrvoSceneManager::writeFile(const std::string& path, bool preferences) {
    AFileIO io(this);
    if (io.openOutput(path) != 0) return false;
    preferencesMode_ = preferences;
    if (scene_) {
        scene_->setPreferencesMode(preferences);
        scene_->markMembersInUse();
        // The background the project shows is in use like any member: without its block
        // the map's timing (start time, holds, loop) would not come back.
        if (!preferences && settings_.useBackgroundMedia)
            if (SceneMember* media = scene_->findMember(ImageMap::kDefaultBackgroundName)) media->markUsed();
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

void OrvoSceneManager::resetSettings() {
    settings_ = ProjectSettings();
    prefs_ = OrvoPrefs();
}

bool OrvoSceneManager::loadProject(const std::string& path, bool replaceScene, bool readSettings) {
    lastLoad_ = LoadReport();
    readPreferenceLines_ = false;
    settings_.backgroundMedia.clear();
    // Batch files come one line each: a project lists its own, not the last one's too.
    if (readSettings) settings_.textVariableFileBatches.clear();
    if (replaceScene || !scene_) freshScenes();
    CommandEnabler* root = readSettings ? static_cast<CommandEnabler*>(this) : scene_.get();
    AFileIO io(root);
    if (io.openInput(path) != 0) {
        lastLoad_.error = io.error();
        return false;
    }
    loadingPath_ = path;
    // A file whose first line is not one of ours is not read on a guess, even when a
    // keyword of ours turns up further on.
    StreamRead read = io.readAll(true);
    loadingPath_.clear();
    lastLoad_.commands = read.commands;
    lastLoad_.warnings = read.warnings;
    if (read.end == StreamRead::End::kForeign) {
        lastLoad_.rejected = true;
        lastLoad_.error = std::string("\rThis doesn't seem to be a valid ")
                              .append(kProductName)
                              .append(" file.\r\rPlease check the file type and try again.");
        Dialogs::instance().alert(lastLoad_.error);
        return false;
    }
    if (read.end == StreamRead::End::kFailed) {
        lastLoad_.error = read.error;
        if (!read.error.empty()) Dialogs::instance().alert(read.error);
    }
    // Blocks of classes without a reader yet were kept; the user hears of it once.
    if (scene_) {
        std::string kept = StandInMember::notice(*scene_);
        if (!kept.empty()) lastLoad_.warnings.push_back(kept);
    }
    runFixUps();
    // The background line comes before the scene block: it reaches the map only now.
    if (!settings_.backgroundMedia.empty() && scene_) ImageMap::setBackgroundMedia(*scene_, settings_.backgroundMedia);
    if (scene_) scene_->clearChanges();
    lastLoad_.ok = read.ok();
    return lastLoad_.ok;
}

bool OrvoSceneManager::loadPreferences() {
    std::string path = preferencesPath();
    if (!Folders::exists(path)) return false;
    // The file repeats the last project's render settings and timeline after the
    // preferences' own values; only those values are taken, so what one command opened
    // never changes what the next one makes. The caller starts its scene afterwards.
    const ProjectSettings kept = settings_;
    readingPreferences_ = true;
    bool ok = loadProject(path, false, true);
    readingPreferences_ = false;
    settings_ = kept;
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
        // A file that was read and failed has had its alert already: one is enough.
        bool alerted = lastLoad_.rejected || (lastLoad_.commands > 0 && !lastLoad_.error.empty());
        if (!alerted) Dialogs::instance().alert("\rUnable to open:\r" + path);
        return false;
    }
    return true;
}

}  // namespace fw
