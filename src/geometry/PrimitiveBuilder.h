#pragma once
// Builds the mesh of a parametric primitive from its settings: counts from the step
// count, faces turned outwards (counter-clockwise seen from outside), one part per
// face of boxes and pyramids, texture coordinates per the mapping mode.

#include "geometry/ObjectP.h"

namespace fw {

class ObjDB;

class PrimitiveBuilder {
public:
    // Parts of the primitives that have more than one.
    static constexpr int kCylinderSide = 0, kCylinderTop = 1, kCylinderBottom = 2;
    static constexpr int kConeSide = 0, kConeBase = 1;

    // Segments around for cylinders, cones and spheres: 2n rounded down to a
    // multiple of 4, never below 4.
    static int segmentsAround(int steps);
    // Rings of a sphere from pole to pole: n rounded down to an even number, plus 2.
    static int sphereRings(int steps);
    // The torus's counts: around its tube, and around its ring.
    static int torusTubeSegments(int steps) { return segmentsAround(steps); }
    static int torusRingSegments(int steps);

    // Replaces out's contents with the primitive. False for types that build nothing
    // (custom, disk, nulls, unknown values), leaving out empty.
    static bool build(const ObjectP::PrimitiveSettings& settings, ObjDB& out);
};

}  // namespace fw
