#pragma once
// Offsetting a closed contour sideways, the step behind face offsets and every row
// of a bevel sweep. Positive distances move away from the material: outward for an
// outer (counter-clockwise) contour, into the hole for a hole (clockwise).

#include <cstdio>
#include <glm/vec2.hpp>
#include <vector>

namespace fw {

class ContourOffset {
public:
    struct Result {
        std::vector<glm::dvec2> points;  // as many as the input: collapsed runs share one point
        std::vector<bool> valid;         // false where the point crossed the contour
        bool collapsed = false;          // every point crossed: all sit on the centroid
    };

    // strict: the cap mode, which collapses only short runs of crossed points (fewer
    // than 6) and reports longer ones on `console`.
    static Result offset(const std::vector<glm::dvec2>& contour, double distance, bool strict = false,
                         std::FILE* console = nullptr);

    // Blunts the spikes of a contour whose material lies left of its walk (outer
    // counter-clockwise, holes clockwise): every convex corner sharper than
    // `spikeAngle` degrees is cut square to its bisector `pullBack` behind its tip, so
    // bevels do not shoot long mitres out of it. The cut never takes more than half of
    // either edge.
    static std::vector<glm::dvec2> pullBackSpikes(const std::vector<glm::dvec2>& contour, double spikeAngle,
                                                  double pullBack);

    // The contour vanished: every point on its centroid (the mean of its points), none valid.
    static Result collapsedContour(const std::vector<glm::dvec2>& contour);

    // Distance from a point to the closed polyline.
    static double distanceTo(const std::vector<glm::dvec2>& contour, glm::dvec2 p);
};

}  // namespace fw
