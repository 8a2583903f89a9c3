#include "profile/ProfileRegistration.h"

#include "profile/ProfileI.h"
#include "profile/ProfileL.h"
#include "profile/ProfileM.h"
#include "scene/MemberFactory.h"

namespace fw {

void registerProfileClasses() {
    MemberFactory& factory = MemberFactory::instance();
    factory.add("ProfileI", "profile%d", [](Scene& scene, const char* name) -> SceneMember* {
        return new ProfileI(scene, name);
    });
    factory.add("ProfileM", "profile%d", [](Scene& scene, const char* name) -> SceneMember* {
        return new ProfileM(scene, name);
    });
    factory.add("ProfileL", "profile%d", [](Scene& scene, const char* name) -> SceneMember* {
        return new ProfileL(scene, name);
    });
}

}  // namespace fw
