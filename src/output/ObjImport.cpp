#include "output/ObjImport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "mesh/ObjReader.h"
#include "platform/Folders.h"

namespace fw {

namespace {

// Material libraries run to kilobytes; one larger than this is not one.
constexpr std::uintmax_t kMaxMaterialLibrary = 64u << 20;

// Calls `line(keyword, rest)` for every non-blank line of the text.
template <class F>
void eachLine(std::string_view text, F line) {
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view one = MeshReader::trimmedLine(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        size_t space = one.find_first_of(" \t");
        std::string_view keyword = one.substr(0, space);
        if (!keyword.empty() && keyword[0] != '#')
            line(keyword, space == std::string_view::npos ? std::string_view() : MeshReader::trimmedLine(one.substr(space)));
    }
}

// Up to three numbers of a line; how many were read.
int numbers(std::string_view rest, double out[3]) {
    std::istringstream in{std::string(rest)};
    int n = 0;
    while (n < 3 && in >> out[n]) ++n;
    return n;
}

}  // namespace

void ObjImport::readMaterialLibraries(const std::string& bytes, std::vector<ImportGroup>& groups) {
    std::map<std::string, ExportMaterial> looks;
    eachLine(bytes, [&](std::string_view keyword, std::string_view rest) {
        if (keyword != "mtllib" || rest.empty()) return;
        const std::string named(rest);
        // Only a file in the OBJ's own folder or below it: a library path is the file's
        // word, and it must not send the reader to devices or other people's files.
        const std::filesystem::path relative(named);
        bool leaves = relative.is_absolute() || relative.has_root_name();
        for (const auto& part : relative) leaves = leaves || part == "..";
        if (leaves) {
            warn("OBJ Import: material library '" + named + "' is outside the folder of the OBJ file; not read\n");
            return;
        }
        std::string path = folder_ + "/" + named;
        if (Folders::isSpecialFile(path)) {
            warn("OBJ Import: material library '" + named + "' is not a regular file; not read\n");
            return;
        }
        std::error_code failed;
        const auto size = std::filesystem::file_size(path, failed);
        if (!failed && size > kMaxMaterialLibrary) {
            warn("OBJ Import: material library '" + named + "' holds " + std::to_string(size) +
                 " bytes, more than the " + std::to_string(kMaxMaterialLibrary) + " read; not read\n");
            return;
        }
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            warn("OBJ Import: material library '" + named + "' cannot be opened\n");
            return;
        }
        std::string text;
        char block[1 << 16];
        while (text.size() <= kMaxMaterialLibrary && in.read(block, sizeof block).gcount() > 0)
            text.append(block, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxMaterialLibrary) {
            warn("OBJ Import: material library '" + named + "' grew past the " + std::to_string(kMaxMaterialLibrary) +
                 " bytes read; not read\n");
            return;
        }
        ExportMaterial* look = nullptr;
        eachLine(text, [&](std::string_view key, std::string_view values) {
            double v[3];
            if (key == "newmtl") {
                look = &looks[std::string(values)];
                look->name = std::string(values);
            } else if (!look) {
                return;
            } else if (key == "Kd" && numbers(values, v) == 3) {
                std::copy(v, v + 3, look->diffuse);
            } else if (key == "Ks" && numbers(values, v) == 3) {
                std::copy(v, v + 3, look->specular);
                look->specularAmount = std::clamp(std::max({v[0], v[1], v[2]}), 0.0, 1.0);
            } else if (key == "Ns" && numbers(values, v) == 1) {
                look->shininess = std::clamp(v[0] / 1000.0, 0.0, 1.0);  // Ns runs 0 to 1,000
            } else if (key == "d" && numbers(values, v) == 1) {
                look->transparency = std::clamp(1.0 - v[0], 0.0, 1.0);
            } else if (key == "Tr" && numbers(values, v) == 1) {
                look->transparency = std::clamp(v[0], 0.0, 1.0);
            }
        });
    });
    for (ImportGroup& group : groups)
        for (ExportMaterial& material : group.materials)
            if (auto it = looks.find(material.name); it != looks.end()) material = it->second;
}

