#pragma once
// The mesh file formats the program writes and reads, found by file extension. Every
// writer has the same shape (units in, one file out) and every reader is a MeshReader.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "output/ExportUnit.h"
#include "output/ImportGroup.h"

namespace fw {

struct MeshFormat {
    using Writer = bool (*)(const std::string& path, const std::vector<ExportUnit>& units, bool worldCoordinates,
                            std::FILE* console);
    const char* extension;  // lower case, with the dot
    const char* label;      // what a file dialog would offer
    Writer write;           // null: not written
    std::unique_ptr<MeshReader> (*makeReader)();  // null: not read
    // OBJ writes a numbered file per frame of a range; the others hold every frame.
    bool filePerFrame;
};

class MeshFormats {
public:
    static const std::vector<MeshFormat>& all();
    // The format a file name's extension names (any case); null when none does.
    static const MeshFormat* forPath(const std::string& path);
    // "obj, dxf, ..." for messages.
    static std::string extensions(bool writable);
};

}  // namespace fw
