#include "render/RayTracer.h"

#include <omp.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <glm/geometric.hpp>
#include <glm/matrix.hpp>
#include <memory>

#include "platform/MathConstants.h"
#include "render/Camera.h"
#include "render/LightSlots.h"
#include "render/RayShading.h"
#include "render/RaySurface.h"

namespace fw {

namespace {

// The adaptive patterns of levels 2 to 5: x, then y, then weight of each sample.
const std::vector<double> kPatterns[4][3] = {
    {{0.0, 0.6, 0.2, 0.77, 0.4},
     {0.0, 0.2, 0.4, 0.63, 0.8},
     {0.126313, 0.217161, 0.217161, 0.222204, 0.217161}},
    {{0.0, 0.63, 0.27, 0.88, 0.5, 0.12, 0.77, 0.37},
     {0.0, 0.12, 0.27, 0.37, 0.5, 0.63, 0.77, 0.88},
     {0.078381, 0.125351, 0.135377, 0.125351, 0.156762, 0.125351, 0.128074, 0.125351}},
    {{0.0, 0.73, 0.45, 0.18, 0.89, 0.64, 0.33, 0.12, 0.5, 0.78, 0.3},
     {0.0, 0.16, 0.23, 0.26, 0.44, 0.49, 0.53, 0.68, 0.77, 0.78, 0.97},
     {0.055967, 0.084433, 0.101937, 0.085669, 0.086315, 0.122785, 0.117414, 0.083272, 0.102587, 0.086148,
      0.073473}},
    {{0.0, 0.46, 0.21, 0.69, 0.94, 0.39, 0.15, 0.62, 0.87, 0.41, 0.69, 0.19, 0.93, 0.48, 0.25, 0.74},
     {0.0, 0.1, 0.17, 0.2, 0.26, 0.33, 0.42, 0.44, 0.51, 0.6, 0.66, 0.66, 0.75, 0.83, 0.91, 0.94},
     {0.038695, 0.059068, 0.05609, 0.063035, 0.051479, 0.077888, 0.062693, 0.085625, 0.061735, 0.085581, 0.073085,
      0.063584, 0.051751, 0.065213, 0.052999, 0.051479}},
};

// Cosine-weighted strata of the hemisphere around +Y, side x side of them, so that
// equal weights give the occlusion a surface sees.
std::vector<glm::vec3> hemisphere(int side) {
    std::vector<glm::vec3> set;
    set.reserve(static_cast<size_t>(side) * side);
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j) {
            double u = (i + 0.5) / side, phi = 2 * kPi * (j + 0.5) / side;
            // Rows turn by half a stratum against each other, so the set has no seams.
            if (i % 2) phi += kPi / side;
            double r = std::sqrt(u);
            set.emplace_back(static_cast<float>(r * std::cos(phi)), static_cast<float>(std::sqrt(1 - u)),
                             static_cast<float>(r * std::sin(phi)));
        }
    return set;
}

// Machine threads, asked once.
int machineThreads() {
    static const int threads = std::max(1, omp_get_max_threads());
    return threads;
}

uint8_t toByte(float v) { return static_cast<uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); }

}  // namespace

void RayTracer::View::ray(double u, double v, glm::vec3& origin, glm::vec3& direction) const {
    // v runs down the image; the camera's own y runs up.
    const double x = 2 * u - 1, y = 1 - 2 * v;
    glm::dvec4 near = toWorld * glm::dvec4(x * nearHalf[0], y * nearHalf[1], -clipNear, 1.0);
    glm::dvec4 far = toWorld * glm::dvec4(x * farHalf[0], y * farHalf[1], -clipFar, 1.0);
    glm::dvec3 d = glm::dvec3(far) - glm::dvec3(near);
    origin = glm::vec3(near);
    direction = glm::vec3(glm::normalize(d));
}

double RayTracer::View::pixelWidth(double distance, int pixels) const {
    const double across = orthographic ? 2 * nearHalf[0]
                                       : 2 * distance * (farHalf[0] - nearHalf[0]) / std::max(1e-9, clipFar - clipNear);
    return across / std::max(1, pixels);
}

