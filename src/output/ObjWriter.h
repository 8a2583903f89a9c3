#pragma once
// Writes export units (an object's render-quality mesh, or one section of it) as a
// Wavefront OBJ file: positions, texture coordinates and normals numbered on across
// units, one group per unit.

#include <cstdio>
#include <glm/mat4x4.hpp>
#include <string>
#include <vector>

namespace fw {

class GeometryInterface;

class ObjWriter {
public:
    struct Unit {
        std::string name;
        const GeometryInterface* geometry = nullptr;
        glm::dmat4 transform{1.0};  // applied when writing world coordinates
        int part = -1;              // only elements of this part; -1 writes all
    };

    // The file name for a frame of a sequence: logo.obj, frame 12 -> logo.0012.obj.
    static std::string frameFileName(const std::string& name, int frame);
    // Writes the units; false (and nothing written) when there is no geometry or the
    // file cannot be created. Diagnostics go to `console` when it is given.
    static bool write(const std::string& path, const std::vector<Unit>& units, bool worldCoordinates, int frame,
                      std::FILE* console = nullptr, const char* terminator = "\n");
};

}  // namespace fw
