#pragma once
// The scene's timeline settings: frame range, current frame, frame rate. One per
// scene, created with it; the scene writes its block only once it has content.

#include "scene/SceneMember.h"

namespace fw {

class AnimGlobals : public SceneMember {
public:
    explicit AnimGlobals(Scene& scene);

    int writeCommands(CommandIO& io) override;
    CommandTable& commandTable() override;
    const char* className() const override { return "AnimGlobals"; }
    void registerCommands() override;
    void markUsed() override { setUsed(true); }

    // Set when a value is read or changed; a fresh scene's globals have none.
    bool hasContent() const { return hasContent_; }
    void setHasContent(bool on) { hasContent_ = on; }

    double currentFrame() const { return currFrame; }
    void setCurrentFrame(double frame);
    // Frames from start to end, both included.
    int frameCount() const { return frameEnd - frameStart + 1; }
    void setFrameRange(int start, int end);

    int frameStart = 0;
    int frameEnd = 300;
    double currFrame = 0.0;
    int workFrameStart = 0;
    int workFrameEnd = 0;
    int visibleFrameStart = 0;
    int visibleFrameEnd = 300;
    float framesPerSecond = 30.0f;
    bool displayAsFrames = false;
    int motionBlurPasses = 1;
    double motionBlurShutter = 180.0;  // degrees

private:
    bool hasContent_ = false;
};

}  // namespace fw
