#pragma once
// The scene of a title: a text set in a font, bevelled with an edge profile, framed
// by the default camera and lit from above and to the side. The `text` command
// builds it; what it writes (project, mesh or picture) comes from this one scene.

#include <string>
#include <vector>

#include "app/TitleAnimation.h"

namespace fw {

class OrvoSceneManager;

class TitleScene {
public:
    static constexpr double kTextSize = 72;  // points, the text attribute's default

    struct Options {
        std::u16string text;  // a return starts a new line
        std::string font = "DejaVu Sans";  // an installed family or full name, or a font file
        std::string edge = "Bevel, Medium";  // edge profile of the bevel
        int width = 0, height = 0;  // the project's render size; 0: its default
        double depth = kTextSize * 0.25;  // points
        int alignment = 0;  // TextAttr::Alignment
        double leading = -1000;  // points between baselines; TextAttr::kLeadingNotSet: 1.2 x size
        double spacing = 0;  // tracking, thousandths of an em
        int wrap = 0;  // points a line may run before it breaks; 0: only returns break
        std::string animate;                  // a TitleAnimation preset or chain; empty: a still title
        TitleAnimation::Direction direction;  // the user's timing over the preset's
        // The text holds variables ("<<1:Name>>") set from these values: the typed text
        // is kept in an editor block and the built one shows the values.
        bool variables = false;
        std::vector<std::u16string> values;
    };
    // The editor block of a title with variables.
    static constexpr const char* kEditorBlock = "Typed Text";

    // Builds the title into the manager's scene. False with the subject (the font, the
    // edge profile, or empty) and what is wrong.
    static bool build(OrvoSceneManager& manager, const Options& options, std::string& subject, std::string& error);

    // Points the default camera straight at a width x height area centred on (x, y),
    // from far enough to see it whole, and lights it from above and to the side.
    static void frameFront(OrvoSceneManager& manager, double width, double height, double x = 0, double y = 0);
    // Whether the default camera stands where frameFront would put it for that area.
    static bool framedFront(OrvoSceneManager& manager, double width, double height, double x = 0, double y = 0);

    // False with "no such WHAT; the known ones are ..." when `name` is not `known`.
    static bool checkName(const std::string& name, const std::vector<std::string>& known, const char* what,
                          std::string& error);

    // The edge profiles a title can be bevelled with: the names the profile library holds.
    static std::vector<std::string> edgeNames();

    // Text from the command line (UTF-8) as a block's characters: a line break (LF,
    // CR LF or CR) becomes one return; characters beyond the Basic Multilingual Plane
    // are dropped.
    static std::u16string fromUtf8(const std::string& text);
};

}  // namespace fw
