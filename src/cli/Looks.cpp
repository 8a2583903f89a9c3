#include "cli/Looks.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <vector>

#include "app/Console.h"
#include "app/FactoryLibrary.h"
#include "app/OrvoSceneManager.h"
#include "app/PresetApply.h"
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

void addLookOptions(CLI::App& command, Looks& looks) {
    command.add_option("--material", looks.material,
                       "a material of the library put on every visible object (\"Polished Gold\", \"Chrome\", "
                       "...; `library list materials` lists them)");
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
    if (!checkFinish(looks.finish)) return false;
    if (!looks.any()) return true;
    Session session;
    session.app.loadSwatches();
    const struct {
        const std::string* name;
        FactoryLibrary::Kind kind;
        const char* what;
    } options[] = {{&looks.style, FactoryLibrary::kObjectStyles, "object style or edge profile"},
                   {&looks.material, FactoryLibrary::kMaterials, "material"},
                   {&looks.lighting, FactoryLibrary::kLightingStyles, "lighting style"}};
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

void applyLooks(VeltraneApp& app, const Looks& looks, bool edgeDone) {
    applyFinish(app, looks.finish);
    if (!looks.any()) return;
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
    if (!looks.material.empty()) {
        int dressed = 0;
        auto preset = findLook(app, FactoryLibrary::kMaterials, looks.material);
        // The image maps and files the material names come along, as its preset keeps them.
        MemberCopy::copyReferences(preset.member->scene(), *preset.member, scene);
        PresetApply::material(scene, *dynamic_cast<MaterialX*>(preset.member), &dressed);
        if (dressed == 0) printError("--material", "the project has no visible objects to wear it");
    }
    applyLighting(app, looks);
}

void applyLooksToStyles(VeltraneApp& app, const Looks& looks, const std::vector<std::string>& styles) {
    applyFinish(app, looks.finish);
    if (!looks.any()) return;
    app.loadSwatches();
    SceneX& scene = *app.sceneManager().scene();
    if (!looks.material.empty()) {
        auto preset = findLook(app, FactoryLibrary::kMaterials, looks.material);
        MemberCopy::copyReferences(preset.member->scene(), *preset.member, scene);
        const std::string name = PresetApply::copyMaterial(scene, *dynamic_cast<MaterialX*>(preset.member)).name();
        for (const std::string& styleName : styles)
            if (auto* style = dynamic_cast<ObjectXStyle*>(scene.findMember(styleName))) {
                for (int slot = 0; slot < ObjectXStyle::kMaterialSlots; ++slot) style->setSlotMaterial(slot, name);
                style->touchCaps();
            }
    }
    applyLighting(app, looks);
}

}  // namespace fw
