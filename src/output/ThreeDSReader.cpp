#include "output/ThreeDSReader.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

#include "output/ThreeDSChunks.h"

namespace fw {

namespace {

using namespace tds;

const char* const kDefaultGroup = "3DS group";

std::string hex(uint16_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", id);
    return text;
}

struct Chunk {
    uint16_t id = 0;
    size_t begin = 0;  // the header's first byte
    size_t data = 0;   // first byte after the header
    size_t end = 0;    // one past the chunk (clamped to its parent)
};

class Parser {
public:
    // `warn` takes one line of warning, without its line end.
    Parser(const std::string& bytes, std::function<void(const std::string&)> warn)
        : bytes_(bytes), warn_(std::move(warn)) {}

    void warn(const std::string& what) { warn_(what + "\n"); }

    uint16_t u16(size_t at) const {
        return static_cast<uint16_t>(static_cast<uint8_t>(bytes_[at]) | static_cast<uint8_t>(bytes_[at + 1]) << 8);
    }
    uint32_t u32(size_t at) const {
        uint32_t v = 0;
        for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes_[at + i])) << (8 * i);
        return v;
    }
    double f32(size_t at) const {
        uint32_t bits = u32(at);
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }

    // The chunk starting at `at` within [at, end); false (with a warning) when its header
    // does not fit or its length is impossible. A length past `end` is cut back to it.
    bool next(size_t at, size_t end, Chunk& chunk) {
        if (at >= end) return false;
        if (end - at < 6) {
            warn("truncated chunk header at byte " + std::to_string(at) + " (" + std::to_string(end - at) +
                 " bytes left)");
            return false;
        }
        chunk.id = u16(at);
        uint32_t length = u32(at + 2);
        chunk.begin = at;
        chunk.data = at + 6;
        if (length < 6) {
            warn("chunk " + hex(chunk.id) + " at byte " + std::to_string(at) + " has length " + std::to_string(length) +
                 ", below the 6 bytes of its header");
            return false;
        }
        if (length > end - at) {
            warn("chunk " + hex(chunk.id) + " at byte " + std::to_string(at) + " claims " + std::to_string(length) +
                 " bytes, only " + std::to_string(end - at) + " are left");
            chunk.end = end;
        } else {
            chunk.end = at + length;
        }
        return true;
    }

    // A zero-terminated name starting at `at`; `after` is where the next field starts.
    std::string text(size_t at, size_t end, size_t& after) {
        size_t stop = at;
        while (stop < end && bytes_[stop] != '\0') ++stop;
        std::string s = bytes_.substr(at, stop - at);
        if (stop >= end) {
            warn("name at byte " + std::to_string(at) + " is not terminated");
            after = end;
        } else {
            after = stop + 1;
        }
        return s;
    }

    // The first colour sub-chunk of a material colour chunk.
    bool colour(const Chunk& parent, double rgb[3]) {
        Chunk c;
        for (size_t at = parent.data; next(at, parent.end, c); at = c.end) {
            size_t size = c.end - c.data;
            if ((c.id == kColorFloat || c.id == kColorFloatLinear) && size >= 12) {
                for (size_t i = 0; i < 3; ++i) rgb[i] = f32(c.data + 4 * i);
                return true;
            }
            if ((c.id == kColorByte || c.id == kColorByteLinear) && size >= 3) {
                for (size_t i = 0; i < 3; ++i) rgb[i] = static_cast<uint8_t>(bytes_[c.data + i]) / 255.0;
                return true;
            }
        }
        return false;
    }

    bool percent(const Chunk& parent, double& amount) {
        Chunk c;
        for (size_t at = parent.data; next(at, parent.end, c); at = c.end) {
            if (c.id == kPercentInt && c.end - c.data >= 2) {
                amount = static_cast<int16_t>(u16(c.data)) / 100.0;
                return true;
            }
            if (c.id == kPercentFloat && c.end - c.data >= 4) {
                amount = f32(c.data) / 100.0;
                return true;
            }
        }
        return false;
    }

    void material(const Chunk& entry) {
        ExportMaterial look;
        look.name.clear();
        Chunk c;
        for (size_t at = entry.data; next(at, entry.end, c); at = c.end) {
            size_t after;
            switch (c.id) {
                case kMaterialName: look.name = text(c.data, c.end, after); break;
                case kDiffuse: colour(c, look.diffuse); break;
                case kSpecular: colour(c, look.specular); break;
                case kShininess: percent(c, look.shininess); break;
                case kShininessStrength: percent(c, look.specularAmount); break;
                case kTransparency: percent(c, look.transparency); break;
                default: break;
            }
        }
        if (look.name.empty()) {
            warn("material at byte " + std::to_string(entry.begin) + " has no name; left out");
            return;
        }
        materials_.emplace(look.name, look);  // the first of a name wins
    }

