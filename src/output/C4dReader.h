#pragma once
// Reads old-style Cinema 4D documents (the layout C4dWriter.cpp describes): one group
// per object, named from the file or else "C4D object %d" with the object's place in
// the file (from 1), its polygons wearing the file's materials, its points turned from
// the file's left-handed axes into ours. A file that does not begin with "MC50" and
// "DOK5", or whose chunks run past their ends, is refused.

#include "output/ImportGroup.h"

namespace fw {

class C4dReader : public MeshReader {
public:
    // Objects past this many are skipped with a warning; each becomes an object of its own.
    static constexpr int kMaxObjects = 4096;

    bool parse(const std::string& bytes, std::vector<ImportGroup>& groups) override;

private:
    struct Pieces;
    void build(const Pieces& pieces, const std::vector<ExportMaterial>& materials, ImportGroup& group);
};

}  // namespace fw
