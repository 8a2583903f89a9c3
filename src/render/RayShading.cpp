#include "render/RayShading.h"

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>

#include "platform/MathConstants.h"
#include "render/Light.h"
#include "surface/BlendMode.h"

namespace fw {

// A light as the workers read it: where it is and what it gives, fixed for the frame.
struct RayShading::Lamp {
    int type = Light::kDirectional;
    glm::vec3 position{0}, toward{0, 0, 1};  // toward: to the light, for directional ones
    glm::vec3 axis{0, 0, -1};                // a spot's direction
    glm::vec3 colour{1};
    float intensity = 1;
    float cosOuter = -1, inner = 0, outer = 180;  // spot cone, degrees for the edge
    bool shadow = false;
    float darkness = 0.8f;
    int falloff = Light::kNone;
    double reach = 5000;  // the light's distance
    // The light's size for soft shadows: a disk's radius, or a directional light's
    // cone as the tangent of its half-angle.
    float radius = 0;
};

// One per worker, a cache line each, so counting rays costs no contention.
struct alignas(64) RayShading::Counters {
    std::atomic<long> shadow{0}, secondary{0};
};

RayShading::RayShading(const RayScene& scene, const DrawList& list, const LightSlots& slots, const Settings& settings,
                       Background background)
    : scene_(scene), list_(list), settings_(settings), background_(std::move(background)) {
    settings_.maxBounces = std::clamp(settings_.maxBounces, 0, kMaxBounces);
    settings_.maxShadowBounces = std::clamp(settings_.maxShadowBounces, 0, kMaxShadowBounces);
    threads_ = std::max(1, omp_get_max_threads());
    counters_ = std::make_unique<Counters[]>(static_cast<size_t>(threads_));
    shadowTaps_ = settings_.traceShadows ? &shadowTable(settings_.shadowRays) : &Light::sampleTable(0);
    shadowRing_ = shadowTaps_->size() > 1;
    for (const auto& tap : *shadowTaps_)
        if (std::fabs(std::hypot(tap[0], tap[2]) - std::hypot((*shadowTaps_)[0][0], (*shadowTaps_)[0][2])) > 1e-6)
            shadowRing_ = false;
    for (Light* light : slots.direct) {
        Lamp lamp;
        lamp.type = light->type();
        glm::dmat4 m = light->cameraToWorld();
        lamp.position = glm::vec3(m * glm::dvec4(0, 0, 1, 1));
        lamp.toward = glm::vec3(glm::normalize(glm::dvec3(m[2])));
        lamp.axis = -lamp.toward;
        lamp.colour = glm::vec3(light->color[0], light->color[1], light->color[2]);
        lamp.intensity = static_cast<float>(light->intensity);
        if (lamp.type == Light::kSpot) {
            lamp.outer = static_cast<float>(std::min(light->spotOuterAngle(), 89.0));
            lamp.inner = static_cast<float>(std::min(light->spotInnerAngle(), 128.0));
            lamp.cosOuter = static_cast<float>(std::cos(lamp.outer * kPi / 180));
        }
        lamp.shadow = light->shadow && settings_.shadows;
        lamp.darkness = static_cast<float>(light->shadowDarkness);
        lamp.falloff = light->falloff();
        lamp.reach = light->lightDistance;
        // The softness is the light's size as seen from the middle of the scene: 0.01
        // radians of cone per step, so softness 6 is a lamp about 7 degrees across.
        const float cone = static_cast<float>(std::max(0, light->shadowSoftness)) * 0.01f;
        const float* box = scene.bounds();
        const glm::vec3 centre = box[0] <= box[3]
                                     ? 0.5f * (glm::vec3(box[0], box[1], box[2]) + glm::vec3(box[3], box[4], box[5]))
                                     : glm::vec3(0);
        lamp.radius = lamp.type == Light::kDirectional ? cone : cone * glm::length(lamp.position - centre);
        lamps_.push_back(lamp);
    }
    ambient_ = glm::vec3(slots.ambient[0], slots.ambient[1], slots.ambient[2]);
}

RayShading::~RayShading() = default;

RayShading::Counters& RayShading::counters() const {
    return counters_[static_cast<size_t>(omp_get_thread_num() % threads_)];
}

long RayShading::shadowFeelers() const {
    long n = 0;
    for (int i = 0; i < threads_; ++i) n += counters_[static_cast<size_t>(i)].shadow;
    return n;
}

long RayShading::secondaryRays() const {
    long n = 0;
    for (int i = 0; i < threads_; ++i) n += counters_[static_cast<size_t>(i)].secondary;
    return n;
}

// Falloff with d the distance from the light and D the light's distance: ABRUPT is
// full strength out to D and nothing beyond; LINEAR fades evenly from full at the
// light to nothing at D; INVERSE_SQUARE is full out to D and (D / d)^2 beyond, so
// nothing burns out next to the lamp and the decline further off is the physical
// one; NONE is the same everywhere. Directional lights are infinitely far away and
// never fall off.
float RayShading::falloff(int kind, double distance, double reach) {
    switch (kind) {
        case Light::kAbrupt: return distance <= reach ? 1.0f : 0.0f;
        case Light::kLinear: return reach > 0 ? static_cast<float>(std::clamp(1 - distance / reach, 0.0, 1.0)) : 0.0f;
        case Light::kInverseSquare:
            if (reach <= 0) return 0.0f;
            return distance <= reach ? 1.0f : static_cast<float>(reach * reach / (distance * distance));
        default: return 1.0f;
    }
}

const std::vector<std::array<double, 3>>& RayShading::shadowTable(int rays) {
    static const int kSizes[] = {1, 4, 16, 36, 64, 144, 256};
    int index = 0;
    for (int i = 0; i < 7; ++i)
        if (rays >= kSizes[i]) index = i;
    return Light::sampleTable(index);
}

// Light passing from `from` along `direction` for `reach` (negative: unbounded): 0
// behind an opaque occluder; transparent ones, when they let light through, each
// keep their transparency's share, up to the shadow bounce limit.
float RayShading::transmission(const glm::vec3& from, const glm::vec3& direction, float reach) const {
    Counters& count = counters();
    count.shadow.fetch_add(1, std::memory_order_relaxed);
    if (!settings_.shadowTransparency) return scene_.occluded(from, direction, reach, scene_.epsilon()) ? 0.0f : 1.0f;
    float passed = 1, skip = scene_.epsilon();
    for (int occluders = 0;; ++occluders) {
        RayScene::Hit hit;
        if (!scene_.intersect(from, direction, reach, hit, skip)) return passed;
        if (occluders >= settings_.maxShadowBounces) return 0;
        const DrawList::Item& item = list_.items()[static_cast<size_t>(hit.item)];
        const DrawList::Part& part = item.parts[static_cast<size_t>(hit.part)];
        RaySurface::Point p;
        if (part.material->style != BakedMaterial::kShadowCatcher) {
            // A holdout blocks light like any solid.
            if (!RaySurface::evaluate(item, part, hit, direction, p)) return 0;
            float alpha = p.coat[0].colour.a * p.coat[0].opacity;
            if (p.coats > 1) alpha += (p.coat[1].colour.a * p.coat[1].opacity - alpha) * p.fresnelMix;
            passed *= 1 - std::clamp(alpha, 0.0f, 1.0f);
            if (passed <= 1e-3f) return 0;
        }
        skip = hit.distance + scene_.epsilon();
        count.shadow.fetch_add(1, std::memory_order_relaxed);
    }
}

// The share of a lamp's light that reaches `from`: its taps spread over a disk
// across the direction to the light (or a cone for directional lights), each tap a
// shadow ray, the blocked share darkened by the light's shadow darkness.
float RayShading::lightReaching(const Lamp& lamp, const glm::vec3& from) const {
    if (!lamp.shadow) return 1;
    const bool directional = lamp.type == Light::kDirectional;
    const glm::vec3 centre = directional ? lamp.toward : lamp.position - from;
    const glm::vec3 axis = glm::normalize(centre);
    const glm::vec3 helper = std::fabs(axis.x) < 0.9f ? glm::vec3(1, 0, 0) : glm::vec3(0, 0, 1);
    const glm::vec3 t0 = glm::normalize(glm::cross(helper, axis)), b0 = glm::cross(axis, t0);
    // The disk turns from point to point, so that a few taps give a grainy penumbra
    // rather than that many offset copies of a hard shadow. Taps that all lie on one
    // circle would make the lamp a ring: their circle's size changes from point to
    // point too, evenly over the disk's area.
    const float spin = RayScene::spinAt(from), c = std::cos(spin), s = std::sin(spin);
    const float radius = lamp.radius * (shadowRing_ ? std::sqrt(RayScene::randomAt(from, 1)) : 1.0f);
    const glm::vec3 t = c * t0 + s * b0, b = c * b0 - s * t0;
    // A light without size gives every tap the same ray: one does.
    static const std::vector<std::array<double, 3>> kCentre{{0.0, 1.0, 0.0}};
    const std::vector<std::array<double, 3>>& taps = lamp.radius > 0 ? *shadowTaps_ : kCentre;
    float sum = 0;
    for (const auto& tap : taps) {
        const glm::vec3 offset = radius * (static_cast<float>(tap[0]) * t + static_cast<float>(tap[2]) * b);
        if (directional) {
            sum += transmission(from, glm::normalize(axis + offset), -1.0f);
        } else {
            const glm::vec3 to = centre + offset;
            const float reach = glm::length(to);
            sum += transmission(from, to / reach, reach);
        }
    }
    return 1 - lamp.darkness * (1 - sum / static_cast<float>(taps.size()));
}

// The lighting of the OpenGL frame, per ray: diffuse and highlight from each light,
// the light never brightening the surface beyond its own colour.
glm::vec4 RayShading::lit(const RaySurface::Point& point, const RaySurface::Coat& surface, const glm::vec3& position,
                          const glm::vec3& direction) const {
    const glm::vec4 tex = surface.colour;
    const glm::vec3 n = surface.normal;
    glm::vec4 result = tex;
    glm::vec4 specular(0);
    const float sa = surface.specularAmount;
    if (point.lit) {
        glm::vec3 diffuse(0);
        const glm::vec3 eye = -direction;
        const glm::vec3 from = position + n * (scene_.epsilon() * 8);
        for (const Lamp& lamp : lamps_) {
            if (lamp.intensity <= 0) continue;
            glm::vec3 toLight = lamp.type == Light::kDirectional ? lamp.toward : lamp.position - position;
            glm::vec3 l = glm::normalize(toLight);
            float lambert = glm::dot(n, l);
            float spot = 1;
            if (lamp.type == Light::kSpot) {
                float effect = glm::dot(lamp.axis, -l);
                if (effect > lamp.cosOuter) {
                    float angle = static_cast<float>(std::acos(std::clamp(effect, -1.0f, 1.0f)) * 180 / kPi);
                    if (lamp.inner < lamp.outer && angle > lamp.inner) {
                        float x = 1 - (angle - lamp.inner) / (lamp.outer - lamp.inner);
                        spot *= 3 * x * x - 2 * x * x * x;
                    }
                } else {
                    spot = 0;
                }
            }
            if (lamp.type != Light::kDirectional) spot *= falloff(lamp.falloff, glm::length(toLight), lamp.reach);
            if (spot > 0 && lambert > 0) spot *= lightReaching(lamp, from);
            if (point.cartoon) {
                // Three flat bands of light instead of a gradient.
                float band = spot * lambert;
                lambert = band > 0.6f ? 1.0f : band > 0.25f ? 0.65f : band > 0.0f ? 0.35f : 0.0f;
                if (spot > 0) spot = 1;
            }
            if (spot > 0 && lambert > 0) diffuse += spot * lambert * lamp.intensity * lamp.colour;
            if (spot > 0 && sa > 0) {
                glm::vec3 reflected = glm::reflect(-l, n);
                float sr = std::max(0.0f, glm::dot(reflected, eye));
                float k = 0.25f * std::clamp(surface.shininess, 0.0f, 128.0f);
                float denominator = k - k * sr + sr;
                float highlight = denominator > 0 ? sr / denominator * spot * sa : 0;
                if (point.cartoon) highlight = highlight > 0.5f * sa ? sa : 0.0f;  // a hard-edged spot
                if (highlight > 0)
                    specular += glm::vec4(highlight * lamp.intensity * lamp.colour, highlight * lamp.intensity);
            }
        }
        glm::vec3 lit = diffuse * glm::vec3(tex) + glm::vec3(tex) * ambient_;
        result = glm::vec4(glm::min(lit, glm::vec3(tex)), std::min(tex.a, 1.0f));
    }
    result *= surface.opacity;
    const glm::vec4 specTex = surface.specularTexel;
    const float specMult = point.visibility * specTex.a;
    if (surface.reflectionAmount > 0) {
        result += surface.environment * surface.reflectionAmount * specMult;
        result = glm::clamp(result, glm::vec4(0), glm::vec4(0.999999f));
    }
    if (sa > 0 && specTex.a > 0 && specular.a > 0) result += specular * specMult * specTex;
    return glm::clamp(result, glm::vec4(0), glm::vec4(0.999999f));
}

namespace {

glm::vec4 straight(const glm::vec4& c) { return c.a > 0 ? glm::vec4(glm::vec3(c) / c.a, c.a) : glm::vec4(0); }

// A direction about +Y from a channel's spread, turned onto `axis`.
glm::vec3 turned(const std::array<double, 3>& d, const glm::vec3& axis, const glm::vec3& t, const glm::vec3& b) {
    return glm::normalize(static_cast<float>(d[0]) * t + static_cast<float>(d[1]) * axis +
                          static_cast<float>(d[2]) * b);
}

void across(const glm::vec3& axis, glm::vec3& t, glm::vec3& b) {
    const glm::vec3 helper = std::fabs(axis.x) < 0.9f ? glm::vec3(1, 0, 0) : glm::vec3(0, 0, 1);
    t = glm::normalize(glm::cross(helper, axis));
    b = glm::cross(axis, t);
}

}  // namespace

glm::vec4 RayShading::beyond(const glm::vec3& origin, const glm::vec3& direction,
                             const BakedMaterial::Texture* sky) const {
    if (!sky) return background_(origin, direction);
    return RaySurface::premultiplied(RaySurface::environmentAlong(*sky, direction));
}

glm::vec4 RayShading::follow(const glm::vec3& origin, const glm::vec3& direction, const Path& path, float& distance,
                             const BakedMaterial::Texture* sky, bool inside) const {
    distance = -1;
    // Past the bounce limit, or where the pixel would not show it, no ray is cast:
    // what lies beyond stands for whatever is there.
    if (path.depth > settings_.maxBounces || path.weight < kLeastWeight) return beyond(origin, direction, sky);
    counters().secondary.fetch_add(1, std::memory_order_relaxed);
    RayScene::Hit hit;
    glm::vec4 colour;
    if (!scene_.intersect(origin, direction, -1, hit, scene_.epsilon())) return beyond(origin, direction, sky);
    if (place_) hit.image = place_(hit.position);
    if (!shadeAlong(hit, direction, path, colour, inside)) return background_(origin, direction);
    distance = hit.distance;
    return colour;
}

glm::vec4 RayShading::spread(const glm::vec3& origin, const glm::vec3& axis,
                             const std::vector<std::array<double, 3>>* rays, const Path& path, float start,
                             float end, float& share, const BakedMaterial::Texture* sky, bool inside) const {
    share = 1;
    float distance;
    if (!rays || rays->size() <= 1 || path.spread) {
        glm::vec4 c = follow(origin, axis, path, distance, sky, inside);
        if (end > start) {
            // Falloff: what lies further than `end` along the ray is not seen in it.
            share = distance < 0 ? 0.0f : std::clamp((end - distance) / (end - start), 0.0f, 1.0f);
        }
        return c;
    }
    glm::vec3 t, b;
    across(axis, t, b);
    glm::vec4 sum(0);
    float weights = 0;
    // Each ray of the spread stands for the whole of it, so it keeps the path's weight.
    Path spreadPath = path;
    spreadPath.spread = true;
    for (const auto& d : *rays) {
        glm::vec4 c = follow(origin, turned(d, axis, t, b), spreadPath, distance, sky, inside);
        float w = 1;
        if (end > start) w = distance < 0 ? 0.0f : std::clamp((end - distance) / (end - start), 0.0f, 1.0f);
        sum += w * c;
        weights += w;
    }
    share = weights / static_cast<float>(rays->size());
    return weights > 0 ? sum / weights : glm::vec4(0);
}

// One surface of the hit, lit, then with what shows through it and what it mirrors.
// A ray on its way out of a transparent body (`inside`, meeting a face from behind)
// crosses the boundary without seeing it again: the body's colour, reflection map and
// highlight were taken where the ray went in, as the OpenGL frame shows its nearest
// surface only.
glm::vec4 RayShading::surface(const RaySurface::Point& point, const RaySurface::Coat& coat, const RayScene::Hit& hit,
                              const glm::vec3& direction, const Path& path, bool inside) const {
    const bool entering = glm::dot(hit.faceNormal, direction) < 0;
    const bool leaving = inside && !entering;
    glm::vec4 c = leaving ? glm::vec4(0) : lit(point, coat, hit.position, direction);
    const glm::vec3 n = coat.normal, nf = point.faceNormal;
    const float offset = scene_.epsilon() * 8;
    const glm::vec3 front = hit.position + nf * offset, back = hit.position - nf * offset;
    const float amount = leaving ? 0.0f : std::clamp(coat.raytraceAmount, 0.0f, 1.0f);
    const float coverage = leaving ? 0.0f : std::clamp(coat.colour.a * coat.opacity, 0.0f, 1.0f);
    const float index = coat.refraction;
    const bool refracts = coverage < 0.999f && index > 0 && index != 1 && coat.opacity < 1;
    // Snell's law: entering across the side the normals face, leaving from behind it.
    // Schlick's approximation on the thinner medium's side of the boundary gives the
    // share reflected; all of it where the light cannot leave (total internal reflection).
    glm::vec3 bent(0);
    float reflectance = 1;
    if (refracts) {
        const float eta = entering ? 1 / index : index;
        bent = glm::refract(direction, n, eta);
        if (bent != glm::vec3(0)) {
            const float cosIn = std::clamp(-glm::dot(direction, n), 0.0f, 1.0f);
            const float cosine = eta > 1 ? std::sqrt(std::max(0.0f, 1 - eta * eta * (1 - cosIn * cosIn))) : cosIn;
            const float r0 = (index - 1) * (index - 1) / ((index + 1) * (index + 1));
            reflectance = r0 + (1 - r0) * std::pow(1 - cosine, 5.0f);
        }
    }
    const bool reflectsThrough = refracts && reflectance * (1 - coverage) > 0.005f;
    // The mirrored ray stays on the side it came from. It is traced once for both of
    // its uses, the reflection over the surface and the light a refracting surface
    // reflects, and weighs the larger.
    const float mirrorWeight = std::max(amount, reflectsThrough ? reflectance * (1 - coverage) : 0.0f);
    glm::vec4 mirrored(0);
    float mirroredShare = -1;  // not traced yet
    auto mirror = [&]() {
        if (mirroredShare < 0) {
            glm::vec3 r = glm::reflect(direction, n);
            if (glm::dot(r, nf) <= 0) r = glm::reflect(direction, nf);  // a bent normal must not send it inside
            mirrored = spread(front, r, coat.reflectionRays, path.next(mirrorWeight), coat.falloffStart,
                              coat.falloffEnd, mirroredShare, coat.sky, inside);
        }
        return mirrored;
    };
    // Traced first when the surface mirrors, so that what shows through is weighed by
    // what the reflection leaves of it: a Normal blend covers it by the reflection's share.
    float under = 1;
    if (amount > 0) {
        mirror();
        if (settings_.reflectionBlend == BlendMode::kNormal) under = std::max(0.0f, 1 - amount * mirroredShare);
    }
    if (coverage < 0.999f) {
        const float throughWeight = (1 - coverage) * under;
        glm::vec4 through(0);
        if (refracts) {
            float share;
            if (bent != glm::vec3(0))
                through = (1 - reflectance) * spread(back, bent, coat.refractionRays,
                                                     path.next(throughWeight * (1 - reflectance)), 0, 0, share,
                                                     nullptr, entering);
            if (reflectsThrough) through += reflectance * mirror();
        } else {
            float distance;
            through = follow(back, direction, path.next(throughWeight), distance, nullptr, entering);
        }
        c += (1 - coverage) * through;
    }
    if (amount > 0) {
        const glm::vec4 seen = straight(mirror());
        const glm::vec4 under = straight(c);
        Rgba d{under.r, under.g, under.b, under.a};
        const Rgba s{seen.r, seen.g, seen.b, seen.a * amount * mirroredShare};
        if (s.a > 0) BlendMode::blend(d, s, settings_.reflectionBlend, true);
        c = glm::vec4(d.r * d.a, d.g * d.a, d.b * d.a, d.a);
    }
    return glm::clamp(c, glm::vec4(0), glm::vec4(0.999999f));
}

bool RayShading::shade(const RayScene::Hit& hit, const glm::vec3& direction, int depth, glm::vec4& colour,
                       bool inside) const {
    Path path;
    path.depth = depth;
    return shadeAlong(hit, direction, path, colour, inside);
}

bool RayShading::shadeAlong(const RayScene::Hit& hit, const glm::vec3& direction, const Path& path, glm::vec4& colour,
                            bool inside) const {
    const DrawList::Item& item = list_.items()[static_cast<size_t>(hit.item)];
    const DrawList::Part& part = item.parts[static_cast<size_t>(hit.part)];
    if (part.material->style == BakedMaterial::kShadowCatcher) {
        // Clear where lit: only the shadows falling on it darken what lies behind.
        const bool facing = glm::dot(hit.normal, direction) <= 0;
        const glm::vec3 n = facing ? hit.normal : -hit.normal;
        const glm::vec3 nf = glm::dot(hit.faceNormal, direction) <= 0 ? hit.faceNormal : -hit.faceNormal;
        const glm::vec3 from = hit.position + nf * (scene_.epsilon() * 8);
        // Met from behind, it is the inside of a catching solid: its front already
        // showed the shadow.
        const bool front = glm::dot(hit.faceNormal, direction) < 0;
        float clear = 1;
        for (const Lamp& lamp : lamps_) {
            if (lamp.intensity <= 0 || !lamp.shadow || !front) continue;
            glm::vec3 l = lamp.type == Light::kDirectional ? lamp.toward : glm::normalize(lamp.position - hit.position);
            if (glm::dot(n, l) <= 0) continue;
            clear *= lightReaching(lamp, from);
        }
        const float a = std::clamp((1 - clear) * static_cast<float>(item.opacity), 0.0f, 0.999999f);
        float distance;
        colour = (1 - a) * follow(hit.position - nf * (scene_.epsilon() * 8), direction, path.next(1 - a), distance,
                                  nullptr, inside) +
                 glm::vec4(0, 0, 0, a);
        return true;
    }
    RaySurface::Point point;
    if (!RaySurface::evaluate(item, part, hit, direction, point)) return false;
    // Of two Fresnel surfaces each weighs what its share of the mix does.
    const bool two = point.coats > 1;
    const float mix = two ? std::clamp(point.fresnelMix, 0.0f, 1.0f) : 0.0f;
    auto weighed = [&](float share) {
        Path p = path;
        p.weight *= share;
        return p;
    };
    glm::vec4 result = point.fresnelMix < 1 || !two
                           ? surface(point, point.coat[0], hit, direction, two ? weighed(1 - mix) : path, inside)
                           : glm::vec4(0);
    if (two && point.fresnelMix > 0)
        result = result * (1 - point.fresnelMix) +
                 surface(point, point.coat[1], hit, direction, weighed(mix), inside) * point.fresnelMix;
    colour = result;
    return true;
}

}  // namespace fw
