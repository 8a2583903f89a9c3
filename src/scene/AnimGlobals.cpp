#include "scene/AnimGlobals.h"

#include "persistence/CommandIO.h"
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

AnimGlobals& globals(CommandEnabler& r) {
    auto& g = static_cast<AnimGlobals&>(r);
    g.setHasContent(true);
    return g;
}

template <int AnimGlobals::*Field>
int readInt(CommandIO& io, CommandEnabler& r) {
    return io.readInt(globals(r).*Field);
}

template <double AnimGlobals::*Field>
int readDouble(CommandIO& io, CommandEnabler& r) {
    return io.readDouble(globals(r).*Field);
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
    registerCommand("frameStart", readInt<&AnimGlobals::frameStart>);
    registerCommand("frameEnd", readInt<&AnimGlobals::frameEnd>);
    registerCommand("currFrame", readDouble<&AnimGlobals::currFrame>);
    registerCommand("workFrameStart", readInt<&AnimGlobals::workFrameStart>);
    registerCommand("workFrameEnd", readInt<&AnimGlobals::workFrameEnd>);
    registerCommand("visibleFrameStart", readInt<&AnimGlobals::visibleFrameStart>);
    registerCommand("visibleFrameEnd", readInt<&AnimGlobals::visibleFrameEnd>);
    registerCommand("framesPerSecond", readFramesPerSecond);
    registerCommand("displayAsFrames", readDisplayAsFrames);
    // Older files carry these; the values now live in the project's settings lines.
    registerCommand("motionBlurPasses", readInt<&AnimGlobals::motionBlurPasses>);
    registerCommand("motionBlurShutter", readDouble<&AnimGlobals::motionBlurShutter>);
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
