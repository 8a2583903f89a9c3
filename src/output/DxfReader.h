#pragma once
// Reads the "3DFACE" entities of a DXF file's ENTITIES section: one group per layer,
// a part per colour index (materials named "DXF color N"), a triangle where the
// fourth corner repeats the third. Other entities are passed over.

#include "output/ImportGroup.h"

namespace fw {

class DxfReader : public MeshReader {
public:
    bool parse(const std::string& bytes, std::vector<ImportGroup>& groups) override;
};

}  // namespace fw
