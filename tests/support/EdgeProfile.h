#pragma once
// A built-in edge profile as the solid builder takes it: flattened, in percent of the
// depth. Empty when the library has no such profile.

#include <vector>

#include "geometry/SolidBuilder.h"
#include "profile/Profile.h"
#include "profile/ProfileGeometry.h"
#include "profile/ProfileLibrary.h"

namespace fw::test {

inline SolidBuilder::Contour libraryEdgeProfile(const char* name) {
    SolidBuilder::Contour out;
    Profile* edge = ProfileLibrary::instance().find(name);
    ProfileGeometry* g = edge ? edge->renderFlattened(true, true, 8, 30, false) : nullptr;
    if (!g || g->elementCount() == 0) return out;
    std::vector<int> points(static_cast<size_t>(g->elementPointCount(0)));
    Geo2Interface::ElementInfo info;
    g->getElement(0, info, points.data(), nullptr, nullptr);
    for (int i : points) {
        double p[2];
        g->getPoint(i, p);
        out.push_back({p[0], p[1]});
    }
    return out;
}

}  // namespace fw::test
