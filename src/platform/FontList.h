#pragma once
// The installed fonts, as the system's font registry would list them: family, style,
// full name, file and the outline kind, from fontconfig.

#include <string>
#include <vector>

#include "platform/FontKind.h"

namespace fw {

class FontList {
public:
    using enum FontKind;

    struct Entry {
        std::string family;
        std::string style;
        std::string fullName;
        std::string file;
        int index = 0;  // member of a collection
        FontKind kind = kTrueType;
    };

    // Scanned once, sorted by family and style.
    static const std::vector<Entry>& installed();
    // A font by file path, full name or family (regular style preferred), in that
    // order, compared without regard to letter case; null when nothing matches.
    static const Entry* find(const std::string& nameOrFile);
};

}  // namespace fw