RayTracer::View RayTracer::View::of(Camera& camera, double aspect) {
    View view;
    camera.aspect = aspect;
    view.toWorld = camera.cameraToWorld();
    view.orthographic = camera.projection() == Camera::kOrthographic;
    view.clipNear = camera.clipNear;
    view.clipFar = camera.clipFar;
    if (view.orthographic) {
        double e[4];
        camera.orthoExtents(e);
        view.nearHalf[0] = view.farHalf[0] = e[1];
        view.nearHalf[1] = view.farHalf[1] = e[3];
    } else {
        camera.frustumAt(camera.clipNear, view.nearHalf[0], view.nearHalf[1]);
        camera.frustumAt(camera.clipFar, view.farHalf[0], view.farHalf[1]);
    }
    return view;
}

// The background as stored: the colour, or the media stretched over the frame.
glm::vec4 RayTracer::backgroundAt(const RenderFrame& frame, double u, double v) {
    glm::vec4 c(frame.background[0], frame.background[1], frame.background[2], frame.background[3]);
    if (frame.backgroundImage && frame.backgroundWidth > 0 && frame.backgroundHeight > 0) {
        int x = std::clamp(static_cast<int>(u * frame.backgroundWidth), 0, frame.backgroundWidth - 1);
        int y = std::clamp(static_cast<int>((1 - v) * frame.backgroundHeight), 0, frame.backgroundHeight - 1);
        const uint8_t* p = frame.backgroundImage + (static_cast<size_t>(y) * frame.backgroundWidth + x) * 4;
        glm::vec4 m = glm::vec4(p[0], p[1], p[2], p[3]) / 255.0f;
        float o = std::clamp(frame.backgroundOpacity, 0.0f, 1.0f) * m.a;
        c = glm::vec4(glm::vec3(c) * (1 - o) + glm::vec3(m) * o, std::max(c.a, o));
    }
    return c;
}

bool RayTracer::View::fractions(const glm::vec3& origin, const glm::vec3& direction, double& u, double& v) const {
    const glm::dmat4 toCamera = glm::inverse(toWorld);
    double x, y;
    if (orthographic) {
        const glm::dvec4 o = toCamera * glm::dvec4(glm::dvec3(origin), 1.0);
        x = o.x / nearHalf[0];
        y = o.y / nearHalf[1];
    } else {
        const glm::dvec4 d = toCamera * glm::dvec4(glm::dvec3(direction), 0.0);
        if (d.z >= 0) return false;
        const double depth = clipFar - clipNear;
        x = d.x / -d.z * depth / (farHalf[0] - nearHalf[0]);
        y = d.y / -d.z * depth / (farHalf[1] - nearHalf[1]);
    }
    u = std::clamp((x + 1) / 2, 0.0, 1.0);
    v = std::clamp((1 - y) / 2, 0.0, 1.0);
    return true;
}

const std::vector<glm::vec3>& RayTracer::ambientDirections(int rays) {
    // Function statics are built once, and safely when workers ask together.
    static const std::array<std::vector<glm::vec3>, 6> sets = {hemisphere(2),  hemisphere(4),  hemisphere(6),
                                                               hemisphere(8),  hemisphere(12), hemisphere(16)};
    for (const auto& set : sets)
        if (static_cast<int>(set.size()) == rays) return set;
    return sets[1];
}

