#pragma once
// A real bevelled title built the way the `text` command builds it, handed out as the
// export units a mesh writer gets: one per letter object, with its world transform.

#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>
#include <memory>
#include <string>
#include <vector>

#include "MeshCompare.h"
#include "TempDir.h"
#include "TitleSolids.h"
#include "mesh/ObjDB.h"
#include "output/ExportUnit.h"

namespace fw::test {

class TitleExport : public testing::Test {
protected:
    // The units of a title; empty (with a failed assertion) when it cannot be built.
    std::vector<ExportUnit> title(const char16_t* text) {
        solids_ = std::make_unique<TitleSolids>(text);
        return solids_->units;
    }

    TempDir dir;

private:
    std::unique_ptr<TitleSolids> solids_;
};

// The unit's mesh as a writer sees it: world coordinates when asked, else as it is.
inline std::vector<Triangle> expectedTriangles(const ExportUnit& unit, bool world, double quantum) {
    if (!world) return trianglesOf(*unit.geometry, -1, quantum);
    ObjDB moved;
    const GeometryInterface& g = *unit.geometry;
    double v[3];
    for (int i = 0; i < g.vertexCount(); ++i) {
        g.getVertex(v, i);
        glm::dvec4 p = unit.transform * glm::dvec4(v[0], v[1], v[2], 1.0);
        const double q[3] = {p.x, p.y, p.z};
        moved.addVertex(q);
    }
    for (int e = 0; e < g.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (g.getElementRefs(e, info, &p, &t, &n))
            moved.addElement(info.kind, info.part, info.count, p, 0, nullptr, 0, nullptr);
    }
    return trianglesOf(moved, -1, quantum);
}

// Every corner's position and texture coordinate, sorted: a mesh's texturing as the
// renderer would see it, whatever the numbering.
inline std::vector<std::array<double, 5>> texturedCorners(const GeometryInterface& g) {
    std::vector<std::array<double, 5>> out;
    for (int e = 0; e < g.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *p, *t, *n;
        if (!g.getElementRefs(e, info, &p, &t, &n) || info.kind != GeometryInterface::Polygon) continue;
        for (int c = 0; c < info.count; ++c) {
            double v[3], uv[3] = {-1, -1, 0};
            g.getVertex(v, p[c]);
            if (t && info.texCount == info.count) g.getTexCoord(uv, t[c]);
            std::array<double, 5> corner = {v[0], v[1], v[2], uv[0], uv[1]};
            for (double& x : corner) x = std::round(x * 1e4) / 1e4;
            out.push_back(corner);
        }
    }
    std::sort(out.begin(), out.end());
    // A polygon fanned into triangles repeats corners: compare the set of distinct ones.
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

// Runs `assimp info FILE` and returns the number on its "Faces:" line, or -1.
inline int assimpFaceCount(const std::string& path, std::string& output) {
    std::string command = "/usr/bin/assimp info '" + path + "' 2>&1";
    output.clear();
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
        pclose(pipe);
    }
    size_t at = output.find("\nFaces:");
    if (at == std::string::npos) return -1;
    return std::atoi(output.c_str() + at + 7);
}

}  // namespace fw::test
