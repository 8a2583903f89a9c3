#define GL_GLEXT_PROTOTYPES 1
#include "render/GLRenderer.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "mesh/PackedObjDB.h"
#include "platform/Dialogs.h"
#include "platform/GLContext.h"
#include "render/Camera.h"
#include "render/Light.h"
#include "render/LightSlots.h"
#include "render/MeshEdges.h"

namespace fw {

namespace {

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// The camera's projection onto a frame of the given width over height.
glm::dmat4 projectionOf(const Camera& camera, double aspect) {
    if (camera.projection() == Camera::kOrthographic) {
        double half = camera.orthoWidth / 2;
        return glm::ortho(-half, half, -half / aspect, half / aspect, camera.clipNear, camera.clipFar);
    }
    double hw, hh;
    camera.frustumAt(camera.clipNear, hw, hh);
    hh = hw / aspect;  // the frame's own shape decides the height
    return glm::frustum(-hw, hw, -hh, hh, camera.clipNear, camera.clipFar);
}

// A cartoon outline also follows creases sharper than this, in degrees: a box's
// edges, a letter's rim, not the facets of a curved side.
constexpr double kCartoonCrease = 40;

}  // namespace

GLRenderer* GLRenderer::instance(std::string& error) {
    static std::unique_ptr<GLRenderer> renderer;
    static std::string failure;
    if (renderer) return renderer->context_->makeCurrent() ? renderer.get() : nullptr;
    if (!failure.empty()) {
        error = failure;
        return nullptr;
    }
    std::unique_ptr<GLRenderer> r(new GLRenderer);
    r->context_ = GLContext::create(error);
    if (!r->context_) {
        failure = error;
        return nullptr;
    }
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = version ? std::atoi(version) : 0;
    if (major < 3) {
        // Shader objects and frame-buffer objects are what the high-quality path needs.
        Dialogs::instance().alert(
            "High Quality OpenGL Rendering is not supported.\rSome OpenGL rendering may not look right.\rUse the "
            "Orvostat Renderer for final output.");
        failure = error = std::string("OpenGL ") + (version ? version : "?") +
                          " has no frame-buffer objects or shaders, which off-screen rendering needs";
        return nullptr;
    }
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &r->maxTextureSize_);
    if (!r->programs_[LightingProgram::kPlain].build(error)) {
        failure = error;
        return nullptr;
    }
    renderer = std::move(r);
    return renderer.get();
}

GLRenderer::~GLRenderer() {
    if (!context_ || !context_->makeCurrent()) return;
    releaseTextures();
    for (LightingProgram& program : programs_) program.release();
    shadow_.release();
    targets_.release();
}

std::string GLRenderer::description() const { return context_ ? context_->description() : std::string(); }

void GLRenderer::releaseTextures() { textures_.release(); }

bool GLRenderer::render(SceneX& scene, Camera& camera, const Frame& frame, Image& out, std::string& error) {
    sizeRefused_ = false;
    if (frame.width <= 0 || frame.height <= 0 || frame.width > 16384 || frame.height > 16384) {
        error = "the image size must be between 1 x 1 and 16384 x 16384";
        sizeRefused_ = true;
        return false;
    }
    timing_ = Timing();
    Clock::time_point start = Clock::now();
    DrawList list;
    list.gather(scene);
    timing_.geometry = since(start);

    start = Clock::now();
    list.assignMaterials(materials_, stacks_);
    for (const DrawList::Item& item : list.items())
        for (const DrawList::Part& part : item.parts) {
            textures_.upload(*part.material);
            for (const DrawList::Layer& layer : part.layers) textures_.upload(*layer.material);
        }
    timing_.baking = since(start);

    start = Clock::now();
    if (!targets_.ensure(frame.width, frame.height, frame.samples, error)) {
        sizeRefused_ = true;
        return false;
    }
    LightSlots slots = LightSlots::assign(scene);
    const ShadowPass::Fit* shadow =
        frame.shadows ? shadow_.draw(list, slots,
                                     projectionOf(camera, static_cast<double>(frame.width) / frame.height) *
                                         glm::inverse(camera.cameraToWorld()))
                      : nullptr;
    targets_.begin(frame);
    drawScene(list, slots, shadow, camera, frame);
    // Reading back waits for the drawing to finish: glFinish first keeps the two apart.
    glFinish();
    timing_.drawing = since(start);
    start = Clock::now();
    targets_.readBack(out);
    GLenum glError = glGetError();
    timing_.readBack = since(start);
    if (glError != GL_NO_ERROR) {
        char text[96];
        std::snprintf(text, sizeof text, "OpenGL reported error 0x%04x while drawing the frame", glError);
        error = text;
        return false;
    }
    return true;
}