double RayTracer::occlusion(const RayScene& scene, const glm::vec3& position, const glm::vec3& normal,
                            unsigned geometry, unsigned triangle, int rayCount, double distance, long& rays) {
    const std::vector<glm::vec3>& set = ambientDirections(rayCount);
    const float ny = normal.y;
    // Straight up or down needs no rotation; elsewhere the set turns from +Y onto the normal.
    int orientation = std::fabs(ny - 1.0f) < 1e-5f ? 1 : std::fabs(ny + 1.0f) < 1e-5f ? -1 : 0;
    glm::vec3 t(1, 0, 0), b(0, 0, 1);
    if (orientation == 0) {
        glm::vec3 helper = std::fabs(normal.x) < 0.9f ? glm::vec3(1, 0, 0) : glm::vec3(0, 0, 1);
        t = glm::normalize(glm::cross(helper, normal));
        b = glm::cross(t, normal);
    }
    // The set also spins about the normal from point to point: a fixed set draws its
    // few directions as bands across flat walls.
    const float spin = RayScene::spinAt(position), cs = std::cos(spin), sn = std::sin(spin);
    // Rays leave from just off the surface along its normal: started along their own
    // direction, those near a concave crease would begin behind the adjacent face and
    // see light through it.
    const glm::vec3 origin = position + normal * (4 * scene.epsilon());
    double sum = 0;
    for (const glm::vec3& s0 : set) {
        const glm::vec3 s(cs * s0.x - sn * s0.z, s0.y, sn * s0.x + cs * s0.z);
        glm::vec3 d = orientation == 1 ? s : orientation == -1 ? -s : s.x * t + s.y * normal + s.z * b;
        if (glm::dot(normal, d) <= 0) continue;
        double contribution = 1;
        float skipped = 0;
        // The point's own triangle does not shade it: look on past it.
        for (int tries = 0; tries < 4; ++tries) {
            unsigned g, tri;
            float t0;
            ++rays;
            if (!scene.nearest(origin, d, static_cast<float>(distance), g, tri, t0, skipped)) break;
            if (g == geometry && tri == triangle) {
                skipped = t0 + scene.epsilon();
                continue;
            }
            if (t0 < distance) contribution = t0 / distance;
            break;
        }
        sum += contribution;
    }
    double a = sum / static_cast<double>(set.size());
    return a * a;
}

std::vector<RayTracer::Sample> RayTracer::pattern(int level) {
    std::vector<Sample> samples;
    if (level >= 2 && level <= 5) {
        const auto& p = kPatterns[level - 2];
        for (size_t i = 0; i < p[0].size(); ++i) samples.push_back({p[0][i], p[1][i], p[2][i]});
    } else if (level > 5) {
        for (int i = 0; i < level * level; ++i)
            samples.push_back({static_cast<double>(i % level) / (level - 1), static_cast<double>(i / level) / (level - 1),
                               1.0 / (level * level)});
    }
    return samples;
}

// The grid of image points one frame traces (pixel centres, or with anti-aliasing
// pixel corners), what each point saw, and the steps that fill it and store the pixels.
class RayTracer::Passes {
public:
    Passes(RayTracer& tracer, const RayScene& scene, const View& view, const RenderFrame& frame, const Shader& shade,
           RenderImage& out)
        : t_(tracer), s_(tracer.settings_), scene_(scene), view_(view), frame_(frame), shade_(shade), out_(out),
          width_(frame.width), height_(frame.height), corners_(s_.antiAlias >= 2), wide_(corners_ ? width_ + 1 : width_),
          high_(corners_ ? height_ + 1 : height_), ambient_(s_.ambientOcclusion == 3), perVertex_(s_.ambientOcclusion == 2),
          threads_(s_.multiThreaded ? machineThreads() : 1), rowsTotal_(high_ + (corners_ ? height_ : 0)),
          du_(corners_ ? wide_ - 1 : std::max(wide_ - 1, 1)), dv_(corners_ ? high_ - 1 : std::max(high_ - 1, 1)),
          backgroundColour_(frame.background[0], frame.background[1], frame.background[2]) {
        t_.pointsWide_ = wide_;
        t_.hits_.assign(static_cast<size_t>(wide_) * high_, -1);
        points_.resize(static_cast<size_t>(wide_) * high_);
        traced_.assign(static_cast<size_t>(high_), 0);
        inking_ = !t_.ink_.empty();
        parts_.assign(inking_ ? points_.size() : 0, -1);
        normals_.resize(inking_ ? points_.size() : 0);
    }

    void run() {
        occludeVertices();
        tracePoints();
        storePoints();
        if (corners_ && !t_.abort_) smooth();
        if (inking_ && !t_.abort_) t_.inkOutlines(parts_, normals_, high_, out_);
    }

