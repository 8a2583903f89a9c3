#pragma once
// Writes export units (an object's render-quality mesh, or one section of it) as a
// Wavefront OBJ file: positions, texture coordinates and normals numbered on across
// units, one group per unit, and the materials the elements wear in a library beside
// the file (logo.obj: logo.mtl, named by "mtllib" and chosen by "usemtl").

#include <cstdio>
#include <string>
#include <vector>

#include "output/ExportUnit.h"

namespace fw {

class ObjWriter {
public:
    // The file name for a frame of a sequence: logo.obj, frame 12 -> logo.0012.obj.
    static std::string frameFileName(const std::string& name, int frame) { return exportFrameFileName(name, frame); }
    // Writes the units; false (and nothing written) when there is no geometry or the
    // file cannot be created. Diagnostics go to `console` when it is given.
    static bool write(const std::string& path, const std::vector<ExportUnit>& units, bool worldCoordinates,
                      std::FILE* console = nullptr, const char* terminator = "\n");
};

}  // namespace fw
