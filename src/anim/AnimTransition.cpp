#include "anim/AnimTransition.h"

#include <cstring>

#include "anim/RecordLines.h"

namespace fw {

namespace {

int beginTransitionBlock(CommandIO& io, CommandEnabler& r) {
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

// One line per element, in the elements' order.
int writeLaunchOrder(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    for (int position : receiverAs<AnimTransition>(r).launchOrder)
        if (writeLine(io, keyword, position, spelling) != 0) return -1;
    return 0;
}

void markChanged(CommandEnabler& r) { receiverAs<AnimTransition>(r).changed = true; }

int writePath(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    return io.writeBlock(receiverAs<AnimTransition>(r).path);
}

int writeTransitionBlocks(CommandIO& io, CommandEnabler& r, const char*, Spelling) {
    AnimTransition& t = receiverAs<AnimTransition>(r);
    if (io.writeBlock(t.smoothing) != 0 || io.writeBlock(t.sequence) != 0) return -1;
    // A warp track's transition moves its warp, not its elements: it has no action or fade.
    if (t.warp) return 0;
    if (io.writeBlock(t.action) != 0) return -1;
    return io.writeBlock(t.vis);
}

// The transition's own lines, after the segment's: the path's block comes before the
// launch order, the other blocks after the smoothing flag.
constexpr FieldTable::Line kTransitionLines[] = {
    {"begin", nullptr, writePath},
    {"launchOrder", readLaunchOrder, writeLaunchOrder},
    fieldThen<&AnimTransition::doAutoSmooth, markChanged>("doAutoSmooth"),
    {"begin", beginTransitionBlock, writeTransitionBlocks},
};
constexpr FieldTable kTransitionTable{kTransitionLines};

}  // namespace

AnimTransition::AnimTransition(Scene& scene) : AnimTrackSegment(scene) {
    registerCommands();
    kTransitionTable.registerInto(*this);
}

CommandTable& AnimTransition::commandTable() {
    static CommandTable table;
    return table;
}

int AnimTransition::writeCommands(CommandIO& io) {
    if (AnimTrackSegment::writeCommands(io) != 0) return -1;
    return kTransitionTable.write(io, *this);
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
