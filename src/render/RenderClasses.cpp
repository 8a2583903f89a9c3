#include "render/RenderClasses.h"

#include "render/CameraX.h"
#include "render/LightX.h"
#include "scene/MemberFactory.h"
#include "scene/SceneX.h"

namespace fw {

void registerRenderClasses() {
    MemberFactory& factory = MemberFactory::instance();
    factory.add("CameraX", "camera%d", [](Scene& scene, const char* name) -> SceneMember* {
        return new CameraX(scene, name);
    });
    factory.add("LightX", "light%d", [](Scene& scene, const char* name) -> SceneMember* {
        return new LightX(scene, name);
    });
}

void addViewCameras(SceneX& scene) {
    struct View {
        const char* name;
        double leftRight, upDown;
        bool orthographic;
    };
    // Orbiting the origin: the six axis views flat, the two alternates in perspective.
    const View kViews[] = {{"|CamAlt1", 30, -20, false}, {"|CamAlt2", -30, -20, false},
                           {"|CamFront", 0, 0, true},    {"|CamBack", 180, 0, true},
                           {"|CamLeft", -90, 0, true},   {"|CamRight", 90, 0, true},
                           {"|CamTop", 0, -90, true},    {"|CamBottom", 0, 90, true}};
    for (const View& view : kViews) {
        if (scene.findMember(view.name)) continue;
        auto* camera = new CameraX(scene, view.name);
        camera->setMode(Camera::kOrbit);
        camera->tumbleLeftRight = view.leftRight;
        camera->tumbleUpDown = view.upDown;
        camera->setProjection(view.orthographic ? Camera::kOrthographic : Camera::kPerspective);
    }
}

void addNewSceneCameraAndLights(SceneX& scene) {
    if (!scene.findMember("dflt_cam")) {
        auto* camera = new CameraX(scene, "dflt_cam");
        camera->translate[2] = 100;  // on the +Z axis, looking at the origin
    }
    if (!scene.findMember("Ambient")) {
        auto* ambient = new LightX(scene, "Ambient");
        ambient->setType(Light::kAmbient);
        ambient->setFalloff(Light::kNone);
        ambient->color[0] = ambient->color[1] = ambient->color[2] = 0.25f;
        ambient->intensity = 1.0;
    }
    if (!scene.findMember("Light 1")) {
        auto* key = new LightX(scene, "Light 1");
        key->setType(Light::kPoint);
        key->setFalloff(Light::kNone);
        key->intensity = 0.8;
        key->translate[0] = 60;
        key->translate[1] = 80;
        key->translate[2] = 100;
    }
}

}  // namespace fw
