#include "app/TextRanges.h"

#include <map>

#include "app/PresetApply.h"
#include "geometry/ObjectX.h"
#include "geometry/ObjectXStyle.h"
#include "scene/SceneX.h"
#include "surface/MaterialStack.h"
#include "surface/MaterialStackItem.h"
#include "text/TextBlock.h"

namespace fw {

namespace {

bool isBreak(int code) { return code == ' ' || code == '\t' || code == '\r' || code == '\n'; }

// A whole number from `text` at `at`, at least 1.
bool number(const std::string& text, size_t& at, int& value) {
    size_t digits = 0;
    long v = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 7)
        v = v * 10 + (text[at++] - '0'), ++digits;
    value = static_cast<int>(v);
    return digits > 0 && v >= 1;
}

}  // namespace

bool TextRange::parse(const std::string& text, TextRange& range) {
    size_t at = 0;
    range.characters = !text.empty() && text[0] == 'c';
    if (range.characters) ++at;
    if (!number(text, at, range.first)) return false;
    range.last = range.first;
    if (at < text.size() && text[at] == '-') {
        ++at;
        if (!number(text, at, range.last) || range.last < range.first) return false;
    }
    return at == text.size();
}

std::string TextRange::describe() const {
    const std::string what = characters ? "character" : "word";
    if (first == last) return what + " " + std::to_string(first);
    return what + "s " + std::to_string(first) + " to " + std::to_string(last);
}

std::vector<std::string> TextRanges::objects(SceneX& scene, const TextRange& range) {
    std::vector<std::string> names;
    int word = 0, character = 0;
    for (int b = 0; b < scene.memberCount(kTextBlockKind); ++b) {
        auto* block = dynamic_cast<TextBlock*>(scene.member(kTextBlockKind, b));
        if (!block) continue;
        const std::vector<ObjectX*> built = block->builtObjects();
        bool inWord = false;
        for (size_t i = 0; i < block->chars.size(); ++i) {
            const int code = block->chars[i]->code;
            ++character;
            if (isBreak(code)) {
                inWord = false;
                continue;
            }
            if (!inWord) ++word, inWord = true;
            const int index = range.characters ? character : word;
            if (index < range.first || index > range.last) continue;
            if (built[i]) names.push_back(built[i]->name());
        }
        inWord = false;
    }
    return names;
}

void TextRanges::dress(SceneX& scene, const std::vector<std::string>& objects, const std::string& material,
                       const std::string& label) {
    std::map<ObjectXStyle*, std::string> copies;  // the style each object wore, and its copy
    for (const std::string& name : objects) {
        auto* object = dynamic_cast<ObjectX*>(scene.findMember(name));
        ObjectXStyle* style = object ? object->style() : nullptr;
        if (!style) continue;
        auto it = copies.find(style);
        if (it == copies.end()) {
            ObjectXStyle& copy = PresetApply::copyObjectStyle(scene, *style);
            copy.setName(style->name() + " " + label);  // a taken name keeps the unique one it was given
            // The front slots only: they are what a project keeps of a style's materials.
            for (int slot = 0; slot < std::max(1, style->materialSlotCount(false)); ++slot)
                if (MaterialStack* stack = copy.materialStack(slot)) {
                    stack->clear();
                    stack->addItem(material);
                }
            copy.touchCaps();
            it = copies.emplace(style, copy.name()).first;
        }
        object->setStyle(it->second);
    }
    scene.markChanged();
}

std::string TextRanges::faceMaterial(SceneX& scene, const std::vector<std::string>& objects) {
    for (const std::string& name : objects)
        if (auto* object = dynamic_cast<ObjectX*>(scene.findMember(name)))
            if (ObjectXStyle* style = object->style())
                if (MaterialStack* stack = style->materialStack(0); stack && stack->itemCount() > 0)
                    return stack->item(0).materialName();
    return {};
}

}  // namespace fw
