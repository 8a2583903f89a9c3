#include "anim/PoseLayout.h"

#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>

#include "anim/AnimPoseSettings.h"
#include "anim/ElementRotation.h"
#include "platform/MathConstants.h"
#include "platform/SubtractiveRandom.h"

namespace fw {

namespace {

using S = AnimPoseSettings;

constexpr double kGoldenTurn = 0.6180339887498949;  // of a turn: sunflower and sphere spacing
// A point-like set of elements (a camera, a light) still gets shapes of a visible size.
constexpr double kPointExtent = 100.0;

// The plane a shape lies in: first and second in-plane axes, and the axis it turns about.
void shapeBasis(int axis, glm::dvec3& e1, glm::dvec3& e2, glm::dvec3& normal) {
    switch (axis) {
    case 0:  // X: the side plane
        e1 = {0, 0, 1}, e2 = {0, 1, 0}, normal = {1, 0, 0};
        break;
    case 1:  // Y: lying on the ground, 0 degrees at the front
        e1 = {1, 0, 0}, e2 = {0, 0, 1}, normal = {0, 1, 0};
        break;
    default:  // Z: facing the camera, 0 degrees at the top
        e1 = {1, 0, 0}, e2 = {0, 1, 0}, normal = {0, 0, 1};
        break;
    }
}

// Angle of the element at `rank` on an arc; a full circle leaves the same gap after
// the last element as between the others.
double arcAngle(const S& s, double f, int count) {
    const double a0 = s.distributeParam2;
    const double a1 = s.distributeParam2b <= S::kNotSet ? a0 + 360 : s.distributeParam2b;
    const bool full = std::abs(a1 - a0) >= 360 - 1e-9;
    if (full && count > 0) f *= static_cast<double>(count - 1) / count;
    return (a0 + (a1 - a0) * f) * kRadiansPerDegree;
}

double rankFraction(int rank, int count) { return count > 1 ? static_cast<double>(rank) / (count - 1) : 0.5; }

glm::dvec3 faceNormal(int face) {
    switch (face) {
    case S::kBack:
    case S::kBackConstrained:
        return {0, 0, -1};
    case S::kTopConstrained:
        return {0, 1, 0};
    case S::kBottom:
    case S::kBottomConstrained:
        return {0, -1, 0};
    case S::kLeft:
    case S::kLeftConstrained:
        return {-1, 0, 0};
    case S::kRight:
    case S::kRightConstrained:
        return {1, 0, 0};
    default:
        return {0, 0, 1};
    }
}

bool constrainedFace(int face) {
    return face == S::kFrontConstrained || face == S::kBackConstrained || face == S::kTopConstrained ||
           face == S::kBottomConstrained || face == S::kLeftConstrained || face == S::kRightConstrained;
}

// Turns the chosen face of the element toward `outward`; a constrained face turns only
// about `axis`, so letters on a drum or carousel stay upright.
glm::dquat faceOutward(int face, const glm::dvec3& outward, const glm::dvec3& axis) {
    const glm::dvec3 n = faceNormal(face);
    if (!constrainedFace(face)) return arcRotation(n, outward, axis);
    const glm::dvec3 np = n - axis * glm::dot(n, axis), op = outward - axis * glm::dot(outward, axis);
    if (glm::length(np) < 1e-9 || glm::length(op) < 1e-9) return glm::dquat(1, 0, 0, 0);
    const double angle = std::atan2(glm::dot(glm::cross(np, op), axis), glm::dot(np, op));
    return axisRotation(axis, angle);
}

glm::dvec3 randomUnit(SubtractiveRandom& random) {
    const double z = 2 * random.next() - 1, phi = 2 * kPi * random.next();
    const double r = std::sqrt(std::max(0.0, 1 - z * z));
    return {r * std::cos(phi), r * std::sin(phi), z};
}

bool isCircle(int t) { return t == S::kCircleX || t == S::kCircleY || t == S::kCircleZ; }

}  // namespace

PoseLayout::PoseLayout(std::span<const AnimElement> elements) : elements_(elements) {
    order_.resize(elements.size());
    for (size_t i = 0; i < elements.size(); ++i) order_[i] = static_cast<int>(i);
    std::stable_sort(order_.begin(), order_.end(),
                     [&](int a, int b) { return elements[a].creationIndex < elements[b].creationIndex; });
    if (elements.empty()) {
        extent_ = kPointExtent;
        return;
    }
    min_ = glm::dvec3(elements[0].bounds[0], elements[0].bounds[1], elements[0].bounds[2]);
    max_ = glm::dvec3(elements[0].bounds[3], elements[0].bounds[4], elements[0].bounds[5]);
    for (const AnimElement& e : elements) {
        for (int a = 0; a < 3; ++a) {
            min_[a] = std::min({min_[a], e.bounds[a], e.center[a]});
            max_[a] = std::max({max_[a], e.bounds[a + 3], e.center[a]});
        }
    }
    center_ = (min_ + max_) * 0.5;
    extent_ = std::max({max_.x - min_.x, max_.y - min_.y, max_.z - min_.z});
    if (extent_ < 1e-9) extent_ = kPointExtent;
}

PoseLayout::Place PoseLayout::shapePlace(const AnimPoseSettings& s, int rank, int count, double r,
                                         const AnimElement& element, SubtractiveRandom& random) const {
    Place out;
    const int type = s.distributeType;
    const double f = rankFraction(rank, count);
    glm::dvec3 e1, e2, n;
    switch (type) {
    case S::kHorizontalLine:
        out.offset = {-r + 2 * r * f, 0, 0};
        break;
    case S::kVerticalLine:
        out.offset = {0, r - 2 * r * f, 0};
        break;
    case S::kDepthLine:
        out.offset = {0, 0, r - 2 * r * f};
        break;
    case S::kCircleX:
    case S::kCircleY:
    case S::kCircleZ: {
        shapeBasis(type - S::kCircleX, e1, e2, n);
        const double a = arcAngle(s, count > 1 ? static_cast<double>(rank) / (count - 1) : 0.5, count);
        out.outward = std::sin(a) * e1 + std::cos(a) * e2;
        out.offset = r * out.outward;
        break;
    }
    case S::kFilledCircleX:
    case S::kFilledCircleY:
    case S::kFilledCircleZ: {
        // Sunflower spacing fills the disc (or the arc's sector) evenly for any count.
        shapeBasis(type - S::kFilledCircleX, e1, e2, n);
        const double turn = std::fmod(rank * kGoldenTurn + random.next(), 1.0);
        const double a = arcAngle(s, turn, 0);
        out.offset = r * std::sqrt((rank + 0.5) / std::max(count, 1)) * (std::sin(a) * e1 + std::cos(a) * e2);
        break;
    }
    case S::kSquareX:
    case S::kSquareY:
    case S::kSquareZ: {
        // Around the outline clockwise from the top left corner.
        shapeBasis(type - S::kSquareX, e1, e2, n);
        const double along = 4.0 * (count > 0 ? static_cast<double>(rank) / count : 0.0);
        const int side = std::min(3, static_cast<int>(along));
        const double t = 2 * r * (along - side) - r;
        const double u[4] = {t, r, -t, -r}, v[4] = {r, -t, -r, t};
        out.offset = u[side] * e1 + v[side] * e2;
        break;
    }
    case S::kFilledSquareX:
    case S::kFilledSquareY:
    case S::kFilledSquareZ: {
        shapeBasis(type - S::kFilledSquareX, e1, e2, n);
        const int cols = std::max(1, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count)))));
        const int rows = std::max(1, (count + cols - 1) / cols);
        const int row = rank / cols, col = rank % cols;
        out.offset = (-r + 2 * r * (col + 0.5) / cols) * e1 + (r - 2 * r * (row + 0.5) / rows) * e2;
        break;
    }
    case S::kPushOut: {
        glm::dvec3 d = glm::dvec3(element.center[0], element.center[1], element.center[2]) - center_;
        const double len = glm::length(d);
        d = len > 1e-9 ? d / len : randomUnit(random);
        out.offset = d * r;  // added to the element's place, not replacing it
        out.outward = d;
        break;
    }
    case S::kSpreadOnGround:
    case S::kSpreadOnWall: {
        const double a = 2 * random.next() - 1, b = 2 * random.next() - 1;
        out.offset = type == S::kSpreadOnGround ? glm::dvec3(a * r, 0, b * r) : glm::dvec3(a * r, b * r, 0);
        break;
    }
    case S::kSphereVolume: {
        glm::dvec3 p;
        do {
            p = glm::dvec3(2 * random.next() - 1, 2 * random.next() - 1, 2 * random.next() - 1);
        } while (glm::dot(p, p) > 1.0);
        out.offset = p * r;
        break;
    }
    case S::kSphereShell: {
        const double y = 1 - 2 * (rank + 0.5) / std::max(count, 1);
        const double ring = std::sqrt(std::max(0.0, 1 - y * y));
        const double phi = 2 * kPi * (rank * kGoldenTurn + random.next());
        out.outward = {ring * std::sin(phi), y, ring * std::cos(phi)};
        out.offset = r * out.outward;
        break;
    }
    case S::kCylinder: {
        // Wrapped round the drum by the element's place across its axis; the place
        // along the axis is kept, so the lines of a text stay apart.
        const bool upright = s.distributeMenu1 != S::kXAxis;
        const int across = upright ? 0 : 1, along = upright ? 1 : 0;
        const double lo = min_[across], hi = max_[across];
        double g = hi - lo > 1e-9 ? (element.center[across] - lo) / (hi - lo) : 0.5;
        if (!upright) g = 1 - g;  // top first
        const double a = arcAngle(s, g, count);
        glm::dvec3 axis(0.0);
        axis[along] = 1;
        out.outward = upright ? glm::dvec3(std::sin(a), 0, std::cos(a)) : glm::dvec3(0, std::sin(a), std::cos(a));
        out.offset = r * out.outward + axis * (element.center[along] - center_[along]);
        break;
    }
    default:
        break;
    }
    return out;
}

