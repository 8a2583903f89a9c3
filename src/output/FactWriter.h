#pragma once
// Writes export units as an ElectricImage FACT file: an IFF form of type "3DFL" with
// one group per unit, its polygons as triangle facets. FactWriter.cpp describes the
// file byte by byte.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "output/ExportUnit.h"

namespace fw {

class FactWriter {
public:
    // The scene name the file header carries.
    static constexpr const char* kSceneName = "Orvo Export";
    // A facet corner's normal or texture index where the unit has none; FactReader
    // reads it back the same way.
    static constexpr uint32_t kNoIndex = 0xFFFFFFFFu;
    // Writes the units; false (and nothing written) when no unit has a polygon or the
    // file cannot be created. Diagnostics go to `console` when it is given.
    static bool write(const std::string& path, const std::vector<ExportUnit>& units, bool worldCoordinates,
                      std::FILE* console = nullptr);
};

}  // namespace fw
