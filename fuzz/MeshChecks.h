#pragma once
// What every mesh a reader accepted must hold, for the fuzz bodies: indices in range
// and a drawing form that packs with indices in range. A breach traps.

#include "mesh/ObjDB.h"
#include "mesh/PackedObjDB.h"

namespace fw::fuzz {

inline void trapUnlessSound(const ObjDB& db) {
    for (int e = 0; e < db.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (!db.getElementRefs(e, info, &p, &t, &n)) __builtin_trap();
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

}  // namespace fw::fuzz
