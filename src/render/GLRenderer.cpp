#define GL_GLEXT_PROTOTYPES 1
#include "render/GLRenderer.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <glm/gtc/matrix_inverse.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "mesh/PackedObjDB.h"
#include "platform/Dialogs.h"
#include "platform/GLContext.h"
#include "render/Camera.h"
#include "render/Light.h"
#include "scene/Object.h"
#include "scene/SceneX.h"

namespace fw {

namespace {

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

glm::mat4 toFloat(const glm::dmat4& m) { return glm::mat4(m); }

bool visible(DAGNode& node) {
    int depth = 0;
    for (DAGNode* n = &node; n && depth < 10000; n = n->parent(), ++depth)
        if (!n->flag(DAGNode::kVisible)) return false;
    return true;
}

// A drawable: one object's packed mesh, its world matrix and its triangles per part.
struct Drawable {
    Object* object;
    PackedObjDB* mesh;
    glm::dmat4 world;
    std::vector<std::pair<int, std::vector<GLuint>>> parts;  // part, triangle corners
    double depth = 0;                                        // for sorting transparent ones
    bool transparent = false;
};

void triangulate(Drawable& d) {
    const PackedObjDB& mesh = *d.mesh;
    const int32_t* indices = mesh.indexData();
    for (int e = 0; e < mesh.elementCount(); ++e) {
        const PackedObjDB::Element& el = mesh.element(e);
        if (el.kind != GeometryInterface::Polygon || el.count < 3) continue;
        auto it = std::find_if(d.parts.begin(), d.parts.end(), [&](const auto& p) { return p.first == el.part; });
        if (it == d.parts.end()) {
            d.parts.push_back({el.part, {}});
            it = d.parts.end() - 1;
        }
        // Fans: the meshes hold convex polygons (caps arrive as triangles).
        for (int k = 1; k + 1 < el.count; ++k) {
            it->second.push_back(static_cast<GLuint>(indices[el.first]));
            it->second.push_back(static_cast<GLuint>(indices[el.first + k]));
            it->second.push_back(static_cast<GLuint>(indices[el.first + k + 1]));
        }
    }
}

void sceneBounds(const std::vector<Drawable>& drawables, double box[6]) {
    emptyBox(box);
    for (const Drawable& d : drawables) {
        const float* v = d.mesh->vertexData();
        for (int i = 0; i < d.mesh->vertexCount(); ++i, v += PackedObjDB::kFloatsPerVertex) {
            glm::dvec4 p = d.world * glm::dvec4(v[5], v[6], v[7], 1.0);
            double q[3] = {p.x, p.y, p.z};
            growBox(box, q);
        }
    }
}

void drawMesh(const Drawable& d, const std::vector<GLuint>& triangles) {
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, d.mesh->vertexData());
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(triangles.size()), GL_UNSIGNED_INT, triangles.data());
}

}  // namespace

struct GLRenderer::Shadow {
    int slot = 0;
    GLuint texture = 0, fbo = 0;
    glm::mat4 view;
    float lx = 0, ly = 0, dx = 1, dy = 1, focal = 0, nearZ = 0.1f, farZ = 1, darkness = 0.2f;
    float texel = 0;  // the map's texel size in scene units near the scene's middle
    int filterHalf = 0;
    float tapSpacing = 0;
    int mapWidth = 512;
    std::vector<float> weights;

    ~Shadow() {
        if (fbo) glDeleteFramebuffers(1, &fbo);
        if (texture) glDeleteTextures(1, &texture);
    }
};

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
    if (!r->program_.build(error)) {
        failure = error;
        return nullptr;
    }
    renderer = std::move(r);
    return renderer.get();
}

GLRenderer::~GLRenderer() {
    if (!context_ || !context_->makeCurrent()) return;
    releaseTextures();
    program_.release();
    if (fbo_) glDeleteFramebuffers(1, &fbo_);
    if (resolveFbo_) glDeleteFramebuffers(1, &resolveFbo_);
    GLuint buffers[3] = {colorBuffer_, depthBuffer_, resolveColor_};
    glDeleteRenderbuffers(3, buffers);
}

std::string GLRenderer::description() const { return context_ ? context_->description() : std::string(); }

