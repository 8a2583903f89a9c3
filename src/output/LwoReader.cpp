#include "output/LwoReader.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <utility>

namespace fw {

namespace {

const char* const kDefaultGroup = "LWO group";
const char* const kDefaultMaterial = "defaultMtl";

struct Polygon {
    std::vector<int> points;  // empty when the polygon was refused
};

struct Layer {
    std::string name;
    std::vector<double> points;  // x, y, z as the file has them
    std::vector<Polygon> polygons;
    size_t polygonBase = 0;  // where the latest POLS chunk's polygons start; PTAG and VMAD count from it
    bool facesOpen = false;  // the latest POLS held faces (PTAG/VMAD after other kinds are ignored)
    std::string uvMap;       // the texture map this layer's coordinates come from
    std::map<int, std::pair<float, float>> uv;
    std::map<std::pair<size_t, int>, std::pair<float, float>> uvPerPolygon;  // (polygon, point)
    std::map<size_t, int> tags;  // polygon -> TAGS index
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

    Layer& current() {
        if (layers_.empty()) layers_.push_back(Layer{});
        return layers_.back();
    }

    void points(size_t at, size_t end) {
        if (!current().points.empty()) {
            // A second point list starts a layer of its own, so polygons keep their numbering.
            Layer next;
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
        Layer& layer = current();
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
        const size_t pointCount = layer.points.size() / 3;
        int refused = 0;
        while (end - at >= 2) {
            size_t count = u16(at) & 0x03FF;
            at += 2;
            Polygon poly;
            bool ok = true, fits = true;
            for (size_t c = 0; c < count; ++c) {
                uint32_t index;
                if (!vx(at, end, index)) {
                    fits = false;
                    break;
                }
                ok = ok && index < pointCount;
                poly.points.push_back(static_cast<int>(index));
            }
            if (!fits) {
                warn("polygon list at byte " + std::to_string(at) + " ends inside a polygon");
                break;
            }
            if (!ok || count == 0) {
                if (refused++ < 10)
                    warn("polygon " + std::to_string(layer.polygons.size() - layer.polygonBase) +
                         (count ? " refers to a point past the " + std::to_string(pointCount) + " of its layer"
                                : " has no corners") +
                         "; left out");
                poly.points.clear();
            }
            layer.polygons.push_back(std::move(poly));
        }
        if (refused > 10) warn(std::to_string(refused) + " polygons in all were left out");
    }

    void polygonTags(size_t at, size_t end) {
        Layer& layer = current();
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
        Layer& layer = current();
        if (end - at < 6) return;
        std::string type = id(at);
        size_t dimension = u16(at + 4);
        at += 6;
        std::string name = text(at, end);
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
            if (perPolygon)
                layer.uvPerPolygon[{layer.polygonBase + poly, static_cast<int>(point)}] = value;
            else
                layer.uv[static_cast<int>(point)] = value;
        }
    }

    void surface(size_t at, size_t end) {
        ExportMaterial look;
        look.name = text(at, end);
        text(at, end);  // the source surface; its settings are not inherited here
        while (at < end && end - at >= 6) {  // a pad byte may step past the end
            std::string sub = id(at);
            size_t size = u16(at + 4), data = at + 6;
            if (size > end - data) {
                warn("surface '" + look.name + "': sub-chunk " + sub + " runs past its surface");
                break;
            }
            if (sub == "COLR" && size >= 12)
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

    bool run(size_t at, size_t end) {
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
            size_t stop = data + size;
            if (chunk == "TAGS") {
                for (size_t p = data; p < stop;) tags_.push_back(text(p, stop));
            } else if (chunk == "LAYR") {
                Layer layer;
                if (size >= 16) {
                    size_t p = data + 16;
                    layer.name = text(p, stop);
                } else {
                    warn("layer at byte " + std::to_string(at) + " is too short");
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
            at = stop + (size & 1);
        }
        return true;
    }

    void build(std::vector<ImportGroup>& groups) {
        for (Layer& layer : layers_) {
            ImportGroup group;
            group.name = layer.name.empty() ? kDefaultGroup : layer.name;
            ObjDB& db = *group.mesh;
            const size_t pointCount = layer.points.size() / 3;
            for (size_t i = 0; i < pointCount; ++i) {
                const double p[3] = {layer.points[3 * i], layer.points[3 * i + 1], -layer.points[3 * i + 2]};
                db.addVertex(p);
            }
            std::map<int, int> texOfPoint;
            int badTags = 0;
            for (size_t k = 0; k < layer.polygons.size(); ++k) {
                const std::vector<int>& file = layer.polygons[k].points;
                if (file.empty()) continue;
                const size_t count = file.size();
                // Back to right-handed axes: the first corner stays, the rest run backwards.
                std::vector<int> corners(count), tex;
                for (size_t c = 0; c < count; ++c) corners[c] = file[c == 0 ? 0 : count - c];
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
                std::string surfaceName = kDefaultMaterial;
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
                db.addElement(kind, part, static_cast<int>(count), corners.data(), static_cast<int>(tex.size()),
                              tex.empty() ? nullptr : tex.data(), 0, nullptr);
            }
            if (db.elementCount() > 0) groups.push_back(std::move(group));
        }
    }

private:
    const std::string& bytes_;
    std::function<void(const std::string&)> warn_;
    std::vector<std::string> tags_;
    std::vector<Layer> layers_;
    std::map<std::string, ExportMaterial> surfaces_;
};

}  // namespace

bool LwoReader::parse(const std::string& bytes, std::vector<ImportGroup>& groups) {
    groups.clear();
    if (bytes.size() < 12 || bytes.compare(0, 4, "FORM") != 0)
        return fail("is not a LightWave object: it does not begin with an IFF FORM");
    if (bytes.compare(8, 4, "LWOB") == 0) return fail("is an older LightWave object (LWOB); only LWO2 is read");
    if (bytes.compare(8, 4, "LWO2") != 0) return fail("is not a LightWave LWO2 object (its form type is not LWO2)");
    Parser parser(bytes, [this](const std::string& line) { warn(line); });
    size_t size = parser.u32(4), end = bytes.size();
    if (size < 4) return fail("is not a LightWave LWO2 object: its FORM is empty");
    if (size > bytes.size() - 8)
        parser.warn("the FORM claims " + std::to_string(size) + " bytes, the file holds " +
                    std::to_string(bytes.size() - 8));
    else
        end = 8 + size;
    parser.run(12, end);
    parser.build(groups);
    if (groups.empty()) return fail("holds no polygons");
    return true;
}

}  // namespace fw
