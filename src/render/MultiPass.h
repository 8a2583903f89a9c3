#pragma once
// Effects made by drawing one frame several times with a small change between passes
// and averaging them: anti-aliasing (a sub-pixel shift of the projection), depth of
// field (the camera turned a little about its point of focus) and motion blur (steps
// in scene time within the shutter). The effects in use nest in that order, outermost
// first, so every pass of an outer effect runs all passes of the inner ones; the
// product of their pass counts is the number of frames drawn.
//
// The effects only change the context and the camera between passes; a `PassSums`
// draws and sums: the OpenGL renderer in 16-bit float frame buffers, the ray tracer
// and an OpenGL frame without float buffers in `FloatAccumBuffer`s.

#include <functional>
#include <memory>
#include <vector>

namespace fw {

class Camera;

// What the effects of one frame are asked for.
struct MultiPassSettings {
    int antiAliasLevel = 1;   // L > 1: L x L passes
    double depthOfField = 0;  // d > 1: floor(d) x floor(d) passes
    int motionBlurPasses = 1;
    double motionBlurShutter = 0;  // frames the shutter stays open; 0 turns motion blur off
    double motionBlurOffset = 0;   // frames from the frame's time to the shutter's opening
    // Plays the scene at a time in frames; motion blur needs it.
    std::function<void(double)> playAt;
    double time = 0;  // the frame's time, in frames
};

// The state the passes change: the projection's shift and the scene's time.
struct PassContext {
    PassContext() = default;
    // Starts at the frame's time, able to play the scene as the settings say.
    explicit PassContext(const MultiPassSettings& settings) : time(settings.time), playAt(settings.playAt) {}

    double pixelOffset[2] = {0, 0};
    double time = 0;
    std::function<void(double)> playAt;
};

// The 16-bit float colour buffer an OpenGL pass is drawn or summed into.
struct PassBuffer {
    unsigned framebuffer = 0, texture = 0;
    // Needs the context current; false when the driver cannot make it.
    bool make(int width, int height);
    void release();
};

class MultiPassGL {
public:
    MultiPassGL(int columns, int rows) : columns(columns), rows(rows) {}
    virtual ~MultiPassGL();

    // Makes both buffers for a frame of that size (releasing earlier ones); false when
    // the driver cannot, leaving the effect without buffers.
    bool makeBuffers(int width, int height);
    void releaseBuffers();

    virtual void begin(PassContext& context, Camera& camera) = 0;
    virtual void setupPass(PassContext& context, Camera& camera, int column, int row) = 0;
    virtual void end(PassContext& context, Camera& camera) = 0;
    int passCount() const { return columns * rows; }

    PassBuffer passBuffer;   // one pass, or the inner effects' mean
    PassBuffer accumBuffer;  // the sum of the passes
    int columns, rows;

protected:
    double saved_[2] = {0, 0};
};

class AntiAliasMultiPassGL : public MultiPassGL {
public:
    explicit AntiAliasMultiPassGL(int level) : MultiPassGL(level, level) {}
    void begin(PassContext&, Camera&) override {}
    // The offset (column / L - 0.5, row / L - 0.5) pixels: the grid starts half a
    // pixel down and left and does not reach the pixel's far side.
    void setupPass(PassContext& context, Camera& camera, int column, int row) override;
    void end(PassContext& context, Camera& camera) override;
};

class DepthOfFieldMultiPassGL : public MultiPassGL {
public:
    explicit DepthOfFieldMultiPassGL(int side) : MultiPassGL(side, side) {}
    // Saves the camera's angles and seeds the jitter, so a render blurs the same way
    // every time.
    void begin(PassContext& context, Camera& camera) override;
    // Turns the camera about its focus by up to a quarter of a degree each way, from
    // where the last pass left it.
    void setupPass(PassContext& context, Camera& camera, int column, int row) override;
    void end(PassContext& context, Camera& camera) override;

private:
    bool seeded_ = false;  // the next draw starts the sequence from its seed
};

class MotionBlurMultiPassGL : public MultiPassGL {
public:
    MotionBlurMultiPassGL(int passes, double shutter, double offset)
        : MultiPassGL(passes, 1), shutter_(shutter), offset_(offset) {}
    void begin(PassContext& context, Camera& camera) override;
    // Time t0 + offset + column / passes x shutter: the shutter's closing is never sampled.
    void setupPass(PassContext& context, Camera& camera, int column, int row) override;
    void end(PassContext& context, Camera& camera) override;

private:
    double shutter_, offset_;
};

using MultiPassList = std::vector<std::unique_ptr<MultiPassGL>>;

// The effects whose conditions hold, outermost first: motion blur, depth of field,
// anti-aliasing (left out when `antiAlias` is off: the ray tracer smooths its own).
MultiPassList multiPassEffects(const MultiPassSettings& settings, bool antiAlias = true);

// Draws frames and sums them for the pass loop. Sum k belongs to effect k; -1 is the
// frame's output.
class PassSums {
public:
    virtual ~PassSums() = default;
    // Clears effect k's sum.
    virtual void clear(int k) = 0;
    // Draws the frame once and adds it to sum k (or, for -1, makes it the output).
    virtual bool addFrame(int k) = 0;
    // Adds effect k's mean into sum `into` (or, for -1, makes it the output).
    virtual void addMean(int k, int into) = 0;
};

// The nested pass loop; false when a frame could not be drawn (the camera and scene
// time are restored all the same). Counts the frames drawn into `frames`.
bool runPasses(MultiPassList& effects, PassContext& context, Camera& camera, PassSums& sums, int* frames = nullptr);

}  // namespace fw

#include <cstdint>

#include "render/FloatAccumBuffer.h"

namespace fw {

struct RenderImage;

// Sums on the CPU, in a FloatAccumBuffer per effect. `draw` draws one frame: into
// `image` (straight 8-bit RGBA, as renderers give it), or, for an OpenGL frame summed
// from its read buffer, into the current read buffer (premultiplied) with `image`
// left alone.
class CpuPassSums : public PassSums {
public:
    using Draw = std::function<bool(RenderImage& image)>;
    CpuPassSums(const MultiPassList& effects, int width, int height, const float background[3], Draw draw,
                RenderImage& out, bool fromReadBuffer = false);
    void clear(int k) override;
    bool addFrame(int k) override;
    void addMean(int k, int into) override;

private:
    // `pass_` as straight 8-bit pixels into the output; alpha-0 pixels take the background.
    void writeOut(const FloatAccumBuffer& order);

    int width_, height_;
    float background_[3];
    Draw draw_;
    RenderImage& out_;
    bool fromReadBuffer_;
    std::vector<std::unique_ptr<FloatAccumBuffer>> sums_;
    std::vector<float> pass_;  // one premultiplied pass, or a mean
};

}  // namespace fw
