#pragma once
// What every mesh writer is handed: units (an object's render-quality mesh at one
// frame, or one section of it) with their transform and the look of each part, as
// the export driver collected them from the scene.

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <string>
#include <utility>
#include <vector>

#include "mesh/GeometryInterface.h"

namespace fw {

// A material reduced to what mesh formats can say about it; colours are 0..1.
struct ExportMaterial {
    std::string name = "defaultMtl";
    double diffuse[3] = {0.8, 0.8, 0.8};
    double specular[3] = {1.0, 1.0, 1.0};
    double specularAmount = 0.0;  // 0..1: how strong the highlight is
    double shininess = 0.3;       // 0..1: how tight it is
    double reflectivity = 0.0;    // 0..1
    double transparency = 0.0;    // 0..1

    // Writers share one material entry among units whose looks match in every field.
    bool operator==(const ExportMaterial&) const = default;
};

struct ExportUnit {
    ExportUnit() = default;
    ExportUnit(std::string name_, const GeometryInterface* geometry_, const glm::dmat4& transform_ = glm::dmat4(1.0))
        : name(std::move(name_)), geometry(geometry_), transform(transform_) {}

    std::string name;     // the object's name, without suffixes
    int object = 0;       // which object of the export list (the same across frames)
    int frame = -1;       // -1 outside an animation export
    double time = 0.0;    // the frame's time in seconds from the start of the range
    int section = -1;     // the part written as a section of its own; -1: every part
    const GeometryInterface* geometry = nullptr;
    glm::dmat4 transform{1.0};  // object to world; applied when writing world coordinates
    // Faces meeting at a sharper angle than this (degrees) keep a hard edge between them.
    double creaseAngle = 30.0;
    // The look of each part index; a part past the end wears the first (or a default
    // material when the list is empty).
    std::vector<ExportMaterial> materials;

    // The unit's name with the writer's suffixes, e.g. ("-Frm%d", "-Section %d") gives
    // "Title-Section 2-Frm7" for section 2 of frame 7.
    std::string label(const char* frameSuffix, const char* sectionSuffix) const;
    const ExportMaterial& material(int part) const;
    // A position or normal of the geometry, in world coordinates when asked: normals by
    // the inverse transpose, unit length again (a zero normal stays as it is).
    glm::dvec3 position(int index, bool world) const;
    glm::dvec3 normal(int index, bool world) const;
    // All of them at once, for writers that walk every one.
    std::vector<glm::dvec3> positions(bool world) const;
    std::vector<glm::dvec3> normals(bool world) const;
    // Whether written positions come out mirrored (an odd number of negative scales):
    // such a unit's polygons must have their corners reversed to keep facing out.
    bool mirrored(bool world) const;
    // The corner to write in place k of `count`: reversed after the first when `flip`,
    // so fans from corner 0 stay fans from corner 0.
    static int corner(int k, int count, bool flip) { return flip && k > 0 ? count - k : k; }
    // Whether element e belongs to what this unit writes (its section, if any).
    bool writes(int part) const { return section < 0 || part == section; }
    // Element e's corners when it is a polygon of three or more corners that this unit
    // writes; false for anything else.
    bool polygon(int e, GeometryInterface::ElementInfo& info, const int** p, const int** t, const int** n) const {
        return geometry && geometry->getElementRefs(e, info, p, t, n) && info.kind == GeometryInterface::Polygon &&
               info.count >= 3 && writes(info.part);
    }
    // Whether every corner of the element names a position, and, where the element has
    // texture corners, a texture coordinate the geometry holds.
    bool cornersInRange(const GeometryInterface::ElementInfo& info, const int* p, const int* t) const {
        const bool textured = t && info.texCount == info.count;
        for (int c = 0; c < info.count; ++c)
            if (p[c] < 0 || p[c] >= geometry->vertexCount() ||
                (textured && (t[c] < 0 || t[c] >= geometry->texCoordCount())))
                return false;
        return true;
    }
};

// Frame-dependent file names: a sequence of OBJ files, logo.obj frame 12 -> logo.0012.obj.
std::string exportFrameFileName(const std::string& name, int frame);

}  // namespace fw
