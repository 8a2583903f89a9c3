#include "cli/Looks.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <vector>

#include "app/Console.h"
#include "app/FactoryLibrary.h"
#include "app/OrvoSceneManager.h"
#include "app/PresetApply.h"
#include "app/TextRanges.h"
#include "app/TitleScene.h"
#include "app/VeltraneApp.h"
#include "cli/Documents.h"
#include "geometry/ObjectXStyle.h"
#include "library/MemberCopy.h"
#include "library/OrvoLightManager.h"
#include "library/OrvoLightingStyleManager.h"
#include "library/OrvoMaterialManager.h"
#include "library/OrvoObjectStyleManager.h"
#include "scene/SceneX.h"
#include "surface/MaterialX.h"

namespace fw {

namespace {

// The user's library of a kind, as loaded from the swatch folders (which begin as the
// factory's presets).
OrvoStyleManager& lookLibrary(VeltraneApp& app, FactoryLibrary::Kind kind) {
    switch (kind) {
        case FactoryLibrary::kMaterials: return app.materialManager();
        case FactoryLibrary::kObjectStyles: return app.objectStyleManager();
        case FactoryLibrary::kLights: return app.lightManager();
        default: return app.lightingStyleManager();
    }
}

// The preset of the user's libraries a look option names; empty when there is none of
// that kind and name.
FactoryLibrary::Preset findLook(VeltraneApp& app, FactoryLibrary::Kind kind, const std::string& name) {
    FactoryLibrary::Preset found;
    OrvoStyle* preset = lookLibrary(app, kind).find(name);
    if (!preset) return found;
    if (kind == FactoryLibrary::kLightingStyles) {
        found.lighting = &preset->scene();
    } else if (kind == FactoryLibrary::kMaterials ? dynamic_cast<MaterialX*>(preset->item()) != nullptr
                                                  : dynamic_cast<ObjectXStyle*>(preset->item()) != nullptr) {
        found.member = preset->item();
    }
    return found;
}

// The names a look option may take: an object style option takes edge profiles too.
std::vector<std::string> lookNames(VeltraneApp& app, FactoryLibrary::Kind kind) {
    std::vector<std::string> names = lookLibrary(app, kind).names();
    if (kind == FactoryLibrary::kObjectStyles)
        for (const std::string& edge : TitleScene::edgeNames()) names.push_back(edge);
    return names;
}

}  // namespace

std::string Looks::material() const {
    std::string whole;
    for (const std::string& m : materials)
        if (m.find('@') == std::string::npos) whole = m;
    return whole;
}

void addLookOptions(CLI::App& command, Looks& looks) {
    command.add_option("--material", looks.materials,
                       "a material of the library put on every visible object (\"Polished Gold\", \"Chrome\", "
                       "...; `library list materials` lists them); NAME@N for word N of the text, NAME@N-M for "
                       "words N to M, NAME@cN-M for characters N to M");
    command.add_option("--lighting", looks.lighting,
                       "a lighting style of the library that replaces the lights (\"Three-Point\", \"Sunset\", ...)");
    command.add_option(
        "--style", looks.style,
        "an object style of the library (\"Deep Bevel\", ...) or an edge profile (\"Bevel, Medium\", ...) "
        "for every visible extruded object");
    addFinishOptions(command, looks.finish);
}

bool isEdgeName(const std::string& name) {
    std::vector<std::string> edges = TitleScene::edgeNames();
    return std::find(edges.begin(), edges.end(), name) != edges.end();
}

bool checkLooks(const Looks& looks) {
    if (!checkFinish(looks.finish) || !checkDirecting(looks.directing)) return false;
    if (!looks.any()) return true;
    Session session;
    session.app.loadSwatches();
    struct Option {
        const std::string* name;
        FactoryLibrary::Kind kind;
        const char* what;
    };
    std::vector<Option> options = {{&looks.style, FactoryLibrary::kObjectStyles, "object style or edge profile"},
                                   {&looks.lighting, FactoryLibrary::kLightingStyles, "lighting style"}};
    std::vector<std::string> materials(looks.materials.size());
    for (size_t i = 0; i < materials.size(); ++i) {
        TextRange range;
        std::string error;
        if (!splitRanged(looks.materials[i], materials[i], range, error) && !error.empty()) {
            printError("--material", error);
            return false;
        }
        options.push_back({&materials[i], FactoryLibrary::kMaterials, "material"});
    }
    for (const auto& o : options) {
        if (o.name->empty() || findLook(session.app, o.kind, *o.name)) continue;
        if (o.kind == FactoryLibrary::kObjectStyles && isEdgeName(*o.name)) continue;
        std::vector<std::string> close = FactoryLibrary::closeNames(*o.name, lookNames(session.app, o.kind));
        std::string text =
            std::string("no such ") + o.what + (close.empty() ? "; the library holds none" : "; the closest are");
        for (size_t i = 0; i < close.size(); ++i) text += (i ? ", \"" : " \"") + close[i] + "\"";
        if (o.kind == FactoryLibrary::kObjectStyles) {  // the edges are few and fixed: all of them
            const std::vector<std::string> edges = TitleScene::edgeNames();
            text += "; the edge profiles are";
            for (size_t i = 0; i < edges.size(); ++i) text += (i ? ", \"" : " \"") + edges[i] + "\"";
        }
        printError(*o.name, text);
        return false;
    }
    return true;
}

namespace {

void applyLighting(VeltraneApp& app, const Looks& looks) {
    if (looks.lighting.empty()) return;
    SceneX& scene = *app.sceneManager().scene();
    auto preset = findLook(app, FactoryLibrary::kLightingStyles, looks.lighting);
    PresetApply::lighting(scene, *preset.lighting, PresetApply::lightScale(scene));
}

}  // namespace

bool applyLooks(VeltraneApp& app, const Looks& looks, bool edgeDone) {
    applyFinish(app, looks.finish);
    if (!applyDirecting(*app.sceneManager().scene(), looks.directing)) return false;
    if (!looks.any()) return true;
    app.loadSwatches();
    SceneX& scene = *app.sceneManager().scene();
    if (!looks.style.empty() && !edgeDone) {
        int changed = 0;
        if (auto preset = findLook(app, FactoryLibrary::kObjectStyles, looks.style))
            changed = PresetApply::objectStyle(scene, *dynamic_cast<ObjectXStyle*>(preset.member));
        else
            changed = PresetApply::edgeProfile(scene, looks.style);
        if (changed == 0) printError("--style", "the project has no visible extruded objects to wear it");
    }
    if (const std::string whole = looks.material(); !whole.empty()) {
        int dressed = 0;
        auto preset = findLook(app, FactoryLibrary::kMaterials, whole);
        // The image maps and files the material names come along, as its preset keeps them.
        MemberCopy::copyReferences(preset.member->scene(), *preset.member, scene);
        PresetApply::material(scene, *dynamic_cast<MaterialX*>(preset.member), &dressed);
        if (dressed == 0) printError("--material", "the project has no visible objects to wear it");
    }
    // Words and ranges after the whole, so they stand out from it.
    for (const std::string& typed : looks.materials) {
        std::string name, error;
        TextRange range;
        if (!splitRanged(typed, name, range, error)) continue;
        const std::vector<std::string> objects = TextRanges::objects(scene, range);
        if (objects.empty()) {
            printError("--material", "the text has no " + range.describe());
            return false;
        }
        auto preset = findLook(app, FactoryLibrary::kMaterials, name);
        MemberCopy::copyReferences(preset.member->scene(), *preset.member, scene);
        const std::string material = PresetApply::copyMaterial(scene, *dynamic_cast<MaterialX*>(preset.member)).name();
        TextRanges::dress(scene, objects, material, typed.substr(typed.rfind('@')));
    }
    applyLighting(app, looks);
    return true;
}

bool applyLooksToStyles(VeltraneApp& app, const Looks& looks, const std::vector<std::string>& styles) {
    for (const std::string& typed : looks.materials)
        if (typed.find('@') != std::string::npos) {
            printError("--material",
                       "a word or a range belongs to a title (`text` or `render`), not to artwork "
                       "added to a project");
            return false;
        }
    applyFinish(app, looks.finish);
    if (!looks.any()) return true;
    app.loadSwatches();
    SceneX& scene = *app.sceneManager().scene();
    if (const std::string whole = looks.material(); !whole.empty()) {
        auto preset = findLook(app, FactoryLibrary::kMaterials, whole);
        MemberCopy::copyReferences(preset.member->scene(), *preset.member, scene);
        const std::string name = PresetApply::copyMaterial(scene, *dynamic_cast<MaterialX*>(preset.member)).name();
        for (const std::string& styleName : styles)
            if (auto* style = dynamic_cast<ObjectXStyle*>(scene.findMember(styleName))) {
                for (int slot = 0; slot < ObjectXStyle::kMaterialSlots; ++slot) style->setSlotMaterial(slot, name);
                style->touchCaps();
            }
    }
    applyLighting(app, looks);
    return true;
}

}  // namespace fw
