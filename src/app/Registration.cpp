#include "app/Registration.h"

#include "scene/MemberFactory.h"

namespace fw {

void registerAllClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    registerSceneClasses();
}

}  // namespace fw
