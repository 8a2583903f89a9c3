#include "mesh/PackedObjDB.h"

#include <array>
#include <tuple>
#include <unordered_set>

#include "mesh/ComboVertex.h"
#include "mesh/ObjDB.h"
#include "mesh/UnifiedVertex.h"

namespace fw {
namespace {

using Info = GeometryInterface::ElementInfo;
using Vec = std::array<double, 3>;
using Getter = bool (GeometryInterface::*)(double*, int) const;
constexpr Getter kPosition = &GeometryInterface::getVertex, kUvw = &GeometryInterface::getTexCoord,
                 kNormal = &GeometryInterface::getNormal;

// What one of the mesh's getters gives for index `i`.
Vec at(const GeometryInterface& m, Getter get, int i) {
    Vec v{};
    (m.*get)(v.data(), i);
    return v;
}

// Positions, normals and texture coordinates added in that order.
void stage(GeometryInterface& m, const std::vector<Vec>& positions, const std::vector<Vec>& normals = {},
           const std::vector<Vec>& uvw = {}) {
    for (const Vec& p : positions) m.addVertex(p.data());
    for (const Vec& n : normals) m.addNormal(n.data());
    for (const Vec& t : uvw) m.addTexCoord(t.data());
}

TEST(PackedObjDB, SharesExactlyTheCornersEqualInAllThreeAttributes) {
    PackedObjDB db;
    stage(db, {{1, 2, 3}, {4, 5, 6}}, {{0, 0, 1}, {0, 1, 0}}, {{0.25, 0.5, 0}, {0.75, 1, 0}});
    int p[6] = {0, 0, 0, 0, 1, 1}, t[6] = {0, 0, 1, 0, 0, 0}, n[6] = {0, 1, 0, 0, 0, 0};
    ASSERT_EQ(db.addElement(PackedObjDB::Polygon, 2, 6, p, 6, t, 6, n, 9), 0);
    const PackedObjDB::Element& e = db.element(0);
    EXPECT_EQ(std::vector<int>(db.indexData() + e.first, db.indexData() + e.first + e.count),
              (std::vector<int>{0, 1, 2, 0, 3, 3}));
    ASSERT_EQ(db.vertexCount(), 4);
    // Vertex 1 is position 0 with normal 1, vertex 2 position 0 with texture 1.
    EXPECT_EQ(std::vector<float>(db.vertexData() + 8, db.vertexData() + 24),
              (std::vector<float>{0.25f, 0.5f, 0, 1, 0, 1, 2, 3, 0.75f, 1, 0, 0, 1, 1, 2, 3}));
    EXPECT_EQ(std::vector<int>({e.kind, e.part, e.originalPart, int(e.user), e.list.count(), e.list.step()}),
              (std::vector<int>{PackedObjDB::Polygon, 2, 2, 9, 0, 10}));
    // Normals without texture are flagged so.
    int q[4] = {1, 1, 1, 1}, qn[4] = {0, 1, 1, 0};
    PackedObjDB two;
    stage(two, {{1, 2, 3}, {4, 5, 6}}, {{0, 0, 1}, {0, 1, 0}});
    two.addElement(PackedObjDB::Polygon, 0, 4, q, 0, nullptr, 4, qn);
    EXPECT_EQ(two.attributeFlags(), PackedObjDB::HasNormals);
}

TEST(PackedObjDB, GivenAttributesAreKeptEvenWhenNoPositionIsReused) {
    PackedObjDB db;
    for (int i = 0; i < 8; ++i) stage(db, {{double(i), 0, 0}}, {{0, double(i % 2), 1}}, {{0.5, 0.125 * i, 0}});
    int a[3] = {0, 1, 2}, b[3] = {3, 4, 5};
    db.addElement(PackedObjDB::Polygon, 0, 3, a, 3, a, 3, a);
    db.addElement(PackedObjDB::Polygon, 0, 3, b, 3, b, 3, b);
    EXPECT_EQ(db.attributeFlags(), PackedObjDB::HasTexCoords | PackedObjDB::HasNormals);
    EXPECT_EQ(std::vector<int>({db.vertexCount(), db.texCoordCount(), db.normalCount()}), (std::vector<int>{6, 6, 6}));
    Info info;
    int list[3][3];
    for (int e = 0; e < 2; ++e) {
        ASSERT_TRUE(db.getElement(e, info, list[0], list[1], list[2]));
        EXPECT_EQ(std::vector<int>({info.count, info.texCount, info.normalCount}), (std::vector<int>{3, 3, 3}));
        for (int c = 0; c < 3; ++c) {
            const int given = (e == 0 ? a : b)[c];
            EXPECT_EQ(at(db, kNormal, list[2][c]), (Vec{0, double(given % 2), 1}));
            EXPECT_EQ(at(db, kUvw, list[1][c])[1], 0.125 * given);
        }
    }
    // Corners given nothing read zeros; position 0 again, with only a texture index, is a vertex of its own.
    int c[3] = {6, 7, 0}, ct[3] = {-1, -1, 5};
    db.addElement(PackedObjDB::Polygon, 0, 3, c, 3, ct, 0, nullptr);
    ASSERT_TRUE(db.getElement(2, info, list[0], list[1], list[2]));
    EXPECT_EQ(std::vector<int>({info.texCount, info.normalCount}), (std::vector<int>{3, 3}));
    EXPECT_EQ(std::pair(at(db, kUvw, list[0][0]), at(db, kNormal, list[0][0])), std::pair(Vec{}, Vec{}));
    EXPECT_EQ(std::pair(list[0][2], at(db, kUvw, list[0][2])[1]), std::pair(8, 0.625));
    // A mesh given neither keeps neither.
    PackedObjDB bare;
    stage(bare, {{0, 0, 0}, {1, 1, 0}, {2, 4, 0}});
    bare.addElement(PackedObjDB::Polygon, 0, 3, a, 0, nullptr, 0, nullptr);
    EXPECT_EQ(bare.attributeFlags() + bare.texCoordCount() + bare.normalCount(), 0);
}

TEST(PackedObjDB, LongElementsReportNoCornersAndOverlongOnesAreRefused) {
    PackedObjDB db;
    std::vector<int> p(5000);
    for (int i = 0; i < 5000; ++i) p[i] = db.addVertex(Vec{double(i), 0, 0}.data());
    ASSERT_EQ(db.addElement(PackedObjDB::Polyline, 0, 5000, p.data(), 0, nullptr, 0, nullptr), 0);
    Info info;
    std::vector<int> buffer(GeometryInterface::kMaxCopiedCorners);
    ASSERT_TRUE(db.getElement(0, info, buffer.data(), buffer.data(), buffer.data()));
    EXPECT_EQ(info.count, 0);
    std::vector<int> tooMany(PackedObjDB::kMaxCorners + 1, 0);
    int negative[2] = {0, -1};
    EXPECT_EQ(db.addElement(PackedObjDB::Polyline, 0, int(tooMany.size()), tooMany.data(), 0, nullptr, 0, nullptr), -1);
    EXPECT_EQ(db.addElement(PackedObjDB::Polyline, 0, 2, negative, 0, nullptr, 0, nullptr), -1);
    EXPECT_EQ(db.indexCount(), 5000);
}

TEST(PackedObjDB, PackingAMeshKeepsEveryCornerAndStoresEachCombinationOnce) {
    // A 4 x 4 grid of quads on shared positions, one normal per row of quads.
    ObjDB source;
    for (int j = 0; j <= 4; ++j)
        for (int i = 0; i <= 4; ++i) {
            double p[3] = {double(i), double(j), double((i * j) % 3)}, t[3] = {i / 4.0, j / 4.0, 0};
            source.addVertex(p);
            source.addTexCoord(t);
        }
    for (int j = 0; j < 4; ++j) {
        double normal[3] = {0, j * 0.1, 1};
        source.addNormal(normal);
        for (int i = 0; i < 4; ++i) {
            int q[4] = {j * 5 + i, j * 5 + i + 1, (j + 1) * 5 + i + 1, (j + 1) * 5 + i}, n[4] = {j, j, j, j};
            source.addElement(ObjDB::Polygon, j % 2, 4, q, 4, q, 4, n, i);
        }
    }
    PackedObjDB packed;
    ASSERT_TRUE(packed.pack(source));
    ASSERT_EQ(packed.elementCount(), 16);
    std::set<UnifiedVertex> distinct;
    for (int e = 0; e < 16; ++e) {
        Info a, b;
        const int *sp, *st, *sn, *pp, *pt, *pn;
        source.getElementRefs(e, a, &sp, &st, &sn);
        packed.getElementRefs(e, b, &pp, &pt, &pn);
        ASSERT_EQ(std::vector<int>({b.count, b.part, b.user}), std::vector<int>({a.count, a.part, a.user}));
        for (int c = 0; c < a.count; ++c) {
            distinct.insert({sp[c], st[c], sn[c]});
            const Vec want[] = {at(source, kPosition, sp[c]), at(source, kUvw, st[c]), at(source, kNormal, sn[c])};
            const Vec got[] = {at(packed, kPosition, pp[c]), at(packed, kUvw, pt[c]), at(packed, kNormal, pn[c])};
            for (int k = 0; k < 9; ++k) EXPECT_FLOAT_EQ(float(got[k / 3][k % 3]), float(want[k / 3][k % 3]));
        }
    }
    // The three inner rows carry two normals.
    EXPECT_EQ(std::pair(packed.vertexCount(), int(distinct.size())), std::pair(25 + 5 * 3, 25 + 5 * 3));
    const Vec moved{7, 8, 9};
    ASSERT_TRUE(packed.setVertexPosition(3, moved.data()));
    EXPECT_EQ(at(packed, kPosition, 3), moved);
}

// What readers of a packed mesh see: its vertex floats, its indices and its attribute flags.
std::tuple<std::vector<float>, std::vector<int>, int> seen(const PackedObjDB& m) {
    const float* v = m.vertexData();
    const int32_t* i = m.indexData();
    return {v ? std::vector<float>(v, v + PackedObjDB::kFloatsPerVertex * m.vertexCount()) : std::vector<float>(),
            i ? std::vector<int>(i, i + m.indexCount()) : std::vector<int>(), m.attributeFlags()};
}

// Two quads sharing an edge, each corner with a normal and a texture coordinate.
void twoQuads(PackedObjDB& m, bool withTexture) {
    for (int i = 0; i < 6; ++i)
        stage(m, {{double(i % 3), double(i / 3), 0}}, {{0, 0, 1}}, {{0.5 * (i % 3), double(i / 3), 0}});
    int a[4] = {0, 1, 4, 3}, b[4] = {1, 2, 5, 4}, normals[4] = {0, 0, 0, 0};
    m.addElement(PackedObjDB::Polygon, 0, 4, a, withTexture ? 4 : 0, a, 4, normals);
    m.addElement(PackedObjDB::Polygon, 1, 4, b, withTexture ? 4 : 0, b, 4, normals);
}

// A finished mesh reads as before, says truly whether repacking it would give it back unchanged, and refuses
// additions until cleared.
TEST(PackedObjDBFinish, KeepsWhatReadersSeeAndRepacksToItselfOnlyWhenACopyWouldBeTheSame) {
    for (bool withTexture : {true, false}) {
        SCOPED_TRACE(withTexture);
        PackedObjDB m;
        twoQuads(m, withTexture);
        const auto before = seen(m);
        m.finish();
        EXPECT_EQ(std::tuple(m.finished(), seen(m), m.stagedPositionCount()), std::tuple(true, before, 0));
        PackedObjDB copy;
        ASSERT_TRUE(copy.pack(m));
        EXPECT_EQ(seen(copy), seen(m));
        EXPECT_TRUE(m.repacksToItself());
        double p[3] = {9, 9, 9};
        int corner[3] = {0, 1, 2};
        EXPECT_EQ(m.addVertex(p), -1);
        EXPECT_EQ(m.addElement(PackedObjDB::Polygon, 0, 3, corner, 0, nullptr, 0, nullptr), -1);
        EXPECT_EQ(m.elementCount(), 2);
        m.clear();
        EXPECT_FALSE(m.finished());
        EXPECT_EQ(m.addVertex(p), 0);
    }
    // Real solids that repack to themselves, glyphs whose texture meets no reused corner among them:
    // TextSolidBatch.BuildsWhatThePortsBuildAndRenderBatchesLetTheEarlierStagesGo. A corner naming a position never
    // staged keeps that number; a copy would stage it.
    PackedObjDB beyond;
    stage(beyond, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    int far[3] = {0, 1, 7};
    ASSERT_EQ(beyond.addElement(PackedObjDB::Polygon, 0, 3, far, 0, nullptr, 0, nullptr), 0);
    EXPECT_FALSE(beyond.repacksToItself());
    // A part changed after adding reads back as added.
    PackedObjDB moved;
    twoQuads(moved, true);
    moved.element(1).part = 3;
    EXPECT_FALSE(moved.repacksToItself());
}

// Both keys order by position, then texture, then normal, and answer 1, -1 or 0.
template <class Key>
void checkOrder() {
    std::vector<Key> keys = {{2, 0, 0}, {1, 5, 0}, {1, -1, 7}, {1, 5, -3}, {0, 9, 9}, {1, 5, 0}};
    std::sort(keys.begin(), keys.end());
    std::vector<Key> want = {{0, 9, 9}, {1, -1, 7}, {1, 5, -3}, {1, 5, 0}, {1, 5, 0}, {2, 0, 0}};
    EXPECT_TRUE(keys == want);
    EXPECT_EQ(Key(1, 5, 0).compare(Key(1, 5, -3)), 1);
    EXPECT_EQ(Key(1, 5, 0).compare(Key(1, 6, -9)), -1);
    EXPECT_EQ(Key(1, 5, 0).compare(Key(1, 5, 0)), 0);
    std::unordered_set<Key> distinct(keys.begin(), keys.end());
    EXPECT_EQ(distinct.size(), 5u);
}

TEST(UnifiedVertex, OrdersByPositionThenTextureThenNormal) { checkOrder<UnifiedVertex>(); }
TEST(ComboVertex, OrdersByPositionThenTextureThenNormal) { checkOrder<ComboVertex>(); }

}  // namespace
}  // namespace fw
