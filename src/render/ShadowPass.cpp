#define GL_GLEXT_PROTOTYPES 1
#include "render/ShadowPass.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "mesh/PackedObjDB.h"
#include "render/DrawList.h"
#include "render/Light.h"
#include "render/LightSlots.h"

namespace fw {

namespace {

// A Gaussian over an odd square of taps, wider and further apart the softer the shadow.
void setFilter(ShadowPass::Fit& fit, int softness) {
    int kernel = std::clamp(softness, 1, 11) | 1;
    fit.filterHalf = kernel / 2;
    fit.tapSpacing = static_cast<float>(1.0 + softness / 8.0) / static_cast<float>(fit.mapWidth);
    const double spread = fit.filterHalf * 0.6 + 0.5;
    double sum = 0;
    for (int y = -fit.filterHalf; y <= fit.filterHalf; ++y)
        for (int x = -fit.filterHalf; x <= fit.filterHalf; ++x) {
            double w = std::exp(-(x * x + y * y) / (2.0 * spread * spread));
            fit.weights.push_back(static_cast<float>(w));
            sum += w;
        }
    for (float& w : fit.weights) w = static_cast<float>(w / sum);
}

}  // namespace

ShadowPass::Fit ShadowPass::fit(Light& light, int slot, const double bounds[6]) {
    Fit fit;
    fit.slot = slot;
    fit.darkness = static_cast<float>(1.0 - light.shadowDarkness);
    int mapW = std::clamp(light.shadowMapXRes, 16, 8192), mapH = std::clamp(light.shadowMapYRes, 16, 8192);
    glm::dvec3 centre((bounds[0] + bounds[3]) / 2, (bounds[1] + bounds[4]) / 2, (bounds[2] + bounds[5]) / 2);
    double radius = 0.5 * std::sqrt((bounds[3] - bounds[0]) * (bounds[3] - bounds[0]) +
                                    (bounds[4] - bounds[1]) * (bounds[4] - bounds[1]) +
                                    (bounds[5] - bounds[2]) * (bounds[5] - bounds[2])) + 1e-3;
    glm::dmat4 lightWorld = light.cameraToWorld();
    glm::dvec3 position(lightWorld * glm::dvec4(0, 0, 1, light.type() == Light::kDirectional ? 0 : 1));
    glm::dmat4 projection;
    if (light.type() == Light::kDirectional) {
        // An orthographic box around the scene, seen along the light's direction.
        glm::dvec3 towards = -glm::normalize(glm::dvec3(lightWorld[2]));
        glm::dvec3 eye = centre - towards * (radius + 1.0);
        glm::dvec3 up = std::fabs(towards.y) > 0.99 ? glm::dvec3(0, 0, 1) : glm::dvec3(0, 1, 0);
        glm::dmat4 view = glm::lookAt(eye, centre, up);
        fit.lx = static_cast<float>(-radius), fit.ly = static_cast<float>(-radius);
        fit.dx = fit.dy = static_cast<float>(2 * radius);
        fit.nearZ = 0, fit.farZ = static_cast<float>(2 * radius + 2);
        projection = glm::ortho(-radius, radius, -radius, radius, 0.0, 2 * radius + 2);
        fit.view = glm::mat4(view);
        fit.texel = static_cast<float>(2 * radius / mapW);
    } else {
        // Spot lights use their cone; point lights a cone that just holds the scene.
        glm::dvec3 aim = light.type() == Light::kSpot ? position - glm::dvec3(lightWorld[2]) : centre;
        glm::dvec3 up = std::fabs(glm::normalize(aim - position).y) > 0.99 ? glm::dvec3(0, 0, 1) : glm::dvec3(0, 1, 0);
        glm::dmat4 view = glm::lookAt(position, aim, up);
        double distance = glm::length(centre - position);
        double halfTan = light.type() == Light::kSpot
                             ? std::tan(glm::radians(std::min(light.spotOuterAngle(), 89.0)))
                             : radius / std::max(distance - radius, radius * 0.1) * 1.05;
        double nearZ = std::max(0.01, distance - radius), farZ = distance + radius;
        projection = glm::frustum(-nearZ * halfTan, nearZ * halfTan, -nearZ * halfTan, nearZ * halfTan, nearZ, farZ);
        fit.view = glm::mat4(view);
        fit.focal = static_cast<float>(0.5 / halfTan);
        fit.texel = static_cast<float>(2 * halfTan * distance / mapW);
        fit.nearZ = static_cast<float>(nearZ), fit.farZ = static_cast<float>(farZ);
    }
    fit.projection = glm::mat4(projection);
    fit.mapWidth = mapW, fit.mapHeight = mapH;
    setFilter(fit, light.shadowSoftness);
    return fit;
}

bool ShadowPass::ensureMap(int width, int height) {
    if (fbo_ && width == width_ && height == height_) return true;
    release();
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, width, height, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    // The lighting program reads the map through the texture's own depth comparison,
    // four texels filtered a read; beyond the map the far depth leaves everything lit.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
    const GLfloat far[4] = {1, 1, 1, 1};
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, far);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
    glGenFramebuffers(1, &fbo_);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, texture_, 0);
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        std::fputs("GL_FRAMEBUFFER_COMPLETE_EXT failed, CANNOT use FBO\n", stderr);
        release();
        return false;
    }
    width_ = width, height_ = height;
    return true;
}

const ShadowPass::Fit* ShadowPass::draw(const DrawList& list, const LightSlots& slots) {
    double bounds[6];
    list.bounds(bounds);
    if (bounds[0] > bounds[3]) return nullptr;
    auto caster = std::find_if(slots.direct.begin(), slots.direct.end(), [](const Light* l) { return l->shadow; });
    if (caster == slots.direct.end()) return nullptr;
    fit_ = fit(**caster, static_cast<int>(caster - slots.direct.begin()) + 1, bounds);
    if (!ensureMap(fit_.mapWidth, fit_.mapHeight)) return nullptr;

    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glViewport(0, 0, fit_.mapWidth, fit_.mapHeight);
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    // Depths pushed back by the surface's slope too, for faces the light grazes.
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(2.0f, 4.0f);
    glUseProgram(0);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(glm::value_ptr(fit_.projection));
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glMatrixMode(GL_MODELVIEW);
    for (const DrawList::Item& item : list.items()) {
        glLoadMatrixf(glm::value_ptr(fit_.view * glm::mat4(item.world)));
        glInterleavedArrays(GL_T2F_N3F_V3F, 0, item.mesh->vertexData());
        for (const DrawList::Part& part : item.parts)
            // A wireframe has no faces to stop the light.
            if (part.material->style != BakedMaterial::kWireframe)
                glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(part.triangles.size()), GL_UNSIGNED_INT,
                           part.triangles.data());
    }
    glDisable(GL_POLYGON_OFFSET_FILL);
    return &fit_;
}

void ShadowPass::release() {
    if (fbo_) glDeleteFramebuffers(1, &fbo_);
    if (texture_) glDeleteTextures(1, &texture_);
    fbo_ = texture_ = 0;
    width_ = height_ = 0;
}

}  // namespace fw
