#pragma once
// The finishing options --anti-alias, --anti-alias-passes, --depth-of-field, --motion-blur, --shutter and
// --glint: passes and frame effects that `text`, `import` and `render` take alike and
// keep in the project they write.

#include <string>

namespace CLI {
class App;
}

namespace fw {

class VeltraneApp;

// As typed; a negative number or an empty text leaves the project's own setting.
struct Finish {
    int antiAlias = -1;
    bool antiAliasPasses = false;
    double depthOfField = -1;
    int motionBlur = -1;
    double shutter = -1;
    std::string glint;
    bool any() const {
        return antiAlias >= 0 || antiAliasPasses || depthOfField >= 0 || motionBlur >= 0 || shutter >= 0 ||
               !glint.empty();
    }
};

void addFinishOptions(CLI::App& command, Finish& finish);
// Puts the options into the project's settings, timeline and frame effects.
void applyFinish(VeltraneApp& app, const Finish& finish);

}  // namespace fw
