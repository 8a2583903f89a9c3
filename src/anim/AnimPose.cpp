#include "anim/AnimPose.h"

#include <cstring>

#include "anim/RecordLines.h"

namespace fw {

namespace {

int beginBlock(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    AnimPose& p = receiverAs<AnimPose>(r);
    if (std::strcmp(name, "WarpInstance") == 0) {
        // The warp belongs to the render effects; until they read it, its lines are kept.
        if (!p.warp) p.warp = std::make_unique<KeptLines>();
        p.changed = true;
        return p.warp->read(io, name);
    }
    CommandEnabler* record = nullptr;
    if (std::strcmp(name, "AnimPoseSettings") == 0) record = &p.settings;
    else if (std::strcmp(name, "AnimPathAction") == 0) record = &p.action;
    else if (std::strcmp(name, "AnimVis") == 0) record = &p.vis;
    if (record) {
        p.changed = true;
        io.push(record);
        return 0;
    }
    return p.beginBaseBlock(io, name) == 0 ? 0 : -1;
}

int readStartCenter(CommandIO& io, CommandEnabler& r) {
    AnimPose& p = receiverAs<AnimPose>(r);
    p.changed = true;
    return io.readVector3(p.startCenter);
}

int readStartBounds(CommandIO& io, CommandEnabler& r) {
    AnimPose& p = receiverAs<AnimPose>(r);
    p.changed = true;
    return io.readDouble6(p.startBounds);
}

}  // namespace

AnimPose::AnimPose(Scene& scene) : AnimTrackSegment(scene) {
    registerCommands();
    registerCommand("startCenter", readStartCenter);
    registerCommand("startBounds", readStartBounds);
    registerCommand("begin", beginBlock);
}

CommandTable& AnimPose::commandTable() {
    static CommandTable table;
    return table;
}

int AnimPose::writeCommands(CommandIO& io) {
    if (AnimTrackSegment::writeCommands(io) != 0) return -1;
    const double* c = startCenter;
    const double* b = startBounds;
    if (io.writef("startCenter %g %g %g\n", c[0], c[1], c[2]) != 0 ||
        io.writef("startBounds %g %g %g  %g %g %g\n", b[0], b[1], b[2], b[3], b[4], b[5]) != 0 ||
        io.writeBlock(settings) != 0 || io.writeBlock(action) != 0 || io.writeBlock(vis) != 0)
        return -1;
    return warp ? warp->writeBlock(io, "WarpInstance") : 0;
}

void AnimPose::copyFrom(const AnimTrackSegment& other) {
    AnimTrackSegment::copyFrom(other);
    const auto* pose = dynamic_cast<const AnimPose*>(&other);
    if (!pose || pose == this) return;
    std::memcpy(startCenter, pose->startCenter, sizeof startCenter);
    std::memcpy(startBounds, pose->startBounds, sizeof startBounds);
    settings = pose->settings;
    action = pose->action;
    vis = pose->vis;
    warp = pose->warp ? std::make_unique<KeptLines>(*pose->warp) : nullptr;
}

}  // namespace fw
