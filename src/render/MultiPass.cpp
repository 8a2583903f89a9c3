#define GL_GLEXT_PROTOTYPES 1
#include "render/MultiPass.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>

#include "platform/Random.h"
#include "render/Camera.h"

namespace fw {

namespace {
// The jitter's seed: a render's depth of field is the same every time.
constexpr int kJitterSeed = 12345;
}  // namespace

bool PassBuffer::make(int width, int height) {
    release();
    while (glGetError() != GL_NO_ERROR) {
    }
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16F, width, height, 0, GL_RGBA, GL_FLOAT, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (complete && glGetError() == GL_NO_ERROR) return true;
    release();
    while (glGetError() != GL_NO_ERROR) {
    }
    return false;
}

void PassBuffer::release() {
    if (framebuffer) glDeleteFramebuffers(1, &framebuffer);
    if (texture) glDeleteTextures(1, &texture);
    framebuffer = texture = 0;
}

// Buffers are only ever made with a context current, and released with it.
MultiPassGL::~MultiPassGL() { releaseBuffers(); }

void MultiPassGL::releaseBuffers() {
    passBuffer.release();
    accumBuffer.release();
}

bool MultiPassGL::makeBuffers(int width, int height) {
    if (passBuffer.make(width, height) && accumBuffer.make(width, height)) return true;
    releaseBuffers();
    return false;
}

void AntiAliasMultiPassGL::setupPass(PassContext& context, Camera&, int column, int row) {
    context.pixelOffset[0] = static_cast<double>(column) / columns - 0.5;
    context.pixelOffset[1] = static_cast<double>(row) / rows - 0.5;
}

void AntiAliasMultiPassGL::end(PassContext& context, Camera&) { context.pixelOffset[0] = context.pixelOffset[1] = 0; }

void DepthOfFieldMultiPassGL::begin(PassContext&, Camera& camera) {
    const bool orbits = camera.mode() == Camera::kOrbit;
    saved_[0] = orbits ? camera.tumbleLeftRight : camera.focusTurn[1];
    saved_[1] = orbits ? camera.tumbleUpDown : camera.focusTurn[0];
    seeded_ = false;
}

void DepthOfFieldMultiPassGL::setupPass(PassContext&, Camera& camera, int, int) {
    const double r1 = 0.5 * random(seeded_ ? 0 : kJitterSeed) - 0.25;
    seeded_ = true;
    const double r2 = 0.5 * random(0) - 0.25;
    // An orbiting camera turns about its target through its own angles; any other
    // about its point of focus.
    if (camera.mode() == Camera::kOrbit) {
        camera.tumbleLeftRight += r1;
        camera.tumbleUpDown += r2;
    } else {
        camera.focusTurn[1] += r1;
        camera.focusTurn[0] += r2;
    }
}

void DepthOfFieldMultiPassGL::end(PassContext&, Camera& camera) {
    if (camera.mode() == Camera::kOrbit) {
        camera.tumbleLeftRight = saved_[0];
        camera.tumbleUpDown = saved_[1];
    } else {
        camera.focusTurn[1] = saved_[0];
        camera.focusTurn[0] = saved_[1];
    }
}

void MotionBlurMultiPassGL::begin(PassContext& context, Camera&) { saved_[0] = context.time; }

void MotionBlurMultiPassGL::setupPass(PassContext& context, Camera&, int column, int) {
    context.time = saved_[0] + offset_ + static_cast<double>(column) / columns * shutter_;
    // Playing the scene moves an animated camera too: its motion for this pass.
    if (context.playAt) context.playAt(context.time);
}

void MotionBlurMultiPassGL::end(PassContext& context, Camera&) {
    context.time = saved_[0];
    if (context.playAt) context.playAt(context.time);
}

MultiPassList multiPassEffects(const MultiPassSettings& s, bool antiAlias) {
    MultiPassList effects;
    if (s.motionBlurPasses > 1 && s.motionBlurShutter > 0)
        effects.push_back(
            std::make_unique<MotionBlurMultiPassGL>(s.motionBlurPasses, s.motionBlurShutter, s.motionBlurOffset));
    if (s.depthOfField > 1)
        effects.push_back(std::make_unique<DepthOfFieldMultiPassGL>(static_cast<int>(std::floor(s.depthOfField))));
    if (antiAlias && s.antiAliasLevel > 1) effects.push_back(std::make_unique<AntiAliasMultiPassGL>(s.antiAliasLevel));
    return effects;
}

namespace {

bool runLevel(MultiPassList& effects, std::size_t k, int into, PassContext& context, Camera& camera, PassSums& sums,
              int& frames) {
    if (k == effects.size()) {
        ++frames;
        return sums.addFrame(into);
    }
    MultiPassGL& effect = *effects[k];
    effect.begin(context, camera);
    sums.clear(static_cast<int>(k));
    bool drawn = true;
    for (int j = 0; j < effect.rows && drawn; ++j)
        for (int i = 0; i < effect.columns && drawn; ++i) {
            effect.setupPass(context, camera, i, j);
            drawn = runLevel(effects, k + 1, static_cast<int>(k), context, camera, sums, frames);
        }
    effect.end(context, camera);
    if (drawn) sums.addMean(static_cast<int>(k), into);
    return drawn;
}

}  // namespace

bool runPasses(MultiPassList& effects, PassContext& context, Camera& camera, PassSums& sums, int* frames) {
    int drawn = 0;
    const bool done = runLevel(effects, 0, -1, context, camera, sums, drawn);
    if (frames) *frames = drawn;
    return done;
}

}  // namespace fw