void GLRenderer::releaseTextures() {
    for (auto& entry : textures_)
        for (auto& surface : entry.second.ids) glDeleteTextures(4, surface);
    textures_.clear();
}

const GLRenderer::Textures& GLRenderer::texturesFor(const RenderMaterial& material) {
    Textures& t = textures_[&material];
    if (t.version == material.version && t.ids[0][0]) return t;
    for (auto& surface : t.ids) glDeleteTextures(4, surface);
    std::memset(t.ids, 0, sizeof t.ids);
    t.version = material.version;
    for (int s = 0; s < 2; ++s) {
        const RenderSurface& surface = material.surface[s];
        const RenderTexture* sources[4] = {&surface.color, &surface.specular, &surface.bump, &surface.reflection};
        for (int c = 0; c < 4; ++c) {
            const RenderTexture& tex = *sources[c];
            if (tex.empty() && c != 0) continue;
            static const RenderTexture white = RenderTexture::solid(1, 1, 1, 1);
            const RenderTexture& src = tex.empty() ? white : tex;
            glGenTextures(1, &t.ids[s][c]);
            glBindTexture(GL_TEXTURE_2D, t.ids[s][c]);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, src.width, src.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, src.rgba.data());
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        }
    }
    return t;
}

bool GLRenderer::ensureTargets(int width, int height, int samples, std::string& error) {
    GLint maxSamples = 1;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    samples = std::clamp(samples, 1, std::max(1, static_cast<int>(maxSamples)));
    if (fbo_ && width == targetWidth_ && height == targetHeight_ && samples == targetSamples_) return true;
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
        targetWidth_ = 0;
        return false;
    }
    targetWidth_ = width, targetHeight_ = height, targetSamples_ = samples;
    return true;
}

GLRenderer::Slots GLRenderer::assignSlots(SceneX& scene) {
    Slots slots;
    slots.ambient[0] = slots.ambient[1] = slots.ambient[2] = 0;
    for (int i = 0; i < scene.memberCount(kLightKind); ++i) {
        auto* light = dynamic_cast<Light*>(scene.member(kLightKind, i));
        if (!light || !visible(*light)) continue;
        if (light->type() == Light::kAmbient) {
            for (int c = 0; c < 3; ++c) slots.ambient[c] += light->color[c] * static_cast<float>(light->intensity);
            continue;
        }
        if (slots.direct.size() < 7) slots.direct.push_back(light);
    }
    return slots;
}