    void count(Statistics& stats) const {
        stats.primaryRays = primary_;
        stats.ambientRays = ambientRays_;
        stats.supersampledPixels = supersampled_;
        stats.rowsTraced = static_cast<int>(std::count(traced_.begin(), traced_.begin() + height_, 1));
        stats.rowsSmoothed = corners_ ? std::max(0, rowsDone_ - high_) : 0;
    }

private:
    // A row's rays go through the structure together, then each hit is shaded; each
    // worker keeps its buffers.
    struct RowBuffers {
        std::vector<glm::vec3> origins, directions;
        std::vector<double> us, vs;
        std::vector<RayScene::Hit> hits;
        std::unique_ptr<bool[]> found;
        size_t foundSize = 0;
        std::vector<int> columns;  // the row's supersampled pixels
        void intersect(const RayScene& scene) {
            const size_t n = origins.size();
            if (hits.size() < n) hits.resize(n);
            if (foundSize < n) found.reset(new bool[foundSize = n]);
            scene.intersectCoherent(static_cast<int>(n), origins.data(), directions.data(), hits.data(), found.get());
        }
    };

    double pointU(int c) const { return corners_ ? c / du_ : (c + 0.5) / du_; }
    double pointV(int r) const { return corners_ ? r / dv_ : (r + 0.5) / dv_; }
    size_t at(int c, int r) const { return static_cast<size_t>(r) * wide_ + c; }

    // Samples stay premultiplied until a pixel is stored, so that averaging an edge
    // weighs each colour by how much of it there is.
    glm::vec4 background(double u, double v) const {
        return RaySurface::premultiplied(backgroundAt(frame_, u, v));
    }

    void rowDone() {
        const int done = ++rowsDone_;
        if (t_.progress_) t_.progress_(done, rowsTotal_);
    }

    // Per-vertex occlusion, object by object, each vertex looking out along its own
    // normal; a vertex without a normal is left open.
    void occludeVertices() {
        vertexOcclusion_.resize(perVertex_ ? static_cast<size_t>(scene_.itemCount()) : 0);
        for (int item = 0; item < static_cast<int>(vertexOcclusion_.size()) && !t_.abort_; ++item) {
            std::vector<float>& values = vertexOcclusion_[static_cast<size_t>(item)];
            const int count = scene_.vertexCount(item);
            values.assign(static_cast<size_t>(count), 1.0f);
            long rays = 0;
#pragma omp parallel for schedule(dynamic, 10) num_threads(threads_) reduction(+ : rays)
            for (int k = 0; k < count; ++k) {
                const glm::vec3 n = scene_.vertexNormal(item, k);
                if (n == glm::vec3(0)) continue;
                values[static_cast<size_t>(k)] = static_cast<float>(occlusion(
                    scene_, scene_.vertexPosition(item, k), n, ~0u, 0, s_.ambientRays, s_.ambientDistance, rays));
            }
            ambientRays_ += rays;
        }
    }

    // The occlusion factor at a hit, 1 where none is asked for.
    double occlusionAt(const RayScene::Hit& hit, const glm::vec3& direction, long& ambientRays) const {
        if (perVertex_) {
            double a = 0;
            const std::vector<float>& values = vertexOcclusion_[static_cast<size_t>(hit.item)];
            for (int k = 0; k < 3; ++k) a += hit.weights[k] * values[hit.corners[k]];
            return a;
        }
        // Occlusion looks out from the side the ray arrived on.
        glm::vec3 n = glm::dot(hit.normal, direction) > 0 ? -hit.normal : hit.normal;
        return occlusion(scene_, hit.position, n, hit.geometry, hit.triangle, s_.ambientRays, s_.ambientDistance,
                         ambientRays);
    }

