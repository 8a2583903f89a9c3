#include "app/Registration.h"

#include "app/OrvoSceneManager.h"
#include "render/RenderClasses.h"
#include "scene/MemberFactory.h"

namespace fw {

void registerAllClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    registerSceneClasses();
    registerRenderClasses();
    OrvoSceneManager::addFixUp(addViewCameras);
    OrvoSceneManager::addNewSceneMembers(addNewSceneCameraAndLights);
}

}  // namespace fw
