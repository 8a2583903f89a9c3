#pragma once
// A title on a waving flag: the title is rendered flat with the program's own renderer,
// and that picture is what a cloth on a pole wears, in a scene of its own.

#include <string>

#include "app/TitleScene.h"

namespace fw {

class OrvoSceneManager;

class FlagTitle {
public:
    // Size of the cloth in the scene (the title's units: the text is 72 tall).
    static constexpr double kClothWidth = 480;
    // The picture of the title: the cloth's proportions.
    static constexpr int kTextureWidth = 960, kTextureHeight = 640;
    // The cloth behind the title: a deep blue.
    static constexpr double kClothColor[3] = {0.06, 0.16, 0.42};

    // Builds the title, writes its picture to `texture` (a PNG), then replaces the scene
    // with a flag cluster whose cloth wears that picture, framed by the default camera.
    // False with the subject and what is wrong.
    static bool build(OrvoSceneManager& manager, const TitleScene::Options& options, const std::string& texture,
                      std::string& subject, std::string& error);
    // The title's own bevelled letters as the flag: built as `text` builds them, hung on
    // a flag cluster whose cloth (hidden) carries them, so they wave with it.
    static bool buildSolid(OrvoSceneManager& manager, const TitleScene::Options& options, std::string& subject,
                           std::string& error);
};

}  // namespace fw
