#include "MeshFuzzTargets.h"

#include <string>

#include "mesh/PackedObjDB.h"
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
        const ObjDB& db = *group.mesh;
        for (int e = 0; e < db.elementCount(); ++e) {
            GeometryInterface::ElementInfo info;
            const int *p, *t, *n;
            if (!db.getElementRefs(e, info, &p, &t, &n)) __builtin_trap();
            if (info.part >= static_cast<int>(group.materials.size()) && !group.materials.empty()) __builtin_trap();
            for (int i = 0; i < info.count; ++i)
                if (p[i] < 0 || p[i] >= db.vertexCount()) __builtin_trap();
            for (int i = 0; i < info.texCount; ++i)
                if (t[i] < 0 || t[i] >= db.texCoordCount()) __builtin_trap();
            for (int i = 0; i < info.normalCount; ++i)
                if (n[i] < 0 || n[i] >= db.normalCount()) __builtin_trap();
        }
        PackedObjDB packed;
        packed.pack(db);
        for (int i = 0; i < packed.indexCount(); ++i)
            if (packed.indexData()[i] < 0 || packed.indexData()[i] >= packed.vertexCount()) __builtin_trap();
    }
    return 0;
}

}  // namespace fw::fuzz
