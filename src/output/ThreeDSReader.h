#pragma once
// Reads Autodesk 3DS files: one group per named triangle mesh (named after the file's
// object, else "3DS group"), a part per material the faces wear, with the material
// table's colours.

#include "output/ImportGroup.h"

namespace fw {

class ThreeDSReader : public MeshReader {
public:
    bool parse(const std::string& bytes, std::vector<ImportGroup>& groups) override;
};

}  // namespace fw
