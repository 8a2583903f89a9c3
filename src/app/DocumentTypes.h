#pragma once
// The numbered document types that every file dialog, filter and extension rule
// uses: descriptions, filters and the default extension of single-extension types.

#include <string>

namespace fw {

class DocumentTypes {
public:
    static constexpr int kFirst = 1;
    static constexpr int kLast = 34;
    enum : int { kTarga = 7, kProject = 19, kKinetiqProject = 20, kVeltraneProject = 22, kAllFiles = 34 };

    // Empty (with a debug alert) for a code outside the table; " Sequence" appended on request.
    static std::string description(int code, bool sequence = false);
    static std::string filter(int code);
    // ".tga" for Targa and so on; empty for types with several extensions.
    static std::string defaultExtension(int code);
    // Drops a short extension (the last dot within the last four characters, not the
    // first character) and appends the type's default one: shot.tif -> shot.tga.
    static std::string forceExtension(const std::string& name, int code);
    // A project's name: ".kxp", or ".kxa" of older versions, in any letter case.
    static bool isProjectName(const std::string& path);
};

}  // namespace fw
