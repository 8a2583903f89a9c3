#include "app/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <type_traits>
#include <unistd.h>
#include <utility>
#include <vector>

#include "anim/AnimTrack.h"
#include "anim/AnimTransition.h"
#include "app/DocumentTypes.h"
#include "app/LibraryCommand.h"
#include "library/MemberCopy.h"
#include "library/OrvoLightManager.h"
#include "library/OrvoLightingStyleManager.h"
#include "library/OrvoMaterialManager.h"
#include "library/OrvoObjectStyleManager.h"
#include "app/FactoryLibrary.h"
#include "app/OrvoPrefs.h"
#include "app/OrvoSceneManager.h"
#include "app/PresetApply.h"
#include "app/Registration.h"
#include "app/RenderJob.h"
#include "app/RenderSequence.h"
#include "app/TitleScene.h"
#include "scene/SceneFile.h"
#include "geometry/ObjectX.h"
#include "app/MeshExport.h"
#include "app/MeshImport.h"
#include "output/MeshFormats.h"
#include "font/GlyphDump.h"
#include "app/VeltraneApp.h"
#include "output/ImageWriter.h"
#include "persistence/AFileIO.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "scene/AnimGlobals.h"
#include "scene/DAGNode.h"
#include "scene/SceneX.h"
#include "geometry/ObjectXStyle.h"
#include "surface/MaterialX.h"
#include "text/TextAttr.h"

