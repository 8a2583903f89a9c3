#include "cli/FileTypes.h"

#include <vector>

#include "output/ImageWriter.h"
#include "output/MeshFormats.h"
#include "output/OutputType.h"
#include "platform/Folders.h"

namespace fw {

namespace {

std::vector<std::string> meshExtensions(bool writable) {
    std::vector<std::string> list;
    for (const MeshFormat& format : MeshFormats::all())
        if (writable ? format.write != nullptr : format.makeReader != nullptr) list.push_back(format.extension);
    return list;
}

// The image writer keeps its own list; its spellings are split back out of it.
std::vector<std::string> imageExtensions() {
    const std::string text = ImageWriter::extensions();
    std::vector<std::string> list;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find_first_of(", ", at);
        if (end == std::string::npos) end = text.size();
        if (text[at] == '.') list.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return list;
}

struct Type {
    FileType type;
    std::vector<std::string> (*extensions)();
    bool (*names)(const std::string& path);
};

const Type kTypes[] = {
    {FileType::kImage, imageExtensions, ImageWriter::supports},
    {FileType::kMovie,
     [] {
         return std::vector<std::string>{".mov", ".mp4", ".avi"};
     },
     [](const std::string& path) {
         const int code = OutputType::codeForPath(path);
         return code >= 0 && OutputType::isMovie(code);
     }},
    {FileType::kProject, [] { return std::vector<std::string>{".kxp"}; },
     [](const std::string& path) { return Folders::lowerExtension(path) == ".kxp"; }},
    {FileType::kMesh, [] { return meshExtensions(true); },
     [](const std::string& path) {
         const MeshFormat* format = MeshFormats::forPath(path);
         return format && format->write;
     }},
    {FileType::kMeshIn, [] { return meshExtensions(false); },
     [](const std::string& path) {
         const MeshFormat* format = MeshFormats::forPath(path);
         return format && format->makeReader;
     }},
};

const Type& typeOf(FileType type) {
    for (const Type& t : kTypes)
        if (t.type == type) return t;
    return kTypes[0];
}

}  // namespace

bool FileTypes::names(FileType type, const std::string& path) { return typeOf(type).names(path); }

std::string FileTypes::listed(FileType type, const char* last, bool dotted) {
    const std::vector<std::string> list = typeOf(type).extensions();
    std::string text;
    for (size_t i = 0; i < list.size(); ++i)
        text += (i == 0 ? "" : i + 1 == list.size() ? last : ", ") + list[i].substr(dotted ? 0 : 1);
    return text;
}

}  // namespace fw
