// Solids carried by a cloth: the flat cloth leaves them as they are, a turned cloth turns
// them, a curved one bends them, and they stay closed solids with normals facing out.
#include "flag/ClothWarp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "SolidCheck.h"
#include "app/Registration.h"
#include "geometry/ObjectP.h"
#include "mesh/ObjDB.h"
#include "scene/Quality.h"
#include "scene/SceneX.h"

namespace fw {
namespace {

constexpr int kNu = 21, kNv = 11;
constexpr double kWidth = 300, kHeight = 150;

// The cloth's particles with each flat point (x, y, 0) moved by `shape`.
template <class Shape>
std::vector<double> cloth(Shape shape) {
    std::vector<double> p;
    for (int j = 0; j < kNv; ++j)
        for (int i = 0; i < kNu; ++i) {
            const glm::dvec3 q = shape(glm::dvec3(i * kWidth / (kNu - 1), -j * kHeight / (kNv - 1), 0.0));
            p.insert(p.end(), {q.x, q.y, q.z});
        }
    return p;
}

// Every corner's normal against its polygon's own facing (Newell's normal).
double worstFacing(const GeometryInterface& g) {
    double worst = 1.0;
    for (int e = 0; e < g.elementCount(); ++e) {
        GeometryInterface::ElementInfo info;
        const int *pos = nullptr, *tex = nullptr, *nor = nullptr;
        g.getElementRefs(e, info, &pos, &tex, &nor);
        glm::dvec3 face(0.0);
        for (int k = 0; k < info.count; ++k) {
            glm::dvec3 a, b;
            g.getVertex(&a.x, pos[k]);
            g.getVertex(&b.x, pos[(k + 1) % info.count]);
            face += glm::cross(a, b);
        }
        if (glm::length(face) == 0.0 || info.normalCount != info.count) continue;
        for (int k = 0; k < info.count; ++k) {
            glm::dvec3 n;
            g.getNormal(&n.x, nor[k]);
            EXPECT_NEAR(glm::length(n), 1.0, 1e-6);
            worst = std::min(worst, glm::dot(n, glm::normalize(face)));
        }
    }
    return worst;
}

class ClothWarpTest : public testing::Test {
protected:
    void SetUp() override {
        registerAllClasses();
        box = new ObjectP(scene, "Box");
        box->setType(ObjectP::kCube);
        for (int c = 0; c < 3; ++c) box->setSize(c, 40.0);
        box->translate[0] = 150, box->translate[1] = -75;
        box->rotate[2] = 30;
        flat = box->geometry(kRenderMode);
        ASSERT_NE(flat, nullptr);
        ASSERT_EQ(test::checkSolid(*flat).flippedEdges, 0);
    }
    SceneX scene;
    ObjectP* box = nullptr;
    const GeometryInterface* flat = nullptr;
};

TEST_F(ClothWarpTest, AFlatClothLeavesASolidAsItIsAndATurnedOneTurnsIt) {
    const ClothWarp still(kNu, kNv, cloth([](glm::dvec3 p) { return p; }), kWidth, kHeight);
    ObjDB same;
    still.apply(*box, *flat, same);
    ASSERT_EQ(same.vertexCount(), flat->vertexCount());
    ASSERT_EQ(same.elementCount(), flat->elementCount());
    for (int v = 0; v < flat->vertexCount(); ++v) {
        glm::dvec3 a, b;
        flat->getVertex(&a.x, v);
        same.getVertex(&b.x, v);
        EXPECT_LT(glm::length(a - b), 1e-9);
    }

    // The cloth swung a third of a turn about its pinned edge and lifted: a rigid motion
    // of the cloth's space, which the box's points and normals follow.
    const glm::dmat4 swing = glm::translate(glm::dmat4(1.0), glm::dvec3(0, 20, -5)) *
                             glm::rotate(glm::dmat4(1.0), 2.0, glm::dvec3(0, 1, 0));
    const ClothWarp turned(kNu, kNv, cloth([&](glm::dvec3 p) { return glm::dvec3(swing * glm::dvec4(p, 1)); }),
                           kWidth, kHeight);
    box->setWarp(std::make_shared<ClothWarp>(turned));
    // What is drawn: each packed vertex is a flat one carried along.
    const GeometryInterface* moved = box->displayGeometry(kRenderMode);
    ASSERT_NE(moved, nullptr);
    const glm::dmat4 toCloth = box->transform(), back = glm::inverse(toCloth);
    std::vector<glm::dvec3> expected;
    for (int v = 0; v < flat->vertexCount(); ++v) {
        glm::dvec3 a;
        flat->getVertex(&a.x, v);
        expected.push_back(glm::dvec3(back * swing * toCloth * glm::dvec4(a, 1)));
    }
    ASSERT_GT(moved->vertexCount(), 0);
    for (int v = 0; v < moved->vertexCount(); ++v) {
        glm::dvec3 b;
        moved->getVertex(&b.x, v);
        double nearest = 1e300;
        for (const glm::dvec3& e : expected) nearest = std::min(nearest, glm::length(e - b));
        EXPECT_LT(nearest, 1e-4) << v;  // packed as floats
    }
    EXPECT_GT(worstFacing(*moved), 1.0 - 1e-6);  // every normal exactly on its face
    const test::SolidCheck check = test::checkSolid(*moved);
    EXPECT_EQ(check.faults(), 0) << check.summary();
    EXPECT_NEAR(check.volume, 40.0 * 40.0 * 40.0, 1e-2);

    // Without the warp the box is drawn flat again.
    box->setWarp(nullptr);
    double drawn[6], rest[6];
    box->localBounds(kRenderMode, drawn);
    box->setWarp(std::make_shared<ClothWarp>(still));
    box->localBounds(kRenderMode, rest);
    for (int c = 0; c < 6; ++c) EXPECT_NEAR(drawn[c], rest[c], 1e-9);
    EXPECT_NEAR(drawn[3] - drawn[0], 40.0, 1e-9);
}

TEST_F(ClothWarpTest, ACurvedClothBendsASolidThatStaysClosedWithItsNormalsOut) {
    // Rolled round a cylinder across its width, and the box made of small faces to bend.
    const double radius = 120;
    const ClothWarp rolled(kNu, kNv, cloth([&](glm::dvec3 p) {
                               const double a = p.x / radius;
                               return glm::dvec3(radius * std::sin(a), p.y, radius * (std::cos(a) - 1.0));
                           }),
                           kWidth, kHeight);
    ObjDB bent;
    rolled.apply(*box, *flat, bent);
    const test::SolidCheck check = test::checkSolid(bent);
    EXPECT_EQ(check.faults(), 0) << check.summary();
    EXPECT_GT(check.volume, 0.5 * 40 * 40 * 40);
    // The box's centre sits on the cylinder, a half turn of 150/120 radians round it.
    double low[3] = {1e300, 1e300, 1e300}, high[3] = {-1e300, -1e300, -1e300};
    for (int v = 0; v < bent.vertexCount(); ++v) {
        double p[3];
        bent.getVertex(p, v);
        for (int c = 0; c < 3; ++c) low[c] = std::min(low[c], p[c]), high[c] = std::max(high[c], p[c]);
    }
    const glm::dvec3 middle(0.5 * (low[0] + high[0]), 0.5 * (low[1] + high[1]), 0.5 * (low[2] + high[2]));
    const glm::dvec3 onCylinder(radius * std::sin(150 / radius), -75, radius * (std::cos(150 / radius) - 1.0));
    const glm::dvec3 middleInCloth(box->transform() * glm::dvec4(middle, 1));
    EXPECT_LT(glm::length(middleInCloth - onCylinder), 8.0);
    // Curved faces cannot be matched exactly by their corners' normals, but stay out.
    EXPECT_GT(worstFacing(bent), 0.7);
}

}  // namespace
}  // namespace fw
