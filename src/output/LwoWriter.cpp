#include "output/LwoWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <glm/common.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>
#include <map>
#include <utility>

#include "mesh/GeometryInterface.h"
#include "persistence/AFile.h"
#include "platform/MathConstants.h"

namespace fw {

namespace {

const char* const kTextureMap = ".UVs";
const char* const kDefaultMaterial = "defaultMtl";
constexpr int kMaxCorners = 1023;  // the corner count shares its 16 bits with flags

// Big-endian IFF chunks built in memory; lengths are patched when a chunk closes and
// odd-sized chunks get their pad byte.
class Iff {
public:
    size_t open(const char id[4], bool shortLength = false) {
        bytes.append(id, 4);
        size_t at = bytes.size();
        bytes.append(shortLength ? 2 : 4, '\0');
        return at;
    }
    void close(size_t at, bool shortLength = false) {
        size_t start = at + (shortLength ? 2 : 4);
        uint32_t length = static_cast<uint32_t>(bytes.size() - start);
        if (shortLength) {
            bytes[at] = static_cast<char>(length >> 8);
            bytes[at + 1] = static_cast<char>(length);
        } else {
            for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<char>(length >> (24 - 8 * i));
        }
        if (length & 1) bytes.push_back('\0');
    }
    void u16(uint32_t v) {
        bytes.push_back(static_cast<char>((v >> 8) & 0xFF));
        bytes.push_back(static_cast<char>(v & 0xFF));
    }
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((v >> (24 - 8 * i)) & 0xFF));
    }
    void f32(double v) {
        float f = static_cast<float>(v);
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        u32(bits);
    }
    // A variable-length index: two bytes below 0xFF00, else four with 0xFF in front.
    void vx(uint32_t index) {
        if (index < 0xFF00)
            u16(index);
        else
            u32(index | 0xFF000000u);
    }
    // A zero-terminated string padded to an even length.
    void text(const std::string& s) {
        bytes += s;
        bytes.push_back('\0');
        if ((s.size() + 1) & 1) bytes.push_back('\0');
    }
    std::string bytes;
};

struct Polygon {
    std::vector<int> points;
    std::vector<int> tex;  // empty when the polygon has no texture coordinates
    int part = 0;
};

// A unit's polygons in file order: corners reversed after the first (the file's z
// points the other way), polygons with more corners than the format allows fanned into
// triangles. A mirrored unit is turned inside out once more, so it keeps its order.
std::vector<Polygon> polygonsOf(const ExportUnit& unit, bool world) {
    const bool flip = !unit.mirrored(world);
    std::vector<Polygon> out;
    const GeometryInterface& g = *unit.geometry;
    for (int e = 0; e < g.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (!unit.polygon(e, info, &p, &t, &n) || !unit.cornersInRange(info, p, t)) continue;
        bool hasTex = t && info.texCount == info.count;
        auto add = [&](std::initializer_list<int> corners) {
            Polygon poly;
            poly.part = info.part;
            for (int c : corners) {
                poly.points.push_back(p[c]);
                if (hasTex) poly.tex.push_back(t[c]);
            }
            out.push_back(std::move(poly));
        };
        if (info.count <= kMaxCorners) {
            Polygon poly;
            poly.part = info.part;
            for (int k = 0; k < info.count; ++k) {
                int c = ExportUnit::corner(k, info.count, flip);
                poly.points.push_back(p[c]);
                if (hasTex) poly.tex.push_back(t[c]);
            }
            out.push_back(std::move(poly));
        } else {
            for (int c = 1; c + 1 < info.count; ++c) {
                if (flip)
                    add({0, c + 1, c});
                else
                    add({0, c, c + 1});
            }
        }
    }
    return out;
}

void floatParameter(Iff& out, const char id[4], double value) {
    size_t at = out.open(id, true);
    out.f32(value);
    out.vx(0);  // no envelope
    out.close(at, true);
}

