#include "output/DxfReader.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string_view>

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

}  // namespace

bool DxfReader::parse(const std::string& bytes, std::vector<ImportGroup>& groups) {
    groups.clear();
    error_.clear();
    warnings_.clear();
    warningCount_ = 0;
    if (bytes.compare(0, 18, "AutoCAD Binary DXF") == 0) return fail("is a binary DXF file, which is not read");
    Pairs pairs(bytes);
    std::map<std::string, size_t> byLayer;
    bool inEntities = false, sectionStarted = false, bad = false;
    int faces = 0;
    Face face;
    auto finish = [&] {
        if (!face.active) return;
        face.active = false;
        for (const auto& corner : face.corner)
            for (double v : corner)
                if (!std::isfinite(v)) {
                    warn("DXF Import: a 3DFACE with a corner that is not a number was skipped\n");
                    return;
                }
        bool triangle = std::equal(face.corner[2], face.corner[2] + 3, face.corner[3]);
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
        int count = triangle ? 3 : 4;
        for (int c = 0; c < count; ++c) {
            // Drawings stand on z; our axes have y up (DxfWriter turns them the other way).
            const double* d = face.corner[c];
            const double up[3] = {d[0], d[2], 0.0 - d[1]};
            corners[c] = group.mesh->addVertex(up);
        }
        group.mesh->addElement(GeometryInterface::Polygon, part, count, corners, 0, nullptr, 0, nullptr);
        ++faces;
    };
    int code;
    std::string_view value;
    while (pairs.next(code, value, bad)) {
        if (code == 0) {
            finish();
            if (value == "SECTION") sectionStarted = true;
            else if (value == "ENDSEC") inEntities = false;
            else if (value == "EOF") break;
            else if (inEntities && value == "3DFACE") face = Face(), face.active = true;
            continue;
        }
        if (code == 2 && sectionStarted) {
            inEntities = value == "ENTITIES";
            sectionStarted = false;
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
    finish();
    if (bad) warn("DXF Import: line " + std::to_string(pairs.lineNumber()) + " is not a group code; reading stopped\n");
    if (faces == 0) {
        groups.clear();
        return fail(bad ? "is not a DXF file: line " + std::to_string(pairs.lineNumber()) + " is not a group code"
                        : "holds no 3DFACE entities");
    }
    for (ImportGroup& group : groups) group.mesh->weld(0);
    return true;
}

}  // namespace fw
