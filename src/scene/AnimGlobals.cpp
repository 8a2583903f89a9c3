#include "scene/AnimGlobals.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "scene/Scene.h"

namespace fw {

AnimGlobals::AnimGlobals(Scene& scene) : SceneMember(scene, kAnimGlobalsKind, nullptr) { registerCommands(); }

CommandTable& AnimGlobals::commandTable() {
    static CommandTable table;
    return table;
}

void AnimGlobals::setCurrentFrame(double frame) {
    currFrame = frame;
    hasContent_ = true;
}

void AnimGlobals::setFrameRange(int start, int end) {
    frameStart = start;
    frameEnd = end;
    hasContent_ = true;
}

namespace {

// Any line of the block, even one whose value is malformed, means the file carried the globals.
AnimGlobals& globals(CommandEnabler& r) {
    auto& g = receiverAs<AnimGlobals>(r);
    g.setHasContent(true);
    return g;
}

int readFramesPerSecond(CommandIO& io, CommandEnabler& r) {
    double fps;
    if (io.readDouble(fps) != 0) return -1;
    globals(r).framesPerSecond = static_cast<float>(fps);
    return 0;
}

// Integer frames go out through "%f", as the format has always written them.
template <int AnimGlobals::*Field>
int writeFrame(CommandIO& io, CommandEnabler& r, const char* keyword, Spelling spelling) {
    return writeLine(io, keyword, static_cast<double>(receiverAs<AnimGlobals>(r).*Field), spelling);
}

// The timeline is not named in a file: a "name" line a damaged file puts inside it
// is read past, so it cannot take a name a member of the scene must have (a view
// camera's, say).
int readPastName(CommandIO& io, CommandEnabler&) {
    std::string ignored;
    return io.readString(ignored);
}

template <int AnimGlobals::*Field>
constexpr FieldTable::Line frameLine(const char* keyword) {
    return {keyword, readField<Field, globals>, writeFrame<Field>, Spelling::fixed};
}

constexpr FieldTable::Line kAnimGlobalsLines[] = {
    frameLine<&AnimGlobals::frameStart>("frameStart"),
    frameLine<&AnimGlobals::frameEnd>("frameEnd"),
    {"currFrame", readField<&AnimGlobals::currFrame, globals>, writeField<&AnimGlobals::currFrame>, Spelling::fixed},
    frameLine<&AnimGlobals::workFrameStart>("workFrameStart"),
    frameLine<&AnimGlobals::workFrameEnd>("workFrameEnd"),
    frameLine<&AnimGlobals::visibleFrameStart>("visibleFrameStart"),
    frameLine<&AnimGlobals::visibleFrameEnd>("visibleFrameEnd"),
    {"framesPerSecond", readFramesPerSecond, writeField<&AnimGlobals::framesPerSecond>, Spelling::fixed},
    {"displayAsFrames", readField<&AnimGlobals::displayAsFrames, globals>, writeField<&AnimGlobals::displayAsFrames>},
    // Older files carry these; the values now live in the project's settings lines.
    {"motionBlurPasses", readField<&AnimGlobals::motionBlurPasses, globals>},
    {"motionBlurShutter", readField<&AnimGlobals::motionBlurShutter, globals>},
    {"name", readPastName},
    {"end", &CommandEnabler::endCommand},
};
constexpr FieldTable kAnimGlobalsTable{kAnimGlobalsLines};

}  // namespace

void AnimGlobals::registerCommands() { kAnimGlobalsTable.registerInto(*this); }

int AnimGlobals::writeCommands(CommandIO& io) { return kAnimGlobalsTable.write(io, *this); }

}  // namespace fw
