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

// One file's reading: the entity in hand, the blocks defined so far and the groups made.
class DxfReader::Reading {
public:
    Reading(DxfReader& reader, std::vector<ImportGroup>& groups) : reader_(reader), groups_(groups) {}

    // Reads every pair; false with `bad` set when a code line is not a number.
    void readAll(Pairs& pairs) {
        int code;
        std::string_view value;
        while (pairs.next(code, value, bad)) {
            if (code == 0) {
                if (!begin(value)) break;
            } else if (code == 2 && sectionStarted_) {
                inEntities_ = value == "ENTITIES";
                inBlocks_ = value == "BLOCKS";
                sectionStarted_ = false;
            } else {
                readField(code, value);
            }
        }
        endEntity();
        closePolyline();
    }

    bool bad = false;
    int faces = 0, skipped = 0, degenerate = 0;

private:
    // A code 0 line: ends the entity in hand and starts the one it names; false at EOF.
    bool begin(std::string_view value) {
        endEntity();
        if (value != "VERTEX") closePolyline();
        if (value == "SECTION") sectionStarted_ = true;
        else if (value == "ENDSEC") inEntities_ = inBlocks_ = false, block_ = nullptr;
        else if (value == "EOF") return false;
        else if (value == "ENDBLK") block_ = nullptr;
        else if (!inEntities_ && !(inBlocks_ && block_) && value != "BLOCK") return true;
        else if (value == "3DFACE") face_ = Face(), face_.active = true, entity_ = Entity::kFace;
        else if (value == "POLYLINE") polyline_ = Polyline(), polyline_.active = true, entity_ = Entity::kPolyline;
        else if (value == "VERTEX" && polyline_.active) vertex_ = Vertex(), entity_ = Entity::kVertex;
        else if (value == "INSERT") insert_ = Insert(), entity_ = Entity::kInsert;
        else if (value == "BLOCK" && inBlocks_) vertex_ = Vertex(), blockName_.clear(), entity_ = Entity::kBlock;
        return true;
    }

    // A value of the entity in hand.
    void readField(int code, std::string_view value) {
        const bool point = code >= 10 && code <= 30 && code % 10 == 0;
        switch (entity_) {
        case Entity::kPolyline:
            if (code == 8) polyline_.layer = std::string(value);
            else if (code == 62) polyline_.color = integer(value) >= 1 && integer(value) <= 255 ? integer(value) : 7;
            else if (code == 70) polyline_.flags = integer(value);
            else if (code == 71) polyline_.m = integer(value);
            else if (code == 72) polyline_.n = integer(value);
            return;
        case Entity::kVertex:
        case Entity::kBlock:
            if (point) vertex_.point[code / 10 - 1] = number(value);
            else if (code == 70) vertex_.flags = integer(value);
            else if (code == 62) vertex_.color = integer(value);
            else if (code >= 71 && code <= 74) vertex_.index[code - 71] = integer(value);
            else if (code == 2) blockName_ = std::string(value);
            return;
        case Entity::kInsert:
            if (code == 2) insert_.name = std::string(value);
            else if (code == 8) insert_.layer = std::string(value);
            else if (point) insert_.at[code / 10 - 1] = number(value);
            else if (code >= 41 && code <= 43) insert_.scale[code - 41] = number(value);
            else if (code == 50) insert_.rotation = number(value);
            return;
        default:
            break;
        }
        if (!face_.active) return;
        if (code == 8) {
            face_.layer = std::string(value);
        } else if (code == 62) {
            int color = std::atoi(std::string(value).c_str());
            face_.color = color >= 1 && color <= 255 ? color : 7;  // by layer or block: the default colour
        } else if (code >= 10 && code <= 33 && code % 10 <= 3) {
            face_.corner[code % 10][code / 10 - 1] = std::strtod(std::string(value).c_str(), nullptr);
        }
    }

