#pragma once
// The edges that the line and outline styles draw over one part of a mesh: its
// triangles' edges matched by position (a crease splits a vertex into several), with
// the faces on either side. Plain data without OpenGL; results are vertex-index pairs
// into the mesh, ready to draw as lines.

#include <cstdint>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>
#include <vector>

namespace fw {

class PackedObjDB;

class MeshEdges {
public:
    MeshEdges(const PackedObjDB& mesh, const std::vector<uint32_t>& triangles);

    // The outlines of the part's polygons: every edge but those inside one plane
    // (a flat cap's triangulation), so a square shows four edges, not its diagonal.
    std::vector<uint32_t> polygonEdges() const;
    // What a drawn outline follows, seen from `eye` in the mesh's space (w = 0: a
    // direction towards the viewer, for orthographic cameras): the silhouette, creases
    // whose faces turn by more than `creaseDegrees`, and open borders.
    std::vector<uint32_t> outline(const glm::dvec4& eye, double creaseDegrees) const;

    size_t edgeCount() const { return edges_.size(); }

private:
    struct Edge {
        uint32_t a, b;  // vertex indices as the first face has them
        int faces[2];   // -1 where the edge has fewer faces
        int count;      // faces on this edge; above 2 the mesh is not a plain surface there
    };
    struct Face {
        glm::dvec3 normal;
        glm::dvec3 point;
    };
    // An edge with a single face, or a shared one between more than two.
    static bool open(const Edge& e) { return e.count != 2; }
    double cosine(const Edge& e) const;

    std::vector<Edge> edges_;
    std::vector<Face> faces_;
};

}  // namespace fw