struct Layer {
    const ExportUnit* unit;
    std::vector<Polygon> polygons;
    std::vector<int> tags;  // per polygon
    int number;             // 1-based place of the unit in the export list
};

// One surface per distinct look and smoothing angle; a name shared by different
// ones gets " (2)" etc.
struct Surfaces {
    std::vector<ExportMaterial> looks;
    std::vector<double> smoothing;  // per surface, degrees
    std::vector<std::string> names;

    explicit Surfaces(std::vector<Layer>& layers) {
        for (Layer& layer : layers)
            for (const Polygon& poly : layer.polygons) {
                ExportMaterial look = layer.unit->material(poly.part);
                if (look.name.empty()) look.name = kDefaultMaterial;
                const double angle = layer.unit->creaseAngle;
                size_t found = 0;
                while (found < looks.size() && (looks[found] != look || smoothing[found] != angle)) ++found;
                if (found == looks.size()) looks.push_back(look), smoothing.push_back(angle);
                layer.tags.push_back(static_cast<int>(found));
            }
        for (const ExportMaterial& look : looks) {
            std::string name = look.name;
            for (int n = 2; std::find(names.begin(), names.end(), name) != names.end(); ++n)
                name = look.name + " (" + std::to_string(n) + ")";
            names.push_back(name);
        }
    }
};

// Every position is written, so polygons keep the unit's own numbering; then the box.
void writePoints(Iff& out, const ExportUnit& unit, bool world) {
    const GeometryInterface& g = *unit.geometry;
    std::vector<glm::dvec3> points;
    double v[3];
    for (int i = 0; i < g.vertexCount(); ++i) {
        g.getVertex(v, i);
        glm::dvec3 at(v[0], v[1], v[2]);
        if (world) at = glm::dvec3(unit.transform * glm::dvec4(at, 1.0));
        points.emplace_back(at.x, at.y, -at.z);
    }
    size_t pnts = out.open("PNTS");
    for (const glm::dvec3& p : points) out.f32(p.x), out.f32(p.y), out.f32(p.z);
    out.close(pnts);
    glm::dvec3 low(0), high(0);
    for (size_t i = 0; i < points.size(); ++i) {
        low = i ? glm::min(low, points[i]) : points[i];
        high = i ? glm::max(high, points[i]) : points[i];
    }
    size_t bbox = out.open("BBOX");
    for (double x : {low.x, low.y, low.z, high.x, high.y, high.z}) out.f32(x);
    out.close(bbox);
}

// A point's first texture coordinate; the corners that differ from it, per polygon.
struct TextureMaps {
    std::map<int, int> firstTex;
    std::vector<std::pair<int, std::pair<int, int>>> perPolygon;  // polygon, (point, tex)

    TextureMaps(const Layer& layer, const GeometryInterface& g) {
        for (size_t k = 0; k < layer.polygons.size(); ++k) {
            const Polygon& poly = layer.polygons[k];
            for (size_t c = 0; c < poly.tex.size(); ++c) {
                auto [it, added] = firstTex.emplace(poly.points[c], poly.tex[c]);
                if (!added && it->second != poly.tex[c]) {
                    double a[3], b[3];
                    g.getTexCoord(a, it->second);
                    g.getTexCoord(b, poly.tex[c]);
                    if (a[0] != b[0] || a[1] != b[1])
                        perPolygon.push_back({static_cast<int>(k), {poly.points[c], poly.tex[c]}});
                }
            }
        }
    }
};

// A texture map chunk's head: two-float UVs under the one map name.
size_t openTextureMap(Iff& out, const char id[4]) {
    size_t at = out.open(id);
    out.bytes += "TXUV";
    out.u16(2);
    out.text(kTextureMap);
    return at;
}

