#pragma once
// Reads LightWave objects, LWO2 and the older LWOB: one group per layer (named after
// the layer, else "LWO group"), a part per surface with the surface's colour, polygons
// of any corner count, texture coordinates and vertex normals ("NORM" maps). Points
// and normals come back in right-handed axes (z negated, corners reversed after the
// first), the inverse of what LwoWriter does.

#include "output/ImportGroup.h"

namespace fw {

class LwoReader : public MeshReader {
public:
    bool parse(const std::string& bytes, std::vector<ImportGroup>& groups) override;
};

}  // namespace fw
