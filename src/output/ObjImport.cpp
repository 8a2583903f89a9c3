#include "output/ObjImport.h"

#include "mesh/ObjReader.h"

namespace fw {

bool ObjImport::parse(const std::string& bytes, std::vector<ImportGroup>& groups) {
    groups.clear();
    ImportGroup group;
    group.name = "OBJ default";
    ObjReader reader;
    bool ok = reader.parse(bytes, *group.mesh);
    warnings_ = reader.warnings();
    warningCount_ = reader.warningCount();
    if (!ok) return fail(reader.error());
    for (const std::string& name : reader.materials()) group.partFor(name);
    if (group.mesh->elementCount() == 0) return fail("holds no elements");
    groups.push_back(std::move(group));
    return true;
}

}  // namespace fw
