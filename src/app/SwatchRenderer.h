#pragma once
// Small pictures of presets, rendered by the program itself with OpenGL: a material
// on a sphere before a checked backdrop, an object style as a bevelled letter, a
// light or a lighting style on a neutral letter standing on a floor. Materials and
// styles are shown under one fixed light set (the "Three-Point" lighting style), so
// swatches differ only by what they show. OpenGL draws them because it shows a
// reflective surface's environment and a transparent one's backdrop, which the ray
// tracer does not trace yet.

#include <memory>
#include <string>

#include "app/FactoryLibrary.h"

namespace fw {

class Light;
class MaterialX;
class ObjectXStyle;
class OrvoPrefs;
class OrvoSceneManager;
class Picture;
class SceneX;

class SwatchRenderer {
public:
    SwatchRenderer();
    ~SwatchRenderer();

    // Each renders width x height RGB pixels (alpha 255, rows bottom-up) into `out`;
    // false with the reason in `error`.
    bool material(const MaterialX& preset, int width, int height, Picture& out, std::string& error);
    bool objectStyle(const ObjectXStyle& preset, int width, int height, Picture& out, std::string& error);
    bool light(const Light& preset, int width, int height, Picture& out, std::string& error);
    bool lighting(SceneX& style, int width, int height, Picture& out, std::string& error);
    // A factory preset of the kind by name.
    bool preset(FactoryLibrary::Kind kind, const std::string& name, int width, int height, Picture& out,
                std::string& error);

private:
    enum Subject { kSphere, kLetter, kLetterOnFloor };
    // A fresh scene holding the subject and the camera, no lights but a dim ambient.
    bool stage(Subject subject, int width, int height, std::string& error);
    // The letter on its floor in the neutral material, for judging light: the scene, or
    // null when it could not be staged.
    SceneX* stageNeutralLetter(int width, int height, std::string& error);
    bool shoot(int width, int height, Picture& out, std::string& error);

    std::unique_ptr<OrvoPrefs> prefs_;
    std::unique_ptr<OrvoSceneManager> manager_;
};

}  // namespace fw
