#include "anim/AnimPose.h"

#include <cstring>

#include "anim/RecordLines.h"

namespace fw {

namespace {

int beginPoseBlock(CommandIO& io, CommandEnabler& r) {
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

// A start line, even a malformed one, marks the segment changed.
AnimPose& changedPose(CommandEnabler& r) {
    AnimPose& p = receiverAs<AnimPose>(r);
    p.changed = true;
    return p;
}

int readStartBounds(CommandIO& io, CommandEnabler& r) { return io.readDouble6(changedPose(r).startBounds); }

// The minimum and the maximum corner, set apart by a second space.
int writeStartBounds(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling) {
    const double* b = receiverAs<AnimPose>(r).startBounds;
    return io.writef("%s %g %g %g  %g %g %g\n", keyword, b[0], b[1], b[2], b[3], b[4], b[5]);
}

int writePoseBlocks(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    AnimPose& p = receiverAs<AnimPose>(r);
    if (io.writeBlock(p.settings) != 0 || io.writeBlock(p.action) != 0 || io.writeBlock(p.vis) != 0) return -1;
    return p.warp ? p.warp->writeBlock(io, "WarpInstance") : 0;
}

// The pose's own lines, after the segment's.
constexpr FieldTable::Line kPoseLines[] = {
    {"startCenter", readField<&AnimPose::startCenter, changedPose>, writeField<&AnimPose::startCenter>},
    {"startBounds", readStartBounds, writeStartBounds},
    {"begin", beginPoseBlock, writePoseBlocks},
};
constexpr FieldTable kPoseTable{kPoseLines};

}  // namespace

AnimPose::AnimPose(Scene& scene) : AnimTrackSegment(scene) {
    registerCommands();
    kPoseTable.registerInto(*this);
}

CommandTable& AnimPose::commandTable() {
    static CommandTable table;
    return table;
}

int AnimPose::writeCommands(CommandIO& io) {
    if (AnimTrackSegment::writeCommands(io) != 0) return -1;
    return kPoseTable.write(io, *this);
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
