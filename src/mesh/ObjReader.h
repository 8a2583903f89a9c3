#pragma once
// Reads a Wavefront OBJ file into an ObjDB: positions, texture coordinates, normals,
// polygon, polyline and point elements (with relative negative indices), a part
// index per material named by "usemtl" and a group per name of a "g" line.

#include <string>
#include <string_view>
#include <vector>

namespace fw {

class ObjDB;

class ObjReader {
public:
    // Replaces db's contents with the file's mesh. False when the file cannot be read
    // or a line is malformed; error() says why and db is left empty.
    bool read(const std::string& path, ObjDB& db);
    bool parse(std::string_view text, ObjDB& db);

    const std::string& error() const { return error_; }
    // A reference to an attribute that does not exist (yet) is skipped with one of the
    // "OBJ Import: ... out of range !" lines; the first kMaxWarningLines are kept.
    static constexpr int kMaxWarningLines = 100;
    const std::string& warnings() const { return warnings_; }
    int warningCount() const { return warningCount_; }
    // Material names in the order first used; an element's part indexes this list
    // (-1 before the first "usemtl").
    const std::vector<std::string>& materials() const { return materials_; }
    // Group names in the order first used; an element's user value indexes this list
    // (-1 before the first "g" line).
    const std::vector<std::string>& groups() const { return groups_; }

private:
    bool parseLine(std::string_view line, ObjDB& db);
    bool readElement(int kind, std::string_view rest, ObjDB& db);
    bool fail(const std::string& what);
    void warn(const char* format, long long value);

    std::string error_;
    std::string warnings_;
    int warningCount_ = 0;
    std::vector<std::string> materials_;
    std::vector<std::string> groups_;
    int part_ = -1;
    int group_ = -1;
    long lineNumber_ = 0;
    std::vector<int> positions_, texIndices_, normalIndices_;  // one element's corners
};

}  // namespace fw
