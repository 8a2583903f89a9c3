#include "geometry/Fragmenter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <array>
#include <cstring>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/mat3x3.hpp>
#include <numeric>
#include <unordered_map>

#include "geometry/CapBuilder.h"
#include "platform/MathConstants.h"
#include "platform/SubtractiveRandom.h"
#include "scene/FragmentationParams.h"

namespace fw {

namespace {

using glm::dvec3;

// A corner's attributes; corners that share a place share `pos`.
struct Attr {
    int pos;
    float uv[2];
    float normal[3];
};

struct Poly {
    uint32_t first;
    uint32_t count;
    int16_t part;
    bool fresh;  // made by the cut under way
    uint32_t user;
};

struct Piece {
    std::vector<int> corners;  // attribute ids
    std::vector<Poly> polys;
    dvec3 low{0}, high{0};
};

struct Plane {
    dvec3 n;  // unit normal
    double d;  // n . p = d
};

uint64_t pairKey(int a, int b) {
    if (a > b) std::swap(a, b);
    return static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32 | static_cast<uint32_t>(b);
}

// A finite value, or 0 with a note naming the field.
double finite(double v, const char* what, std::vector<std::string>& notes) {
    if (std::isfinite(v)) return v;
    notes.push_back(std::string(what) + " is not a number; 0 is used");
    return 0;
}

dvec3 rotated(dvec3 v, dvec3 axis, double degrees) {
    if (degrees == 0) return v;
    const double a = degrees * kPi / 180, c = std::cos(a), s = std::sin(a);
    return v * c + glm::cross(axis, v) * s + axis * glm::dot(axis, v) * (1 - c);
}

class Engine {
public:
    Engine(const FragmentationParams& params, const glm::dmat4& transform, int outer,
           std::vector<std::unique_ptr<PackedObjDB>>& out, Fragmenter::Result& result)
        : params_(params), transform_(transform), outer_(outer), out_(out), result_(result) {}

    void run(const PackedObjDB& mesh);

private:
    void load(const PackedObjDB& mesh, Piece& whole);
    void bounds(Piece& piece) const;
    double volume(const Piece& piece) const;
    void pass(int index, Piece piece, int pieceNumber);
    std::vector<Plane> planes(int index, const ChopParams& chop, int n, const Piece& piece, int pieceNumber);
    Plane toObject(dvec3 normal, dvec3 point) const;
    void extent(const Piece& piece, dvec3 axis, double& low, double& high) const;
    dvec3 toFrame(dvec3 p) const;
    enum class Cut { kNothing, kRefused, kRetry, kDone };
    Cut cut(const Piece& piece, Plane plane, std::vector<Piece>& parts);
    Cut cutAt(const Piece& piece, Plane plane, std::vector<Piece>& parts);
    // The steps of a cut, in order.
    struct Sides {
        int near, straddling;  // corners within reach of the plane, polygons across it
        double low, high;  // the piece's reach below and above it
    };
    Sides classify(const Piece& piece, const Plane& plane, std::vector<int8_t>& side) const;
    void splitPolys(const Piece& piece, const std::vector<int8_t>& side, const Plane& plane, Piece halves[2],
                    std::vector<std::pair<int, int>>& capEdges);
    static void addPoly(Piece& half, const std::vector<int>& corners, const Poly& poly);
    void addClean(Piece& half, const std::vector<int>& corners, const Poly& poly);
    bool capLoops(const std::vector<std::pair<int, int>>& capEdges, std::vector<std::vector<int>>& loops) const;
    std::vector<std::vector<int>> weldLoops(const std::vector<std::vector<int>>& loops, size_t attrMark,
                                            Piece halves[2]);
    bool capCut(const std::vector<std::vector<int>>& kept, const Plane& plane, Piece halves[2]);
    bool crowded(const Piece& piece, int firstNew, double distance);
    bool sealed(const Piece& piece, int firstNew) const;
    double weldDistance() const { return std::min(Fragmenter::kWeldDistance, size_ * 1e-3); }
    // How near a cut's new point may come to the plane or to another point of its piece:
    // a hundred-thousandth of the size.
    double nearReach() const { return size_ * 1e-5; }
    // Whether a triangle is too thin to survive single precision: its height over its
    // longest side below a ten-millionth of the size plus about one single-precision step
    // of its coordinates.
    bool sliver(dvec3 a, dvec3 b, dvec3 c) const {
        const double longest = std::max({glm::distance(a, b), glm::distance(b, c), glm::distance(c, a)});
        return !(glm::length(glm::cross(b - a, c - a)) > longest * minHeight_);
    }
    int splitAttr(int a, int b, const Plane& plane, std::unordered_map<uint64_t, int>& attrCache,
                  std::unordered_map<uint64_t, int>& posCache);
    void components(Piece&& side, std::vector<Piece>& parts);
    void emit(const Piece& piece);

    const FragmentationParams& params_;
    glm::dmat4 transform_;
    int outer_;
    std::vector<std::unique_ptr<PackedObjDB>>& out_;
    Fragmenter::Result& result_;

