#pragma once
// Writes export units as an old-style Cinema 4D document: "MC50" and "DOK5" up front,
// then chunks for the platform, the scene name, the materials and one polygon object
// per unit. C4dWriter.cpp describes the file byte by byte.

#include <cstdio>
#include <string>
#include <vector>

#include "output/ExportUnit.h"

namespace fw {

class C4dWriter {
public:
    static constexpr const char* kSceneName = "Orvo Export";
    // Writes the units; false (and nothing written) when no unit has a polygon or the
    // file cannot be created. Diagnostics go to `console` when it is given.
    static bool write(const std::string& path, const std::vector<ExportUnit>& units, bool worldCoordinates,
                      std::FILE* console = nullptr);
};

}  // namespace fw
