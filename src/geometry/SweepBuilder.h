#pragma once
// The two build methods besides straight extrusion: revolving the face about an axis
// (a lathe, closed at both ends by shaped caps when the turn is partial) and sweeping
// a round tube along each outline path. Both give closed solids whose neighbouring
// polygons share their vertices, like SolidBuilder's.

#include <glm/vec3.hpp>
#include <vector>

#include "geometry/SolidBuilder.h"

namespace fw {

class ObjDB;

class SweepBuilder {
public:
    using Contour = SolidBuilder::Contour;

    // End caps of a partial revolution, as the style numbers them.
    enum CapType { kNone = 1, kFlat, kBeveled, kPointed, kRounded, kDomed, kNotchedHead, kNotchedTail };

    using Options = SolidBuilder::Options;
    using Cap = Options::Cap;

    // One cross-section point of a shaped cap: x how far the face shrinks and y how far
    // short of the cap's full reach it sits, both in units of the cap's size; t runs
    // from 0 to 1 along the section.
    struct CapPoint {
        double x, y, t;
    };
    static std::vector<CapPoint> capSection(int type, double scale);

    // The face is prepared as for extrusion (outer contours counter-clockwise, holes
    // clockwise). The edge profile (as for extrusion: y from front to back, x outward)
    // is used as drawn: its y span is stretched over the turn and its x, mirrored when
    // its extremes average below 0, is how far the face swells at that angle. Mirrored
    // profiles mostly swell, and a swelling outline never runs into its own holes as a
    // shrinking one can. A full turn uses the profile's start at the seam.
    // The face's x is the distance from the axis and its y runs along it; at the start
    // angle it lies in the plane the axis spans with +X (axis Z), turned +90 degrees
    // about Y for axis X (1) and -90 degrees about X for axis Y (2). Angles in degrees,
    // counter-clockwise about the axis.
    static bool revolve(const std::vector<Contour>& face, const Contour& profile, const Options& options, ObjDB& out);

    // Paths in the XY plane; one whose last point repeats its first is closed and the
    // tube closes on itself, an open one gets flat end caps. Frames are carried along
    // the path without twist; corners are mitred.
    static bool tube(const std::vector<Contour>& paths, const Options& options, ObjDB& out);
};

}  // namespace fw
