#pragma once
// Exports a scene's objects as mesh files: gathers every visible object's
// render-quality mesh (an extruded object whole, or one unit per part when sections
// are asked for), the look of each part from its material stack, and the object's
// transform at each frame of a range, then hands the units to the format's writer.
// A scale other than 1 multiplies the meshes' positions and the transforms'
// translations alike, so world and object coordinates both come out scaled.
// Only transforms change from frame to frame, so the meshes are built once.

#include <optional>
#include <string>
#include <vector>

#include "output/ExportUnit.h"

namespace fw {

class Object;
class OrvoSceneManager;
class SceneX;

class MeshExport {
public:
    struct Request {
        std::string out;
        std::string range;  // "A-B": every frame of the range; empty: one frame
        std::optional<double> frame;  // the one frame; none: the scene's current frame
        bool local = false;     // object coordinates instead of world coordinates
        bool sections = false;  // an extruded object's parts as units of their own
        // Every coordinate is multiplied by this; 0: the format's own default.
        double scale = 0;
    };

    // One unit of a project is a point (1/72 inch), and a mesh file keeps it, except
    // glTF, whose unit is the metre: a .glb file's coordinates are points in metres.
    static constexpr double kPointInMetres = 0.0254 / 72;
    static double defaultScale(const std::string& out);
    // The most units (objects or sections, once per frame) and polygons a frame range
    // puts into a format that writes one file for the whole range.
    static constexpr long long kMaxRangeUnits = 100000;
    static constexpr long long kMaxRangePolygons = 20000000;

    // Writes the loaded scene; an exit status, with errors printed.
    static int run(OrvoSceneManager& manager, const Request& request);
    // The units of the scene's visible objects as they stand now; `owners` gets the
    // object of each unit. An object without a hard-shading angle of its own creases
    // at `creaseAngle` degrees.
    static std::vector<ExportUnit> gather(SceneX& scene, bool sections, std::vector<Object*>* owners = nullptr,
                                          double creaseAngle = 30.0);
    // Why a mesh file cannot be written at `path` (a folder, a missing or read-only
    // folder), or empty when it can.
    static std::string destinationProblem(const std::string& path);
    // An object's mesh at render quality as export writes it; null when it has none.
    // Extruded objects are built together first (ObjectX::buildSolids) where many are asked for.
    static const GeometryInterface* renderGeometry(Object& object);
    // The look of a material reduced to what mesh formats hold.
    static ExportMaterial look(SceneX& scene, const std::string& material);
};

}  // namespace fw
