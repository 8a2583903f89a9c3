#include "output/MeshFormats.h"

#include <cctype>

#include "output/C4dReader.h"
#include "output/C4dWriter.h"
#include "output/DxfReader.h"
#include "output/DxfWriter.h"
#include "output/FactReader.h"
#include "output/FactWriter.h"
#include "output/GlbWriter.h"
#include "output/LwoReader.h"
#include "output/LwoWriter.h"
#include "output/ObjImport.h"
#include "output/ObjWriter.h"
#include "output/ThreeDSReader.h"
#include "output/ThreeDSWriter.h"

namespace fw {

namespace {

bool writeObj(const std::string& path, const std::vector<ExportUnit>& units, bool world, std::FILE* console) {
    return ObjWriter::write(path, units, world, console);
}

bool writeDxf(const std::string& path, const std::vector<ExportUnit>& units, bool world, std::FILE* console) {
    return DxfWriter::write(path, units, world, console);
}

template <class Reader>
std::unique_ptr<MeshReader> make() {
    return std::make_unique<Reader>();
}

}  // namespace

const std::vector<MeshFormat>& MeshFormats::all() {
    static const std::vector<MeshFormat> formats = {
        {".obj", "OBJ File (.obj)", writeObj, make<ObjImport>, true},
        {".dxf", "DXF File (.dxf)", writeDxf, make<DxfReader>, false},
        {".3ds", "3DS File (.3ds)", ThreeDSWriter::write, make<ThreeDSReader>, false},
        {".lwo", "Lightwave File (.lwo)", LwoWriter::write, make<LwoReader>, false},
        {".fac", "FACT File (.fac)", FactWriter::write, make<FactReader>, false},
        {".c4d", "C4D File (.c4d)", C4dWriter::write, make<C4dReader>, false},
        {".glb", "glTF Binary (.glb)", GlbWriter::write, nullptr, false},
    };
    return formats;
}

const MeshFormat* MeshFormats::forPath(const std::string& path) {
    size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.') return nullptr;
    std::string extension = path.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const MeshFormat& format : all())
        if (extension == format.extension) return &format;
    return nullptr;
}

std::string MeshFormats::extensions(bool writable) {
    std::string text;
    for (const MeshFormat& format : all()) {
        if (writable ? !format.write : !format.makeReader) continue;
        if (!text.empty()) text += ", ";
        text += format.extension + 1;
    }
    return text;
}

}  // namespace fw