bool ObjImport::parse(const std::string& bytes, std::vector<ImportGroup>& groups) {
    groups.clear();
    ObjDB all;
    ObjReader reader;
    bool ok = reader.parse(bytes, all);
    // Through warn(), which keeps every line printable.
    const std::string& objWarnings = reader.warnings();
    for (size_t at = 0; at < objWarnings.size();) {
        size_t end = objWarnings.find('\n', at);
        if (end == std::string::npos) end = objWarnings.size();
        warn(objWarnings.substr(at, end - at));
        at = end + 1;
    }
    if (reader.warningCount() > warningCount_) warningCount_ = reader.warningCount();
    if (!ok) return fail(reader.error());
    if (all.elementCount() == 0) return fail("holds no elements");
    // One group per "g" name (elements before the first in "OBJ default"), each with
    // only the positions, coordinates and normals its elements use. An attribute
    // normally belongs to one group: its first group's number is kept beside it, and
    // only one shared with another group is looked up in that group's own table.
    struct Numbering {
        std::vector<int> owner, number;
        std::vector<std::unordered_map<int, int>> shared;  // per group
        int get(int index, int group, ObjDB& into, const ObjDB& from, int kind) {
            if (owner.empty()) {
                int count = kind == 0 ? from.vertexCount() : kind == 1 ? from.texCoordCount() : from.normalCount();
                owner.assign(static_cast<size_t>(count), -1);
                number.assign(static_cast<size_t>(count), -1);
            }
            size_t i = static_cast<size_t>(index);
            if (owner[i] == group) return number[i];
            int* slot = nullptr;
            if (owner[i] < 0) {
                owner[i] = group;
                slot = &number[i];
            } else {
                if (shared.size() <= static_cast<size_t>(group)) shared.resize(static_cast<size_t>(group) + 1);
                auto [it, added] = shared[static_cast<size_t>(group)].emplace(index, -1);
                if (!added) return it->second;
                slot = &it->second;
            }
            double x[3];
            if (kind == 0) from.getVertex(x, index), *slot = into.addVertex(x);
            else if (kind == 1) from.getTexCoord(x, index), *slot = into.addTexCoord(x);
            else from.getNormal(x, index), *slot = into.addNormal(x);
            return *slot;
        }
    };
    Numbering numbering[3];
    std::map<int, size_t> byGroup;
    std::vector<int> p, t, n;
    for (int e = 0; e < all.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *pp, *tt, *nn;
        if (!all.getElementRefs(e, info, &pp, &tt, &nn)) continue;
        auto [it, added] = byGroup.emplace(info.user, groups.size());
        if (added) {
            ImportGroup& group = groups.emplace_back();
            group.name = info.user >= 0 && info.user < static_cast<int>(reader.groups().size())
                             ? reader.groups()[static_cast<size_t>(info.user)]
                             : "OBJ default";
            for (const std::string& name : reader.materials()) group.partFor(name);
        }
        const int g = static_cast<int>(it->second);
        ImportGroup& group = groups[it->second];
        p.resize(static_cast<size_t>(info.count));
        t.resize(static_cast<size_t>(info.texCount));
        n.resize(static_cast<size_t>(info.normalCount));
        for (int c = 0; c < info.count; ++c) p[static_cast<size_t>(c)] = numbering[0].get(pp[c], g, *group.mesh, all, 0);
        for (int c = 0; c < info.texCount; ++c)
            t[static_cast<size_t>(c)] = numbering[1].get(tt[c], g, *group.mesh, all, 1);
        for (int c = 0; c < info.normalCount; ++c)
            n[static_cast<size_t>(c)] = numbering[2].get(nn[c], g, *group.mesh, all, 2);
        group.mesh->addElement(info.kind, info.part, info.count, p.data(), info.texCount, t.data(), info.normalCount,
                               n.data());
    }
    if (!folder_.empty()) readMaterialLibraries(bytes, groups);
    return true;
}

}  // namespace fw
