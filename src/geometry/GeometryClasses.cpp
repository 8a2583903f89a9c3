#include "geometry/GeometryClasses.h"

#include "geometry/ObjectP.h"
#include "geometry/ObjectX.h"
#include "geometry/ObjectXStyle.h"
#include "scene/MemberFactory.h"

namespace fw {

void registerGeometryClasses() {
    MemberFactory& factory = MemberFactory::instance();
    factory.add("ObjectX", "object%d", [](Scene& scene, const char* name) -> SceneMember* {
        return new ObjectX(scene, name);
    });
    factory.add("ObjectP", "object%d", [](Scene& scene, const char* name) -> SceneMember* {
        return new ObjectP(scene, name);
    });
    factory.add("ObjectXStyle", "objectstyle%d", [](Scene& scene, const char* name) -> SceneMember* {
        return new ObjectXStyle(scene, name);
    });
}

}  // namespace fw
