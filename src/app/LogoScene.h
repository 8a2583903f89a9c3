#pragma once
// The scene of a logo: the outlines of an artwork file, one extruded object per
// outline, bevelled with an edge profile, each wearing a material of its fill colour,
// centred and framed by the default camera. The `import` command builds it for
// artwork files.

#include <string>
#include <vector>

namespace fw {

class OrvoSceneManager;

class LogoScene {
public:
    struct Options {
        std::string file;
        std::string layer;  // only this layer's paths, as one object; empty: every visible layer
        bool perLayer = false;  // one object per layer
        std::string edge = "Bevel, Medium";
        double depth = 0;  // points; 0: kDepthShare of the artwork's mean side
        int width = 0, height = 0;  // the project's render size; 0: its default
        // Placed to the right of the scene's visible objects, as tall as they are,
        // instead of centred on the origin; the default camera takes in both.
        bool beside = false;
    };
    static constexpr double kDepthShare = 0.15;

    // Builds the logo into the manager's scene. False with the subject and what is
    // wrong; the reader's messages keep their words, one line each.
    // The names of the styles the logo's objects wear go to `styles` when given.
    static bool build(OrvoSceneManager& manager, const Options& options, std::string& subject, std::string& error,
                      std::vector<std::string>* styles = nullptr);
};

}  // namespace fw
