#pragma once
// Turns a flat face (closed contours, outer and holes) into a bevelled solid: each
// contour is offset once per point of its edge profile and the rows are joined into
// the sides; the first and last rows, decomposed into convex pieces, are the front
// and back caps. Caps and sides share their vertices, so the solid is closed.
// The face lies in the XY plane; the front faces +Z and the back lies at z = -depth.

#include <cstdio>
#include <glm/vec2.hpp>
#include <vector>

#include "geometry/ContourOffset.h"

namespace fw {

class GeometryInterface;

class SolidBuilder {
public:
    using Contour = std::vector<glm::dvec2>;

    enum Part : unsigned { kFrontBit = 1, kBackBit = 2, kPerimeterBit = 4, kHoleBit = 8 };

    // What every solid builder builds for: straight extrusion here, revolving and tubes
    // in SweepBuilder; each reads the fields of its own method.
    struct Options {
        double depth = 8.0;  // a tube's diameter
        double perimeterXScale = 1.0;
        double holeXScale = 1.0;
        unsigned parts = 15;          // Part bits; revolving: front = head cap, back = tail cap
        double hardAngle = 30.0;      // degrees: sharper corners get split normals
        double maxSideSegment = 0.0;  // > 0: longer edge-profile segments are split (into
                                      // at most kMaxMeshedRows rows along the edge)
        double tileSize[2] = {0, 0};  // > 0: the caps are meshed into tiles this size
        bool keepStraightRuns = false;  // meshing: points inside straight runs stay
        // Revolving: the axis (1 X, 2 Y, 3 Z), the turn in degrees and the end caps of a
        // partial one. Steps are segments per full turn (never fewer than 3 per quarter
        // turn), or a tube's sides around (at least 6).
        int axis = 3;
        double startAngle = 0.0, endAngle = 360.0;
        int steps = 20;
        struct Cap {
            int type = 2;         // SweepBuilder::CapType, flat
            double scale = 50.0;  // percent of half the face's larger extent, held short of holes meeting their outline
            double offset = 0.0;  // a straight collar this long before the shaped part
            bool operator==(const Cap&) const = default;
        };
        Cap head, tail;
        int frontPart = 0, backPart = 1, perimeterPart = 2, holePart = 3;  // part index of each
        std::FILE* console = nullptr;  // diagnostics
        bool operator==(const Options&) const = default;
    };

    static constexpr double kMaxMeshedRows = 1000;

    // The edge profile "Basic, Flat Sides": straight from the front to the back.
    static Contour flatSides();

    // Edge profiles are open polylines in percent of the depth: y from 0 (front) to
    // 100 (back), x the sideways offset, positive outward. An empty profile gives flat
    // sides. Returns false when no side or cap could be built. `out` starts empty; a
    // drawing mesh (PackedObjDB) may take the solid directly. `rejected`, when given,
    // counts the elements the mesh refused.
    static bool build(const std::vector<Contour>& face, const Contour& perimeterProfile, const Contour& holeProfile,
                      const Options& options, GeometryInterface& out, int* rejected = nullptr);

    // The face made ready for sweeping: overlapping outer contours merged, repeated
    // points dropped, outer contours counter-clockwise and holes clockwise. Points
    // inside straight runs go too, unless they are kept for meshing (deformers bend
    // the solid between them).
    static std::vector<Contour> prepareFace(const std::vector<Contour>& face, std::vector<bool>& isHole,
                                            bool keepStraightRuns = false);

    // One row of a sweep: the contour offset by `distance`, collapsed onto its centroid
    // when it vanishes or turns inside out (a small hole under a wide bevel can come out
    // turned over with every point still far enough from the contour to count as valid).
    static ContourOffset::Result offsetRow(const Contour& contour, double distance);
    // Outward normals of a closed contour's points, smooth where it turns more gently than
    // `hardAngle` (degrees); `before[i]` serves the edge ending at i, `after[i]` the next.
    static void contourNormals(const Contour& contour, double hardAngle, std::vector<glm::dvec2>& before,
                               std::vector<glm::dvec2>& after);
};

}  // namespace fw
