#pragma once
// An OpenGL context for off-screen rendering: the compatibility profile (light slots,
// the fixed-function transform and shader programs) without a window, through EGL's
// surfaceless platform. Frames are drawn into frame-buffer objects.

#include <memory>
#include <string>

namespace fw {

class GLContext {
public:
    // Null with `error` naming the cause when no OpenGL driver or context is available.
    static std::unique_ptr<GLContext> create(std::string& error);
    ~GLContext();
    GLContext(const GLContext&) = delete;
    GLContext& operator=(const GLContext&) = delete;

    bool makeCurrent();
    // "vendor | renderer | version", for logs.
    std::string description() const;

private:
    GLContext() = default;
    void* display_ = nullptr;
    void* context_ = nullptr;
};

}  // namespace fw
