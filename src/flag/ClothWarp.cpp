#include "flag/ClothWarp.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include <glm/geometric.hpp>
#include <glm/mat4x4.hpp>
#include <glm/matrix.hpp>

#include "mesh/ObjDB.h"

namespace fw {

ClothWarp::ClothWarp(int nu, int nv, std::vector<double> positions, double width, double height,
                     const glm::dvec3& origin)
    : nu_(nu), nv_(nv), positions_(std::move(positions)), width_(width), height_(height), origin_(origin) {
    normals_.resize(static_cast<size_t>(nu_) * nv_);
    for (int j = 0; j < nv_; ++j)
        for (int i = 0; i < nu_; ++i) {
            const glm::dvec3 du = at(std::min(i + 1, nu_ - 1), j) - at(std::max(i - 1, 0), j);
            const glm::dvec3 dv = at(i, std::max(j - 1, 0)) - at(i, std::min(j + 1, nv_ - 1));
            // Across and up: the flat cloth's normal is +z, the side a title is read from.
            const glm::dvec3 n = glm::cross(du, dv);
            const double len = glm::length(n);
            normals_[j * nu_ + i] = len > 0.0 ? n / len : glm::dvec3(0.0, 0.0, 1.0);
        }
}

glm::dvec3 ClothWarp::at(int i, int j) const {
    const double* p = &positions_[3 * (static_cast<size_t>(j) * nu_ + i)];
    return {p[0], p[1], p[2]};
}

glm::dvec3 ClothWarp::normal(int i, int j) const { return normals_[static_cast<size_t>(j) * nu_ + i]; }

glm::dvec3 ClothWarp::map(const glm::dvec3& point, glm::dmat3* jacobian) const {
    const glm::dvec3 p = point - origin_;
    // Grid coordinates; beyond the cloth the border cells carry on straight.
    const double gu = p.x / width_ * (nu_ - 1), gv = -p.y / height_ * (nv_ - 1);
    const int i = std::clamp(static_cast<int>(std::floor(gu)), 0, nu_ - 2);
    const int j = std::clamp(static_cast<int>(std::floor(gv)), 0, nv_ - 2);
    const double s = gu - i, t = gv - j;
    const glm::dvec3 a = at(i, j), b = at(i + 1, j), c = at(i, j + 1), d = at(i + 1, j + 1);
    const glm::dvec3 surface = (1 - t) * ((1 - s) * a + s * b) + t * ((1 - s) * c + s * d);
    const glm::dvec3 n0 = normal(i, j), n1 = normal(i + 1, j), n2 = normal(i, j + 1), n3 = normal(i + 1, j + 1);
    glm::dvec3 n = (1 - t) * ((1 - s) * n0 + s * n1) + t * ((1 - s) * n2 + s * n3);
    const double len = glm::length(n);
    n = len > 0.0 ? n / len : glm::dvec3(0.0, 0.0, 1.0);
    if (jacobian) {
        // How the surface moves along x and y; the thickness follows the normal.
        const glm::dvec3 alongU = (1 - t) * (b - a) + t * (d - c), alongV = (1 - s) * (c - a) + s * (d - b);
        (*jacobian)[0] = alongU * ((nu_ - 1) / width_);
        (*jacobian)[1] = -alongV * ((nv_ - 1) / height_);
        (*jacobian)[2] = n;
    }
    return surface + p.z * n;
}

void ClothWarp::apply(Object& object, const GeometryInterface& in, ObjDB& out) const {
    const glm::dmat4 toCloth = object.transform(), fromCloth = glm::inverse(toCloth);
    const glm::dmat3 linear(toCloth), linearBack(fromCloth);
    std::vector<glm::dmat3> normalMaps(static_cast<size_t>(in.vertexCount()));
    for (int v = 0; v < in.vertexCount(); ++v) {
        glm::dvec3 p;
        in.getVertex(&p.x, v);
        glm::dmat3 j;
        const glm::dvec3 bent = glm::dvec3(fromCloth * glm::dvec4(map(glm::dvec3(toCloth * glm::dvec4(p, 1.0)), &j), 1.0));
        out.addVertex(&bent.x);
        // Into the cloth's space, bent, and back: each step's inverse transpose.
        const double det = glm::determinant(j);
        const glm::dmat3 bend = std::abs(det) > 1e-300 ? glm::transpose(glm::inverse(j)) : glm::dmat3(1.0);
        normalMaps[v] = glm::transpose(linear) * bend * glm::transpose(linearBack);
    }
    for (int t = 0; t < in.texCoordCount(); ++t) {
        double uv[3];
        in.getTexCoord(uv, t);
        out.addTexCoord(uv);
    }
    // A normal shared by corners at different places bends differently at each.
    std::unordered_map<long long, int> bentNormals;
    std::vector<int> normalIndices;
    for (int e = 0; e < in.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *positions = nullptr, *tex = nullptr, *normals = nullptr;
        if (!in.getElementRefs(e, info, &positions, &tex, &normals)) continue;
        const bool hasNormals = normals && info.normalCount == info.count;
        normalIndices.clear();
        if (hasNormals)
            for (int k = 0; k < info.count; ++k) {
                const long long key = static_cast<long long>(positions[k]) * in.normalCount() + normals[k];
                auto [it, fresh] = bentNormals.try_emplace(key, 0);
                if (fresh) {
                    glm::dvec3 n;
                    in.getNormal(&n.x, normals[k]);
                    n = normalMaps[positions[k]] * n;
                    const double len = glm::length(n);
                    n = len > 0.0 ? n / len : n;
                    it->second = out.addNormal(&n.x);
                }
                normalIndices.push_back(it->second);
            }
        out.addElement(info.kind, info.part, info.count, positions, info.texCount, tex,
                       hasNormals ? info.count : 0, hasNormals ? normalIndices.data() : nullptr, info.user);
    }
}

}  // namespace fw
