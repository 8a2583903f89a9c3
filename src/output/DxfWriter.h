#pragma once
// Writes export units as a DXF file of "3DFACE" entities, one layer per unit, each
// face coloured with the colour index nearest its part's material. A 3DFACE holds three
// or four corners; larger polygons are written as fans of triangles. Drawings stand on
// z, so positions are turned from our y-up axes (x, y, z) to (x, -z, y).

#include <cstdio>
#include <string>
#include <vector>

#include "output/ExportUnit.h"

namespace fw {

class DxfWriter {
public:
    static bool write(const std::string& path, const std::vector<ExportUnit>& units, bool worldCoordinates,
                      std::FILE* console = nullptr, const char* terminator = "\n");
};

}  // namespace fw
