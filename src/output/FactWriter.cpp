#include "output/FactWriter.h"

// The FACT file, as written here and read by FactReader.
//
// An IFF file: every number big-endian; a chunk is a four-character id, a u32 length
// of the data that follows (not counting itself or the pad byte) and the data, padded
// with one zero byte to an even length. A FORM chunk's data starts with a
// four-character type and holds chunks. Floats are IEEE single precision.
//
//   FORM <len> "3DFL"                        the file                                 [D]
//     FORM <len> "FHDR"                      file header                              [D]
//       FINF <52>  u32 vertices, u32 facets, u32 groups of the whole file;           [D]
//                  six f32: the bounding box of every vertex (min x, y, z, then      [D]
//                  max x, y, z: the order is ours); four u32 zeros                   [D]
//       NAME <len> the scene name, "Orvo Export" (bytes, no terminator)
//     FORM <len> "GRUP"                      one per export unit that has polygons    [D]
//       FORM <len> "GHDR"                    group header                             [D]
//         GINF <52>  u32 vertices, u32 facets of this group;                         [D]
//                    u32 materials of this group, the box, four u32 zeros as in FINF
//         NAME <len> the unit's name with "-Section %d" and "-Frm%d" suffixes
//       VRTX <12 v>  v x (f32 x, y, z) positions, v as GINF counts them
//       NORM <12 n>  n x (f32 x, y, z) normals        (left out when n is 0)
//       TXUV <8 t>   t x (f32 u, v) texture coordinates (left out when t is 0)
//       MATL <12+k>  one per material of the group, in index order: f32 diffuse
//                    r, g, b (0..1), then the k bytes of the material's name
//       FACE <40 f>  f x facet, f as GINF counts them: u32 position index a, b, c;
//                    u32 normal index a, b, c; u32 texture index a, b, c; u32
//                    material index. 0xFFFFFFFF means "none" for normals and
//                    texture coordinates.
//
// [D] marks what the published description of the format gives: the IFF frame, the
// "3DFL" type, the FHDR form and its FINF chunk (three counts, six floats of bounding
// box, four zero longs), and GRUP forms, each with a GHDR form whose GINF chunk starts
// with the group's vertex and facet counts. The description says no more about GINF,
// names, vertices, facets, normals, texture coordinates or materials; the rest above
// is this program's own, in the same IFF manner, chosen so that the counts of FINF and
// GINF are the numbers of entries of VRTX and FACE. Facets are triangles,
// counter-clockwise seen from the front; polygons of more corners are fanned from
// their first corner. Vertices, normals and texture coordinates are written as the
// unit's mesh holds them (all of them, numbered from 0 within the group); with world
// coordinates positions go through the unit's transform and normals through its
// inverse transpose. FactReader holds a file to its counts: a GINF chunk that counts
// more vertices or facets than VRTX or FACE hold, or any chunk that runs past the
// end of its container, gets the file refused.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <glm/gtc/matrix_inverse.hpp>
#include <limits>

#include "mesh/GeometryInterface.h"
#include "output/IffChunks.h"
#include "persistence/AFile.h"

namespace fw {

namespace {

using Iff = iff::Builder;

struct Box {
    double lo[3] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                    std::numeric_limits<double>::max()};
    double hi[3] = {-std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                    -std::numeric_limits<double>::max()};
    void add(const glm::dvec3& p) {
        for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], p[a]), hi[a] = std::max(hi[a], p[a]);
    }
    void add(const Box& b) {
        for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], b.lo[a]), hi[a] = std::max(hi[a], b.hi[a]);
    }
    void write(Iff& out) const {
        bool empty = lo[0] > hi[0];
        for (double v : lo) out.f32(empty ? 0 : v);
        for (double v : hi) out.f32(empty ? 0 : v);
    }
};

struct Info {
    uint32_t vertices = 0, facets = 0, third = 0;
    Box box;
    void write(Iff& out, const char* four) const {
        size_t at = out.begin(four);
        out.u32(vertices);
        out.u32(facets);
        out.u32(third);
        box.write(out);
        for (int k = 0; k < 4; ++k) out.u32(0);
        out.end(at);
    }
};

}  // namespace

