#pragma once
// Reads the faces of a DXF file's ENTITIES section: "3DFACE" entities, POLYLINE
// polyface meshes and M x N polygon meshes, and those of blocks where an INSERT
// places them (moved, scaled and turned about z). One group per layer, a part per
// colour index (materials named "DXF color N"), a triangle where the fourth corner
// repeats the third. Other entities are passed over.

#include "output/ImportGroup.h"

namespace fw {

class DxfReader : public MeshReader {
public:
    bool parse(const std::string& bytes, std::vector<ImportGroup>& groups) override;

private:
    class Reading;
};

}  // namespace fw