namespace fw {

const char* versionText() { return "formwright " FW_VERSION; }

void printError(const std::string& subject, const std::string& what) {
    std::string text = Dialogs::printable(what);
    if (subject.empty())
        std::fprintf(stderr, "formwright: %s\n", text.c_str());
    else
        std::fprintf(stderr, "formwright: %s: %s\n", Dialogs::escaped(subject).c_str(), text.c_str());
}

namespace {
bool quiet_ = false;
}

void setQuiet(bool quiet) { quiet_ = quiet; }
bool quiet() { return quiet_; }

void printNote(const char* format, ...) {
    if (quiet_) return;
    std::va_list arguments;
    va_start(arguments, format);
    std::fputs("formwright: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    va_end(arguments);
}

bool mayReplace(const std::string& path) {
    std::error_code failed;
    if (!std::filesystem::exists(path, failed)) return true;
    switch (Dialogs::instance().policy()) {
        case Dialogs::kAlwaysYes: return true;
        case Dialogs::kAlwaysNo: printError(path, "exists and --no keeps it; nothing was written"); return false;
        default: break;
    }
    if (!isatty(STDIN_FILENO) || !isatty(STDERR_FILENO)) {
        printError(path, "exists; give --yes (-y) to replace it");
        return false;
    }
    std::fprintf(stderr, "formwright: %s exists; replace it? [y/N] ", Dialogs::escaped(path).c_str());
    char answer[16] = {};
    if (!std::fgets(answer, sizeof answer, stdin) || (answer[0] != 'y' && answer[0] != 'Y')) {
        printError(path, "kept; nothing was written");
        return false;
    }
    return true;
}

namespace {

const char* kindName(int kind) {
    switch (kind) {
        case kObjectKind: return "objects";
        case kStyleKind: return "styles";
        case kLightKind: return "lights";
        case kCameraKind: return "cameras";
        case kGroupKind: return "groups";
        case kImageMapKind: return "image maps";
        case kImageFileKind: return "image files";
        case kMaterialKind: return "materials";
        case kProfileKind: return "profiles";
        case kAnimTrackKind: return "animation tracks";
        case kTextBlockKind: return "text blocks";
        default: return nullptr;
    }
}

// A track's line goes on with its type, node and timeline: each segment's type and
// frames, and a transition's launch order.
std::string trackTimeline(AnimTrack& track) {
    std::string text = std::string(" (") + AnimTrack::trackTypeName(track.trackType);
    if (!track.trackNode.empty()) text += ", node \"" + track.trackNode.name() + "\"";
    text += "):";
    if (track.segments.empty()) return text + " no segments";
    for (size_t i = 0; i < track.segments.size(); ++i) {
        AnimTrackSegment& s = *track.segments[i];
        auto* transition = dynamic_cast<AnimTransition*>(&s);
        text += (i ? ", " : " ") + std::string(transition ? "transition " : "pose ") + std::to_string(s.startFrame) +
                "-" + std::to_string(s.lastFrame());
        if (transition) text += std::string(" ") + AnimSequenceParams::launchTypeName(transition->sequence.launchType);
    }
    return text;
}

// Each object's mesh at render quality, counted as export writes it: packed vertices
// and polygons.
void printRenderCounts(SceneX& scene) {
    std::vector<ObjectX*> solids;
    for (int i = 0; i < scene.memberCount(kObjectKind); ++i)
        if (auto* solid = dynamic_cast<ObjectX*>(scene.member(kObjectKind, i))) solids.push_back(solid);
    ObjectX::buildSolids(solids, kRenderMode);
    std::printf("render-quality meshes:\n");
    for (int i = 0; i < scene.memberCount(kObjectKind); ++i) {
        auto* object = dynamic_cast<Object*>(scene.member(kObjectKind, i));
        if (!object) continue;
        const GeometryInterface* g = MeshExport::renderGeometry(*object);
        long faces = 0;
        for (int e = 0; g && e < g->elementCount(); ++e) {
            GeometryInterface::ElementInfo info;
            const int *p, *t, *n;
            if (g->getElementRefs(e, info, &p, &t, &n) && info.kind == GeometryInterface::Polygon) ++faces;
        }
        std::printf("  %s \"%s\": %d vertices, %ld faces\n", object->className(), object->name().c_str(),
                    g ? g->vertexCount() : 0, faces);
    }
}

void printSummary(SceneX& scene) {
    std::printf("scene \"%s\"\n", scene.name().c_str());
    const AnimGlobals& g = scene.animGlobals();
    std::printf("frames %d to %d at %g frames per second, current frame %g\n", g.frameStart, g.frameEnd,
                static_cast<double>(g.framesPerSecond), g.currFrame);
    for (int kind = 0; kind < kMemberKinds; ++kind) {
        const char* label = kindName(kind);
        if (!label || scene.memberCount(kind) == 0) continue;
        std::printf("%s: %d\n", label, scene.memberCount(kind));
        for (int i = 0; i < scene.memberCount(kind); ++i) {
            SceneMember* m = scene.member(kind, i);
            std::printf("  %s \"%s\"", m->className(), m->name().c_str());
            if (auto* node = dynamic_cast<DAGNode*>(m)) std::printf(" below \"%s\"", node->parentName().c_str());
            if (auto* track = dynamic_cast<AnimTrack*>(m)) std::printf("%s", trackTimeline(*track).c_str());
            std::printf("\n");
        }
    }
}

// kUnnamed: a file whose name says nothing; it is a preferences file when it holds
// preference lines, else a project.
enum class DocumentKind { kProject, kPreferences, kScene, kUnnamed };

// A document's kind comes from its name: the preferences file by its name, projects
// by their extensions, so the lines a project happens to hold never make it another
// kind. Only a file named neither is judged by what it holds: a stream whose first
// command opens a block or names the scene is a scene file.
DocumentKind documentKind(const std::string& path) {
    if (std::filesystem::path(path).filename() == OrvoSceneManager::kPreferencesName) return DocumentKind::kPreferences;
    if (DocumentTypes::isProjectName(path)) return DocumentKind::kProject;
    AFileIO io(nullptr);
    if (io.openInput(path) != 0) return DocumentKind::kUnnamed;
    char token[CommandIO::kTokenSize];
    if (io.readToken(token, sizeof token) != 0) return DocumentKind::kUnnamed;
    std::string first = token;
    return first == "begin" || first == "name" ? DocumentKind::kScene : DocumentKind::kUnnamed;
}

// Whether a loaded document of that kind is written as a preferences file.
bool isPreferences(DocumentKind kind, OrvoSceneManager& manager) {
    return kind == DocumentKind::kPreferences || (kind == DocumentKind::kUnnamed && manager.readPreferenceLines());
}

// A headless application for one job: libraries installed, managers created.
struct Session {
    VeltraneApp app;
    bool ready = false;
    Session() {
        VeltraneApp::installLibraries();
        ready = app.initialise();
    }
};

bool loadProjectOrReport(OrvoSceneManager& manager, const std::string& path) {
    Dialogs::instance().setSubject(path);
    bool ok = manager.loadProject(path);
    Dialogs::instance().setSubject("");
    const auto& report = manager.lastLoad();
    for (const std::string& warning : report.warnings) printError(path, warning);
    // Rejections and stream errors were shown as alerts already.
    if (!ok && report.commands == 0) printError(path, report.error.empty() ? "cannot be read" : report.error);
    return ok;
}

int resaveScene(const std::string& in, const std::string& out) {
    SceneFile::Loaded loaded = SceneFile::load(in);
    for (const std::string& warning : loaded.warnings) printError(in, warning);
    if (!loaded.scene) {
        printError(in, loaded.error);
        return kExitUserError;
    }
    std::string error;
    if (!SceneFile::save(*loaded.scene, out, error)) {
        printError(out, error);
        return kExitUserError;
    }
    return kExitOk;
}

int resave(const std::string& in, const std::string& out) {
    DocumentKind kind = documentKind(in);
    if (kind == DocumentKind::kScene) return resaveScene(in, out);
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    manager.resetSettings();  // the file alone decides what is written
    if (!loadProjectOrReport(manager, in)) return kExitUserError;
    bool preferences = isPreferences(kind, manager);
    if (!preferences && manager.readPreferenceLines())
        printError(in, "holds lines of the preferences file (recent projects, saved text styles, user settings); "
                       "a project does not keep them, so they are not written to " + out);
    if (!manager.writeFile(out, preferences)) {
        printError(out, "cannot be written");
        return kExitUserError;
    }
    return kExitOk;
}

int info(const std::string& path) {
    DocumentKind kind = documentKind(path);
    if (kind == DocumentKind::kScene) {
        SceneFile::Loaded loaded = SceneFile::load(path);
        for (const std::string& warning : loaded.warnings) printError(path, warning);
        if (!loaded.scene) {
            printError(path, loaded.error);
            return kExitUserError;
        }
        printSummary(*loaded.scene);
        return kExitOk;
    }
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    manager.resetSettings();
    if (!loadProjectOrReport(manager, path)) return kExitUserError;
    const auto& s = manager.settings();
    std::printf("%s file, render size %g x %g\n", isPreferences(kind, manager) ? "preferences" : "project",
                s.renderSize[0], s.renderSize[1]);
    printSummary(*manager.scene());
    printRenderCounts(*manager.scene());
    return kExitOk;
}

// The desktop program's one argument: open the project, show it, and quit the usual way.
int openProject(const std::string& path) {
    if (!DocumentTypes::isProjectName(path)) {
        printError(path, "is not a project: give a .kxp or .kxa file (import brings in meshes)");
        return kExitUserError;
    }
    if (Folders::isSpecialFile(path)) {
        printError(path, "is not a regular file");
        return kExitUserError;
    }
    if (!Folders::isRegularFile(path)) {
        printError(path, "cannot be read: there is no such file");
        return kExitUserError;
    }
    Session session;
    Dialogs::instance().setSubject(path);
    bool opened = session.app.openAtStart(path);
    Dialogs::instance().setSubject("");
    if (!opened) return kExitUserError;
    for (const std::string& warning : session.app.sceneManager().lastLoad().warnings) printError(path, warning);
    printSummary(*session.app.sceneManager().scene());
    session.app.exit();
    return kExitOk;
}

// The preferences that change what commands make: shown and set only by `prefs`.
struct PrefEntry {
    const char* name;
    double low, high;
    const char* what;
    double (*get)(const OrvoPrefs&);
    void (*set)(OrvoPrefs&, double);
};
template <auto Member>
constexpr PrefEntry prefEntry(const char* name, double low, double high, const char* what) {
    using Value = std::remove_reference_t<decltype(std::declval<OrvoPrefs&>().*Member)>;
    return {name, low, high, what, [](const OrvoPrefs& p) { return static_cast<double>(p.*Member); },
            [](OrvoPrefs& p, double v) { p.*Member = static_cast<Value>(v); }};
}
constexpr PrefEntry kPrefEntries[] = {
    prefEntry<&OrvoPrefs::hardShadingAngle>("HardShadingAngle", 0, 180,
                                            "degrees: an imported mesh's faces meeting at a sharper angle keep a crease"),
    prefEntry<&OrvoPrefs::shaderTextureWidth>("ShaderTextureWidth", 16, 8192, "pixels across a material's baked texture"),
    prefEntry<&OrvoPrefs::shaderTextureHeight>("ShaderTextureHeight", 16, 8192, "pixels down a material's baked texture"),
    prefEntry<&OrvoPrefs::glslShadowOffset>("GLSLShadowOffset", 0, 0.1, "how far an OpenGL shadow is pushed off its surface"),
    prefEntry<&OrvoPrefs::saveRenderLogs>("SaveRenderLogs", 0, 1,
                                          "1: a text log of each sequence's frame times beside its output"),
};

// `prefs`: every preference that changes output with its value, or one set and saved.
int prefsCommand(const std::vector<std::string>& words) {
    Session session;
    OrvoPrefs& prefs = session.app.prefs();
    if (words.empty()) {
        for (const PrefEntry& e : kPrefEntries) std::printf("%s %g  (%s)\n", e.name, e.get(prefs), e.what);
        return kExitOk;
    }
    const PrefEntry* entry = nullptr;
    for (const PrefEntry& e : kPrefEntries)
        if (words[0] == e.name) entry = &e;
    if (!entry) {
        std::vector<std::string> names;
        for (const PrefEntry& e : kPrefEntries) names.push_back(e.name);
        std::string text = "no such preference; the closest are";
        std::vector<std::string> close = FactoryLibrary::closeNames(words[0], names, 3);
        for (size_t i = 0; i < close.size(); ++i) text += (i ? ", " : " ") + close[i];
        printError(words[0], text);
        return kExitUserError;
    }
    if (words.size() == 1) {
        std::printf("%g\n", entry->get(prefs));
        return kExitOk;
    }
    char* end = nullptr;
    const double value = std::strtod(words[1].c_str(), &end);
    if (words.size() > 2 || end == words[1].c_str() || *end != 0 || !(value >= entry->low && value <= entry->high)) {
        char text[160];
        std::snprintf(text, sizeof text, "takes one number from %g to %g", entry->low, entry->high);
        printError(entry->name, text);
        return kExitUserError;
    }
    entry->set(prefs, value);
    return session.app.sceneManager().savePreferences() ? kExitOk : kExitUserError;
}

// The presets `--material`, `--lighting` and `--style` name, as typed.
struct Looks {
    std::string material, lighting, style;
    bool any() const { return !material.empty() || !lighting.empty() || !style.empty(); }
};

// The user's library of a kind, as loaded from the swatch folders (which begin as the
// factory's presets).
OrvoStyleManager& lookLibrary(VeltraneApp& app, FactoryLibrary::Kind kind) {
    switch (kind) {
        case FactoryLibrary::kMaterials: return app.materialManager();
        case FactoryLibrary::kObjectStyles: return app.objectStyleManager();
        case FactoryLibrary::kLights: return app.lightManager();
        default: return app.lightingStyleManager();
    }
}

// The preset of the user's libraries a look option names; empty when there is none of
// that kind and name.
FactoryLibrary::Preset findLook(VeltraneApp& app, FactoryLibrary::Kind kind, const std::string& name) {
    FactoryLibrary::Preset found;
    OrvoStyle* preset = lookLibrary(app, kind).find(name);
    if (!preset) return found;
    if (kind == FactoryLibrary::kLightingStyles) {
        found.lighting = &preset->scene();
    } else if (kind == FactoryLibrary::kMaterials ? dynamic_cast<MaterialX*>(preset->item()) != nullptr
                                                  : dynamic_cast<ObjectXStyle*>(preset->item()) != nullptr) {
        found.member = preset->item();
    }
    return found;
}

// The names a look option may take: an object style option takes edge profiles too.
std::vector<std::string> lookNames(VeltraneApp& app, FactoryLibrary::Kind kind) {
    std::vector<std::string> names = lookLibrary(app, kind).names();
    if (kind == FactoryLibrary::kObjectStyles)
        for (const std::string& edge : TitleScene::edgeNames()) names.push_back(edge);
    return names;
}

bool isEdgeName(const std::string& name) {
    std::vector<std::string> edges = TitleScene::edgeNames();
    return std::find(edges.begin(), edges.end(), name) != edges.end();
}

// Every named preset is in the user's libraries; an unknown one is reported with the
// names closest to it.
bool checkLooks(const Looks& looks) {
    if (!looks.any()) return true;
    Session session;
    session.app.loadSwatches();
    const struct {
        const std::string* name;
        FactoryLibrary::Kind kind;
        const char* what;
    } options[] = {{&looks.style, FactoryLibrary::kObjectStyles, "object style or edge profile"},
                   {&looks.material, FactoryLibrary::kMaterials, "material"},
                   {&looks.lighting, FactoryLibrary::kLightingStyles, "lighting style"}};
    for (const auto& o : options) {
        if (o.name->empty() || findLook(session.app, o.kind, *o.name)) continue;
        if (o.kind == FactoryLibrary::kObjectStyles && isEdgeName(*o.name)) continue;
        std::vector<std::string> close = FactoryLibrary::closeNames(*o.name, lookNames(session.app, o.kind));
        std::string text = std::string("no such ") + o.what + (close.empty() ? "; the library holds none" : "; the closest are");
        for (size_t i = 0; i < close.size(); ++i) text += (i ? ", \"" : " \"") + close[i] + "\"";
        if (o.kind == FactoryLibrary::kObjectStyles) {  // the edges are few and fixed: all of them
            const std::vector<std::string> edges = TitleScene::edgeNames();
            text += "; the edge profiles are";
            for (size_t i = 0; i < edges.size(); ++i) text += (i ? ", \"" : " \"") + edges[i] + "\"";
        }
        printError(*o.name, text);
        return false;
    }
    return true;
}

// Puts the checked presets on the scene: the style first, so that the material
// dresses the styles the objects wear in the end.
void applyLooks(VeltraneApp& app, const Looks& looks, bool edgeDone = false) {
    if (!looks.any()) return;
    app.loadSwatches();
    SceneX& scene = *app.sceneManager().scene();
    if (!looks.style.empty() && !edgeDone) {
        int changed = 0;
        if (auto preset = findLook(app, FactoryLibrary::kObjectStyles, looks.style))
            changed = PresetApply::objectStyle(scene, *dynamic_cast<ObjectXStyle*>(preset.member));
        else
            changed = PresetApply::edgeProfile(scene, looks.style);
        if (changed == 0) printError("--style", "the project has no visible extruded objects to wear it");
    }
    if (!looks.material.empty()) {
        int dressed = 0;
        auto preset = findLook(app, FactoryLibrary::kMaterials, looks.material);
        // The image maps and files the material names come along, as its preset keeps them.
        MemberCopy::copyReferences(preset.member->scene(), *preset.member, scene);
        PresetApply::material(scene, *dynamic_cast<MaterialX*>(preset.member), &dressed);
        if (dressed == 0) printError("--material", "the project has no visible objects to wear it");
    }
    if (!looks.lighting.empty()) {
        auto preset = findLook(app, FactoryLibrary::kLightingStyles, looks.lighting);
        PresetApply::lighting(scene, *preset.lighting, PresetApply::lightScale(scene));
    }
}

int renderProject(const std::string& path, const std::string& out, const std::string& size,
                  std::optional<double> frameNumber,
                  const std::string& renderer = "", const Looks& looks = Looks()) {
    if (!ImageWriter::supports(out)) {
        printError(out, "unknown image type (use " + ImageWriter::extensions() + ")");
        return kExitUserError;
    }
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    if (!loadProjectOrReport(manager, path)) return kExitUserError;
    applyLooks(session.app, looks);
    RenderJob job(manager, printError, path);
    if (!job.configure(size, frameNumber, renderer)) return kExitUserError;
    return job.renderTo(out, path);
}

int glyphs(const std::string& font, const std::string& chars, bool haveChars) {
    std::vector<uint32_t> codes;
    for (char16_t c : TitleScene::fromUtf8(chars)) codes.push_back(c);
    std::string error;
    if (!veltrane::writeGlyphRecords(font.c_str(), haveChars ? &codes : nullptr, stdout, error)) {
        printError(font, error);
        return kExitUserError;
    }
    return kExitOk;
}

// Writes the title's scene as a project, a mesh or (through its saved project) a picture.
int writeTitle(const TitleScene::Options& options, const std::string& out, bool project, const Looks& looks) {
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    std::string subject, error;
    if (!TitleScene::build(manager, options, subject, error)) {
        printError(subject, error);
        return kExitUserError;
    }
    // An edge profile named by --style was built in already.
    applyLooks(session.app, looks, looks.style == options.edge);
    if (project) {
        if (!manager.writeFile(out, false)) {
            printError(out, "cannot be written");
            return kExitUserError;
        }
        return kExitOk;
    }
    MeshExport::Request request;
    request.out = out;
    return MeshExport::run(manager, request);
}

// What the `text` command was asked for, as typed.
struct TextRequest {
    std::string text, font, size, align, animate, out;
    Looks looks;
    double depth = TitleScene::kTextSize * 0.25;
    double leading = TextAttr::kLeadingNotSet;
    double spacing = 0;
    int wrap = 0;
};

// A length that must be above zero; CLI11's own check prints its whole range.
const CLI::Validator kAboveZero(
    [](std::string& text) {
        char* end = nullptr;
        double value = std::strtod(text.c_str(), &end);
        if (end != text.c_str() && *end == 0 && value > 0 && std::isfinite(value)) return std::string();
        return "takes a number above 0, not " + text;
    },
    "NUMBER>0");

int alignmentOf(const std::string& name) {
    if (name == "centre" || name == "center") return TextAttr::kCentred;
    if (name == "right") return TextAttr::kRight;
    if (name == "justify") return TextAttr::kJustified;
    if (name == "justify-all") return TextAttr::kJustifiedAll;
    return TextAttr::kLeft;
}

int renderRange(const RenderSequence::Request& request, const Looks& looks) {
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    if (!loadProjectOrReport(manager, request.project)) return kExitUserError;
    applyLooks(session.app, looks);
    return RenderSequence::run(manager, request);
}

// Builds a scene holding the text as bevelled characters, framed by the default camera.
int makeText(const TextRequest& request) {
    const std::string& out = request.out;
    bool image = ImageWriter::supports(out);
    bool project = DocumentTypes::lowerExtension(out) == ".kxp";
    const MeshFormat* format = MeshFormats::forPath(out);
    bool mesh = format && format->write;
    if (!image && !project && !mesh) {
        printError(out, "write a project (.kxp), a mesh (" + MeshFormats::extensions(true) +
                            ") or an image (" + ImageWriter::extensions() + ")");
        return kExitUserError;
    }
    if (!checkLooks(request.looks)) return kExitUserError;
    if (project && !mayReplace(out)) return kExitUserError;
    TitleScene::Options options;
    if (!request.size.empty()) {
        if (mesh) {
            printError("--size", "a mesh has no picture size (give it with an image or a project)");
            return kExitUserError;
        }
        if (!RenderJob::parseSize(request.size, options.width, options.height)) {
            printError("--size", RenderJob::kSizeHelp);
            return kExitUserError;
        }
    }
    options.text = TitleScene::fromUtf8(request.text);
    if (!request.font.empty()) options.font = request.font;
    if (isEdgeName(request.looks.style)) options.edge = request.looks.style;
    options.depth = request.depth;
    options.alignment = alignmentOf(request.align);
    options.leading = request.leading;
    options.spacing = request.spacing;
    options.wrap = request.wrap;
    options.animate = request.animate;
    if (!image) return writeTitle(options, out, project, request.looks);
    // The picture is the one `render` gives of the saved project: the file keeps fewer
    // digits than the scene in memory, so the title is rendered from its file.
    std::error_code failed;
    std::filesystem::path saved = std::filesystem::temp_directory_path(failed) /
                                  ("formwright-title-" + std::to_string(getpid()) + ".kxp");
    int status = writeTitle(options, saved.string(), true, request.looks);
    if (status == kExitOk) status = renderProject(saved.string(), out, "", std::nullopt);
    std::filesystem::remove(saved, failed);
    return status;
}

int exportMeshes(const std::string& project, const MeshExport::Request& request) {
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    if (!loadProjectOrReport(manager, project)) return kExitUserError;
    return MeshExport::run(manager, request);
}

int importMesh(const std::string& file, const std::string& out, const std::string& into, const Looks& looks) {
    if (!checkLooks(looks)) return kExitUserError;
    if (into.empty() && !mayReplace(out)) return kExitUserError;
    const std::string& project = into.empty() ? out : into;
    {
        Session session;
        OrvoSceneManager& manager = session.app.sceneManager();
        if (!into.empty() && !loadProjectOrReport(manager, into)) return kExitUserError;
        int status = MeshImport::run(manager, file, project, into.empty());
        if (status != kExitOk || !looks.any()) return status;
    }
    // The looks go on the project as written, so the import keeps one way of writing it.
    Session session;
    OrvoSceneManager& manager = session.app.sceneManager();
    if (!loadProjectOrReport(manager, project)) return kExitUserError;
    applyLooks(session.app, looks);
    return MeshImport::save(manager, project);
}

// The look options, the same on every command that takes them.
void addLookOptions(CLI::App& command, Looks& looks) {
    command.add_option("--material", looks.material,
                       "a material of the library put on every visible object (\"Polished Gold\", \"Chrome\", "
                       "...; `library list materials` lists them)");
    command.add_option("--lighting", looks.lighting,
                       "a lighting style of the library that replaces the lights (\"Three-Point\", \"Sunset\", ...)");
    command.add_option("--style", looks.style,
                       "an object style of the library (\"Deep Bevel\", ...) or an edge profile (\"Bevel, Medium\", ...) "
                       "for every visible extruded object");
}

int parseAndRun(int argc, char** argv) {
    CLI::App app{"Formwright: 3D titles and logos from fonts and outlines, rendered headless.", "formwright"};
    app.set_version_flag("--version", std::string(versionText()));
    app.require_subcommand(0, 1);
    app.fallthrough();

    std::string project, libraryFolder;
    bool yes = false, no = false;
    app.add_option("PROJECT", project, "project to open (.kxp or .kxa) and summarise");
    app.add_option("--library-folder", libraryFolder,
                   "folder that holds Veltrane/Libraries (default: $HOME/Documents)");
    auto* yesFlag = app.add_flag("-y,--yes", yes, "answer the program's questions with Yes (an existing project or "
                                                  "library file is replaced)");
    bool quietRun = false;
    app.add_flag("-q,--quiet", quietRun, "no summaries or progress, only errors");
    app.add_flag("-n,--no", no, "answer the program's questions with No (an existing project or library file is "
                                "kept and the command fails)")
        ->excludes(yesFlag);

    std::string resaveIn, resaveOut;
    CLI::App* resaveCommand = app.add_subcommand(
        "resave", "Load a project, preferences or scene file and write it back (atomically).");
    resaveCommand->add_option("IN", resaveIn, "file to load")->required();
    resaveCommand->add_option("OUT", resaveOut, "file to write")->required();

    std::string renderIn, renderOut, renderSize;
    double renderFrame = -1;
    RenderSequence::Request sequence;
    CLI::App* renderCommand = app.add_subcommand(
        "render", "Render a project's current frame, or a frame range, with OpenGL or by ray tracing, its animation "
                  "played.");
    renderCommand->add_option("PROJECT", renderIn, "project to render")->required();
    renderCommand->add_option("-o,--output", renderOut,
                              "image file (" + ImageWriter::extensions() +
                                  "; with --frames, the name of a numbered sequence: shot.png gives shot_0007.png) "
                                  "or, with --frames, a movie (.mov, .mp4, .avi)")
        ->required();
    renderCommand->add_option("--size", renderSize, "WIDTHxHEIGHT (default: the project's render size)");
    auto* frameOption = renderCommand->add_option("--frame", renderFrame, "frame to render (default: the current frame)");
    renderCommand->add_option("--frames", sequence.range, "FIRST-LAST: render this range of the timeline")
        ->excludes(frameOption);
    renderCommand
        ->add_option("--renderer", sequence.renderer,
                     "gl or raytrace (default: the project's render method)")
        ->check(CLI::IsMember({"gl", "raytrace"}));
    renderCommand->add_option("--fps", sequence.fps,
                              "a movie's frame rate: 25, 29.97, 30000/1001 ... (default: the project's)");
    renderCommand->add_option("--codec", sequence.codec,
                              "a movie's codec: .mov rle (QuickTime Animation, the default), h264 or png; .mp4 "
                              "h264; .avi dib (uncompressed, the default) or mjpeg");
    Looks renderLooks;
    addLookOptions(*renderCommand, renderLooks);

    TextRequest text;
    CLI::App* textCommand = app.add_subcommand(
        "text", "Build 3D text: a project, a mesh or a rendered image. The text is 72 points tall; "
                "lengths below are in points. A new title starts from the program's defaults: 640x480 on "
                "black, DejaVu Sans, \"Bevel, Medium\" edges, the default material and lights, a 300-frame "
                "timeline at 30 frames per second.");
    textCommand->add_option("TEXT", text.text, "the text, UTF-8 (a line break starts a new line)")->required();
    textCommand->add_option("--font", text.font, "an installed font family or full name, or a font file "
                                                 "(default DejaVu Sans)");
    addLookOptions(*textCommand, text.looks);
    textCommand->add_option("--size", text.size, "WIDTHxHEIGHT of the picture, kept as the project's render size "
                                                 "(default 640x480)");
    textCommand->add_option("--depth", text.depth, "depth of the solids (default 18)")->check(kAboveZero);
    textCommand->add_option("--align", text.align, "left, centre (center), right, justify or justify-all: "
                                                   "where each line sits in the text's width (default left)")
        ->check(CLI::IsMember({"left", "centre", "center", "right", "justify", "justify-all"}));
    textCommand->add_option("--leading", text.leading, "distance between baselines (default 1.2 x the size)")
        ->check(kAboveZero);
    textCommand->add_option("--spacing", text.spacing, "extra space after each character, thousandths of an em "
                                                       "(negative tightens; default 0)")
        ->check(CLI::Range(-1000.0, 10000.0));
    textCommand->add_option("--wrap", text.wrap, "width at which a line breaks after its last space "
                                                 "(default: only line breaks in the text)")
        ->check(kAboveZero);
    textCommand->add_option("--animate", text.animate, "a ready-made animation: fly-in (letters fly in one by one), "
                                                       "drop (letters drop and settle) or spin-in (words spin in); "
                                                       "an image shows the settled title");
    textCommand->add_option("-o,--output", text.out, "OUT.kxp, a mesh (.obj, .dxf, .3ds, .lwo, .fac, .c4d, .glb) or an "
                                                      "image")
        ->required();

    std::string exportIn;
    MeshExport::Request exportRequest;
    CLI::App* exportCommand = app.add_subcommand(
        "export", "Write a project's visible objects as a mesh file, at one frame or for a frame range.");
    exportCommand->add_option("PROJECT", exportIn, "project to export")->required();
    exportCommand->add_option("-o,--output", exportRequest.out,
                              "mesh file: .obj, .dxf, .3ds, .lwo, .fac, .c4d or .glb (with --frames, OBJ writes a "
                              "file per frame, logo.0012.obj; the others hold every frame)")
        ->required();
    double exportFrame = 0;
    auto* exportFrameOption = exportCommand->add_option("--frame", exportFrame, "frame to export (default: the "
                                                                                "current frame)");
    exportCommand->add_option("--frames", exportRequest.range, "FIRST-LAST: export this range of the timeline")
        ->excludes(exportFrameOption);
    bool worldCoordinates = false;
    auto* worldFlag =
        exportCommand->add_flag("--world", worldCoordinates, "positions in world coordinates (the default)");
    exportCommand->add_flag("--local", exportRequest.local, "positions in each object's own coordinates")
        ->excludes(worldFlag);
    exportCommand->add_flag("--sections", exportRequest.sections,
                            "an extruded object's parts (faces, bevels, sides) as objects of their own");
    exportCommand->add_option("--scale", exportRequest.scale,
                              "multiply every coordinate by this; one unit of a project is a point (1/72 inch). "
                              "Default 1, except .glb, whose unit is the metre: 0.000352778, a point in metres "
                              "(a 72-point letter 25.4 mm tall)")
        ->check(kAboveZero);

    std::string importIn, importOut, importInto;
    CLI::App* importCommand = app.add_subcommand(
        "import", "Bring a mesh file into a project: each object of the file becomes a custom object.");
    importCommand->add_option("FILE", importIn, "mesh file: .obj, .dxf, .3ds, .lwo, .fac or .c4d")->required();
    auto* importOutOption = importCommand->add_option("-o,--output", importOut, "new project (.kxp) holding the mesh");
    importCommand->add_option("--into", importInto, "existing project (.kxp) to add the mesh to, saved in place")
        ->excludes(importOutOption);
    Looks importLooks;
    addLookOptions(*importCommand, importLooks);

    std::string glyphFont, glyphChars;
    CLI::App* glyphsCommand = app.add_subcommand("glyphs", "Print a font's glyph outlines and metrics as JSON lines.");
    glyphsCommand->add_option("FONT", glyphFont, "TrueType, OpenType or collection file")->required();
    auto* charsOption = glyphsCommand->add_option(
        "--chars", glyphChars, "only these characters (UTF-8), looked up as `text` looks them up; without it, "
                               "every code the character maps give a glyph, in the map's own codes");

    std::string infoPath;
    CLI::App* infoCommand = app.add_subcommand("info", "Tell what a project or scene file holds.");
    infoCommand->add_option("FILE", infoPath, "file to describe")->required();

    LibraryCommand library(app);

    std::vector<std::string> prefWords;
    CLI::App* prefsCommandLine = app.add_subcommand(
        "prefs", "Show the preferences that change what commands make, or set one (NAME VALUE); nothing else "
                 "carries from one command to the next.");
    prefsCommandLine->add_option("NAME VALUE", prefWords, "a preference, and its new value");

    // The global options apply after any command too: every command's help names them.
    const std::string globals =
        "\nOptions of every command:\n"
        "  --library-folder DIR        folder that holds Veltrane/Libraries and the preferences\n"
        "                              (default: $HOME/Documents)\n"
        "  -y,--yes                    answer Yes: an existing project or library file is replaced\n"
        "  -n,--no                     answer No: an existing project or library file is kept, and\n"
        "                              the command fails\n"
        "  -q,--quiet                  no summaries or progress, only errors\n"
        "Images, movies and meshes already there are replaced; projects and library files only\n"
        "with --yes (a terminal is asked). Every command starts from the program's defaults.";
    std::vector<CLI::App*> commands = app.get_subcommands([](CLI::App*) { return true; });
    for (size_t i = 0; i < commands.size(); ++i) {
        commands[i]->footer(globals);
        for (CLI::App* inner : commands[i]->get_subcommands([](CLI::App*) { return true; })) commands.push_back(inner);
    }

    // A first word that is neither a command nor a project is a mistyped command: say
    // so, rather than letting the rest of the line look like unexpected arguments.
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--library-folder") {
            ++i;
            continue;
        }
        if (word.rfind('-', 0) == 0) continue;
        std::vector<std::string> commands;
        for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; }))
            commands.push_back(command->get_name());
        if (std::find(commands.begin(), commands.end(), word) != commands.end() || DocumentTypes::isProjectName(word)) break;
        std::error_code failed;
        if (std::filesystem::exists(word, failed)) break;  // opened as a project, which says what is wrong
        std::string text = "no such command; the closest are";
        std::vector<std::string> close = FactoryLibrary::closeNames(word, commands, 3);
        for (size_t k = 0; k < close.size(); ++k) text += (k ? ", " : " ") + close[k];
        printError(word, text + " (formwright --help lists them all)");
        return kExitUserError;
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion&) {
        std::printf("%s\n", versionText());
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        printError("", e.what());
        std::fprintf(stderr, "Run 'formwright --help' for usage.\n");
        return kExitUserError;
    }

    if (!libraryFolder.empty()) Folders::instance().setDocuments(libraryFolder);
    // Every command but glyphs reads the libraries or the preferences: a folder that
    // cannot hold them is the user's to fix, said once before any work.
    const bool working = !glyphsCommand->parsed() && (app.get_subcommands().size() > 0 || !project.empty());
    if (working) {
        const std::string libraries = VeltraneApp::userLibraries();
        if (!Folders::ensureFolder(libraries) || !Folders::isWritable(libraries)) {
            printError(libraryFolder.empty() ? libraries : libraryFolder,
                       "cannot hold the libraries and preferences: give --library-folder a folder that can be written");
            return kExitUserError;
        }
        // A swatch folder that is there but cannot be read would pass for an empty library.
        for (const OrvoStyleManager::Kind* kind :
             {&OrvoMaterialManager::materials(), &OrvoLightManager::lights(), &OrvoObjectStyleManager::objectStyles(),
              &OrvoLightingStyleManager::lightingStyles()}) {
            const std::string folder =
                libraries + "/" + OrvoStyleManager::kSwatchRoot + "/" + kind->swatchFolder;
            std::error_code failed;
            if (!std::filesystem::exists(folder, failed)) continue;
            if (!std::filesystem::is_directory(folder, failed) || ::access(folder.c_str(), R_OK | X_OK) != 0) {
                printError(folder, std::string("the ") + kind->word + " swatch folder cannot be read: it is not a "
                                   "folder this user can read; move it aside and the factory presets come back");
                return kExitUserError;
            }
        }
    }
    setQuiet(quietRun);
    Dialogs::instance().setPolicy(yes ? Dialogs::kAlwaysYes : no ? Dialogs::kAlwaysNo : Dialogs::kSafeAnswer);
    registerAllClasses();

    if (resaveCommand->parsed()) {
        int status = LibraryCommand::resave(resaveIn, resaveOut);
        return status >= 0 ? status : resave(resaveIn, resaveOut);
    }
    if (library.parsed()) return library.run();
    if (renderCommand->parsed() && !sequence.range.empty()) {
        sequence.project = renderIn, sequence.out = renderOut, sequence.size = renderSize;
        if (!checkLooks(renderLooks)) return kExitUserError;
        return renderRange(sequence, renderLooks);
    }
    if (renderCommand->parsed() && (!sequence.fps.empty() || !sequence.codec.empty())) {
        printError(sequence.fps.empty() ? "--codec" : "--fps", "belongs to a movie: give --frames FIRST-LAST too");
        return kExitUserError;
    }
    if (renderCommand->parsed()) {
        if (!checkLooks(renderLooks)) return kExitUserError;
        return renderProject(renderIn, renderOut, renderSize,
                             frameOption->count() ? std::optional<double>(renderFrame) : std::nullopt, sequence.renderer,
                             renderLooks);
    }
    if (infoCommand->parsed()) return info(infoPath);
    if (exportCommand->parsed()) {
        if (exportFrameOption->count()) exportRequest.frame = exportFrame;
        return exportMeshes(exportIn, exportRequest);
    }
    if (importCommand->parsed()) {
        if (importOut.empty() && importInto.empty()) {
            printError("import", "give the project to write with -o OUT.kxp, or one to add to with --into P.kxp");
            return kExitUserError;
        }
        return importMesh(importIn, importOut, importInto, importLooks);
    }
    if (textCommand->parsed()) return makeText(text);
    if (glyphsCommand->parsed()) return glyphs(glyphFont, glyphChars, charsOption->count() > 0);
    if (prefsCommandLine->parsed()) return prefsCommand(prefWords);
    if (!project.empty()) return openProject(project);
    std::fputs(app.help().c_str(), stdout);
    return kExitOk;
}

}  // namespace

int runCommandLine(int argc, char** argv) {
    try {
        return parseAndRun(argc, argv);
    } catch (const std::bad_alloc&) {
        printError("", "out of memory");
    } catch (const std::exception& e) {
        printError("", std::string("internal error: ") + e.what());
    } catch (...) {
        printError("", "internal error");
    }
    return kExitInternal;
}

}  // namespace fw
