#define GL_GLEXT_PROTOTYPES 1
#include "render/ShadowPass.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <limits>

#include "mesh/PackedObjDB.h"
#include "render/DrawList.h"
#include "render/Light.h"
#include "render/LightSlots.h"
#include "scene/DAGNode.h"

namespace fw {

namespace {

using Planes = std::vector<glm::dvec4>;  // a, b, c, d: ax + by + cz + d >= 0 inside

// A light's map is never wider than this tangent of its half-angle.
constexpr double kWidest = 10;
// Beyond this many items each one that stops light is drawn into the map, unweighed.
constexpr size_t kMostWeighed = 256;

glm::dvec4 unit(const glm::dvec4& plane) {
    const double length = glm::length(glm::dvec3(plane));
    return length > 0 ? plane / length : plane;
}

bool nothingIn(const ShadowPass::Scope::Item& item) { return item.box[0] > item.box[3]; }

Planes boxPlanes(const double box[6]) {
    return {{1, 0, 0, -box[0]}, {0, 1, 0, -box[1]}, {0, 0, 1, -box[2]},
            {-1, 0, 0, box[3]}, {0, -1, 0, box[4]}, {0, 0, -1, box[5]}};
}

// The corners of the bounded region inside every plane (unit normals): each meeting of
// three of them that none of the others cuts away. Empty when the region is.
std::vector<glm::dvec3> corners(const Planes& planes, double slack) {
    std::vector<glm::dvec3> found;
    const size_t n = planes.size();
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j)
            for (size_t k = j + 1; k < n; ++k) {
                const glm::dvec3 a(planes[i]), b(planes[j]), c(planes[k]);
                const glm::dvec3 bc = glm::cross(b, c), ca = glm::cross(c, a), ab = glm::cross(a, b);
                const double det = glm::dot(a, bc);
                if (std::fabs(det) < 1e-9) continue;
                const glm::dvec3 p = -(planes[i].w * bc + planes[j].w * ca + planes[k].w * ab) / det;
                if (std::all_of(planes.begin(), planes.end(),
                                [&](const glm::dvec4& q) { return glm::dot(glm::dvec3(q), p) + q.w >= -slack; }))
                    found.push_back(p);
            }
    return found;
}

// Axes looking along `axis` from `origin`, as glm::lookAt builds them with `hint` up.
struct Frame {
    glm::dvec3 origin, axis, right, up, hint;
};

Frame frameAlong(const glm::dvec3& origin, const glm::dvec3& along) {
    Frame f;
    f.origin = origin;
    f.axis = glm::normalize(along);
    f.hint = std::fabs(f.axis.y) > 0.99 ? glm::dvec3(0, 0, 1) : glm::dvec3(0, 1, 0);
    f.right = glm::normalize(glm::cross(f.axis, f.hint));
    f.up = glm::cross(f.right, f.axis);
    return f;
}

struct Rect {
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
    void grow(double x, double y) {
        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
    Rect meet(const Rect& o) const {
        return {std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
    }
    bool empty() const { return x0 > x1 || y0 > y1; }
};

bool stopsLight(const DrawList::Part& part) { return part.material->style != BakedMaterial::kWireframe; }

// Whether every face of the item's mesh has all its vertices on one side: a convex
// solid, which cannot shadow itself. What would cost more than `budget` (vertex
// against face) is not looked at and taken as not convex.
bool convexSolid(const DrawList::Item& item, size_t& budget) {
    size_t triangles = 0;
    for (const DrawList::Part& part : item.parts) triangles += part.triangles.size() / 3;
    const size_t vertices = static_cast<size_t>(item.mesh->vertexCount());
    if (triangles == 0 || triangles * vertices > budget) return false;
    budget -= triangles * vertices;
    std::vector<glm::dvec3> at(vertices);
    const float* v = item.mesh->vertexData() + PackedObjDB::kPositionOffset;
    glm::dvec3 low(std::numeric_limits<double>::infinity()), high(-low);
    for (size_t i = 0; i < vertices; ++i, v += PackedObjDB::kFloatsPerVertex) {
        at[i] = glm::dvec3(v[0], v[1], v[2]);
        low = glm::min(low, at[i]), high = glm::max(high, at[i]);
    }
    const double size = glm::length(high - low), tolerance = size * 1e-5;
    for (const DrawList::Part& part : item.parts)
        for (size_t t = 0; t + 2 < part.triangles.size(); t += 3) {
            const glm::dvec3 a = at[part.triangles[t]];
            glm::dvec3 n = glm::cross(at[part.triangles[t + 1]] - a, at[part.triangles[t + 2]] - a);
            const double length = glm::length(n);
            if (length <= size * size * 1e-12) continue;
            n /= length;
            bool above = false, below = false;
            for (const glm::dvec3& p : at) {
                const double s = glm::dot(n, p - a);
                above = above || s > tolerance, below = below || s < -tolerance;
                if (above && below) return false;
            }
        }
    return true;
}

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

namespace {

// One light's fitting over one scope: what the camera sees of each item, which items
// cast, and the window and depth range of the map.
class Fitting {
public:
    Fitting(Light& light, const ShadowPass::Scope& scope, double size)
        : light_(light), scope_(scope), count_(scope.items.size()), size_(size), slack_(size * 1e-7) {
        // What the camera sees of each item: its box cut down to the view.
        seen_.resize(count_);
        seenCorners_.resize(count_);
        for (size_t i = 0; i < count_; ++i) {
            if (nothingIn(scope.items[i])) continue;
            seen_[i] = boxPlanes(scope.items[i].box);
            for (const glm::dvec4& plane : scope.view) seen_[i].push_back(unit(plane));
            seenCorners_[i] = corners(seen_[i], slack_);
        }
        const glm::dmat4 lightWorld = light.cameraToWorld();
        directional_ = light.type() == Light::kDirectional;
        position_ = glm::dvec3(lightWorld * glm::dvec4(0, 0, 1, 1));
        travel_ = -glm::normalize(glm::dvec3(lightWorld[2]));
    }

    // Marks the items drawn into the map and bounds them; false when none is.
    bool chooseCasters(ShadowPass::Fit& fit) {
        fit.casters.assign(count_, 0);
        emptyBox(casterBox_);
        for (size_t i = 0; i < count_; ++i) {
            const ShadowPass::Scope::Item& item = scope_.items[i];
            if (!item.stopsLight || nothingIn(item)) continue;
            // Past a few hundred items the pairs cost more than the texels they save.
            const bool casts = !item.convex || count_ > kMostWeighed || shadowsSomethingSeen(item.box);
            if (!casts) continue;
            fit.casters[i] = 1;
            growBox(casterBox_, item.box);
            growBox(casterBox_, item.box + 3);
        }
        return casterBox_[0] <= casterBox_[3];
    }

    // An orthographic window over where the casters' shadows meet what is seen.
    bool fitOrthographic(ShadowPass::Fit& fit, double reach, glm::dmat4& projection) const {
        const Frame frame = frameAlong(glm::dvec3(0.0), travel_);
        Rect cast, view;
        for (size_t i = 0; i < count_; ++i) {
            if (fit.casters[i])
                for (const glm::dvec3& p : corners(boxPlanes(scope_.items[i].box), slack_))
                    cast.grow(glm::dot(p, frame.right), glm::dot(p, frame.up));
            for (const glm::dvec3& p : seenCorners_[i]) view.grow(glm::dot(p, frame.right), glm::dot(p, frame.up));
        }
        Rect window = cast.meet(view);
        if (window.empty()) return false;
        const double padX = (window.x1 - window.x0) * (reach + 0.01) + slack_,
                     padY = (window.y1 - window.y0) * (reach + 0.01) + slack_;
        window.x0 -= padX, window.x1 += padX, window.y0 -= padY, window.y1 += padY;
        const Planes sides = {
            {frame.right, -window.x0}, {-frame.right, window.x1}, {frame.up, -window.y0}, {-frame.up, window.y1}};
        double nearest, casterFurthest, furthest;
        if (!depthRange(fit, sides, frame, nearest, casterFurthest, furthest)) return false;
        const double margin = 0.01 * (furthest - nearest) + size_ * 1e-4;
        const double start = nearest - margin, depth = furthest + margin - start;
        const glm::dvec3 eye = frame.axis * start;
        fit.view = glm::mat4(glm::lookAt(eye, eye + frame.axis, frame.hint));
        fit.lx = static_cast<float>(window.x0), fit.ly = static_cast<float>(window.y0);
        fit.dx = static_cast<float>(window.x1 - window.x0), fit.dy = static_cast<float>(window.y1 - window.y0);
        fit.nearZ = 0, fit.farZ = static_cast<float>(depth);
        projection = glm::ortho(window.x0, window.x1, window.y0, window.y1, 0.0, depth);
        fit.texel = static_cast<float>(
            std::max((window.x1 - window.x0) / fit.mapWidth, (window.y1 - window.y0) / fit.mapHeight));
        return true;
    }

    // A cone from the light over the directions in which the casters' shadows meet
    // what is seen (and, for a spot, its own cone), then turned to their middle.
    bool fitPerspective(ShadowPass::Fit& fit, double reach, glm::dmat4& projection) const {
        const double closest = size_ * 1e-4;
        Frame frame = frameAlong(position_, lookDirection());
        Rect window = lookWindow(fit, frame, closest);
        if (light_.type() == Light::kSpot) {
            const double cone = std::tan(glm::radians(std::min(light_.spotOuterAngle(), 89.0)));
            window = window.meet(Rect{-cone, -cone, cone, cone});
        }
        window = window.meet(Rect{-kWidest, -kWidest, kWidest, kWidest});
        if (window.empty()) return false;
        const glm::dvec3 corner[4] = {
            frame.axis + window.x0 * frame.right + window.y0 * frame.up,
            frame.axis + window.x1 * frame.right + window.y0 * frame.up,
            frame.axis + window.x0 * frame.right + window.y1 * frame.up,
            frame.axis + window.x1 * frame.right + window.y1 * frame.up,
        };
        frame = frameAlong(position_, corner[0] + corner[1] + corner[2] + corner[3]);
        double halfTan = 0;
        for (const glm::dvec3& c : corner) {
            double z = glm::dot(c, frame.axis);
            halfTan = z <= 0 ? kWidest
                             : std::max({halfTan, std::fabs(glm::dot(c, frame.right)) / z,
                                         std::fabs(glm::dot(c, frame.up)) / z});
        }
        halfTan = std::clamp(halfTan * (1 + 2 * reach + 0.02), 1e-6, kWidest);
        Planes sides;
        for (const glm::dvec3& side : {frame.right, -frame.right, frame.up, -frame.up}) {
            glm::dvec3 n = glm::normalize(halfTan * frame.axis - side);
            sides.push_back({n, -glm::dot(n, position_)});
        }
        sides.push_back({frame.axis, -glm::dot(frame.axis, position_) - closest});
        double nearest, casterFurthest, furthest;
        if (!depthRange(fit, sides, frame, nearest, casterFurthest, furthest)) return false;
        const double margin = 0.01 * (furthest - nearest) + size_ * 1e-4;
        const double farZ = furthest + margin, nearZ = std::max({nearest - margin, farZ * 1e-4, closest});
        fit.view = glm::mat4(glm::lookAt(position_, position_ + frame.axis, frame.hint));
        projection = glm::frustum(-nearZ * halfTan, nearZ * halfTan, -nearZ * halfTan, nearZ * halfTan, nearZ, farZ);
        fit.focal = static_cast<float>(0.5 / halfTan);
        // Where the casters' own surfaces end, the texels are widest that they compare with.
        fit.texel = static_cast<float>(2 * halfTan * casterFurthest / fit.mapWidth);
        fit.nearZ = static_cast<float>(nearZ), fit.farZ = static_cast<float>(farZ);
        return true;
    }

    bool directional() const { return directional_; }

private:
    // A spot looks along its beam, a point light at the middle of the casters.
    glm::dvec3 lookDirection() const {
        const glm::dvec3 casterMiddle(casterBox_[0] + casterBox_[3], casterBox_[1] + casterBox_[4],
                                      casterBox_[2] + casterBox_[5]);
        glm::dvec3 towards = light_.type() == Light::kSpot ? travel_ : casterMiddle / 2.0 - position_;
        if (glm::length(towards) < slack_) towards = glm::dvec3(0, -1, 0);
        return towards;
    }

    // Where the casters and what is seen lie on the plane one unit ahead of the light.
    Rect lookWindow(const ShadowPass::Fit& fit, const Frame& frame, double closest) const {
        auto spread = [&](const std::vector<glm::dvec3>& points, Rect& rect) {
            for (const glm::dvec3& p : points) {
                glm::dvec3 q = p - frame.origin;
                double z = std::max(glm::dot(q, frame.axis), closest);
                rect.grow(glm::dot(q, frame.right) / z, glm::dot(q, frame.up) / z);
            }
        };
        const glm::dvec4 ahead = {frame.axis, -glm::dot(frame.axis, position_) - closest};
        Rect cast, view;
        for (size_t i = 0; i < count_; ++i) {
            if (fit.casters[i]) {
                Planes planes = boxPlanes(scope_.items[i].box);
                planes.push_back(ahead);
                spread(corners(planes, slack_), cast);
            }
            if (seenCorners_[i].empty()) continue;
            Planes planes = seen_[i];
            planes.push_back(ahead);
            spread(corners(planes, slack_), view);
        }
        return cast.meet(view);
    }

    // A convex item shadows nothing of itself, and of the rest only what lies in its
    // box's shadow: beyond a face the light leaves the box through, within that face
    // as the light sees it. A floor with nothing in view under it casts nothing,
    // however big it is.
    bool shadowsSomethingSeen(const double box[6]) const {
        for (int face = 0; face < 6; ++face) {
            const int a = face % 3;
            glm::dvec3 outward(0.0);
            outward[a] = face < 3 ? -1.0 : 1.0;
            const double at = face < 3 ? -box[a] : box[a + 3];
            const bool leaves =
                directional_ ? glm::dot(outward, travel_) > -1e-9 : glm::dot(outward, position_) < at + slack_;
            if (leaves && shadeMeetsView(faceShade(box, face, outward, at))) return true;
        }
        return false;
    }

    // The region behind a box face, bounded by the light's rays past the face's edges.
    Planes faceShade(const double box[6], int face, const glm::dvec3& outward, double at) const {
        const int a = face % 3, b = (a + 1) % 3, c = (a + 2) % 3;
        glm::dvec3 q[4], middle(0.0);
        for (int k = 0; k < 4; ++k) {
            q[k][a] = face < 3 ? box[a] : box[a + 3];
            q[k][b] = k == 1 || k == 2 ? box[b + 3] : box[b];
            q[k][c] = k >= 2 ? box[c + 3] : box[c];
            middle += q[k] / 4.0;
        }
        Planes shade = {glm::dvec4(outward, -(at + 10 * slack_))};
        for (int k = 0; k < 4; ++k) {
            const glm::dvec3 edge = q[(k + 1) % 4] - q[k];
            glm::dvec3 n = directional_ ? glm::cross(edge, travel_) : glm::cross(q[k] - position_, edge);
            if (glm::length(n) < 1e-12) continue;
            n = glm::normalize(n);
            if (glm::dot(n, middle - q[k]) < 0) n = -n;
            shade.push_back(glm::dvec4(n, -glm::dot(n, q[k])));
        }
        return shade;
    }

    bool shadeMeetsView(const Planes& shade) const {
        for (size_t j = 0; j < count_; ++j) {
            const std::vector<glm::dvec3>& region = seenCorners_[j];
            if (region.empty() || std::any_of(shade.begin(), shade.end(), [&](const glm::dvec4& plane) {
                    return std::all_of(region.begin(), region.end(), [&](const glm::dvec3& p) {
                        return glm::dot(glm::dvec3(plane), p) + plane.w < -slack_;
                    });
                }))
                continue;
            Planes both = seen_[j];
            both.insert(both.end(), shade.begin(), shade.end());
            if (!corners(both, slack_).empty()) return true;
        }
        return false;
    }

    // How far along the light the casters inside `window` begin and end, and how far
    // anything seen inside it reaches; false when no caster is inside.
    bool depthRange(const ShadowPass::Fit& fit, const Planes& window, const Frame& frame, double& nearest,
                    double& casterFurthest, double& furthest) const {
        nearest = std::numeric_limits<double>::infinity();
        casterFurthest = furthest = -nearest;
        for (size_t i = 0; i < count_; ++i) {
            if (!fit.casters[i]) continue;
            Planes planes = boxPlanes(scope_.items[i].box);
            planes.insert(planes.end(), window.begin(), window.end());
            for (const glm::dvec3& p : corners(planes, slack_)) {
                const double z = glm::dot(p - frame.origin, frame.axis);
                nearest = std::min(nearest, z);
                casterFurthest = std::max(casterFurthest, z);
            }
        }
        if (nearest > casterFurthest) return false;
        furthest = casterFurthest;
        for (size_t j = 0; j < count_; ++j) {
            if (seenCorners_[j].empty()) continue;
            Planes planes = seen_[j];
            planes.insert(planes.end(), window.begin(), window.end());
            for (const glm::dvec3& p : corners(planes, slack_))
                furthest = std::max(furthest, glm::dot(p - frame.origin, frame.axis));
        }
        return true;
    }

    const Light& light_;
    const ShadowPass::Scope& scope_;
    const size_t count_;
    const double size_, slack_;
    std::vector<Planes> seen_;
    std::vector<std::vector<glm::dvec3>> seenCorners_;
    bool directional_ = false;
    glm::dvec3 position_{0.0}, travel_{0.0};
    double casterBox_[6] = {0, 0, 0, 0, 0, 0};
};

}  // namespace

std::optional<ShadowPass::Fit> ShadowPass::fit(Light& light, int slot, const Scope& scope) {
    double sceneBox[6];
    emptyBox(sceneBox);
    for (const Scope::Item& item : scope.items)
        if (!nothingIn(item)) {
            growBox(sceneBox, item.box);
            growBox(sceneBox, item.box + 3);
        }
    if (sceneBox[0] > sceneBox[3]) return std::nullopt;
    const double size =
        glm::length(glm::dvec3(sceneBox[3] - sceneBox[0], sceneBox[4] - sceneBox[1], sceneBox[5] - sceneBox[2])) + 1e-3;
    Fitting fitting(light, scope, size);

    Fit fit;
    fit.slot = slot;
    fit.darkness = static_cast<float>(1.0 - light.shadowDarkness);
    fit.mapWidth = std::clamp(light.shadowMapXRes, 16, 8192), fit.mapHeight = std::clamp(light.shadowMapYRes, 16, 8192);
    setFilter(fit, light.shadowSoftness);
    if (!fitting.chooseCasters(fit)) return std::nullopt;

    // The map reaches as far as the filter's taps past the edge of what it must hold.
    const double reach = fit.filterHalf * fit.tapSpacing + 2.0 / std::min(fit.mapWidth, fit.mapHeight);
    glm::dmat4 projection;
    const bool fitted = fitting.directional() ? fitting.fitOrthographic(fit, reach, projection)
                                              : fitting.fitPerspective(fit, reach, projection);
    if (!fitted) return std::nullopt;
    fit.projection = glm::mat4(projection);
    return fit;
}

ShadowPass::Scope ShadowPass::Scope::of(const DrawList& list, const glm::dmat4& viewProjection) {
    Scope scope;
    size_t budget = 20000000;  // a few tens of milliseconds for a frame's convexity tests
    for (const DrawList::Item& item : list.items()) {
        Item seen;
        emptyBox(seen.box);
        const float* v = item.mesh->vertexData();
        for (int i = 0; i < item.mesh->vertexCount(); ++i, v += PackedObjDB::kFloatsPerVertex) {
            glm::dvec4 p = item.world * glm::dvec4(v[PackedObjDB::kPositionOffset], v[PackedObjDB::kPositionOffset + 1],
                                                   v[PackedObjDB::kPositionOffset + 2], 1.0);
            const double q[3] = {p.x, p.y, p.z};
            growBox(seen.box, q);
        }
        seen.stopsLight = !nothingIn(seen) && std::any_of(item.parts.begin(), item.parts.end(), stopsLight);
        seen.convex = seen.stopsLight && convexSolid(item, budget);
        scope.items.push_back(seen);
    }
    // The clip volume's faces, each a row of the matrix added to or taken from its last.
    auto row = [&](int r) {
        return glm::dvec4(viewProjection[0][r], viewProjection[1][r], viewProjection[2][r], viewProjection[3][r]);
    };
    for (int r = 0; r < 3; ++r) {
        scope.view.push_back(row(3) + row(r));
        scope.view.push_back(row(3) - row(r));
    }
    return scope;
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

const ShadowPass::Fit* ShadowPass::draw(const DrawList& list, const LightSlots& slots,
                                        const glm::dmat4& viewProjection) {
    auto caster = std::find_if(slots.direct.begin(), slots.direct.end(), [](const Light* l) { return l->shadow; });
    if (caster == slots.direct.end()) return nullptr;
    std::optional<Fit> fitted =
        fit(**caster, static_cast<int>(caster - slots.direct.begin()) + 1, Scope::of(list, viewProjection));
    if (!fitted) return nullptr;
    fit_ = std::move(*fitted);
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
    for (size_t i = 0; i < list.items().size(); ++i) {
        // Items that cannot shadow anything in view stay out of the map.
        if (!fit_.casters[i]) continue;
        const DrawList::Item& item = list.items()[i];
        glLoadMatrixf(glm::value_ptr(fit_.view * glm::mat4(item.world)));
        glInterleavedArrays(GL_T2F_N3F_V3F, 0, item.mesh->vertexData());
        for (const DrawList::Part& part : item.parts)
            if (stopsLight(part))
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
