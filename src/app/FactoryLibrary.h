#pragma once
// The presets the program ships with, built in code from its own shaders, channels
// and edge profiles: materials, object styles and lights go into a given scene; each
// lighting style is a small scene of lights. Light positions are in units of the
// camera's distance from the subject (the subject at the origin, the camera on +Z),
// so that one set fits a title of any size once scaled by that distance.

#include <memory>
#include <string>
#include <vector>

namespace fw {

class SceneMember;
class SceneX;

class FactoryLibrary {
public:
    enum Kind { kMaterials = 0, kObjectStyles, kLights, kLightingStyles, kKinds };

    // The kind's names in library order.
    static std::vector<std::string> names(Kind kind);
    // "materials", "styles", "lights", "lighting"; the word a command line takes.
    static const char* kindWord(Kind kind);
    // The kind a word names (singular or plural); false when it names none.
    static bool kindOf(const std::string& word, Kind& kind);

    // Every material, object style or light of the library into `scene`, under the
    // library's names (the scene's naming rule makes a taken name unique).
    static void buildMaterials(SceneX& scene);
    static void buildObjectStyles(SceneX& scene);
    static void buildLights(SceneX& scene);
    // The lights of the named lighting style into `scene`; false for an unknown name.
    static bool buildLightingStyle(const std::string& name, SceneX& scene);

    // The flagpole caps (FlagCaps): their names, and each as a closed solid (a custom
    // ObjectP of that name, in pole radii, the pole's end at y = 0) into `scene`.
    static std::vector<std::string> capNames(bool top);
    static void buildCaps(bool top, SceneX& scene);

    // The library built once per process: a preset of the kind by its exact name, or
    // null. For lighting styles the member is null and `lighting` the style's scene.
    struct Preset {
        SceneMember* member = nullptr;
        SceneX* lighting = nullptr;
        explicit operator bool() const { return member || lighting; }
    };
    static Preset findPreset(Kind kind, const std::string& name);

    // Up to `count` names of `known` closest to `name` (by edit distance, letter case
    // ignored), closest first.
    static std::vector<std::string> closeNames(const std::string& name, const std::vector<std::string>& known,
                                               size_t count = 4);
};

}  // namespace fw