// 1: every element takes another's place; 2: places traded along X only, so letters
// keep their line; 3: reading order reversed.
void PoseLayout::shuffle(const AnimPoseSettings& s, Arrangement& out) const {
    const size_t n = elements_.size();
    std::vector<int> perm(order_);
    if (s.shuffleType == 3) {
        std::reverse(perm.begin(), perm.end());
    } else {
        SubtractiveRandom random(s.shuffleSeed);
        for (size_t i = n - 1; i > 0; --i) {
            const size_t j = std::min(i, static_cast<size_t>(random.next() * (i + 1)));
            std::swap(perm[i], perm[j]);
        }
    }
    const std::vector<glm::dvec3> before(out.place);
    for (size_t k = 0; k < n; ++k) {
        const int who = order_[k], from = perm[k];
        if (s.shuffleType == 2)
            out.place[who].x = before[from].x;
        else
            out.place[who] = before[from];
    }
}

void PoseLayout::distribute(const AnimPoseSettings& s, Arrangement& out) const {
    const size_t n = elements_.size();
    const int type = s.distributeType;
    const double r = s.distributeSize * 0.01 * extent_;
    SubtractiveRandom random(s.distributeSeed);
    const glm::dvec3 groundAxis(0, 1, 0);
    for (size_t k = 0; k < n; ++k) {
        const int i = order_[k];
        const AnimElement& e = elements_[i];
        const Place at = shapePlace(s, static_cast<int>(k), static_cast<int>(n), r, e, random);
        if (type == S::kPushOut) {
            out.place[i] += at.offset;
        } else {
            out.place[i] = center_ + at.offset;
        }
        if (type == S::kSpreadOnGround) {
            // Standing on the floor under the block, or lying face up on it.
            const double half = s.distributeCheck1 ? (e.bounds[5] - e.bounds[2]) * 0.5 : e.center[1] - e.bounds[1];
            out.place[i].y = min_.y + half;
            if (s.distributeCheck1) {
                out.turn[i] = axisRotation(groundAxis, 2 * kPi * random.next()) *
                              axisRotation(glm::dvec3(1, 0, 0), -kPi / 2);
                out.turned[i] = true;
            }
        } else if (type == S::kSpreadOnWall) {
            out.place[i].z = min_.z;
        }
        const bool faces = isCircle(type) || type == S::kSphereShell || type == S::kCylinder;
        if (faces && s.distributeCheck1 && glm::length(at.outward) > 0) {
            glm::dvec3 axis(0, 1, 0);
            if (isCircle(type)) {
                glm::dvec3 e1, e2;
                shapeBasis(type - S::kCircleX, e1, e2, axis);
            } else if (type == S::kCylinder && s.distributeMenu1 == S::kXAxis) {
                axis = {1, 0, 0};
            }
            out.turn[i] = faceOutward(s.distributeMenu2, at.outward, axis);
            out.turned[i] = true;
        }
    }
}

