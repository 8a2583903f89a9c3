#pragma once
// Reads Wavefront OBJ files as the other mesh readers do: an object per group (those
// before the first "g" line in "OBJ default"), a part per material the file names,
// with the colours of the material libraries beside the file.

#include "output/ImportGroup.h"

namespace fw {

class ObjImport : public MeshReader {
public:
    bool parse(const std::string& bytes, std::vector<ImportGroup>& groups) override;

private:
    // Looks of the materials from the "mtllib" files beside the file: Kd, Ks, Ns, d, Tr.
    void readMaterialLibraries(const std::string& bytes, std::vector<ImportGroup>& groups);
};

}  // namespace fw
