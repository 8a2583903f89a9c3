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
    void readBack(RenderImage& out) {
        resolveInto(resolveFbo_);
        readPixels(out);
    }
    // Averages the frame's samples into `framebuffer` (the output's, or a pass's).
    void resolveInto(unsigned framebuffer);
    // The output's pixels, straightened as readBack does.
    void readPixels(RenderImage& out);
    unsigned outputFramebuffer() const { return resolveFbo_; }
    // Draws `texture` (a pass or a sum) times `scale` into `framebuffer`, added to what
    // is there when `add` is set; false when the driver cannot build the program.
    bool drawScaled(unsigned texture, unsigned framebuffer, float scale, bool add);
    // Whether drawScaled's program builds on this driver.
    bool summingAvailable();
    // The output made current as the read buffer, for reading pixels from it.
    void bindOutputForReading();
    // Needs the context current.
    void release();

    // Premultiplied pixels made straight; uncovered ones take `background`.
    static void straighten(RenderImage& image, const float background[3]);

private:
    void drawMedia(const RenderFrame& frame);
    // Averages the samples into the single-sampled copy with a program of our own;
    // false when the driver cannot build it (then a blit resolves).
    bool resolveWithProgram(unsigned framebuffer);
    // Binds `framebuffer` for a screen-filling draw with no depth, blending or arrays.
    void prepareScreenDraw(unsigned framebuffer);

    unsigned fbo_ = 0, colorBuffer_ = 0, depthBuffer_ = 0;
    unsigned colorTexture_ = 0;  // the multisampled colour, when there are samples
    unsigned resolveFbo_ = 0, resolveColor_ = 0;
    unsigned resolveProgram_ = 0;
    unsigned scaleProgram_ = 0;
    bool scaleFailed_ = false;
    int resolveSamples_ = 0;  // the sample count the program was built for
    bool resolveFailed_ = false;
    int width_ = 0, height_ = 0, samples_ = 0;
    bool straighten_ = false;     // the frame's background is not opaque
    float background_[3] = {0, 0, 0};
};

}  // namespace fw
