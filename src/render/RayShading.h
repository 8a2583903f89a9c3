#pragma once
// The colour of a ray-traced hit: the surface lit by the frame's lights, with shadow
// rays toward them, and reflected and refracted rays followed up to the bounce limit.
// Made once per frame; `shade` is read-only and called from every worker at once.

#include <array>
#include <atomic>
#include <functional>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>
#include <memory>
#include <vector>

#include "render/DrawList.h"
#include "render/LightSlots.h"
#include "render/RayScene.h"
#include "render/RaySurface.h"

namespace fw {

class RayShading {
public:
    struct Settings {
        bool shadows = true;              // shadow rays toward shadow-casting lights
        bool traceShadows = false;        // soft: a disk of rays per light; off, one hard ray
        int shadowRays = 16;              // picks the shared table of that size
        bool shadowTransparency = false;  // transparent occluders let light through
        int maxBounces = 4;               // reflected and refracted rays in a row, at most kMaxBounces
        int maxShadowBounces = 2;         // transparent occluders a shadow ray passes, at most kMaxShadowBounces
        int reflectionBlend = 1;          // the blend mode of traced reflections (Normal)
    };

    // The most bounces followed whatever the settings ask: each one is a level of
    // recursion on a worker's stack.
    static constexpr int kMaxBounces = 64;
    static constexpr int kMaxShadowBounces = 64;
    // A ray whose share of the pixel (the product of the reflected and refracted
    // weights along its path) is below one step of an 8-bit channel is not followed:
    // what lies beyond stands in, as past the bounce limit.
    static constexpr float kLeastWeight = 1.0f / 255;

    // The premultiplied colour seen along a ray that meets nothing.
    using Background = std::function<glm::vec4(const glm::vec3& origin, const glm::vec3& direction)>;

    RayShading(const RayScene& scene, const DrawList& list, const LightSlots& slots, const Settings& settings,
               Background background);
    ~RayShading();

    // Where a point lies in the frame (across from the left, up from the bottom), for
    // the Camera mapping of surfaces met by reflected and refracted rays.
    void setFramePlace(std::function<glm::vec2(const glm::vec3& position)> place) { place_ = std::move(place); }

    // Colour (premultiplied) and alpha of `hit`, met along unit `direction` after
    // `depth` bounces; false where the surface holds out and the background shows.
    // `inside`: the ray travels inside a transparent body it entered.
    bool shade(const RayScene::Hit& hit, const glm::vec3& direction, int depth, glm::vec4& colour,
               bool inside = false) const;

    long shadowFeelers() const;
    long secondaryRays() const;  // reflected and refracted

    // What a light of falloff kind `falloff` and distance `reach` still gives at
    // `distance` from it, 0..1.
    static float falloff(int kind, double distance, double reach);
    // The shared soft-shadow table for a ray count: the largest not above it.
    static const std::vector<std::array<double, 3>>& shadowTable(int rays);

private:
    struct Lamp;
    struct Counters;
    // Where a secondary ray stands on its way from the camera: bounces so far, its
    // share of the pixel, and whether a blurred channel has spread it already (rays
    // spread once per path: a spread within a spread follows its axis alone, so the
    // rays a pixel costs do not multiply bounce by bounce).
    struct Path {
        int depth = 0;
        float weight = 1;
        bool spread = false;
        Path next(float share) const { return {depth + 1, weight * share, spread}; }
    };
    bool shadeAlong(const RayScene::Hit& hit, const glm::vec3& direction, const Path& path, glm::vec4& colour,
                    bool inside) const;
    // What a coat gives under the lights: premultiplied colour and alpha.
    glm::vec4 lit(const RaySurface::Point& point, const RaySurface::Coat& coat, const glm::vec3& position,
                  const glm::vec3& direction) const;
    // The share of a lamp's light that reaches `from` (1 - darkness where blocked).
    float lightReaching(const Lamp& lamp, const glm::vec3& from) const;
    float transmission(const glm::vec3& from, const glm::vec3& direction, float reach) const;
    // One of a hit's surfaces: lit, over what shows through it, with what it mirrors.
    glm::vec4 surface(const RaySurface::Point& point, const RaySurface::Coat& coat, const RayScene::Hit& hit,
                      const glm::vec3& direction, const Path& path, bool inside) const;
    // What is seen from `origin` along `direction` on `path`, and how far off
    // it lies (negative: nothing was met). A ray that meets nothing sees `sky`, the
    // reflection map of the surface that mirrored it, or else the background.
    glm::vec4 follow(const glm::vec3& origin, const glm::vec3& direction, const Path& path, float& distance,
                     const BakedMaterial::Texture* sky = nullptr, bool inside = false) const;
    glm::vec4 beyond(const glm::vec3& origin, const glm::vec3& direction, const BakedMaterial::Texture* sky) const;
    // The average seen along a channel's spread of rays about `axis`; with a falloff
    // range (`end` above `start`) far hits weigh less and `share` says how much is seen.
    glm::vec4 spread(const glm::vec3& origin, const glm::vec3& axis, const std::vector<std::array<double, 3>>* rays,
                     const Path& path, float start, float end, float& share,
                     const BakedMaterial::Texture* sky = nullptr, bool inside = false) const;
    Counters& counters() const;

    const RayScene& scene_;
    const DrawList& list_;
    Settings settings_;
    Background background_;
    std::function<glm::vec2(const glm::vec3&)> place_;
    std::vector<Lamp> lamps_;
    const std::vector<std::array<double, 3>>* shadowTaps_ = nullptr;
    bool shadowRing_ = false;  // the taps all lie on one circle
    glm::vec3 ambient_{0};
    std::unique_ptr<Counters[]> counters_;
    int threads_ = 1;
};

}  // namespace fw
