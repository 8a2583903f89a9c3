#include "library/MemberCopy.h"

#include <vector>

#include "persistence/MemCmdIO.h"
#include "platform/MemoryBlock.h"
#include "scene/SceneMember.h"
#include "scene/SceneX.h"

namespace fw {

namespace {

// Referred-to kinds first, so names resolve as in a scene file.
const int kCopyOrder[] = {kCameraKind, kImageFileKind, kImageMapKind, kMaterialKind, kTextBlockKind, kStyleKind,
                          kGroupKind,  kObjectKind,    kLightKind,    kProfileKind,  kAnimTrackKind};

// What the member refers to, in the order a scene file gives it (images and maps first).
std::vector<SceneMember*> referredTo(Scene& from, SceneMember& member) {
    from.clearUsedMarks();
    member.markUsed();
    std::vector<SceneMember*> referred;
    for (int kind : {kImageFileKind, kImageMapKind, kMaterialKind, kProfileKind})
        for (int i = 0; i < from.memberCount(kind); ++i) {
            SceneMember* m = from.member(kind, i);
            if (m != &member && m->used()) referred.push_back(m);
        }
    from.clearUsedMarks();
    return referred;
}

}  // namespace

SceneMember* MemberCopy::copy(SceneMember& member, SceneX& into) {
    MemoryBlock block(0);
    {
        MemCmdIO out(&into);
        out.attachOutput(block);
        if (out.writeBlock(member) != 0 || out.finish() != 0) return nullptr;
    }
    int kind = member.kind();
    int before = into.memberCount(kind);
    MemCmdIO in(&into);
    in.attachInput(block);
    in.readAll();  // the block was written just now: nothing in it to report
    in.detach();
    return into.memberCount(kind) > before ? into.member(kind, into.memberCount(kind) - 1) : nullptr;
}

SceneMember* MemberCopy::copyWithReferences(Scene& from, SceneMember& member, SceneX& into) {
    for (SceneMember* m : referredTo(from, member)) copy(*m, into);
    SceneMember* copied = copy(member, into);
    into.postLoad();
    return copied;
}

int MemberCopy::copyReferences(Scene& from, SceneMember& member, SceneX& into) {
    int copied = 0;
    for (SceneMember* m : referredTo(from, member))
        if (!into.findMember(m->name()) && copy(*m, into)) ++copied;
    if (copied) into.postLoad();
    return copied;
}

void MemberCopy::copyAll(Scene& from, SceneX& into) {
    for (int kind : kCopyOrder)
        for (int i = 0; i < from.memberCount(kind); ++i) copy(*from.member(kind, i), into);
    into.postLoad();
}

}  // namespace fw