    // The face in hand goes into its layer's group.
    void finish() {
        if (!face_.active) return;
        face_.active = false;
        for (const auto& corner : face_.corner)
            for (double v : corner)
                if (!std::isfinite(v)) {
                    reader_.warn("DXF Import: a 3DFACE with a corner that is not a number was skipped\n");
                    return;
                }
        // A corner repeating the one before it goes (the fourth repeating the third makes a
        // triangle); fewer than three left is a line or a point, which has no surface.
        int kept[4], count = 0;
        for (int c = 0; c < 4; ++c)
            if (count == 0 || !std::equal(face_.corner[c], face_.corner[c] + 3, face_.corner[kept[count - 1]]))
                kept[count++] = c;
        if (count > 1 && std::equal(face_.corner[kept[0]], face_.corner[kept[0]] + 3, face_.corner[kept[count - 1]]))
            --count;
        if (count < 3) {
            ++degenerate;
            return;
        }
        auto found = byLayer_.find(face_.layer);
        if (found == byLayer_.end()) {
            found = byLayer_.emplace(face_.layer, groups_.size()).first;
            groups_.emplace_back().name = face_.layer;
        }
        ImportGroup& group = groups_[found->second];
        ExportMaterial look;
        DxfColors::rgb(face_.color, look.diffuse);
        int part = group.partFor("DXF color " + std::to_string(face_.color), &look);
        int corners[4];
        for (int c = 0; c < count; ++c) {
            // Drawings stand on z; our axes have y up (DxfWriter turns them the other way).
            const double* d = face_.corner[kept[c]];
            const double up[3] = {d[0], d[2], 0.0 - d[1]};
            corners[c] = group.mesh->addVertex(up);
        }
        group.mesh->addElement(GeometryInterface::Polygon, part, count, corners, 0, nullptr, 0, nullptr);
        ++faces;
    }

    // A face made here goes where a 3DFACE would: into the block being defined, or out.
    void put(const Face& made) {
        face_ = made;
        face_.active = true;
        if (block_) {
            block_->faces.push_back(face_);
            face_.active = false;
        } else {
            finish();
        }
    }

    void cornerFromPoint(Face& f, int c, int index) const {
        const auto& p = polyline_.points[static_cast<size_t>(index)];
        std::copy(p.begin(), p.end(), f.corner[c]);
    }

    void closePolyline() {
        if (!polyline_.active) return;
        polyline_.active = false;
        if (polyline_.flags & 64) putPolyface();
        else if (polyline_.flags & 16) putPolygonMesh();
    }

    void putPolyface() {
        Face made;
        made.layer = polyline_.layer;
        const int count = static_cast<int>(polyline_.points.size());
        for (const Polyline::Record& record : polyline_.faces) {
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
            made.color = record.color >= 1 && record.color <= 255 ? record.color : polyline_.color;
            for (int c = 0; c < 4; ++c) cornerFromPoint(made, c, corners[c < used ? c : used - 1]);
            put(made);
        }
    }

    void putPolygonMesh() {
        const int m = polyline_.m, n = polyline_.n;
        if ((polyline_.flags & 4) || m < 2 || n < 2 ||
            static_cast<size_t>(m) * static_cast<size_t>(n) != polyline_.points.size()) {
            reader_.warn("DXF Import: a polygon mesh that is smoothed or whose vertices are not M x N was skipped\n");
            return;
        }
        Face made;
        made.layer = polyline_.layer;
        const bool closedM = polyline_.flags & 1, closedN = polyline_.flags & 32;
        made.color = polyline_.color;
        for (int i = 0; i + 1 < m + (closedM ? 1 : 0); ++i)
            for (int j = 0; j + 1 < n + (closedN ? 1 : 0); ++j) {
                const int i1 = (i + 1) % m, j1 = (j + 1) % n;
                cornerFromPoint(made, 0, i * n + j), cornerFromPoint(made, 1, i * n + j1);
                cornerFromPoint(made, 2, i1 * n + j1), cornerFromPoint(made, 3, i1 * n + j);
                put(made);
            }
    }