    struct Face {
        uint16_t corners[3];
        std::string material;
    };
    // A triangle mesh's chunks as the file holds them.
    struct TriMesh {
        std::vector<double> positions, uv;
        std::vector<Face> faces;
    };

    // A vertex or mapping list: its numbers, as many as its chunk holds.
    void readNumbers(const Chunk& c, const std::string& shown, TriMesh& m) {
        const size_t left = c.end - c.data;
        const size_t stride = c.id == kVertexList ? 12 : 8;
        const char* what = c.id == kVertexList ? "vertices" : "mapping coordinates";
        if (left < 2) {
            warn(shown + ": " + what + " chunk too short for its count");
            return;
        }
        size_t count = u16(c.data), fits = (left - 2) / stride;
        if (count > fits) {
            warn(shown + " claims " + std::to_string(count) + " " + what + ", only " + std::to_string(fits) +
                 " fit in its chunk");
            count = fits;
        }
        std::vector<double>& out = c.id == kVertexList ? m.positions : m.uv;
        out.clear();
        out.reserve(count * stride / 4);
        for (size_t i = 0; i < count * stride / 4; ++i) out.push_back(f32(c.data + 2 + 4 * i));
    }

    // The face list and the face-material chunks after it.
    void readFaces(const Chunk& c, const std::string& shown, std::vector<Face>& faces) {
        const size_t left = c.end - c.data;
        if (left < 2) {
            warn(shown + ": face list too short for its count");
            return;
        }
        size_t count = u16(c.data), fits = (left - 2) / 8;
        if (count > fits) {
            warn(shown + " claims " + std::to_string(count) + " faces, only " + std::to_string(fits) +
                 " fit in its chunk");
            count = fits;
        }
        faces.assign(count, Face{});
        for (size_t f = 0; f < count; ++f)
            for (size_t k = 0; k < 3; ++k) faces[f].corners[k] = u16(c.data + 2 + 8 * f + 2 * k);
        Chunk sub;
        for (size_t inner = c.data + 2 + 8 * count; next(inner, c.end, sub); inner = sub.end)
            if (sub.id == kFaceMaterial) readFaceMaterial(sub, shown, faces);
    }

    void readFaceMaterial(const Chunk& sub, const std::string& shown, std::vector<Face>& faces) {
        size_t after;
        std::string name = text(sub.data, sub.end, after);
        if (sub.end - after < 2) {
            warn(shown + ": face material '" + name + "' has no face count");
            return;
        }
        size_t listed = u16(after), fit = (sub.end - after - 2) / 2;
        if (listed > fit) {
            warn(shown + ": face material '" + name + "' lists " + std::to_string(listed) + " faces, only " +
                 std::to_string(fit) + " fit in its chunk");
            listed = fit;
        }
        for (size_t i = 0; i < listed; ++i) {
            size_t f = u16(after + 2 + 2 * i);
            if (f < faces.size())
                faces[f].material = name;
            else
                warn(shown + ": face material '" + name + "' names face " + std::to_string(f) + " of " +
                     std::to_string(faces.size()));
        }
    }

    void mesh(const Chunk& tri, const std::string& objectName, std::vector<ImportGroup>& groups) {
        const std::string shown = "object '" + objectName + "'";
        TriMesh m;
        Chunk c;
        for (size_t at = tri.data; next(at, tri.end, c); at = c.end) {
            if (c.id == kVertexList || c.id == kMapping) readNumbers(c, shown, m);
            else if (c.id == kFaceList) readFaces(c, shown, m.faces);
        }
        const size_t vertexCount = m.positions.size() / 3;
        if (m.faces.empty()) {
            if (vertexCount) warn(shown + " has no faces; left out");
            return;
        }
        bool textured = !m.uv.empty();
        if (textured && m.uv.size() / 2 != vertexCount) {
            warn(shown + " has " + std::to_string(m.uv.size() / 2) + " mapping coordinates for " +
                 std::to_string(vertexCount) + " vertices; they are left out");
            textured = false;
        }
        ImportGroup group;
        group.name = objectName.empty() ? kDefaultGroup : objectName;
        addMesh(m, textured, shown, group);
        if (group.mesh->elementCount() > 0) groups.push_back(std::move(group));
    }

