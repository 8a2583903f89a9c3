#include "mesh/ObjReader.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "mesh/ObjDB.h"
#include "platform/QuickReal.h"

namespace fw {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Splits off the next whitespace-separated token; empty at the end of the line.
std::string_view nextToken(std::string_view& rest) {
    size_t start = 0;
    while (start < rest.size() && isSpace(rest[start])) ++start;
    size_t end = start;
    while (end < rest.size() && !isSpace(rest[end])) ++end;
    std::string_view token = rest.substr(start, end - start);
    rest.remove_prefix(end);
    return token;
}

bool parseNumber(std::string_view token, double& value) {
    if (!token.empty() && token[0] == '+') token.remove_prefix(1);
    if (token.empty()) return false;
    if (quickreal::plainDecimal(token.data(), token.data() + token.size(), value)) return true;
    auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    return ec == std::errc() && end == token.data() + token.size() && std::isfinite(value);
}

bool parseInteger(std::string_view token, long long& value) {
    if (!token.empty() && token[0] == '+') token.remove_prefix(1);
    if (token.empty()) return false;
    auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    return ec == std::errc() && end == token.data() + token.size();
}

// An OBJ reference (1-based, or negative counting back from the last one read) as an
// index into count items; -1 when it names none of them.
int resolve(long long reference, int count) {
    long long index = reference < 0 ? count + reference : reference - 1;
    return index >= 0 && index < count ? static_cast<int>(index) : -1;
}

}  // namespace

bool ObjReader::fail(const std::string& what) {
    error_ = "line " + std::to_string(lineNumber_) + ": " + what;
    return false;
}

void ObjReader::warn(const char* format, long long value) {
    if (++warningCount_ > kMaxWarningLines) return;
    char line[96];
    std::snprintf(line, sizeof line, format, value);
    warnings_ += line;
}

bool ObjReader::read(const std::string& path, ObjDB& db) {
    db.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error_ = std::strerror(errno);
        return false;
    }
    std::string text;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    bool failed = std::ferror(f) != 0;
    int savedErrno = errno;
    std::fclose(f);
    if (failed) {
        error_ = std::strerror(savedErrno);
        return false;
    }
    return parse(text, db);
}

bool ObjReader::parse(std::string_view text, ObjDB& db) {
    db.clear();
    error_.clear();
    warnings_.clear();
    warningCount_ = 0;
    materials_.clear();
    part_ = -1;
    lineNumber_ = 0;
    std::string joined;  // a line continued with backslashes, put back together
    long firstLine = 0;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber_;
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && line.back() == '\\') {
            if (joined.empty()) firstLine = lineNumber_;
            joined.append(line.substr(0, line.size() - 1)).push_back(' ');
            continue;
        }
        bool ok;
        if (!joined.empty()) {
            joined.append(line);
            long last = lineNumber_;
            lineNumber_ = firstLine;  // report a bad continued line where it starts
            ok = parseLine(joined, db);
            lineNumber_ = last;
            joined.clear();
        } else {
            ok = parseLine(line, db);
        }
        if (!ok) {
            db.clear();
            return false;
        }
    }
    if (!joined.empty() && !parseLine(joined, db)) {
        db.clear();
        return false;
    }
    return true;
}

