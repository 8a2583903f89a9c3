#include "platform/GLContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>

namespace fw {

namespace {

std::string eglErrorText(const char* what) {
    char text[128];
    std::snprintf(text, sizeof text, "%s (EGL error 0x%04x)", what, eglGetError());
    return text;
}

}  // namespace

std::unique_ptr<GLContext> GLContext::create(std::string& error) {
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        error = "no OpenGL driver: EGL cannot open a display without a window system";
        return nullptr;
    }
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        error = eglErrorText("no OpenGL driver: EGL could not be initialised");
        return nullptr;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error = eglErrorText("the OpenGL driver offers no desktop OpenGL");
        eglTerminate(display);
        return nullptr;
    }
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                 EGL_NONE};
    EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT) {
        error = eglErrorText("no OpenGL 3.0 compatibility context could be created");
        eglTerminate(display);
        return nullptr;
    }
    std::unique_ptr<GLContext> gl(new GLContext);
    gl->display_ = display;
    gl->context_ = context;
    if (!gl->makeCurrent()) {
        error = eglErrorText("the OpenGL context could not be made current");
        return nullptr;
    }
    return gl;
}

GLContext::~GLContext() {
    if (!display_) return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_) eglDestroyContext(display_, context_);
    // The display stays initialised: EGL displays are shared by the process.
}

bool GLContext::makeCurrent() {
    return eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_) == EGL_TRUE;
}

std::string GLContext::description() const {
    auto text = [](GLenum name) {
        const GLubyte* s = glGetString(name);
        return s ? std::string(reinterpret_cast<const char*>(s)) : std::string("?");
    };
    return text(GL_VENDOR) + " | " + text(GL_RENDERER) + " | " + text(GL_VERSION);
}

}  // namespace fw
