#include "app/TitleScene.h"

#include <algorithm>
#include <cmath>

#include "app/OrvoSceneManager.h"
#include "app/TitleAnimation.h"
#include "geometry/ObjectXStyle.h"
#include "platform/MathConstants.h"
#include "profile/Profile.h"
#include "profile/ProfileLibrary.h"
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
        if (code == '\r' && i < text.size() && text[i] == '\n') continue;  // CR LF is one break: its LF's
        if (code == '\n') code = '\r';  // a line break in the text is a return in the block
        if (code <= 0xFFFF) out += static_cast<char16_t>(code);
    }
    return out;
}

std::vector<std::string> TitleScene::edgeNames() {
    std::vector<std::string> names;
    const ProfileLibrary& library = ProfileLibrary::instance();
    for (int i = 0; i < library.count(); ++i) names.push_back(library.profile(i)->name());
    return names;
}

bool TitleScene::checkName(const std::string& name, const std::vector<std::string>& known, const char* what,
                           std::string& error) {
    if (std::find(known.begin(), known.end(), name) != known.end()) return true;
    error = std::string("no such ") + what + "; the known ones are";
    for (size_t i = 0; i < known.size(); ++i) error += (i ? ", \"" : " \"") + known[i] + "\"";
    return false;
}

namespace {

double frontDistance(OrvoSceneManager& manager, const Camera& camera, double width, double height) {
    double aspect = manager.settings().renderSize[0] / std::max(1.0, manager.settings().renderSize[1]);
    double fit = std::max(width, height * aspect) * 0.6;
    return fit / std::tan(camera.fieldOfView() * kPi / 360);
}

}  // namespace

bool TitleScene::framedFront(OrvoSceneManager& manager, double width, double height, double x, double y) {
    auto* camera = dynamic_cast<Camera*>(manager.scene()->findMember("dflt_cam"));
    if (!camera) return false;
    // The project keeps six significant digits.
    auto near = [](double stored, double exact) { return std::fabs(stored - exact) <= 1e-3 + 1e-5 * std::fabs(exact); };
    return near(camera->translate[0], x) && near(camera->translate[1], y) &&
           near(camera->translate[2], frontDistance(manager, *camera, width, height));
}

void TitleScene::frameFront(OrvoSceneManager& manager, double width, double height, double x, double y) {
    SceneX& scene = *manager.scene();
    auto* camera = dynamic_cast<Camera*>(scene.findMember("dflt_cam"));
    if (!camera) return;
    camera->translate[0] = x, camera->translate[1] = y;
    camera->translate[2] = frontDistance(manager, *camera, width, height);
    if (auto* key = dynamic_cast<LightX*>(scene.findMember("Light 1"))) {
        key->translate[0] = x + width * 0.4, key->translate[1] = y + width * 0.6;
        key->translate[2] = camera->translate[2];
    }
}

bool TitleScene::build(OrvoSceneManager& manager, const Options& options, std::string& subject, std::string& error) {
    if (options.text.empty()) {
        error = "the text is empty";
        return false;
    }
    if (!checkName(options.edge, edgeNames(), "edge profile", error)) {
        subject = options.edge;
        return false;
    }
    if (!options.animate.empty() && !TitleAnimation::check(options.animate, error)) {
        subject = options.animate;
        return false;
    }
    SceneX& scene = *manager.scene();
    if (options.width > 0 && options.height > 0) {
        manager.settings().renderSize[0] = options.width;
        manager.settings().renderSize[1] = options.height;
    }
    TextAttr attr;
    attr.name = options.font;
    attr.displayName = attr.name;
    attr.size = kTextSize;
    attr.alignment = options.alignment;
    attr.leading = options.leading;
    attr.spacing = options.spacing;
    auto* block = new TextBlock(scene, "Text");
    block->officialName = "Text";
    block->maxWidth = options.wrap;
    if (options.variables) {
        if (options.animate.find("shatter") != std::string::npos) {
            subject = options.animate;
            error = "a title with variables cannot shatter yet: each batch would need its letters broken again";
            return false;
        }
        auto* editor = new TextBlock(scene, kEditorBlock);
        editor->officialName = kEditorBlock;
        editor->maxWidth = options.wrap;
        editor->appendText(options.text, attr);
        editor->hasVariables = true;
        block->resolveVariables(*editor, options.values);
        if (editor->fontFor(*editor->attrs.front())) editor->layout();
    } else {
        block->appendText(options.text, attr);
    }
    veltrane::Font* font = block->fontFor(*block->attrs.front());
    if (!font || font->slotCount() == 0) {
        subject = attr.name;
        error = "no such font (give an installed family or a font file)";
        return false;
    }
    if (!font->error().empty()) {  // found, but its file could not be read
        subject = font->path();
        error = font->error();
        return false;
    }
    block->layout();
    // Lines below the first drop from its baseline; the block is centred on them all.
    double drop = 0;
    for (const auto& c : block->chars) drop = std::max(drop, c->charPosY - block->topBaseline);
    double width = block->maxWidth, height = attr.size + drop;
    block->origin[0] = -block->alignmentOffset();  // every alignment lands centred
    block->origin[1] = -0.35 * attr.size + drop / 2;
    auto* style = new ObjectXStyle(scene, "Text Style");
    style->setPerimeterProfile(options.edge);
    style->setDepth(options.depth);
    if (block->build(style->name()) == 0) {
        subject.clear();
        error = "the text has no characters that can be built";
        return false;
    }
    frameFront(manager, width, height);
    if (!options.animate.empty() &&
        !TitleAnimation::add(scene, *block, options.animate, width, height, options.direction, error)) {
        subject = options.animate;
        return false;
    }
    return true;
}

}  // namespace fw
