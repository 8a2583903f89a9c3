#pragma once
// The ray-traced frame: primary rays through a grid of image points (the pixel
// centres, or with anti-aliasing the pixel corners), a second pass that supersamples
// only the pixels whose corners disagree, ambient occlusion per pixel, and the shading
// of each hit. Rows run in parallel over the shared, read-only RayScene. It is one
// `Renderer`, as the OpenGL renderer is the other.

#include <atomic>
#include <functional>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>
#include <memory>
#include <string>
#include <vector>

#include "render/DrawList.h"
#include "render/RayScene.h"
#include "render/RayShading.h"
#include "render/Renderer.h"

namespace fw {

class Camera;
class SceneX;

class RayTracer : public Renderer {
public:
    struct Settings {
        int antiAlias = 0;         // 0 or 1: one ray per pixel; 2..5 the patterns; above, an L x L grid
        int ambientOcclusion = 0;  // 3: per pixel; 2: per vertex, interpolated to the hit; anything else off
        int ambientRays = 16;
        double ambientDistance = 1.0;
        double ambientDarkness = 0.5;
        // Stored pixels divided by their alpha, as RenderImage holds them (samples are
        // averaged premultiplied first); off, the image keeps premultiplied colours.
        bool unpremultiply = true;
        // Shadows, bounces and reflections, handed to each hit's shading as they are.
        RayShading::Settings shading{};
        bool multiThreaded = true;
        // Frames of one sequence: the structure is kept and refitted while only
        // transforms change between frames.
        bool refit = false;
    };

    // What the last frame cost.
    struct Statistics {
        long primaryRays = 0;   // pass 1 and pass 2 rays from the camera
        long ambientRays = 0;
        long shadowFeelers = 0;
        long supersampledPixels = 0;
        long secondaryRays = 0;  // reflected and refracted
        long objects = 0;       // the structure's objects: Embree geometries, one per part with triangles
        bool refitted = false;  // the structure was refitted, not built again
        bool stopped = false;   // abort() ended the frame early
        int rowsTraced = 0;     // image rows holding traced points; the others show the background
        int rowsSmoothed = 0;   // with anti-aliasing, rows through the supersampling pass
        long raysTraced() const { return primaryRays + ambientRays + shadowFeelers + secondaryRays; }
    };

    // The ray through image fractions (u, v), u across from the left, v down from the top.
    struct View {
        glm::dmat4 toWorld{1.0};
        bool orthographic = false;
        double nearHalf[2] = {1, 1}, farHalf[2] = {1, 1};  // half width, half height on each plane
        double clipNear = 0.1, clipFar = 1000;
        void ray(double u, double v, glm::vec3& origin, glm::vec3& direction) const;
        // The width one of `pixels` columns covers `distance` along a ray.
        double pixelWidth(double distance, int pixels) const;
        // Where a ray's direction (or, looking orthographically, its origin) crosses the
        // frame, clamped to it; false for a direction away from the camera.
        bool fractions(const glm::vec3& origin, const glm::vec3& direction, double& u, double& v) const;
        // The camera's view of a W x H frame (sets its aspect, as the frame is drawn with it).
        static View of(Camera& camera, double aspect);
    };

    // Colour (premultiplied) and alpha of a hit seen along `direction`; false where the
    // surface holds out and the background shows.
    using Shader = std::function<bool(const RayScene::Hit& hit, const glm::vec3& direction, glm::vec4& colour)>;

    RayTracer() = default;

    // The whole frame: draw list, materials, lights, trace. False with the reason in
    // `error` (the image keeps the rows finished before an abort).
    bool render(SceneX& scene, Camera& camera, const RenderFrame& frame, RenderImage& out,
                std::string& error) override;
    void setSettings(const Settings& settings) { settings_ = settings; }
    const Settings& settings() const { return settings_; }

    // The two passes over a built scene, every hit coloured by `shade`; misses take the
    // frame's background. False when aborted or the settings are refused.
    bool trace(const RayScene& scene, const View& view, const RenderFrame& frame, const Shader& shade,
               RenderImage& out, std::string& error);

    // Parts drawn in the Cartoon style, by item and part: the width of the black line
    // inked along their silhouettes, borders and creases, in pixels (0: no line).
    // `render` sets it from the draw list; `trace` inks what it is given.
    void setInk(std::vector<std::vector<float>> widths) { ink_ = std::move(widths); }

    // Set from any thread; polled after every row.
    void abort() { abort_ = true; }
    // Runs after each finished row, from the worker that finished it.
    void setProgress(std::function<void(int rowsDone, int rows)> progress) { progress_ = std::move(progress); }
    const Statistics& statistics() const { return stats_; }
    // What the last frame's materials ask for that this tracer does not draw yet, one
    // text each (for example "reflections"); the frame is drawn without them.
    const std::vector<std::string>& untraced() const { return untraced_; }
    // The hit buffer of the last frame: W' x H' item indices, -1 where nothing was hit,
    // top row first.
    const std::vector<int>& hitBuffer() const { return hits_; }
    int hitBufferWidth() const { return pointsWide_; }

    // The ambient directions for a ray count: 4, 16, 36, 64, 144 or 256 unit directions
    // on the hemisphere around +Y; any other count gives the 16.
    static const std::vector<glm::vec3>& ambientDirections(int rays);
    // The occlusion factor a in 0..1 at `position` with unit normal `normal`, the
    // point's own triangle left out; counts its rays into `rays`.
    static double occlusion(const RayScene& scene, const glm::vec3& position, const glm::vec3& normal,
                            unsigned geometry, unsigned triangle, int rayCount, double distance, long& rays);
    // The sample pattern of an anti-alias level above 1: x, y in the pixel and weight.
    struct Sample {
        double x, y, weight;
    };
    static std::vector<Sample> pattern(int level);
    // The frame's background at image fractions (u, v), not premultiplied.
    static glm::vec4 backgroundAt(const RenderFrame& frame, double u, double v);

private:
    // One traced frame's grid of points and its two passes (in the source).
    class Passes;

    // One traced frame, no passes.
    bool traceFrame(SceneX& scene, Camera& camera, const RenderFrame& frame, RenderImage& out, std::string& error);
    // Whether the tracer draws the frame with its settings; false with the reason.
    bool acceptable(const RenderFrame& frame, std::string& error) const;
    void noteUntraced(const DrawList& list);
    // The ink widths of the list's Cartoon parts, none when there are none.
    void inkFrom(const DrawList& list);
    // The ink width of a point that hit `item`'s `part` (-1 for none), 0 when not inked.
    float inkOf(int item, int part) const;
    // Black lines over the stored pixels where neighbouring points of the grid meet
    // different parts or nothing, or a crease, beside a Cartoon part.
    void inkOutlines(const std::vector<int>& parts, const std::vector<glm::vec3>& normals, int pointsHigh,
                     RenderImage& out) const;
    // The structure kept from frame to frame, refittable when the settings ask.
    RayScene& keptScene();

    Settings settings_;
    std::atomic<bool> abort_{false};
    std::atomic<long> shadowFeelers_{0};
    std::function<void(int, int)> progress_;
    Statistics stats_;
    std::vector<std::string> untraced_;
    std::vector<std::vector<float>> ink_;
    std::vector<int> hits_;
    int pointsWide_ = 0;
    std::unique_ptr<RayScene> kept_;
};

}  // namespace fw
