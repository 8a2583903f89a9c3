#pragma once
// The scene of a title: a text set in a font, bevelled with an edge profile, framed
// by the default camera and lit from above and to the side. The `text` command
// builds it; what it writes (project, mesh or picture) comes from this one scene.

#include <string>

namespace fw {

class OrvoSceneManager;

class TitleScene {
public:
    struct Options {
        std::u16string text;  // a return starts a new line
        std::string font = "DejaVu Sans";  // an installed family or full name, or a font file
        std::string edge = "Bevel, Medium";  // edge profile of the bevel
    };

    // Builds the title into the manager's scene. False with the subject (the font, or
    // empty) and what is wrong.
    static bool build(OrvoSceneManager& manager, const Options& options, std::string& subject, std::string& error);

    // Text from the command line (UTF-8) as a block's characters: a line break becomes
    // a return; characters beyond the Basic Multilingual Plane are dropped.
    static std::u16string fromUtf8(const std::string& text);
};

}  // namespace fw
