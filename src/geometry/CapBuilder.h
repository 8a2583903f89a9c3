#pragma once
// Splits a flat cap region (outer contours with their holes) into convex polygon
// pieces that share the contours' own vertices, so the cap closes the solid exactly.

#include <cstdint>
#include <glm/vec2.hpp>
#include <vector>

namespace fw {

class CapBuilder {
public:
    static constexpr int kMaxPieceCorners = 4096;
    static constexpr int64_t kBudgetMilliseconds = 1000;

    struct Region {
        std::vector<int> outer;               // counter-clockwise
        std::vector<std::vector<int>> holes;  // clockwise, inside the outer contour
    };

    // Pieces as lists of indices into `points`, each convex and counter-clockwise.
    // Repeated consecutive points are dropped. When growing convex pieces runs out of
    // time or finds none, the rest is cut into triangles; false when even that fails
    // (the remaining region is left open).
    static bool decompose(const std::vector<glm::dvec2>& points, const Region& region,
                          std::vector<std::vector<int>>& pieces);

    // Which outer contour (by index into `loops`) holds each hole; outers are the loops
    // at even nesting depth. Loops are index lists into `points`.
    static std::vector<Region> regions(const std::vector<glm::dvec2>& points, const std::vector<std::vector<int>>& loops);

    static double signedArea(const std::vector<glm::dvec2>& points, const std::vector<int>& loop);
    static bool contains(const std::vector<glm::dvec2>& points, const std::vector<int>& loop, glm::dvec2 p);
};

}  // namespace fw
