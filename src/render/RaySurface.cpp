#include "render/RaySurface.h"

#include <cmath>
#include <glm/geometric.hpp>

namespace fw {

glm::vec4 RaySurface::texel(const BakedMaterial::Texture& t, glm::vec2 uv) {
    if (t.empty()) return glm::vec4(1);
    float x = (uv.x - std::floor(uv.x)) * t.width - 0.5f, y = (uv.y - std::floor(uv.y)) * t.height - 0.5f;
    int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    float fx = x - x0, fy = y - y0;
    auto at = [&](int cx, int cy) {
        cx = ((cx % t.width) + t.width) % t.width;
        cy = ((cy % t.height) + t.height) % t.height;
        const uint8_t* p = &t.rgba[(static_cast<size_t>(cy) * t.width + cx) * 4];
        return glm::vec4(p[0], p[1], p[2], p[3]) / 255.0f;
    };
    return (at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx) * (1 - fy) +
           (at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx) * fy;
}

// So far the bottom stack item's first surface in the mesh's own coordinates; what
// the tracer leaves out is named by RayTracer::untraced().
bool RaySurface::evaluate(const DrawList::Item& item, const DrawList::Part& part, const RayScene::Hit& hit,
                          const glm::vec3& direction, Point& out) {
    const BakedMaterial& m = *part.material;
    if (m.style == BakedMaterial::kMatte || m.style == BakedMaterial::kShadowCatcher) return false;
    const BakedMaterial::Surface& s = m.surface[0];
    out = Point();
    out.visibility = static_cast<float>(item.opacity);
    out.lit = m.lighting;
    out.cartoon = m.style == BakedMaterial::kCartoon;
    out.faceNormal = hit.faceNormal;
    glm::vec3 n = hit.normal;
    if (glm::dot(-direction, n) < -0.01f) {
        n = -n;
        out.backFacing = true;
    }
    if (glm::dot(out.faceNormal, direction) > 0) out.faceNormal = -out.faceNormal;
    Layer& l = out.layer[0];
    glm::vec4 tex = texel(s.color, hit.uv);
    l.colour = glm::vec4(glm::vec3(tex) * tex.a, tex.a) * out.visibility;
    l.normal = n;
    l.opacity = s.opacity;
    l.specularAmount = s.specularAmount;
    l.shininess = s.shininess;
    glm::vec4 spec = s.specular.empty() ? glm::vec4(1) : texel(s.specular, hit.uv);
    l.specularTexel = glm::vec4(glm::vec3(spec) * spec.a, spec.a);
    l.raytraceAmount = s.raytraceAmount;
    l.refraction = s.refraction;
    l.falloffStart = s.falloffStart;
    l.falloffEnd = s.falloffEnd;
    l.reflectionRays = &s.reflectionRays;
    l.refractionRays = &s.refractionRays;
    return true;
}

}  // namespace fw
