#pragma once
// Reads Wavefront OBJ files as the other mesh readers do: one group, "OBJ default",
// with a part per material the file names.

#include "output/ImportGroup.h"

namespace fw {

class ObjImport : public MeshReader {
public:
    bool parse(const std::string& bytes, std::vector<ImportGroup>& groups) override;
};

}  // namespace fw
