#pragma once
// What `text` and `import` of artwork share: a scene built from the program's
// defaults, written as a project, a mesh, or the picture its saved project renders to.

#include <functional>
#include <string>

#include "cli/Looks.h"

namespace fw {

class OrvoSceneManager;

struct SceneOutput {
    std::string out;   // .kxp, a mesh or an image
    std::string size;  // WIDTHxHEIGHT as typed; empty: the default
    Looks looks;
    std::string builtEdge;  // the edge profile the scene is built with, which --style need not put on again
};

// Builds the scene into a fresh manager at the render size asked for (0 x 0: the
// default); false with the subject and what is wrong.
using SceneBuild =
    std::function<bool(OrvoSceneManager& manager, int width, int height, std::string& subject, std::string& error)>;

// Checks the output and the size, builds the scene and writes it. An exit status.
int writeBuiltScene(const SceneOutput& output, const SceneBuild& build);

}  // namespace fw
