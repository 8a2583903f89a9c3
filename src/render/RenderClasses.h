#pragma once
// What the render library adds to the scene at start-up: its member classes, the
// eight view cameras every scene holds, and the camera and lights of a new scene.

namespace fw {

class SceneX;

void registerRenderClasses();
// Adds the view cameras "|CamAlt1", "|CamAlt2", "|CamFront", "|CamBack", "|CamLeft",
// "|CamRight", "|CamTop" and "|CamBottom" where missing.
void addViewCameras(SceneX& scene);
// The camera "dflt_cam" and the lights "Ambient" and "Light 1" of a new scene.
void addNewSceneCameraAndLights(SceneX& scene);

}  // namespace fw
