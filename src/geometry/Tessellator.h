#pragma once
// The GLU tessellator behind a small interface: loops of numbered points in, triangles
// of those numbers out. It copes with what simpler decompositions cannot (touching
// loops, collinear runs, points that two loops share) and keeps the given points.

#include <array>
#include <deque>
#include <functional>
#include <limits>
#include <glm/vec2.hpp>
#include <vector>

struct GLUtesselator;

namespace fw {

class Tessellator {
public:
    struct Point {
        glm::dvec2 at;
        int id;
    };
    // Where edges meet at a place no given point holds: the ids of up to four given
    // points around it (kAbsent where fewer) with their weights. Returns the id to use
    // there, or kAbsent to give the polygon up.
    using Combine = std::function<int(glm::dvec2 at, const int ids[4], const float weights[4])>;

    static constexpr int kAbsent = std::numeric_limits<int>::min();

    // Winding rules as GLU numbers them (GLU_TESS_WINDING_ODD and so on).
    Tessellator(unsigned windingRule, Combine combine);
    ~Tessellator();
    Tessellator(const Tessellator&) = delete;
    Tessellator& operator=(const Tessellator&) = delete;

    // Triangles, three ids each, appended to `triangles`; false when GLU reports an
    // error or `combine` gave up (nothing is appended then).
    bool triangulate(const std::vector<std::vector<Point>>& loops, std::vector<int>& triangles);

    // Makes triangles (index triples into `points`) counter-clockwise and takes out the
    // flat ones (three points on a line, within rounding, where a loop runs straight
    // through corners) by splitting the neighbour across their long edge at their
    // middle point, so no edge is left with a point lying on it.
    static void mendSlivers(const std::vector<glm::dvec2>& points, std::vector<std::vector<int>>& triangles);

    // The callbacks' way back in (GLU's untyped pointers stay in the callbacks).
    void vertex(int id) { corners_.push_back(id); }
    void fail() { failed_ = true; }
    int* combine(const double coords[3], const int* const vertices[4], const float weights[4]);

private:
    GLUtesselator* tess_ = nullptr;
    Combine combine_;
    std::deque<int> ids_;  // GLU keeps pointers into these until the polygon ends
    std::deque<std::array<double, 3>> coords_;
    std::vector<int> corners_;
    bool failed_ = false;
};

}  // namespace fw
