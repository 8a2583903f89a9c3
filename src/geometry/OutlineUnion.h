#pragma once
// Outer contours that overlap each other (glyphs drawn from overlapping strokes) are
// merged into their union before a face is classified, so their caps neither overlap
// nor turn a stroke into a hole. Contours that touch nothing pass through unchanged.

#include <glm/vec2.hpp>
#include <vector>

namespace fw {

class OutlineUnion {
public:
    using Contour = std::vector<glm::dvec2>;
    // Returns the contours with every group of crossing contours (and the contours
    // inside them) replaced by the group's union under the non-zero rule.
    static std::vector<Contour> mergeOverlaps(const std::vector<Contour>& contours);
    // Whether any edge of a crosses or touches any edge of b.
    static bool crosses(const Contour& a, const Contour& b);
};

}  // namespace fw
