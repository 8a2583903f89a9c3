#include "surface/Placement.h"

#include <glm/gtc/matrix_transform.hpp>

#include "persistence/CommandIO.h"

namespace fw {

bool Placement::isIdentity() const { return *this == Placement(); }

glm::dmat4 Placement::matrix() const {
    const glm::dmat4 identity(1.0);
    glm::dmat4 m = glm::translate(identity, glm::dvec3(0.5 + translate[0], 0.5 + translate[1], translate[2]));
    // The inverse of the x-then-y-then-z rotation: z first, each angle negated.
    m = glm::rotate(m, glm::radians(-rotate[0]), glm::dvec3(1, 0, 0));
    m = glm::rotate(m, glm::radians(-rotate[1]), glm::dvec3(0, 1, 0));
    m = glm::rotate(m, glm::radians(-rotate[2]), glm::dvec3(0, 0, 1));
    m = glm::scale(m, glm::dvec3(scale[0], scale[1], scale[2]));
    return glm::translate(m, glm::dvec3(-0.5, -0.5, 0.0));
}

bool Placement::operator==(const Placement& o) const {
    for (int i = 0; i < 3; ++i)
        if (translate[i] != o.translate[i] || rotate[i] != o.rotate[i] || scale[i] != o.scale[i] ||
            origin[i] != o.origin[i])
            return false;
    return true;
}

int Placement::read(CommandIO& io) {
    double v[12];
    for (double& x : v)
        if (io.readDouble(x) != 0) return -1;
    for (int i = 0; i < 3; ++i) {
        translate[i] = v[i];
        rotate[i] = v[3 + i];
        scale[i] = v[6 + i];
        origin[i] = v[9 + i];
    }
    return 0;
}

int Placement::write(CommandIO& io) const {
    return io.writef("transform\n\t%g %g %g\n\t%g %g %g\n\t%g %g %g\n\t%g %g %g\n", translate[0], translate[1], translate[2],
              rotate[0], rotate[1], rotate[2], scale[0], scale[1], scale[2], origin[0], origin[1], origin[2]);
}

}  // namespace fw
