#include "anim/AnimTransition.h"

#include <cstring>

#include "anim/RecordLines.h"

namespace fw {

namespace {

int beginBlock(CommandIO& io, CommandEnabler& r) {
    char name[CommandIO::kTokenSize];
    if (io.readToken(name, sizeof name) != 0) return -1;
    AnimTransition& t = receiverAs<AnimTransition>(r);
    CommandEnabler* record = nullptr;
    if (std::strcmp(name, "AnimPath") == 0) record = &t.path;
    else if (std::strcmp(name, "AnimSequenceParams") == 0) record = &t.sequence;
    else if (std::strcmp(name, "AnimSmoothingParams") == 0) record = &t.smoothing;
    else if (std::strcmp(name, "AnimPathAction") == 0) record = &t.action;
    else if (std::strcmp(name, "AnimVis") == 0) record = &t.vis;
    if (record) {
        t.changed = true;
        io.push(record);
        return 0;
    }
    return t.beginBaseBlock(io, name) == 0 ? 0 : -1;
}

int readLaunchOrder(CommandIO& io, CommandEnabler& r) {
    AnimTransition& t = receiverAs<AnimTransition>(r);
    int position;
    if (io.readInt(position) != 0) return -1;
    t.launchOrder.push_back(position);
    t.changed = true;
    return 0;
}

int readAutoSmooth(CommandIO& io, CommandEnabler& r) {
    AnimTransition& t = receiverAs<AnimTransition>(r);
    int on;
    if (io.readInt(on) != 0) return -1;
    t.doAutoSmooth = on != 0;
    t.changed = true;
    return 0;
}

}  // namespace

AnimTransition::AnimTransition(Scene& scene) : AnimTrackSegment(scene) {
    registerCommands();
    registerCommand("launchOrder", readLaunchOrder);
    registerCommand("doAutoSmooth", readAutoSmooth);
    registerCommand("begin", beginBlock);
}

CommandTable& AnimTransition::commandTable() {
    static CommandTable table;
    return table;
}

int AnimTransition::writeCommands(CommandIO& io) {
    if (AnimTrackSegment::writeCommands(io) != 0 || io.writeBlock(path) != 0) return -1;
    for (int position : launchOrder)
        if (io.writef("launchOrder %d\n", position) != 0) return -1;
    if (io.writef("doAutoSmooth %d\n", doAutoSmooth ? 1 : 0) != 0 || io.writeBlock(smoothing) != 0 ||
        io.writeBlock(sequence) != 0)
        return -1;
    // A warp track's transition moves its warp, not its elements: it has no action or fade.
    if (warp) return 0;
    if (io.writeBlock(action) != 0) return -1;
    return io.writeBlock(vis);
}

void AnimTransition::copyFrom(const AnimTrackSegment& other) {
    AnimTrackSegment::copyFrom(other);
    const auto* t = dynamic_cast<const AnimTransition*>(&other);
    if (!t || t == this) return;
    launchOrder = t->launchOrder;
    doAutoSmooth = t->doAutoSmooth;
    path = t->path;
    smoothing = t->smoothing;
    sequence = t->sequence;
    action = t->action;
    vis = t->vis;
    warp = t->warp ? std::make_unique<KeptLines>(*t->warp) : nullptr;
}

}  // namespace fw
