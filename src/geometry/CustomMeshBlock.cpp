#include "geometry/CustomMeshBlock.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "geometry/ObjectP.h"
#include "mesh/ObjDB.h"
#include "persistence/CommandIO.h"
#include "scene/KeptLines.h"

namespace fw {

namespace {

constexpr const char* kPartPrefix = "part";

// One corner of an element line: position, then texture and normal numbers (1-based).
void appendCorner(std::string& line, int position, const int* tex, const int* normals, int k) {
    line += ' ' + std::to_string(position + 1);
    if (tex) line += '/' + std::to_string(tex[k] + 1);
    if (normals) line += std::string(tex ? "" : "/") + '/' + std::to_string(normals[k] + 1);
}

}  // namespace

CommandTable& CustomMeshBlock::commandTable() {
    static CommandTable table;
    return table;
}

std::string CustomMeshBlock::partName(int part) { return kPartPrefix + std::to_string(part); }

int CustomMeshBlock::partFromName(const std::string& name) {
    if (name.rfind(kPartPrefix, 0) != 0 || name.size() == std::string(kPartPrefix).size()) return -1;
    char* end = nullptr;
    long part = std::strtol(name.c_str() + 4, &end, 10);
    return *end == 0 && part >= 0 && part < 10000 ? static_cast<int>(part) : -1;
}

int CustomMeshBlock::writeCommands(CommandIO& io) {
    double x[3];
    for (int i = 0; i < mesh_.vertexCount(); ++i)
        if (mesh_.getVertex(x, i), io.writef("v %f %f %f\n", x[0], x[1], x[2]) != 0) return -1;
    for (int i = 0; i < mesh_.texCoordCount(); ++i)
        if (mesh_.getTexCoord(x, i), io.writef("vt %f %f %f\n", x[0], x[1], x[2]) != 0) return -1;
    for (int i = 0; i < mesh_.normalCount(); ++i)
        if (mesh_.getNormal(x, i), io.writef("vn %f %f %f\n", x[0], x[1], x[2]) != 0) return -1;
    int part = -1;
    std::string line;
    for (int e = 0; e < mesh_.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *positions, *tex, *normals;
        if (!mesh_.getElementRefs(e, info, &positions, &tex, &normals)) continue;
        if (info.part != part && info.part >= 0) {
            // The mesh keeps no smoothing groups: its normals say how it is shaded.
            if (io.writef("usemtl %s\n", partName(info.part).c_str()) != 0 || io.writef("s off\n") != 0) return -1;
            part = info.part;
        }
        line = info.kind == GeometryInterface::Polyline ? "l" : info.kind == GeometryInterface::PointSet ? "p" : "f";
        for (int k = 0; k < info.count; ++k)
            appendCorner(line, positions[k], info.texCount == info.count ? tex : nullptr,
                         info.normalCount == info.count ? normals : nullptr, k);
        if (io.writef("%s\n", line.c_str()) != 0) return -1;
    }
    if (io.writef("# %d vertices\n\n", mesh_.vertexCount()) != 0 ||
        io.writef("# %d texture vertices\n\n", mesh_.texCoordCount()) != 0 ||
        io.writef("# %d normals\n\n", mesh_.normalCount()) != 0)
        return -1;
    return io.writef("# %d elements\n", mesh_.elementCount());
}

int CustomMeshBlock::read(CommandIO& io, ObjectP& object) {
    KeptLines lines;
    if (lines.read(io, kClassName) != 0) return -1;
    return object.readCustomMesh(lines.bytes()) ? 0 : -1;
}

}  // namespace fw
