#include "surface/SurfaceClasses.h"

#include "scene/MemberFactory.h"
#include "surface/ImageFile.h"
#include "surface/ImageMap.h"
#include "surface/MaterialX.h"

namespace fw {

void registerSurfaceClasses() {
    MemberFactory& factory = MemberFactory::instance();
    factory.add("ImageMap", "imagemap%d",
                [](Scene& scene, const char* name) -> SceneMember* { return new ImageMap(scene, name); });
    factory.add("ImageFile", "imagefile%d",
                [](Scene& scene, const char* name) -> SceneMember* { return new ImageFile(scene, name); });
    factory.add("MaterialX", "material%d",
                [](Scene& scene, const char* name) -> SceneMember* { return new MaterialX(scene, name); });
}

}  // namespace fw
