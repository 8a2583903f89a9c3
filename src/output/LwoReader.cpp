#include "output/LwoReader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <utility>

namespace fw {

namespace {

const char* const kDefaultGroup = "LWO group";
const char* const kReadMaterial = "defaultMtl";

struct ReadPolygon {
    std::vector<int> points;  // empty when the polygon was refused
};

struct ReadLayer {
    std::string name;
    std::vector<double> points;  // x, y, z as the file has them
    std::vector<ReadPolygon> polygons;
    size_t polygonBase = 0;  // where the latest POLS chunk's polygons start; PTAG and VMAD count from it
    bool facesOpen = false;  // the latest POLS held faces (PTAG/VMAD after other kinds are ignored)
    std::string uvMap;       // the texture map this layer's coordinates come from
    std::map<int, std::pair<float, float>> uv;
    std::map<std::pair<size_t, int>, std::pair<float, float>> uvPerPolygon;  // (polygon, point)
    std::map<size_t, int> tags;  // polygon -> TAGS index
    std::string normalMap;       // the vertex-normal map read, as for texture maps
    std::map<int, std::array<float, 3>> normal;
    std::map<std::pair<size_t, int>, std::array<float, 3>> normalPerPolygon;
};

class Parser {
public:
    // `warn` takes one line of warning, without its line end.
    Parser(const std::string& bytes, std::function<void(const std::string&)> warn)
        : bytes_(bytes), warn_(std::move(warn)) {}