// The lit scene: opaque items first, then the transparent ones from the back
// forwards, blended over what is behind them without hiding it. Parts in a line style
// add their lines after their faces; only they pay for finding edges.
void GLRenderer::drawScene(DrawList& list, const LightSlots& slots, const ShadowPass::Fit* shadow, Camera& camera,
                           const Frame& frame) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_CULL_FACE);
    glm::dmat4 cameraWorld = camera.cameraToWorld();
    glm::mat4 view(glm::inverse(cameraWorld));
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(glm::value_ptr(glm::mat4(projectionOf(camera, frame.width * frame.pixelAspect / frame.height))));
    list.sortForDrawing(glm::dvec3(cameraWorld[3]));
    // Towards the viewer, for silhouettes: the eye point, or for a parallel view the
    // camera's backward axis.
    const glm::dvec4 eye = camera.projection() == Camera::kOrthographic ? glm::dvec4(glm::dvec3(cameraWorld[2]), 0.0)
                                                                         : glm::dvec4(glm::dvec3(cameraWorld[3]), 1.0);

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glMatrixMode(GL_MODELVIEW);
    auto style = [](const DrawList::Part& part) { return part.material->style; };
    auto lined = [&](const DrawList::Part& part) {
        return style(part) == BakedMaterial::kCartoon || style(part) == BakedMaterial::kWireframe ||
               style(part) == BakedMaterial::kHiddenLine;
    };
    // Faces under lines sit a little further back, so that their own edges win the depth test.
    auto drawFaces = [&](const DrawList::Part& part) {
        if (lined(part)) {
            glEnable(GL_POLYGON_OFFSET_FILL);
            glPolygonOffset(1.0f, 1.0f);
        }
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(part.triangles.size()), GL_UNSIGNED_INT, part.triangles.data());
        glDisable(GL_POLYGON_OFFSET_FILL);
    };
    auto drawLines = [](const std::vector<uint32_t>& lines, float width) {
        glLineWidth(std::clamp(width, 1.0f, 64.0f));
        glDrawElements(GL_LINES, static_cast<GLsizei>(lines.size()), GL_UNSIGNED_INT, lines.data());
        glLineWidth(1.0f);
    };
    // Each variant of the lighting program is set up for the frame when first used, and
    // told the object's placement whenever it takes over.
    const int spotLit = std::any_of(slots.direct.begin(), slots.direct.end(),
                                    [](const Light* l) { return l->type() == Light::kSpot; })
                            ? LightingProgram::kSpotLit
                            : 0;
    LightingProgram* current = nullptr;
    bool begun[LightingProgram::kVariants] = {};
    bool failed[LightingProgram::kVariants] = {};
    glm::mat4 world(1.0f);
    float opacity = 1.0f;
    auto use = [&](int variant) {
        LightingProgram& wanted = programs_[variant];
        if (variant != LightingProgram::kPlain && !wanted.id() && !failed[variant]) {
            std::string error;
            failed[variant] = !wanted.build(error, variant);
            // Then the part is drawn as a plain one.
            if (failed[variant]) std::fprintf(stderr, "formwright: %s\n", error.c_str());
        }
        if (failed[variant]) variant = LightingProgram::kPlain;
        LightingProgram& program = programs_[variant];
        if (&program == current) return;
        if (begun[variant]) {
            program.use();
        } else {
            program.begin(slots, view, glm::vec3(cameraWorld[3]));
            program.setShadow(shadow, shadow_.texture(), frame.shadowOffset);
            begun[variant] = true;
            // Placing the lights went through the modelview: the object's own is due back.
            glLoadMatrixf(glm::value_ptr(view * world));
        }
        program.setObject(world, opacity);
        current = &program;
    };
    // Unlit, untextured drawing in one colour, outside the lighting program.
    auto flat = [&](const float colour[4]) {
        // The program's textures stay bound for when it takes over again; without
        // GL_TEXTURE_2D enabled fixed-function drawing ignores them.
        fixed_.flat();
        current = nullptr;
        glColor4fv(colour);
    };
    use(LightingProgram::kPlain);
    LightingProgram* last = current;
    if (!frame.shaders) {
        fixed_.begin(slots, view, frame.advancedLighting);
        current = nullptr;
    }
    auto place = [&](const DrawList::Item& item) {
        world = glm::mat4(item.world);
        opacity = static_cast<float>(item.opacity);
        glLoadMatrixf(glm::value_ptr(view * world));
        if (current) current->setObject(world, opacity);
        glInterleavedArrays(GL_T2F_N3F_V3F, 0, item.mesh->vertexData());
    };
    // Matte parts, and hidden-line faces without a fill colour, hold out what is behind
    // them: depth only, so the background stays.
    auto holdsOut = [&](const DrawList::Part& part) {
        return style(part) == BakedMaterial::kMatte ||
               (style(part) == BakedMaterial::kHiddenLine && !part.material->hiddenFill);
    };
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    for (const DrawList::Item& item : list.items()) {
        if (std::none_of(item.parts.begin(), item.parts.end(), holdsOut)) continue;
        place(item);
        for (const DrawList::Part& part : item.parts)
            if (holdsOut(part)) drawFaces(part);
    }
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    auto hasFaces = [&](const DrawList::Part& part) {
        return !holdsOut(part) && style(part) != BakedMaterial::kWireframe;
    };
    for (const DrawList::Item& item : list.items()) {
        place(item);
        if (item.transparent) {
            // Only the nearest surface of a transparent object blends over what is
            // behind it: its own back faces would otherwise darken it a second time.
            glDisable(GL_BLEND);
            glDepthMask(GL_TRUE);
            glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
            for (const DrawList::Part& part : item.parts)
                if (hasFaces(part)) drawFaces(part);
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            glDepthMask(GL_FALSE);
        } else {
            glDisable(GL_BLEND);
            glDepthMask(GL_TRUE);
        }
        for (const DrawList::Part& part : item.parts) {
            const BakedMaterial& m = *part.material;
            if (m.style == BakedMaterial::kMatte) continue;
            // A shadow catcher shows nothing but shadows, which this lighting has not.
            if (!frame.shaders && m.style == BakedMaterial::kShadowCatcher) continue;
            int variant = LightingProgram::needsStack(part.layers) ? LightingProgram::kStacked : LightingProgram::kPlain;
            if (m.style == BakedMaterial::kCartoon) variant |= LightingProgram::kCartoon;
            variant |= LightingProgram::detailsOf(m) | spotLit;
            auto lit = [&] {
                if (!frame.shaders) {
                    fixed_.setMaterial(m, textures_.upload(m), opacity);
                    return;
                }
                use(variant);
                last = current;
                current->setMaterial(m, textures_.upload(m), slots.ambient);
                current->setLayers(part.layers, textures_);
            };
            if (m.style == BakedMaterial::kWireframe || m.style == BakedMaterial::kHiddenLine) {
                if (m.hiddenFill && m.style == BakedMaterial::kHiddenLine) {
                    flat(m.hiddenFillColor);
                    drawFaces(part);
                }
                // The lines wear the material, lit as the surface would be where they run.
                lit();
                drawLines(MeshEdges(*item.mesh, part.triangles).polygonEdges(), m.lineWidth);
                continue;
            }
            lit();
            drawFaces(part);
            if (m.style == BakedMaterial::kCartoon) {
                static const float kInk[4] = {0, 0, 0, 1};
                flat(kInk);
                glm::dvec4 seen = glm::inverse(item.world) * eye;
                drawLines(MeshEdges(*item.mesh, part.triangles).outline(seen, kCartoonCrease), m.lineWidth);
            }
        }
    }
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    if (!frame.shaders) fixed_.end();
    last->end();
}

}  // namespace fw
