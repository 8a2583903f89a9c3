#include "output/OutputType.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace fw {

namespace {

struct Type {
    int code;
    const char* name;
    const char* extension;
    bool movie;
};

// MP4 is not a document type of the desktop program; it is here because FFmpeg
// writes it and it is what most players expect.
const Type kTypes[] = {
    {OutputType::kMOV, "MOV", ".mov", true},  {OutputType::kAVI, "AVI", ".avi", true},
    {OutputType::kPSD, "PSD", ".psd", false}, {OutputType::kTGA, "TGA", ".tga", false},
    {OutputType::kJPG, "JPG", ".jpg", false}, {OutputType::kBMP, "BMP", ".bmp", false},
    {OutputType::kPNG, "PNG", ".png", false}, {OutputType::kJP2, "JP2", ".jp2", false},
    {OutputType::kTIF, "TIF", ".tif", false}, {OutputType::kMP4, "MP4", ".mp4", true},
    {OutputType::kEXR, "EXR", ".exr", false},
};

// Spellings that name a type besides its own extension.
struct Alias {
    const char* extension;
    int code;
};
const Alias kAliases[] = {{".jpeg", OutputType::kJPG}, {".tiff", OutputType::kTIF}};

const Type& typeOf(int code) {
    for (const Type& t : kTypes)
        if (t.code == code) return t;
    return kTypes[0];
}

// The extension of the file name (not of a folder), lower case, with its dot.
std::string extensionOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

}  // namespace

const char* OutputType::nameOf(int code) { return typeOf(code).name; }

int OutputType::codeOf(const std::string& name) {
    for (const Type& t : kTypes)
        if (name == t.name) return t.code;
    return -1;
}

std::string OutputType::extension(int code) { return typeOf(code).extension; }

std::string OutputType::suffix(int code, int frame) {
    const Type& type = typeOf(code);
    if (type.movie) return type.extension;
    char number[16];
    std::snprintf(number, sizeof number, "_%04d", frame < 0 ? 0 : frame);
    return number + std::string(type.extension);
}

int OutputType::codeForPath(const std::string& path) {
    std::string ext = extensionOf(path);
    if (ext.empty()) return -1;
    for (const Type& t : kTypes)
        if (ext == t.extension) return t.code;
    for (const Alias& a : kAliases)
        if (ext == a.extension) return a.code;
    return -1;
}

bool OutputType::isMovie(int code) { return typeOf(code).movie; }

std::string OutputType::frameFileName(const std::string& base, int code, int frame, std::optional<int> batch) {
    std::string stem = base;
    if (codeForPath(base) >= 0) stem.resize(base.size() - extensionOf(base).size());
    const Type& type = typeOf(code);
    if (type.movie) return stem + type.extension;
    char numbers[48];
    if (batch)
        std::snprintf(numbers, sizeof numbers, "_%d_%04d", *batch, frame);
    else
        std::snprintf(numbers, sizeof numbers, "_%04d", frame);
    return stem + numbers + type.extension;
}

}  // namespace fw
