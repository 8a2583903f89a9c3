#include "output/ImportGroup.h"

#include <fstream>
#include <sstream>

namespace fw {

int ImportGroup::partFor(const std::string& materialName, const ExportMaterial* look) {
    for (size_t i = 0; i < materials.size(); ++i)
        if (materials[i].name == materialName) return static_cast<int>(i);
    ExportMaterial added = look ? *look : ExportMaterial{};
    added.name = materialName;
    materials.push_back(added);
    return static_cast<int>(materials.size()) - 1;
}

bool MeshReader::read(const std::string& path, std::vector<ImportGroup>& groups) {
    groups.clear();
    error_.clear();
    warnings_.clear();
    warningCount_ = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail("cannot be opened");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) return fail("cannot be read");
    return parse(bytes.str(), groups);
}

bool MeshReader::fail(const std::string& what) {
    error_ = what;
    return false;
}

void MeshReader::warn(const std::string& what) {
    if (++warningCount_ <= 100) warnings_ += what;
}

}  // namespace fw
