#pragma once
// The look options --material, --lighting and --style: declared alike on every
// command that takes them, checked against the user's libraries before any work,
// and put on a scene.

#include <string>
#include <vector>

#include "cli/Direct.h"
#include "cli/Finish.h"

namespace CLI {
class App;
}

namespace fw {

class VeltraneApp;

// The presets the look options name, as typed.
struct Looks {
    std::string lighting, style;
    // NAME for every visible object; NAME@RANGE for words or characters of the text.
    std::vector<std::string> materials;
    Finish finish;  // applied with the presets, though it names none
    Directing directing;  // on the commands that declare its options
    bool any() const { return !materials.empty() || !lighting.empty() || !style.empty(); }
    // The last material given for every object, or empty.
    std::string material() const;
};

void addLookOptions(CLI::App& command, Looks& looks);

// Every named preset is in the user's libraries; an unknown one is reported with the
// names closest to it.
bool checkLooks(const Looks& looks);

// Puts the checked presets on the scene: the style first, so that the material
// dresses the styles the objects wear in the end. `edgeDone`: the style is an edge
// profile the scene was built with.
// False (reported) when a part of the looks cannot be put on this scene.
bool applyLooks(VeltraneApp& app, const Looks& looks, bool edgeDone = false);

// Puts the checked material on the named styles only, and the lighting on the scene:
// what is added to a project dresses itself without restyling what was there.
bool applyLooksToStyles(VeltraneApp& app, const Looks& looks, const std::vector<std::string>& styles);
// Whether `name` is one of the built-in edge profiles --style takes.
bool isEdgeName(const std::string& name);

}  // namespace fw
