// A finished packed mesh: reads as before, refuses additions until cleared, and says
// truly whether repacking it would give it back unchanged.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "mesh/PackedObjDB.h"

namespace fw {
namespace {

std::vector<float> verticesOf(const PackedObjDB& m) {
    const float* v = m.vertexData();
    return v ? std::vector<float>(v, v + PackedObjDB::kFloatsPerVertex * m.vertexCount()) : std::vector<float>();
}

std::vector<int> indicesOf(const PackedObjDB& m) {
    const int32_t* i = m.indexData();
    return i ? std::vector<int>(i, i + m.indexCount()) : std::vector<int>();
}

// Two quads sharing an edge, each corner with a normal and a texture coordinate.
void twoQuads(PackedObjDB& m, bool withTexture) {
    for (int i = 0; i < 6; ++i) {
        double p[3] = {double(i % 3), double(i / 3), 0}, n[3] = {0, 0, 1}, t[3] = {0.5 * (i % 3), double(i / 3), 0};
        m.addVertex(p);
        m.addNormal(n);
        m.addTexCoord(t);
    }
    int a[4] = {0, 1, 4, 3}, b[4] = {1, 2, 5, 4};
    int normals[4] = {0, 0, 0, 0};
    m.addElement(PackedObjDB::Polygon, 0, 4, a, withTexture ? 4 : 0, a, 4, normals);
    m.addElement(PackedObjDB::Polygon, 1, 4, b, withTexture ? 4 : 0, b, 4, normals);
}

TEST(PackedObjDBFinish, KeepsWhatReadersSeeAndRefusesAdditionsUntilCleared) {
    PackedObjDB m;
    twoQuads(m, true);
    const std::vector<float> vertices = verticesOf(m);
    const std::vector<int> indices = indicesOf(m);
    const int flags = m.attributeFlags();
    m.finish();
    EXPECT_TRUE(m.finished());
    EXPECT_EQ(verticesOf(m), vertices);
    EXPECT_EQ(indicesOf(m), indices);
    EXPECT_EQ(m.attributeFlags(), flags);
    EXPECT_EQ(m.stagedPositionCount(), 0);
    double p[3] = {9, 9, 9};
    int corner[3] = {0, 1, 2};
    EXPECT_EQ(m.addVertex(p), -1);
    EXPECT_EQ(m.addElement(PackedObjDB::Polygon, 0, 3, corner, 0, nullptr, 0, nullptr), -1);
    EXPECT_EQ(m.elementCount(), 2);
    m.clear();
    EXPECT_FALSE(m.finished());
    EXPECT_EQ(m.addVertex(p), 0);
}

TEST(PackedObjDBFinish, RepacksToItselfOnlyWhenACopyWouldBeTheSame) {
    for (bool withTexture : {true, false}) {
        SCOPED_TRACE(withTexture);
        PackedObjDB m;
        twoQuads(m, withTexture);
        m.finish();
        PackedObjDB copy;
        ASSERT_TRUE(copy.pack(m));
        const bool same = verticesOf(copy) == verticesOf(m) && indicesOf(copy) == indicesOf(m) &&
                          copy.attributeFlags() == m.attributeFlags();
        EXPECT_TRUE(same);
        EXPECT_EQ(m.repacksToItself(), same);
    }
    // A lone triangle (no position used twice) keeps its texture coordinates, and so
    // does a copy of it.
    PackedObjDB lone;
    double p[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, t[3] = {0.25, 0.75, 0};
    for (auto& q : p) lone.addVertex(q);
    lone.addTexCoord(t);
    int corners[3] = {0, 1, 2}, tex[3] = {0, 0, 0};
    ASSERT_EQ(lone.addElement(PackedObjDB::Polygon, 0, 3, corners, 3, tex, 0, nullptr), 0);
    EXPECT_EQ(lone.attributeFlags(), PackedObjDB::HasTexCoords);
    PackedObjDB copy;
    ASSERT_TRUE(copy.pack(lone));
    EXPECT_EQ(verticesOf(copy), verticesOf(lone));
    EXPECT_TRUE(lone.repacksToItself());
    // A corner naming a position never staged keeps that number; a copy would stage it.
    PackedObjDB beyond;
    for (auto& q : p) beyond.addVertex(q);
    int far[3] = {0, 1, 7};
    ASSERT_EQ(beyond.addElement(PackedObjDB::Polygon, 0, 3, far, 0, nullptr, 0, nullptr), 0);
    EXPECT_FALSE(beyond.repacksToItself());
    // A part changed after adding reads back as added.
    PackedObjDB moved;
    twoQuads(moved, true);
    moved.element(1).part = 3;
    EXPECT_FALSE(moved.repacksToItself());
}

}  // namespace
}  // namespace fw