void writeLayer(Iff& out, size_t index, const Layer& layer, bool world) {
    const ExportUnit& unit = *layer.unit;
    const GeometryInterface& g = *unit.geometry;
    size_t layr = out.open("LAYR");
    out.u16(static_cast<uint32_t>(index));
    out.u16(0);
    for (int i = 0; i < 3; ++i) out.f32(0);  // pivot
    out.text(unit.name.empty() ? "Object " + std::to_string(layer.number) : unit.label("-Frm%d", "-Section %d"));
    out.close(layr);
    writePoints(out, unit, world);

    // The first coordinates go in the map; the corners that differ, in the discontinuous map.
    const TextureMaps maps(layer, g);
    double v[3];
    if (!maps.firstTex.empty()) {
        size_t vmap = openTextureMap(out, "VMAP");
        for (const auto& [point, tex] : maps.firstTex) {
            g.getTexCoord(v, tex);
            out.vx(static_cast<uint32_t>(point));
            out.f32(v[0]), out.f32(v[1]);
        }
        out.close(vmap);
    }
    size_t pols = out.open("POLS");
    out.bytes += "FACE";
    for (const Polygon& poly : layer.polygons) {
        out.u16(static_cast<uint32_t>(poly.points.size()));
        for (int p : poly.points) out.vx(static_cast<uint32_t>(p));
    }
    out.close(pols);
    size_t ptag = out.open("PTAG");
    out.bytes += "SURF";
    for (size_t k = 0; k < layer.polygons.size(); ++k) {
        out.vx(static_cast<uint32_t>(k));
        out.u16(static_cast<uint32_t>(layer.tags[k]));
    }
    out.close(ptag);
    if (!maps.perPolygon.empty()) {
        size_t vmad = openTextureMap(out, "VMAD");
        for (const auto& [polygon, corner] : maps.perPolygon) {
            g.getTexCoord(v, corner.second);
            out.vx(static_cast<uint32_t>(corner.first));
            out.vx(static_cast<uint32_t>(polygon));
            out.f32(v[0]), out.f32(v[1]);
        }
        out.close(vmad);
    }
}

void writeSurface(Iff& out, const ExportMaterial& look, const std::string& name, double smoothing) {
    size_t surf = out.open("SURF");
    out.text(name);
    out.text("");  // no source surface
    size_t colr = out.open("COLR", true);
    for (double c : look.diffuse) out.f32(c);
    out.vx(0);
    out.close(colr, true);
    floatParameter(out, "DIFF", 1.0);
    floatParameter(out, "SPEC", look.specularAmount);
    floatParameter(out, "GLOS", look.shininess);
    floatParameter(out, "REFL", look.reflectivity);
    floatParameter(out, "TRAN", look.transparency);
    // Readers smooth across edges gentler than this and keep sharper ones hard.
    size_t sman = out.open("SMAN", true);
    out.f32(std::clamp(smoothing, 0.0, 180.0) * kPi / 180.0);
    out.close(sman, true);
    out.close(surf);
}

}  // namespace

bool LwoWriter::write(const std::string& path, const std::vector<ExportUnit>& units, bool world, std::FILE*) {
    std::vector<Layer> layers;
    for (size_t i = 0; i < units.size(); ++i) {
        if (!units[i].geometry) continue;
        std::vector<Polygon> polygons = polygonsOf(units[i], world);
        if (!polygons.empty()) layers.push_back({&units[i], std::move(polygons), {}, static_cast<int>(i) + 1});
    }
    if (layers.empty()) return false;
    const Surfaces surfaces(layers);

    Iff out;
    size_t form = out.open("FORM");
    out.bytes += "LWO2";
    size_t tags = out.open("TAGS");
    for (const std::string& name : surfaces.names) out.text(name);
    out.close(tags);
    for (size_t l = 0; l < layers.size(); ++l) writeLayer(out, l, layers[l], world);
    for (size_t s = 0; s < surfaces.looks.size(); ++s)
        writeSurface(out, surfaces.looks[s], surfaces.names[s], surfaces.smoothing[s]);
    out.close(form);

    return AFile::writeWhole(path, out.bytes.data(), out.bytes.size());
}

}  // namespace fw
