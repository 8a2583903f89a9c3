#pragma once
// The look options --material, --lighting and --style: declared alike on every
// command that takes them, checked against the user's libraries before any work,
// and put on a scene.

#include <string>
#include <vector>

#include "cli/Finish.h"

namespace CLI {
class App;
}

namespace fw {

class VeltraneApp;

// The presets the look options name, as typed.
struct Looks {
    std::string material, lighting, style;
    Finish finish;  // applied with the presets, though it names none
    bool any() const { return !material.empty() || !lighting.empty() || !style.empty(); }
};

void addLookOptions(CLI::App& command, Looks& looks);

// Every named preset is in the user's libraries; an unknown one is reported with the
// names closest to it.
bool checkLooks(const Looks& looks);

// Puts the checked presets on the scene: the style first, so that the material
// dresses the styles the objects wear in the end. `edgeDone`: the style is an edge
// profile the scene was built with.
void applyLooks(VeltraneApp& app, const Looks& looks, bool edgeDone = false);

// Puts the checked material on the named styles only, and the lighting on the scene:
// what is added to a project dresses itself without restyling what was there.
void applyLooksToStyles(VeltraneApp& app, const Looks& looks, const std::vector<std::string>& styles);
// Whether `name` is one of the built-in edge profiles --style takes.
bool isEdgeName(const std::string& name);

}  // namespace fw