void PoseLayout::randomize(const AnimPoseSettings& s, Arrangement& out) const {
    SubtractiveRandom random(s.randomizeSeed);
    for (size_t k = 0; k < elements_.size(); ++k) {
        const int i = order_[k];
        for (int a = 0; a < 3; ++a) {
            const double r = 2 * random.next() - 1;  // drawn for every axis so flags don't reshuffle the others
            if (s.randomizeXYZ[a]) out.place[i][a] += r * s.randomizeDistance;
        }
    }
}

std::vector<ElementState> PoseLayout::arrange(const AnimPoseSettings& s) const {
    const size_t n = elements_.size();
    std::vector<ElementState> states(n);
    if (n == 0) return states;
    std::vector<glm::dvec3> rest(n);
    Arrangement layout{std::vector<glm::dvec3>(n), std::vector<glm::dquat>(n, glm::dquat(1, 0, 0, 0)),
                       std::vector<bool>(n, false)};
    std::vector<glm::dvec3>& place = layout.place;
    for (size_t i = 0; i < n; ++i) rest[i] = place[i] = glm::dvec3(elements_[i].center[0], elements_[i].center[1], elements_[i].center[2]);

    if (s.moveToCenter)
        for (auto& p : place) p = center_;

    const double spread = 1 + s.spread * 0.01;
    for (auto& p : place)
        for (int a = 0; a < 3; ++a)
            if (s.spreadXYZ[a]) p[a] = center_[a] + (p[a] - center_[a]) * spread;

    if (s.shuffleType != 0 && n > 1) shuffle(s, layout);
    if (s.distributeType >= 0 && s.distributeType < S::kShapeNone) distribute(s, layout);
    if (s.randomizeDistance != 0) randomize(s, layout);

    if (s.moveDistance != 0) {
        glm::dvec3 dir;
        if (s.moveXYZ)
            dir = eulerToQuat(s.moveDirection) * glm::dvec3(0, 0, -1);
        else
            dir = glm::dvec3(s.moveDirectionVector[0], s.moveDirectionVector[1], s.moveDirectionVector[2]);
        const double len = glm::length(dir);
        if (len > 1e-12)
            for (auto& p : place) p += dir / len * s.moveDistance;
    }

    const glm::dvec3 global(s.globalScale[0] * 0.01, s.globalScale[1] * 0.01, s.globalScale[2] * 0.01);
    const glm::dvec3 local(s.localScale[0] * 0.01, s.localScale[1] * 0.01, s.localScale[2] * 0.01);
    const glm::dvec3 globalTurnDeg(s.globalCenterRotation[0], s.globalCenterRotation[1], s.globalCenterRotation[2]);
    const glm::dvec3 localTurnDeg(s.localCenterRotation[0], s.localCenterRotation[1], s.localCenterRotation[2]);
    const bool globalTurns = globalTurnDeg != glm::dvec3(0.0);
    const glm::dquat globalTurn = eulerToQuat(globalTurnDeg), localTurn = eulerToQuat(localTurnDeg);
    for (size_t i = 0; i < n; ++i) {
        glm::dvec3 p = center_ + (place[i] - center_) * global;
        p = center_ + globalTurn * (p - center_);
        ElementState& st = states[i];
        for (int a = 0; a < 3; ++a) {
            st.translate[a] = p[a] - rest[i][a];
            st.scale[a] = global[a] * local[a];
        }
        // Plain local angles are kept as given, so 720 degrees stays two turns for
        // transitions that do not take the short way.
        glm::dvec3 euler = localTurnDeg;
        if (globalTurns || layout.turned[i]) euler = quatToEuler(globalTurn * layout.turn[i] * localTurn);
        for (int a = 0; a < 3; ++a) st.rotate[a] = euler[a];
    }
    return states;
}

}  // namespace fw