bool ObjReader::parseLine(std::string_view line, ObjDB& db) {
    size_t hash = line.find('#');
    if (hash != std::string_view::npos) line = line.substr(0, hash);
    std::string_view rest = line;
    std::string_view keyword = nextToken(rest);
    if (keyword == "v" || keyword == "vn" || keyword == "vt") {
        // Positions and normals need three numbers; texture coordinates one to three.
        // Numbers past those (a position's w, vertex colours) are ignored.
        double value[3] = {0, 0, 0};
        int wanted = keyword == "vt" ? 1 : 3;
        int got = 0;
        for (std::string_view token = nextToken(rest); !token.empty(); token = nextToken(rest)) {
            double number;
            if (!parseNumber(token, number))
                return fail("\"" + std::string(token) + "\" is not a number in a \"" +
                            std::string(keyword) + "\" line");
            if (got < 3) value[got] = number;
            ++got;
        }
        if (got < wanted)
            return fail("a \"" + std::string(keyword) + "\" line needs " + std::to_string(wanted) +
                        (wanted == 1 ? " number" : " numbers"));
        if (keyword == "v")
            db.addVertex(value);
        else if (keyword == "vn")
            db.addNormal(value);
        else
            db.addTexCoord(value);
        return true;
    }
    if (keyword == "f") return readElement(ObjDB::Polygon, rest, db);
    if (keyword == "l") return readElement(ObjDB::Polyline, rest, db);
    if (keyword == "p") return readElement(ObjDB::PointSet, rest, db);
    if (keyword == "usemtl") {
        // The rest of the line, as "newmtl" names it in a material library: names may
        // hold spaces ("usemtl Glossy Red Plastic").
        std::string_view name = nextToken(rest);
        while (!rest.empty() && isSpace(rest.back())) rest.remove_suffix(1);
        if (!name.empty())
            name = std::string_view(name.data(), static_cast<size_t>(rest.data() + rest.size() - name.data()));
        part_ = -1;
        // Without a name, what follows wears the default material, as before any "usemtl".
        if (name.empty()) return true;
        for (size_t i = 0; i < materials_.size() && part_ < 0; ++i)
            if (materials_[i] == name) part_ = static_cast<int>(i);
        if (part_ < 0) {
            part_ = static_cast<int>(materials_.size());
            materials_.emplace_back(name);
        }
        return true;
    }
    if (keyword == "g") {
        // "g a b" puts the elements in both groups; they go with the names together.
        std::string name;
        for (std::string_view token = nextToken(rest); !token.empty(); token = nextToken(rest))
            name += (name.empty() ? "" : " ") + std::string(token);
        if (name.empty()) name = "default";
        group_ = -1;
        for (size_t i = 0; i < groups_.size() && group_ < 0; ++i)
            if (groups_[i] == name) group_ = static_cast<int>(i);
        if (group_ < 0) {
            group_ = static_cast<int>(groups_.size());
            groups_.push_back(name);
        }
        return true;
    }
    // Smoothing groups, material libraries and free-form geometry carry nothing the
    // mesh keeps.
    return true;
}

bool ObjReader::readElement(int kind, std::string_view rest, ObjDB& db) {
    positions_.clear();
    texIndices_.clear();
    normalIndices_.clear();
    int corners = 0;
    for (std::string_view token = nextToken(rest); !token.empty(); token = nextToken(rest)) {
        ++corners;
        // position[/texture[/normal]], with an empty texture field allowed: 1//3.
        long long reference[3] = {0, 0, 0};
        bool given[3] = {false, false, false};
        std::string_view field = token;
        for (int i = 0; i < 3; ++i) {
            size_t slash = field.find('/');
            std::string_view value = field.substr(0, slash);
            if (!value.empty()) {
                if (!parseInteger(value, reference[i]))
                    return fail("bad corner \"" + std::string(token) + "\"");
                given[i] = true;
            } else if (i == 0) {
                return fail("bad corner \"" + std::string(token) + "\"");
            }
            if (slash == std::string_view::npos) {
                field = {};
                break;
            }
            field.remove_prefix(slash + 1);
            if (i == 2) return fail("bad corner \"" + std::string(token) + "\"");
        }
        int p = resolve(reference[0], db.vertexCount());
        if (p < 0) {
            warn("OBJ Import: vertex reference %lld out of range !\n", reference[0]);
            continue;
        }
        positions_.push_back(p);
        if (given[1]) {
            int t = resolve(reference[1], db.texCoordCount());
            if (t < 0)
                warn("OBJ Import: texture vertex reference %lld out of range !\n", reference[1]);
            else
                texIndices_.push_back(t);
        }
        if (given[2]) {
            int n = resolve(reference[2], db.normalCount());
            if (n < 0)
                warn("OBJ Import: normal reference %lld out of range !\n", reference[2]);
            else
                normalIndices_.push_back(n);
        }
    }
    if (corners == 0) return fail("an element line without corners");
    if (positions_.empty()) return true;  // every corner was skipped
    int count = static_cast<int>(positions_.size());
    // Attributes that not every corner has are dropped for the whole element.
    db.addElement(kind, part_, count, positions_.data(), static_cast<int>(texIndices_.size()),
                  texIndices_.data(), static_cast<int>(normalIndices_.size()),
                  normalIndices_.data(), group_);
    return true;
}

}  // namespace fw
