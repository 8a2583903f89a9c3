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

void GLRenderer::uploadTextures(const DrawList& list) {
    for (const DrawList::Item& item : list.items())
        for (const DrawList::Part& part : item.parts) {
            textures_.upload(*part.material);
            for (const DrawList::Layer& layer : part.layers) textures_.upload(*layer.material);
        }
}

// The lit scene: opaque items first, then the transparent ones from the back
// forwards, blended over what is behind them without hiding it. Parts in a line style
// add their lines after their faces; only they pay for finding edges.
class GLRenderer::ScenePass {
public:
    ScenePass(GLRenderer& renderer, DrawList& list, const LightSlots& slots, const ShadowPass::Fit* shadow,
              Camera& camera, const RenderFrame& frame)
        : r_(renderer), list_(list), slots_(slots), shadow_(shadow), camera_(camera), frame_(frame) {}

    void draw() {
        setUp();
        holdOut();
        for (const DrawList::Item& item : list_.items()) drawItem(item);
        finish();
    }

private:
    static int style(const DrawList::Part& part) { return part.material->style; }
    static bool lined(const DrawList::Part& part) {
        return style(part) == BakedMaterial::kCartoon || style(part) == BakedMaterial::kWireframe ||
               style(part) == BakedMaterial::kHiddenLine;
    }
    // Matte parts, and hidden-line faces without a fill colour, hold out what is behind
    // them: depth only, so the background stays.
    static bool holdsOut(const DrawList::Part& part) {
        return style(part) == BakedMaterial::kMatte ||
               (style(part) == BakedMaterial::kHiddenLine && !part.material->hiddenFill);
    }
    static bool hasFaces(const DrawList::Part& part) {
        return !holdsOut(part) && style(part) != BakedMaterial::kWireframe;
    }
    // Faces under lines sit a little further back, so that their own edges win the depth test.
    static void drawFaces(const DrawList::Part& part) {
        if (lined(part)) {
            glEnable(GL_POLYGON_OFFSET_FILL);
            glPolygonOffset(1.0f, 1.0f);
        }
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(part.triangles.size()), GL_UNSIGNED_INT, part.triangles.data());
        glDisable(GL_POLYGON_OFFSET_FILL);
    }
    static void drawLines(const std::vector<uint32_t>& lines, float width) {
        glLineWidth(std::clamp(width, 1.0f, 64.0f));
        glDrawElements(GL_LINES, static_cast<GLsizei>(lines.size()), GL_UNSIGNED_INT, lines.data());
        glLineWidth(1.0f);
    }

    // Depth, the camera's projection, the drawing order and the plain program in use.
    void setUp() {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDisable(GL_CULL_FACE);
        cameraWorld_ = camera_.cameraToWorld();
        view_ = glm::mat4(glm::inverse(cameraWorld_));
        glMatrixMode(GL_PROJECTION);
        glm::dmat4 projection = projectionOf(camera_, frame_.viewAspect());
        if (r_.passes_) {
            // Shifted by a fraction of a pixel for an anti-aliasing pass.
            const double* offset = r_.passes_->pixelOffset;
            projection = glm::translate(glm::dmat4(1.0),
                                        glm::dvec3(2 * offset[0] / frame_.width, 2 * offset[1] / frame_.height, 0)) *
                         projection;
        }
        glLoadMatrixf(glm::value_ptr(glm::mat4(projection)));
        list_.sortForDrawing(glm::dvec3(cameraWorld_[3]));
        // Towards the viewer, for silhouettes: the eye point, or for a parallel view the
        // camera's backward axis.
        eye_ = camera_.projection() == Camera::kOrthographic ? glm::dvec4(glm::dvec3(cameraWorld_[2]), 0.0)
                                                             : glm::dvec4(glm::dvec3(cameraWorld_[3]), 1.0);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glMatrixMode(GL_MODELVIEW);
        spotLit_ = std::any_of(slots_.direct.begin(), slots_.direct.end(),
                               [](const Light* l) { return l->type() == Light::kSpot; })
                       ? LightingProgram::kSpotLit
                       : 0;
        use(LightingProgram::kPlain);
        last_ = current_;
        if (!frame_.shaders) {
            r_.fixed_.begin(slots_, view_, frame_.advancedLighting);
            current_ = nullptr;
        }
    }

    // Each variant of the lighting program is set up for the frame when first used, and
    // told the object's placement whenever it takes over.
    void use(int variant) {
        LightingProgram& wanted = r_.programs_[variant];
        if (variant != LightingProgram::kPlain && !wanted.id() && !failed_[variant]) {
            std::string error;
            failed_[variant] = !wanted.build(error, variant);
            // Then the part is drawn as a plain one.
            if (failed_[variant]) std::fprintf(stderr, "formwright: %s\n", error.c_str());
        }
        if (failed_[variant]) variant = LightingProgram::kPlain;
        LightingProgram& program = r_.programs_[variant];
        if (&program == current_) return;
        if (begun_[variant]) {
            program.use();
        } else {
            program.begin(slots_, view_, glm::vec3(cameraWorld_[3]));
            program.setShadow(shadow_, r_.shadow_.texture(), frame_.shadowOffset);
            begun_[variant] = true;
            // Placing the lights went through the modelview: the object's own is due back.
            glLoadMatrixf(glm::value_ptr(view_ * world_));
        }
        program.setObject(world_, opacity_);
        current_ = &program;
    }

    // Unlit, untextured drawing in one colour, outside the lighting program.
    void flat(const float colour[4]) {
        // The program's textures stay bound for when it takes over again; without
        // GL_TEXTURE_2D enabled fixed-function drawing ignores them.
        r_.fixed_.flat();
        current_ = nullptr;
        glColor4fv(colour);
    }

    void place(const DrawList::Item& item) {
        world_ = glm::mat4(item.world);
        opacity_ = static_cast<float>(item.opacity);
        glLoadMatrixf(glm::value_ptr(view_ * world_));
        if (current_) current_->setObject(world_, opacity_);
        glInterleavedArrays(GL_T2F_N3F_V3F, 0, item.mesh->vertexData());
    }

    // The parts that hold out, into the depth buffer alone.
    void holdOut() {
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        for (const DrawList::Item& item : list_.items()) {
            if (std::none_of(item.parts.begin(), item.parts.end(), holdsOut)) continue;
            place(item);
            for (const DrawList::Part& part : item.parts)
                if (holdsOut(part)) drawFaces(part);
        }
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    }

    void drawItem(const DrawList::Item& item) {
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
        for (const DrawList::Part& part : item.parts) drawPart(item, part);
    }

    // The part's material in the fixed lighting or the program variant it needs.
    void light(const DrawList::Part& part) {
        const BakedMaterial& m = *part.material;
        if (!frame_.shaders) {
            r_.fixed_.setMaterial(m, r_.textures_.upload(m), opacity_);
            return;
        }
        int variant = LightingProgram::needsStack(part.layers) ? LightingProgram::kStacked : LightingProgram::kPlain;
        if (m.style == BakedMaterial::kCartoon) variant |= LightingProgram::kCartoon;
        use(variant | LightingProgram::detailsOf(m) | spotLit_);
        last_ = current_;
        current_->setMaterial(m, r_.textures_.upload(m), slots_.ambient);
        current_->setLayers(part.layers, r_.textures_);
    }

    void drawPart(const DrawList::Item& item, const DrawList::Part& part) {
        const BakedMaterial& m = *part.material;
        if (m.style == BakedMaterial::kMatte) return;
        // A shadow catcher shows nothing but shadows, which this lighting has not.
        if (!frame_.shaders && m.style == BakedMaterial::kShadowCatcher) return;
        if (m.style == BakedMaterial::kWireframe || m.style == BakedMaterial::kHiddenLine) {
            if (m.hiddenFill && m.style == BakedMaterial::kHiddenLine) {
                flat(m.hiddenFillColor);
                drawFaces(part);
            }
            // The lines wear the material, lit as the surface would be where they run.
            light(part);
            drawLines(MeshEdges(*item.mesh, part.triangles).polygonEdges(), m.lineWidth);
            return;
        }
        light(part);
        drawFaces(part);
        if (m.style == BakedMaterial::kCartoon) {
            static const float kInk[4] = {0, 0, 0, 1};
            flat(kInk);
            glm::dvec4 seen = glm::inverse(item.world) * eye_;
            drawLines(MeshEdges(*item.mesh, part.triangles).outline(seen, kCartoonCrease), m.lineWidth);
        }
    }

    void finish() {
        glDisable(GL_BLEND);
        glDepthMask(GL_TRUE);
        if (!frame_.shaders) r_.fixed_.end();
        last_->end();
    }

    GLRenderer& r_;
    DrawList& list_;
    const LightSlots& slots_;
    const ShadowPass::Fit* shadow_;
    Camera& camera_;
    const RenderFrame& frame_;
    glm::dmat4 cameraWorld_{1.0};
    glm::mat4 view_{1.0f};
    glm::dvec4 eye_{0.0};
    int spotLit_ = 0;
    LightingProgram* current_ = nullptr;
    LightingProgram* last_ = nullptr;
    bool begun_[LightingProgram::kVariants] = {};
    bool failed_[LightingProgram::kVariants] = {};
    glm::mat4 world_{1.0f};
    float opacity_ = 1.0f;
};

