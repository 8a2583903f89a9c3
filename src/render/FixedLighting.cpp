#define GL_GLEXT_PROTOTYPES 1
#include "render/FixedLighting.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <glm/gtc/type_ptr.hpp>

#include "render/Light.h"
#include "render/LightSlots.h"
#include "surface/BakedMaterial.h"

namespace fw {

void FixedLighting::begin(const LightSlots& slots, const glm::mat4& view, bool advanced) {
    glUseProgram(0);
    glMatrixMode(GL_MODELVIEW);
    const GLfloat ambient[4] = {slots.ambient[0], slots.ambient[1], slots.ambient[2], 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, advanced ? GL_TRUE : GL_FALSE);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, advanced ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR);
    // Both sides lit, as the program does for the backs of open surfaces.
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    lights_ = static_cast<int>(std::min<size_t>(slots.direct.size(), 7));
    for (int i = 0; i < 8; ++i) glDisable(GL_LIGHT0 + i);
    const GLfloat zero[4] = {0, 0, 0, 0};
    for (int i = 0; i < lights_; ++i) {
        const GLenum id = GL_LIGHT0 + i;
        Light* light = slots.direct[static_cast<size_t>(i)];
        glLoadMatrixf(glm::value_ptr(view * glm::mat4(light->cameraToWorld())));
        const GLfloat position[4] = {0, 0, 1, light->type() == Light::kDirectional ? 0.0f : 1.0f};
        const GLfloat direction[3] = {0, 0, -1};
        glLightfv(id, GL_POSITION, position);
        glLightfv(id, GL_SPOT_DIRECTION, direction);
        const auto k = static_cast<float>(light->intensity);
        const GLfloat colour[4] = {light->color[0] * k, light->color[1] * k, light->color[2] * k, 1};
        glLightfv(id, GL_AMBIENT, zero);
        glLightfv(id, GL_DIFFUSE, colour);
        glLightfv(id, GL_SPECULAR, colour);
        glLightf(id, GL_SPOT_CUTOFF,
                 light->type() == Light::kSpot ? static_cast<float>(std::min(light->spotOuterAngle(), 89.0)) : 180.0f);
        glLightf(id, GL_SPOT_EXPONENT, 0.0f);
        glEnable(id);
    }
    glLoadMatrixf(glm::value_ptr(view));
    glEnable(GL_NORMALIZE);  // objects may be scaled
    glActiveTexture(GL_TEXTURE0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void FixedLighting::setMaterial(const BakedMaterial& m, const MaterialTextures::Ids& textures, float fade) {
    glUseProgram(0);
    const BakedMaterial::Surface& surface = m.surface[0];
    const float opacity = surface.opacity * fade;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, textures.ids[0][0]);
    glEnable(GL_TEXTURE_2D);
    if (!m.lighting) {
        glDisable(GL_LIGHTING);
        glColor4f(1, 1, 1, opacity);
        return;
    }
    glEnable(GL_LIGHTING);
    const GLfloat white[4] = {1, 1, 1, opacity};
    const float s = std::clamp(surface.specularAmount, 0.0f, 1.0f);
    const GLfloat specular[4] = {s, s, s, 1};
    const GLfloat none[4] = {0, 0, 0, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, white);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, none);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(surface.shininess, 0.0f, 128.0f));
}

void FixedLighting::flat() {
    glUseProgram(0);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
}

void FixedLighting::end() {
    flat();
    for (int i = 0; i < lights_; ++i) glDisable(GL_LIGHT0 + i);
    glDisable(GL_NORMALIZE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SINGLE_COLOR);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_FALSE);
}

}  // namespace fw
