#include "output/ImportGroup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

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
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return fail(std::string("cannot be opened: ") + std::strerror(errno));
    // Read whole, in one piece: mesh files run to hundreds of megabytes.
    std::string bytes;
    char block[1 << 16];
    if (std::fseek(in, 0, SEEK_END) == 0) {
        long size = std::ftell(in);
        if (size > 0) bytes.reserve(static_cast<size_t>(size));
        std::rewind(in);
    }
    for (size_t n; (n = std::fread(block, 1, sizeof block, in)) > 0;) bytes.append(block, n);
    bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) return fail("cannot be read");
    size_t slash = path.find_last_of('/');
    folder_ = slash == std::string::npos ? "." : path.substr(0, slash);
    bool ok = parse(bytes, groups);
    folder_.clear();
    return ok;
}

bool MeshReader::fail(const std::string& what) {
    error_ = what;
    return false;
}

void MeshReader::warn(const std::string& what) {
    if (++warningCount_ <= 100) warnings_ += what;
}

std::string_view MeshReader::trimmedLine(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

}  // namespace fw
