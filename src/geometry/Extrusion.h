#pragma once
// The extruded object's three stages as plain data, and the one driver that builds
// them: the face (the flattened outline as closed contours, or as paths for tubes),
// the caps (front and back alone) and the solid (caps, and the sides swept along the
// edge profiles). An object's ports hand it one stage at a time as they are read;
// a batch hands it the stale stages of many objects at once and runs them on
// several threads.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "geometry/SolidBuilder.h"

namespace fw {

class ObjectXStyle;
class PackedObjDB;
class ProfileGeometry;

class Extrusion {
public:
    using Contours = std::vector<SolidBuilder::Contour>;

    // What the face is built for.
    struct FaceSettings {
        double hardAngle = 30, tolerance = 0.5, spikeAngle = 0, pullBack = 0.1, faceOffset = 0;
        int faceMode = 2;
        bool tube = false;
        int steps = 20;
        bool meshFlag = false;
        bool keepStraightRuns = false;  // meshing is on
        bool operator==(const FaceSettings&) const = default;
    };

    // What the caps and the solid are built for: the builders' options, and what else
    // makes one solid differ from another (the style and its edits, the face offset,
    // the build method).
    struct Settings {
        SolidBuilder::Options solid;
        const ObjectXStyle* style = nullptr;
        uint32_t capChanges = 0, sideChanges = 0;
        double faceOffset = 0;
        int kind = 0;  // ObjectXStyle's build method
        bool operator==(const Settings&) const = default;
    };

    // A mesh stage: built into `mesh` when one is given.
    struct Stage {
        PackedObjDB* mesh = nullptr;
        Settings settings;
        bool ok = false;  // built, and every element packed
    };

    // One object's stages at one quality: what they are built from and where each
    // result goes. The face is built into `face` when an outline is given, else read as
    // it stands; without a face the meshes given are emptied and fail.
    struct Job {
        const ProfileGeometry* outline = nullptr;
        FaceSettings faceSettings;
        Contours* face = nullptr;
        Stage caps, solid;                      // the caps: front and back parts alone
        SolidBuilder::Contour perimeter, hole;  // edge profiles; flat sides when empty
        std::function<void()> release;          // once the solid is built: lets go of its sources
    };

    // Face, caps and solid, whichever the job asks for, in that order.
    static void run(Job& job);
    // Every job, on up to `threads` OpenMP threads (1: on this one).
    static void run(std::vector<Job>& jobs, int threads);

    // The face stage's work: the flattened outline turned into face contours.
    static void buildFace(const ProfileGeometry& outline, const FaceSettings& settings, Contours& out);
    // The cap and solid stages' work: the parts of the face the settings name, swept
    // along the edge profiles. False when an element could not be packed.
    static bool buildMesh(const Contours& face, const SolidBuilder::Contour& perimeter, const SolidBuilder::Contour& hole,
                          const Settings& settings, PackedObjDB& out);
    // The polyline of a flattened edge profile, in percent of the depth: every element
    // in turn, so a profile drawn in several strokes runs on from one to the next.
    static SolidBuilder::Contour edgeProfile(const ProfileGeometry* geometry);

    // Where the builders' diagnostics go (missing normals, cap cuts that do not pair
    // up); nowhere unless set. They never reach the user.
    static void setConsole(std::FILE* console);
    static std::FILE* console();
};

}  // namespace fw