    // A camera ray's colour from its hit (`found`) or miss, and the item hit (-1: none).
    int shadePoint(double u, double v, const glm::vec3& direction, bool found, RayScene::Hit& hit, glm::vec4& colour,
                   long& ambientRays) const {
        if (!found) {
            colour = background(u, v);
            return -1;
        }
        hit.image = glm::vec2(u, 1 - v);
        // A surface seen at a slant stretches the pixel across it, up to four times.
        const float facing = std::max(0.25f, std::fabs(glm::dot(direction, hit.faceNormal)));
        hit.footprint = static_cast<float>(view_.pixelWidth(hit.distance, width_)) / facing;
        glm::vec4 c;
        if (!shade_(hit, direction, c)) {
            colour = background(u, v);
            return hit.item;
        }
        c.a = std::max(c.a, 0.0f);
        if (ambient_ || perVertex_) {
            const double a = occlusionAt(hit, direction, ambientRays);
            if (a < 1) {
                float f = static_cast<float>(a * s_.ambientDarkness + (1 - s_.ambientDarkness));
                c.r *= f, c.g *= f, c.b *= f;
            }
        }
        colour = c;
        return hit.item;
    }

    // Pass 1 (skipped when the occlusion pass was stopped): the point grid, pixel
    // centres (spread over width_' - 1 steps like the corner grid) or corners.
    void tracePoints() {
#pragma omp parallel num_threads(threads_)
        {
            RowBuffers row;
            row.origins.resize(static_cast<size_t>(wide_));
            row.directions.resize(static_cast<size_t>(wide_));
#pragma omp for schedule(dynamic, 10)
            for (int r = 0; r < high_; ++r) {
                if (t_.abort_) continue;
                tracePointRow(r, row);
            }
        }
    }

    void tracePointRow(int r, RowBuffers& row) {
        const double v = pointV(r);
        for (int c = 0; c < wide_; ++c)
            view_.ray(pointU(c), v, row.origins[static_cast<size_t>(c)], row.directions[static_cast<size_t>(c)]);
        row.intersect(scene_);
        long aoRays = 0;
        for (int c = 0; c < wide_; ++c) {
            const size_t i = at(c, r), k = static_cast<size_t>(c);
            t_.hits_[i] = shadePoint(pointU(c), v, row.directions[k], row.found[k], row.hits[k], points_[i], aoRays);
            if (inking_ && row.found[k]) {
                parts_[i] = row.hits[k].part;
                normals_[i] = row.hits[k].normal;
            }
        }
        primary_ += wide_;
        ambientRays_ += aoRays;
        traced_[static_cast<size_t>(r)] = 1;
        rowDone();
    }

    // Straight colour where asked: divided by its coverage, and the background's own
    // colour where nothing covers the pixel at all.
    void store(int c, int r, glm::vec4 colour) {
        if (s_.unpremultiply && colour.a < 1)
            colour = colour.a * 255 < 0.5f ? glm::vec4(backgroundColour_, 0)
                                           : glm::vec4(glm::vec3(colour) / colour.a, colour.a);
        uint8_t* p = &out_.rgba[(static_cast<size_t>(height_ - 1 - r) * width_ + c) * 4];
        for (int k = 0; k < 4; ++k) p[k] = toByte(colour[k]);
    }

    // Each pixel first takes its point (with corners, its top-left one), which is what
    // rows left unfinished by an abort keep; rows an abort skipped show the background.
    void storePoints() {
        out_.width = width_;
        out_.height = height_;
        out_.rgba.assign(static_cast<size_t>(width_) * height_ * 4, 0);
#pragma omp parallel for schedule(static) num_threads(threads_)
        for (int r = 0; r < height_; ++r)
            for (int c = 0; c < width_; ++c)
                store(c, r, traced_[static_cast<size_t>(r)] ? points_[at(c, r)] : background(pointU(c), pointV(r)));
    }

    // Pass 2: pixels whose corners agree are their average; the others are supersampled,
    // the new samples of a row traced together like pass 1's rows.
    void smooth() {
        const std::vector<Sample> samples = pattern(s_.antiAlias);
#pragma omp parallel num_threads(threads_)
        {
            RowBuffers row;
#pragma omp for schedule(dynamic, 10)
            for (int r = 0; r < height_; ++r) {
                if (t_.abort_) continue;
                smoothRow(r, samples, row);
            }
        }
    }

    static bool onCorner(const Sample& smp) {
        return (smp.x == 0 || smp.x == 1) && (smp.y == 0 || smp.y == 1);
    }

