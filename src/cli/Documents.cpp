#include "cli/Documents.h"

#include <cstdio>
#include <filesystem>

#include "anim/AnimTrack.h"
#include "anim/AnimTransition.h"
#include "app/Console.h"
#include "app/DocumentTypes.h"
#include "app/OrvoSceneManager.h"
#include "persistence/AFileIO.h"
#include "platform/Dialogs.h"
#include "scene/AnimGlobals.h"
#include "scene/DAGNode.h"
#include "scene/SceneX.h"

namespace fw {

Session::Session() {
    VeltraneApp::installLibraries();
    ready = app.initialise();
}

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

bool isPreferences(DocumentKind kind, OrvoSceneManager& manager) {
    return kind == DocumentKind::kPreferences || (kind == DocumentKind::kUnnamed && manager.readPreferenceLines());
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

}  // namespace

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

}  // namespace fw
