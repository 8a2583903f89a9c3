#pragma once
// Flattened outlines as the solid builder takes them: a built-in edge profile in percent
// of the depth (empty when the library has no such profile), or any outline's polygons.
#include <vector>

#include "geometry/SolidBuilder.h"
#include "profile/Profile.h"
#include "profile/ProfileGeometry.h"
#include "profile/ProfileLibrary.h"

namespace fw::test {

// The polygons of `g` that have at least `fewest` points.
inline std::vector<SolidBuilder::Contour> flatPolygons(const ProfileGeometry& g, size_t fewest = 1) {
    std::vector<SolidBuilder::Contour> out;
    for (int e = 0; e < g.elementCount(); ++e) {
        std::vector<int> points(static_cast<size_t>(g.elementPointCount(e)));
        Geo2Interface::ElementInfo info;
        if (points.size() < fewest || !g.getElement(e, info, points.data(), nullptr, nullptr)) continue;
        SolidBuilder::Contour& c = out.emplace_back();
        for (int i : points) {
            double p[2];
            g.getPoint(i, p);
            c.push_back({p[0], p[1]});
        }
    }
    return out;
}

inline SolidBuilder::Contour libraryEdgeProfile(const char* name) {
    Profile* edge = ProfileLibrary::instance().find(name);
    ProfileGeometry* g = edge ? edge->renderFlattened(true, true, 8, 30, false) : nullptr;
    std::vector<SolidBuilder::Contour> polygons = g ? flatPolygons(*g) : std::vector<SolidBuilder::Contour>();
    return polygons.empty() ? SolidBuilder::Contour() : polygons[0];
}

}  // namespace fw::test