#include <algorithm>

#include "render/Renderer.h"

namespace fw {

CpuPassSums::CpuPassSums(const MultiPassList& effects, int width, int height, const float background[3], Draw draw,
                         RenderImage& out, bool fromReadBuffer)
    : width_(width),
      height_(height),
      background_{background[0], background[1], background[2]},
      draw_(std::move(draw)),
      out_(out),
      fromReadBuffer_(fromReadBuffer),
      pass_(static_cast<std::size_t>(width) * height * 4) {
    for (std::size_t k = 0; k < effects.size(); ++k)
        sums_.push_back(fromReadBuffer ? std::make_unique<FloatAccumBufferUsingReadPixels>(width, height)
                                       : std::make_unique<FloatAccumBuffer>(width, height));
}

void CpuPassSums::clear(int k) { sums_[k]->reset(); }

bool CpuPassSums::addFrame(int k) {
    RenderImage image;
    if (!draw_(k < 0 ? out_ : image)) return false;
    if (k < 0) return true;
    FloatAccumBuffer& sum = *sums_[k];
    if (fromReadBuffer_) {
        static_cast<FloatAccumBufferUsingReadPixels&>(sum).accumulateFromReadBuffer();
        return true;
    }
    // Summed premultiplied, so a pass's clear pixels add no colour.
    for (std::size_t p = 0; p < pass_.size(); p += 4) {
        const float a = image.rgba[p + 3] / 255.0f;
        for (int c = 0; c < 3; ++c) pass_[p + c] = image.rgba[p + c] / 255.0f * a;
        pass_[p + 3] = a;
    }
    sum.setSource(pass_.data(), static_cast<std::ptrdiff_t>(width_) * 4);
    sum.accumulate();
    return true;
}

void CpuPassSums::addMean(int k, int into) {
    FloatAccumBuffer& sum = *sums_[k];
    if (into < 0) sum.unpremultiply();
    sum.resolve(pass_.data(), static_cast<std::ptrdiff_t>(width_) * 4);
    if (into < 0) {
        writeOut(sum);
        return;
    }
    sums_[into]->setSource(pass_.data(), static_cast<std::ptrdiff_t>(width_) * 4);
    sums_[into]->accumulate();
}

void CpuPassSums::writeOut(const FloatAccumBuffer& order) {
    // The read-pixels kind keeps alpha first.
    const int a = order.alphaIndex(), first = a == 0 ? 1 : 0;
    out_.width = width_;
    out_.height = height_;
    out_.rgba.resize(pass_.size());
    for (std::size_t p = 0; p < pass_.size(); p += 4) {
        const float alpha = pass_[p + a];
        for (int c = 0; c < 3; ++c) {
            const float v = alpha > 0 ? pass_[p + first + c] : background_[c];
            out_.rgba[p + c] = static_cast<uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
        }
        out_.rgba[p + 3] = static_cast<uint8_t>(std::clamp(alpha, 0.0f, 1.0f) * 255.0f + 0.5f);
    }
}

}  // namespace fw
