#include "geometry/Tessellator.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <glm/geometric.hpp>

namespace fw {

namespace {

Tessellator& self(void* data) { return *static_cast<Tessellator*>(data); }

void GLAPIENTRY onVertex(void* vertex, void* data) { self(data).vertex(*static_cast<int*>(vertex)); }
void GLAPIENTRY onEdgeFlag(GLboolean, void*) {}  // its presence asks for plain triangles
void GLAPIENTRY onError(GLenum, void* data) { self(data).fail(); }
void GLAPIENTRY onCombine(GLdouble coords[3], void* vertices[4], GLfloat weights[4], void** out, void* data) {
    const int* ids[4];
    for (int k = 0; k < 4; ++k) ids[k] = static_cast<const int*>(vertices[k]);
    *out = self(data).combine(coords, ids, weights);
}

}  // namespace

Tessellator::Tessellator(unsigned windingRule, Combine combine) : combine_(std::move(combine)) {
    tess_ = gluNewTess();
    if (!tess_) return;
    gluTessCallback(tess_, GLU_TESS_VERTEX_DATA, reinterpret_cast<void(GLAPIENTRY*)()>(onVertex));
    gluTessCallback(tess_, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<void(GLAPIENTRY*)()>(onEdgeFlag));
    gluTessCallback(tess_, GLU_TESS_ERROR_DATA, reinterpret_cast<void(GLAPIENTRY*)()>(onError));
    gluTessCallback(tess_, GLU_TESS_COMBINE_DATA, reinterpret_cast<void(GLAPIENTRY*)()>(onCombine));
    gluTessProperty(tess_, GLU_TESS_WINDING_RULE, windingRule);
    gluTessNormal(tess_, 0, 0, 1);
}

Tessellator::~Tessellator() {
    if (tess_) gluDeleteTess(tess_);
}

int* Tessellator::combine(const double coords[3], const int* const vertices[4], const float weights[4]) {
    int ids[4];
    for (int k = 0; k < 4; ++k) ids[k] = vertices[k] ? *vertices[k] : kAbsent;
    int id = combine_ ? combine_(glm::dvec2(coords[0], coords[1]), ids, weights) : kAbsent;
    if (id == kAbsent) {
        failed_ = true;
        id = ids[0];
    }
    ids_.push_back(id);
    return &ids_.back();
}

bool Tessellator::triangulate(const std::vector<std::vector<Point>>& loops, std::vector<int>& triangles) {
    if (!tess_) return false;
    ids_.clear();
    coords_.clear();
    corners_.clear();
    failed_ = false;
    gluTessBeginPolygon(tess_, this);
    for (const std::vector<Point>& loop : loops) {
        gluTessBeginContour(tess_);
        for (const Point& p : loop) {
            coords_.push_back({p.at.x, p.at.y, 0.0});
            ids_.push_back(p.id);
            gluTessVertex(tess_, coords_.back().data(), &ids_.back());
        }
        gluTessEndContour(tess_);
    }
    gluTessEndPolygon(tess_);
    if (failed_) return false;
    triangles.insert(triangles.end(), corners_.begin(), corners_.end());
    return true;
}

void Tessellator::mendSlivers(const std::vector<glm::dvec2>& points, std::vector<std::vector<int>>& triangles) {
    auto area = [&](const std::vector<int>& t) {
        glm::dvec2 a = points[t[0]], b = points[t[1]], c = points[t[2]];
        return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    };
    // Flat within rounding: points of a straight run are straight only to the last bits.
    auto isFlat = [&](const std::vector<int>& t, double a) {
        double longest = 0;
        for (int k = 0; k < 3; ++k) {
            glm::dvec2 d = points[t[(k + 1) % 3]] - points[t[k]];
            longest = std::max(longest, d.x * d.x + d.y * d.y);
        }
        return std::fabs(a) <= 1e-10 * longest;
    };
    std::vector<std::vector<int>> flat;
    std::vector<std::vector<int>> kept;
    for (std::vector<int>& t : triangles) {
        double a = area(t);
        if (a < 0) std::swap(t[1], t[2]);
        (isFlat(t, a) ? flat : kept).push_back(std::move(t));
    }
    for (size_t guard = 0; !flat.empty() && guard < 64; ++guard) {
        std::vector<std::vector<int>> left;
        for (const std::vector<int>& t : flat) {
            // The middle point is the one between the other two.
            int m = -1, p = -1, q = -1;
            for (int k = 0; k < 3 && m < 0; ++k) {
                glm::dvec2 a = points[t[(k + 1) % 3]], b = points[t[(k + 2) % 3]], v = points[t[k]];
                if (glm::dot(v - a, v - b) < 0) m = t[k], p = t[(k + 1) % 3], q = t[(k + 2) % 3];
            }
            if (m < 0) continue;  // two of its points coincide: nothing lies on an edge
            bool split = false;
            for (size_t n = 0; n < kept.size() && !split; ++n) {
                std::vector<int>& other = kept[n];
                for (int k = 0; k < 3 && !split; ++k) {
                    int u = other[k], v = other[(k + 1) % 3], r = other[(k + 2) % 3];
                    if (!((u == p && v == q) || (u == q && v == p))) continue;
                    other = {u, m, r};
                    kept.push_back({m, v, r});
                    split = true;
                }
            }
            if (!split) left.push_back(t);
        }
        if (left.size() == flat.size()) break;  // on the border: nothing to mend
        flat = std::move(left);
    }
    triangles = std::move(kept);
}


}  // namespace fw