    std::vector<dvec3> pos_;
    std::vector<Attr> attrs_;
    bool solid_ = true, closed_ = false, hasTex_ = false, hasNormals_ = false;
    int16_t solidPart_ = 1;
    double uvScale_ = 1, wholeVolume_ = 0, size_ = 0, minHeight_ = 0;
    int budget_ = Fragmenter::kMaxFragments - 1;  // pieces that cuts may still add
    double centreOffset_[3] = {0, 0, 0};
    bool limitNoted_ = false;
    std::vector<int> stamp_;  // emit: staged index of each place, per fragment
    std::vector<int> fan_;  // addClean's corners, kept between calls
};

void Engine::load(const PackedObjDB& mesh, Piece& whole) {
    hasTex_ = mesh.attributeFlags() & PackedObjDB::HasTexCoords;
    hasNormals_ = mesh.attributeFlags() & PackedObjDB::HasNormals;
    const int vertices = mesh.vertexCount();
    std::vector<dvec3> at(static_cast<size_t>(vertices));
    dvec3 low(1e300), high(-1e300);
    for (int i = 0; i < vertices; ++i) {
        mesh.getVertex(&at[static_cast<size_t>(i)].x, i);
        low = glm::min(low, at[static_cast<size_t>(i)]), high = glm::max(high, at[static_cast<size_t>(i)]);
    }
    size_ = vertices ? std::max({high.x - low.x, high.y - low.y, high.z - low.z}) : 0;
    const double far = vertices ? std::max({std::fabs(low.x), std::fabs(low.y), std::fabs(low.z), std::fabs(high.x),
                                            std::fabs(high.y), std::fabs(high.z)}) : 0;
    minHeight_ = 1e-7 * size_ + 1e-7 * far;
    // Places a millionth of the size apart are one: the solid's builders share places
    // between caps and sides, and nearly equal ones must not open a cut's loop.
    const double grid = size_ > 0 ? size_ * 1e-6 : 1;
    struct KeyHash {
        size_t operator()(const std::array<long long, 3>& k) const {
            return std::hash<long long>()(k[0] * 73856093LL ^ k[1] * 19349663LL ^ k[2] * 83492791LL);
        }
    };
    std::unordered_map<std::array<long long, 3>, int, KeyHash> places;
    attrs_.resize(static_cast<size_t>(vertices));
    for (int i = 0; i < vertices; ++i) {
        const dvec3 p = at[static_cast<size_t>(i)];
        std::array<long long, 3> key = {std::llround((p.x - low.x) / grid), std::llround((p.y - low.y) / grid),
                                        std::llround((p.z - low.z) / grid)};
        auto [it, added] = places.emplace(key, static_cast<int>(pos_.size()));
        if (added) pos_.push_back(p);
        Attr& a = attrs_[static_cast<size_t>(i)];
        a.pos = it->second;
        double t[3], n[3];
        mesh.getTexCoord(t, i);
        mesh.getNormal(n, i);
        a.uv[0] = static_cast<float>(t[0]), a.uv[1] = static_cast<float>(t[1]);
        for (int k = 0; k < 3; ++k) a.normal[k] = static_cast<float>(n[k]);
    }
    double uvLength = 0, length = 0;
    std::vector<uint64_t> directed;
    for (int e = 0; e < mesh.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (!mesh.getElementRefs(e, info, &p, &t, &n) || info.kind != GeometryInterface::Polygon || info.count < 3)
            continue;
        Poly poly{static_cast<uint32_t>(whole.corners.size()), static_cast<uint32_t>(info.count),
                  static_cast<int16_t>(info.part), false, static_cast<uint32_t>(info.user)};
        for (int k = 0; k < info.count; ++k) {
            const int a = p[k], b = p[(k + 1) % info.count];
            whole.corners.push_back(a);
            const Attr &A = attrs_[static_cast<size_t>(a)], &B = attrs_[static_cast<size_t>(b)];
            length += glm::distance(pos_[static_cast<size_t>(A.pos)], pos_[static_cast<size_t>(B.pos)]);
            uvLength += std::hypot(double(A.uv[0]) - B.uv[0], double(A.uv[1]) - B.uv[1]);
            if (A.pos != B.pos)
                directed.push_back(static_cast<uint64_t>(static_cast<uint32_t>(A.pos)) << 32 |
                                   static_cast<uint32_t>(B.pos));
        }
        whole.polys.push_back(poly);
    }
    // Cut faces are mapped flat in their plane at the scale the surface has.
    if (hasTex_ && length > 0 && uvLength > 0) uvScale_ = uvLength / length;
    // Closed: every directed edge once, and its reverse once.
    std::sort(directed.begin(), directed.end());
    closed_ = !directed.empty() && std::adjacent_find(directed.begin(), directed.end()) == directed.end();
    for (size_t k = 0; closed_ && k < directed.size(); ++k) {
        const uint64_t reverse = directed[k] << 32 | directed[k] >> 32;
        closed_ = std::binary_search(directed.begin(), directed.end(), reverse);
    }
    bounds(whole);
    wholeVolume_ = volume(whole);
}

void Engine::bounds(Piece& piece) const {
    piece.low = dvec3(1e300), piece.high = dvec3(-1e300);
    for (int c : piece.corners) {
        const dvec3& p = pos_[static_cast<size_t>(attrs_[static_cast<size_t>(c)].pos)];
        piece.low = glm::min(piece.low, p), piece.high = glm::max(piece.high, p);
    }
}

double Engine::volume(const Piece& piece) const {
    double v = 0;
    for (const Poly& poly : piece.polys) {
        const int* c = piece.corners.data() + poly.first;
        const dvec3& a = pos_[static_cast<size_t>(attrs_[static_cast<size_t>(c[0])].pos)];
        for (uint32_t k = 1; k + 1 < poly.count; ++k)
            v += glm::dot(a, glm::cross(pos_[static_cast<size_t>(attrs_[static_cast<size_t>(c[k])].pos)],
                                        pos_[static_cast<size_t>(attrs_[static_cast<size_t>(c[k + 1])].pos)])) / 6;
    }
    return v;
}

void Engine::run(const PackedObjDB& mesh) {
    std::vector<std::string>& notes = result_.notes;
    solid_ = params_.shellSolid == FragmentationParams::kSolid;
    solidPart_ = static_cast<int16_t>(std::clamp(params_.solidMaterialIndex, 0, 32767));
    for (int k = 0; k < 3; ++k)
        centreOffset_[k] = finite(params_.centerOffset[k], "the centre offset", notes);
    Piece whole;
    load(mesh, whole);
    if (whole.polys.empty()) return;
    if (!params_.enabled) {
        emit(whole);
        return;
    }
    pass(1, std::move(whole), 0);
}

// Where the plane family of a pass sits: object coordinates ("Local") or the world's
// ("Global"); planes are brought back into object coordinates before they cut.
Plane Engine::toObject(dvec3 normal, dvec3 point) const {
    if (params_.frame != FragmentationParams::kGlobal) return {normal, glm::dot(normal, point)};
    // The world plane n.x = d holds the object's points p with (A^T n).p = d - n.t.
    const glm::dmat3 a(transform_);
    const dvec3 t(transform_[3]);
    dvec3 n = glm::transpose(a) * normal;
    double d = glm::dot(normal, point) - glm::dot(normal, t);
    const double length = glm::length(n);
    if (!(length > 0)) return {normal, glm::dot(normal, point)};
    return {n / length, d / length};
}

// The piece's extent along a direction of the frame's space.
void Engine::extent(const Piece& piece, dvec3 axis, double& low, double& high) const {
    dvec3 w = axis;
    double shift = 0;
    if (params_.frame == FragmentationParams::kGlobal) {
        w = glm::transpose(glm::dmat3(transform_)) * axis;
        shift = glm::dot(axis, dvec3(transform_[3]));
    }
    low = 1e300, high = -1e300;
    for (int c : piece.corners) {
        const double d = glm::dot(w, pos_[static_cast<size_t>(attrs_[static_cast<size_t>(c)].pos)]);
        low = std::min(low, d), high = std::max(high, d);
    }
    low += shift, high += shift;
}

dvec3 Engine::toFrame(dvec3 p) const {
    return params_.frame == FragmentationParams::kGlobal ? dvec3(transform_ * glm::dvec4(p, 1)) : p;
}

std::vector<Plane> Engine::planes(int index, const ChopParams& chop, int n, const Piece& piece, int pieceNumber) {
    std::vector<std::string>& notes = result_.notes;
    const int style = params_.style;
    const bool global = params_.frame == FragmentationParams::kGlobal;
    // The family's frame: its centre from the object's origin, turned by the pass's direction
    // (about X first, then Y, then Z).
    dvec3 centre = global ? dvec3(transform_[3]) : dvec3(0);
    for (int k = 0; k < 3; ++k)
        centre[k] += finite(chop.centerOffset[k], "a pass's centre offset", notes) + centreOffset_[k];
    // "Recursive" turns each piece about its own middle instead of the object's origin.
    const bool recursive = params_.divisionType == FragmentationParams::kRecursive;
    if (recursive) centre += toFrame((piece.low + piece.high) * 0.5);
    glm::dmat4 frame = chop.transforms[recursive ? 1 : 0];
    frame = glm::rotate(frame, finite(chop.direction[2], "a pass's direction", notes) * kPi / 180, dvec3(0, 0, 1));
    frame = glm::rotate(frame, finite(chop.direction[1], "a pass's direction", notes) * kPi / 180, dvec3(0, 1, 0));
    frame = glm::rotate(frame, finite(chop.direction[0], "a pass's direction", notes) * kPi / 180, dvec3(1, 0, 0));
    // Odd passes after the first turn a radial family a further quarter turn, about its Y axis.
    if (style == FragmentationParams::kRadial && index > 1 && index % 2 == 1)
        frame = glm::rotate(frame, kPi / 2, dvec3(0, 1, 0));
    const glm::dmat3 turn(frame);
    const dvec3 x = glm::normalize(turn * dvec3(1, 0, 0)), z = glm::normalize(turn * dvec3(0, 0, 1));
    centre += dvec3(frame[3]);

    double low, high;
    extent(piece, x, low, high);
    if (!(high > low)) return {};
    int count = n;
    const bool brick = style == FragmentationParams::kLinear &&
                       params_.divisionType == FragmentationParams::kBrick && pieceNumber % 2 == 1;
    if (brick) ++count;
    const double spacing = (high - low) / (n + 1);

    const long mix = static_cast<long>(pieceNumber) * 2000 + static_cast<long>(outer_) * 1969;
    const long made = static_cast<long>(out_.size());
    SubtractiveRandom tilt(mix + static_cast<long>(chop.rotationOffsetSeed) + made);
    SubtractiveRandom shift(mix + static_cast<long>(chop.positionOffsetSeed) + made);
    SubtractiveRandom skip(mix + static_cast<long>(chop.sliceSkipSeed) + made);
    // "Random" places its planes from its own seeds, whatever came before.
    SubtractiveRandom scatter(mix + static_cast<long>(chop.positionOffsetSeed) * 7 +
                              static_cast<long>(chop.rotationOffsetSeed) + index * 101);
    const double skipShare = std::clamp(finite(chop.sliceSkip, "a pass's slice skip", notes), 0.0, 1.0);
    const double po = finite(chop.positionOffset, "a pass's position offset", notes);
    const double po2 = finite(chop.positionOffset2, "a pass's second position offset", notes);
    const double ro = finite(chop.rotationOffset, "a pass's rotation offset", notes);
    const double ro2 = finite(chop.rotationOffset2, "a pass's second rotation offset", notes);

    dvec3 pivot = toFrame((piece.low + piece.high) * 0.5);
    for (int k = 0; k < 3; ++k) pivot[k] += chop.centerOffset[k] + centreOffset_[k];
    if (!std::isfinite(pivot.x + pivot.y + pivot.z)) pivot = toFrame((piece.low + piece.high) * 0.5);
    std::vector<Plane> out;
    double angle = 0;
    for (int i = 0; i < count; ++i) {
        // Every plane draws its values, skipped or not, so one skip leaves the others where they were.
        const double tiltValue = chop.rotationOffsetStyle == ChopParams::kRandom ? tilt.next() : 0;
        const double shiftValue = chop.positionOffsetStyle == ChopParams::kRandom ? shift.next() : 0;
        const double scatterTurn = style == FragmentationParams::kRandom ? scatter.next() : 0;
        const double scatterAlong = style == FragmentationParams::kRandom ? scatter.next() - 0.5 : 0;
        const bool skipped = skipShare > 0 && skip.next() < skipShare;
        switch (chop.rotationOffsetStyle) {
        case ChopParams::kConstant: angle += ro; break;
        case ChopParams::kRandom: angle += ro + (2 * tiltValue - 1) * ro2; break;
        case ChopParams::kAlternating: angle += i % 2 == 0 ? ro : ro2; break;
        default: break;
        }
        // Position offsets move a plane along its normal, in shares of the spacing.
        double moved = 0;
        switch (chop.positionOffsetStyle) {
        case ChopParams::kConstant: moved = po; break;
        case ChopParams::kRandom: moved = po + (2 * shiftValue - 1) * po2; break;
        case ChopParams::kAlternating: moved = i % 2 == 0 ? po : po2; break;
        default: break;
        }
        moved = std::clamp(moved, -1.0, 1.0) * spacing;
        if (skipped) continue;

        dvec3 normal, point;
        if (style == FragmentationParams::kRadial) {
            // Through the centre, each turned 180/n degrees further about the family's Z axis.
            normal = rotated(x, z, 180.0 * i / n);
            normal = rotated(normal, glm::normalize(glm::cross(z, normal)), angle);
            point = centre + normal * moved;
        } else if (style == FragmentationParams::kRandom) {
            // Any direction across the family's Z axis, through the piece's middle moved within its extent.
            normal = rotated(x, z, 180.0 * scatterTurn);
            normal = rotated(normal, glm::normalize(glm::cross(z, normal)), angle);
            double lo, hi;
            extent(piece, normal, lo, hi);
            point = toFrame((piece.low + piece.high) * 0.5);
            point += normal * ((lo + hi) * 0.5 - glm::dot(normal, point) + scatterAlong * 0.8 * (hi - lo) + moved);
        } else {
            // Linear: even spacing along the axis; a brick row starts half a spacing back. Each
            // plane turns about where it meets the line along the axis through the piece's
            // middle (moved by the centre offsets), so tilted planes still cross the piece.
            const double at = low + spacing * (i + 1) - (brick ? spacing / 2 : 0) + moved;
            normal = rotated(x, z, angle);
            point = pivot + x * (at - glm::dot(x, pivot));
        }
        out.push_back(toObject(normal, point));
    }
    return out;
}

int Engine::splitAttr(int a, int b, const Plane& plane, std::unordered_map<uint64_t, int>& attrCache,
                      std::unordered_map<uint64_t, int>& posCache) {
    auto found = attrCache.find(pairKey(a, b));
    if (found != attrCache.end()) return found->second;
    const Attr A = attrs_[static_cast<size_t>(a)], B = attrs_[static_cast<size_t>(b)];
    // The place is worked out from the lower-numbered end, so both faces of an edge get it bit for bit.
    const int lo = std::min(A.pos, B.pos), hi = std::max(A.pos, B.pos);
    const dvec3 pl = pos_[static_cast<size_t>(lo)], ph = pos_[static_cast<size_t>(hi)];
    const double dl = glm::dot(plane.n, pl) - plane.d, dh = glm::dot(plane.n, ph) - plane.d;
    const double t = dl / (dl - dh);
    auto [placed, added] = posCache.emplace(pairKey(lo, hi), static_cast<int>(pos_.size()));
    if (added) pos_.push_back(pl + (ph - pl) * t);
    const double s = A.pos == lo ? t : 1 - t;  // from A towards B
    Attr x;
    x.pos = placed->second;
    for (int k = 0; k < 2; ++k) x.uv[k] = static_cast<float>(A.uv[k] + (double(B.uv[k]) - A.uv[k]) * s);
    dvec3 n(A.normal[0] + (double(B.normal[0]) - A.normal[0]) * s, A.normal[1] + (double(B.normal[1]) - A.normal[1]) * s,
            A.normal[2] + (double(B.normal[2]) - A.normal[2]) * s);
    const double length = glm::length(n);
    if (length > 0) n /= length;
    for (int k = 0; k < 3; ++k) x.normal[k] = static_cast<float>(n[k]);
    attrs_.push_back(x);
    attrCache.emplace(pairKey(a, b), static_cast<int>(attrs_.size()) - 1);
    return static_cast<int>(attrs_.size()) - 1;
}

// Splits a side into its connected pieces (by shared places), in order of first polygon.
void Engine::components(Piece&& side, std::vector<Piece>& parts) {
    if (stamp_.size() < pos_.size()) stamp_.resize(pos_.size(), -1);
    std::vector<int> parent, places;
    auto slot = [&](int corner) {
        const int p = attrs_[static_cast<size_t>(corner)].pos;
        int& s = stamp_[static_cast<size_t>(p)];
        if (s < 0) {
            s = static_cast<int>(parent.size());
            parent.push_back(s);
            places.push_back(p);
        }
        return s;
    };
    auto find = [&](int s) {
        while (parent[static_cast<size_t>(s)] != s)
            s = parent[static_cast<size_t>(s)] = parent[static_cast<size_t>(parent[static_cast<size_t>(s)])];
        return s;
    };
    int groups = 0;
    for (const Poly& poly : side.polys) {
        int first = find(slot(side.corners[poly.first]));
        for (uint32_t k = 1; k < poly.count; ++k) {
            const int other = find(slot(side.corners[poly.first + k]));
            if (other != first) parent[static_cast<size_t>(other)] = first;
        }
    }
    std::vector<int> group(parent.size(), -1);
    std::vector<int> polyGroup(side.polys.size());
    for (size_t i = 0; i < side.polys.size(); ++i) {
        int& g = group[static_cast<size_t>(find(stamp_[static_cast<size_t>(
            attrs_[static_cast<size_t>(side.corners[side.polys[i].first])].pos)]))];
        if (g < 0) g = groups++;
        polyGroup[i] = g;
    }
    for (int p : places) stamp_[static_cast<size_t>(p)] = -1;
    if (groups == 1) {
        bounds(side);
        parts.push_back(std::move(side));
        return;
    }
    const size_t start = parts.size();
    parts.resize(start + static_cast<size_t>(groups));
    for (size_t i = 0; i < side.polys.size(); ++i) {
        const Poly& poly = side.polys[i];
        Piece& part = parts[start + static_cast<size_t>(polyGroup[i])];
        Poly copy = poly;
        copy.first = static_cast<uint32_t>(part.corners.size());
        part.corners.insert(part.corners.end(), side.corners.begin() + poly.first,
                            side.corners.begin() + poly.first + poly.count);
        part.polys.push_back(copy);
    }
    for (size_t k = start; k < parts.size(); ++k) bounds(parts[k]);
}

// Cuts at the plane or, when it grazes a corner or leaves a cut face with a sliver in it,
// a little beside it: back and forth, further each time, at most half a percent of the size.
Engine::Cut Engine::cut(const Piece& piece, Plane plane, std::vector<Piece>& parts) {
    static constexpr double kNudges[] = {0, 2.5e-5, 1e-4, 5e-4, 2e-3, 5e-3};
    for (int attempt = 0; attempt < 11; ++attempt) {
        const Plane moved{plane.n, plane.d + (attempt % 2 ? 1 : -1) * kNudges[(attempt + 1) / 2] * size_};
        const Cut done = cutAt(piece, moved, parts);
        if (done != Cut::kRetry) return done;
    }
    return Cut::kRefused;
}

// Whether a place from `firstNew` on lies closer than `distance` to another place of the piece.
bool Engine::crowded(const Piece& piece, int firstNew, double distance) {
    if (stamp_.size() < pos_.size()) stamp_.resize(pos_.size(), -1);
    std::vector<int> places, fresh;
    for (int c : piece.corners) {
        const int p = attrs_[static_cast<size_t>(c)].pos;
        if (stamp_[static_cast<size_t>(p)] < 0) {
            stamp_[static_cast<size_t>(p)] = 0;
            places.push_back(p);
            if (p >= firstNew) fresh.push_back(p);
        }
    }
    for (int p : places) stamp_[static_cast<size_t>(p)] = -1;
    if (fresh.empty()) return false;
    auto x = [&](int p) { return pos_[static_cast<size_t>(p)].x; };
    std::sort(fresh.begin(), fresh.end(), [&](int a, int b) { return x(a) < x(b); });
    for (int p : places) {
        const dvec3 at = pos_[static_cast<size_t>(p)];
        auto it = std::lower_bound(fresh.begin(), fresh.end(), at.x - distance,
                                   [&](int q, double v) { return x(q) < v; });
        for (; it != fresh.end() && x(*it) < at.x + distance; ++it)
            if (*it != p && glm::distance(at, pos_[static_cast<size_t>(*it)]) < distance) return true;
    }
    return false;
}

// Whether the polygons a cut made close up as they are drawn: fanned from their first
// corners, every directed edge once, its reverse among them once too unless both ends are
// older places (an edge of the surface that an untouched polygon shares), and no sliver.
bool Engine::sealed(const Piece& piece, int firstNew) const {
    std::vector<uint64_t> directed;
    for (const Poly& poly : piece.polys) {
        if (!poly.fresh) continue;
        const int* c = piece.corners.data() + poly.first;
        auto place = [&](uint32_t k) { return attrs_[static_cast<size_t>(c[k])].pos; };
        for (uint32_t k = 1; k + 1 < poly.count; ++k) {
            const int tri[3] = {place(0), place(k), place(k + 1)};
            if (sliver(pos_[static_cast<size_t>(tri[0])], pos_[static_cast<size_t>(tri[1])],
                       pos_[static_cast<size_t>(tri[2])]))
                return false;
            for (int s = 0; s < 3; ++s)
                directed.push_back(static_cast<uint64_t>(static_cast<uint32_t>(tri[s])) << 32 |
                                   static_cast<uint32_t>(tri[(s + 1) % 3]));
        }
    }
    std::sort(directed.begin(), directed.end());
    if (std::adjacent_find(directed.begin(), directed.end()) != directed.end()) return false;
    for (uint64_t edge : directed) {
        const int from = static_cast<int>(edge >> 32), to = static_cast<int>(edge & 0xFFFFFFFFu);
        if ((from >= firstNew || to >= firstNew) &&
            !std::binary_search(directed.begin(), directed.end(), edge << 32 | edge >> 32))
            return false;
    }
    return true;
}

Engine::Sides Engine::classify(const Piece& piece, const Plane& plane, std::vector<int8_t>& side) const {
    const int count = static_cast<int>(piece.polys.size());
    side.assign(static_cast<size_t>(count), 0);
    // No corner may lie on the plane.
    const double nearTo = nearReach();
    int near = 0, straddling = 0;
    double low = 1e300, high = -1e300;
    const Poly* polys = piece.polys.data();
    const int* corners = piece.corners.data();
    const Attr* attrs = attrs_.data();
    const dvec3* places = pos_.data();
    const dvec3 n = plane.n;
    const double d = plane.d;
#pragma omp parallel for reduction(min : low) reduction(max : high) reduction(+ : near, straddling) if (count > 4096)
    for (int e = 0; e < count; ++e) {
        double emin = 1e300, emax = -1e300;
        for (uint32_t k = 0; k < polys[e].count; ++k) {
            const double s = glm::dot(n, places[attrs[corners[polys[e].first + k]].pos]) - d;
            emin = std::min(emin, s), emax = std::max(emax, s);
            if (std::fabs(s) < nearTo) ++near;
        }
        side[static_cast<size_t>(e)] = emax <= 0 ? -1 : emin >= 0 ? 1 : 0;
        if (emax > 0 && emin < 0) ++straddling;
        low = std::min(low, emin), high = std::max(high, emax);
    }
    return {near, straddling, low, high};
}

void Engine::addPoly(Piece& half, const std::vector<int>& corners, const Poly& poly) {
    Poly copy = poly;
    copy.fresh = true;
    copy.first = static_cast<uint32_t>(half.corners.size());
    copy.count = static_cast<uint32_t>(corners.size());
    half.corners.insert(half.corners.end(), corners.begin(), corners.end());
    half.polys.push_back(copy);
}

// Polygons are drawn and checked as fans from their first corner: a cut polygon starts
// at a corner whose fan has no flat triangle, or is fanned from its middle when none has.
void Engine::addClean(Piece& half, const std::vector<int>& corners, const Poly& poly) {
    const size_t m = corners.size();
    auto at = [&](size_t k) { return pos_[static_cast<size_t>(attrs_[static_cast<size_t>(corners[k % m])].pos)]; };
    for (size_t start = 0; start < m; ++start) {
        bool clean = true;
        for (size_t k = 1; clean && k + 1 < m; ++k) clean = !sliver(at(start), at(start + k), at(start + k + 1));
        if (!clean) continue;
        fan_.clear();
        for (size_t k = 0; k < m; ++k) fan_.push_back(corners[(start + k) % m]);
        addPoly(half, fan_, poly);
        return;
    }
    Attr middle{static_cast<int>(pos_.size()), {0, 0}, {0, 0, 0}};
    dvec3 place(0), normal(0);
    double uv[2] = {0, 0};
    for (int c : corners) {
        const Attr& a = attrs_[static_cast<size_t>(c)];
        place += pos_[static_cast<size_t>(a.pos)] / double(m);
        uv[0] += a.uv[0] / double(m), uv[1] += a.uv[1] / double(m);
        normal += dvec3(a.normal[0], a.normal[1], a.normal[2]);
    }
    if (glm::length(normal) > 0) normal = glm::normalize(normal);
    pos_.push_back(place);
    middle.uv[0] = static_cast<float>(uv[0]), middle.uv[1] = static_cast<float>(uv[1]);
    for (int k = 0; k < 3; ++k) middle.normal[k] = static_cast<float>(normal[k]);
    attrs_.push_back(middle);
    const int centre = static_cast<int>(attrs_.size()) - 1;
    for (size_t k = 0; k < m; ++k) addPoly(half, {centre, corners[k], corners[(k + 1) % m]}, poly);
}

void Engine::splitPolys(const Piece& piece, const std::vector<int8_t>& side, const Plane& plane, Piece halves[2],
                        std::vector<std::pair<int, int>>& capEdges) {
    std::unordered_map<uint64_t, int> attrCache, posCache;
    std::vector<int> corner, below, above;
    auto sideOf = [&](int attr) {
        return glm::dot(plane.n, pos_[static_cast<size_t>(attrs_[static_cast<size_t>(attr)].pos)]) - plane.d > 0;
    };
    // A polygon crossed by the plane twice goes whole: below, the crossing, above.
    auto split = [&](const std::vector<int>& c, const Poly& poly) {
        below.clear(), above.clear();
        int up = -1, down = -1;
        const size_t m = c.size();
        for (size_t k = 0; k < m; ++k) {
            const int a = c[k], b = c[(k + 1) % m];
            const bool sa = sideOf(a), sb = sideOf(b);
            (sa ? above : below).push_back(a);
            if (sa != sb) {
                const int x = splitAttr(a, b, plane, attrCache, posCache);
                below.push_back(x), above.push_back(x);
                (sa ? down : up) = x;
            }
        }
        addClean(halves[0], below, poly);
        addClean(halves[1], above, poly);
        capEdges.emplace_back(attrs_[static_cast<size_t>(down)].pos, attrs_[static_cast<size_t>(up)].pos);
    };
    const int count = static_cast<int>(piece.polys.size());
    for (int e = 0; e < count; ++e) {
        const Poly& poly = piece.polys[static_cast<size_t>(e)];
        const int* c = piece.corners.data() + poly.first;
        if (side[static_cast<size_t>(e)] != 0) {
            Piece& half = halves[side[static_cast<size_t>(e)] > 0];
            Poly copy = poly;
            copy.fresh = false;
            copy.first = static_cast<uint32_t>(half.corners.size());
            half.corners.insert(half.corners.end(), c, c + poly.count);
            half.polys.push_back(copy);
            continue;
        }
        int changes = 0;
        for (uint32_t k = 0; k < poly.count; ++k) changes += sideOf(c[k]) != sideOf(c[(k + 1) % poly.count]);
        if (changes == 2) {
            corner.assign(c, c + poly.count);
            split(corner, poly);
            continue;
        }
        // A polygon the plane crosses more often (not convex) is cut as the fan it is drawn as.
        for (uint32_t k = 1; k + 1 < poly.count; ++k) {
            corner = {c[0], c[k], c[k + 1]};
            const bool s0 = sideOf(corner[0]), s1 = sideOf(corner[1]), s2 = sideOf(corner[2]);
            if (s0 == s1 && s1 == s2)
                addPoly(halves[s0], corner, poly);
            else
                split(corner, poly);
        }
    }
}

// The cut edges, joined into loops by their places; false when they do not close as they must.
bool Engine::capLoops(const std::vector<std::pair<int, int>>& capEdges, std::vector<std::vector<int>>& loops) const {
    std::unordered_map<int, int> next;
    for (auto [from, to] : capEdges)
        if (from != to && !next.emplace(from, to).second) return false;  // the cut touches itself
    std::unordered_map<int, bool> used;
    for (auto [from, to] : capEdges) {
        if (from == to || used[from]) continue;
        std::vector<int> loop;
        int at = from;
        bool closedLoop = false;
        while (!used[at]) {
            used[at] = true;
            loop.push_back(at);
            auto it = next.find(at);
            if (it == next.end()) break;
            at = it->second;
            if (at == from) closedLoop = true;
        }
        if (!closedLoop) {
            if (closed_) return false;  // a closed solid must give closed loops
            continue;
        }
        loops.push_back(std::move(loop));
    }
    return true;
}

// Points of a loop closer than the weld distance become one, in the sides too.
std::vector<std::vector<int>> Engine::weldLoops(const std::vector<std::vector<int>>& loops, size_t attrMark,
                                                Piece halves[2]) {
    const double weld = weldDistance();
    std::unordered_map<int, int> remap;
    std::vector<std::vector<int>> kept;
    for (const std::vector<int>& loop : loops) {
        std::vector<int> k;
        for (int p : loop) {
            if (!k.empty() && glm::distance(pos_[static_cast<size_t>(p)], pos_[static_cast<size_t>(k.back())]) < weld)
                remap[p] = k.back();
            else
                k.push_back(p);
        }
        while (k.size() > 1 &&
               glm::distance(pos_[static_cast<size_t>(k.back())], pos_[static_cast<size_t>(k.front())]) < weld) {
            remap[k.back()] = k.front();
            k.pop_back();
        }
        if (k.size() >= 3) kept.push_back(std::move(k));
        else
            for (int p : k) remap[p] = k.front();
    }
    if (remap.empty()) return kept;
    for (size_t a = attrMark; a < attrs_.size(); ++a) {
        auto it = remap.find(attrs_[a].pos);
        if (it != remap.end()) attrs_[a].pos = it->second;
    }
    // Corners that now share a place with the one before are dropped.
    std::vector<int> corner;
    for (int h = 0; h < 2; ++h) {
        Piece tidy;
        for (const Poly& poly : halves[h].polys) {
            corner.clear();
            for (uint32_t k = 0; k < poly.count; ++k) {
                const int c = halves[h].corners[poly.first + k];
                if (corner.empty() ||
                    attrs_[static_cast<size_t>(corner.back())].pos != attrs_[static_cast<size_t>(c)].pos)
                    corner.push_back(c);
            }
            while (corner.size() > 1 &&
                   attrs_[static_cast<size_t>(corner.back())].pos == attrs_[static_cast<size_t>(corner.front())].pos)
                corner.pop_back();
            if (corner.size() >= 3) addClean(tidy, corner, poly);
        }
        halves[h] = std::move(tidy);
    }
    return kept;
}

// The face the cut opens, on both halves; false when its loops crowd each other or do not
// decompose.
bool Engine::capCut(const std::vector<std::vector<int>>& kept, const Plane& plane, Piece halves[2]) {
    const double weld = weldDistance();
    // The loops seen from above the plane: the cap below runs counter-clockwise around outlines.
    dvec3 u = std::fabs(plane.n.x) < 0.9 ? dvec3(1, 0, 0) : dvec3(0, 1, 0);
    u = glm::normalize(u - plane.n * glm::dot(u, plane.n));
    const dvec3 v = glm::cross(plane.n, u);
    std::vector<glm::dvec2> points;
    std::vector<int> placeOf;
    std::vector<std::vector<int>> indexLoops;
    for (const std::vector<int>& loop : kept) {
        indexLoops.emplace_back();
        for (int p : loop) {
            indexLoops.back().push_back(static_cast<int>(points.size()));
            points.emplace_back(glm::dot(pos_[static_cast<size_t>(p)], u), glm::dot(pos_[static_cast<size_t>(p)], v));
            placeOf.push_back(p);
        }
    }
    // Loops that come closer than the weld distance away from their neighbours (the plane
    // nearly along a face) would give the cut face slivers: the plane moves instead.
    std::vector<int> byX(points.size());
    std::iota(byX.begin(), byX.end(), 0);
    std::sort(byX.begin(), byX.end(), [&](int a, int b) {
        return points[static_cast<size_t>(a)].x < points[static_cast<size_t>(b)].x;
    });
    for (size_t i = 0; i < byX.size(); ++i)
        for (size_t j = i + 1; j < byX.size(); ++j) {
            const glm::dvec2 a = points[static_cast<size_t>(byX[i])], b = points[static_cast<size_t>(byX[j])];
            if (b.x - a.x >= weld) break;
            if (glm::distance(a, b) < weld) return false;
        }
    std::vector<std::vector<int>> pieces;
    for (const CapBuilder::Region& region : CapBuilder::regions(points, indexLoops))
        if (!CapBuilder::decompose(points, region, pieces)) return false;
    // Each place of the cap gets one corner per side: the normal faces out of that side.
    std::vector<int> capAttr(points.size() * 2, -1);
    auto capCorner = [&](int index, int which) {
        int& id = capAttr[static_cast<size_t>(index) * 2 + static_cast<size_t>(which)];
        if (id < 0) {
            Attr a;
            a.pos = placeOf[static_cast<size_t>(index)];
            a.uv[0] = static_cast<float>(points[static_cast<size_t>(index)].x * uvScale_);
            a.uv[1] = static_cast<float>(points[static_cast<size_t>(index)].y * uvScale_);
            const dvec3 n = which == 0 ? plane.n : -plane.n;
            for (int k = 0; k < 3; ++k) a.normal[k] = static_cast<float>(n[k]);
            attrs_.push_back(a);
            id = static_cast<int>(attrs_.size()) - 1;
        }
        return id;
    };
    const Poly capPoly{0, 0, solidPart_, true, 0xFFFFFFFFu};
    for (const std::vector<int>& capPiece : pieces) {
        if (capPiece.size() < 3) continue;
        // The piece below faces along the normal; above, turned over.
        std::vector<int> down, up;
        for (int i : capPiece) down.push_back(capCorner(i, 0));
        for (auto it = capPiece.rbegin(); it != capPiece.rend(); ++it) up.push_back(capCorner(*it, 1));
        addClean(halves[0], down, capPoly);
        addClean(halves[1], up, capPoly);
    }
    return true;
}

Engine::Cut Engine::cutAt(const Piece& piece, const Plane plane, std::vector<Piece>& parts) {
    std::vector<int8_t> side;
    const Sides sides = classify(piece, plane, side);
    if (sides.straddling == 0 || sides.high <= 0 || sides.low >= 0) return Cut::kNothing;
    if (sides.near > 0) return Cut::kRetry;
    // A sliver on either side is not worth a cut.
    const double thin = size_ * Fragmenter::kThinShare;
    if (sides.high < thin || -sides.low < thin) return Cut::kRefused;

    if (budget_ <= 0) return Cut::kRefused;
    const size_t posMark = pos_.size(), attrMark = attrs_.size();
    auto undo = [&](Cut result = Cut::kRefused) {
        pos_.resize(posMark);
        attrs_.resize(attrMark);
        return result;
    };
    Piece halves[2];  // below the plane, above it
    std::vector<std::pair<int, int>> capEdges;  // places, as the cap below the plane runs
    splitPolys(piece, side, plane, halves, capEdges);
    if (solid_) {
        std::vector<std::vector<int>> loops;
        if (!capLoops(capEdges, loops)) return undo(Cut::kRetry);
        if (!capCut(weldLoops(loops, attrMark, halves), plane, halves)) return undo(Cut::kRetry);
        if (wholeVolume_ > 0 && (volume(halves[0]) < wholeVolume_ * Fragmenter::kTinyShare ||
                                 volume(halves[1]) < wholeVolume_ * Fragmenter::kTinyShare))
            return undo();
    }
    if (halves[0].polys.empty() || halves[1].polys.empty()) return undo();
    // A new point this close to another of its piece makes a sliver (two planes crossing
    // at a shallow angle, or the plane along a face): the plane moves instead.
    const int firstNew = static_cast<int>(posMark);
    for (const Piece& half : halves)
        if (crowded(half, firstNew, nearReach()) || (solid_ && closed_ && !sealed(half, firstNew)))
            return undo(Cut::kRetry);
    std::vector<Piece> made;
    components(std::move(halves[0]), made);
    components(std::move(halves[1]), made);
    if (static_cast<int>(made.size()) - 1 > budget_) return undo();
    // A side may fall apart into pieces: none of them may be a crumb either.
    if (solid_ && wholeVolume_ > 0 && made.size() > 2)
        for (const Piece& part : made)
            if (volume(part) < wholeVolume_ * Fragmenter::kTinyShare) return undo(Cut::kRetry);
    budget_ -= static_cast<int>(made.size()) - 1;
    for (Piece& p : made) parts.push_back(std::move(p));
    return Cut::kDone;
}

void Engine::pass(int index, Piece piece, int pieceNumber) {
    const ChopParams& chop = params_.chops[index - 1];
    long n = 0;
    if (params_.style != FragmentationParams::kRadial || index == 1)
        n = std::max(0L, static_cast<long>(chop.sliceCount) + params_.sliceIncrease);
    else
        n = chop.sliceCount;
    if (n < 1) n = 0;
    if (n > Fragmenter::kMaxSlicesPerPass) {
        result_.notes.push_back("pass " + std::to_string(index) + " asks for " + std::to_string(n) + " slices; " +
                                std::to_string(Fragmenter::kMaxSlicesPerPass) + " are used");
        n = Fragmenter::kMaxSlicesPerPass;
    }
    if (!chop.enabled || n == 0) {
        if (params_.style == FragmentationParams::kLinear && index < 3)
            pass(index + 1, std::move(piece), 0);
        else
            emit(piece);
        return;
    }
    std::vector<Piece> pieces;
    const std::vector<Plane> family = planes(index, chop, static_cast<int>(n), piece, pieceNumber);
    pieces.push_back(std::move(piece));
    for (const Plane& plane : family) {
        if (budget_ <= 0) {
            if (!limitNoted_)
                result_.notes.push_back("the limit of " + std::to_string(Fragmenter::kMaxFragments) +
                                        " fragments is reached; the remaining pieces stay whole");
            limitNoted_ = true;
            break;
        }
        for (size_t i = 0; i < pieces.size();) {
            // The box tells quickly which pieces the plane cannot reach.
            const Piece& p = pieces[i];
            const dvec3 middle = (p.low + p.high) * 0.5, half = (p.high - p.low) * 0.5;
            const double reach = std::fabs(plane.n.x) * half.x + std::fabs(plane.n.y) * half.y +
                                 std::fabs(plane.n.z) * half.z;
            if (std::fabs(glm::dot(plane.n, middle) - plane.d) >= reach) {
                ++i;
                continue;
            }
            std::vector<Piece> parts;
            const Cut done = cut(p, plane, parts);
            if (done != Cut::kDone) {
                if (done == Cut::kRefused) ++result_.refusedCuts;
                ++i;
                continue;
            }
            ++result_.cuts;
            const size_t made = parts.size();
            pieces[i] = std::move(parts[0]);
            pieces.insert(pieces.begin() + static_cast<long>(i) + 1, std::make_move_iterator(parts.begin() + 1),
                          std::make_move_iterator(parts.end()));
            i += made;
        }
    }
    for (size_t k = 0; k < pieces.size(); ++k) {
        if (index < 3)
            pass(index + 1, std::move(pieces[k]), static_cast<int>(k));
        else
            emit(pieces[k]);
    }
}

void Engine::emit(const Piece& piece) {
    auto mesh = std::make_unique<PackedObjDB>();
    if (stamp_.size() < pos_.size()) stamp_.resize(pos_.size(), -1);
    std::vector<int> used;
    std::unordered_map<int, int> staged;  // attribute -> staged texture coordinate and normal
    std::vector<int> p, t;
    mesh->reserve(static_cast<int>(piece.corners.size() / 2), static_cast<int>(piece.corners.size()));
    for (const Poly& poly : piece.polys) {
        p.clear(), t.clear();
        for (uint32_t k = 0; k < poly.count; ++k) {
            const int a = piece.corners[poly.first + k];
            const Attr& attr = attrs_[static_cast<size_t>(a)];
            int& s = stamp_[static_cast<size_t>(attr.pos)];
            if (s < 0) {
                s = mesh->addVertex(&pos_[static_cast<size_t>(attr.pos)].x);
                used.push_back(attr.pos);
            }
            p.push_back(s);
            auto [it, added] = staged.emplace(a, 0);
            if (added) {
                const double uv[3] = {attr.uv[0], attr.uv[1], 0};
                const double n[3] = {attr.normal[0], attr.normal[1], attr.normal[2]};
                it->second = mesh->addTexCoord(uv);
                mesh->addNormal(n);
            }
            t.push_back(it->second);
        }
        mesh->addElement(GeometryInterface::Polygon, poly.part, static_cast<int>(p.size()), p.data(),
                         hasTex_ ? static_cast<int>(t.size()) : 0, t.data(),
                         hasNormals_ ? static_cast<int>(t.size()) : 0, t.data(),
                         poly.user == 0xFFFFFFFFu ? -1 : static_cast<int>(poly.user));
    }
    for (int u : used) stamp_[static_cast<size_t>(u)] = -1;
    mesh->finish();
    out_.push_back(std::move(mesh));
    ++result_.fragments;
}

}  // namespace

Fragmenter::Result Fragmenter::fragment(const FragmentationParams& params, const PackedObjDB& mesh,
                                        const glm::dmat4& transform, int outer,
                                        std::vector<std::unique_ptr<PackedObjDB>>& out) {
    Result result;
    Engine engine(params, transform, outer, out, result);
    engine.run(mesh);
    // Every pass and piece notes what it clamped: each note once, in order.
    std::vector<std::string> notes;
    for (std::string& note : result.notes)
        if (std::find(notes.begin(), notes.end(), note) == notes.end()) notes.push_back(std::move(note));
    result.notes = std::move(notes);
    return result;
}

}  // namespace fw
