// The example flag over ten seconds: every frame's cloth is a whole surface (no triangle
// turned inside out, none collapsed), and the pole and cap stay closed solids.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <glm/geometric.hpp>
#include <glm/vec3.hpp>

#include "AppFixture.h"
#include "SolidCheck.h"
#include "flag/FlagCluster.h"
#include "geometry/ObjectP.h"
#include "scene/Quality.h"

namespace fw {
namespace {

// A cloth bends and folds: along a crease a triangle faces away from the neighbours on
// one side. A triangle facing against its rest normal and against every neighbour it
// shares an edge with is no fold but a cell turned inside out.
struct ClothCensus {
    int turned = 0;     // facing against the rest normal (a fold's far side, or worse)
    int inverted = 0;   // turned and facing against all its edge neighbours
    int collapsed = 0;  // area under a hundredth of its rest area
};

ClothCensus census(const ObjDB& mesh, int nu, int nv, double restArea, const glm::dvec3& restNormal) {
    auto vertex = [&](int i, int j) {
        glm::dvec3 p;
        mesh.getVertex(&p.x, j * nu + i);
        return p;
    };
    // Triangles 2k and 2k + 1 of cell k: (i,j)(i+1,j)(i+1,j+1) and (i,j)(i+1,j+1)(i,j+1).
    const int cells = (nu - 1) * (nv - 1);
    std::vector<glm::dvec3> normals(2 * cells);
    std::vector<double> areas(2 * cells);
    for (int j = 0; j + 1 < nv; ++j)
        for (int i = 0; i + 1 < nu; ++i) {
            const glm::dvec3 a = vertex(i, j), b = vertex(i + 1, j), c = vertex(i + 1, j + 1), d = vertex(i, j + 1);
            const glm::dvec3 n[2] = {glm::cross(b - a, c - a), glm::cross(c - a, d - a)};
            for (int t = 0; t < 2; ++t) {
                const int k = 2 * (j * (nu - 1) + i) + t;
                areas[k] = 0.5 * glm::length(n[t]);
                normals[k] = areas[k] > 0.0 ? glm::normalize(n[t]) : glm::dvec3(0.0);
            }
        }
    ClothCensus r;
    for (int j = 0; j + 1 < nv; ++j)
        for (int i = 0; i + 1 < nu; ++i)
            for (int t = 0; t < 2; ++t) {
                const int k = 2 * (j * (nu - 1) + i) + t;
                if (areas[k] < 0.01 * restArea) ++r.collapsed;
                if (glm::dot(normals[k], restNormal) >= 0.0) continue;
                ++r.turned;
                // Edge neighbours: the other half of the cell, and the cells above and right
                // (upper triangle) or below and left (lower triangle).
                std::vector<int> next = {k ^ 1};
                if (t == 0) {
                    if (j > 0) next.push_back(2 * ((j - 1) * (nu - 1) + i) + 1);
                    if (i + 2 < nu) next.push_back(2 * (j * (nu - 1) + i + 1) + 1);
                } else {
                    if (j + 2 < nv) next.push_back(2 * ((j + 1) * (nu - 1) + i));
                    if (i > 0) next.push_back(2 * (j * (nu - 1) + i - 1));
                }
                bool against = true;
                for (int o : next) against = against && glm::dot(normals[k], normals[o]) < 0.0;
                if (against) ++r.inverted;
            }
    return r;
}

class ClothValidity : public test::AppTest {};

TEST_F(ClothValidity, TheExampleFlagStaysAWholeSurfaceFor300Frames) {
    ASSERT_TRUE(manager().loadProject(FW_SOURCE_DIR "/examples/flag.kxp"));
    auto* flag = dynamic_cast<FlagCluster*>(scene().findMember("Flag"));
    ASSERT_NE(flag, nullptr);
    const int nu = flag->flag().across(), nv = flag->flag().down();
    const double cell = flag->unit.width / (nu - 1) * flag->unit.scaleX * flag->unit.height / (nv - 1) *
                        flag->unit.scaleY;
    // The flat cloth's triangles all face one way; the mesh winds them as the rest grid does.
    const glm::dvec3 restNormal(0.0, 0.0, -1.0);
    ASSERT_TRUE(flag->showTime(0));
    ASSERT_NE(flag->cloth(), nullptr);
    {
        flag->unit.flatten = 1.0;  // the rest state: every triangle faces the rest normal
        ASSERT_TRUE(flag->showTime(1));
        const ClothCensus flat = census(flag->cloth()->customMesh(), nu, nv, 0.5 * cell, restNormal);
        EXPECT_EQ(flat.turned, 0);
        EXPECT_EQ(flat.collapsed, 0);
        flag->unit.flatten = 0.0;
    }
    ClothCensus total;
    int worstFrame = 0, worst = 0, moved = 0, mostTurned = 0;
    std::vector<double> before;
    for (int frame = 0; frame < 300; ++frame) {
        ASSERT_TRUE(flag->showTime(frame));
        const ObjDB& mesh = flag->cloth()->customMesh();
        ASSERT_EQ(mesh.vertexCount(), nu * nv);
        const ClothCensus c = census(mesh, nu, nv, 0.5 * cell, restNormal);
        total.turned += c.turned, total.inverted += c.inverted, total.collapsed += c.collapsed;
        if (c.inverted > worst) worst = c.inverted, worstFrame = frame;
        mostTurned = std::max(mostTurned, c.turned);
        double far[3];
        mesh.getVertex(far, nu * nv - 1);
        if (!before.empty() && std::vector<double>(far, far + 3) != before) ++moved;
        before.assign(far, far + 3);
    }
    std::printf("cloth over 300 frames: %d triangles inverted (worst frame %d: %d), %d turned against rest, "
                "(at most %d in a frame), %d collapsed, of %d per frame\n",
                total.inverted, worstFrame, worst, total.turned, mostTurned, total.collapsed, 2 * (nu - 1) * (nv - 1));
    EXPECT_GT(moved, 250);  // the cloth waves the whole time
    EXPECT_EQ(total.inverted, 0);
    EXPECT_EQ(total.collapsed, 0);
    // Folds turn some triangles over, but the cloth never turns around.
    EXPECT_LT(mostTurned, (nu - 1) * (nv - 1) / 2);
    EXPECT_LT(total.turned, 300 * 2 * (nu - 1) * (nv - 1) / 10);

    // The pole and its cap are untouched by the motion: still closed solids.
    for (int i = 1; i < flag->memberCount(); ++i) {
        auto* part = dynamic_cast<ObjectP*>(flag->member(i));
        ASSERT_NE(part, nullptr);
        const GeometryInterface* solid = part->geometry(kRenderMode);
        ASSERT_NE(solid, nullptr);
        const test::SolidCheck check = test::checkSolid(*solid);
        EXPECT_EQ(check.faults(), 0)
            << flag->memberName(i) << ": " << check.summary();
        EXPECT_GT(check.volume, 0.0);
    }
}

}  // namespace
}  // namespace fw
