#pragma once
// The kinds of file the commands write or read, told apart by extension: the one
// table that every command's help, check and message lists extensions from.

#include <string>

namespace fw {

enum class FileType { kImage, kMovie, kProject, kMesh, kMeshIn };

class FileTypes {
public:
    // Whether `path` names a file of the type, whatever the letter case.
    static bool names(FileType type, const std::string& path);
    // The type's extensions in order, ", " between them and `last` before the last
    // one: ".obj, .dxf or .glb". Without dots when `dotted` is false.
    static std::string listed(FileType type, const char* last = " or ", bool dotted = true);
};

}  // namespace fw
