#include "app/SwatchRenderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/OrvoPrefs.h"
#include "app/OrvoSceneManager.h"
#include "app/PresetApply.h"
#include "app/RenderJob.h"
#include "app/TitleScene.h"
#include "geometry/ObjectP.h"
#include "geometry/ObjectXStyle.h"
#include "platform/MathConstants.h"
#include "render/CameraX.h"
#include "render/LightX.h"
#include "scene/SceneX.h"
#include "surface/MaterialChannelColor.h"
#include "surface/MaterialChannelSpecular.h"
#include "surface/MaterialX.h"
#include "surface/Picture.h"
#include "surface/ShaderGrid.h"

namespace fw {

namespace {

constexpr double kSphereRadius = 50;
constexpr const char* kFixedLighting = "Three-Point";
// The look a style swatch and a light swatch wear.
constexpr const char* kStyleLook = "Brushed Steel";
constexpr const char* kNeutralName = "Swatch Neutral";

MaterialX& neutral(SceneX& scene, const char* name, float grey, double specular) {
    auto* m = new MaterialX(scene, name);
    m->colorChannel().setColor(grey, grey, grey);
    m->specularChannel().brightness = specular;
    m->specularChannel().sharpness = 30;
    return *m;
}

// The camera looks at the origin from `direction` (normalised here), far enough
// back that a subject of `radius` fills the picture's narrow side.
void aim(Camera& camera, glm::dvec3 direction, double radius, int width, int height) {
    double aspect = static_cast<double>(width) / std::max(1, height);
    double half = std::atan(std::tan(camera.fieldOfView() * kPi / 360) / std::max(1.0, aspect));
    double distance = radius / std::sin(half) * 1.08;
    camera.setMode(Camera::kLookAt);
    glm::dvec3 eye = glm::normalize(direction) * distance;
    for (int i = 0; i < 3; ++i) camera.eye[i] = camera.translate[i] = eye[i], camera.target[i] = 0;
}

}  // namespace

SwatchRenderer::SwatchRenderer()
    : prefs_(std::make_unique<OrvoPrefs>()), manager_(std::make_unique<OrvoSceneManager>(*prefs_)) {}

SwatchRenderer::~SwatchRenderer() = default;

bool SwatchRenderer::stage(Subject subject, int width, int height, std::string& error) {
    if (width <= 0 || height <= 0) {
        error = "a swatch needs a width and a height above 0";
        return false;
    }
    manager_->newScene();
    SceneX& scene = *manager_->scene();
    auto& settings = manager_->settings();
    settings.renderSize[0] = width, settings.renderSize[1] = height;
    settings.backgroundColor[0] = settings.backgroundColor[1] = 0.16, settings.backgroundColor[2] = 0.18;
    settings.useAlphaMask = 0, settings.useBackgroundMedia = 0;
    double radius = kSphereRadius;
    if (subject != kSphere) {
        TitleScene::Options options;
        options.text.assign(1, u'A');
        options.width = width, options.height = height;
        std::string subjectName;
        if (!TitleScene::build(*manager_, options, subjectName, error)) {
            if (!subjectName.empty()) error = subjectName + ": " + error;
            return false;
        }
        radius = TitleScene::kTextSize * 0.45;
    }
    // A start-up scene of the user's may hold anything: only the camera is kept.
    std::vector<SceneMember*> gone;
    for (int i = 0; i < scene.memberCount(kLightKind); ++i) gone.push_back(scene.member(kLightKind, i));
    if (subject == kSphere)
        for (int i = 0; i < scene.memberCount(kObjectKind); ++i) gone.push_back(scene.member(kObjectKind, i));
    for (SceneMember* member : gone) delete member;
    auto* camera = dynamic_cast<Camera*>(scene.findMember("dflt_cam"));
    if (!camera) camera = new CameraX(scene, "dflt_cam");
    if (subject == kSphere) {
        auto* sphere = new ObjectP(scene, "Swatch Sphere");
        sphere->setType(ObjectP::kSphere);
        sphere->setSize(0, 2 * kSphereRadius);
        // A checked backdrop, so that what is seen through a glass or mirrored tells.
        auto* backdrop = new ObjectP(scene, "Swatch Backdrop");
        backdrop->setType(ObjectP::kSlab);
        backdrop->setSize(0, 12 * kSphereRadius), backdrop->setSize(1, 12 * kSphereRadius), backdrop->setSize(2, 4);
        backdrop->translate[2] = -2.2 * kSphereRadius;
        auto* checks = new MaterialX(scene, "Swatch Checks");
        auto grid = std::make_unique<ShaderGrid>();
        grid->hWidth = grid->vWidth = 5, grid->hLineSpacing = grid->vLineSpacing = 10;
        const float dark[4] = {0.3f, 0.3f, 0.32f, 1}, light[4] = {0.62f, 0.62f, 0.6f, 1};
        std::copy(dark, dark + 4, grid->hColor), std::copy(dark, dark + 4, grid->vColor);
        std::copy(light, light + 4, grid->fillColor);
        grid->notifyChange();
        checks->colorChannel().addLayer().setShader(ShaderBlock::kRgbSlot, std::move(grid));
        checks->specularChannel().brightness = 0;
        backdrop->setSlotMaterial(0, checks->name());
        aim(*camera, {0, 0.12, 1}, kSphereRadius, width, height);
    } else {
        aim(*camera, {0.35, 0.3, 1}, radius, width, height);
    }
    if (subject == kLetterOnFloor) {
        auto* floor = new ObjectP(scene, "Swatch Floor");
        floor->setType(ObjectP::kFloor);
        floor->setSize(0, 2000), floor->setSize(1, 2000);
        floor->translate[1] = -0.36 * TitleScene::kTextSize;
        floor->setSlotMaterial(0, neutral(scene, "Swatch Floor Grey", 0.55f, 0.05).name());
    }
    auto* ambient = new LightX(scene, "Ambient");
    ambient->setType(Light::kAmbient);
    ambient->color[0] = ambient->color[1] = ambient->color[2] = 0.08f;
    return true;
}

bool SwatchRenderer::shoot(int width, int height, Picture& out, std::string& error) {
    std::string reported;
    RenderJob job(*manager_, [&](const std::string& subject, const std::string& what) {
        if (reported.empty()) reported = subject.empty() ? what : subject + ": " + what;
    });
    RenderImage image;
    if (!job.configure("", std::nullopt, "gl") || job.renderImage(0, image, "swatch") != 0 || image.width != width ||
        image.height != height) {
        error = reported.empty() ? "the swatch could not be rendered" : reported;
        return false;
    }
    out.resize(width, height);
    for (size_t i = 0; i < image.rgba.size(); i += 4) {
        std::copy(&image.rgba[i], &image.rgba[i] + 3, &out.pixels()[i]);
        out.pixels()[i + 3] = 255;
    }
    return true;
}

bool SwatchRenderer::material(const MaterialX& preset, int width, int height, Picture& out, std::string& error) {
    if (!stage(kSphere, width, height, error)) return false;
    SceneX& scene = *manager_->scene();
    auto* sphere = dynamic_cast<ObjectP*>(scene.findMember("Swatch Sphere"));
    sphere->setSlotMaterial(0, PresetApply::copyMaterial(scene, preset).name());
    FactoryLibrary::Preset lights = FactoryLibrary::findPreset(FactoryLibrary::kLightingStyles, kFixedLighting);
    PresetApply::lighting(scene, *lights.lighting, PresetApply::lightScale(scene));
    return shoot(width, height, out, error);
}

bool SwatchRenderer::objectStyle(const ObjectXStyle& preset, int width, int height, Picture& out,
                                 std::string& error) {
    if (!stage(kLetter, width, height, error)) return false;
    SceneX& scene = *manager_->scene();
    PresetApply::objectStyle(scene, preset);
    FactoryLibrary::Preset look = FactoryLibrary::findPreset(FactoryLibrary::kMaterials, kStyleLook);
    PresetApply::material(scene, *dynamic_cast<MaterialX*>(look.member));
    FactoryLibrary::Preset lights = FactoryLibrary::findPreset(FactoryLibrary::kLightingStyles, kFixedLighting);
    PresetApply::lighting(scene, *lights.lighting, PresetApply::lightScale(scene));
    return shoot(width, height, out, error);
}

SceneX* SwatchRenderer::stageNeutralLetter(int width, int height, std::string& error) {
    if (!stage(kLetterOnFloor, width, height, error)) return nullptr;
    SceneX& scene = *manager_->scene();
    auto* letter = dynamic_cast<ObjectXStyle*>(scene.findMember("Text Style"));
    if (letter) letter->setSlotMaterial(0, neutral(scene, kNeutralName, 0.8f, 0.3).name());
    return &scene;
}

bool SwatchRenderer::light(const Light& preset, int width, int height, Picture& out, std::string& error) {
    SceneX* scene = stageNeutralLetter(width, height, error);
    if (!scene) return false;
    PresetApply::addLight(*scene, preset, PresetApply::lightScale(*scene));
    return shoot(width, height, out, error);
}

bool SwatchRenderer::lighting(SceneX& style, int width, int height, Picture& out, std::string& error) {
    SceneX* scene = stageNeutralLetter(width, height, error);
    if (!scene) return false;
    PresetApply::lighting(*scene, style, PresetApply::lightScale(*scene));
    return shoot(width, height, out, error);
}

bool SwatchRenderer::preset(FactoryLibrary::Kind kind, const std::string& name, int width, int height, Picture& out,
                            std::string& error) {
    FactoryLibrary::Preset found = FactoryLibrary::findPreset(kind, name);
    if (!found) {
        error = "no such preset: " + name;
        return false;
    }
    switch (kind) {
        case FactoryLibrary::kMaterials:
            return material(*dynamic_cast<MaterialX*>(found.member), width, height, out, error);
        case FactoryLibrary::kObjectStyles:
            return objectStyle(*dynamic_cast<ObjectXStyle*>(found.member), width, height, out, error);
        case FactoryLibrary::kLights:
            return light(*dynamic_cast<Light*>(found.member), width, height, out, error);
        default:
            return lighting(*found.lighting, width, height, out, error);
    }
}

}  // namespace fw
