#pragma once
// Writes export units as an Autodesk 3DS file: one named triangle mesh per unit, a
// material table shared by all of them. The format holds one texture coordinate per
// vertex and at most 65534 vertices and faces per mesh. Its scenes stand on z, so
// positions are turned from our y-up axes (x, y, z) to (x, -z, y); ThreeDSReader turns
// them back. Smoothing groups follow each unit's crease angle, and a keyframer section
// gives every mesh a node of its name.

#include <cstdio>
#include <string>
#include <vector>

#include "output/ExportUnit.h"

namespace fw {

class ThreeDSWriter {
public:
    // What a unit becomes on the way out: counted before anything is written, so an
    // export over the format's limits is refused as a whole.
    struct MeshCounts {
        int vertices = 0;  // after splitting positions that carry several texture coordinates
        int faces = 0;     // after fanning polygons into triangles
    };
    static constexpr int kMaxPerObject = 65535;  // a count this large does not fit
    static constexpr int kMaxMaterials = 20000;
    static constexpr size_t kMaxNameLength = 10;
    static constexpr size_t kMaxMaterialNameLength = 16;

    // False (and nothing written) when there is no polygon to write, a unit is too
    // large (the warning goes to `console`) or the file cannot be written.
    static bool write(const std::string& path, const std::vector<ExportUnit>& units, bool worldCoordinates,
                      std::FILE* console = nullptr);
    static MeshCounts count(const ExportUnit& unit);
    // A name in the making: the whole label ("Title-Sec2-Frm7"), the object's own name
    // ("Title") and the short mark of its section and frame ("-S2F7") that a cut name
    // keeps at its end.
    struct Label {
        std::string full, stem, tail;
    };
    // Short names, unique within one file: see the source for the rule.
    static std::vector<std::string> objectNames(const std::vector<Label>& labels, size_t limit);
    static std::vector<std::string> objectNames(const std::vector<std::string>& labels, size_t limit);
    static Label label(const ExportUnit& unit);
};

}  // namespace fw
