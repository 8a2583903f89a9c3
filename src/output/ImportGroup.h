#pragma once
// What every mesh reader gives back: one group per object of the file, each its own
// mesh with a part index per material, ready to become a custom object.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mesh/ObjDB.h"
#include "output/ExportUnit.h"

namespace fw {

struct ImportGroup {
    std::string name;
    std::unique_ptr<ObjDB> mesh = std::make_unique<ObjDB>();
    // Part index -> the material it wears, as far as the file tells (name always; colours
    // where the format has them).
    std::vector<ExportMaterial> materials;
    // The part index for a material name, adding it (with the given look) when new.
    int partFor(const std::string& materialName, const ExportMaterial* look = nullptr);
    // A name from a file as a project can store it: control bytes as "_", double
    // quotes as single ones, bytes that are not UTF-8 spelled out, at most `limit`
    // bytes ending on a whole character, never beginning as the program's own names do
    // (a bar, two underscores).
    static std::string storableName(const std::string& name, size_t limit = 200);
};

// The one interface of the mesh readers: parse a whole file held in memory.
class MeshReader {
public:
    virtual ~MeshReader() = default;
    // Reads the file into groups (replacing what `groups` held). False with error()
    // set when nothing usable could be read; warnings() lists what was skipped.
    bool read(const std::string& path, std::vector<ImportGroup>& groups);
    virtual bool parse(const std::string& bytes, std::vector<ImportGroup>& groups) = 0;

    const std::string& error() const { return error_; }
    // One line each ("\n" after every one), bytes from the file shown printable.
    const std::string& warnings() const { return warnings_; }
    // The warnings line by line, with a count of those past the first 100.
    std::vector<std::string> warningLines() const;
    // A text line without its blanks either side and its carriage return.
    static std::string_view trimmedLine(std::string_view line);

protected:
    bool fail(const std::string& what);
    // The folder of the file being read (empty when parsing bytes alone), for formats
    // that name files beside them.
    std::string folder_;
    // Keeps the first 100 warnings, counting the rest; `what` is one line, its bytes
    // shown printable here.
    void warn(const std::string& what);

    std::string error_;
    std::string warnings_;
    int warningCount_ = 0;
};

}  // namespace fw