    void addMesh(const TriMesh& m, bool textured, const std::string& shown, ImportGroup& group) {
        ObjDB& db = *group.mesh;
        const size_t vertexCount = m.positions.size() / 3;
        // Only vertices whose numbers are all finite are kept (a project cannot spell
        // the others); `kept` maps the file's numbering to the mesh's, -1 for the rest.
        std::vector<int> kept(vertexCount, -1);
        std::vector<bool> mapped(vertexCount, textured);
        for (size_t i = 0; i < vertexCount; ++i) {
            const double* x = &m.positions[3 * i];
            if (!std::isfinite(x[0]) || !std::isfinite(x[1]) || !std::isfinite(x[2])) continue;
            // Back from the file's z-up axes to our y-up ones.
            const double p[3] = {x[0], x[2], -x[1]};
            kept[i] = db.addVertex(p);
            if (!textured) continue;
            mapped[i] = std::isfinite(m.uv[2 * i]) && std::isfinite(m.uv[2 * i + 1]);
            const double t[3] = {mapped[i] ? m.uv[2 * i] : 0, mapped[i] ? m.uv[2 * i + 1] : 0, 0};
            db.addTexCoord(t);
        }
        int skipped = 0, nonFinite = 0, unmapped = 0;
        for (size_t f = 0; f < m.faces.size(); ++f) {
            const Face& face = m.faces[f];
            int corners[3];
            bool inRange = true, finite = true, faceMapped = textured;
            for (size_t k = 0; k < 3; ++k) {
                const size_t v = face.corners[k];
                inRange = inRange && v < vertexCount;
                corners[k] = inRange ? kept[v] : -1;
                finite = finite && (!inRange || kept[v] >= 0);
                faceMapped = faceMapped && inRange && mapped[v];
            }
            if (!inRange) {
                if (skipped++ < 10)
                    warn(shown + ": face " + std::to_string(f) + " refers to a vertex past the " +
                         std::to_string(vertexCount) + " it has; left out");
                continue;
            }
            if (!finite) {
                if (nonFinite++ < 10)
                    warn(shown + ": face " + std::to_string(f) + " has a corner whose position is not a finite number; left out");
                continue;
            }
            if (textured && !faceMapped && unmapped++ < 10)
                warn(shown + ": face " + std::to_string(f) +
                     " has a mapping coordinate that is not a finite number; it has none");
            std::string name = face.material.empty() ? std::string("defaultMtl") : face.material;
            auto known = materials_.find(name);
            int part = group.partFor(name, known == materials_.end() ? nullptr : &known->second);
            db.addElement(GeometryInterface::Polygon, part, 3, corners, faceMapped ? 3 : 0, faceMapped ? corners : nullptr,
                          0, nullptr);
        }
        if (skipped > 10) warn(shown + ": " + std::to_string(skipped) + " faces in all refer to missing vertices");
        if (nonFinite > 10) warn(shown + ": " + std::to_string(nonFinite) + " faces in all have corners that are not finite");
        if (unmapped > 10)
            warn(shown + ": " + std::to_string(unmapped) + " faces in all lost mapping coordinates that are not finite");
    }

    void object(const Chunk& named, std::vector<ImportGroup>& groups) {
        size_t after;
        std::string name = text(named.data, named.end, after);
        Chunk c;
        for (size_t at = after; next(at, named.end, c); at = c.end)
            if (c.id == kTriangleMesh) mesh(c, name, groups);
    }

    void editor(const Chunk& block, std::vector<ImportGroup>& groups) {
        // Materials first: faces refer to them by name wherever they stand in the file.
        Chunk c;
        for (size_t at = block.data; next(at, block.end, c); at = c.end)
            if (c.id == kMaterial) material(c);
        for (size_t at = block.data; next(at, block.end, c); at = c.end)
            if (c.id == kNamedObject) object(c, groups);
    }

    const std::string& bytes_;
    std::function<void(const std::string&)> warn_;
    std::map<std::string, ExportMaterial> materials_;
};

}  // namespace

bool ThreeDSReader::parse(const std::string& bytes, std::vector<ImportGroup>& groups) {
    groups.clear();
    Parser parser(bytes, [this](const std::string& line) { warn(line); });
    if (bytes.size() < 6 || parser.u16(0) != kMain)
        return fail("is not a 3DS file: it does not begin with the main chunk 0x4D4D");
    Chunk main;
    if (!parser.next(0, bytes.size(), main)) return fail("is not a 3DS file: its main chunk is damaged");
    Chunk c;
    bool sawEditor = false;
    for (size_t at = main.data; parser.next(at, main.end, c); at = c.end)
        if (c.id == kEditor) {
            sawEditor = true;
            parser.editor(c, groups);
        }
    if (!sawEditor) return fail("holds no 3D editor chunk (0x3D3D), so no meshes");
    if (groups.empty()) return fail("holds no triangle mesh with faces");
    return true;
}

}  // namespace fw