    // Ends the entity in hand when the next one begins.
    void endEntity() {
        if (entity_ == Entity::kFace) {
            if (block_) block_->faces.push_back(face_), face_.active = false;
            else finish();
        } else if (entity_ == Entity::kVertex && polyline_.active) {
            if ((vertex_.flags & 128) && !(vertex_.flags & 64)) {
                polyline_.faces.push_back({vertex_.color, {vertex_.index[0], vertex_.index[1], vertex_.index[2],
                                                           vertex_.index[3]}});
            } else {
                polyline_.points.push_back({vertex_.point[0], vertex_.point[1], vertex_.point[2]});
            }
        } else if (entity_ == Entity::kBlock) {
            block_ = &blocks_[blockName_];
            std::copy(vertex_.point, vertex_.point + 3, block_->base);
        } else if (entity_ == Entity::kInsert) {
            placeInsert();
        }
        entity_ = Entity::kNone;
    }

    // The named block's faces, moved, scaled and turned about z to where the INSERT says.
    void placeInsert() {
        auto found = blocks_.find(insert_.name);
        if (found == blocks_.end()) {
            if (!insert_.name.empty() && !block_)
                reader_.warn("DXF Import: an INSERT names block '" + insert_.name + "', which is not defined\n");
            return;
        }
        if (block_) {
            reader_.warn("DXF Import: an INSERT inside block '" + blockName_ + "' was skipped\n");
            return;
        }
        const double turn = insert_.rotation * 3.14159265358979323846 / 180;
        const double c = std::cos(turn), s = std::sin(turn);
        for (Face placed : found->second.faces) {
            if (placed.layer == "0") placed.layer = insert_.layer;  // layer 0 takes the insert's
            for (auto& p : placed.corner) {
                double q[3];
                for (int a = 0; a < 3; ++a) q[a] = (p[a] - found->second.base[a]) * insert_.scale[a];
                p[0] = insert_.at[0] + c * q[0] - s * q[1];
                p[1] = insert_.at[1] + s * q[0] + c * q[1];
                p[2] = insert_.at[2] + q[2];
            }
            put(placed);
        }
    }

    DxfReader& reader_;
    std::vector<ImportGroup>& groups_;
    std::map<std::string, size_t> byLayer_;
    bool inEntities_ = false, inBlocks_ = false, sectionStarted_ = false;
    Face face_;
    Entity entity_ = Entity::kNone;
    Polyline polyline_;
    Vertex vertex_;
    Insert insert_;
    std::map<std::string, Block> blocks_;
    Block* block_ = nullptr;  // the block being defined
    std::string blockName_;
};

bool DxfReader::parse(const std::string& bytes, std::vector<ImportGroup>& groups) {
    groups.clear();
    error_.clear();
    warnings_.clear();
    warningCount_ = 0;
    if (bytes.compare(0, 18, "AutoCAD Binary DXF") == 0) return fail("is a binary DXF file, which is not read");
    Pairs pairs(bytes);
    Reading reading(*this, groups);
    reading.readAll(pairs);
    if (reading.degenerate)
        warn("DXF Import: " + std::to_string(reading.degenerate) +
             " faces with fewer than three distinct corners were left out\n");
    if (reading.skipped)
        warn("DXF Import: " + std::to_string(reading.skipped) + " polyface faces name a vertex the mesh lacks\n");
    if (reading.bad)
        warn("DXF Import: line " + std::to_string(pairs.lineNumber()) + " is not a group code; reading stopped\n");
    if (reading.faces == 0) {
        groups.clear();
        return fail(reading.bad ? "is not a DXF file: line " + std::to_string(pairs.lineNumber()) +
                                      " is not a group code"
                                : "holds no faces: no 3DFACE entities, polyface or polygon meshes");
    }
    for (ImportGroup& group : groups) group.mesh->weld(0);
    return true;
}

}  // namespace fw