    // Whether a pixel's four corners met the same item in colours close together.
    bool cornersAgree(const size_t (&corner)[4]) const {
        const std::vector<int>& hits = t_.hits_;
        bool agree = hits[corner[0]] == hits[corner[1]] && hits[corner[0]] == hits[corner[2]] &&
                     hits[corner[0]] == hits[corner[3]];
        for (int a = 0; a < 4 && agree; ++a)
            for (int b = a + 1; b < 4 && agree; ++b) {
                const glm::vec4 &p = points_[corner[a]], &q = points_[corner[b]];
                for (int k = 0; k < 3; ++k)
                    if (std::fabs(p[k] - q[k]) > 0.1f) agree = false;
            }
        return agree;
    }

    void smoothRow(int r, const std::vector<Sample>& samples, RowBuffers& row) {
        row.origins.clear(), row.directions.clear(), row.us.clear(), row.vs.clear(), row.columns.clear();
        for (int c = 0; c < width_; ++c) {
            const size_t corner[4] = {at(c, r), at(c + 1, r), at(c + 1, r + 1), at(c, r + 1)};
            if (cornersAgree(corner)) {
                glm::vec4 sum(0);
                for (size_t i : corner) sum += 0.25f * points_[i];
                store(c, r, sum);
                continue;
            }
            row.columns.push_back(c);
            for (const Sample& smp : samples) {
                if (onCorner(smp)) continue;
                row.us.push_back((c + smp.x) / width_);
                row.vs.push_back((r + smp.y) / height_);
                row.origins.emplace_back();
                row.directions.emplace_back();
                view_.ray(row.us.back(), row.vs.back(), row.origins.back(), row.directions.back());
            }
        }
        row.intersect(scene_);
        // Summed in the pattern's order, corners from pass 1.
        long aoRays = 0;
        size_t k = 0;
        for (int c : row.columns) {
            glm::vec4 sum(0);
            for (const Sample& smp : samples) {
                glm::vec4 colour;
                if (onCorner(smp)) {
                    colour = points_[at(c + static_cast<int>(smp.x), r + static_cast<int>(smp.y))];
                } else {
                    shadePoint(row.us[k], row.vs[k], row.directions[k], row.found[k], row.hits[k], colour, aoRays);
                    ++k;
                }
                sum += static_cast<float>(smp.weight) * colour;
            }
            store(c, r, sum);
        }
        primary_ += static_cast<long>(row.origins.size());
        ambientRays_ += aoRays;
        supersampled_ += static_cast<long>(row.columns.size());
        rowDone();
    }

    RayTracer& t_;
    const Settings& s_;
    const RayScene& scene_;
    const View& view_;
    const RenderFrame& frame_;
    const Shader& shade_;
    RenderImage& out_;
    const int width_, height_;
    const bool corners_;
    const int wide_, high_;
    const bool ambient_, perVertex_;
    const int threads_;
    const int rowsTotal_;
    const double du_, dv_;
    const glm::vec3 backgroundColour_;
    bool inking_ = false;
    std::vector<glm::vec4> points_;
    std::vector<char> traced_;  // rows of points pass 1 finished
    // What the ink needs of each point: the part it hit and the normal there.
    std::vector<int> parts_;
    std::vector<glm::vec3> normals_;
    std::vector<std::vector<float>> vertexOcclusion_;
    std::atomic<long> primary_{0}, ambientRays_{0}, supersampled_{0};
    std::atomic<int> rowsDone_{0};
};

bool RayTracer::acceptable(const RenderFrame& frame, std::string& error) const {
    if (!sizeDrawable(frame.width, frame.height, error)) return false;
    if (settings_.antiAlias < 0 || settings_.antiAlias > 16) {
        error = "the anti-alias level must be between 0 and 16";
        return false;
    }
    const bool occluded = settings_.ambientOcclusion == 3 || settings_.ambientOcclusion == 2;
    if (occluded && !(settings_.ambientDistance > 0)) {
        error = "the ambient occlusion distance must be above 0";
        return false;
    }
    return true;
}

