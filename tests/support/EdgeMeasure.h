#pragma once
// How well a rendered straight edge follows its analytic line: a flat bright shape on a dark background, the
// edge mostly upright. Each row's coverage, summed across the edge, says where the picture puts the edge;
// against where the line crosses the row's middle that is the row's position error.
#include <algorithm>
#include <cmath>

#include "render/Renderer.h"

namespace fw::test {

struct EdgeMeasure {
    double rmsError = 0;         // pixels
    int intermediatePixels = 0;  // neither background nor shape, along the rows measured
};

// The shape lies where a x + b y < c, x and y in pixels from the bottom-left corner
// (pixel centres at +0.5), `a` > 0; rows [rowFrom, rowTo) are measured on `channel`.
inline EdgeMeasure measureEdge(const RenderImage& image, double a, double b, double c, int rowFrom, int rowTo,
                               int channel = 1) {
    EdgeMeasure m;
    double squares = 0;
    int rows = 0;
    for (int y = rowFrom; y < rowTo; ++y) {
        const double edge = (c - b * (y + 0.5)) / a;
        const int from = static_cast<int>(std::floor(edge)) - 6, to = from + 13;
        if (from - 6 < 0 || to + 6 >= image.width) continue;
        const double inside = image.pixel(from - 6, y)[channel], outside = image.pixel(to + 6, y)[channel];
        if (inside - outside < 64) continue;
        double covered = 0;
        for (int x = from; x < to; ++x) {
            const int v = image.pixel(x, y)[channel];
            covered += std::clamp((v - outside) / (inside - outside), 0.0, 1.0);
            if (v > outside + 8 && v < inside - 8) ++m.intermediatePixels;
        }
        const double error = from + covered - edge;
        squares += error * error;
        ++rows;
    }
    m.rmsError = rows ? std::sqrt(squares / rows) : 1e9;
    return m;
}

}  // namespace fw::test
