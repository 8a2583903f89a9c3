// `info`: what a project or scene file holds, and a project's meshes at render quality.
#include <cstdio>
#include <string>
#include <vector>

#include "app/Console.h"
#include "app/MeshExport.h"
#include "app/OrvoSceneManager.h"
#include "cli/Documents.h"
#include "cli/Subcommand.h"
#include "geometry/ObjectX.h"
#include "scene/SceneFile.h"
#include "scene/SceneX.h"

namespace fw {

namespace {

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

class InfoCommand : public Subcommand {
public:
    void declare(CLI::App& app) override {
        command_ = app.add_subcommand("info", "Tell what a project or scene file holds.");
        command_->add_option("FILE", path_, "file to describe")->required();
    }
    int run() override { return info(path_); }

private:
    std::string path_;
};

}  // namespace

std::unique_ptr<Subcommand> makeInfoCommand() { return std::make_unique<InfoCommand>(); }

}  // namespace fw