bool RayTracer::trace(const RayScene& scene, const View& view, const RenderFrame& frame, const Shader& shade,
                      RenderImage& out, std::string& error) {
    if (!acceptable(frame, error)) return false;
    abort_ = false;
    stats_ = Statistics();
    stats_.objects = scene.geometryCount();
    stats_.refitted = scene.refitted();
    shadowFeelers_ = 0;
    Passes passes(*this, scene, view, frame, shade, out);
    passes.run();
    passes.count(stats_);
    stats_.shadowFeelers = shadowFeelers_;
    stats_.stopped = abort_;
    if (abort_) {
        error = "the frame was stopped before it was finished";
        return false;
    }
    return true;
}

float RayTracer::inkOf(int item, int part) const {
    if (item < 0 || part < 0 || static_cast<size_t>(item) >= ink_.size()) return 0;
    const std::vector<float>& widths = ink_[static_cast<size_t>(item)];
    return static_cast<size_t>(part) < widths.size() ? widths[static_cast<size_t>(part)] : 0;
}

// Creases are inked where the normals of two neighbouring points part by more than the
// OpenGL outline's crease angle; the line lies on the Cartoon side of an edge (on the
// nearer point where both are), as wide as the part's line width.
void RayTracer::inkOutlines(const std::vector<int>& parts, const std::vector<glm::vec3>& normals, int pointsHigh,
                            RenderImage& out) const {
    const int PW = pointsWide_, W = out.width, H = out.height;
    static const float kCrease = static_cast<float>(std::cos(40 * kPi / 180));
    std::vector<float> edge(parts.size(), 0);  // the line width centred on each point
    auto meet = [&](size_t a, size_t b) {
        const float wa = inkOf(hits_[a], parts[a]), wb = inkOf(hits_[b], parts[b]);
        if (wa == 0 && wb == 0) return;
        const bool apart = hits_[a] != hits_[b] || parts[a] != parts[b];
        if (!apart && glm::dot(normals[a], normals[b]) >= kCrease) return;
        const size_t on = wa > 0 ? a : b;
        edge[on] = std::max(edge[on], std::max(wa, wb));
    };
    for (int r = 0; r < pointsHigh; ++r)
        for (int c = 0; c < PW; ++c) {
            const size_t i = static_cast<size_t>(r) * PW + c;
            if (c + 1 < PW) meet(i, i + 1);
            if (r + 1 < pointsHigh) meet(i, i + PW);
        }
    // Each line point blackens the pixels within half its width: stamped from the few
    // line points rather than searched for around every pixel.
    auto blacken = [&](int c, int r) {
        if (c < 0 || r < 0 || c >= W || r >= H) return;
        uint8_t* p = &out.rgba[(static_cast<size_t>(H - 1 - r) * W + c) * 4];
        p[0] = p[1] = p[2] = 0;
        p[3] = 255;
    };
    for (int r = 0; r < pointsHigh; ++r)
        for (int c = 0; c < PW; ++c) {
            const float w = std::min(edge[static_cast<size_t>(r) * PW + c], 11.0f);
            if (w <= 0) continue;
            for (int dy = -5; dy <= 5; ++dy)
                for (int dx = -5; dx <= 5; ++dx)
                    if (2 * std::max(std::abs(dx), std::abs(dy)) < w) blacken(c + dx, r + dy);
        }
}

RayScene& RayTracer::keptScene() {
    if (!kept_) kept_ = std::make_unique<RayScene>();
    kept_->setRefit(settings_.refit);
    return *kept_;
}

// What a material asks for that the tracer does not draw yet is named, so that a
// frame never drops it unannounced.
void RayTracer::noteUntraced(const DrawList& list) {
    untraced_.clear();
    auto note = [&](const char* what) {
        if (std::find(untraced_.begin(), untraced_.end(), what) == untraced_.end()) untraced_.emplace_back(what);
    };
    for (const DrawList::Item& item : list.items()) {
        for (const DrawList::Part& part : item.parts) {
            // Lines have no surface for a ray to meet: such parts are traced as solids.
            const int style = part.material->style;
            if (style == BakedMaterial::kWireframe || style == BakedMaterial::kHiddenLine)
                note("the wireframe and hidden-line styles");
        }
    }
}

