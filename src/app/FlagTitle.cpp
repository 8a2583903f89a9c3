#include "app/FlagTitle.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "app/OrvoSceneManager.h"
#include "app/RenderJob.h"
#include "flag/FlagCluster.h"
#include "geometry/ObjectP.h"
#include "geometry/ObjectX.h"
#include "scene/SceneX.h"
#include "surface/MaterialChannelColor.h"
#include "surface/MaterialStack.h"
#include "surface/MaterialX.h"

namespace fw {

bool FlagTitle::build(OrvoSceneManager& manager, const TitleScene::Options& options, const std::string& texture,
                      std::string& subject, std::string& error) {
    const double size[2] = {manager.settings().renderSize[0], manager.settings().renderSize[1]};
    // The title, still, at the cloth's proportions.
    TitleScene::Options still = options;
    still.animate.clear();
    still.width = kTextureWidth;
    still.height = kTextureHeight;
    if (!TitleScene::build(manager, still, subject, error)) return false;
    // The cloth's colour is the picture's background.
    double* background = manager.settings().backgroundColor;
    const double black[3] = {background[0], background[1], background[2]};
    std::copy(std::begin(kClothColor), std::end(kClothColor), background);
    std::string reported;
    RenderJob job(manager, [&](const std::string& what, const std::string& why) {
        if (reported.empty()) subject = what, reported = why;
    });
    if (!job.configure("", 0.0) || job.renderTo(texture, "") != 0) {
        error = reported.empty() ? "the title could not be rendered" : reported;
        return false;
    }

    // A fresh scene with the program's camera and lights, at the size asked for.
    if (!manager.newScene()) {
        error = "a new scene could not be made";
        return false;
    }
    std::copy(black, black + 3, background);
    const bool asked = options.width > 0 && options.height > 0;
    manager.settings().renderSize[0] = asked ? options.width : size[0];
    manager.settings().renderSize[1] = asked ? options.height : size[1];
    SceneX& scene = *manager.scene();
    auto* cloth = new MaterialX(scene, "Flag Cloth");
    if (!cloth->colorChannel().setImageLayer(texture)) {
        error = "the title's picture cannot be worn";
        return false;
    }
    auto* pole = new MaterialX(scene, "Flag Pole");
    pole->colorChannel().setColor(0.85f, 0.85f, 0.88f);

    auto* flag = new FlagCluster(scene, "Flag");
    const double scale = kClothWidth / flag->unit.width;
    flag->unit.scaleX = flag->unit.scaleY = scale;
    flag->materialStack(0)->item(0).setMaterial(cloth->name());
    flag->materialStack(1)->item(0).setMaterial(pole->name());
    // The caps (a foot as well, if one is chosen later) wear the pole's material.
    for (int slot = 2; slot < 4; ++slot) flag->materialStack(slot)->item(0).setMaterial(pole->name());
    flag->buildMembers();

    // The cloth and the top of the pole fill the frame.
    const double width = kClothWidth * 1.15, height = flag->unit.height * scale * 1.6;
    TitleScene::frameFront(manager, width, height, kClothWidth * 0.45, -flag->unit.height * scale * 0.55);
    return true;
}

bool FlagTitle::buildSolid(OrvoSceneManager& manager, const TitleScene::Options& options, std::string& subject,
                           std::string& error) {
    TitleScene::Options still = options;
    still.animate.clear();
    if (!TitleScene::build(manager, still, subject, error)) return false;
    SceneX& scene = *manager.scene();
    std::vector<ObjectX*> letters;
    double box[6] = {1e300, 1e300, 1e300, -1e300, -1e300, -1e300};
    for (int i = 0; i < scene.memberCount(kObjectKind); ++i)
        if (auto* letter = dynamic_cast<ObjectX*>(scene.member(kObjectKind, i)); letter && letter->parentName() == "root") {
            double world[6];
            letter->worldBounds(kRenderMode, world);
            for (int c = 0; c < 3; ++c) box[c] = std::min(box[c], world[c]), box[c + 3] = std::max(box[c + 3], world[c + 3]);
            letters.push_back(letter);
        }
    if (letters.empty()) {
        subject.clear();
        error = "the text has no characters that can be built";
        return false;
    }

    // The cloth keeps its proportions: as wide as the title, or wider to leave a margin
    // above and below a tall one.
    auto* flag = new FlagCluster(scene, "Flag");
    const double titleWidth = box[3] - box[0], titleHeight = box[4] - box[1];
    const double clothWidth = std::max(titleWidth, 1.5 * titleHeight * flag->unit.width / flag->unit.height);
    const double scale = clothWidth / flag->unit.width, clothHeight = flag->unit.height * scale;
    flag->unit.scaleX = flag->unit.scaleY = scale;
    auto* pole = new MaterialX(scene, "Flag Pole");
    pole->colorChannel().setColor(0.85f, 0.85f, 0.88f);
    for (int slot = 1; slot < 4; ++slot) flag->materialStack(slot)->item(0).setMaterial(pole->name());
    flag->buildMembers();
    // The letters are the flag: the cloth only carries them.
    flag->cloth()->setFlag(DAGNode::kVisible, false);
    // From the cloth's pinned edge, against the pole, centred down the cloth, their depth
    // straddling it.
    const double shift[3] = {-box[0], -clothHeight / 2 - (box[1] + box[4]) / 2, -(box[2] + box[5]) / 2};
    for (ObjectX* letter : letters) {
        letter->setParent(flag->name());
        for (int c = 0; c < 3; ++c) letter->translate[c] += shift[c];
    }
    flag->showTime(0.0);
    TitleScene::frameFront(manager, clothWidth * 1.15, clothHeight * 1.6, clothWidth * 0.45, -clothHeight * 0.55);
    return true;
}

}  // namespace fw
