#include "app/DocumentTypes.h"

#include <cctype>
#include <filesystem>

#include "platform/Dialogs.h"
#include "platform/Folders.h"

namespace fw {

namespace {

struct Type {
    const char* description;
    const char* filter;
    const char* extension;
};

const Type kTypes[] = {
    {"Image Files", "*.psd;*.pct;*.tga;*.png;*.jpg;*.jpeg;*.jp2;*.bmp;*.gif;*.tif", ""},
    {"Movie and Image Files", "*.mov;*.psd;*.pct;*.tga;*.png;*.jpg;*.jpeg;*.jp2;*.bmp;*.gif;*.tif", ""},
    {"Quicktime Movie", "*.mov", ".mov"},
    {"AVI Movie", "*.avi", ".avi"},
    {"Photoshop", "*.psd", ".psd"},
    {"PICT", "*.pct", ".pct"},
    {"Targa", "*.tga", ".tga"},
    {"JPEG", "*.jpg;*.jpeg", ".jpg"},
    {"BMP", "*.bmp", ".bmp"},
    {"PNG", "*.png", ".png"},
    {"JPEG 2000", "*.jp2", ".jp2"},
    {"GIF", "*.gif", ".gif"},
    {"TIFF", "*.tif", ".tif"},
    {"Illustrator File (.ai)", "*.ai", ""},
    {"Material Library", "*.kxm", ""},
    {"Object Style Library", "*.kxs", ""},
    {"Light Library", "*.kxl", ""},
    {"Light Style Library", "*.kxi", ""},
    {"Formwright Project (.kxp)", "*.kxp", ""},
    {"Kinetiq Project (.kxa)", "*.kxa", ""},
    {"Pennantry Project (.kxf)", "*.kxf", ""},
    {"Veltrane Project", "*.kxp;*.kxa", ""},
    {"FACT File (.fac)", "*.fac", ""},
    {"C4D File (.c4d)", "*.c4d", ""},
    {"OBJ File (.obj)", "*.obj", ""},
    {"DXF File (.dxf)", "*.dxf", ""},
    {"Lightwave File (.lwo)", "*.lwo", ""},
    {"3DS File (.3ds)", "*.3ds", ""},
    {"Veltrane Objects (.kxo)", "*.kxo", ""},
    {"Font File", "*.ttf;*.pfb;*.pfa", ""},
    {"Text File (.txt)", "*.txt", ""},
    {"PDF FIle (.pdf)", "*.pdf", ""},
    {"FBX File (.fbx)", "*.fbx", ""},
    {"All Files (*.*)", "*.*", ""},
};

const Type* find(int code) {
    return code >= DocumentTypes::kFirst && code <= DocumentTypes::kLast ? &kTypes[code - 1] : nullptr;
}

}  // namespace

std::string DocumentTypes::description(int code, bool sequence) {
    const Type* type = find(code);
    if (!type) {
        Dialogs::instance().alert("\rDEBUG!!! Unknown File Description - fix this in AFile.cpp!!!");
        return std::string();
    }
    return sequence ? std::string(type->description) + " Sequence" : type->description;
}

std::string DocumentTypes::filter(int code) {
    const Type* type = find(code);
    return type ? type->filter : "";
}

std::string DocumentTypes::defaultExtension(int code) {
    const Type* type = find(code);
    return type ? type->extension : "";
}

std::string DocumentTypes::forceExtension(const std::string& name, int code) {
    std::string base = name;
    size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot != 0 && dot + 4 >= base.size()) base.resize(dot);
    return base + defaultExtension(code);
}

bool DocumentTypes::isProjectName(const std::string& path) {
    const std::string extension = Folders::lowerExtension(path);
    return extension == ".kxp" || extension == ".kxa";
}

}  // namespace fw
