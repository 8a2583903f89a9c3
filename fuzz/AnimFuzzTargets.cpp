#include "AnimFuzzTargets.h"

#include <string>

#include "anim/AnimClasses.h"
#include "anim/AnimTrack.h"
#include "persistence/MemCmdIO.h"
#include "platform/Dialogs.h"
#include "platform/MemoryBlock.h"
#include "scene/MemberFactory.h"
#include "scene/SceneX.h"
#include "scene/StandInMember.h"

namespace fw::fuzz {

namespace {

// Two objects and a group the track's lines may name, then the track's own lines.
const char kScenePrefix[] =
    "begin ObjectP\n name \"Title\"\nend ObjectP\nbegin ObjectP\n name \"Badge\"\nend ObjectP\n"
    "begin Group\n name \"Letters\"\nend Group\nbegin AnimTrack\n";

std::string written(SceneX& scene, uint8_t flag) {
    MemoryBlock block(64);
    MemCmdIO out(&scene, flag);
    out.attachOutput(block);
    if (scene.writeCommands(out) != 0 || out.finish() != 0) __builtin_trap();
    std::string text(reinterpret_cast<char*>(block.lock()));
    block.unlock();
    return text;
}

void load(SceneX& scene, const std::string& text, uint8_t flag) {
    MemoryBlock block(text.size() + 1);
    std::copy(text.begin(), text.end(), block.lock());
    block.unlock();
    MemCmdIO io(&scene, flag);
    io.attachInput(block);
    io.readAll();
}

}  // namespace

// The bytes as the contents of a track's block: read, asked for its segments across
// the timeline, written, and the written form read again must write the same bytes.
int readAnimTrack(const uint8_t* data, size_t size) {
    static const bool registered = [] {
        registerSceneClasses();
        registerAnimClasses();
        StandInMember::registerMissing();
        Dialogs::instance().setQuiet(true);
        return true;
    }();
    (void)registered;
    const uint8_t flag = size > 0 && data[0] == '#' ? 1 : 0;
    std::string text = kScenePrefix + std::string(reinterpret_cast<const char*>(data), size) +
                       "\n**EndOfStream**\n";
    SceneX scene;
    load(scene, text, flag);
    for (int i = 0; i < scene.memberCount(kAnimTrackKind); ++i) {
        auto* track = dynamic_cast<AnimTrack*>(scene.member(kAnimTrackKind, i));
        if (!track) continue;
        bool ordered = true;
        for (size_t k = 1; k < track->segments.size(); ++k)
            ordered = ordered && track->segments[k - 1]->startFrame <= track->segments[k]->startFrame;
        for (double t : {-1e9, -1.0, 0.0, 9.5, 10.0, 39.9, 1e6}) {
            // On a timeline in order, a time some segment covers is answered by the first that does.
            AnimTrackSegment* covering = nullptr;
            for (auto& s : track->segments)
                if (!covering && s->covers(frameOfTime(t))) covering = s.get();
            if (ordered && covering && track->segments.front()->startFrame <= frameOfTime(t) && track->segmentAt(t) != covering)
                __builtin_trap();
            track->segmentForEditing(frameOfTime(t));
            track->parentMatrixAt(t);
        }
    }
    scene.markMembersInUse();
    const std::string first = written(scene, flag);
    SceneX again;
    load(again, first, flag);
    again.markMembersInUse();
    if (written(again, flag) != first) __builtin_trap();
    Dialogs::instance().clearShown();
    return 0;
}

}  // namespace fw::fuzz
