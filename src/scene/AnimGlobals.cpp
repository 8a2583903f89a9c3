#include "scene/AnimGlobals.h"

#include "persistence/CommandIO.h"
#include "persistence/FieldReaders.h"
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

int readDisplayAsFrames(CommandIO& io, CommandEnabler& r) {
    int on;
    if (io.readInt(on) != 0) return -1;
    globals(r).displayAsFrames = on != 0;
    return 0;
}

}  // namespace

void AnimGlobals::registerCommands() {
    SceneMember::registerCommands();
    registerCommand("frameStart", readField<&AnimGlobals::frameStart, globals>);
    registerCommand("frameEnd", readField<&AnimGlobals::frameEnd, globals>);
    registerCommand("currFrame", readField<&AnimGlobals::currFrame, globals>);
    registerCommand("workFrameStart", readField<&AnimGlobals::workFrameStart, globals>);
    registerCommand("workFrameEnd", readField<&AnimGlobals::workFrameEnd, globals>);
    registerCommand("visibleFrameStart", readField<&AnimGlobals::visibleFrameStart, globals>);
    registerCommand("visibleFrameEnd", readField<&AnimGlobals::visibleFrameEnd, globals>);
    registerCommand("framesPerSecond", readFramesPerSecond);
    registerCommand("displayAsFrames", readDisplayAsFrames);
    // Older files carry these; the values now live in the project's settings lines.
    registerCommand("motionBlurPasses", readField<&AnimGlobals::motionBlurPasses, globals>);
    registerCommand("motionBlurShutter", readField<&AnimGlobals::motionBlurShutter, globals>);
}

int AnimGlobals::writeCommands(CommandIO& io) {
    // Integer frames go out through "%f", as the format has always written them.
    io.writef("frameStart %f\n", static_cast<double>(frameStart));
    io.writef("frameEnd %f\n", static_cast<double>(frameEnd));
    io.writef("currFrame %f\n", currFrame);
    io.writef("workFrameStart %f\n", static_cast<double>(workFrameStart));
    io.writef("workFrameEnd %f\n", static_cast<double>(workFrameEnd));
    io.writef("visibleFrameStart %f\n", static_cast<double>(visibleFrameStart));
    io.writef("visibleFrameEnd %f\n", static_cast<double>(visibleFrameEnd));
    io.writef("framesPerSecond %f\n", static_cast<double>(framesPerSecond));
    io.writef("displayAsFrames %d\n", displayAsFrames ? 1 : 0);
    return 0;
}

}  // namespace fw
