#include "output/C4dWriter.h"

// The Cinema 4D file, as written here and read by C4dReader.
//
// Every number is big-endian (Motorola order); floats are IEEE single precision. A
// chunk is a four-character id, a u32 length of the data that follows (not counting
// itself or the pad byte) and the data, padded with one zero byte to an even length.
//
//   "MC50" <u32 len> "DOK5"                the file: len counts every byte after itself
//     PLAT <4>    u32 platform that wrote the file: 1 Windows, 2 Macintosh, 4 Unix (4)
//     DNAM <len>  the scene name, "Orvo Export" (bytes, no terminator)
//     MATL <len>  one per material, in index order, holding chunks:
//       MNAM <len>  the material's name
//       MCOL <12>   f32 diffuse r, g, b (0..1)
//     OBJE <len>  one per export unit that has polygons, holding chunks:
//       ONAM <len>  the unit's name with "-Section %d" and "-Frm%d" suffixes
//       PNTS <12 p> p x (f32 x, y, z) points, in the file's left-handed axes
//       POLY <16 q> q x (u32 a, b, c, d) point indices; a triangle has d equal to c
//       NORM <48 q> q x 4 x (f32 x, y, z) the normals at corners a, b, c, d, in the
//                   file's axes (only when some polygon has normals; one without
//                   has zeros)
//       UVWT <48 q> q x 4 x (f32 u, v, w) texture coordinates at a, b, c, d
//                   (only when some polygon has them; one without has zeros)
//       PMAT <4 q>  q x u32 the polygon's material, an index into the MATL chunks
//
// From the published descriptions of the format come: the chunked layout (id, a
// LONG length, data) in Motorola byte order with single-precision IEEE floats; the
// platform chunk's single LONG and its values; the "MC50"/"DOK5" identifiers at the
// start; the left-handed axes (x to the right, y up, z away from the viewer); points
// stored in the object's own frame; and polygons of four point indices a, b, c, d
// where a triangle repeats c as d. The chunk ids and the contents of every chunk but
// the platform's are this program's own, nothing about them being published; they
// keep to the IFF manner of the rest. The program's axes are right-handed with z
// towards the viewer, so z changes sign on the way out (points and normals alike) and
// each polygon's corners run the other way round from the second on: a polygon that
// is counter-clockwise seen from its front here is clockwise in the file, as the
// left-handed rule wants. Polygons of more than four corners are fanned from their
// first corner into triangles. With world coordinates points go through the unit's
// transform and normals through its inverse transpose before the change of axes.

#include <cstdint>
#include <cstring>
#include <glm/gtc/matrix_inverse.hpp>

#include "mesh/GeometryInterface.h"
#include "output/IffChunks.h"
#include "persistence/AFile.h"

namespace fw {

namespace {

using Chunks = iff::Builder;

// One polygon of the file: four corners, the last repeated for a triangle.
struct Quad {
    int corner[4];  // indices into the element's lists
};

// A point or normal in the file's left-handed axes; adding 0 keeps a zero positive.
glm::dvec3 fileAxes(const glm::dvec3& v) { return {v.x, v.y, -v.z + 0.0}; }

}  // namespace

bool C4dWriter::write(const std::string& path, const std::vector<ExportUnit>& units, bool world, std::FILE* console) {
    const char* eol = "\n";  // the diagnostic's line terminator
    std::vector<const ExportMaterial*> materials;  // the file's table, one entry per name
    auto materialIndex = [&](const ExportMaterial& look) {
        for (size_t i = 0; i < materials.size(); ++i)
            if (materials[i]->name == look.name) return static_cast<uint32_t>(i);
        materials.push_back(&look);
        return static_cast<uint32_t>(materials.size() - 1);
    };

    Chunks objects;
    for (const ExportUnit& u : units) {
        const GeometryInterface* g = u.geometry;
        if (!g) continue;
        glm::dmat3 normalMatrix = glm::inverseTranspose(glm::dmat3(u.transform));
        Chunks polys, normals, uvws, parts;
        bool anyNormals = false, anyTex = false;
        uint32_t count = 0;
        double v[3];
        const bool flip = u.mirrored(world);  // a mirrored unit's polygons turn to keep facing out
        for (int e = 0; e < g->elementCount(); ++e) {
            GeometryInterface::ElementInfo info;
            const int *p, *t, *n;
            if (!u.polygon(e, info, &p, &t, &n)) continue;
            bool hasTex = t && info.texCount == info.count, hasNormals = n && info.normalCount == info.count;
            anyNormals = anyNormals || hasNormals;
            anyTex = anyTex || hasTex;
            uint32_t material = materialIndex(u.material(info.part));
            std::vector<Quad> quads;
            // The corners run backwards after the first, for the left-handed axes.
            if (info.count == 4)
                quads.push_back({{0, 3, 2, 1}});
            else
                for (int c = 1; c + 1 < info.count; ++c) quads.push_back({{0, c + 1, c, c}});
            for (Quad& q : quads) {
                for (int& k : q.corner) k = ExportUnit::corner(k, info.count, flip);
                for (int k : q.corner) polys.u32(static_cast<uint32_t>(p[k]));
                for (int k : q.corner) {
                    glm::dvec3 normal(0.0);
                    if (hasNormals) {
                        g->getNormal(v, n[k]);
                        normal = glm::dvec3(v[0], v[1], v[2]);
                        if (world) {
                            glm::dvec3 m = normalMatrix * normal;
                            double length = glm::length(m);
                            normal = length > 0 ? m / length : normal;  // a zero normal goes out unchanged
                        }
                    }
                    normals.vec(fileAxes(normal));
                }
                for (int k : q.corner) {
                    glm::dvec3 uvw(0.0);
                    if (hasTex) {
                        g->getTexCoord(v, t[k]);
                        uvw = glm::dvec3(v[0], v[1], v[2]);
                    }
                    uvws.vec(uvw);
                }
                parts.u32(material);
                ++count;
            }
        }
        if (count == 0) continue;
        size_t object = objects.begin("OBJE");
        objects.chunk("ONAM", u.label("-Frm%d", "-Section %d"));
        size_t points = objects.begin("PNTS");
        for (int i = 0; i < g->vertexCount(); ++i) {
            g->getVertex(v, i);
            glm::dvec3 q(v[0], v[1], v[2]);
            if (world) q = glm::dvec3(u.transform * glm::dvec4(q, 1.0));
            objects.vec(fileAxes(q));
        }
        objects.end(points);
        objects.chunk("POLY", polys.bytes);
        if (anyNormals) objects.chunk("NORM", normals.bytes);
        if (anyTex) objects.chunk("UVWT", uvws.bytes);
        objects.chunk("PMAT", parts.bytes);
        objects.end(object);
    }
    if (objects.bytes.empty()) {
        if (console) std::fprintf(console, "write_c4d: no geometry to export!%s", eol);
        return false;
    }

    Chunks out;
    size_t file = out.begin("MC50");
    out.id("DOK5");
    size_t platform = out.begin("PLAT");
    out.u32(4);
    out.end(platform);
    out.chunk("DNAM", kSceneName);
    for (const ExportMaterial* look : materials) {
        size_t material = out.begin("MATL");
        out.chunk("MNAM", look->name);
        size_t colour = out.begin("MCOL");
        for (double c : look->diffuse) out.f32(c);
        out.end(colour);
        out.end(material);
    }
    out.bytes += objects.bytes;
    out.end(file);

    return AFile::writeWhole(path, out.bytes.data(), out.bytes.size());
}

}  // namespace fw
