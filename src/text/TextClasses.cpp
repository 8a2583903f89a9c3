#include "text/TextClasses.h"

#include "scene/MemberFactory.h"
#include "text/ProfileT.h"
#include "text/TextBlock.h"

namespace fw {

void registerTextClasses() {
    MemberFactory& factory = MemberFactory::instance();
    factory.add("TextBlock", "text_block%d", [](Scene& scene, const char* name) -> SceneMember* {
        return new TextBlock(scene, name);
    });
    factory.add("ProfileT", "profile%d", [](Scene& scene, const char* name) -> SceneMember* {
        return new ProfileT(scene, name);
    });
}

}  // namespace fw
