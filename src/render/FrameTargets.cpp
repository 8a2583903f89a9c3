#define GL_GLEXT_PROTOTYPES 1
#include "render/FrameTargets.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <string>

#include "render/GLProgram.h"

namespace fw {

bool FrameTargets::ensure(int width, int height, int samples, std::string& error) {
    GLint maxSamples = 1;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    samples = std::clamp(samples, 1, std::max(1, static_cast<int>(maxSamples)));
    if (fbo_ && width == width_ && height == height_ && samples == samples_) return true;
    if (!fbo_) {
        glGenFramebuffers(1, &fbo_);
        glGenFramebuffers(1, &resolveFbo_);
        glGenRenderbuffers(1, &colorBuffer_);
        glGenRenderbuffers(1, &depthBuffer_);
        glGenRenderbuffers(1, &resolveColor_);
    }
    // Multisampled colour lives in a texture, so that a program of ours can average
    // its samples (see resolveWithProgram).
    if (colorTexture_) glDeleteTextures(1, &colorTexture_);
    colorTexture_ = 0;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    if (samples > 1) {
        glGenTextures(1, &colorTexture_);
        glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, colorTexture_);
        glTexImage2DMultisample(GL_TEXTURE_2D_MULTISAMPLE, samples, GL_RGBA8, width, height, GL_TRUE);
        glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, 0);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D_MULTISAMPLE, colorTexture_, 0);
    } else {
        glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer_);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples > 1 ? samples : 0, GL_DEPTH_COMPONENT24, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer_);
    bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    // Where the frame itself cannot be made, its resolve buffer is not asked for.
    glBindRenderbuffer(GL_RENDERBUFFER, resolveColor_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, complete ? width : 1, complete ? height : 1);
    glBindFramebuffer(GL_FRAMEBUFFER, resolveFbo_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, resolveColor_);
    complete = complete && glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (!complete) {
        error = "the OpenGL driver cannot make a " + std::to_string(width) + " x " + std::to_string(height) +
                " frame buffer";
        width_ = 0;
        // The refused storage left its error behind; the next frame must not see it.
        while (glGetError() != GL_NO_ERROR) {
        }
        return false;
    }
    width_ = width, height_ = height, samples_ = samples;
    return true;
}

void FrameTargets::begin(const RenderFrame& frame) {
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, frame.width, frame.height);
    const float a = std::clamp(frame.background[3], 0.0f, 1.0f);
    straighten_ = a < 1;
    for (int c = 0; c < 3; ++c) background_[c] = frame.background[c];
    glClearColor(frame.background[0] * a, frame.background[1] * a, frame.background[2] * a, a);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawMedia(frame);
}

// The media as a textured quad over the whole frame, before anything else and without
// touching depth, so the scene's objects all draw in front of it.
void FrameTargets::drawMedia(const RenderFrame& frame) {
    if (!frame.backgroundImage || frame.backgroundWidth <= 0 || frame.backgroundHeight <= 0 ||
        frame.backgroundOpacity <= 0)
        return;
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, frame.backgroundWidth, frame.backgroundHeight, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, frame.backgroundImage);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glUseProgram(0);
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4f(1, 1, 1, std::clamp(frame.backgroundOpacity, 0.0f, 1.0f));
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(-1, -1);
    glTexCoord2f(1, 0), glVertex2f(1, -1);
    glTexCoord2f(1, 1), glVertex2f(1, 1);
    glTexCoord2f(0, 1), glVertex2f(-1, 1);
    glEnd();
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDepthMask(GL_TRUE);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &texture);
}

namespace {

const char* const kResolveVertex = R"(#version 150
void main() {
    // One triangle over the whole frame.
    vec2 corner = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
}
)";

// SAMPLES is defined before this text: a constant count unrolls the loop.
const char* const kResolveFragment = R"(
uniform sampler2DMS frame;
out vec4 color;
void main() {
    ivec2 at = ivec2(gl_FragCoord.xy);
    vec4 sum = vec4(0.0);
    for (int s = 0; s < SAMPLES; ++s) sum += texelFetch(frame, at, s);
    color = sum / float(SAMPLES);
}
)";

}  // namespace

