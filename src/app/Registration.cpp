#include "app/Registration.h"

#include "app/OrvoSceneManager.h"
#include "profile/ProfileRegistration.h"
#include "render/RenderClasses.h"
#include "scene/SceneX.h"
#include "surface/ImageMap.h"
#include "surface/SurfaceClasses.h"
#include "scene/MemberFactory.h"

namespace fw {

void registerAllClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    registerSceneClasses();
    registerSurfaceClasses();
    registerProfileClasses();
    registerRenderClasses();
    OrvoSceneManager::addFixUp([](SceneX& scene) { ImageMap::ensureDefaultBackground(scene); });
    OrvoSceneManager::addFixUp(addViewCameras);
    OrvoSceneManager::addNewSceneMembers(addNewSceneCameraAndLights);
}

}  // namespace fw