bool FactWriter::write(const std::string& path, const std::vector<ExportUnit>& units, bool world, std::FILE* console) {
    Iff groups;
    Info file;
    for (const ExportUnit& u : units) {
        const GeometryInterface* g = u.geometry;
        if (!g) continue;
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        // Facets first, so that a unit without polygons leaves no group behind.
        Iff facets;
        std::vector<int> partOfMaterial;
        uint32_t facetCount = 0;
        const bool flip = u.mirrored(world);  // a mirrored unit's facets turn to keep facing out
        for (int e = 0; e < g->elementCount(); ++e) {
            if (!u.polygon(e, info, &p, &t, &n)) continue;
            uint32_t material = 0;
            while (material < partOfMaterial.size() && partOfMaterial[material] != info.part) ++material;
            if (material == partOfMaterial.size()) partOfMaterial.push_back(info.part);
            bool hasTex = t && info.texCount == info.count, hasNormals = n && info.normalCount == info.count;
            for (int c = 1; c + 1 < info.count; ++c) {
                const int corners[3] = {ExportUnit::corner(0, info.count, flip),
                                        ExportUnit::corner(c, info.count, flip),
                                        ExportUnit::corner(c + 1, info.count, flip)};
                for (int k : corners) facets.u32(static_cast<uint32_t>(p[k]));
                for (int k : corners) facets.u32(hasNormals ? static_cast<uint32_t>(n[k]) : FactWriter::kNoIndex);
                for (int k : corners) facets.u32(hasTex ? static_cast<uint32_t>(t[k]) : FactWriter::kNoIndex);
                facets.u32(material);
                ++facetCount;
            }
        }
        if (facetCount == 0) continue;

        Info group;
        group.vertices = static_cast<uint32_t>(g->vertexCount());
        group.facets = facetCount;
        group.third = static_cast<uint32_t>(partOfMaterial.size());
        Iff vertices;
        double v[3];
        for (int i = 0; i < g->vertexCount(); ++i) {
            g->getVertex(v, i);
            glm::dvec3 q(v[0], v[1], v[2]);
            if (world) q = glm::dvec3(u.transform * glm::dvec4(q, 1.0));
            group.box.add(q);
            for (int a = 0; a < 3; ++a) vertices.f32(q[a]);
        }

        size_t grup = groups.begin("FORM");
        groups.id("GRUP");
        size_t ghdr = groups.begin("FORM");
        groups.id("GHDR");
        group.write(groups, "GINF");
        groups.chunk("NAME", u.label("-Frm%d", "-Section %d"));
        groups.end(ghdr);
        groups.chunk("VRTX", vertices.bytes);
        if (g->normalCount() > 0) {
            glm::dmat3 normalMatrix = glm::inverseTranspose(glm::dmat3(u.transform));
            size_t at = groups.begin("NORM");
            for (int i = 0; i < g->normalCount(); ++i) {
                g->getNormal(v, i);
                glm::dvec3 q(v[0], v[1], v[2]);
                if (world) {
                    glm::dvec3 m = normalMatrix * q;
                    double length = glm::length(m);
                    q = length > 0 ? m / length : q;  // a zero normal goes out unchanged
                }
                for (int a = 0; a < 3; ++a) groups.f32(q[a]);
            }
            groups.end(at);
        }
        if (g->texCoordCount() > 0) {
            size_t at = groups.begin("TXUV");
            for (int i = 0; i < g->texCoordCount(); ++i) {
                g->getTexCoord(v, i);
                groups.f32(v[0]);
                groups.f32(v[1]);
            }
            groups.end(at);
        }
        for (int part : partOfMaterial) {
            const ExportMaterial& look = u.material(part);
            size_t at = groups.begin("MATL");
            for (double c : look.diffuse) groups.f32(c);
            groups.bytes += look.name;
            groups.end(at);
        }
        groups.chunk("FACE", facets.bytes);
        groups.end(grup);

        file.vertices += group.vertices;
        file.facets += group.facets;
        file.third += 1;
        file.box.add(group.box);
    }
    if (file.third == 0) {
        if (console) std::fputs("write_fact: no geometry to export!\n", console);
        return false;
    }

    Iff out;
    size_t form = out.begin("FORM");
    out.id("3DFL");
    size_t fhdr = out.begin("FORM");
    out.id("FHDR");
    file.write(out, "FINF");
    out.chunk("NAME", kSceneName);
    out.end(fhdr);
    out.bytes += groups.bytes;
    out.end(form);

    return AFile::writeWhole(path, out.bytes.data(), out.bytes.size());
}

}  // namespace fw
