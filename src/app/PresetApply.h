#pragma once
// Puts a preset on a project: a material on every visible object, an object style
// (or an edge profile) on every visible extruded object, a lighting style in place of
// the project's lights, or one more light. Presets are copied into the project's
// scene, so the project keeps no link to the library they came from.

#include <string>

namespace fw {

class Light;
class MaterialX;
class ObjectXStyle;
class SceneX;

class PresetApply {
public:
    // Copies the material in (an equal one of the same name is reused; another name is
    // made unique) and makes it the whole stack of every slot of every visible object.
    // Returns the name it has in the project; `objects` counts the objects dressed.
    static std::string material(SceneX& project, const MaterialX& preset, int* objects = nullptr);
    // A copy of the style (edge profiles, depth, scales, parts) for each style the
    // visible extruded objects wear, keeping that style's material slots; the objects
    // then wear the copy. Returns how many objects changed.
    static int objectStyle(SceneX& project, const ObjectXStyle& preset);
    // The edge profile given to every style the visible extruded objects wear.
    static int edgeProfile(SceneX& project, const std::string& profile);
    // Replaces the project's lights by copies of the style's, placed for the project
    // by `lightScale`. Ambient light: a style that brings its own replaces the
    // project's; a style without one leaves the project's ambient lights as they are.
    static void lighting(SceneX& project, SceneX& style, double scale);
    // Adds a copy of the light under a unique name.
    static Light& addLight(SceneX& project, const Light& preset, double scale);
    // How far the project's camera stands from the subject: preset lights are placed
    // in units of it. 100 when the project has no camera.
    static double lightScale(SceneX& project);

    static MaterialX& copyMaterial(SceneX& project, const MaterialX& preset);
    static ObjectXStyle& copyObjectStyle(SceneX& project, const ObjectXStyle& preset);
};

}  // namespace fw
