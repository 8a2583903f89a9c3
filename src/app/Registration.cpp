#include "app/Registration.h"

#include "app/FlagCaps.h"

#include "anim/AnimClasses.h"
#include "flag/FlagCluster.h"
#include "app/OrvoSceneManager.h"
#include "geometry/GeometryClasses.h"
#include "geometry/ObjectXStyle.h"
#include "profile/ProfileRegistration.h"
#include "render/RenderClasses.h"
#include "scene/SceneX.h"
#include "surface/ImageMap.h"
#include "surface/MaterialX.h"
#include "surface/SurfaceClasses.h"
#include "text/TextClasses.h"
#include "scene/MemberFactory.h"
#include "scene/StandInMember.h"

namespace fw {

void registerAllClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    registerSceneClasses();
    registerSurfaceClasses();
    registerProfileClasses();
    registerGeometryClasses();
    registerTextClasses();
    registerRenderClasses();
    registerAnimClasses();
    registerFlagClasses();
    FlagCaps::install();
    // Last: only classes that no subsystem reads yet get a stand-in.
    StandInMember::registerMissing();
    OrvoSceneManager::addFixUp([](SceneX& scene) { ensureDefaultMaterial(scene); });
    OrvoSceneManager::addFixUp([](SceneX& scene) { ImageMap::ensureDefaultBackground(scene); });
    OrvoSceneManager::addFixUp([](SceneX& scene) { ObjectXStyle::ensureDefault(scene); });
    OrvoSceneManager::addFixUp(addViewCameras);
    OrvoSceneManager::addNewSceneMembers(addNewSceneCameraAndLights);
}

}  // namespace fw
