#pragma once
// A shader's 2D placement in texture space: translation, rotation (degrees), scale
// and origin, kept as the four 3-vectors of the program's transforms. Rotation and
// scale act about the texture's centre (0.5, 0.5).

#include <glm/mat4x4.hpp>

namespace fw {

class CommandIO;

struct Placement {
    double translate[3] = {0, 0, 0};
    double rotate[3] = {0, 0, 0};
    double scale[3] = {1, 1, 1};
    double origin[3] = {0, 0, 0};

    bool isIdentity() const;
    // T(0.5, 0.5, 0) T(translate) R(-rotate) S(scale) T(-0.5, -0.5, 0).
    glm::dmat4 matrix() const;
    bool operator==(const Placement& o) const;

    // The "transform" keyword's twelve values, four rows of three; a failed read
    // leaves the placement as it was. Both 0 or -1.
    int read(CommandIO& io);
    int write(CommandIO& io) const;
};

}  // namespace fw
