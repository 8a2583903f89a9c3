#pragma once
// Writes export units as a LightWave LWO2 object: one layer per unit with its points,
// polygons, texture map and surface tags, and one surface per distinct look and crease
// angle (its smoothing angle, SMAN).
// LightWave's axes are left-handed, so the file holds every point with z negated and
// every polygon's corners reversed (first corner kept); LwoReader undoes both, so a
// round trip gives back the same triangles facing the same way.

#include <cstdio>
#include <string>
#include <vector>

#include "output/ExportUnit.h"

namespace fw {

class LwoWriter {
public:
    // False (and nothing written) when no unit has a polygon or the file cannot be written.
    static bool write(const std::string& path, const std::vector<ExportUnit>& units, bool worldCoordinates,
                      std::FILE* console = nullptr);
};

}  // namespace fw
