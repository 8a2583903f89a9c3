#pragma once
// Ready-made animations for a title, so that `text --animate` gives a moving title
// without a track written by hand: letters fly in one by one, drop and settle, words
// spin in, or the title holds and then shatters (its letters broken into fragment objects). Each is an ordinary track (pose, transition, pose) that the project
// keeps and a user can edit like any other.

#include <string>
#include <vector>

namespace fw {

class SceneX;
class TextBlock;

class TitleAnimation {
public:
    static std::vector<std::string> names();
    // False with the reason (naming the known presets) for an unknown name.
    static bool check(const std::string& preset, std::string& error);
    // Adds the preset's track for `block` (whose laid-out size is width x height
    // points) and sets the scene's timeline to it, the current frame at its end so a
    // still shows the settled title. False with the reason for an unknown name.
    static bool add(SceneX& scene, TextBlock& block, const std::string& preset, double width, double height,
                    std::string& error);
};

}  // namespace fw
