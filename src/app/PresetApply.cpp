#include "app/PresetApply.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "app/RenderJob.h"
#include "flag/FlagCluster.h"
#include "geometry/ObjectP.h"
#include "geometry/ObjectX.h"
#include "geometry/ObjectXStyle.h"
#include "render/Camera.h"
#include "render/DrawList.h"
#include "render/LightX.h"
#include "scene/SceneX.h"
#include "surface/MaterialChannelColor.h"
#include "surface/MaterialStack.h"
#include "surface/MaterialX.h"
#include "surface/ShaderBlock.h"
#include "surface/ShaderImage.h"

namespace fw {

namespace {

template <class T>
std::vector<T*> visibleObjects(SceneX& project) {
    std::vector<T*> out;
    for (int i = 0; i < project.memberCount(kObjectKind); ++i)
        if (auto* object = dynamic_cast<T*>(project.member(kObjectKind, i)))
            if (DrawList::visible(*object)) out.push_back(object);
    return out;
}

void wear(MaterialStack& stack, const std::string& material) {
    stack.clear();
    stack.addItem(material);
}

// `material`, or where the cloth wears a picture, a copy of it under the picture.
std::string printedCopy(SceneX& project, ObjectP& cloth, const std::string& material) {
    MaterialStack* stack = cloth.materialStack(0);
    auto* worn = stack && stack->itemCount() > 0
                     ? dynamic_cast<MaterialX*>(project.findMember(stack->item(0).materialName()))
                     : nullptr;
    const int layer = worn ? worn->colorChannel().findImageLayer() : -1;
    auto* picture = layer >= 0 ? dynamic_cast<ShaderImage*>(worn->colorChannel().layer(layer).rgbShader()) : nullptr;
    const auto* preset = dynamic_cast<MaterialX*>(project.findMember(material));
    if (!picture || !preset) return material;
    auto* printed = new MaterialX(project, (material + " Print").c_str());
    printed->copyFrom(*preset);
    // On top of the material's own colour layers, the same image map.
    ShaderBlock& top = printed->colorChannel().addLayer(0);
    top.setShader(ShaderBlock::kRgbSlot, std::make_unique<ShaderImage>(&project));
    static_cast<ShaderImage*>(top.rgbShader())->setImage(picture->image());
    return printed->name();
}

}  // namespace

MaterialX& PresetApply::copyMaterial(SceneX& project, const MaterialX& preset) {
    // Applying the same preset twice leaves one copy.
    if (auto* same = dynamic_cast<MaterialX*>(project.findMember(preset.name())))
        if (same->equals(preset) && same->ignoresLighting == preset.ignoresLighting) return *same;
    auto* copy = new MaterialX(project, preset.name().c_str());
    copy->copyFrom(preset);
    return *copy;
}

std::string PresetApply::material(SceneX& project, const MaterialX& preset, int* objects) {
    const std::string name = copyMaterial(project, preset).name();
    int dressed = 0;
    std::vector<ObjectXStyle*> styles;
    for (ObjectX* object : visibleObjects<ObjectX>(project)) {
        ObjectXStyle* style = object->style();
        if (!style) continue;
        ++dressed;
        if (std::find(styles.begin(), styles.end(), style) == styles.end()) styles.push_back(style);
    }
    // A style's material is shared by every object wearing it.
    for (ObjectXStyle* style : styles) {
        for (bool back : {false, true}) {
            int slots = std::max(1, style->materialSlotCount(back));
            for (int slot = 0; slot < slots; ++slot) wear(*style->materialStack(slot, back), name);
        }
        style->touchCaps();
    }
    // A flag is dressed in its cloth, never its pole and caps; a printed cloth keeps its
    // print over the material, which gives it the rest of its look.
    std::vector<ObjectP*> flagParts;
    std::string print;
    for (int i = 0; i < project.memberCount(kObjectKind); ++i)
        if (auto* flag = dynamic_cast<FlagCluster*>(project.member(kObjectKind, i)))
            for (int m = 0; m < flag->memberCount(); ++m)
                if (auto* part = dynamic_cast<ObjectP*>(flag->member(m))) flagParts.push_back(part);
    for (ObjectP* object : visibleObjects<ObjectP>(project)) {
        if (object->type() == ObjectP::kNull || object->type() == ObjectP::kGroupNull) continue;
        if (std::find(flagParts.begin(), flagParts.end(), object) != flagParts.end()) {
            auto* flag = dynamic_cast<FlagCluster*>(object->parent());
            if (!flag || flag->cloth() != object) continue;
            const std::string worn = printedCopy(project, *object, name);
            for (int slot = 0; slot < std::max(1, object->materialSlotCount()); ++slot)
                wear(*object->materialStack(slot), worn);
            // The cluster hands its slots to its parts again when it is rebuilt.
            wear(*flag->materialStack(0), worn);
            ++dressed;
            continue;
        }
        int slots = std::max(1, object->materialSlotCount());
        for (int slot = 0; slot < slots; ++slot) wear(*object->materialStack(slot), name);
        ++dressed;
    }
    project.markChanged();
    if (objects) *objects = dressed;
    return name;
}

ObjectXStyle& PresetApply::copyObjectStyle(SceneX& project, const ObjectXStyle& preset) {
    auto* copy = new ObjectXStyle(project, preset.name().c_str(), preset.parts());
    copy->kind = preset.kind;
    copy->trackProfile = preset.trackProfile;
    copy->trackXScale = preset.trackXScale;
    copy->trackProperties = preset.trackProperties;
    copy->setPerimeterProfile(preset.perimeterProfileName());
    if (!preset.trackProfile) copy->setHoleProfile(preset.holeProfileName());
    copy->setPerimeterXScale(preset.perimeterXScale());
    if (!preset.trackXScale) copy->setHoleXScale(preset.holeXScale());
    copy->setDepth(preset.depth());
    copy->setFrontFaceOffset(preset.frontFaceOffset());
    copy->frontMaterialIndex = preset.frontMaterialIndex;
    copy->backMaterialIndex = preset.backMaterialIndex;
    copy->mitreMethod = preset.mitreMethod;
    copy->spikeAngle = preset.spikeAngle;
    copy->pullBackDistance = preset.pullBackDistance;
    copy->headCapType = preset.headCapType, copy->tailCapType = preset.tailCapType;
    copy->headCapScale = preset.headCapScale, copy->headCapOffset = preset.headCapOffset;
    copy->tailCapScale = preset.tailCapScale, copy->tailCapOffset = preset.tailCapOffset;
    copy->buildAxis = preset.buildAxis;
    copy->perimeterProperties = preset.perimeterProperties;
    copy->holeProperties = preset.holeProperties;
    copy->buildAngleStart = preset.buildAngleStart, copy->buildAngleEnd = preset.buildAngleEnd;
    return *copy;
}

int PresetApply::objectStyle(SceneX& project, const ObjectXStyle& preset) {
    std::map<ObjectXStyle*, std::string> copies;  // the style worn before, its replacement
    int changed = 0;
    for (ObjectX* object : visibleObjects<ObjectX>(project)) {
        ObjectXStyle* old = object->style();
        auto it = copies.find(old);
        if (it == copies.end()) {
            ObjectXStyle& copy = copyObjectStyle(project, preset);
            // The look stays: only the shape comes from the preset.
            if (old)
                for (bool back : {false, true})
                    for (int slot = 0; slot < old->materialSlotCount(back); ++slot)
                        *copy.materialStack(slot, back) = *old->materialStack(slot, back);
            it = copies.emplace(old, copy.name()).first;
        }
        object->setStyle(it->second);
        ++changed;
    }
    project.markChanged();
    return changed;
}

int PresetApply::edgeProfile(SceneX& project, const std::string& profile) {
    std::vector<ObjectXStyle*> styles;
    int changed = 0;
    for (ObjectX* object : visibleObjects<ObjectX>(project))
        if (ObjectXStyle* style = object->style()) {
            ++changed;
            if (std::find(styles.begin(), styles.end(), style) == styles.end()) styles.push_back(style);
        }
    for (ObjectXStyle* style : styles) style->setPerimeterProfile(profile);
    project.markChanged();
    return changed;
}

double PresetApply::lightScale(SceneX& project) {
    Camera* camera = RenderJob::camera(project);
    if (!camera) return 100.0;
    glm::dvec3 position(camera->cameraToWorld()[3]);
    double distance = glm::length(position);
    return distance > 1e-6 ? distance : 100.0;
}

Light& PresetApply::addLight(SceneX& project, const Light& preset, double scale) {
    auto* light = new LightX(project, preset.name().c_str());
    light->setType(preset.type());
    light->setFalloff(preset.falloff());
    std::copy(preset.color, preset.color + 4, light->color);
    light->intensity = preset.intensity;
    light->shadow = preset.shadow;
    light->shadowSoftness = preset.shadowSoftness;
    light->shadowDarkness = preset.shadowDarkness;
    light->shadowMapXRes = preset.shadowMapXRes, light->shadowMapYRes = preset.shadowMapYRes;
    light->spotInnerCos = preset.spotInnerCos, light->spotOuterCos = preset.spotOuterCos;
    light->lightDistance = preset.lightDistance;
    light->setMode(preset.mode());
    for (int i = 0; i < 3; ++i) {
        light->eye[i] = preset.eye[i] * scale;
        light->target[i] = preset.target[i] * scale;
        light->translate[i] = preset.translate[i] * scale;
        light->rotate[i] = preset.rotate[i];
    }
    light->distance = preset.distance * scale;
    project.markChanged();
    return *light;
}

void PresetApply::lighting(SceneX& project, SceneX& style, double scale) {
    bool ownAmbient = false;
    for (int i = 0; i < style.memberCount(kLightKind); ++i)
        if (auto* light = dynamic_cast<Light*>(style.member(kLightKind, i)))
            ownAmbient = ownAmbient || light->type() == Light::kAmbient;
    std::vector<Light*> gone;
    for (int i = 0; i < project.memberCount(kLightKind); ++i)
        if (auto* light = dynamic_cast<Light*>(project.member(kLightKind, i)))
            if (ownAmbient || light->type() != Light::kAmbient) gone.push_back(light);
    for (Light* light : gone) delete light;
    for (int i = 0; i < style.memberCount(kLightKind); ++i)
        if (auto* light = dynamic_cast<Light*>(style.member(kLightKind, i))) addLight(project, *light, scale);
    project.markChanged();
}

}  // namespace fw
