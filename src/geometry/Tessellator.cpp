#include "geometry/Tessellator.h"

#include <GL/glu.h>

namespace fw {

namespace {

Tessellator& self(void* data) { return *static_cast<Tessellator*>(data); }

void GLAPIENTRY onVertex(void* vertex, void* data) { self(data).vertex(*static_cast<int*>(vertex)); }
void GLAPIENTRY onEdgeFlag(GLboolean, void*) {}  // its presence asks for plain triangles
void GLAPIENTRY onError(GLenum, void* data) { self(data).fail(); }
void GLAPIENTRY onCombine(GLdouble coords[3], void* vertices[4], GLfloat weights[4], void** out, void* data) {
    *out = self(data).combine(coords, vertices, weights);
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

void* Tessellator::combine(const double coords[3], void* vertices[4], const float weights[4]) {
    int ids[4];
    for (int k = 0; k < 4; ++k) ids[k] = vertices[k] ? *static_cast<int*>(vertices[k]) : kAbsent;
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

}  // namespace fw
