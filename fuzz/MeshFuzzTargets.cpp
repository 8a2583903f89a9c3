#include "MeshFuzzTargets.h"

#include <string>

#include "FuzzFolder.h"
#include "MeshChecks.h"
#include "app/MeshImport.h"
#include "app/OrvoPrefs.h"
#include "app/OrvoSceneManager.h"
#include "geometry/ObjectP.h"
#include "output/MeshFormats.h"
#include "scene/SceneX.h"

namespace fw::fuzz {

namespace {

// What import accepted is saved as a project the way `import` saves it and opened
// again: it must read back with every object and every polygon it was saved with.
void trapUnlessProjectReadsBack(std::vector<ImportGroup>& groups, const char* extension) {
    OrvoPrefs prefs;
    OrvoSceneManager manager(prefs);
    manager.newScene();
    std::vector<ObjectP*> made = MeshImport::add(manager, groups, std::string("fuzz") + extension);
    if (made.empty()) return;
    std::vector<std::pair<std::string, int>> saved;
    for (ObjectP* object : made) saved.emplace_back(object->name(), object->customMesh().elementCount());
    const std::string project = fuzzFolder() + "/import.kxp";
    if (!manager.writeFile(project, false)) __builtin_trap();
    if (!manager.loadProject(project)) __builtin_trap();
    for (const auto& [name, elements] : saved) {
        auto* object = dynamic_cast<ObjectP*>(manager.scene()->findMember(name));
        if (!object || object->customMesh().elementCount() != elements) __builtin_trap();
    }
}

}  // namespace

int readThroughMeshReader(const char* extension, const uint8_t* data, size_t size) {
    const MeshFormat* format = MeshFormats::forPath(std::string("fuzz") + extension);
    if (!format || !format->makeReader) __builtin_trap();
    std::unique_ptr<MeshReader> reader = format->makeReader();
    std::vector<ImportGroup> groups;
    if (!reader->parse(std::string(reinterpret_cast<const char*>(data), size), groups)) {
        if (reader->error().empty()) __builtin_trap();
        return 0;
    }
    for (const ImportGroup& group : groups) {
        for (int e = 0; e < group.mesh->elementCount(); ++e) {
            GeometryInterface::ElementInfo info;
            const int *p, *t, *n;
            if (!group.mesh->getElementRefs(e, info, &p, &t, &n)) __builtin_trap();
            if (info.part >= static_cast<int>(group.materials.size()) && !group.materials.empty()) __builtin_trap();
        }
        trapUnlessSound(*group.mesh);
    }
    trapUnlessProjectReadsBack(groups, extension);
    return 0;
}

}  // namespace fw::fuzz