// The driver's own resolve (a blit) compiles a program of the driver's on every run;
// ours is a plain program, which the driver's shader cache keeps from run to run, and
// it averages the samples as the blit does.
bool FrameTargets::resolveWithProgram(unsigned framebuffer) {
    if (resolveFailed_ || !colorTexture_) return false;
    if (resolveProgram_ && resolveSamples_ != samples_) {
        glDeleteProgram(resolveProgram_);
        resolveProgram_ = 0;
    }
    if (!resolveProgram_) {
        const std::string text = "#version 150\n#define SAMPLES " + std::to_string(samples_) + kResolveFragment;
        std::string error;
        resolveProgram_ = linkedProgram(kResolveVertex, text.c_str(), "resolve", error);
        if (!resolveProgram_) {
            resolveFailed_ = true;
            return false;
        }
        resolveSamples_ = samples_;
    }
    prepareScreenDraw(framebuffer);
    glUseProgram(resolveProgram_);
    glUniform1i(glGetUniformLocation(resolveProgram_, "frame"), 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, colorTexture_);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, 0);
    glUseProgram(0);
    return true;
}

void FrameTargets::prepareScreenDraw(unsigned framebuffer) {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, width_, height_);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void FrameTargets::resolveInto(unsigned framebuffer) {
    if (resolveWithProgram(framebuffer)) return;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    glBlitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

namespace {

// A pass or a sum times a scale: summing passes (added by blending) and the mean.
const char* const kScaleFragment = R"(#version 150
uniform sampler2D source;
uniform float scale;
out vec4 color;
void main() { color = texelFetch(source, ivec2(gl_FragCoord.xy), 0) * scale; }
)";

}  // namespace

bool FrameTargets::summingAvailable() {
    if (!scaleProgram_ && !scaleFailed_) {
        std::string error;
        scaleProgram_ = linkedProgram(kResolveVertex, kScaleFragment, "pass sum", error);
        scaleFailed_ = !scaleProgram_;
    }
    return !scaleFailed_;
}

bool FrameTargets::drawScaled(unsigned texture, unsigned framebuffer, float scale, bool add) {
    if (!summingAvailable()) return false;
    prepareScreenDraw(framebuffer);
    if (add) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
    }
    glUseProgram(scaleProgram_);
    glUniform1i(glGetUniformLocation(scaleProgram_, "source"), 0);
    glUniform1f(glGetUniformLocation(scaleProgram_, "scale"), scale);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glBindTexture(GL_TEXTURE_2D, 0);
    glUseProgram(0);
    glDisable(GL_BLEND);
    return true;
}

void FrameTargets::bindOutputForReading() {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, resolveFbo_);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
}

void FrameTargets::readPixels(RenderImage& out) {
    bindOutputForReading();
    out.width = width_;
    out.height = height_;
    out.rgba.resize(static_cast<size_t>(width_) * height_ * 4);  // every byte is read back over
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, out.rgba.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (straighten_) straighten(out, background_);
}

void FrameTargets::straighten(RenderImage& image, const float background[3]) {
    uint8_t clear[3];
    for (int c = 0; c < 3; ++c)
        clear[c] = static_cast<uint8_t>(std::clamp(background[c], 0.0f, 1.0f) * 255.0f + 0.5f);
    const size_t count = static_cast<size_t>(image.width) * image.height;
    for (size_t i = 0; i < count; ++i) {
        uint8_t* p = &image.rgba[i * 4];
        const unsigned a = p[3];
        if (a == 255) continue;
        for (int c = 0; c < 3; ++c)
            p[c] = a == 0 ? clear[c] : static_cast<uint8_t>(std::min(255u, (p[c] * 255u + a / 2) / a));
    }
}

void FrameTargets::release() {
    if (fbo_) glDeleteFramebuffers(1, &fbo_);
    if (resolveFbo_) glDeleteFramebuffers(1, &resolveFbo_);
    GLuint buffers[3] = {colorBuffer_, depthBuffer_, resolveColor_};
    glDeleteRenderbuffers(3, buffers);
    if (colorTexture_) glDeleteTextures(1, &colorTexture_);
    if (resolveProgram_) glDeleteProgram(resolveProgram_);
    if (scaleProgram_) glDeleteProgram(scaleProgram_);
    fbo_ = resolveFbo_ = colorBuffer_ = depthBuffer_ = resolveColor_ = colorTexture_ = resolveProgram_ = 0;
    scaleProgram_ = 0;
    resolveFailed_ = scaleFailed_ = false;
    width_ = height_ = samples_ = 0;
}

}  // namespace fw
