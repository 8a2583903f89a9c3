#include "output/C4dReader.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "output/IffChunks.h"

namespace fw {

namespace {

using iff::f32At;
using iff::u32At;
using ChunkWalk = iff::Walk;

}  // namespace

struct C4dReader::Pieces {
    std::string name;
    std::string_view points, polygons, normals, uvws, materials;
};

void C4dReader::build(const Pieces& pieces, const std::vector<ExportMaterial>& materials, ImportGroup& group) {
    ObjDB& db = *group.mesh;
    const std::string where = "C4D object '" + group.name + "': ";
    bool nonFinite = false;
    // A vector of the file; `axes` turns it from the file's left-handed axes into ours.
    auto vec = [&](const char* p, double out[3], bool axes) {
        bool zero = true;
        for (int a = 0; a < 3; ++a) {
            double v = f32At(p + 4 * a);
            if (!std::isfinite(v)) v = 0, nonFinite = true;
            out[a] = v;
            zero = zero && v == 0;
        }
        if (axes) out[2] = -out[2] + 0.0;
        return !zero;
    };
    if (pieces.points.size() % 12)
        warn(where + "PNTS holds " + std::to_string(pieces.points.size()) +
             " bytes, not a multiple of 12; the rest is ignored\n");
    size_t pointCount = pieces.points.size() / 12;
    double v[3];
    for (size_t i = 0; i < pointCount; ++i) {
        vec(pieces.points.data() + 12 * i, v, true);
        db.addVertex(v);
    }
    size_t polygonCount = pieces.polygons.size() / 16;
    if (pieces.polygons.size() % 16)
        warn(where + "POLY holds " + std::to_string(pieces.polygons.size()) +
             " bytes, not a multiple of 16; the rest is ignored\n");
    // Per-polygon tables shorter than the polygon list leave the polygons past their end without.
    auto short_ = [&](std::string_view table, size_t stride, const char* id) {
        if (!table.empty() && table.size() != stride * polygonCount)
            warn(where + id + " holds " + std::to_string(table.size()) + " bytes where " +
                 std::to_string(polygonCount) + " polygons need " + std::to_string(stride * polygonCount) + "\n");
    };
    short_(pieces.normals, 48, "NORM");
    short_(pieces.uvws, 48, "UVWT");
    short_(pieces.materials, 4, "PMAT");

    std::vector<int> parts(materials.size(), -1);
    int badPolygons = 0, badMaterials = 0;
    for (size_t q = 0; q < polygonCount; ++q) {
        uint32_t corner[4];
        for (int k = 0; k < 4; ++k) corner[k] = u32At(pieces.polygons.data() + 16 * q + 4 * static_cast<size_t>(k));
        if (corner[0] >= pointCount || corner[1] >= pointCount || corner[2] >= pointCount ||
            corner[3] >= pointCount) {
            ++badPolygons;
            continue;
        }
        int count = corner[2] == corner[3] ? 3 : 4;
        // Back to right-handed axes: the first corner stays, the rest run backwards.
        int order[4];
        for (int k = 0; k < count; ++k) order[k] = k == 0 ? 0 : count - k;
        int positions[4] = {}, normals[4] = {}, tex[4] = {};
        for (int k = 0; k < count; ++k) positions[k] = static_cast<int>(corner[order[k]]);
        bool hasNormals = false, hasTex = false;
        double values[4][3] = {};
        auto cornerAt = [&](std::string_view table, int k) {
            return table.data() + 48 * q + 12 * static_cast<size_t>(order[k]);
        };
        if (48 * (q + 1) <= pieces.normals.size()) {
            for (int k = 0; k < count; ++k) hasNormals = vec(cornerAt(pieces.normals, k), values[k], true) || hasNormals;
            if (hasNormals)
                for (int k = 0; k < count; ++k) normals[k] = db.addNormal(values[k]);
        }
        if (48 * (q + 1) <= pieces.uvws.size()) {
            for (int k = 0; k < count; ++k) hasTex = vec(cornerAt(pieces.uvws, k), values[k], false) || hasTex;
            if (hasTex)
                for (int k = 0; k < count; ++k) tex[k] = db.addTexCoord(values[k]);
        }
        int part;
        uint32_t index = 4 * (q + 1) <= pieces.materials.size() ? u32At(pieces.materials.data() + 4 * q) : 0xFFFFFFFFu;
        if (index < materials.size()) {
            if (parts[index] < 0) parts[index] = group.partFor(materials[index].name, &materials[index]);
            part = parts[index];
        } else {
            if (!pieces.materials.empty()) ++badMaterials;
            part = group.partFor("defaultMtl");
        }
        db.addElement(GeometryInterface::Polygon, part, count, positions, hasTex ? count : 0, hasTex ? tex : nullptr,
                      hasNormals ? count : 0, hasNormals ? normals : nullptr);
    }
    if (nonFinite) warn(where + "numbers that are not finite were read as 0\n");
    if (badPolygons)
        warn(where + std::to_string(badPolygons) + " polygons refer to points past the " +
             std::to_string(pointCount) + " the object holds; they were skipped\n");
    if (badMaterials)
        warn(where + std::to_string(badMaterials) + " polygons name a material the file lacks; they wear the default\n");
}

bool C4dReader::parse(const std::string& bytes, std::vector<ImportGroup>& groups) {
    groups.clear();
    if (bytes.size() < 12 || bytes.compare(0, 4, "MC50") != 0 || bytes.compare(8, 4, "DOK5") != 0)
        return fail("is not a Cinema 4D file: it does not begin with the identifiers \"MC50\" and \"DOK5\"");
    uint32_t length = u32At(bytes.data() + 4);
    if (length < 4) return fail("is damaged: its MC50 chunk claims " + std::to_string(length) + " bytes");
    if (length > bytes.size() - 8)
        return fail("is cut short: its MC50 chunk claims " + std::to_string(length) + " bytes but " +
                    std::to_string(bytes.size() - 8) + " follow");
    auto damaged = [&](const std::string& what) { return fail("is damaged: " + what); };
    std::vector<ExportMaterial> materials;
    std::vector<Pieces> objects;
    std::string problem;
    ChunkWalk top(std::string_view(bytes).substr(12, length - 4), 12);
    std::string_view id, body;
    while (top.next(id, body, problem)) {
        if (id == "MATL") {
            ExportMaterial look;
            look.name.clear();
            std::string inner;
            ChunkWalk walk(body, top.bodyOffset());
            std::string_view childId, child;
            while (walk.next(childId, child, inner)) {
                if (childId == "MNAM") {
                    look.name = std::string(child);
                } else if (childId == "MCOL" && child.size() >= 12) {
                    for (int a = 0; a < 3; ++a) {
                        double c = f32At(child.data() + 4 * a);
                        look.diffuse[a] = std::isfinite(c) ? std::fmin(1.0, std::fmax(0.0, c)) : 0.8;
                    }
                }
            }
            if (!inner.empty()) return damaged(inner);
            if (look.name.empty()) look.name = "C4D material " + std::to_string(materials.size() + 1);
            materials.push_back(look);
        } else if (id == "OBJE") {
            if (static_cast<int>(objects.size()) >= kMaxObjects) {
                warn("more than " + std::to_string(kMaxObjects) + " objects; object " +
                     std::to_string(objects.size() + 1) + " was skipped\n");
                continue;
            }
            Pieces pieces;
            std::string inner;
            ChunkWalk walk(body, top.bodyOffset());
            std::string_view childId, child;
            while (walk.next(childId, child, inner)) {
                if (childId == "ONAM") pieces.name = std::string(child);
                else if (childId == "PNTS") pieces.points = child;
                else if (childId == "POLY") pieces.polygons = child;
                else if (childId == "NORM") pieces.normals = child;
                else if (childId == "UVWT") pieces.uvws = child;
                else if (childId == "PMAT") pieces.materials = child;
            }
            if (!inner.empty()) return damaged(inner);
            if (pieces.name.empty()) pieces.name = "C4D object " + std::to_string(objects.size() + 1);
            objects.push_back(pieces);
        }
    }
    if (!problem.empty()) return damaged(problem);
    for (const Pieces& pieces : objects) {
        ImportGroup group;
        group.name = pieces.name;
        build(pieces, materials, group);
        if (group.mesh->elementCount() > 0) groups.push_back(std::move(group));
    }
    if (groups.empty()) return fail("holds no polygons");
    return true;
}

}  // namespace fw
