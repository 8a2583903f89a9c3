#include "output/ExportUnit.h"

#include <cstdio>
#include <glm/gtc/matrix_inverse.hpp>
#include <glm/matrix.hpp>

#include "mesh/GeometryInterface.h"

namespace fw {

std::string ExportUnit::label(const char* frameSuffix, const char* sectionSuffix) const {
    std::string text = name;
    char suffix[64];
    if (section >= 0 && sectionSuffix) {
        std::snprintf(suffix, sizeof suffix, sectionSuffix, section);
        text += suffix;
    }
    if (frame >= 0 && frameSuffix) {
        std::snprintf(suffix, sizeof suffix, frameSuffix, frame);
        text += suffix;
    }
    return text;
}

const ExportMaterial& ExportUnit::material(int part) const {
    static const ExportMaterial kDefault;
    if (materials.empty()) return kDefault;
    return part >= 0 && part < static_cast<int>(materials.size()) ? materials[static_cast<size_t>(part)] : materials[0];
}

bool ExportUnit::mirrored(bool world) const { return world && glm::determinant(glm::dmat3(transform)) < 0; }

glm::dvec3 ExportUnit::position(int index, bool world) const {
    double v[3];
    geometry->getVertex(v, index);
    glm::dvec3 p(v[0], v[1], v[2]);
    return world ? glm::dvec3(transform * glm::dvec4(p, 1.0)) : p;
}

namespace {

glm::dvec3 transformedNormal(const glm::dmat3& matrix, const glm::dvec3& n) {
    glm::dvec3 m = matrix * n;
    double length = glm::length(m);
    return length > 0 ? m / length : n;
}

}  // namespace

glm::dvec3 ExportUnit::normal(int index, bool world) const {
    double v[3];
    geometry->getNormal(v, index);
    glm::dvec3 n(v[0], v[1], v[2]);
    return world ? transformedNormal(glm::inverseTranspose(glm::dmat3(transform)), n) : n;
}

std::vector<glm::dvec3> ExportUnit::positions(bool world) const {
    std::vector<glm::dvec3> out(static_cast<size_t>(geometry->vertexCount()));
    for (size_t i = 0; i < out.size(); ++i) out[i] = position(static_cast<int>(i), world);
    return out;
}

std::vector<glm::dvec3> ExportUnit::normals(bool world) const {
    std::vector<glm::dvec3> out(static_cast<size_t>(geometry->normalCount()));
    glm::dmat3 matrix = glm::inverseTranspose(glm::dmat3(transform));
    double v[3];
    for (size_t i = 0; i < out.size(); ++i) {
        geometry->getNormal(v, static_cast<int>(i));
        glm::dvec3 n(v[0], v[1], v[2]);
        out[i] = world ? transformedNormal(matrix, n) : n;
    }
    return out;
}

std::string exportFrameFileName(const std::string& name, int frame) {
    if (frame <= 0) return name;
    std::string base = name;
    if (base.size() >= 4 && base.compare(base.size() - 4, 4, ".obj") == 0) base.resize(base.size() - 4);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%04d.obj", frame);
    return base + suffix;
}

}  // namespace fw
