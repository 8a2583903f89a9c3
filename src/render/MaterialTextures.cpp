#include "render/MaterialTextures.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

namespace fw {

const MaterialTextures::Ids& MaterialTextures::upload(const BakedMaterial& material) {
    Ids& t = uploaded_[&material];
    if (t.version == material.version && t.ids[0][0]) return t;
    for (auto& surface : t.ids) glDeleteTextures(4, surface);
    std::memset(t.ids, 0, sizeof t.ids);
    t.version = material.version;
    for (int s = 0; s < 2; ++s) {
        const BakedMaterial::Surface& surface = material.surface[s];
        const BakedMaterial::Texture* sources[4] = {&surface.color, &surface.specular, &surface.bump,
                                                    &surface.reflection};
        for (int c = 0; c < 4; ++c) {
            const BakedMaterial::Texture& tex = *sources[c];
            if (tex.empty() && c != 0) continue;
            static const BakedMaterial::Texture white = BakedMaterial::Texture::solid(1, 1, 1, 1);
            const BakedMaterial::Texture& src = tex.empty() ? white : tex;
            glGenTextures(1, &t.ids[s][c]);
            glBindTexture(GL_TEXTURE_2D, t.ids[s][c]);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, src.width, src.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         src.rgba.data());
            // Mipmaps keep minified textures (tiled maps on large surfaces) from sparkling.
            glGenerateMipmap(GL_TEXTURE_2D);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        }
    }
    return t;
}

void MaterialTextures::release() {
    for (auto& entry : uploaded_)
        for (auto& surface : entry.second.ids) glDeleteTextures(4, surface);
    uploaded_.clear();
}

}  // namespace fw
