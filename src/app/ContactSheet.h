#pragma once
// A contact sheet of presets: each swatch in a grid, its name written under it, in
// one image file.

#include <string>
#include <vector>

#include "app/FactoryLibrary.h"

namespace fw {

class Picture;

class ContactSheet {
public:
    static constexpr int kSwatchWidth = 160, kSwatchHeight = 120, kColumns = 5;

    struct Swatch {
        std::string name;
        const Picture* picture = nullptr;  // at most kSwatchWidth x kSwatchHeight; none: an empty cell
    };

    // The swatches laid out in order; false with the reason.
    static bool write(const std::vector<Swatch>& swatches, const std::string& path, std::string& error);
    // The factory presets of the kind, rendered and laid out.
    static bool write(FactoryLibrary::Kind kind, const std::string& path, std::string& error);
};

}  // namespace fw
