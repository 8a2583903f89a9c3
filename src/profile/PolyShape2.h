#pragma once
// Contours held as linked polygon loops, for building caps and offsets: point
// containment, orientation, and the sorting of loops into outer contours and holes.

#include <cstdio>
#include <vector>

namespace fw {

class Geo2Interface;

class PolyShape2 {
public:
    // A link names a point and the link after it; a negative next ends an open chain.
    struct Link {
        int point;
        int next;
    };
    struct Point {
        double x, y;
    };
    // The containment test looks at no more edges than this per loop.
    static constexpr int kMaxContainmentEdges = 10000;

    int addPoint(double x, double y);
    // A closed loop through the given points in order; -1 when a point does not exist.
    int addLoop(const int* points, int count);
    // An open chain (its last link ends it); loops built this way count as broken.
    int addChain(const int* points, int count);
    // One loop per closed element of shape, over a copy of its points. Returns the
    // number of loops added.
    int addShape(const Geo2Interface& shape);

    int pointCount() const { return static_cast<int>(points_.size()); }
    int loopCount() const { return static_cast<int>(loops_.size()); }
    const Point& point(int index) const { return points_[static_cast<size_t>(index)]; }
    // The point indices met walking the loop from its start link.
    std::vector<int> loopPoints(int loop) const;

    // Inside by the crossings of a horizontal line through (x, y) with the loop's edges,
    // each edge covering its lower end but not its upper one. An odd total (a broken
    // loop) prints a diagnostic to the console and answers outside.
    bool loopContainsPoint(int loop, double x, double y) const;
    // Degenerate loops (zero area) and broken ones count as clockwise.
    bool loopIsClockwise(int loop) const;
    // Keeps a closed loop's start link, so its first point stays the same.
    bool reverseLoop(int loop);
    // Nesting depth per loop (0 outer contour, 1 hole, 2 contour inside a hole, ...),
    // in loop order. With orient, outer contours are made counter-clockwise and holes
    // clockwise.
    std::vector<int> classifyLoops(bool orient);

    // Where diagnostics go; standard output unless set.
    void setConsole(std::FILE* console) { console_ = console; }

private:
    int addLinks(const int* points, int count, bool closed);
    // Calls edge(from, to) for each edge walked from the loop's start, at most maxEdges;
    // false when the walk met a broken link before closing the loop.
    template <class Edge>
    bool walk(int loop, int maxEdges, Edge&& edge) const;

    std::vector<Point> points_;
    std::vector<Link> links_;
    std::vector<int> loops_;  // start link of each loop
    std::FILE* console_ = stdout;
};

}  // namespace fw
