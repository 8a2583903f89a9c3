#pragma once
// Writes export units as one binary glTF 2.0 file (.glb): a node per object (per
// section, "NAME-Section N", when the units are sections), its mesh
// as indexed triangles with one primitive per material part, metallic-roughness
// materials, and, for the frames of an animation export, a node animation.

#include <cstdio>
#include <string>
#include <vector>

#include "output/ExportUnit.h"

namespace fw {

class GlbWriter {
public:
    // Writes the units; false (and nothing written) when there is no polygon to write or
    // the file cannot be written. Diagnostics go to `console` when it is given.
    //
    // Object coordinates: meshes as the objects hold them, each node carrying its unit's
    // transform. World coordinates: positions and normals already moved by the first
    // frame's transform and the nodes left at identity; an animation then moves each
    // node by how far its object went from that first frame.
    static bool write(const std::string& path, const std::vector<ExportUnit>& units, bool worldCoordinates,
                      std::FILE* console = nullptr);
};

}  // namespace fw