bool GLRenderer::drawFrame(SceneX& scene, Camera& camera, const RenderFrame& frame, unsigned framebuffer,
                           std::string& error) {
    DrawList list;
    gather(scene, list);
    Clock::time_point start = Clock::now();
    uploadTextures(list);
    timing_.baking += since(start);

    start = Clock::now();
    LightSlots slots = LightSlots::assign(scene);
    const glm::dmat4 viewProjection =
        projectionOf(camera, static_cast<double>(frame.width) / frame.height) * glm::inverse(camera.cameraToWorld());
    // Passes that only shift the projection by a fraction of a pixel see the scene as the
    // pass before did: its shadow map serves them all.
    const bool sameShadow = passes_ && shadowKept_ && keptShadowTime_ == passes_->time &&
                            keptShadowView_ == viewProjection;
    const ShadowPass::Fit* shadow = !frame.shadows ? nullptr
                                    : sameShadow   ? keptShadow_
                                                   : shadow_.draw(list, slots, viewProjection);
    if (frame.shadows && passes_ && !sameShadow) {
        shadowKept_ = true;
        keptShadow_ = shadow;
        keptShadowTime_ = passes_->time;
        keptShadowView_ = viewProjection;
    }
    targets_.begin(frame);
    ScenePass(*this, list, slots, shadow, camera, frame).draw();
    targets_.resolveInto(framebuffer);
    // Reading back waits for the drawing to finish: glFinish first keeps the two apart.
    glFinish();
    timing_.drawing += since(start);
    error = glFailure();
    return error.empty();
}

