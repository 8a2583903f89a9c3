#define GL_GLEXT_PROTOTYPES 1
#include "render/FrameTargets.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

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
    glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples > 1 ? samples : 0, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples > 1 ? samples : 0, GL_DEPTH_COMPONENT24, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer_);
    bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindRenderbuffer(GL_RENDERBUFFER, resolveColor_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, resolveFbo_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, resolveColor_);
    complete = complete && glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (!complete) {
        error = "the OpenGL driver cannot make a " + std::to_string(width) + " x " + std::to_string(height) +
                " frame buffer";
        width_ = 0;
        return false;
    }
    width_ = width, height_ = height, samples_ = samples;
    return true;
}

void FrameTargets::begin(const RenderFrame& frame) {
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, frame.width, frame.height);
    glClearColor(frame.background[0], frame.background[1], frame.background[2], frame.background[3]);
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

void FrameTargets::readBack(RenderImage& out) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolveFbo_);
    glBlitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, resolveFbo_);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    out.width = width_;
    out.height = height_;
    out.rgba.resize(static_cast<size_t>(width_) * height_ * 4);  // every byte is read back over
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, out.rgba.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void FrameTargets::release() {
    if (fbo_) glDeleteFramebuffers(1, &fbo_);
    if (resolveFbo_) glDeleteFramebuffers(1, &resolveFbo_);
    GLuint buffers[3] = {colorBuffer_, depthBuffer_, resolveColor_};
    glDeleteRenderbuffers(3, buffers);
    fbo_ = resolveFbo_ = colorBuffer_ = depthBuffer_ = resolveColor_ = 0;
    width_ = height_ = samples_ = 0;
}

}  // namespace fw
