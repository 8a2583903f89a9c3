#include "render/RaySurface.h"

#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>

#include "mesh/PackedObjDB.h"
#include "platform/MathConstants.h"
#include "surface/BlendMode.h"
#include "surface/TextureMapping.h"

namespace fw {

namespace {

constexpr float kTwoPi = static_cast<float>(2 * kPi);

// Unknown tiling styles repeat, as the OpenGL frame's samplers do.
int tilingOf(const DrawList::Layer& layer) { return TextureMapping::tilingOf(layer.tiling); }

// The stack's colour: the bottom item's colour texture with each further item blended
// on by its mode, amount and opacity, colours not premultiplied.
glm::vec4 stackColour(const DrawList::Part& part, const BakedMaterial::Texture& bottom, glm::vec2 uv,
                      const RaySurface::Place& place) {
    static const DrawList::Layer kPlain;
    const DrawList::Layer& first = part.layers.empty() ? kPlain : part.layers.front();
    glm::vec4 colour = RaySurface::texel(bottom, uv, tilingOf(first));
    if (part.layers.size() < 2) return colour;
    colour.a *= std::min(first.amount, 1.0f);
    Rgba d{colour.r, colour.g, colour.b, colour.a};
    for (size_t i = 1; i < part.layers.size(); ++i) {
        const DrawList::Layer& layer = part.layers[i];
        const BakedMaterial& m = layer.material ? *layer.material : BakedMaterial::fallback();
        glm::vec4 s = RaySurface::texel(m.surface[0].color, RaySurface::coordinate(layer, place), tilingOf(layer));
        s.a *= m.surface[0].opacity * std::min(layer.amount, 1.0f);
        BlendMode::blend(d, Rgba{s.r, s.g, s.b, s.a}, layer.blend, true);
    }
    return {d.r, d.g, d.b, d.a};
}

// The shading normal bent by the bump map's slopes at `uv`, sideways along the
// world's X and Y axes as the lighting program bends it (which mixes in eye-space
// normals; here everything stays in world space). The slope is taken over `span`
// (the texture coordinates a pixel covers), at least one texel: what the OpenGL
// frame's mipmaps give, a bump too fine for the pixel averaging out instead of
// darkening the surface with noise.
glm::vec3 bumped(const BakedMaterial::Surface& s, glm::vec2 uv, int tiling, const glm::vec3& n, glm::vec2 span) {
    if (s.bump.empty() || s.bumpAmount == 0) return n;
    const glm::vec2 texel(1.0f / s.bump.width, 1.0f / s.bump.height);
    const float texels = std::clamp(std::max(span.x / texel.x, span.y / texel.y), 1.0f, 64.0f);
    const glm::vec2 offset = texel * texels;
    const float c = RaySurface::texel(s.bump, uv, tiling).a;
    const float l = RaySurface::texel(s.bump, uv - glm::vec2(offset.x, 0), tiling).a;
    const float d = RaySurface::texel(s.bump, uv - glm::vec2(0, offset.y), tiling).a;
    const float k = 45.0f * s.bumpAmount / texels;
    const float bu = (c - l) * k, bv = (c - d) * k;
    const glm::vec3 bent = n + bu * glm::cross(n, glm::vec3(0, 1, 0)) - bv * glm::cross(n, glm::vec3(1, 0, 0));
    const float length = glm::length(bent);
    return length > 0 ? bent / length : n;
}

// The spherical environment map along the view ray mirrored about `n`, weighted by
// the surface's opacity as the lighting program weighs it.
glm::vec4 environment(const BakedMaterial::Surface& s, const glm::vec3& direction, const glm::vec3& n) {
    const glm::vec3 toEye = -direction;
    const glm::vec3 mirrored = glm::normalize(2 * glm::dot(toEye, n) * n - toEye);
    const glm::vec4 seen = RaySurface::environmentAlong(s.reflection, mirrored);
    return s.opacity * seen + (1 - s.opacity) * RaySurface::premultiplied(seen);
}

}  // namespace

glm::vec4 RaySurface::premultiplied(const glm::vec4& c) { return glm::vec4(glm::vec3(c) * c.a, c.a); }

glm::vec4 RaySurface::environmentAlong(const BakedMaterial::Texture& map, const glm::vec3& direction) {
    // Straight up or down has no heading: any column of the map's pole row will do.
    const glm::vec2 flat(-direction.z, -direction.x);
    const float across = glm::length(flat);
    const glm::vec2 ab = across > 0 ? flat / across : glm::vec2(0, 1);
    float u = std::atan2(ab.x, ab.y);
    if (u < 0) u += kTwoPi;
    u = 0.25f - u / kTwoPi;
    if (u < 0) u += 1;
    float v = std::min((std::asin(std::clamp(direction.y, -1.0f, 1.0f)) + kTwoPi / 4) / (kTwoPi / 2), 1.0f);
    // The map goes round in u only: within half a row of a pole, the pole's own row,
    // not the other pole's blended in.
    const float half = 0.5f / static_cast<float>(std::max(1, map.height));
    v = std::clamp(v, half, 1 - half);
    return texel(map, {u, v});
}

glm::vec4 RaySurface::texel(const BakedMaterial::Texture& t, glm::vec2 uv, int tiling) {
    if (t.empty()) return glm::vec4(1);
    uv = TextureMapping::withinPeriod(uv, tiling);
    const int w = t.width, h = t.height;
    float x = uv.x * w - 0.5f, y = uv.y * h - 0.5f;
    if (TextureMapping::clampsEdge(tiling)) {
        // Far enough out that only border texels are read, and no integer overflows.
        x = std::clamp(x, -2.0f, w + 2.0f);
        y = std::clamp(y, -2.0f, h + 2.0f);
    }
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float fx = x - x0, fy = y - y0;
    auto at = [&](int cx, int cy) {
        cx = TextureMapping::wrapTexel(cx, w, tiling);
        cy = TextureMapping::wrapTexel(cy, h, tiling);
        if (cx < 0 || cy < 0) return glm::vec4(0);  // the clear border
        const uint8_t* p = &t.rgba[(static_cast<size_t>(cy) * w + cx) * 4];
        return glm::vec4(p[0], p[1], p[2], p[3]) / 255.0f;
    };
    return (at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx) * (1 - fy) +
           (at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx) * fy;
}

// The texture coordinates a pixel covers at the hit: the stack's mapping read a
// footprint away along two directions in the hit triangle's plane, the larger of the
// two changes per axis (as mipmapping takes the larger of its derivatives).
glm::vec2 RaySurface::span(const DrawList::Item& item, const RayScene::Hit& hit, const DrawList::Layer& layer,
                           glm::vec2 uv) {
    const float* data = item.mesh ? item.mesh->vertexData() : nullptr;
    if (!data || hit.footprint <= 0) return glm::vec2(0);
    glm::vec3 p[3];
    for (int k = 0; k < 3; ++k) {
        const float* f = data + static_cast<size_t>(hit.corners[k]) * PackedObjDB::kFloatsPerVertex;
        p[k] = glm::vec3(item.world * glm::dvec4(f[5], f[6], f[7], 1.0));
    }
    const glm::vec3 e1 = p[1] - p[0], e2 = p[2] - p[0], normal = glm::cross(e1, e2);
    const float area = glm::dot(normal, normal);
    if (!(area > 0) || glm::length(e1) == 0) return glm::vec2(0);
    const glm::vec3 along = glm::normalize(e1), across = glm::normalize(glm::cross(normal, e1));
    glm::vec2 most(0);
    for (const glm::vec3& step : {along, across}) {
        // The barycentric weights of the point a footprint away, in the triangle's plane.
        const glm::vec3 q = hit.position + step * hit.footprint - p[0];
        const float w1 = glm::dot(glm::cross(q, e2), normal) / area;
        const float w2 = glm::dot(glm::cross(e1, q), normal) / area;
        RayScene::Hit moved = hit;
        moved.weights = glm::vec3(1 - w1 - w2, w1, w2);
        moved.uv = glm::vec2(0);
        for (int k = 0; k < 3; ++k) {
            const float* f = data + static_cast<size_t>(hit.corners[k]) * PackedObjDB::kFloatsPerVertex;
            moved.uv += moved.weights[k] * glm::vec2(f[0], f[1]);
        }
        most = glm::max(most, glm::abs(coordinate(layer, placeOf(item, moved)) - uv));
    }
    return most;
}

RaySurface::Place RaySurface::placeOf(const DrawList::Item& item, const RayScene::Hit& hit) {
    Place place;
    place.uv = hit.uv;
    place.image = hit.image;
    const float* data = item.mesh ? item.mesh->vertexData() : nullptr;
    if (!data) return place;
    place.position = glm::vec3(0);
    place.normal = glm::vec3(0);
    for (int k = 0; k < 3; ++k) {
        // Packed vertices are texture coordinate, normal, position.
        const float* f = data + static_cast<size_t>(hit.corners[k]) * PackedObjDB::kFloatsPerVertex;
        place.normal += hit.weights[k] * glm::vec3(f[2], f[3], f[4]);
        place.position += hit.weights[k] * glm::vec3(f[5], f[6], f[7]);
    }
    return place;
}

glm::vec2 RaySurface::coordinate(const DrawList::Layer& layer, const Place& place) {
    glm::vec2 uv = place.uv;
    if (layer.mapping == TextureMapping::kCamera)
        uv = place.image;
    else if (TextureMapping::projects(layer.mapping))
        uv = TextureMapping::project(layer.mapping, glm::vec3(layer.toMapping * glm::vec4(place.position, 1.0f)),
                                     place.normal, layer.scale, TextureMapping::Angles());
    uv = glm::vec2(layer.uvTransform * glm::vec4(uv, 0.0f, 1.0f));
    if (TextureMapping::countsTiles(tilingOf(layer))) uv *= layer.tile;
    return uv;
}

bool RaySurface::evaluate(const DrawList::Item& item, const DrawList::Part& part, const RayScene::Hit& hit,
                          const glm::vec3& direction, Point& out) {
    const BakedMaterial& m = *part.material;
    if (m.style == BakedMaterial::kMatte) return false;
    out = Point();
    out.visibility = static_cast<float>(item.opacity);
    out.lit = m.lighting;
    out.cartoon = m.style == BakedMaterial::kCartoon;
    out.shadowCatcher = m.style == BakedMaterial::kShadowCatcher;
    out.faceNormal = hit.faceNormal;
    glm::vec3 n = hit.normal;
    if (glm::dot(-direction, n) < -0.01f) {
        n = -n;
        out.backFacing = true;
    }
    if (glm::dot(out.faceNormal, direction) > 0) out.faceNormal = -out.faceNormal;

    const Place place = placeOf(item, hit);
    static const DrawList::Layer kPlain;
    const DrawList::Layer& bottom = part.layers.empty() ? kPlain : part.layers.front();
    const glm::vec2 uv = coordinate(bottom, place);
    const bool bumps = (!m.surface[0].bump.empty() && m.surface[0].bumpAmount != 0) ||
                       (m.fresnel && !m.surface[1].bump.empty() && m.surface[1].bumpAmount != 0);
    const glm::vec2 footprint = bumps ? span(item, hit, bottom, uv) : glm::vec2(0);
    const bool reflects = m.style != BakedMaterial::kShadowCatcher;
    out.coats = m.fresnel && m.fresnelStart >= 0 ? 2 : 1;
    for (int i = 0; i < out.coats; ++i) {
        const BakedMaterial::Surface& s = m.surface[i];
        // The second surface is neither stacked nor tiled: its textures repeat.
        const int tiling = i == 0 ? tilingOf(bottom) : 2;
        Coat& l = out.coat[i];
        const glm::vec4 colour = i == 0 ? stackColour(part, s.color, uv, place) : texel(s.color, uv);
        l.colour = premultiplied(colour) * out.visibility;
        l.normal = bumped(s, uv, tiling, n, footprint);
        l.opacity = s.opacity;
        l.specularAmount = s.specularAmount;
        l.shininess = s.shininess;
        l.specularTexel = s.specular.empty() ? glm::vec4(1) : premultiplied(texel(s.specular, uv, tiling));
        if (reflects && !s.reflection.empty() && s.reflectionAmount > 0) {
            l.reflectionAmount = s.reflectionAmount;
            l.environment = environment(s, direction, l.normal);
        }
        if (reflects && !s.reflection.empty()) l.sky = &s.reflection;
        l.raytraceAmount = s.raytraceAmount;
        l.refraction = s.refraction;
        l.falloffStart = s.falloffStart;
        l.falloffEnd = s.falloffEnd;
        l.reflectionRays = &s.reflectionRays;
        l.refractionRays = &s.refractionRays;
    }
    // The second coat's share is measured against the unbent normal.
    if (out.coats == 2)
        out.fresnelMix = TextureMapping::fresnelMix(glm::dot(direction, n), m.fresnelStart, m.fresnelEnd, m.fresnelBlend);
    return true;
}

}  // namespace fw
