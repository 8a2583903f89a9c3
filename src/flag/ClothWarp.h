#pragma once
// Bends solids with a cloth: a point (x, y, z) of the flat cloth's plane goes to the cloth
// at the same place across it, z along the cloth's normal there. A title's letters laid
// on a flag's cloth wave with it.

#include <vector>

#include <glm/mat3x3.hpp>
#include <glm/vec3.hpp>

#include "scene/Object.h"

namespace fw {

class ClothWarp : public GeometryWarp {
public:
    // `positions`: nu by nv points in the cloth's space, row by row from the pinned top
    // corner; the flat cloth spans origin + x in [0, width] and y in [-height, 0] at z = 0.
    ClothWarp(int nu, int nv, std::vector<double> positions, double width, double height,
              const glm::dvec3& origin = glm::dvec3(0.0));

    // Where a point of the flat cloth's space goes, and the derivative of the map there
    // (its columns the images of x, y and z).
    glm::dvec3 map(const glm::dvec3& p, glm::dmat3* jacobian = nullptr) const;
    // Positions through the map, normals through its inverse transpose (so creases stay
    // creases), in the object's space under its own transform in the cloth's space.
    void apply(Object& object, const GeometryInterface& in, ObjDB& out) const override;

private:
    glm::dvec3 at(int i, int j) const;
    glm::dvec3 normal(int i, int j) const;

    int nu_, nv_;
    std::vector<double> positions_;
    std::vector<glm::dvec3> normals_;
    double width_, height_;
    glm::dvec3 origin_;
};

}  // namespace fw
