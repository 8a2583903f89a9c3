#pragma once
// The finishing options --anti-alias, --anti-alias-passes, --depth-of-field,
// --motion-blur, --shutter and --glint (passes and frame effects), --background and
// --transparent, and --set for any settings line: what `text`, `import` and `render`
// take alike and keep in the project they write.

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace fw {

class OrvoSceneManager;
class VeltraneApp;

// As typed; a negative number or an empty text leaves the project's own setting.
struct Finish {
    int antiAlias = -1;
    bool antiAliasPasses = false;
    double depthOfField = -1;
    int motionBlur = -1;
    double shutter = -1;
    std::string glint;
    std::string background;  // a colour or an image file
    bool transparent = false;
    std::vector<std::string> settings;  // KEYWORD=VALUE each
    bool any() const {
        return antiAlias >= 0 || antiAliasPasses || depthOfField >= 0 || motionBlur >= 0 || shutter >= 0 ||
               !glint.empty() || !background.empty() || transparent || !settings.empty();
    }
};

void addFinishOptions(CLI::App& command, Finish& finish);
// Every --set names a settings line and a value it takes (reported when not), tried on
// a scratch project before any work.
bool checkFinish(const Finish& finish);
// "KEYWORD=VALUE" put on the loaded project; false (reported, naming `subject` or the
// keyword) when the keyword or the value is wrong.
bool applySetting(OrvoSceneManager& manager, const std::string& assignment, const std::string& subject = "--set");
// A colour as --background takes it: #rrggbb, R,G,B from 0 to 1, or black, white, grey.
bool parseColour(const std::string& text, double rgb[3]);
// Puts the options into the project's settings, timeline and frame effects.
void applyFinish(VeltraneApp& app, const Finish& finish);

}  // namespace fw
