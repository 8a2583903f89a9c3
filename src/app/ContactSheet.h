#pragma once
// A contact sheet of presets: each swatch in a grid, its name written under it, in
// one image file.

#include <string>

#include "app/FactoryLibrary.h"

namespace fw {

class ContactSheet {
public:
    static constexpr int kSwatchWidth = 160, kSwatchHeight = 120, kColumns = 5;

    // The factory presets of the kind, rendered and laid out; false with the reason.
    static bool write(FactoryLibrary::Kind kind, const std::string& path, std::string& error);
};

}  // namespace fw
