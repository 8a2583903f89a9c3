#pragma once
// Writes export units as a DXF file of "3DFACE" entities, one layer per unit, each
// face coloured with the colour index nearest its part's material. Only polygons of
// three or four corners have a 3DFACE; others are left out.

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
