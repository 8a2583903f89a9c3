#include "app/TextBatches.h"

#include <algorithm>
#include <filesystem>

#include "app/OrvoSceneManager.h"
#include "app/TitleAnimation.h"
#include "app/TitleScene.h"
#include "anim/AnimTrack.h"
#include "geometry/ObjectX.h"
#include "scene/SceneX.h"
#include "text/Font.h"
#include "text/ProfileT.h"
#include "text/TextBlock.h"

namespace fw {

bool TextBatches::load(OrvoSceneManager& manager, const std::string& projectPath, std::string& subject,
                       std::string& error) {
    files_.clear();
    const auto& settings = manager.settings();
    if (settings.textVariableFile.empty()) {
        subject = projectPath;
        error = "has no variable file (give one with `text ... --variables FILE`, or set TextVariableFile)";
        return false;
    }
    std::vector<std::string> names{settings.textVariableFile};
    names.insert(names.end(), settings.textVariableFileBatches.begin(), settings.textVariableFileBatches.end());
    const std::filesystem::path folder = std::filesystem::path(projectPath).parent_path();
    for (const std::string& name : names) {
        std::filesystem::path path(name);
        if (path.is_relative()) path = folder / path;
        TextVariableFile file;
        if (!file.read(path.string(), error)) {
            subject = path.string();
            return false;
        }
        files_.push_back(std::move(file));
    }
    if (count() == 0) {
        subject = names.front();
        error = "has no rows below its header: there is no batch to render";
        return false;
    }
    return true;
}

int TextBatches::count() const {
    size_t rows = 0;
    for (const TextVariableFile& file : files_) rows += file.rows.size();
    return static_cast<int>(rows);
}

std::vector<std::u16string> TextBatches::values(int batch) const {
    for (const TextVariableFile& file : files_) {
        if (batch >= 1 && batch <= static_cast<int>(file.rows.size())) return file.values(batch);
        batch -= static_cast<int>(file.rows.size());
    }
    return {};
}

std::string TextBatches::label(int batch) const {
    for (const TextVariableFile& file : files_) {
        if (batch >= 1 && batch <= static_cast<int>(file.rows.size()))
            return file.rows[static_cast<size_t>(batch - 1)].empty() ? "" : file.rows[static_cast<size_t>(batch - 1)][0];
        batch -= static_cast<int>(file.rows.size());
    }
    return {};
}

std::string TextBatches::recorded(const std::string& path) {
    std::error_code failed;
    std::filesystem::path absolute = std::filesystem::absolute(path, failed);
    return failed ? path : absolute.lexically_normal().string();
}

namespace {

// How far the lines below the first drop from its baseline.
double dropOf(const TextBlock& block) {
    double drop = 0;
    for (const auto& c : block.chars) drop = std::max(drop, c->charPosY - block.topBaseline);
    return drop;
}

double sizeOf(const TextBlock& block) { return block.attrs.empty() ? TitleScene::kTextSize : block.attrs.front()->size; }

// Removes the outlines and objects built for the block's characters; the style they
// were built with, empty when there were none.
std::string removeCharacters(SceneX& scene, TextBlock& block) {
    std::vector<SceneMember*> profiles, objects;
    std::vector<std::string> faces;
    for (int k = 0; k < scene.memberCount(kProfileKind); ++k) {
        auto* p = dynamic_cast<ProfileT*>(scene.member(kProfileKind, k));
        if (p && p->textBlock == block.name()) profiles.push_back(p), faces.push_back(p->name());
    }
    std::string style;
    for (int k = 0; k < scene.memberCount(kObjectKind); ++k) {
        auto* o = dynamic_cast<ObjectX*>(scene.member(kObjectKind, k));
        if (o && std::find(faces.begin(), faces.end(), o->faceName()) != faces.end()) {
            if (style.empty()) style = o->styleName();
            objects.push_back(o);
        }
    }
    for (SceneMember* o : objects) delete o;
    for (SceneMember* p : profiles) delete p;
    return style;
}

}  // namespace

int TextBatches::apply(OrvoSceneManager& manager, const std::vector<std::u16string>& values, std::string& error) {
    SceneX& scene = *manager.scene();
    std::vector<TextBlock*> blocks;
    for (int k = 0; k < scene.memberCount(kTextBlockKind); ++k) {
        auto* block = dynamic_cast<TextBlock*>(scene.member(kTextBlockKind, k));
        if (block && !block->editorTextBlock.empty() && dynamic_cast<TextBlock*>(scene.findMember(block->editorTextBlock)))
            blocks.push_back(block);
    }
    if (blocks.empty()) {
        error = "has a variable file but no text with variables (a text block built from an editor block)";
        return -1;
    }
    for (int k = 0; k < scene.memberCount(kAnimTrackKind); ++k)
        if (auto* track = dynamic_cast<AnimTrack*>(scene.member(kAnimTrackKind, k)))
            for (auto& segment : track->segments)
                if (segment->fragmentation.enabled) {
                    error = "breaks its letters into fragments, which batches cannot yet rebuild for each row";
                    return -1;
                }
    int built = 0;
    // The tracks follow the block by name and its characters by index: each row's
    // letters are timed again for their count, keeping each one's motion and stagger.
    const auto rebuild = [&] {
        for (TextBlock* block : blocks) {
            auto* editor = dynamic_cast<TextBlock*>(scene.findMember(block->editorTextBlock));
            const double size = sizeOf(*block);
            // Was the width the text's own, or a wrap width? Laid out afresh, an own width comes back.
            const int storedWidth = block->maxWidth;
            block->maxWidth = 0;
            block->layout();
            const bool ownWidth = block->maxWidth == storedWidth;
            block->maxWidth = storedWidth;
            block->layout();
            const double oldAlign = block->alignmentOffset(), oldDrop = dropOf(*block);
            const bool framed = TitleScene::framedFront(manager, block->maxWidth, size + oldDrop);
            std::string style = removeCharacters(scene, *block);
            block->resolveVariables(*editor, values);
            block->fonts.clear();  // a font is loaded with the characters it must draw: the new ones
            block->maxWidth = ownWidth ? 0 : storedWidth;
            block->layout();
            const double drop = dropOf(*block);
            // The block keeps its middle: the alignment offset and half the drop move with the text.
            block->origin[0] += oldAlign - block->alignmentOffset();
            block->origin[1] += (drop - oldDrop) / 2;
            built += block->build(style.empty() ? "defaultObjXStyle" : style);
            if (framed) TitleScene::frameFront(manager, block->maxWidth, size + drop);
        }
    };
    if (!TitleAnimation::direct(scene, {}, error, rebuild)) return -1;
    scene.markChanged();
    return built;
}

}  // namespace fw