    void warn(const std::string& what) { warn_(what + "\n"); }
    uint16_t u16(size_t at) const {
        return static_cast<uint16_t>(static_cast<uint8_t>(bytes_[at]) << 8 | static_cast<uint8_t>(bytes_[at + 1]));
    }
    uint32_t u32(size_t at) const {
        return static_cast<uint32_t>(u16(at)) << 16 | u16(at + 2);
    }
    float f32(size_t at) const {
        uint32_t bits = u32(at);
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    // A variable-length index within [at, end): false when it does not fit.
    bool vx(size_t& at, size_t end, uint32_t& index) const {
        if (end - at < 2) return false;
        if (static_cast<uint8_t>(bytes_[at]) != 0xFF) {
            index = u16(at);
            at += 2;
            return true;
        }
        if (end - at < 4) return false;
        index = u32(at) & 0x00FFFFFFu;
        at += 4;
        return true;
    }
    // A zero-terminated string padded to even length.
    std::string text(size_t& at, size_t end) {
        size_t stop = at;
        while (stop < end && bytes_[stop] != '\0') ++stop;
        std::string s = bytes_.substr(at, stop - at);
        if (stop >= end) {
            warn("string at byte " + std::to_string(at) + " is not terminated");
            at = end;
            return s;
        }
        // The terminator counts towards the length, which is padded to even.
        at = stop + 1 + ((stop + 1 - at) & 1);
        if (at > end) at = end;
        return s;
    }
    std::string id(size_t at) const { return bytes_.substr(at, 4); }

    ReadLayer& current() {
        if (layers_.empty()) layers_.push_back(ReadLayer{});
        return layers_.back();
    }

    void points(size_t at, size_t end) {
        if (!current().points.empty()) {
            // A second point list starts a layer of its own, so polygons keep their numbering.
            ReadLayer next;
            next.name = current().name;
            layers_.push_back(std::move(next));
        }
        size_t count = (end - at) / 12;
        if ((end - at) % 12) warn("point list at byte " + std::to_string(at) + " ends in a partial point");
        std::vector<double>& out = current().points;
        out.reserve(count * 3);
        for (size_t i = 0; i < count * 3; ++i) out.push_back(f32(at + 4 * i));
    }

    void polygons(size_t at, size_t end) {
        ReadLayer& layer = current();
        if (end - at < 4) {
            warn("polygon list at byte " + std::to_string(at) + " has no type");
            layer.facesOpen = false;
            return;
        }
        std::string type = id(at);
        at += 4;
        layer.polygonBase = layer.polygons.size();
        layer.facesOpen = type == "FACE" || type == "PTCH" || type == "SUBD";
        if (!layer.facesOpen) {
            warn("polygons of type '" + type + "' are not read");
            return;
        }
        int refused = 0;
        while (end - at >= 2) {
            size_t count = u16(at) & 0x03FF;
            at += 2;
            ReadPolygon poly;
            bool fits = true;
            for (size_t c = 0; c < count; ++c) {
                uint32_t index;
                if (!vx(at, end, index)) {
                    fits = false;
                    break;
                }
                poly.points.push_back(static_cast<int>(index));
            }
            if (!fits) {
                warn("polygon list at byte " + std::to_string(at) + " ends inside a polygon");
                break;
            }
            keep(layer, std::move(poly), refused);
        }
        if (refused > 10) warn(std::to_string(refused) + " polygons in all were left out");
    }

    // Adds a polygon as read, emptied (and counted in `refused`) when it has no corners
    // or names a point the layer lacks.
    void keep(ReadLayer& layer, ReadPolygon poly, int& refused) {
        const size_t pointCount = layer.points.size() / 3;
        const bool inRange = std::all_of(poly.points.begin(), poly.points.end(),
                                         [&](int p) { return p >= 0 && static_cast<size_t>(p) < pointCount; });
        if (!inRange || poly.points.empty()) {
            if (refused++ < 10)
                warn("polygon " + std::to_string(layer.polygons.size() - layer.polygonBase) +
                     (poly.points.empty() ? " has no corners"
                                          : " refers to a point past the " + std::to_string(pointCount) + " of its layer") +
                     "; left out");
            poly.points.clear();
        }
        layer.polygons.push_back(std::move(poly));
    }

    // The older format's polygons: U2 corner count and indices, then the surface's
    // 1-based number in SRFS. A negative number carries a count of detail polygons
    // that follow; they are polygons of the same form and are read as such.
    void oldPolygons(size_t at, size_t end) {
        ReadLayer& layer = current();
        layer.polygonBase = layer.polygons.size();
        layer.facesOpen = true;
        int refused = 0, badSurfaces = 0;
        while (end - at >= 2) {
            size_t count = u16(at);
            at += 2;
            if ((end - at) / 2 < count + 1) {
                warn("polygon list at byte " + std::to_string(at) + " ends inside a polygon");
                break;
            }
            ReadPolygon poly;
            for (size_t c = 0; c < count; ++c, at += 2) poly.points.push_back(u16(at));
            int surface = static_cast<int16_t>(u16(at));
            at += 2;
            if (surface < 0) {
                surface = -surface;
                if (end - at >= 2) at += 2;  // the detail count
            }
            const size_t index = layer.polygons.size();
            if (surface >= 1 && static_cast<size_t>(surface) <= tags_.size())
                layer.tags[index] = surface - 1;
            else if (badSurfaces++ < 10)
                warn("polygon " + std::to_string(index) + " names surface " + std::to_string(surface) + " of " +
                     std::to_string(tags_.size()) + "; it wears the default");
            keep(layer, std::move(poly), refused);
        }
        if (refused > 10) warn(std::to_string(refused) + " polygons in all were left out");
    }

    void polygonTags(size_t at, size_t end) {
        ReadLayer& layer = current();
        if (end - at < 4) return;
        std::string type = id(at);
        at += 4;
        if (type != "SURF" || !layer.facesOpen) return;
        while (end - at >= 4) {
            uint32_t poly;
            if (!vx(at, end, poly) || end - at < 2) break;
            int tag = u16(at);
            at += 2;
            size_t index = layer.polygonBase + poly;
            if (index < layer.polygons.size())
                layer.tags[index] = tag;
            else
                warn("surface tag for polygon " + std::to_string(poly) + ", which does not exist");
        }
    }

    void vertexMap(size_t at, size_t end, bool perPolygon) {
        ReadLayer& layer = current();
        if (end - at < 6) return;
        std::string type = id(at);
        size_t dimension = u16(at + 4);
        at += 6;
        std::string name = text(at, end);
        if (type == "NORM" && dimension >= 3) return normals(layer, name, at, end, perPolygon);
        if (type != "TXUV" || dimension < 2) return;
        if (layer.uvMap.empty()) layer.uvMap = name;
        if (name != layer.uvMap) {
            warn("texture map '" + name + "' left out: only '" + layer.uvMap + "' is read");
            return;
        }
        if (perPolygon && !layer.facesOpen) return;
        while (at < end) {
            uint32_t point, poly = 0;
            if (!vx(at, end, point) || (perPolygon && !vx(at, end, poly)) || (end - at) / 4 < dimension) {
                warn("texture map '" + name + "' ends inside an entry");
                break;
            }
            std::pair<float, float> value(f32(at), f32(at + 4));
            at += 4 * dimension;
            if (!std::isfinite(value.first) || !std::isfinite(value.second)) {
                if (nonFiniteMaps_++ < 10)
                    warn("texture map '" + name + "': point " + std::to_string(point) +
                         " has a coordinate that is not a finite number; left out");
                continue;
            }
            if (perPolygon)
                layer.uvPerPolygon[{layer.polygonBase + poly, static_cast<int>(point)}] = value;
            else
                layer.uv[static_cast<int>(point)] = value;
        }
    }

    // Vertex normals as Modo and LightWave write them: three floats per point (VMAP)
    // or per polygon corner (VMAD), in the file's left-handed axes.
    void normals(ReadLayer& layer, const std::string& name, size_t at, size_t end, bool perPolygon) {
        if (layer.normalMap.empty()) layer.normalMap = name;
        if (name != layer.normalMap) {
            warn("normal map '" + name + "' left out: only '" + layer.normalMap + "' is read");
            return;
        }
        if (perPolygon && !layer.facesOpen) return;
        while (at < end) {
            uint32_t point, poly = 0;
            if (!vx(at, end, point) || (perPolygon && !vx(at, end, poly)) || (end - at) / 4 < 3) {
                warn("normal map '" + name + "' ends inside an entry");
                break;
            }
            std::array<float, 3> value = {f32(at), f32(at + 4), f32(at + 8)};
            at += 12;
            if (!std::isfinite(value[0]) || !std::isfinite(value[1]) || !std::isfinite(value[2])) {
                if (nonFiniteMaps_++ < 10)
                    warn("normal map '" + name + "': point " + std::to_string(point) +
                         " has a normal that is not a finite number; left out");
                continue;
            }
            if (perPolygon)
                layer.normalPerPolygon[{layer.polygonBase + poly, static_cast<int>(point)}] = value;
            else
                layer.normal[static_cast<int>(point)] = value;
        }
    }

    // A surface: LWO2 sub-chunks, or (old) those of the older format, whose colour is
    // three bytes and whose amounts are 1/256ths unless a float "V" form follows.
    void surface(size_t at, size_t end, bool old = false) {
        ExportMaterial look;
        look.name = text(at, end);
        if (!old) text(at, end);  // the source surface; its settings are not inherited here
        while (at < end && end - at >= 6) {  // a pad byte may step past the end
            std::string sub = id(at);
            size_t size = u16(at + 4), data = at + 6;
            if (size > end - data) {
                warn("surface '" + look.name + "': sub-chunk " + sub + " runs past its surface");
                break;
            }
            if (old) {
                oldSurfaceField(look, sub, data, size);
            } else if (sub == "COLR" && size >= 12)
                for (size_t i = 0; i < 3; ++i) look.diffuse[i] = f32(data + 4 * i);
            else if (size >= 4 && sub == "SPEC")
                look.specularAmount = f32(data);
            else if (size >= 4 && sub == "GLOS")
                look.shininess = f32(data);
            else if (size >= 4 && sub == "REFL")
                look.reflectivity = f32(data);
            else if (size >= 4 && sub == "TRAN")
                look.transparency = f32(data);
            at = data + size + (size & 1);
        }
        surfaces_.emplace(look.name, look);
    }

    void oldSurfaceField(ExportMaterial& look, const std::string& sub, size_t data, size_t size) {
        auto fraction = [&] { return std::clamp(u16(data) / 256.0, 0.0, 1.0); };
        auto real = [&] { return std::clamp(static_cast<double>(f32(data)), 0.0, 1.0); };
        if (sub == "COLR" && size >= 3) {
            for (size_t i = 0; i < 3; ++i) look.diffuse[i] = static_cast<uint8_t>(bytes_[data + i]) / 255.0;
        } else if (size >= 2 && sub == "SPEC") {
            look.specularAmount = fraction();
        } else if (size >= 4 && sub == "VSPC") {
            look.specularAmount = real();
        } else if (size >= 2 && sub == "GLOS") {
            // Glossiness 16, 64, 256, 1024 (low to maximum) is the exponent 2^(10g + 2)
            // of the newer format's 0..1 glossiness g: 0.2, 0.4, 0.6, 0.8.
            double g = u16(data);
            look.shininess = g > 0 ? std::clamp((std::log2(g) - 2) / 10, 0.0, 1.0) : 0.0;
        } else if (size >= 2 && sub == "REFL") {
            look.reflectivity = fraction();
        } else if (size >= 4 && sub == "VRFL") {
            look.reflectivity = real();
        } else if (size >= 2 && sub == "TRAN") {
            look.transparency = fraction();
        } else if (size >= 4 && sub == "VTRN") {
            look.transparency = real();
        }
    }

    // Calls visit(id, header, data, stop) for each chunk from `at` to `end`; a chunk that
    // claims more than is left is cut to what is there, with a warning.
    template <typename Visit>
    void walkChunks(size_t at, size_t end, Visit visit) {
        while (at < end) {
            if (end - at < 8) {
                warn("truncated chunk header at byte " + std::to_string(at));
                break;
            }
            std::string chunk = id(at);
            size_t size = u32(at + 4), data = at + 8;
            if (size > end - data) {
                warn("chunk " + chunk + " at byte " + std::to_string(at) + " claims " + std::to_string(size) +
                     " bytes, only " + std::to_string(end - data) + " are left");
                size = end - data;
            }
            const size_t stop = data + size;
            visit(chunk, at, data, stop);
            at = stop + (size & 1);
        }
    }

    // The older format (LWOB): one layer; SRFS names the surfaces the polygons number.
    void runOld(size_t at, size_t end) {
        walkChunks(at, end, [this](const std::string& chunk, size_t, size_t data, size_t stop) {
            if (chunk == "SRFS") {
                for (size_t p = data; p < stop;) tags_.push_back(text(p, stop));
            } else if (chunk == "PNTS") {
                points(data, stop);
            } else if (chunk == "POLS") {
                oldPolygons(data, stop);
            } else if (chunk == "SURF") {
                surface(data, stop, true);
            }
        });
    }

    bool run(size_t at, size_t end) {
        walkChunks(at, end, [this](const std::string& chunk, size_t header, size_t data, size_t stop) {
            if (chunk == "TAGS") {
                for (size_t p = data; p < stop;) tags_.push_back(text(p, stop));
            } else if (chunk == "LAYR") {
                ReadLayer layer;
                if (stop - data >= 16) {
                    size_t p = data + 16;
                    layer.name = text(p, stop);
                } else {
                    warn("layer at byte " + std::to_string(header) + " is too short");
                }
                layers_.push_back(std::move(layer));
            } else if (chunk == "PNTS") {
                points(data, stop);
            } else if (chunk == "POLS") {
                polygons(data, stop);
            } else if (chunk == "PTAG") {
                polygonTags(data, stop);
            } else if (chunk == "VMAP" || chunk == "VMAD") {
                vertexMap(data, stop, chunk == "VMAD");
            } else if (chunk == "SURF") {
                surface(data, stop);
            }
        });
        return true;
    }

    void build(std::vector<ImportGroup>& groups) {
        for (ReadLayer& layer : layers_) {
            ImportGroup group;
            group.name = layer.name.empty() ? kDefaultGroup : layer.name;
            ObjDB& db = *group.mesh;
            const size_t pointCount = layer.points.size() / 3;
            // Points whose numbers are not all finite are left out (a project cannot spell
            // them), and so are the polygons that use them.
            std::vector<int> kept(pointCount, -1);
            for (size_t i = 0; i < pointCount; ++i) {
                const double p[3] = {layer.points[3 * i], layer.points[3 * i + 1], -layer.points[3 * i + 2]};
                if (std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2])) kept[i] = db.addVertex(p);
            }
            std::map<int, int> texOfPoint, normalOfPoint;
            int badTags = 0, nonFinite = 0;
            const std::string where = "layer '" + group.name + "': ";
            for (size_t k = 0; k < layer.polygons.size(); ++k) {
                const std::vector<int>& file = layer.polygons[k].points;
                if (file.empty()) continue;
                const size_t count = file.size();
                if (std::any_of(file.begin(), file.end(), [&](int p) { return kept[static_cast<size_t>(p)] < 0; })) {
                    if (nonFinite++ < 10)
                        warn(where + "polygon " + std::to_string(k) +
                             " has a point whose position is not a finite number; left out");
                    continue;
                }
                // Back to right-handed axes: the first corner stays, the rest run backwards.
                std::vector<int> corners(count), tex, vertices(count);
                for (size_t c = 0; c < count; ++c) corners[c] = file[c == 0 ? 0 : count - c];
                for (size_t c = 0; c < count; ++c) vertices[c] = kept[static_cast<size_t>(corners[c])];
                for (int point : corners) {
                    auto own = layer.uvPerPolygon.find({k, point});
                    int index = -1;
                    if (own != layer.uvPerPolygon.end()) {
                        const double t[3] = {own->second.first, own->second.second, 0};
                        index = db.addTexCoord(t);
                    } else if (auto shared = layer.uv.find(point); shared != layer.uv.end()) {
                        auto [it, added] = texOfPoint.emplace(point, 0);
                        if (added) {
                            const double t[3] = {shared->second.first, shared->second.second, 0};
                            it->second = db.addTexCoord(t);
                        }
                        index = it->second;
                    }
                    if (index < 0) break;
                    tex.push_back(index);
                }
                if (tex.size() != count) tex.clear();
                std::vector<int> normals;
                for (int point : corners) {
                    // z back, as for points.
                    auto flipped = [](const std::array<float, 3>& n) {
                        return std::array<double, 3>{n[0], n[1], -n[2]};
                    };
                    if (auto own = layer.normalPerPolygon.find({k, point}); own != layer.normalPerPolygon.end()) {
                        normals.push_back(db.addNormal(flipped(own->second).data()));
                    } else if (auto shared = layer.normal.find(point); shared != layer.normal.end()) {
                        auto [it, added] = normalOfPoint.emplace(point, 0);
                        if (added) it->second = db.addNormal(flipped(shared->second).data());
                        normals.push_back(it->second);
                    } else {
                        break;
                    }
                }
                if (normals.size() != count) normals.clear();
                std::string surfaceName = kReadMaterial;
                if (auto tag = layer.tags.find(k); tag != layer.tags.end()) {
                    if (tag->second >= 0 && static_cast<size_t>(tag->second) < tags_.size())
                        surfaceName = tags_[static_cast<size_t>(tag->second)];
                    else if (badTags++ < 10)
                        warn("polygon " + std::to_string(k) + " names surface tag " + std::to_string(tag->second) +
                             " of " + std::to_string(tags_.size()));
                }
                auto look = surfaces_.find(surfaceName);
                int part = group.partFor(surfaceName, look == surfaces_.end() ? nullptr : &look->second);
                int kind = count == 1   ? GeometryInterface::PointSet
                           : count == 2 ? GeometryInterface::Polyline
                                        : GeometryInterface::Polygon;
                db.addElement(kind, part, static_cast<int>(count), vertices.data(), static_cast<int>(tex.size()),
                              tex.empty() ? nullptr : tex.data(), static_cast<int>(normals.size()),
                              normals.empty() ? nullptr : normals.data());
            }
            if (nonFinite > 10)
                warn(where + std::to_string(nonFinite) + " polygons in all have points that are not finite");
            if (db.elementCount() > 0) groups.push_back(std::move(group));
        }
        if (nonFiniteMaps_ > 10)
            warn(std::to_string(nonFiniteMaps_) + " texture or normal map entries in all were not finite numbers");
    }

private:
    const std::string& bytes_;
    std::function<void(const std::string&)> warn_;
    std::vector<std::string> tags_;
    std::vector<ReadLayer> layers_;
    std::map<std::string, ExportMaterial> surfaces_;
    int nonFiniteMaps_ = 0;
};

}  // namespace

bool LwoReader::parse(const std::string& bytes, std::vector<ImportGroup>& groups) {
    groups.clear();
    if (bytes.size() < 12 || bytes.compare(0, 4, "FORM") != 0)
        return fail("is not a LightWave object: it does not begin with an IFF FORM");
    const bool old = bytes.compare(8, 4, "LWOB") == 0;
    if (!old && bytes.compare(8, 4, "LWO2") != 0)
        return fail("is not a LightWave object (its form type is neither LWO2 nor LWOB)");
    Parser parser(bytes, [this](const std::string& line) { warn(line); });
    size_t size = parser.u32(4), end = bytes.size();
    if (size < 4) return fail("is not a LightWave object: its FORM is empty");
    if (size > bytes.size() - 8)
        parser.warn("the FORM claims " + std::to_string(size) + " bytes, the file holds " +
                    std::to_string(bytes.size() - 8));
    else
        end = 8 + size;
    if (old)
        parser.runOld(12, end);
    else
        parser.run(12, end);
    parser.build(groups);
    if (groups.empty()) return fail("holds no polygons");
    return true;
}

}  // namespace fw