void RayTracer::inkFrom(const DrawList& list) {
    std::vector<std::vector<float>> ink;
    bool cartoon = false;
    for (const DrawList::Item& item : list.items()) {
        ink.emplace_back();
        for (const DrawList::Part& part : item.parts) {
            const bool lined = part.material->style == BakedMaterial::kCartoon;
            ink.back().push_back(lined ? std::max(1.0f, part.material->lineWidth) : 0.0f);
            cartoon = cartoon || lined;
        }
    }
    setInk(cartoon ? std::move(ink) : std::vector<std::vector<float>>());
}

// Motion blur and depth of field sum traced passes; the tracer smooths its own edges,
// so anti-aliasing is never a pass here.
bool RayTracer::render(SceneX& scene, Camera& camera, const RenderFrame& frame, RenderImage& out,
                       std::string& error) {
    framesDrawn_ = 0;
    MultiPassList effects = multiPassEffects(frame.passes, false);
    if (effects.empty()) {
        framesDrawn_ = 1;
        return traceFrame(scene, camera, frame, out, error);
    }
    if (!begin(frame, error)) return false;
    PassContext context(frame.passes);
    RenderTiming timing;
    Statistics sum;
    // Between passes only transforms change: the structure is refitted, not rebuilt.
    const bool refit = settings_.refit;
    settings_.refit = true;
    const float background[3] = {frame.background[0], frame.background[1], frame.background[2]};
    CpuPassSums sums(
        effects, frame.width, frame.height, background,
        [&](RenderImage& image) {
            const bool done = traceFrame(scene, camera, frame, image, error);
            timing += timing_;
            sum.primaryRays += stats_.primaryRays, sum.ambientRays += stats_.ambientRays;
            sum.shadowFeelers += stats_.shadowFeelers, sum.secondaryRays += stats_.secondaryRays;
            sum.supersampledPixels += stats_.supersampledPixels;
            // A stopped pass is the picture: its rows traced, the rest background.
            if (!done && &image != &out) out = image;
            return done;
        },
        out);
    const bool done = runPasses(effects, context, camera, sums, &framesDrawn_);
    settings_.refit = refit;
    timing_ = timing;
    sum.objects = stats_.objects, sum.refitted = stats_.refitted, sum.stopped = stats_.stopped;
    sum.rowsTraced = stats_.rowsTraced, sum.rowsSmoothed = stats_.rowsSmoothed;
    stats_ = sum;
    return done;
}

bool RayTracer::traceFrame(SceneX& scene, Camera& camera, const RenderFrame& frame, RenderImage& out,
                           std::string& error) {
    if (!begin(frame, error)) return false;
    DrawList list;
    gather(scene, list);
    const auto start = std::chrono::steady_clock::now();
    RayScene& rays = keptScene();
    if (!rays.build(list, error)) return false;
    noteUntraced(list);
    inkFrom(list);

    const View view = View::of(camera, frame.viewAspect());
    // Rays that leave the scene see the background where the camera would see it in
    // their direction; behind the camera, the plain colour.
    RayShading shader(rays, list, LightSlots::assign(scene), settings_.shading,
                      [&](const glm::vec3& origin, const glm::vec3& direction) {
                          double u, v;
                          glm::vec4 c = view.fractions(origin, direction, u, v)
                                            ? backgroundAt(frame, u, v)
                                            : glm::vec4(frame.background[0], frame.background[1],
                                                        frame.background[2], frame.background[3]);
                          return RaySurface::premultiplied(c);
                      });
    const glm::vec3 eye(view.toWorld * glm::dvec4(0, 0, 0, 1));
    shader.setFramePlace([&view, eye](const glm::vec3& position) {
        double u = 0.5, v = 0.5;
        view.fractions(position, position - eye, u, v);
        return glm::vec2(u, 1 - v);
    });
    Shader shade = [&](const RayScene::Hit& hit, const glm::vec3& direction, glm::vec4& colour) {
        return shader.shade(hit, direction, 0, colour);
    };
    const bool done = trace(rays, view, frame, shade, out, error);
    stats_.shadowFeelers = shader.shadowFeelers();
    stats_.secondaryRays = shader.secondaryRays();
    timing_.drawing = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return done;
}

}  // namespace fw
