#include "output/DxfReader.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string_view>
#include <vector>

#include "output/DxfColors.h"

namespace fw {

namespace {

// Walks the file as pairs of lines: a group code, then its value.
class Pairs {
public:
    explicit Pairs(std::string_view text) : text_(text) {}
    // False at the end; `bad` is set when a code line is not a number.
    bool next(int& code, std::string_view& value, bool& bad) {
        std::string_view codeLine;
        if (!line(codeLine)) return false;
        codeLine = MeshReader::trimmedLine(codeLine);
        auto [end, error] = std::from_chars(codeLine.data(), codeLine.data() + codeLine.size(), code);
        if (error != std::errc() || end != codeLine.data() + codeLine.size()) {
            bad = true;
            return false;
        }
        if (!line(value)) return false;
        value = MeshReader::trimmedLine(value);
        return true;
    }
    long lineNumber() const { return lines_; }

private:
    bool line(std::string_view& out) {
        if (at_ >= text_.size()) return false;
        size_t end = text_.find('\n', at_);
        if (end == std::string_view::npos) end = text_.size();
        out = text_.substr(at_, end - at_);
        at_ = end + 1;
        ++lines_;
        return true;
    }

    std::string_view text_;
    size_t at_ = 0;
    long lines_ = 0;
};

struct Face {
    std::string layer = "0";
    int color = 7;
    double corner[4][3] = {};
    bool active = false;
};

// A POLYLINE with its VERTEX entities, up to its SEQEND. Flag 64 makes it a polyface
// mesh: vertices flagged 128|64 are its positions, those flagged 128 alone are faces of
// up to four 1-based position numbers (71-74; negative where the edge is hidden, 0
// for none). Flag 16 makes it an M x N polygon mesh (71, 72), closed in M with flag 1
// and in N with flag 32.
struct Polyline {
    std::string layer = "0";
    int color = 7, flags = 0, m = 0, n = 0;
    bool active = false;
    std::vector<std::array<double, 3>> points;
    struct Record {
        int color = 0;  // 0: the polyline's
        int index[4] = {0, 0, 0, 0};
    };
    std::vector<Record> faces;
};

struct Vertex {
    double point[3] = {0, 0, 0};
    int flags = 0, color = 0;
    int index[4] = {0, 0, 0, 0};
};

// A block's faces in the block's own coordinates, placed where an INSERT names it.
struct Block {
    double base[3] = {0, 0, 0};
    std::vector<Face> faces;
};

struct Insert {
    std::string name, layer = "0";
    double at[3] = {0, 0, 0};
    double scale[3] = {1, 1, 1};
    double rotation = 0;  // degrees about z
};

enum class Entity { kNone, kFace, kPolyline, kVertex, kBlock, kInsert };

double number(std::string_view value) { return std::strtod(std::string(value).c_str(), nullptr); }
int integer(std::string_view value) { return std::atoi(std::string(value).c_str()); }

}  // namespace

bool DxfReader::parse(const std::string& bytes, std::vector<ImportGroup>& groups) {
    groups.clear();
    error_.clear();
    warnings_.clear();
    warningCount_ = 0;
    if (bytes.compare(0, 18, "AutoCAD Binary DXF") == 0) return fail("is a binary DXF file, which is not read");
    Pairs pairs(bytes);
    std::map<std::string, size_t> byLayer;
    bool inEntities = false, inBlocks = false, sectionStarted = false, bad = false;
    int faces = 0;
    Face face;
    Entity entity = Entity::kNone;
    Polyline polyline;
    Vertex vertex;
    Insert insert;
    std::map<std::string, Block> blocks;
    Block* block = nullptr;  // the block being defined
    std::string blockName;
    int skipped = 0, degenerate = 0;
    auto finish = [&] {
        if (!face.active) return;
        face.active = false;
        for (const auto& corner : face.corner)
            for (double v : corner)
                if (!std::isfinite(v)) {
                    warn("DXF Import: a 3DFACE with a corner that is not a number was skipped\n");
                    return;
                }
        // A corner repeating the one before it goes (the fourth repeating the third makes a
        // triangle); fewer than three left is a line or a point, which has no surface.
        int kept[4], count = 0;
        for (int c = 0; c < 4; ++c)
            if (count == 0 || !std::equal(face.corner[c], face.corner[c] + 3, face.corner[kept[count - 1]]))
                kept[count++] = c;
        if (count > 1 && std::equal(face.corner[kept[0]], face.corner[kept[0]] + 3, face.corner[kept[count - 1]]))
            --count;
        if (count < 3) {
            ++degenerate;
            return;
        }
        auto found = byLayer.find(face.layer);
        if (found == byLayer.end()) {
            found = byLayer.emplace(face.layer, groups.size()).first;
            groups.emplace_back().name = face.layer;
        }
        ImportGroup& group = groups[found->second];
        ExportMaterial look;
        DxfColors::rgb(face.color, look.diffuse);
        int part = group.partFor("DXF color " + std::to_string(face.color), &look);
        int corners[4];
        for (int c = 0; c < count; ++c) {
            // Drawings stand on z; our axes have y up (DxfWriter turns them the other way).
            const double* d = face.corner[kept[c]];
            const double up[3] = {d[0], d[2], 0.0 - d[1]};
            corners[c] = group.mesh->addVertex(up);
        }
        group.mesh->addElement(GeometryInterface::Polygon, part, count, corners, 0, nullptr, 0, nullptr);
        ++faces;
    };
    // A face made here goes where a 3DFACE would: into the block being defined, or out.
    auto put = [&](const Face& made) {
        face = made;
        face.active = true;
        if (block) {
            block->faces.push_back(face);
            face.active = false;
        } else {
            finish();
        }
    };
    auto closePolyline = [&] {
        if (!polyline.active) return;
        polyline.active = false;
        auto corner = [&](Face& f, int c, int index) {
            const auto& p = polyline.points[static_cast<size_t>(index)];
            std::copy(p.begin(), p.end(), f.corner[c]);
        };
        Face made;
        made.layer = polyline.layer;
        if (polyline.flags & 64) {
            const int count = static_cast<int>(polyline.points.size());
            for (const Polyline::Record& record : polyline.faces) {
                int corners[4], used = 0;
                bool inRange = true;
                for (int index : record.index) {
                    if (index == 0) continue;
                    index = std::abs(index) - 1;
                    inRange = inRange && index < count;
                    corners[used++] = index;
                }
                // Points and lines among the faces carry no surface.
                if (used < 3 || !inRange) {
                    if (used >= 3) ++skipped;
                    continue;
                }
                made.color = record.color >= 1 && record.color <= 255 ? record.color : polyline.color;
                for (int c = 0; c < 4; ++c) corner(made, c, corners[c < used ? c : used - 1]);
                put(made);
            }
        } else if (polyline.flags & 16) {
            const int m = polyline.m, n = polyline.n;
            if ((polyline.flags & 4) || m < 2 || n < 2 ||
                static_cast<size_t>(m) * static_cast<size_t>(n) != polyline.points.size()) {
                warn("DXF Import: a polygon mesh that is smoothed or whose vertices are not M x N was skipped\n");
                return;
            }
            const bool closedM = polyline.flags & 1, closedN = polyline.flags & 32;
            made.color = polyline.color;
            for (int i = 0; i + 1 < m + (closedM ? 1 : 0); ++i)
                for (int j = 0; j + 1 < n + (closedN ? 1 : 0); ++j) {
                    const int i1 = (i + 1) % m, j1 = (j + 1) % n;
                    corner(made, 0, i * n + j), corner(made, 1, i * n + j1);
                    corner(made, 2, i1 * n + j1), corner(made, 3, i1 * n + j);
                    put(made);
                }
        }
    };
    // Ends the entity in hand when the next one begins.
    auto endEntity = [&] {
        if (entity == Entity::kFace) {
            if (block) block->faces.push_back(face), face.active = false;
            else finish();
        } else if (entity == Entity::kVertex && polyline.active) {
            if ((vertex.flags & 128) && !(vertex.flags & 64)) {
                polyline.faces.push_back({vertex.color, {vertex.index[0], vertex.index[1], vertex.index[2],
                                                         vertex.index[3]}});
            } else {
                polyline.points.push_back({vertex.point[0], vertex.point[1], vertex.point[2]});
            }
        } else if (entity == Entity::kBlock) {
            block = &blocks[blockName];
            std::copy(vertex.point, vertex.point + 3, block->base);
        } else if (entity == Entity::kInsert) {
            auto found = blocks.find(insert.name);
            if (found == blocks.end()) {
                if (!insert.name.empty() && !block)
                    warn("DXF Import: an INSERT names block '" + insert.name + "', which is not defined\n");
            } else if (block) {
                warn("DXF Import: an INSERT inside block '" + blockName + "' was skipped\n");
            } else {
                const double turn = insert.rotation * 3.14159265358979323846 / 180;
                const double c = std::cos(turn), s = std::sin(turn);
                for (Face placed : found->second.faces) {
                    if (placed.layer == "0") placed.layer = insert.layer;  // layer 0 takes the insert's
                    for (auto& p : placed.corner) {
                        double q[3];
                        for (int a = 0; a < 3; ++a) q[a] = (p[a] - found->second.base[a]) * insert.scale[a];
                        p[0] = insert.at[0] + c * q[0] - s * q[1];
                        p[1] = insert.at[1] + s * q[0] + c * q[1];
                        p[2] = insert.at[2] + q[2];
                    }
                    put(placed);
                }
            }
        }
        entity = Entity::kNone;
    };
    int code;
    std::string_view value;
    while (pairs.next(code, value, bad)) {
        if (code == 0) {
            endEntity();
            if (value != "VERTEX") closePolyline();
            if (value == "SECTION") sectionStarted = true;
            else if (value == "ENDSEC") inEntities = inBlocks = false, block = nullptr;
            else if (value == "EOF") break;
            else if (value == "ENDBLK") block = nullptr;
            else if (!inEntities && !(inBlocks && block) && value != "BLOCK") continue;
            else if (value == "3DFACE") face = Face(), face.active = true, entity = Entity::kFace;
            else if (value == "POLYLINE") polyline = Polyline(), polyline.active = true, entity = Entity::kPolyline;
            else if (value == "VERTEX" && polyline.active) vertex = Vertex(), entity = Entity::kVertex;
            else if (value == "INSERT") insert = Insert(), entity = Entity::kInsert;
            else if (value == "BLOCK" && inBlocks) vertex = Vertex(), blockName.clear(), entity = Entity::kBlock;
            continue;
        }
        if (code == 2 && sectionStarted) {
            inEntities = value == "ENTITIES";
            inBlocks = value == "BLOCKS";
            sectionStarted = false;
            continue;
        }
        if (entity == Entity::kPolyline) {
            if (code == 8) polyline.layer = std::string(value);
            else if (code == 62) polyline.color = integer(value) >= 1 && integer(value) <= 255 ? integer(value) : 7;
            else if (code == 70) polyline.flags = integer(value);
            else if (code == 71) polyline.m = integer(value);
            else if (code == 72) polyline.n = integer(value);
            continue;
        }
        if (entity == Entity::kVertex || entity == Entity::kBlock) {
            if (code >= 10 && code <= 30 && code % 10 == 0) vertex.point[code / 10 - 1] = number(value);
            else if (code == 70) vertex.flags = integer(value);
            else if (code == 62) vertex.color = integer(value);
            else if (code >= 71 && code <= 74) vertex.index[code - 71] = integer(value);
            else if (code == 2) blockName = std::string(value);
            continue;
        }
        if (entity == Entity::kInsert) {
            if (code == 2) insert.name = std::string(value);
            else if (code == 8) insert.layer = std::string(value);
            else if (code >= 10 && code <= 30 && code % 10 == 0) insert.at[code / 10 - 1] = number(value);
            else if (code >= 41 && code <= 43) insert.scale[code - 41] = number(value);
            else if (code == 50) insert.rotation = number(value);
            continue;
        }
        if (!face.active) continue;
        if (code == 8) {
            face.layer = std::string(value);
        } else if (code == 62) {
            int color = std::atoi(std::string(value).c_str());
            face.color = color >= 1 && color <= 255 ? color : 7;  // by layer or block: the default colour
        } else if (code >= 10 && code <= 33 && code % 10 <= 3) {
            face.corner[code % 10][code / 10 - 1] = std::strtod(std::string(value).c_str(), nullptr);
        }
    }
    endEntity();
    closePolyline();
    if (degenerate) warn("DXF Import: " + std::to_string(degenerate) + " faces with fewer than three distinct corners were left out\n");
    if (skipped) warn("DXF Import: " + std::to_string(skipped) + " polyface faces name a vertex the mesh lacks\n");
    if (bad) warn("DXF Import: line " + std::to_string(pairs.lineNumber()) + " is not a group code; reading stopped\n");
    if (faces == 0) {
        groups.clear();
        return fail(bad ? "is not a DXF file: line " + std::to_string(pairs.lineNumber()) + " is not a group code"
                        : "holds no faces: no 3DFACE entities, polyface or polygon meshes");
    }
    for (ImportGroup& group : groups) group.mesh->weld(0);
    return true;
}

}  // namespace fw
