#pragma once
// Where a frame is drawn off screen: a multisampled colour and depth buffer, and the
// single-sampled copy its pixels are read back from. Kept across frames and re-made
// only when the size or the sample count changes.

#include <string>

#include "render/Renderer.h"

namespace fw {

class FrameTargets {
public:
    // False with the reason when the driver cannot make them.
    bool ensure(int width, int height, int samples, std::string& error);
    // Binds the frame, clears it to the background colour and lays the media over it.
    // A clear background is cleared premultiplied, so that blending builds coverage
    // the same way whatever its colour.
    void begin(const RenderFrame& frame);
    // Resolves the samples and reads the pixels back, straight (not premultiplied):
    // where the background is clear, colours are divided by their coverage and
    // uncovered pixels take the background's colour.
    void readBack(RenderImage& out);
    // Needs the context current.
    void release();

    // Premultiplied pixels made straight; uncovered ones take `background`.
    static void straighten(RenderImage& image, const float background[3]);

private:
    void drawMedia(const RenderFrame& frame);
    // Averages the samples into the single-sampled copy with a program of our own;
    // false when the driver cannot build it (then a blit resolves).
    bool resolveWithProgram();

    unsigned fbo_ = 0, colorBuffer_ = 0, depthBuffer_ = 0;
    unsigned colorTexture_ = 0;  // the multisampled colour, when there are samples
    unsigned resolveFbo_ = 0, resolveColor_ = 0;
    unsigned resolveProgram_ = 0;
    int resolveSamples_ = 0;  // the sample count the program was built for
    bool resolveFailed_ = false;
    int width_ = 0, height_ = 0, samples_ = 0;
    bool straighten_ = false;     // the frame's background is not opaque
    float background_[3] = {0, 0, 0};
};

}  // namespace fw
