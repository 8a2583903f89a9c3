#pragma once
// Tile meshing of flat caps, for objects whose solids deformers will bend: the face
// contours gain a point wherever a grid line crosses them, and the cap's convex
// pieces are then split along the same lines. The grid is absolute (lines at whole
// multiples of the tile size), so neighbouring objects tile alike.

#include <cstdio>
#include <functional>
#include <map>
#include <utility>
#include <glm/vec2.hpp>
#include <vector>

namespace fw {

class CapTiles {
public:
    using Contour = std::vector<glm::dvec2>;

    // One contour of a sweep: the face contour and its rows, point for point.
    struct Swept {
        Contour face;
        std::vector<Contour> rows;  // the first and the last are the caps' edges
    };

    // More grid lines than this across a cap in one direction is taken for a typo:
    // that direction gets no lines, and the cells are not tessellated.
    static constexpr long kMaxLines = 2000;

    // Where each vertical and then each horizontal grid line crosses an edge of a cap
    // row between 0.001 and 0.999 along it, a new column goes into the face and every
    // row of that contour, each at the same fraction of its own edge, so the sides keep
    // their shape and the cap row gets a point exactly on the line. A size of 0 or
    // less draws no lines in that direction. When the crossings found on one line do
    // not pair up, the message is printed on `console` and the remaining lines are
    // left uncut.
    static void cutRows(std::vector<Swept>& contours, const double tileSize[2], std::FILE* console);

    // The cap cut into tiles: each grid cell's share of the region (outer loops
    // counter-clockwise, holes clockwise, index lists into `points`) tessellated on
    // its own, so no triangle reaches across a grid line. The loops must already have
    // a point wherever they cross a line (`cutRows`); the cells then add only their
    // corners, made once through `addPoint` and shared by the four cells around them.
    // False, with `pieces` untouched, when a cell would need any other new point.
    static bool tessellateCells(const std::vector<glm::dvec2>& points, const std::vector<std::vector<int>>& loops,
                                const double tileSize[2], const std::function<int(glm::dvec2)>& addPoint,
                                std::vector<std::vector<int>>& pieces);
};

}  // namespace fw
