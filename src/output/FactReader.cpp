#include "output/FactReader.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "output/FactWriter.h"
#include "output/IffChunks.h"

namespace fw {

namespace {

using iff::f32At;
using iff::u32At;
using ChunkWalk = iff::Walk;

}  // namespace

// The chunks of one group, gathered before any is used: facets may only be read once
// the tables they refer to are known.
struct FactReader::Pieces {
    std::string name;
    bool named = false;
    // The counts of the group's GINF chunk; without one the tables' sizes count.
    bool counted = false;
    uint32_t vertexCount = 0, facetCount = 0;
    std::string_view vertices, normals, texCoords, facets;
    std::vector<std::string_view> materials;
    bool any() const { return !vertices.empty() || !facets.empty(); }
    void take(std::string_view id, std::string_view body) {
        if (id == "VRTX") vertices = body;
        else if (id == "NORM") normals = body;
        else if (id == "TXUV") texCoords = body;
        else if (id == "FACE") facets = body;
        else if (id == "MATL") materials.push_back(body);
    }
};

ImportGroup* FactReader::newGroup(std::vector<ImportGroup>& groups, const std::string& name) {
    if (static_cast<int>(groups.size()) >= kMaxGroups) {
        warn("FactReader::new_group:  can't create new ObjectP !\n");
        return nullptr;
    }
    groups.emplace_back();
    groups.back().name = name;
    return &groups.back();
}

void FactReader::build(const Pieces& pieces, ImportGroup& group) {
    ObjDB& db = *group.mesh;
    const std::string where = "FACT group '" + group.name + "': ";
    auto table = [&](std::string_view body, size_t stride, const char* id) {
        if (body.size() % stride)
            warn(where + id + " holds " + std::to_string(body.size()) + " bytes, not a multiple of " +
                 std::to_string(stride) + "; the rest is ignored\n");
        return body.size() / stride;
    };
    bool nonFinite = false;
    auto finite = [&](double v) {
        if (std::isfinite(v)) return v;
        nonFinite = true;
        return 0.0;
    };
    // With a GINF chunk its counts rule: parse() has made sure the tables hold them.
    size_t vertexCount = pieces.counted ? pieces.vertexCount : table(pieces.vertices, 12, "VRTX");
    for (size_t i = 0; i < vertexCount; ++i) {
        const char* p = pieces.vertices.data() + 12 * i;
        const double v[3] = {finite(f32At(p)), finite(f32At(p + 4)), finite(f32At(p + 8))};
        db.addVertex(v);
    }
    size_t normalCount = table(pieces.normals, 12, "NORM");
    for (size_t i = 0; i < normalCount; ++i) {
        const char* p = pieces.normals.data() + 12 * i;
        const double v[3] = {finite(f32At(p)), finite(f32At(p + 4)), finite(f32At(p + 8))};
        db.addNormal(v);
    }
    size_t texCount = table(pieces.texCoords, 8, "TXUV");
    for (size_t i = 0; i < texCount; ++i) {
        const char* p = pieces.texCoords.data() + 8 * i;
        const double v[3] = {finite(f32At(p)), finite(f32At(p + 4)), 0};
        db.addTexCoord(v);
    }
    if (nonFinite) warn(where + "numbers that are not finite were read as 0\n");

    std::vector<int> parts;
    for (size_t m = 0; m < pieces.materials.size(); ++m) {
        std::string_view body = pieces.materials[m];
        ExportMaterial look;
        if (body.size() < 12) {
            warn(where + "material " + std::to_string(m) + " is cut short; it keeps the default colour\n");
        } else {
            for (int a = 0; a < 3; ++a) {
                double c = f32At(body.data() + 4 * a);
                look.diffuse[a] = std::isfinite(c) ? std::fmin(1.0, std::fmax(0.0, c)) : 0.8;
            }
        }
        std::string name(body.size() > 12 ? body.substr(12) : std::string_view());
        if (name.empty()) name = "FACT material " + std::to_string(m + 1);
        parts.push_back(group.partFor(name, &look));
    }

    size_t facetCount = pieces.counted ? pieces.facetCount : table(pieces.facets, 40, "FACE");
    int badFacets = 0, badNormals = 0, badTex = 0, badMaterials = 0;
    for (size_t f = 0; f < facetCount; ++f) {
        const char* p = pieces.facets.data() + 40 * f;
        uint32_t q[10];
        for (int k = 0; k < 10; ++k) q[k] = u32At(p + 4 * k);
        if (q[0] >= vertexCount || q[1] >= vertexCount || q[2] >= vertexCount) {
            ++badFacets;
            continue;
        }
        // A corner list is kept only when all three refer to entries that exist.
        auto corners = [](const uint32_t* r, size_t count, int& bad) {
            const uint32_t none = FactWriter::kNoIndex;
            if (r[0] == none && r[1] == none && r[2] == none) return false;
            if (r[0] < count && r[1] < count && r[2] < count) return true;
            ++bad;
            return false;
        };
        bool hasNormals = corners(q + 3, normalCount, badNormals);
        bool hasTex = corners(q + 6, texCount, badTex);
        int part;
        if (q[9] < parts.size()) {
            part = parts[q[9]];
        } else {
            if (!parts.empty() || q[9] != 0) ++badMaterials;
            part = group.partFor("defaultMtl");
        }
        const int positions[3] = {static_cast<int>(q[0]), static_cast<int>(q[1]), static_cast<int>(q[2])};
        const int normals[3] = {static_cast<int>(q[3]), static_cast<int>(q[4]), static_cast<int>(q[5])};
        const int tex[3] = {static_cast<int>(q[6]), static_cast<int>(q[7]), static_cast<int>(q[8])};
        db.addElement(GeometryInterface::Polygon, part, 3, positions, hasTex ? 3 : 0, hasTex ? tex : nullptr,
                      hasNormals ? 3 : 0, hasNormals ? normals : nullptr);
    }
    if (badFacets)
        warn(where + std::to_string(badFacets) + " facets refer to vertices past the " + std::to_string(vertexCount) +
             " the group holds; they were skipped\n");
    if (badNormals) warn(where + std::to_string(badNormals) + " facets refer to missing normals; they have none\n");
    if (badTex)
        warn(where + std::to_string(badTex) + " facets refer to missing texture coordinates; they have none\n");
    if (badMaterials)
        warn(where + std::to_string(badMaterials) + " facets name a material the group lacks; they wear the default\n");
}

namespace {

// FINF and GINF: three counts, a six-float bounding box and four zero longs.
constexpr size_t kInfoBytes = 52;

}  // namespace

// A GRUP form's chunks into `pieces`; the damage found, or empty.
std::string FactReader::readGroup(std::string_view body, size_t offset, const std::string& number, Pieces& pieces) {
    std::string problem;
    ChunkWalk walk(body.substr(4), offset + 4);
    std::string_view childId, child;
    while (walk.next(childId, child, problem)) {
        if (!(childId == "FORM" && child.size() >= 4 && child.substr(0, 4) == "GHDR")) {
            pieces.take(childId, child);
            continue;
        }
        ChunkWalk header(child.substr(4), walk.bodyOffset() + 4);
        std::string_view headerId, headerBody;
        while (header.next(headerId, headerBody, problem)) {
            if (headerId == "NAME") {
                pieces.name = std::string(headerBody), pieces.named = !headerBody.empty();
            } else if (headerId == "GINF") {
                if (headerBody.size() < kInfoBytes)
                    return "group " + number + "'s GINF chunk holds " + std::to_string(headerBody.size()) +
                           " bytes, not " + std::to_string(kInfoBytes);
                pieces.counted = true;
                pieces.vertexCount = u32At(headerBody.data());
                pieces.facetCount = u32At(headerBody.data() + 4);
            }
        }
        if (!problem.empty()) return problem;
    }
    if (!problem.empty() || !pieces.counted) return problem;
    // The counts say how much the tables hold; tables that fall short are damage.
    auto check = [&](uint32_t count, std::string_view table, size_t stride, const char* what, const char* tableId) {
        if (count <= table.size() / stride) {
            if (count < table.size() / stride)
                warn("group " + number + ": " + tableId + " holds " + std::to_string(table.size() / stride) + " " +
                     what + " past the " + std::to_string(count) + " its GINF chunk counts; they are ignored\n");
            return true;
        }
        problem = "group " + number + "'s GINF chunk counts " + std::to_string(count) + " " + what + " but its " +
                  tableId + " chunk holds " + std::to_string(table.size() / stride);
        return false;
    };
    if (check(pieces.vertexCount, pieces.vertices, 12, "vertices", "VRTX"))
        check(pieces.facetCount, pieces.facets, 40, "facets", "FACE");
    return problem;
}

// The FHDR form's FINF counts; the damage found, or empty.
std::string FactReader::readHeader(std::string_view body, size_t offset, uint32_t counts[3], bool& headed) {
    std::string problem;
    ChunkWalk header(body.substr(4), offset + 4);
    std::string_view headerId, headerBody;
    while (header.next(headerId, headerBody, problem)) {
        if (headerId != "FINF") continue;
        if (headerBody.size() < kInfoBytes)
            return "its FINF chunk holds " + std::to_string(headerBody.size()) + " bytes, not " +
                   std::to_string(kInfoBytes);
        for (int k = 0; k < 3; ++k) counts[k] = u32At(headerBody.data() + 4 * k);
        headed = true;
    }
    return problem;
}

bool FactReader::parse(const std::string& bytes, std::vector<ImportGroup>& groups) {
    groups.clear();
    if (bytes.size() < 12 || bytes.compare(0, 4, "FORM") != 0 || bytes.compare(8, 4, "3DFL") != 0)
        return fail("is not an ElectricImage FACT file: it does not begin with an IFF form of type \"3DFL\"");
    std::string_view file(bytes);
    uint32_t length = u32At(bytes.data() + 4);
    if (length < 4) return fail("is damaged: its FORM chunk claims " + std::to_string(length) + " bytes");
    if (length > bytes.size() - 8)
        return fail("is cut short: its FORM chunk claims " + std::to_string(length) + " bytes but " +
                    std::to_string(bytes.size() - 8) + " follow");
    auto damaged = [&](const std::string& what) { return fail("is damaged: " + what); };

    Pieces loose;  // geometry outside any group
    std::vector<Pieces> found;
    bool headed = false;
    uint32_t fileCounts[3] = {};
    std::string problem;
    ChunkWalk top(file.substr(12, length - 4), 12);
    std::string_view id, body;
    while (top.next(id, body, problem)) {
        if (id != "FORM") {
            loose.take(id, body);
            continue;
        }
        if (body.size() < 4)
            return damaged("the FORM chunk at byte " + std::to_string(top.bodyOffset() - 8) + " has no type");
        std::string_view type = body.substr(0, 4);
        if (type == "FHDR") {
            problem = readHeader(body, top.bodyOffset(), fileCounts, headed);
            if (!problem.empty()) return damaged(problem);
        } else if (type == "GRUP") {
            Pieces pieces;
            problem = readGroup(body, top.bodyOffset(), std::to_string(found.size() + 1), pieces);
            if (!problem.empty()) return damaged(problem);
            found.push_back(pieces);
        }
    }
    if (!problem.empty()) return damaged(problem);
    if (headed) checkFileCounts(fileCounts, found);
    for (size_t g = 0; g < found.size(); ++g) {
        const Pieces& pieces = found[g];
        if (!pieces.any()) {
            warn("group " + std::to_string(g + 1) + " holds no geometry; it was skipped\n");
            continue;
        }
        ImportGroup* group = newGroup(groups, pieces.named ? pieces.name : "FACT group" + std::to_string(g + 1));
        if (group) build(pieces, *group);
    }
    if (loose.any()) {
        ImportGroup* group = newGroup(groups, "FACT default");
        if (group) build(loose, *group);
    }
    // Groups whose every facet was refused are no objects.
    for (size_t i = groups.size(); i-- > 0;)
        if (groups[i].mesh->elementCount() == 0) groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(i));
    if (groups.empty()) return fail("holds no facets");
    return true;
}

// The file's own counts against its groups': a mismatch is told, not refused.
void FactReader::checkFileCounts(const uint32_t counts[3], const std::vector<Pieces>& found) {
    uint32_t vertices = 0, facets = 0;
    for (const Pieces& pieces : found)
        if (pieces.counted) vertices += pieces.vertexCount, facets += pieces.facetCount;
    if (counts[2] != found.size())
        warn("the FINF chunk counts " + std::to_string(counts[2]) + " groups but the file holds " +
             std::to_string(found.size()) + "\n");
    else if (counts[0] != vertices || counts[1] != facets)
        warn("the FINF chunk counts " + std::to_string(counts[0]) + " vertices and " + std::to_string(counts[1]) +
             " facets but the groups count " + std::to_string(vertices) + " and " + std::to_string(facets) + "\n");
}

}  // namespace fw
