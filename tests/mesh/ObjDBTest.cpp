#include "mesh/ObjDB.h"

#include "SolidCheck.h"

#include <numeric>

namespace fw {
namespace {

std::vector<int> positionsOf(const GeometryInterface& mesh, int element) {
    GeometryInterface::ElementInfo info;
    const int* p = nullptr;
    mesh.getElementRefs(element, info, &p, nullptr, nullptr);
    return std::vector<int>(p, p + info.count);
}

TEST(ObjDB, DropsAttributeListsOfTheWrongLengthAndRefusesBadElements) {
    ObjDB db;
    int p[3] = {0, 1, 2}, t[2] = {0, 1}, n[3] = {2, 1, 0};
    ASSERT_EQ(db.addElement(ObjDB::Polygon, 3, 3, p, 2, t, 3, n, 77), 0);
    GeometryInterface::ElementInfo info;
    int pos[3], tex[3] = {-5, -5, -5}, nor[3];
    ASSERT_TRUE(db.getElement(0, info, pos, tex, nor));
    EXPECT_EQ(std::vector<int>({info.count, info.texCount, info.normalCount, info.part, info.user}),
              (std::vector<int>{3, 0, 3, 3, 77}));
    EXPECT_EQ(std::vector<int>(nor, nor + 3), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(tex[0], -5);  // nothing copied for an absent list
    EXPECT_EQ(db.addElement(3, 0, 3, p, 0, nullptr, 0, nullptr), -1);
    EXPECT_EQ(db.addElement(ObjDB::Polyline, 0, -1, p, 0, nullptr, 0, nullptr), -1);
    EXPECT_EQ(db.elementCount(), 1);
}

TEST(ObjDB, CarvesIndexListsFromBlocksAndKeepsLongElementsWhole) {
    ObjDB db;
    std::vector<int> a(1000), b(5000);
    std::iota(a.begin(), a.end(), 0);
    std::iota(b.begin(), b.end(), 100000);
    // The blocks in use after adding an element (with its positions as normals too, when asked).
    auto add = [&](int kind, int count, const int* positions, bool normals = false) {
        db.addElement(kind, 0, count, positions, 0, nullptr, normals ? count : 0, normals ? positions : nullptr);
        return db.blockCount();
    };
    add(ObjDB::Polyline, 1000, a.data());
    EXPECT_EQ(add(ObjDB::Polyline, 1000, a.data()), 1);  // 2000 of 2048 slots used
    EXPECT_EQ(add(ObjDB::Polyline, 1000, a.data(), true), 2);  // both lists from a fresh block
    EXPECT_EQ(add(ObjDB::PointSet, 5000, b.data()), 3);  // a block of its own
    EXPECT_EQ(add(ObjDB::Polyline, 48, a.data()), 3);  // exactly what the pool block has left
    EXPECT_EQ(add(ObjDB::Polyline, 1, a.data()), 4);
    for (int e : {0, 1, 2}) EXPECT_EQ(positionsOf(db, e), a);
    EXPECT_EQ(positionsOf(db, 3), b);
    EXPECT_EQ(positionsOf(db, 4), std::vector<int>(a.begin(), a.begin() + 48));
    GeometryInterface::ElementInfo info;
    std::vector<int> buffer(GeometryInterface::kMaxCopiedCorners, -1);
    ASSERT_TRUE(db.getElement(3, info, buffer.data(), buffer.data(), buffer.data()));
    EXPECT_EQ(std::pair(info.count + info.texCount + info.normalCount, buffer[0]), std::pair(0, -1));
}

TEST(ObjDB, WeldingACubeOfLooseFacesClosesIt) {
    // Six quads that each bring their own four corners, nudged by less than the tolerance.
    const double corner[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                 {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    ObjDB db;
    for (int f = 0; f < 6; ++f) {
        int corners[4];
        for (int c = 0; c < 4; ++c) {
            const double* v = corner[faces[f][c]];
            double p[3] = {v[0], v[1], v[2] + 1e-9 * f};
            corners[c] = db.addVertex(p);
        }
        db.addElement(ObjDB::Polygon, 0, 4, corners, 0, nullptr, 0, nullptr);
    }
    EXPECT_EQ(db.weld(1e-6), 16);
    ASSERT_EQ(db.vertexCount(), 8);
    // Closed and consistently wound: every edge lies in two faces, once each way.
    test::SolidCheck solid = test::checkSolid(db);
    EXPECT_EQ(solid.triangles, 12);
    EXPECT_EQ(solid.faults(), 0) << solid.summary();
    // Without a tolerance only equal positions merge (-0 equals 0); survivors keep their order.
    ObjDB exact;
    double a[3] = {1, 2, 3}, b[3] = {1, 2, 3.0000001}, c[3] = {-0.0, 0, 0}, d[3] = {0, 0, 0};
    for (auto* p : {a, b, a, c, d}) exact.addVertex(p);
    int all[5] = {0, 1, 2, 3, 4};
    exact.addElement(ObjDB::Polyline, -1, 5, all, 0, nullptr, 0, nullptr);
    EXPECT_EQ(exact.weld(0), 2);
    EXPECT_EQ(positionsOf(exact, 0), (std::vector<int>{0, 1, 0, 2, 2}));
}

}  // namespace
}  // namespace fw