std::string GLRenderer::glFailure() {
    const GLenum glError = glGetError();
    if (glError == GL_NO_ERROR) return "";
    char text[96];
    std::snprintf(text, sizeof text, "OpenGL reported error 0x%04x while drawing the frame", glError);
    return text;
}

// Passes summed on the card: each pass resolved into its effect's pass buffer and
// added into the effect's sum by blending; an effect's mean goes into the pass buffer
// of the effect around it, or the frame's output.
class GLRenderer::GLPassSums : public PassSums {
public:
    GLPassSums(GLRenderer& r, SceneX& scene, Camera& camera, const RenderFrame& frame, MultiPassList& effects,
               std::string& error)
        : r_(r), scene_(scene), camera_(camera), frame_(frame), effects_(effects), error_(error) {}

    void clear(int k) override {
        glBindFramebuffer(GL_FRAMEBUFFER, effects_[k]->accumBuffer.framebuffer);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    bool addFrame(int k) override {
        if (!r_.drawFrame(scene_, camera_, frame_, passOf(k), error_)) return false;
        if (k >= 0) add(k);
        return true;
    }
    void addMean(int k, int into) override {
        r_.targets_.drawScaled(effects_[k]->accumBuffer.texture, passOf(into),
                               1.0f / static_cast<float>(effects_[k]->passCount()), false);
        if (into >= 0) add(into);
    }

private:
    unsigned passOf(int k) const {
        return k < 0 ? r_.targets_.outputFramebuffer() : effects_[k]->passBuffer.framebuffer;
    }
    void add(int k) {
        r_.targets_.drawScaled(effects_[k]->passBuffer.texture, effects_[k]->accumBuffer.framebuffer, 1, true);
    }

    GLRenderer& r_;
    SceneX& scene_;
    Camera& camera_;
    const RenderFrame& frame_;
    MultiPassList& effects_;
    std::string& error_;
};

bool GLRenderer::drawPasses(SceneX& scene, Camera& camera, const RenderFrame& frame, MultiPassList& effects,
                            RenderImage& out, std::string& error) {
    PassContext context(frame.passes);
    bool buffers = targets_.summingAvailable();
    for (auto& effect : effects) buffers = buffers && effect->makeBuffers(frame.width, frame.height);
    passes_ = &context;
    shadowKept_ = false;
    bool done;
    if (buffers) {
        GLPassSums sums(*this, scene, camera, frame, effects, error);
        done = runPasses(effects, context, camera, sums, &framesDrawn_);
        Clock::time_point start = Clock::now();
        if (done) targets_.readPixels(out);
        timing_.readBack += since(start);
    } else {
        // Without float buffers the passes are read back one by one and summed here.
        for (auto& effect : effects) effect->releaseBuffers();
        const float background[3] = {frame.background[0], frame.background[1], frame.background[2]};
        CpuPassSums sums(
            effects, frame.width, frame.height, background,
            [&](RenderImage& image) {
                if (!drawFrame(scene, camera, frame, targets_.outputFramebuffer(), error)) return false;
                Clock::time_point start = Clock::now();
                if (&image == &out)
                    targets_.readPixels(image);
                else
                    targets_.bindOutputForReading();
                timing_.readBack += since(start);
                return true;
            },
            out, true);
        done = runPasses(effects, context, camera, sums, &framesDrawn_);
    }
    passes_ = nullptr;
    return done;
}

bool GLRenderer::render(SceneX& scene, Camera& camera, const RenderFrame& frame, RenderImage& out, std::string& error) {
    framesDrawn_ = 0;
    if (!begin(frame, error)) return false;
    if (!targets_.ensure(frame.width, frame.height, frame.samples, error)) {
        sizeRefused_ = true;
        return false;
    }
    MultiPassList effects = multiPassEffects(frame.passes);
    if (!effects.empty()) return drawPasses(scene, camera, frame, effects, out, error);
    framesDrawn_ = 1;
    if (!drawFrame(scene, camera, frame, targets_.outputFramebuffer(), error)) return false;
    Clock::time_point start = Clock::now();
    targets_.readPixels(out);
    timing_.readBack = since(start);
    error = glFailure();
    return error.empty();
}

}  // namespace fw
