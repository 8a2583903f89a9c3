#include "app/TitleScene.h"

#include <algorithm>
#include <cmath>

#include "app/OrvoSceneManager.h"
#include "geometry/ObjectXStyle.h"
#include "platform/MathConstants.h"
#include "render/Camera.h"
#include "render/LightX.h"
#include "scene/SceneX.h"
#include "text/Font.h"
#include "text/TextBlock.h"

namespace fw {

std::u16string TitleScene::fromUtf8(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        uint32_t code = c;
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra) code = c & (0x3F >> extra);
        ++i;
        for (int k = 0; k < extra && i < text.size(); ++k, ++i) code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
        if (code == '\n') code = '\r';  // a line break in the text is a return in the block
        if (code <= 0xFFFF) out += static_cast<char16_t>(code);
    }
    return out;
}

bool TitleScene::build(OrvoSceneManager& manager, const Options& options, std::string& subject, std::string& error) {
    SceneX& scene = *manager.scene();
    TextAttr attr;
    attr.name = options.font;
    attr.displayName = attr.name;
    auto* block = new TextBlock(scene, "Text");
    block->officialName = "Text";
    block->appendText(options.text, attr);
    if (!block->fontFor(*block->attrs.front()) || block->fontFor(*block->attrs.front())->slotCount() == 0) {
        subject = attr.name;
        error = "no such font (give an installed family or a font file)";
        return false;
    }
    block->layout();
    double width = block->maxWidth, height = attr.size;
    block->origin[0] = -width / 2;
    block->origin[1] = -0.35 * attr.size;
    auto* style = new ObjectXStyle(scene, "Text Style");
    style->setPerimeterProfile(options.edge);
    style->setDepth(attr.size * 0.25);
    if (block->build(style->name()) == 0) {
        subject.clear();
        error = "the text has no characters that can be built";
        return false;
    }
    // Frame the text with the default camera and light it from above and to the side.
    if (auto* camera = dynamic_cast<Camera*>(scene.findMember("dflt_cam"))) {
        double aspect = manager.settings().renderSize[0] / std::max(1.0, manager.settings().renderSize[1]);
        double fit = std::max(width, height * aspect) * 0.6;
        camera->translate[2] = fit / std::tan(camera->fieldOfView() * kPi / 360);
        if (auto* key = dynamic_cast<LightX*>(scene.findMember("Light 1"))) {
            key->translate[0] = width * 0.4, key->translate[1] = width * 0.6, key->translate[2] = camera->translate[2];
        }
    }
    return true;
}

}  // namespace fw
