#include "MeshFuzzTargets.h"

#include <string>

#include "MeshChecks.h"
#include "output/MeshFormats.h"

namespace fw::fuzz {

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
    return 0;
}

}  // namespace fw::fuzz