// The media as a textured quad over the whole frame, before anything else and without
// touching depth, so the scene's objects all draw in front of it.
void GLRenderer::drawBackground(const Frame& frame) {
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

bool GLRenderer::render(SceneX& scene, Camera& camera, const Frame& frame, Image& out, std::string& error) {
    if (frame.width <= 0 || frame.height <= 0 || frame.width > 16384 || frame.height > 16384) {
        error = "the image size must be between 1 x 1 and 16384 x 16384";
        return false;
    }
    timing_ = Timing();
    Clock::time_point start = Clock::now();

    // Scene evaluation: every visible object's display mesh through its ports.
    std::vector<Drawable> drawables;
    for (int i = 0; i < scene.memberCount(kObjectKind); ++i) {
        auto* object = dynamic_cast<Object*>(scene.member(kObjectKind, i));
        if (!object || !visible(*object)) continue;
        PackedObjDB* mesh = object->displayGeometry(kRenderMode);
        if (!mesh || mesh->vertexCount() == 0) continue;
        Drawable d{object, mesh, object->worldTransform(), {}};
        triangulate(d);
        drawables.push_back(std::move(d));
    }
    timing_.geometry = since(start);

    Clock::time_point bakeStart = Clock::now();
    auto materialOf = [&](Object& object, int part) -> const RenderMaterial& {
        const RenderMaterial* m = materials_ ? materials_(object, part) : nullptr;
        return m ? *m : RenderMaterial::fallback();
    };
    for (Drawable& d : drawables)
        for (auto& part : d.parts) {
            const RenderMaterial& m = materialOf(*d.object, part.first);
            texturesFor(m);
            d.transparent = d.transparent || m.transparent();
        }
    timing_.baking = since(bakeStart);

    Clock::time_point drawStart = Clock::now();
    if (!ensureTargets(frame.width, frame.height, frame.samples, error)) return false;

    Slots slots = assignSlots(scene);
    double bounds[6];
    sceneBounds(drawables, bounds);
    bool haveBounds = bounds[0] <= bounds[3];

    // The shadow map of the first shadow-casting light.
    std::unique_ptr<Shadow> shadow;
    if (frame.shadows && haveBounds) {
        for (size_t i = 0; i < slots.direct.size() && !shadow; ++i) {
            Light* light = slots.direct[i];
            if (!light->shadow) continue;
            shadow = std::make_unique<Shadow>();
            shadow->slot = static_cast<int>(i) + 1;
            shadow->darkness = static_cast<float>(1.0 - light->shadowDarkness);
            int mapW = std::clamp(light->shadowMapXRes, 16, 8192), mapH = std::clamp(light->shadowMapYRes, 16, 8192);
            glm::dvec3 centre((bounds[0] + bounds[3]) / 2, (bounds[1] + bounds[4]) / 2, (bounds[2] + bounds[5]) / 2);
            double radius = 0.5 * std::sqrt((bounds[3] - bounds[0]) * (bounds[3] - bounds[0]) +
                                            (bounds[4] - bounds[1]) * (bounds[4] - bounds[1]) +
                                            (bounds[5] - bounds[2]) * (bounds[5] - bounds[2])) + 1e-3;
            glm::dmat4 lightWorld = light->cameraToWorld();
            glm::dvec3 position(lightWorld * glm::dvec4(0, 0, 1, light->type() == Light::kDirectional ? 0 : 1));
            glm::dmat4 projection;
            if (light->type() == Light::kDirectional) {
                // An orthographic box around the scene, seen along the light's direction.
                glm::dvec3 towards = -glm::normalize(glm::dvec3(lightWorld[2]));
                glm::dvec3 eye = centre - towards * (radius + 1.0);
                glm::dvec3 up = std::fabs(towards.y) > 0.99 ? glm::dvec3(0, 0, 1) : glm::dvec3(0, 1, 0);
                glm::dmat4 view = glm::lookAt(eye, centre, up);
                shadow->lx = static_cast<float>(-radius), shadow->ly = static_cast<float>(-radius);
                shadow->dx = shadow->dy = static_cast<float>(2 * radius);
                shadow->nearZ = 0, shadow->farZ = static_cast<float>(2 * radius + 2);
                projection = glm::ortho(-radius, radius, -radius, radius, 0.0, 2 * radius + 2);
                shadow->view = glm::mat4(view);
                shadow->texel = static_cast<float>(2 * radius / mapW);
            } else {
                // Spot lights use their cone; point lights a cone that just holds the scene.
                glm::dvec3 aim = light->type() == Light::kSpot ? position - glm::dvec3(lightWorld[2]) : centre;
                glm::dvec3 up = std::fabs(glm::normalize(aim - position).y) > 0.99 ? glm::dvec3(0, 0, 1) : glm::dvec3(0, 1, 0);
                glm::dmat4 view = glm::lookAt(position, aim, up);
                double distance = glm::length(centre - position);
                double halfTan = light->type() == Light::kSpot
                                     ? std::tan(glm::radians(std::min(light->spotOuterAngle(), 89.0)))
                                     : radius / std::max(distance - radius, radius * 0.1) * 1.05;
                double nearZ = std::max(0.01, distance - radius), farZ = distance + radius;
                projection = glm::frustum(-nearZ * halfTan, nearZ * halfTan, -nearZ * halfTan, nearZ * halfTan, nearZ, farZ);
                shadow->view = glm::mat4(view);
                shadow->focal = static_cast<float>(0.5 / halfTan);
                shadow->texel = static_cast<float>(2 * halfTan * distance / mapW);
                shadow->nearZ = static_cast<float>(nearZ), shadow->farZ = static_cast<float>(farZ);
            }
            shadow->mapWidth = mapW;
            int kernel = std::clamp(light->shadowSoftness, 1, 11) | 1;
            shadow->filterHalf = kernel / 2;
            shadow->tapSpacing = static_cast<float>(1.0 + light->shadowSoftness / 8.0) / static_cast<float>(mapW);
            double sum = 0;
            for (int y = -shadow->filterHalf; y <= shadow->filterHalf; ++y)
                for (int x = -shadow->filterHalf; x <= shadow->filterHalf; ++x) {
                    double w = std::exp(-(x * x + y * y) / (2.0 * (shadow->filterHalf * 0.6 + 0.5) * (shadow->filterHalf * 0.6 + 0.5)));
                    shadow->weights.push_back(static_cast<float>(w));
                    sum += w;
                }
            for (float& w : shadow->weights) w = static_cast<float>(w / sum);

            glGenTextures(1, &shadow->texture);
            glBindTexture(GL_TEXTURE_2D, shadow->texture);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, mapW, mapH, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            glGenFramebuffers(1, &shadow->fbo);
            glBindFramebuffer(GL_FRAMEBUFFER, shadow->fbo);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, shadow->texture, 0);
            glDrawBuffer(GL_NONE);
            glReadBuffer(GL_NONE);
            if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
                std::fputs("GL_FRAMEBUFFER_COMPLETE_EXT failed, CANNOT use FBO\n", stderr);
                shadow.reset();
                break;
            }
            glViewport(0, 0, mapW, mapH);
            glClear(GL_DEPTH_BUFFER_BIT);
            glEnable(GL_DEPTH_TEST);
            // Depths pushed back by the surface's slope too, for faces the light grazes.
            glEnable(GL_POLYGON_OFFSET_FILL);
            glPolygonOffset(2.0f, 4.0f);
            glUseProgram(0);
            glMatrixMode(GL_PROJECTION);
            glLoadMatrixf(glm::value_ptr(glm::mat4(projection)));
            glEnableClientState(GL_VERTEX_ARRAY);
            glEnableClientState(GL_NORMAL_ARRAY);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            for (const Drawable& d : drawables) {
                glMatrixMode(GL_MODELVIEW);
                glLoadMatrixf(glm::value_ptr(shadow->view * toFloat(d.world)));
                for (const auto& part : d.parts) drawMesh(d, part.second);
            }
            glDisable(GL_POLYGON_OFFSET_FILL);
        }
    }

    // The frame itself.
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, frame.width, frame.height);
    glClearColor(frame.background[0], frame.background[1], frame.background[2], frame.background[3]);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawBackground(frame);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_CULL_FACE);

    double aspect = static_cast<double>(frame.width) / frame.height;
    glm::dmat4 projection;
    if (camera.projection() == Camera::kOrthographic) {
        double half = camera.orthoWidth / 2;
        projection = glm::ortho(-half, half, -half / aspect, half / aspect, camera.clipNear, camera.clipFar);
    } else {
        double hw, hh;
        camera.frustumAt(camera.clipNear, hw, hh);
        hh = hw / aspect;  // the frame's own shape decides the height
        projection = glm::frustum(-hw, hw, -hh, hh, camera.clipNear, camera.clipFar);
    }
    glm::dmat4 cameraWorld = camera.cameraToWorld();
    glm::mat4 view = toFloat(glm::inverse(cameraWorld));
    glm::vec3 cameraPosition(cameraWorld[3]);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(glm::value_ptr(glm::mat4(projection)));

    // Lights into their slots, positioned in eye space through the view matrix.
    GLint lightTypes[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    glMatrixMode(GL_MODELVIEW);
    for (int slot = 1; slot < 8; ++slot) {
        if (slot - 1 >= static_cast<int>(slots.direct.size())) {
            const GLfloat none[4] = {0, 0, 0, 0};
            glLightfv(GL_LIGHT0 + slot, GL_DIFFUSE, none);
            continue;
        }
        Light* light = slots.direct[static_cast<size_t>(slot - 1)];
        glLoadMatrixf(glm::value_ptr(view * toFloat(light->cameraToWorld())));
        const GLfloat position[4] = {0, 0, 1, light->type() == Light::kDirectional ? 0.0f : 1.0f};
        const GLfloat direction[3] = {0, 0, -1};
        glLightfv(GL_LIGHT0 + slot, GL_POSITION, position);
        glLightfv(GL_LIGHT0 + slot, GL_SPOT_DIRECTION, direction);
        const GLfloat zero[4] = {0, 0, 0, 0};
        glLightfv(GL_LIGHT0 + slot, GL_AMBIENT, zero);
        const GLfloat colour[4] = {light->color[0], light->color[1], light->color[2], static_cast<float>(light->intensity)};
        glLightfv(GL_LIGHT0 + slot, GL_DIFFUSE, colour);
        glLightfv(GL_LIGHT0 + slot, GL_SPECULAR, colour);
        if (light->type() == Light::kSpot) {
            glLightf(GL_LIGHT0 + slot, GL_SPOT_CUTOFF, static_cast<float>(std::min(light->spotOuterAngle(), 89.0)));
            // The program reads the exponent slot as the inner cone angle in degrees.
            glLightf(GL_LIGHT0 + slot, GL_SPOT_EXPONENT, static_cast<float>(std::min(light->spotInnerAngle(), 128.0)));
            lightTypes[slot] = 2;
        } else {
            glLightf(GL_LIGHT0 + slot, GL_SPOT_CUTOFF, 180.0f);
            lightTypes[slot] = light->type() == Light::kDirectional ? 1 : 0;
        }
    }

    glUseProgram(program_.id());
    glUniform1iv(program_.uniform("light_types"), 8, lightTypes);
    glUniform3f(program_.uniform("camera_position"), cameraPosition.x, cameraPosition.y, cameraPosition.z);
    glUniform1i(program_.uniform("shad_light_index"), shadow ? shadow->slot : 0);
    if (shadow) {
        glActiveTexture(GL_TEXTURE0 + LightingProgram::kShadowUnit);
        glBindTexture(GL_TEXTURE_2D, shadow->texture);
        glUniformMatrix4fv(program_.uniform("shad_matrix"), 1, GL_FALSE, glm::value_ptr(shadow->view));
        glUniform1f(program_.uniform("shad_darkness"), shadow->darkness);
        glUniform1f(program_.uniform("shadLx"), shadow->lx);
        glUniform1f(program_.uniform("shadLy"), shadow->ly);
        glUniform1f(program_.uniform("shadDx"), shadow->dx);
        glUniform1f(program_.uniform("shadDy"), shadow->dy);
        glUniform1f(program_.uniform("shadFocal"), shadow->focal);
        glUniform1f(program_.uniform("shadNear"), shadow->nearZ);
        glUniform1f(program_.uniform("shadFar"), shadow->farZ);
        glUniform1f(program_.uniform("shadDepth"), shadow->farZ - shadow->nearZ);
        // The setting alone is far below a texel of a scene-sized map, and the filter's
        // outer taps read depths further along a sloping surface: without slack for
        // both, surfaces shadow themselves in stripes.
        float spanTexels = shadow->tapSpacing * static_cast<float>(shadow->filterHalf) * static_cast<float>(shadow->mapWidth);
        glUniform1f(program_.uniform("shadOffset"),
                    static_cast<float>(frame.shadowOffset) + (2 + 1.5f * spanTexels) * shadow->texel);
        glUniform1i(program_.uniform("shadFilterSize"), shadow->filterHalf);
        glUniform1i(program_.uniform("shadFilterSize2"), 2 * shadow->filterHalf);
        glUniform1i(program_.uniform("shadFilterSize2p1"), 2 * shadow->filterHalf + 1);
        glUniform1f(program_.uniform("shadFilterScaleOffset"), shadow->tapSpacing);
        glUniform1f(program_.uniform("shadFilterScaleOffsetSize"), shadow->tapSpacing * static_cast<float>(shadow->filterHalf));
        glUniform1fv(program_.uniform("shadFilter"), static_cast<GLsizei>(shadow->weights.size()), shadow->weights.data());
    }

    // Opaque objects first, then the transparent ones from the back forwards.
    for (Drawable& d : drawables) {
        glm::dvec4 centre = d.world * glm::dvec4(0, 0, 0, 1);
        d.depth = glm::length(glm::dvec3(centre) - glm::dvec3(cameraWorld[3]));
    }
    std::stable_sort(drawables.begin(), drawables.end(), [](const Drawable& a, const Drawable& b) {
        if (a.transparent != b.transparent) return !a.transparent;
        return a.transparent && a.depth > b.depth;
    });

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    for (const Drawable& d : drawables) {
        glm::mat4 world = toFloat(d.world);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(glm::value_ptr(view * world));
        glUniformMatrix4fv(program_.uniform("modelview_matrix"), 1, GL_FALSE, glm::value_ptr(world));
        glUniformMatrix4fv(program_.uniform("normal_matrix"), 1, GL_FALSE, glm::value_ptr(glm::inverseTranspose(world)));
        glUniform1f(program_.uniform("object_visibility"), 1.0f);
        if (d.transparent) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            glDepthMask(GL_FALSE);
        } else {
            glDisable(GL_BLEND);
            glDepthMask(GL_TRUE);
        }
        for (const auto& part : d.parts) {
            const RenderMaterial& m = materialOf(*d.object, part.first);
            const Textures& t = texturesFor(m);
            const GLfloat ambient[4] = {slots.ambient[0], slots.ambient[1], slots.ambient[2], 1};
            glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
            glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(m.surface[0].shininess, 0.0f, 128.0f));
            glUniform1i(program_.uniform("lighting_amount"), m.lighting ? 1 : 0);
            glUniform1f(program_.uniform("color_amount"), m.style == RenderMaterial::kShadowCatcher ? 0.5f : 1.0f);
            const char* suffix[2] = {"", "2"};
            for (int s = 0; s < 2; ++s) {
                const RenderSurface& surface = m.surface[s];
                auto name = [&](const char* base) { return std::string(base) + suffix[s]; };
                const int units[4] = {s ? LightingProgram::kColorUnit2 : LightingProgram::kColorUnit,
                                      s ? LightingProgram::kSpecularUnit2 : LightingProgram::kSpecularUnit,
                                      s ? LightingProgram::kBumpUnit2 : LightingProgram::kBumpUnit,
                                      s ? LightingProgram::kReflectionUnit2 : LightingProgram::kReflectionUnit};
                for (int c = 0; c < 4; ++c) {
                    glActiveTexture(GL_TEXTURE0 + units[c]);
                    glBindTexture(GL_TEXTURE_2D, t.ids[s][c] ? t.ids[s][c] : t.ids[s][0]);
                }
                bool bump = !surface.bump.empty() && surface.bumpAmount != 0;
                glUniform1f(program_.uniform(name("opacity_amount").c_str()), surface.opacity);
                glUniform1f(program_.uniform(name("specular_amount").c_str()), surface.specularAmount);
                glUniform1f(program_.uniform(name("specular_texture_amount").c_str()), surface.specular.empty() ? 0.0f : 1.0f);
                glUniform2f(program_.uniform(name("bump_offset").c_str()), bump ? 1.0f / surface.bump.width : 0.0f,
                            bump ? 1.0f / surface.bump.height : 0.0f);
                glUniform1f(program_.uniform(name("bump_amount").c_str()), bump ? surface.bumpAmount : 0.0f);
                bool reflects = !surface.reflection.empty() && m.style == RenderMaterial::kStandard;
                glUniform1f(program_.uniform(name("reflection_amount").c_str()), reflects ? surface.reflectionAmount : 0.0f);
            }
            glUniform1f(program_.uniform("fresnel_falloff_start"), m.fresnel ? m.fresnelStart : -1.0f);
            glUniform1f(program_.uniform("fresnel_falloff_end"), m.fresnelEnd);
            glUniform1f(program_.uniform("fresnel_falloff_tightness"), m.fresnelBlend);
            drawMesh(d, part.second);
        }
    }
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glUseProgram(0);
    glActiveTexture(GL_TEXTURE0);

    // Resolve the samples and read the frame back.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolveFbo_);
    glBlitFramebuffer(0, 0, frame.width, frame.height, 0, 0, frame.width, frame.height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, resolveFbo_);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    out.width = frame.width;
    out.height = frame.height;
    out.rgba.assign(static_cast<size_t>(frame.width) * frame.height * 4, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frame.width, frame.height, GL_RGBA, GL_UNSIGNED_BYTE, out.rgba.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    GLenum glError = glGetError();
    timing_.drawing = since(drawStart);
    if (glError != GL_NO_ERROR) {
        char text[96];
        std::snprintf(text, sizeof text, "OpenGL reported error 0x%04x while drawing the frame", glError);
        error = text;
        return false;
    }
    return true;
}

}  // namespace fw
