#include "anim/AnimClasses.h"

#include "anim/AnimTrack.h"
#include "scene/MemberFactory.h"

namespace fw {

void registerAnimClasses() {
    MemberFactory::instance().add("AnimTrack", "anim_track%d", [](Scene& scene, const char* name) -> SceneMember* {
        return new AnimTrack(scene, name);
    });
}

}  // namespace fw
