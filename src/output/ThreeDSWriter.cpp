#include "output/ThreeDSWriter.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <glm/geometric.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <map>
#include <set>
#include <utility>

#include "mesh/GeometryInterface.h"
#include "output/ThreeDSChunks.h"
#include "persistence/AFile.h"
#include "platform/Dialogs.h"

namespace fw {

namespace {

const char* const kTooLarge =
    "\rWarning: This export contains more data per object than the file format supports. Use settings that create "
    "fewer polygons or export to a different file format.";

using namespace tds;

// Little-endian chunks built in memory; a chunk's length is patched when it closes.
class Chunks {
public:
    size_t open(uint16_t id) {
        u16(id);
        size_t at = bytes.size();
        u32(0);
        return at;
    }
    void close(size_t at) {
        uint32_t length = static_cast<uint32_t>(bytes.size() - at + 2);
        for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<char>(length >> (8 * i));
    }
    void u16(uint32_t v) {
        bytes.push_back(static_cast<char>(v & 0xFF));
        bytes.push_back(static_cast<char>((v >> 8) & 0xFF));
    }
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    void f32(double v) {
        float f = static_cast<float>(v);
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        u32(bits);
    }
    void text(const std::string& s) {
        bytes += s;
        bytes.push_back('\0');
    }
    void colour(uint16_t id, const double rgb[3]) {
        size_t at = open(id);
        for (uint16_t kind : {kColorByte, kColorByteLinear}) {
            size_t inner = open(kind);
            for (int i = 0; i < 3; ++i)
                bytes.push_back(static_cast<char>(static_cast<uint8_t>(std::lround(std::clamp(rgb[i], 0.0, 1.0) * 255))));
            close(inner);
        }
        close(at);
    }
    void percent(uint16_t id, double amount) {
        size_t at = open(id);
        size_t inner = open(kPercentInt);
        u16(static_cast<uint32_t>(std::lround(std::clamp(amount, 0.0, 1.0) * 100)));
        close(inner);
        close(at);
    }
    std::string bytes;
};

// A unit as 3DS holds it: triangles over vertices that each carry one texture coordinate.
struct Mesh {
    std::vector<glm::dvec3> positions;
    std::vector<glm::dvec2> uv;
    bool textured = false;
    std::vector<std::array<int, 3>> faces;
    std::vector<uint16_t> edgeFlags;
    std::vector<int> parts;
};

// 3DS has no normals: readers average the faces around a position that share a
// smoothing group. Solids repeat a position on each side of a crease, so faces are
// joined by where their corners are, not by index: two faces on one edge whose planes
// meet within `creaseDegrees` join one smooth patch, sharper ones stay apart, and a
// patch never holds both faces of a crease. Patches that touch at any position then get
// different groups (a greedy colouring of 32 bits), so no crease is averaged over;
// past 32, a patch takes the bit its neighbours use least.
std::vector<uint32_t> smoothingGroups(const std::vector<glm::dvec3>& positions,
                                      const std::vector<std::array<int, 3>>& faces, double creaseDegrees) {
    const size_t count = faces.size();
    // Where each vertex lies, as the file stores it (single precision).
    std::map<std::array<float, 3>, int> places;
    std::vector<int> place(positions.size());
    for (size_t i = 0; i < positions.size(); ++i) {
        std::array<float, 3> key = {float(positions[i].x), float(positions[i].y), float(positions[i].z)};
        place[i] = places.emplace(key, static_cast<int>(places.size())).first->second;
    }
    // Face normals from the positions as readers will see them, in single precision.
    auto stored = [&](int i) { return glm::dvec3(glm::vec3(positions[static_cast<size_t>(i)])); };
    std::vector<glm::dvec3> normal(count, glm::dvec3(0.0));
    for (size_t f = 0; f < count; ++f) {
        const auto& c = faces[f];
        glm::dvec3 n = glm::cross(stored(c[1]) - stored(c[0]), stored(c[2]) - stored(c[0]));
        double length = glm::length(n);
        if (length > 0 && std::isfinite(length)) normal[f] = n / length;
    }
    const double smoothCos = std::cos(std::clamp(creaseDegrees, 0.0, 180.0) * 3.14159265358979323846 / 180.0);
    // Neighbours across each edge, smooth or creased.
    std::map<std::pair<int, int>, std::vector<size_t>> edges;
    for (size_t f = 0; f < count; ++f)
        for (size_t k = 0; k < 3; ++k) {
            int a = place[static_cast<size_t>(faces[f][k])], b = place[static_cast<size_t>(faces[f][(k + 1) % 3])];
            if (a != b) edges[{std::min(a, b), std::max(a, b)}].push_back(f);
        }
    std::vector<std::vector<size_t>> smoothNext(count), creaseNext(count);
    for (const auto& entry : edges) {
        const std::vector<size_t>& users = entry.second;
        for (size_t i = 0; i < users.size(); ++i)
            for (size_t j = i + 1; j < users.size(); ++j) {
                const glm::dvec3 &a = normal[users[i]], &b = normal[users[j]];
                if (a == glm::dvec3(0.0) || b == glm::dvec3(0.0)) continue;
                auto& list = glm::dot(a, b) >= smoothCos ? smoothNext : creaseNext;
                list[users[i]].push_back(users[j]);
                list[users[j]].push_back(users[i]);
            }
    }
    // Patches grow across smooth edges, but never take in a face that meets one of
    // theirs at a crease (a smooth path can wind round to the other side of one).
    constexpr size_t kNone = static_cast<size_t>(-1);
    std::vector<size_t> patchOf(count, kNone);
    std::vector<size_t> queue;
    for (size_t seed = 0; seed < count; ++seed) {
        if (patchOf[seed] != kNone) continue;
        patchOf[seed] = seed;
        queue.assign(1, seed);
        while (!queue.empty()) {
            size_t f = queue.back();
            queue.pop_back();
            for (size_t g : smoothNext[f]) {
                if (patchOf[g] != kNone) continue;
                bool clash = std::any_of(creaseNext[g].begin(), creaseNext[g].end(),
                                         [&](size_t h) { return patchOf[h] == seed; });
                if (clash) continue;
                patchOf[g] = seed;
                queue.push_back(g);
            }
        }
    }
    std::vector<std::vector<size_t>> touching(places.size());
    for (size_t f = 0; f < count; ++f)
        for (int corner : faces[f]) {
            std::vector<size_t>& list = touching[static_cast<size_t>(place[static_cast<size_t>(corner)])];
            size_t patch = patchOf[f];
            if (std::find(list.begin(), list.end(), patch) == list.end()) list.push_back(patch);
        }
    std::map<size_t, std::set<size_t>> neighbours;
    for (const std::vector<size_t>& list : touching)
        for (size_t a : list)
            for (size_t b : list)
                if (a != b) neighbours[a].insert(b);
    std::map<size_t, uint32_t> colour;
    std::vector<uint32_t> groups(count, 0);
    for (size_t f = 0; f < count; ++f) {
        size_t patch = patchOf[f];
        auto [it, added] = colour.emplace(patch, 0);
        if (added) {
            int clashes[32] = {};
            for (size_t other : neighbours[patch])
                if (auto c = colour.find(other); c != colour.end())
                    for (int bit = 0; bit < 32; ++bit) clashes[bit] += (c->second >> bit) & 1;
            int best = 0;
            for (int bit = 1; bit < 32; ++bit)
                if (clashes[bit] < clashes[best]) best = bit;
            it->second = 1u << best;
        }
        groups[f] = it->second;
    }
    // A smooth edge between two patches (where one would have held a crease) still
    // shades smoothly when one face also takes the other's group, as long as none of
    // its creased neighbours has that group.
    auto takes = [&](size_t f, uint32_t bits) {
        for (size_t h : creaseNext[f])
            if (groups[h] & bits) return false;
        groups[f] |= bits;
        return true;
    };
    for (size_t f = 0; f < count; ++f)
        for (size_t g : smoothNext[f])
            if (!(groups[f] & groups[g]) && !takes(f, groups[g])) takes(g, groups[f]);
    return groups;
}

// A position keeps its own index for the first texture coordinate it is used with; each
// other coordinate it meets gets a copy appended after the file's positions. Unused
// positions are still written, so counts match what the unit holds.
Mesh build(const ExportUnit& unit, bool world) {
    Mesh mesh;
    const GeometryInterface& g = *unit.geometry;
    const int count = g.vertexCount();
    std::vector<int> firstTex(static_cast<size_t>(count), -2);
    std::map<std::pair<int, int>, int> copies;
    std::vector<std::pair<int, int>> sources;  // (position, texture) of every vertex
    for (int i = 0; i < count; ++i) sources.emplace_back(i, -1);
    std::vector<int> corners, reversed[2];
    // A mirrored unit's polygons are walked back to front so they still face out.
    const bool flip = unit.mirrored(world);
    for (int e = 0; e < g.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (!unit.polygon(e, info, &p, &t, &n) || !unit.cornersInRange(info, p, t)) continue;
        bool hasTex = t && info.texCount == info.count;
        if (flip) {
            for (int l = 0; l < 2; ++l) {
                const int* list = l == 0 ? p : t;
                reversed[l].clear();
                if (list && (l == 0 || hasTex))
                    for (int c = 0; c < info.count; ++c)
                        reversed[l].push_back(list[ExportUnit::corner(c, info.count, true)]);
            }
            p = reversed[0].data();
            if (hasTex) t = reversed[1].data();
        }
        corners.clear();
        for (int c = 0; c < info.count; ++c) {
            int tex = hasTex ? t[c] : -1;
            int& first = firstTex[static_cast<size_t>(p[c])];
            mesh.textured = mesh.textured || hasTex;
            if (first == -2 || first == tex) {
                first = tex;
                sources[static_cast<size_t>(p[c])].second = tex;
                corners.push_back(p[c]);
                continue;
            }
            auto [it, added] = copies.try_emplace({p[c], tex}, static_cast<int>(sources.size()));
            if (added) sources.emplace_back(p[c], tex);
            corners.push_back(it->second);
        }
        // Fan triangles; only edges of the polygon itself are marked visible.
        for (int c = 1; c + 1 < info.count; ++c) {
            mesh.faces.push_back({corners[0], corners[static_cast<size_t>(c)], corners[static_cast<size_t>(c) + 1]});
            uint16_t flags = 0x2;                     // BC
            if (c == 1) flags |= 0x4;                 // AB
            if (c + 2 == info.count) flags |= 0x1;    // CA
            mesh.edgeFlags.push_back(flags);
            mesh.parts.push_back(info.part);
        }
    }
    double v[3];
    for (const auto& [position, tex] : sources) {
        g.getVertex(v, position);
        glm::dvec3 at(v[0], v[1], v[2]);
        if (world) at = glm::dvec3(unit.transform * glm::dvec4(at, 1.0));
        // 3DS scenes stand on z: our y-up axes turn a quarter about x (a rotation, so
        // faces keep their winding and stay counter-clockwise seen from outside).
        mesh.positions.emplace_back(at.x, -at.z, at.y);
        double uvw[3] = {0, 0, 0};
        if (tex >= 0) g.getTexCoord(uvw, tex);
        mesh.uv.emplace_back(uvw[0], uvw[1]);
    }
    return mesh;
}

// Cuts a name to `limit` bytes without splitting a UTF-8 sequence.
std::string cut(const std::string& name, size_t limit) {
    if (name.size() <= limit) return name;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return name.substr(0, end);
}

std::string folded(const std::string& name) {
    std::string out = name;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The keyframer section: a node per mesh that names it, so readers that build their
// scene from the nodes call each mesh by its object's name. The meshes already stand
// where they belong, so every node holds one key of no move, no turn and full size at
// frame 0, about a pivot at the origin, and has no parent.
void keyframer(Chunks& out, const std::vector<std::string>& names, const std::vector<const ExportUnit*>& units) {
    int last = 0;
    for (const ExportUnit* u : units) last = std::max(last, u->frame);
    size_t data = out.open(kKeyframer);
    size_t header = out.open(kKeyframerHeader);
    out.u16(5);  // revision
    out.text("");
    out.u32(static_cast<uint32_t>(last));
    out.close(header);
    size_t segment = out.open(kKeyframerSegment);
    out.u32(0);
    out.u32(static_cast<uint32_t>(last));
    out.close(segment);
    size_t now = out.open(kKeyframerCurrentTime);
    out.u32(0);
    out.close(now);
    // A track: flags, eight unused bytes, the key count, then each key's frame and
    // spline flags (none, so no spline values follow) before its values.
    auto track = [&](uint16_t id, std::initializer_list<double> values) {
        size_t at = out.open(id);
        out.u16(0);
        out.u32(0), out.u32(0);
        out.u32(1);
        out.u32(0);
        out.u16(0);
        for (double v : values) out.f32(v);
        out.close(at);
    };
    for (size_t i = 0; i < names.size(); ++i) {
        size_t node = out.open(kObjectNode);
        size_t id = out.open(kNodeId);
        out.u16(static_cast<uint32_t>(i));
        out.close(id);
        size_t head = out.open(kNodeHeader);
        out.text(names[i]);
        out.u16(0), out.u16(0);
        out.u16(0xFFFF);  // no parent
        out.close(head);
        size_t pivot = out.open(kPivot);
        out.f32(0), out.f32(0), out.f32(0);
        out.close(pivot);
        track(kPositionTrack, {0.0, 0.0, 0.0});
        track(kRotationTrack, {0.0, 0.0, 0.0, 1.0});  // angle, then the axis
        track(kScaleTrack, {1.0, 1.0, 1.0});
        out.close(node);
    }
    out.close(data);
}

}  // namespace

// Names are kept when they fit and are not taken yet (compared without case, as DOS-era
// readers do). Otherwise the name is cut so that "~N" fits behind it, N counting up
// from 1 until the result is unused: "Headline Title" -> "Headline~1". An empty name
// becomes "Object" first. Control bytes turn into '_' so no reader trips on them.
//
// A label with a tail (a frame or section mark that must stay readable) keeps the tail
// whole at the end and cuts the name in front of it; "~N" goes between the two when
// the cut name is taken: "Text M" + "-F12" -> "Text M-F12", then "Text~1-F12". The
// tail is "-" then "S" and the section, "F" and the frame, as the unit has them.
std::vector<std::string> ThreeDSWriter::objectNames(const std::vector<Label>& labels, size_t limit) {
    std::vector<std::string> names;
    std::set<std::string> taken;
    auto clean = [](std::string text) {
        for (char& c : text)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
        return text;
    };
    auto unused = [&](const std::string& name) { return !taken.count(folded(name)); };
    for (const Label& label : labels) {
        std::string name = clean(label.full), stem = clean(label.stem), tail = clean(label.tail);
        if (name.empty()) name = "Object";
        if (stem.empty()) stem = "Object";
        if (tail.size() >= limit) stem = name, tail.clear();  // no room for a name beside it
        if (tail.empty()) stem = name;
        if (name.size() > limit || !unused(name)) {
            name = tail.empty() ? std::string() : cut(stem, limit - tail.size()) + tail;
            for (int n = 1; name.empty() || !unused(name); ++n) {
                std::string mark = "~" + std::to_string(n);
                size_t room = limit > mark.size() + tail.size() ? limit - mark.size() - tail.size() : 0;
                name = cut(stem, room) + mark + tail;
            }
        }
        taken.insert(folded(name));
        names.push_back(name);
    }
    return names;
}

std::vector<std::string> ThreeDSWriter::objectNames(const std::vector<std::string>& labels, size_t limit) {
    std::vector<Label> plain;
    for (const std::string& label : labels) plain.push_back({label, label, ""});
    return objectNames(plain, limit);
}

ThreeDSWriter::Label ThreeDSWriter::label(const ExportUnit& unit) {
    Label out{unit.label("-Frm%d", "-Sec%d"), unit.name, ""};
    if (unit.section >= 0 || unit.frame >= 0) {
        out.tail = "-";
        if (unit.section >= 0) out.tail += "S" + std::to_string(unit.section);
        if (unit.frame >= 0) out.tail += "F" + std::to_string(unit.frame);
    }
    return out;
}

ThreeDSWriter::MeshCounts ThreeDSWriter::count(const ExportUnit& unit) {
    MeshCounts counts;
    if (!unit.geometry) return counts;
    Mesh mesh = build(unit, false);
    counts.vertices = static_cast<int>(mesh.positions.size());
    counts.faces = static_cast<int>(mesh.faces.size());
    return counts;
}

bool ThreeDSWriter::write(const std::string& path, const std::vector<ExportUnit>& units, bool world, std::FILE* console) {
    std::vector<Mesh> meshes;
    std::vector<const ExportUnit*> written;
    for (const ExportUnit& u : units) {
        if (!u.geometry) continue;
        Mesh mesh = build(u, world);
        if (mesh.faces.empty()) continue;  // points and lines have no place in a 3DS mesh
        if (mesh.positions.size() >= kMaxPerObject || mesh.faces.size() >= kMaxPerObject) {
            // An alert: on the program's own error stream it goes through the dialogs,
            // which show its line breaks; a captured console gets its bytes.
            if (console == stderr) Dialogs::instance().alert(kTooLarge);
            else if (console) std::fprintf(console, "%s\n", kTooLarge);
            return false;
        }
        meshes.push_back(std::move(mesh));
        written.push_back(&u);
    }
    if (meshes.empty()) return false;

    // The material table: one entry per distinct look, named uniquely within 16 bytes.
    // Past the table's limit, faces keep the first entry's look.
    std::vector<ExportMaterial> table;
    std::vector<std::vector<int>> entryOf(meshes.size());  // per mesh, per face
    for (size_t m = 0; m < meshes.size(); ++m)
        for (int part : meshes[m].parts) {
            ExportMaterial look = written[m]->material(part);
            if (look.name.empty()) look.name = "defaultMtl";
            size_t found = 0;
            while (found < table.size() && table[found] != look) ++found;
            if (found == table.size()) {
                if (table.size() < static_cast<size_t>(kMaxMaterials))
                    table.push_back(look);
                else
                    found = 0;
            }
            entryOf[m].push_back(static_cast<int>(found));
        }
    std::vector<std::string> materialLabels;
    for (const ExportMaterial& look : table) materialLabels.push_back(look.name);
    std::vector<std::string> materialNames = objectNames(materialLabels, kMaxMaterialNameLength);
    std::vector<Label> labels;
    for (const ExportUnit* u : written) labels.push_back(label(*u));
    std::vector<std::string> objectName = objectNames(labels, kMaxNameLength);

    Chunks out;
    size_t main = out.open(kMain);
    size_t version = out.open(kVersion);
    out.u32(3);
    out.close(version);
    size_t editor = out.open(kEditor);
    size_t meshVersion = out.open(kMeshVersion);
    out.u32(3);
    out.close(meshVersion);
    for (size_t i = 0; i < table.size(); ++i) {
        const ExportMaterial& look = table[i];
        size_t entry = out.open(kMaterial);
        size_t name = out.open(kMaterialName);
        out.text(materialNames[i]);
        out.close(name);
        out.colour(kAmbient, look.diffuse);
        out.colour(kDiffuse, look.diffuse);
        out.colour(kSpecular, look.specular);
        out.percent(kShininess, look.shininess);
        out.percent(kShininessStrength, look.specularAmount);
        out.percent(kTransparency, look.transparency);
        out.close(entry);
    }
    size_t scale = out.open(kMasterScale);
    out.f32(1.0);
    out.close(scale);
    for (size_t m = 0; m < meshes.size(); ++m) {
        const Mesh& mesh = meshes[m];
        size_t object = out.open(kNamedObject);
        out.text(objectName[m]);
        size_t tri = out.open(kTriangleMesh);
        size_t points = out.open(kVertexList);
        out.u16(static_cast<uint32_t>(mesh.positions.size()));
        for (const glm::dvec3& p : mesh.positions) out.f32(p.x), out.f32(p.y), out.f32(p.z);
        out.close(points);
        if (mesh.textured) {
            size_t mapping = out.open(kMapping);
            out.u16(static_cast<uint32_t>(mesh.uv.size()));
            for (const glm::dvec2& t : mesh.uv) out.f32(t.x), out.f32(t.y);
            out.close(mapping);
        }
        // The vertices already sit where they belong (object or world space), so the
        // local axes are the identity: a reader that undoes them moves nothing.
        size_t axes = out.open(kLocalAxes);
        for (int i = 0; i < 12; ++i) out.f32(i < 9 && i % 4 == 0 ? 1.0 : 0.0);
        out.close(axes);
        size_t faces = out.open(kFaceList);
        out.u16(static_cast<uint32_t>(mesh.faces.size()));
        for (size_t f = 0; f < mesh.faces.size(); ++f) {
            for (int corner : mesh.faces[f]) out.u16(static_cast<uint32_t>(corner));
            out.u16(mesh.edgeFlags[f]);
        }
        std::map<int, std::vector<int>> byEntry;
        for (size_t f = 0; f < mesh.faces.size(); ++f) byEntry[entryOf[m][f]].push_back(static_cast<int>(f));
        for (const auto& [entry, list] : byEntry) {
            size_t group = out.open(kFaceMaterial);
            out.text(materialNames[static_cast<size_t>(entry)]);
            out.u16(static_cast<uint32_t>(list.size()));
            for (int f : list) out.u16(static_cast<uint32_t>(f));
            out.close(group);
        }
        size_t smoothing = out.open(kSmoothing);
        for (uint32_t groups : smoothingGroups(mesh.positions, mesh.faces, written[m]->creaseAngle)) out.u32(groups);
        out.close(smoothing);
        out.close(faces);
        out.close(tri);
        out.close(object);
    }
    out.close(editor);
    keyframer(out, objectName, written);
    out.close(main);

    return AFile::writeWhole(path, out.bytes.data(), out.bytes.size());
}

}  // namespace fw
